// The numbered cell data files of a library: one contiguous section per cell, appended anew
// whenever the cell changes. A section holds the shape layers, one block per text, then the
// placement section (LE16 0x4000 and delta-coded placement records up to the end position).
#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "db/cell_data_reader.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "db/trans.h"

namespace {

int32_t CheckedPosition(int64_t position) {
  if (position < 0 || position > INT32_MAX) throw Error(kTagLibOut, "Cell file position invalid");
  return int32_t(position);
}

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

}  // namespace

bool Library::OpenCellFile(uint32_t id, bool write, int mode) {
  if (!write) {
    CloseCellFile();
    return reader_.Open(id);
  }
  openFileId_ = 0;
  LockDirectory();
  const bool created = !FileExists(DataPath(id));
  if (!dataFile_.Open(DataPath(id), true, gzip, mode)) return false;
  openFileId_ = id;
  cellFileCreated_ |= created;
  return true;
}

void Library::CloseCellFile() {
  const uint32_t written = dataFile_.IsOpen() && dataFile_.IsWriting() ? openFileId_ : 0;
  const int64_t end = dataFile_.Tell();
  openFileId_ = 0;
  freshFileId_ = 0;
  reader_.Close();
  dataFile_.Close();
  if (written != 0) unsyncedCellFiles_[written] = gzip ? -1 : end;
}

void Library::AbandonCellFile() {
  // What a failed write sequence put into its file belongs to no section, and its end was never
  // counted: the file is left out of the next sync until written again.
  const uint32_t failed = dataFile_.IsOpen() && dataFile_.IsWriting() ? openFileId_ : 0;
  try {
    CloseCellFile();
  } catch (const Error& e) {
    LogError(e);
  }
  unsyncedCellFiles_.erase(failed);
}

void Library::SeekCellData(const Cell& cell) {
  // A write sequence ends before anything is read: what it wrote must reach the file first.
  if (openFileId_ != 0) CloseCellFile();
  reader_.SeekCell(cell);
}

void Library::SeekPlacementSection(const Cell& cell) {
  if (openFileId_ != 0) CloseCellFile();
  reader_.SeekPlacements(cell);
}

void Library::LoadCell(Cell& cell, bool index) {
  if (cell.loaded) return;
  // Without a section, whatever the cell holds in memory is all it has.
  if (!cell.IsStored()) {
    cell.loaded = true;
    return;
  }
  // Placements read on their own (LoadCellReferences) are read again with the rest.
  cell.Clear();
  try {
    SeekCellData(cell);
    LayerKey key;
    uint32_t groups;
    while (reader_.NextLayer(key, groups)) {
      if (groups == 0) {
        TextItem text = reader_.ReadText();
        cell.AddText(key, text.textId, text.x, text.y, index);
      } else {
        ReadShapeLayer(cell, key, groups, index);
      }
    }
    if (reader_.AtPlacements()) ReadPlacementSection(cell);
  } catch (...) {
    cell.Clear();
    throw;
  }
  cell.loaded = true;
}

void Library::ReadShapeLayer(Cell& cell, LayerKey key, uint32_t groups, bool index) {
  ShapeGroupList& list = cell.GetShapeGroups(key);
  SpatialIndex* layerIndex = index ? &cell.GetLayer(key, cell.box).index : nullptr;
  for (uint32_t i = 0; i < groups; ++i) {
    ShapeGroup* group = reader_.ReadGroup(list);
    if (!layerIndex) continue;
    Box shape;
    group->record->GetBox(shape);
    for (ShapePosition* p = group->firstPosition; p; p = p->next) {
      Box placed(WrapToInt32(int64_t(shape.x1) + p->x), WrapToInt32(int64_t(shape.y1) + p->y),
                 WrapToInt32(int64_t(shape.x2) + p->x), WrapToInt32(int64_t(shape.y2) + p->y));
      layerIndex->Insert(placed, p);
    }
  }
}

void Library::ReadPlacementSection(Cell& cell) {
  cell.GetLayer(kPlacementKey, cell.box);
  ARef decoded;
  while (reader_.NextPlacement(decoded)) {
    if (SRef* ref = PlacementOf(decoded)) cell.AddPlacement(ref, cells[ref->CellId()]->box);
  }
}

