#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "db/box.h"
#include "db/import_tables.h"
#include "db/node_list.h"
#include "db/record_pool.h"
#include "db/shape_group.h"
#include "db/shape_table.h"
#include "db/spatial_index.h"

class SRef;

// layer * 256 + datatype (the texttype for texts).
using LayerKey = uint32_t;
// The layer number that stands for a cell's placements, and its key. No shape or text may use
// that layer: on disk it marks the start of the placement section.
constexpr uint32_t kPlacementLayer = 0x4000;
constexpr LayerKey kPlacementKey = kPlacementLayer << 8;

inline LayerKey MakeLayerKey(uint32_t layer, uint32_t datatype) { return layer * 256 + datatype; }

// Cell flag bits; 0x4000 and 0x0002 belong to particular passes.
constexpr uint16_t kCellModified = 0x8000;
constexpr uint16_t kCellNoPlacements = 0x2000;
constexpr uint16_t kCellVisited = 0x0001;

// One text of a cell: its string is entry textId of the library's string table. Pooled.
struct TextItem {
  int32_t x;
  int32_t y;
  LayerKey key;
  uint32_t textId;
};

RecordPool<TextItem>& TextItemPool();

// The spatial index of one layer of a cell, with the box it was made for. Shape layers index
// ShapePosition payloads (texts: TextItem payloads under a point box); the placement layer
// indexes the cell's SRef/ARef objects. The index refers to itself, so a record never moves:
// it lives in a std::map node and can be neither copied nor moved.
struct LayerRecord {
  explicit LayerRecord(const Box& region) : bound(region), index(region) {}
  LayerRecord(const LayerRecord&) = delete;
  LayerRecord& operator=(const LayerRecord&) = delete;

  int64_t Count() const { return index.Count(); }

  // The box the index bisects: the cell's box when the record was made.
  Box bound;
  // A second box for the passes that need one; empty when made.
  Box box2;
  SpatialIndex index;
};

// One cell of a library. Its name, flags, box and the place of its data on disk exist for
// every cell id; its contents (shape lists, texts, placements and the layer records that index
// them) only while it is loaded (Library::LoadCell) or being built.
class Cell {
 public:
  Cell() = default;
  ~Cell() { Clear(); }
  Cell(const Cell&) = delete;
  Cell& operator=(const Cell&) = delete;

  // The name, or "" for an unnamed cell.
  const char* Name() const { return name ? name->c_str() : ""; }

  // The layer record of key; made with bound as its region when missing.
  LayerRecord& GetLayer(LayerKey key, const Box& bound);
  // The shape list of key; made empty when missing.
  ShapeGroupList& GetShapeGroups(LayerKey key);
  // The placement layer record when it holds at least one placement, else null.
  LayerRecord* HasReferences();
  const LayerRecord* HasReferences() const;

  // Appends a text, grows the box by its point and, with index, enters it in the layer record
  // of key as a box of one point.
  TextItem* AddText(LayerKey key, uint32_t textId, int32_t x, int32_t y, bool index);
  // Takes ownership of ref and enters it in the placement index under its box, given the
  // placed cell's box. The cell's own box is not changed.
  void AddPlacement(SRef* ref, const Box& placedCellBox);

  // Shapes (cell_contents.cpp). A ring is stored counter-clockwise from its lowest-left vertex,
  // which becomes its position. Layer 0x4000 marks the placements and is refused with
  // Error(kTagDb, "Wrong layer format").
  // Unindexed path: the first ring of rings as a new group of key with one position. Gives the
  // group, the ring's box (the cell's box grows by it) and the number of groups of the layer;
  // returns the record's kind. Identical records are merged when the cell is written.
  uint32_t AddPolygon(RingSet& rings, LayerKey key, ShapeGroup*& group, Box& ringBox, uint32_t& count);
  // AddPolygon for a box, as a rectangle record.
  void AddBox(const Box& shape, LayerKey key);
  // Import path into the import table of key (see importShapes): the first ring of rings as
  // one shape. Gives where it went, for further positions of the same record
  // (shape.table->AddAgain(shape.entry, x, y)), its position and the ring's box (the cell's box
  // grows by it); returns the record's kind.
  struct ImportedShape {
    ShapeTable* table;
    size_t entry;
    Point origin;
  };
  uint32_t AddImportedPolygon(RingSet& rings, LayerKey key, ImportedShape& shape, Box& ringBox);
  // AddImportedPolygon for the ring of a rectangle, which needs no ring: it is stored as the
  // ring would be, from its lower left corner, and its box is itself. Its kind is 0. Only for
  // rectangles that IsPlainRectangle accepts; others take the ring.
  void AddImportedRectangle(const Box& rectangle, LayerKey key, ImportedShape& shape, Box& ringBox);
  // A rectangle of nonzero width and height, neither of 2^31 units or more: its sides are the
  // values of its record, as they stand.
  static bool IsPlainRectangle(const Box& r) {
    return r.x1 < r.x2 && r.y1 < r.y2 && r.Width() <= INT32_MAX && r.Height() <= INT32_MAX;
  }
  // Moves the import tables into the shape lists, for passes that work on lists.
  void MoveImportedShapesToLists();
  // Editing path: the first ring of rings joins the group of an identical record of key, or
  // starts one; the new position is entered in the layer's index. Grows the box and flags the
  // cell modified.
  ShapePosition* AddPolygonEdit(RingSet& rings, LayerKey key);
  // Every ring of rings as its own group of key; with index, each is entered in the layer's
  // index (the indexes are built first when the cell has none for its shapes). Grows the box
  // and flags the cell modified. Returns 2 when the box grew, else 1.
  int AddRingSet(RingSet& rings, LayerKey key, bool index);
  // Indexes every shape position, text and placement anew, over the cell's current box.
  void RebuildSpatialIndex();
  // Frees every shape group and every layer record but the placements'. Texts (left
  // unindexed) and placements stay, and the cell stays loaded. True when there was anything.
  bool ReleaseContents();

  // Unloads the contents: placements deleted, shape groups and texts returned to their pools,
  // layer records emptied. Name, flags, file id, positions and box stay.
  void Clear();

  // True when the cell holds nothing to keep: its box is truly empty (x1 > x2 or y1 > y2: a
  // point or a line is not empty), or it has neither data on disk nor unsaved changes. The one
  // test of saving, of /info and of reading placements.
  bool IsVoid() const;
  // True when a section of a cell data file holds the cell.
  bool IsStored() const { return fileId != 0 && geometryPosition >= 0; }

  // Points at the key of the library's name map entry (stable: entries are never erased).
  const std::string* name = nullptr;
  uint16_t flags = 0;
  // Cell data file that holds the cell; 0 until first written.
  uint16_t fileId = 0;
  int32_t geometryPosition = -1;
  // Start of the placement section; -1 when there is none.
  int32_t referencePosition = -1;
  int32_t endPosition = -1;
  Box box;
  // True while the contents are in memory (loaded, or made in memory); LoadCell then reads
  // nothing more.
  bool loaded = false;

  std::map<LayerKey, LayerRecord> layers;
  std::map<LayerKey, ShapeGroupList> shapes;
  // Shapes of a cell being imported, per layer, until the cell is written: flat tables that
  // are sorted and merged only then.
  ImportTables importShapes;
  // TextItem pointers, in the order of the cell's data.
  NodeList2 texts;
};
