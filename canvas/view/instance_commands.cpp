#include "canvas/view/instance_commands.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/cell_choosers.h"
#include "canvas/view/document.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/number_input.h"
#include "canvas/view/placement_loads.h"
#include "canvas/view/view_session.h"
#include "db/cell_contents.h"
#include "db/layout_limits.h"
#include "db/library.h"

namespace {

constexpr const char* kNotInteger = "Input must be integer";
constexpr const char* kNotDouble = "Input must be double";
constexpr const char* kNotPositive = "Input must be positive integer";

// Database units shown as nanometres: floor(v * u + 0.5).
std::string Nanometres(int32_t value, double unitNm) {
  return std::to_string(int64_t(std::floor(double(value) * unitNm + 0.5)));
}

// Nanometres typed into a field, as database units (truncated); nothing unless both the
// number and the result fit 32 bits.
std::optional<int32_t> DatabaseUnits(const std::string& text, double unitNm) {
  const std::optional<int32_t> typed = ParseInt32(text);
  if (!typed) return std::nullopt;
  const double units = std::trunc(double(*typed) / unitNm);
  if (!(units >= double(INT32_MIN) && units <= double(INT32_MAX))) return std::nullopt;
  return int32_t(units);
}

// A magnification: a number that a placement can hold.
std::optional<float> Magnification(const std::string& text) {
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(start, &end);
  if (end == start) return std::nullopt;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0') return std::nullopt;
  if (!IsStorableMagnification(value)) return std::nullopt;
  return float(value);
}

// An array count: 1 to 32767, the range of every valid array record.
std::optional<int16_t> ArrayCount(const std::string& text) {
  const std::optional<int32_t> count = ParseInt32(text);
  if (!count || *count < 1 || *count > INT16_MAX) return std::nullopt;
  return int16_t(*count);
}

// The selected placement, when the library's edits since the pick have not dropped it.
bool HasSelectedInstance(ViewSession& session) {
  session.Edit().FollowGeneration(*session.GetLibrary());
  if (session.Edit().selectedInstance && session.Edit().selectedInstance.holder) return true;
  session.Prompts().ShowMessage("Instance must be selected first", "Wrong Usage");
  return false;
}

// The chosen cell placed in holder must not be holder or one of its ancestors: the placement
// would close a cycle, which every walk of the hierarchy would follow for ever.
bool RefusesCycle(ViewSession& session, uint32_t chosen, uint32_t holder) {
  const std::vector<uint32_t> chain = PlacementChain(*session.GetLibrary(), chosen, holder);
  if (chain.empty()) return false;
  std::string path;
  for (uint32_t id : chain) path += std::string(session.GetLibrary()->GetCell(id)->Name()) + " > ";
  path += session.GetLibrary()->GetCell(chosen)->Name();
  session.Prompts().ShowMessage("Recursive placement: " + path, "Wrong Usage");
  return true;
}

// A placement whose box would leave the 32-bit range is refused: the library cannot hold it.
bool RefusesRange(ViewSession& session, const SRef& placement, const Box& cellBox) {
  if (PlacementFits(placement, cellBox)) return false;
  session.Prompts().ShowMessage("Instance would leave the 32-bit coordinate range", "Wrong Input");
  return true;
}

// A cell that can be placed: it exists and has a box.
const Cell* PlaceableCell(ViewSession& session, int32_t id) {
  const Cell* cell = session.GetLibrary()->GetCell(id);
  if (cell && !cell->box.IsEmpty()) return cell;
  session.Prompts().ShowMessage("Empty cell cannot be placed", "Empty Cell");
  return nullptr;
}

// The cell the placement record places; null for a placement of a missing cell.
const Cell* PlacedCell(const Library& library, const SRef& ref) { return library.GetCell(ref.CellId()); }

Box PlacementBox(const Library& library, const SRef& ref) {
  Box box;
  if (const Cell* placed = PlacedCell(library, ref)) ref.GetBox(box, placed->box);
  return box;
}

// A placement entry leaves the holder's index; its box overlapping the holder's box means the
// holder's box may now be too large.
void RemoveEntry(Library& library, Cell& holder, SpatialNode* entry) {
  library.NoteElementRemoved(holder, entry->box);
  holder.HasReferences()->index.Remove(entry);
}

// Enters ref in holder's index under its box; grows the holder's box when the box leaves it.
// True when the box grew.
bool AddEntry(Library& library, Cell& holder, SRef* ref) {
  const Box box = PlacementBox(library, *ref);
  holder.GetLayer(kPlacementKey, holder.box).index.Insert(box, ref);
  if (box.x1 > box.x2 || holder.box.Contains(box)) return false;
  GrowBox(holder.box, box);
  library.NoteInfoChanged();
  library.NoteHierarchyChanged();
  return true;
}

// The hierarchy records, when they are in step with the cells, follow a placement that comes
// (count > 0) or goes (count < 0), so that "parents" stays true without a recalculation.
void RecordPlacement(Library& library, uint32_t holder, const SRef& ref, int sign) {
  const uint32_t child = ref.CellId();
  if (library.records.size() != library.cells.size() || child >= library.records.size()) return;
  const int64_t count =
      ref.IsArray() ? int64_t(static_cast<const ARef&>(ref).columns) * static_cast<const ARef&>(ref).rows : 1;
  auto& parents = library.records[child].parents;
  int64_t& placed = parents[holder];
  placed += sign * count;
  if (placed > 0) {
    library.records[holder].children.insert(child);
    return;
  }
  parents.erase(holder);
  library.records[holder].children.erase(child);
}

// A root placed somewhere stops being a root: the roots and levels are due.
void NoteRootPlaced(Library& library, uint32_t placed) {
  if (std::find(library.roots.begin(), library.roots.end(), placed) != library.roots.end()) {
    library.NoteHierarchyChanged();
  }
}

// After a placement changed, the selection and the pick path that led to it are gone, in this
// view and (through the edit generation the change note moved) in every other one on the
// library.
void EndPlacementEdit(ViewSession& session) {
  session.Edit().Cancel();
  session.Edit().SeeGeneration(*session.GetLibrary());
}

}  // namespace

