#include "db/poly/ring_set.h"
#include "db/trans.h"

void Trans::ApplyToPoints(RingSet& rings) const {
  for (RingVertex* v = rings.Head(); v; v = v->next) ApplyToPoint(v->x, v->y);
}
