// Operations on the contents of one cell: adding shapes on the import and editing paths,
// boxes of the contents, indexing and releasing, and collecting the shapes of a window as rings.
#include "db/cell_contents.h"

#include <algorithm>
#include <cassert>
#include <utility>
#include <vector>

#include "db/db_polygon.h"
#include "db/error.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"
#include "db/trans.h"

namespace {

void CheckShapeLayer(LayerKey key) {
  if ((key >> 8) == kPlacementLayer) throw Error(kTagDb, "Wrong layer format");
}

// The record's box moved to a position, wrapped as the stored coordinates are.
Box ShapeBox(const DBPolygon& record, int32_t x, int32_t y) {
  Box box;
  record.GetBox(box);
  return Box(WrapToInt32(int64_t(box.x1) + x), WrapToInt32(int64_t(box.y1) + y), WrapToInt32(int64_t(box.x2) + x),
             WrapToInt32(int64_t(box.y2) + y));
}

bool IsIdentity(const Trans& trans) {
  return trans.x == 0 && trans.y == 0 && trans.orientation == 0 && !trans.IsMagnified();
}

// Compresses the ring of start from its lowest-left vertex; gives the record's actual origin,
// which the compressor may move to the next vertex.
DBPolygonPtr CompressRing(const RingSet& rings, RingVertex* start, Point& origin) {
  const RingVertex* first = nullptr;
  DBPolygonPtr record = DBPolygon::Compress(rings, first, FindLowestLeftVertex(start));
  origin = Point(first->x, first->y);
  return record;
}

// The first ring of a set, made counter-clockwise.
RingVertex* FirstRing(RingSet& rings) {
  if (rings.IsEmpty()) throw Error(kTagDb, "Too few points in polygon");
  rings.NormalizeOrientation();
  return rings.Head();
}

// Edited lists are not kept in record order, so the search for an identical record is linear.
ShapeGroup* FindIdentical(const ShapeGroupList& list, const DBPolygon& record) {
  for (ShapeGroup* group = list.Head(); group; group = group->next) {
    if (DBPolygon::Compare(*group->record, record) == 0) return group;
  }
  return nullptr;
}

// One vertex of every ring of the set, in chain order.
std::vector<RingVertex*> RingStarts(RingSet& rings) {
  std::vector<RingVertex*> starts;
  for (RingVertex* v = rings.Head(); v; v = v->next) {
    if (v->flags & kVertexVisited) continue;
    starts.push_back(v);
    RingVertex* w = v;
    do {
      w->flags |= kVertexVisited;
      w = w->ringNext;
    } while (w != v);
  }
  rings.ClearVertexFlags(kVertexVisited);
  return starts;
}

}  // namespace

uint32_t Cell::AddPolygon(RingSet& rings, LayerKey key, ShapeGroup*& group, Box& ringBox, uint32_t& count) {
  CheckShapeLayer(key);
  Point origin;
  DBPolygonPtr record = CompressRing(rings, FirstRing(rings), origin);
  ringBox = ShapeBox(*record, origin.x, origin.y);
  uint32_t kind = record->Kind();
  ShapeGroupList& list = GetShapeGroups(key);
  group = list.Append(std::move(record));
  group->AppendPosition(origin.x, origin.y);
  GrowBox(box, ringBox);
  count = list.Count();
  return kind;
}

void Cell::AddBox(const Box& shape, LayerKey key) {
  RingSet rings;
  rings.AddRectangle(shape);
  ShapeGroup* group;
  Box ringBox;
  uint32_t count;
  AddPolygon(rings, key, group, ringBox, count);
}

uint32_t Cell::AddImportedPolygon(RingSet& rings, LayerKey key, ImportedShape& shape, Box& ringBox) {
  CheckShapeLayer(key);
  DBPolygonPtr record = CompressRing(rings, FirstRing(rings), shape.origin);
  ringBox = ShapeBox(*record, shape.origin.x, shape.origin.y);
  uint32_t kind = record->Kind();
  shape.table = &importShapes[key];
  shape.entry = shape.table->Add(std::move(record), shape.origin.x, shape.origin.y);
  GrowBox(box, ringBox);
  return kind;
}

