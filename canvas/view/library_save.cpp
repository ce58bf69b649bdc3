#include "canvas/view/library_save.h"

#include "canvas/view/cell_recalculation.h"
#include "db/library.h"

void SaveLibraryChanges(Library& library) {
  RecalculateCells(library);
  library.Save();
}
