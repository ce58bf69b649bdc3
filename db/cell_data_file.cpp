// The numbered cell data files of a library: one contiguous section per cell, appended anew
// whenever the cell changes. A section holds the shape layers, one block per text, then the
// placement section (LE16 0x4000 and delta-coded placement records up to the end position).
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "db/numeric.h"
#include "db/trans.h"

namespace {

// Bits of a placement record's info byte.
constexpr uint8_t kRefCodeMask = 0x07;
constexpr uint8_t kRefMagnified = 0x08;
constexpr uint8_t kRefArray = 0x10;
constexpr uint8_t kRefSameCell = 0x20;

// A group takes at least 5 bytes: a 4-byte header and a position count.
constexpr int64_t kMinGroupBytes = 5;

bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// Malformed chained integers and the end of the stream inside a section both mean the section
// is corrupt or cut short.
Error AsCellDataError(const Error& e) {
  if (std::strcmp(e.Tag(), kTagBinaryIn) == 0) return Error(kTagLibIn, "Insufficient Cell Data");
  return e;
}

int32_t CheckedPosition(int64_t position) {
  if (position < 0 || position > INT32_MAX) throw Error(kTagLibOut, "Cell file position invalid");
  return int32_t(position);
}

bool IsValidMagnification(float m) { return std::isfinite(m) && m > 0; }

}  // namespace

bool Library::OpenCellFile(uint32_t id, bool write, int mode) {
  openFileId_ = 0;
  dataFile_.SetContextTag(write ? kTagLibOut : kTagLibIn);
  if (!dataFile_.Open(DataPath(id), write, gzip, mode)) return false;
  openFileId_ = id;
  openForWrite_ = write;
  return true;
}

void Library::CloseCellFile() {
  openFileId_ = 0;
  freshFileId_ = 0;
  dataFile_.Close();
}

void Library::AbandonCellFile() {
  try {
    CloseCellFile();
  } catch (const Error& e) {
    LogError(e);
  }
}

void Library::SeekCellData(const Cell& cell) {
  if (cell.fileId == 0) throw Error(kTagLibIn, "Cell file id invalid");
  if (openFileId_ != cell.fileId || openForWrite_) {
    CloseCellFile();
    if (!OpenCellFile(cell.fileId, false, 0)) throw Error(kTagLibIn, "Cannot open file " + DataPath(cell.fileId));
  }
  if (dataFile_.Tell() != cell.geometryPosition && !dataFile_.Seek(cell.geometryPosition)) {
    throw Error(kTagLibIn, "Insufficient Cell Data");
  }
}

void Library::CheckSectionEnd(const Cell& cell) {
  if (dataFile_.Tell() > cell.endPosition) throw Error(kTagLibIn, "Wrong format");
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
    while (dataFile_.Tell() < cell.endPosition) {
      uint16_t layer;
      if (!dataFile_.Read2(layer)) throw Error(kTagLibIn, "Insufficient Cell Data");
      if (layer == kPlacementLayer) {
        ReadPlacementSection(cell);
        break;
      }
      uint8_t datatype;
      if (!dataFile_.ReadByte(datatype)) throw Error(kTagLibIn, "Insufficient Cell Data");
      ReadShapeLayer(cell, MakeLayerKey(layer, datatype), index);
      CheckSectionEnd(cell);
    }
  } catch (const Error& e) {
    cell.Clear();
    throw AsCellDataError(e);
  } catch (...) {
    cell.Clear();
    throw;
  }
  cell.loaded = true;
}