void Cell::AddImportedRectangle(const Box& rectangle, LayerKey key, ImportedShape& shape, Box& ringBox) {
  assert(IsPlainRectangle(rectangle));
  CheckShapeLayer(key);
  // Counter-clockwise from its lowest-left vertex, a rectangle's first edge runs along the
  // bottom: the record holds the width and the height.
  shape.origin = Point(rectangle.x1, rectangle.y1);
  ringBox = rectangle;
  shape.table = &importShapes[key];
  shape.entry = shape.table->AddRectangle(int32_t(rectangle.Width()), int32_t(rectangle.Height()), shape.origin.x,
                                          shape.origin.y);
  GrowBox(box, ringBox);
}

void Cell::MoveImportedShapesToLists() {
  for (auto& [key, table] : importShapes) table.MoveTo(GetShapeGroups(key));
  importShapes.clear();
}

ShapePosition* Cell::AddPolygonEdit(RingSet& rings, LayerKey key) {
  CheckShapeLayer(key);
  // Indexing the new shape alone would hide the cell's unindexed shapes from EnsureShapeIndexes.
  EnsureShapeIndexes(*this);
  Point origin;
  DBPolygonPtr record = CompressRing(rings, FirstRing(rings), origin);
  Box shape = ShapeBox(*record, origin.x, origin.y);
  ShapeGroupList& list = GetShapeGroups(key);
  ShapeGroup* group = FindIdentical(list, *record);
  if (!group) group = list.Append(std::move(record));
  ShapePosition* position = group->AppendPosition(origin.x, origin.y);
  // The box grows first, so that a layer record made now bisects the cell's whole extent.
  GrowBox(box, shape);
  flags |= kCellModified;
  GetLayer(key, box).index.Insert(shape, position);
  return position;
}

int Cell::AddRingSet(RingSet& rings, LayerKey key, bool index) {
  CheckShapeLayer(key);
  if (index) EnsureShapeIndexes(*this);
  Box before = box;
  rings.NormalizeOrientation();
  ShapeGroupList& list = GetShapeGroups(key);
  ShapeGroup* last = list.Tail();
  for (RingVertex* start : RingStarts(rings)) {
    Point origin;
    ShapeGroup* group = list.Append(CompressRing(rings, start, origin));
    group->AppendPosition(origin.x, origin.y);
    GrowBox(box, ShapeBox(*group->record, origin.x, origin.y));
  }
  if (index) {
    SpatialIndex& layerIndex = GetLayer(key, box).index;
    for (ShapeGroup* group = last ? last->next : list.Head(); group; group = group->next) {
      ShapePosition* p = group->firstPosition;
      layerIndex.Insert(ShapeBox(*group->record, p->x, p->y), p);
    }
  }
  flags |= kCellModified;
  return box != before ? 2 : 1;
}

void Cell::RebuildSpatialIndex() {
  std::vector<std::pair<Box, SRef*>> placements;
  auto placementLayer = layers.find(kPlacementKey);
  if (placementLayer != layers.end()) {
    const SpatialIndex& index = placementLayer->second.index;
    for (SpatialNode* e = index.FirstLeaf(); e; e = index.NextLeaf(e)) {
      placements.emplace_back(e->box, static_cast<SRef*>(e->payload));
    }
  }
  // Every record is made anew, so that each index bisects the cell's current box.
  layers.clear();
  for (auto& layer : shapes) {
    if (layer.second.Count() == 0) continue;
    SpatialIndex& index = GetLayer(layer.first, box).index;
    for (ShapeGroup* group = layer.second.Head(); group; group = group->next) {
      for (ShapePosition* p = group->firstPosition; p; p = p->next) {
        index.Insert(ShapeBox(*group->record, p->x, p->y), p);
      }
    }
  }
  for (ListNode* node = texts.Head(); node; node = node->next) {
    TextItem* text = static_cast<TextItem*>(node->item);
    GetLayer(text->key, box).index.Insert(Box(text->x, text->y, text->x, text->y), text);
  }
  if (placements.empty()) return;
  SpatialIndex& index = GetLayer(kPlacementKey, box).index;
  for (const auto& placement : placements) index.Insert(placement.first, placement.second);
}