void Library::LoadCellReferences(Cell& cell) {
  if (cell.loaded || cell.layers.count(kPlacementKey) || cell.referencePosition < 0 || !cell.IsStored()) return;
  try {
    SeekPlacementSection(cell);
    ReadPlacementSection(cell);
  } catch (...) {
    cell.Clear();
    throw;
  }
}

SRef* Library::PlacementOf(const ARef& decoded) const {
  // Placements of missing or void cells are read through and dropped.
  const Cell* placed = cells[decoded.CellId()].get();
  if (!placed || placed->IsVoid()) return nullptr;
  if (decoded.IsArray()) return new ARef(decoded);
  return new SRef(static_cast<const SRef&>(decoded));
}

void Library::WriteReference(const SRef& ref, const SRef*& previous) {
  uint32_t id = ref.CellId();
  if (id >= cells.size()) throw Error(kTagLibOut, "Cell id invalid");
  bool magnified = ref.IsMagnified();
  const ARef* array = ref.IsArray() ? static_cast<const ARef*>(&ref) : nullptr;
  // What the reader refuses is never written: the library would no longer open.
  if ((magnified && !IsStorableMagnification(ref.magnification)) ||
      (array && (array->columns < 1 || array->rows < 1))) {
    throw Error(kTagLibOut, "Wrong format");
  }
  bool sameCell = previous && previous->CellId() == id;
  uint8_t info = uint8_t((ref.orientation & kRefCodeMask) | (magnified ? kRefMagnified : 0) | (array ? kRefArray : 0) |
                         (sameCell ? kRefSameCell : 0));
  dataFile_.WriteByte(info);
  if (!sameCell) dataFile_.WriteUnsignedChained(id);
  if (magnified) dataFile_.Write4(ref.magnification);
  Point from = previous ? Point(previous->x, previous->y) : Point();
  dataFile_.WriteSignedChained(WrapToInt32(int64_t(ref.x) - from.x));
  dataFile_.WriteSignedChained(WrapToInt32(int64_t(ref.y) - from.y));
  if (array) {
    dataFile_.WriteUnsignedChained(uint32_t(array->columns));
    dataFile_.WriteUnsignedChained(uint32_t(array->rows));
    dataFile_.WriteSignedChained(array->columnPitch);
    dataFile_.WriteSignedChained(array->rowPitch);
  }
  previous = &ref;
}

bool Library::OpenForAppend(uint32_t id) {
  if (openFileId_ == id) return true;
  CloseCellFile();
  return OpenCellFile(id, true, BinaryFile::kAppend);
}

void Library::OpenFreshCellFile() {
  CloseCellFile();
  // An existing file is never truncated: it may hold sections that "info" still refers to.
  uint32_t id = currentFileId ? currentFileId : 1;
  while (FileExists(DataPath(id))) ++id;
  if (id > UINT16_MAX) throw Error(kTagLibOut, "Cell file id invalid");
  if (!OpenCellFile(id, true, 0)) throw Error(kTagLibOut, "Cannot open file " + DataPath(id));
  currentFileId = uint16_t(id);
  freshFileId_ = id;
}

void Library::OpenCellFileForWrite(Cell& cell) {
  if (currentFileId == 0) currentFileId = 1;
  if (gzip) {
    // A compressed file cannot be continued once closed: only the file this write sequence
    // created is written on, until it is full.
    bool writing = openFileId_ != 0 && openFileId_ == freshFileId_;
    if (!writing || dataFile_.Tell() >= rollOverBytes) OpenFreshCellFile();
    cell.fileId = uint16_t(openFileId_);
    return;
  }
  uint32_t id = cell.fileId ? cell.fileId : currentFileId;
  if (!OpenForAppend(id)) throw Error(kTagLibOut, "Cannot open file " + DataPath(id));
  if (dataFile_.Tell() >= rollOverBytes && id != currentFileId) {
    id = currentFileId;
    if (!OpenForAppend(id)) throw Error(kTagLibOut, "Cannot open file " + DataPath(id));
  }
  if (dataFile_.Tell() >= rollOverBytes) OpenFreshCellFile();
  cell.fileId = uint16_t(openFileId_);
}