void Library::ReadShapeLayer(Cell& cell, LayerKey key, bool index) {
  uint32_t groups = dataFile_.ReadUnsignedChained();
  if (groups > uint32_t(INT32_MAX)) throw Error(kTagLibIn, "Wrong layer format");
  if (groups == 0) {
    int32_t x = dataFile_.ReadSignedChained();
    int32_t y = dataFile_.ReadSignedChained();
    uint32_t textId = dataFile_.ReadUnsignedChained();
    cell.AddText(key, textId, x, y, index);
    return;
  }
  if (groups > (int64_t(cell.endPosition) - dataFile_.Tell()) / kMinGroupBytes) throw Error(kTagLibIn, "Wrong format");
  ShapeGroupList& list = cell.GetShapeGroups(key);
  SpatialIndex* layerIndex = index ? &cell.GetLayer(key, cell.box).index : nullptr;
  for (uint32_t i = 0; i < groups; ++i) {
    ShapeGroup* group = list.ReadGroup(dataFile_);
    CheckSectionEnd(cell);
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
  int64_t lastId = -1;
  Point position;
  while (dataFile_.Tell() < cell.endPosition) {
    SRef* ref = ReadReference(lastId, position);
    if (ref) cell.AddPlacement(ref, cells[ref->CellId()]->box);
    CheckSectionEnd(cell);
  }
}

void Library::SeekPlacementSection(const Cell& cell) {
  SeekCellData(cell);
  if (!dataFile_.Seek(cell.referencePosition)) throw Error(kTagLibIn, "Insufficient Cell Data");
  uint16_t word = 0;
  while (word != kPlacementLayer) {
    if (dataFile_.Tell() >= cell.endPosition || !dataFile_.Read2(word)) {
      throw Error(kTagLibIn, "Insufficient Cell Data");
    }
  }
}

void Library::LoadCellReferences(Cell& cell) {
  if (cell.loaded || cell.layers.count(kPlacementKey) || cell.referencePosition < 0 || !cell.IsStored()) return;
  try {
    SeekPlacementSection(cell);
    ReadPlacementSection(cell);
  } catch (const Error& e) {
    cell.Clear();
    throw AsCellDataError(e);
  } catch (...) {
    cell.Clear();
    throw;
  }
}

void Library::DecodeReference(int64_t& lastId, Point& position, ARef& ref) {
  uint8_t info;
  if (!dataFile_.ReadByte(info)) throw Error(kTagLibIn, "Insufficient Reference Data");
  if (!(info & kRefSameCell)) lastId = dataFile_.ReadUnsignedChained();
  if (lastId < 0 || lastId >= int64_t(cells.size())) throw Error(kTagLibIn, "Cell id invalid");
  float magnification = 1.0f;
  if (info & kRefMagnified) {
    if (!dataFile_.Read4(magnification) || !IsValidMagnification(magnification)) {
      throw Error(kTagLibIn, "Insufficient Reference Data");
    }
  }
  position.x = WrapToInt32(int64_t(position.x) + dataFile_.ReadSignedChained());
  position.y = WrapToInt32(int64_t(position.y) + dataFile_.ReadSignedChained());
  ref = ARef();
  ref.cellWord = uint32_t(lastId);
  if (info & kRefArray) {
    uint32_t columns = dataFile_.ReadUnsignedChained();
    uint32_t rows = dataFile_.ReadUnsignedChained();
    ref.columnPitch = dataFile_.ReadSignedChained();
    ref.rowPitch = dataFile_.ReadSignedChained();
    if (columns < 1 || columns > INT16_MAX || rows < 1 || rows > INT16_MAX) {
      throw Error(kTagLibIn, "Insufficient Reference Data");
    }
    ref.columns = int16_t(columns);
    ref.rows = int16_t(rows);
    ref.cellWord |= kArrayBit;
  }
  ref.x = position.x;
  ref.y = position.y;
  ref.magnification = magnification;
  ref.orientation = uint8_t(info & kRefCodeMask);
}

SRef* Library::ReadReference(int64_t& lastId, Point& position) {
  ARef decoded;
  DecodeReference(lastId, position, decoded);
  // Placements of missing or void cells are read through and dropped.
  const Cell* placed = cells[decoded.CellId()].get();
  if (!placed || placed->IsVoid()) return nullptr;
  if (decoded.IsArray()) return new ARef(decoded);
  return new SRef(static_cast<const SRef&>(decoded));
}

void Library::WriteReference(const SRef& ref, const SRef*& previous) {
  uint32_t id = ref.CellId();
  if (id >= cells.size()) throw Error(kTagLibOut, "Cell id invalid");
  // What the reader refuses is never written: the library would no longer open.
  bool magnified = ref.IsMagnified();
  const ARef* array = ref.IsArray() ? static_cast<const ARef*>(&ref) : nullptr;
  if ((magnified && !IsValidMagnification(ref.magnification)) || (array && (array->columns < 1 || array->rows < 1))) {
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
  if (openForWrite_ && openFileId_ == id) return true;
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
    bool writing = openForWrite_ && openFileId_ != 0 && openFileId_ == freshFileId_;
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