bool Cell::ReleaseContents() {
  bool any = false;
  for (const auto& layer : shapes) any = any || layer.second.Count() > 0;
  for (auto it = layers.begin(); it != layers.end();) {
    if (it->first == kPlacementKey) {
      ++it;
      continue;
    }
    it = layers.erase(it);
    any = true;
  }
  shapes.clear();
  return any;
}

void ComputeContentsBBox(const Cell& cell, Box& out, const std::set<LayerKey>& filter) {
  out = Box();
  for (const auto& layer : cell.shapes) {
    if (layer.first == kPlacementKey || !AdmitsLayer(filter, layer.first)) continue;
    for (const ShapeGroup* group = layer.second.Head(); group; group = group->next) {
      for (const ShapePosition* p = group->firstPosition; p; p = p->next) {
        GrowBox(out, ShapeBox(*group->record, p->x, p->y));
      }
    }
  }
  // Texts count: a cell of texts only keeps a box, and with it its data and its placements.
  for (const ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* text = static_cast<const TextItem*>(node->item);
    if (AdmitsLayer(filter, text->key)) out.Extend(text->x, text->y);
  }
}

void ComputeCellBBox(Box& out, const Cell& cell) {
  ComputeContentsBBox(cell, out);
  if (const LayerRecord* placements = cell.HasReferences()) {
    for (SpatialNode* e = placements->index.FirstLeaf(); e; e = placements->index.NextLeaf(e)) GrowBox(out, e->box);
  }
}

void EnsureShapeIndexes(Cell& cell) {
  if (cell.layers.size() > cell.layers.count(kPlacementKey)) return;
  bool unindexed = cell.texts.Count() > 0;
  for (const auto& layer : cell.shapes) unindexed = unindexed || layer.second.Count() > 0;
  if (unindexed) cell.RebuildSpatialIndex();
}

void CollectLayerRings(const SpatialIndex& index, const Box& window, const Trans& trans, const Box& clip, RingSet& out,
                       bool operandB) {
  bool identity = IsIdentity(trans);
  for (SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) {
    if (e->box.x1 == e->box.x2 && e->box.y1 == e->box.y2) continue;
    const ShapePosition* p = static_cast<const ShapePosition*>(e->payload);
    const DBPolygon& record = *p->group->record;
    Box placed = e->box;
    if (!identity) trans.ApplyToBox(placed);
    if (!placed.OverlapsStrict(clip)) continue;
    if (record.IsSquare() || record.IsRectangle()) {
      out.AddRectangle(Box(std::max(placed.x1, clip.x1), std::max(placed.y1, clip.y1), std::min(placed.x2, clip.x2),
                           std::min(placed.y2, clip.y2)),
                       operandB);
      continue;
    }
    RingSet ring;
    record.ToRing(ring, Point(p->x, p->y));
    if (!identity) trans.ApplyToPoints(ring);
    if (!clip.Contains(placed)) {
      // The clipper relinks rings that double back along the box assuming counter-clockwise
      // rings; a mirroring transform turns them round.
      ring.NormalizeOrientation();
      ring.ClipToBox(clip, true);
    }
    if (operandB) ring.SetVertexFlags(kVertexOperandB);
    out.Append(ring);
  }
}

void Library::MergeLayerMaps(Cell& cell, const Box& window, std::map<LayerKey, RingSet>& out,
                             const std::set<LayerKey>& filter, int mode, bool flag) {
  EnsureShapeIndexes(cell);
  for (const auto& layer : cell.layers) {
    if (mode == 0 && (layer.first >> 8) > 255) break;
    if (layer.first == kPlacementKey || layer.second.Count() == 0 || !AdmitsLayer(filter, layer.first)) continue;
    RingSet rings;
    CollectLayerRings(layer.second.index, window, Trans(), window, rings, flag);
    if (!rings.IsEmpty()) out[layer.first].Append(rings);
  }
}