uint8_t OrientationCode(int rotation, bool flipX) {
  static constexpr uint8_t kFlipped[4] = {6, 7, 4, 5};
  const int r = rotation & 3;
  return flipX ? kFlipped[r] : uint8_t(r);
}

InstanceFields InstanceFieldsOf(const ARef& placement, double unitNm) {
  static constexpr int kRotation[8] = {0, 1, 2, 3, 2, 3, 0, 1};
  InstanceFields fields;
  if (placement.orientation < 8) fields.rotation = kRotation[placement.orientation];
  fields.flipX = placement.orientation > 3;
  fields.locX = Nanometres(placement.x, unitNm);
  fields.locY = Nanometres(placement.y, unitNm);
  char scale[64];
  std::snprintf(scale, sizeof scale, "%f", double(placement.magnification));
  fields.scale = scale;
  if (placement.IsArray()) {
    fields.array = true;
    fields.columns = std::to_string(placement.columns);
    fields.rows = std::to_string(placement.rows);
    fields.spaceX = Nanometres(placement.columnPitch, unitNm);
    fields.spaceY = Nanometres(placement.rowPitch, unitNm);
  }
  return fields;
}

std::string ReadInstanceFields(const InstanceFields& fields, double unitNm, ARef& placement) {
  ARef read = placement;
  read.orientation = OrientationCode(fields.rotation, fields.flipX);
  const std::optional<int32_t> x = DatabaseUnits(fields.locX, unitNm);
  if (!x) return kNotInteger;
  const std::optional<int32_t> y = DatabaseUnits(fields.locY, unitNm);
  if (!y) return kNotInteger;
  const std::optional<float> scale = Magnification(fields.scale);
  if (!scale) return kNotDouble;
  read.x = *x;
  read.y = *y;
  read.magnification = *scale;
  if (fields.array) {
    read.cellWord |= kArrayBit;
    const std::optional<int16_t> columns = ArrayCount(fields.columns);
    if (!columns) return kNotPositive;
    const std::optional<int16_t> rows = ArrayCount(fields.rows);
    if (!rows) return kNotPositive;
    const std::optional<int32_t> spaceX = DatabaseUnits(fields.spaceX, unitNm);
    if (!spaceX) return kNotInteger;
    const std::optional<int32_t> spaceY = DatabaseUnits(fields.spaceY, unitNm);
    if (!spaceY) return kNotInteger;
    read.columns = *columns;
    read.rows = *rows;
    read.columnPitch = *spaceX;
    read.rowPitch = *spaceY;
  }
  placement = read;
  return "";
}