void Library::WriteCellGeometry(Cell& cell) {
  bool placementLayerUsed = false;
  for (const auto& layer : cell.shapes) {
    if ((layer.first >> 8) != kPlacementLayer) continue;
    for (const ShapeGroup* g = layer.second.Head(); g; g = g->next) placementLayerUsed |= g->positionCount > 0;
  }
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    placementLayerUsed |= (static_cast<const TextItem*>(node->item)->key >> 8) == kPlacementLayer;
  }
  if (placementLayerUsed) throw Error(kTagLibOut, "Wrong layer format");
  cell.geometryPosition = CheckedPosition(dataFile_.Tell());
  cell.referencePosition = -1;
  std::set<LayerKey> keys;
  for (const auto& layer : cell.shapes) keys.insert(layer.first);
  for (const auto& layer : cell.importShapes) keys.insert(layer.first);
  for (LayerKey key : keys) {
    auto list = cell.shapes.find(key);
    auto imported = cell.importShapes.find(key);
    ShapeTable* table = &writeTable_;
    if (list == cell.shapes.end()) {
      // Nothing else refers to an import table: it is sorted where it stands.
      table = &imported->second;
    } else {
      writeTable_.Clear();
      writeTable_.AddList(list->second);
      if (imported != cell.importShapes.end()) writeTable_.AddTable(imported->second);
    }
    table->Merge();
    // A layer without shapes would read back as a text block.
    if (table->GroupCount() == 0) continue;
    dataFile_.Write2(uint16_t(key >> 8));
    dataFile_.WriteByte(uint8_t(key));
    table->Write(dataFile_);
  }
  writeTable_.Clear();
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    const TextItem* text = static_cast<const TextItem*>(node->item);
    dataFile_.Write2(uint16_t(text->key >> 8));
    dataFile_.WriteByte(uint8_t(text->key));
    dataFile_.WriteUnsignedChained(0);
    dataFile_.WriteSignedChained(text->x);
    dataFile_.WriteSignedChained(text->y);
    dataFile_.WriteUnsignedChained(text->textId);
  }
}

void Library::WriteCellReferences(Cell& cell) {
  if (const LayerRecord* placements = cell.HasReferences()) {
    cell.referencePosition = CheckedPosition(dataFile_.Tell());
    dataFile_.Write2(uint16_t(kPlacementLayer));
    const SRef* previous = nullptr;
    for (SpatialNode* entry = placements->index.FirstLeaf(); entry; entry = placements->index.NextLeaf(entry)) {
      WriteReference(*static_cast<const SRef*>(entry->payload), previous);
    }
    cell.flags &= uint16_t(~kCellNoPlacements);
  } else {
    cell.flags |= kCellNoPlacements;
  }
  cell.endPosition = CheckedPosition(dataFile_.Tell());
}

void Library::WriteChangedCells() {
  struct Saved {
    Cell* cell;
    uint16_t fileId;
    uint16_t flags;
    int32_t geometryPosition;
    int32_t referencePosition;
    int32_t endPosition;
  };
  std::vector<Saved> written;
  uint16_t savedCurrent = currentFileId;
  try {
    CloseCellFile();
    if (currentFileId == 0) currentFileId = 1;
    for (auto& slot : cells) {
      Cell* cell = slot.get();
      if (!cell || !(cell->flags & kCellModified) || cell->IsVoid()) continue;
      // A modified cell whose contents were unloaded would be written empty: take them from
      // its old section instead.
      if (!cell->loaded) LoadCell(*cell, true);
      written.push_back(
          {cell, cell->fileId, cell->flags, cell->geometryPosition, cell->referencePosition, cell->endPosition});
      OpenCellFileForWrite(*cell);
      WriteCellGeometry(*cell);
      WriteCellReferences(*cell);
    }
    CloseCellFile();
  } catch (...) {
    // The sections written so far may not have reached the disk: every cell keeps its old one.
    AbandonCellFile();
    for (const Saved& s : written) {
      s.cell->fileId = s.fileId;
      s.cell->flags = s.flags;
      s.cell->geometryPosition = s.geometryPosition;
      s.cell->referencePosition = s.referencePosition;
      s.cell->endPosition = s.endPosition;
    }
    currentFileId = savedCurrent;
    throw;
  }
  for (const Saved& s : written) s.cell->flags &= uint16_t(~kCellModified);
  flags &= ~kLibCellsChanged;
}