std::string CreateCell(ViewSession& session) {
  Library& library = *session.GetLibrary();
  CanvasPrompts& prompts = session.Prompts();
  const std::string name = prompts.AskText("Enter new cell name", "Create Cell", "");
  if (name.empty()) return "";
  if (HasControlCharacter(name)) {
    prompts.ShowMessage(kControlCharacterName, "Wrong Input");
    return "";
  }
  if (library.nameMap.count(name)) {
    prompts.ShowMessage("Cell name already exists", "Cell Name Conflict");
    return "";
  }
  library.CreateEditedCell(name);
  // The new cell is a root that the hierarchy does not know yet.
  library.NoteHierarchyChanged();
  return name;
}

bool DeleteCell(ViewSession& session) {
  Library& library = *session.GetLibrary();
  CanvasPrompts& prompts = session.Prompts();
  const std::string name = OpenCell(library, prompts, "Delete Cell");
  const int32_t id = library.FindIndex(name);
  if (name.empty() || id < 0 || !library.GetCell(id)) return false;
  // A view on the cell would go on drawing the freed cell.
  for (const ViewSession* view : session.GetDocument()->Sessions()) {
    if (view->TopCell() && view->TopCellId() == id) {
      prompts.ShowMessage("Cell " + name + " is shown in a window and cannot be deleted", "Wrong Usage");
      return false;
    }
  }
  library.DeleteCell(uint32_t(id));
  return true;
}

Box IncrementedBox(const Box& box) {
  const int64_t w = int64_t(box.x2) - box.x1, h = int64_t(box.y2) - box.y1;
  auto clamp = [](int64_t v) { return int32_t(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX)); };
  return Box(clamp(box.x1 - w), clamp(box.y1 - h), clamp(box.x2 + w), clamp(box.y2 + h));
}

void IncrementCell(Library& library, Cell& cell) {
  cell.box = IncrementedBox(cell.box);
  library.NoteInfoChanged();
}

std::vector<uint32_t> PlacementChain(Library& library, uint32_t from, uint32_t to) {
  if (!library.GetCell(from) || !library.GetCell(to)) return {};
  if (from == to) return {from};
  TemporaryPlacements placements(library);
  // Depth-first over the placement indexes; each cell is entered once, so existing cycles end.
  std::vector<int64_t> cameFrom(library.cells.size(), -2);
  std::vector<uint32_t> pending{from};
  cameFrom[from] = -1;
  while (!pending.empty()) {
    const uint32_t id = pending.back();
    pending.pop_back();
    const Cell* cell = placements.WithPlacements(id);
    const LayerRecord* layer = cell ? cell->HasReferences() : nullptr;
    if (!layer) continue;
    for (SpatialNode* e = layer->index.FirstLeaf(); e; e = layer->index.NextLeaf(e)) {
      const uint32_t child = static_cast<const SRef*>(e->payload)->CellId();
      if (child >= cameFrom.size() || cameFrom[child] != -2 || !library.GetCell(child)) continue;
      cameFrom[child] = id;
      if (child == to) {
        std::vector<uint32_t> chain;
        for (int64_t at = to; at >= 0; at = cameFrom[size_t(at)]) chain.push_back(uint32_t(at));
        std::reverse(chain.begin(), chain.end());
        return chain;
      }
      pending.push_back(child);
    }
  }
  return {};
}

SpatialNode* PlacementEntry(const Cell& holder, const SRef* ref) {
  const LayerRecord* layer = holder.HasReferences();
  if (!layer || !ref) return nullptr;
  for (SpatialNode* e = layer->index.FirstLeaf(); e; e = layer->index.NextLeaf(e)) {
    if (e->payload == ref) return e;
  }
  return nullptr;
}

void PropagateInstanceBox(Library& library, EditState& edit, const Cell& holder) {
  const std::vector<HierarchyFrame>& frames = edit.pickWalk.Frames();
  size_t k = frames.size();
  while (k > 0 && frames[k - 1].cell != &holder) --k;
  if (k == 0) return;
  const Cell* placed = &holder;
  // frames[j].cursor.entry is the placement in frames[j].cell that the walk went down through.
  for (size_t j = k - 1; j-- > 0;) {
    Cell* cell = frames[j].cell;
    SpatialNode* entry = frames[j].cursor.entry;
    LayerRecord* layer = cell ? cell->HasReferences() : nullptr;
    if (!layer || !entry || !entry->IsEntry()) return;
    SRef* ref = static_cast<SRef*>(entry->payload);
    Box box;
    ref->GetBox(box, placed->box);
    if (box == entry->box) return;
    layer->index.Remove(entry);
    layer->index.Insert(box, ref);
    if (cell->box.Contains(box)) return;
    GrowBox(cell->box, box);
    library.NoteInfoChanged();
    placed = cell;
  }
}

bool InsertInst(ViewSession& session) {
  Library& library = *session.GetLibrary();
  Cell* shown = library.GetCell(session.TopCellId());
  if (!shown) return false;
  const std::string name = OpenCell(library, session.Prompts(), "Insert Instance");
  if (name.empty()) return false;
  const int32_t id = library.FindIndex(name);
  if (!PlaceableCell(session, id)) return false;
  if (RefusesCycle(session, uint32_t(id), uint32_t(session.TopCellId()))) return false;
  InstanceParameters values;
  values.placement.cellWord = uint32_t(id);
  values.unitNm = session.Settings().nmPerUnit;
  values.showValues = false;
  if (!session.Prompts().InstanceDialog("Insert Instance " + name, values)) return false;
  if (RefusesRange(session, values.placement, library.GetCell(id)->box)) return false;
  // The new placement must join what is on disk, not be dropped by a later load.
  library.LoadCell(*shown, true);
  SRef* ref = values.placement.IsArray() ? static_cast<SRef*>(new ARef(values.placement))
                                         : new SRef(static_cast<const SRef&>(values.placement));
  ref->cellWord = (ref->cellWord & kArrayBit) | uint32_t(id);
  AddEntry(library, *shown, ref);
  NoteRootPlaced(library, uint32_t(id));
  RecordPlacement(library, uint32_t(session.TopCellId()), *ref, 1);
  library.NotePlacementsChanged(*shown);
  return true;
}

bool DeleteInst(ViewSession& session) {
  if (!HasSelectedInstance(session)) return false;
  const SelectedInstance selected = session.Edit().selectedInstance;
  SpatialNode* entry = PlacementEntry(*selected.holder, selected.ref);
  if (!entry) return false;
  Library& library = *session.GetLibrary();
  Cell& holder = *selected.holder;
  SRef* ref = static_cast<SRef*>(entry->payload);
  RecordPlacement(library, selected.holderId, *ref, -1);
  RemoveEntry(library, holder, entry);
  delete ref;
  if (!holder.HasReferences()) holder.layers.erase(kPlacementKey);
  library.NotePlacementsChanged(holder);
  EndPlacementEdit(session);
  return true;
}

bool ReplaceInst(ViewSession& session) {
  if (!HasSelectedInstance(session)) return false;
  const SelectedInstance selected = session.Edit().selectedInstance;
  Library& library = *session.GetLibrary();
  const std::string name = OpenCell(library, session.Prompts(), "Replace Cell");
  if (name.empty()) return false;
  const int32_t id = library.FindIndex(name);
  SpatialNode* entry = PlacementEntry(*selected.holder, selected.ref);
  if (!entry || !PlaceableCell(session, id)) return false;
  if (RefusesCycle(session, uint32_t(id), selected.holderId)) return false;
  Cell& holder = *selected.holder;
  SRef* ref = static_cast<SRef*>(entry->payload);
  if (RefusesRange(session, *ref, library.GetCell(id)->box)) return false;
  const Box oldCellBox = PlacedCell(library, *ref) ? PlacedCell(library, *ref)->box : Box();
  RecordPlacement(library, selected.holderId, *ref, -1);
  ref->cellWord = (ref->cellWord & kArrayBit) | uint32_t(id);
  RecordPlacement(library, selected.holderId, *ref, 1);
  NoteRootPlaced(library, uint32_t(id));
  if (library.GetCell(id)->box != oldCellBox) {
    RemoveEntry(library, holder, entry);
    if (AddEntry(library, holder, ref)) PropagateInstanceBox(library, session.Edit(), holder);
  }
  library.NotePlacementsChanged(holder);
  EndPlacementEdit(session);
  return true;
}

bool ModifyInst(ViewSession& session) {
  if (!HasSelectedInstance(session)) return false;
  const SelectedInstance selected = session.Edit().selectedInstance;
  Library& library = *session.GetLibrary();
  SpatialNode* entry = PlacementEntry(*selected.holder, selected.ref);
  if (!entry) return false;
  SRef* ref = static_cast<SRef*>(entry->payload);
  const Cell* placed = PlacedCell(library, *ref);
  InstanceParameters values;
  values.placement = ref->IsArray() ? *static_cast<const ARef*>(ref) : ARef(*ref);
  values.unitNm = session.Settings().nmPerUnit;
  if (!session.Prompts().InstanceDialog(std::string("Modify Instance ") + (placed ? placed->Name() : ""), values)) {
    return false;
  }
  const ARef& edited = values.placement;
  // Equal cell-id words mean both are arrays or neither is; the magnification is compared too.
  if (CompareByKeyThenX(edited, *ref) == 0) return false;
  if (placed && RefusesRange(session, edited, placed->box)) return false;
  Cell& holder = *selected.holder;
  RecordPlacement(library, selected.holderId, *ref, -1);
  RemoveEntry(library, holder, entry);
  if (ref->IsArray()) {
    *static_cast<ARef*>(ref) = edited;
  } else if (edited.IsArray()) {
    delete ref;
    ref = new ARef(edited);
  } else {
    *ref = static_cast<const SRef&>(edited);
  }
  RecordPlacement(library, selected.holderId, *ref, 1);
  if (AddEntry(library, holder, ref)) PropagateInstanceBox(library, session.Edit(), holder);
  library.NoteCellEdited(holder, holder.box);
  EndPlacementEdit(session);
  return true;
}

void InstanceInfo(ViewSession& session) {
  if (!HasSelectedInstance(session)) return;
  const SRef& ref = *session.Edit().selectedInstance.ref;
  const Cell* placed = PlacedCell(*session.GetLibrary(), ref);
  InstanceParameters values;
  values.placement = ref.IsArray() ? static_cast<const ARef&>(ref) : ARef(ref);
  values.unitNm = session.Settings().nmPerUnit;
  session.Prompts().InstanceDialog(std::string("Instance of ") + (placed ? placed->Name() : ""), values);
}
