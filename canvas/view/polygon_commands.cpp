#include "canvas/view/polygon_commands.h"

#include <cctype>
#include <iterator>
#include <vector>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/view_session.h"
#include "db/cell_shape_edit.h"
#include "db/db_polygon.h"
#include "db/error.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/poly/ring_set.h"
#include "db/shape_group.h"

const char* const kNotConnectedStatus = "Polygon not connected yet";

std::string EditStatusText(const EditOutcome& outcome) {
  if (!outcome.errorLine.empty()) return outcome.errorLine;
  return outcome.status.empty() ? "Ready" : outcome.status;
}

namespace {

const char* const kNoMergeLayerStatus = "Layer must be selected, cancel polygon merge";
const char* const kLayerMissingStatus = "Selected layer does not exist in top cell";
const char* const kNoRectangleStatus = "Subtracting rectangle must be drawn , cancel";

EditOutcome Status(const char* text) { return EditOutcome{text, false, ""}; }
EditOutcome Redraw() { return EditOutcome{"", true, ""}; }
EditOutcome Failure(const Error& error) { return EditOutcome{"", false, ErrorLine(error)}; }

bool IsPointBox(const Box& box) { return box.x1 == box.x2 && box.y1 == box.y2; }

// Ends the selection after an edit that consumed it; this view's state is current again.
void EndSelection(EditState& edit, const Library& library) {
  edit.Cancel();
  edit.SeeGeneration(library);
}

// Stores every ring of rings as its own shape of key in cell, each indexed.
void AddEachRing(Cell& cell, RingSet& rings, LayerKey key) {
  for (RingVertex* v = rings.Head(); v; v = v->next) {
    if (v->flags & kVertexVisited) continue;
    RingSet one;
    CopyRingInto(one, v);
    one.SetRingCount(1);
    cell.AddPolygonEdit(one, key);
  }
  rings.ClearVertexFlags(kVertexVisited);
}

// The element the pick path stands on, in its own cell.
struct PickedElement {
  Cell* cell = nullptr;
  LayerKey key = 0;
  SpatialNode* entry = nullptr;
  // From the shown cell into the element's cell.
  Trans fromShown;
};

std::optional<PickedElement> PickedOf(const EditState& edit) {
  if (!edit.HasPickPath()) return std::nullopt;
  const HierarchyFrame& frame = edit.pickWalk.Frames().back();
  if (!frame.cell || !frame.cursor.entry || frame.layer == frame.cell->layers.end() ||
      frame.layer->first == kPlacementKey) {
    return std::nullopt;
  }
  PickedElement picked;
  picked.cell = frame.cell;
  picked.key = frame.layer->first;
  picked.entry = frame.cursor.entry;
  picked.fromShown = frame.trans;
  picked.fromShown.Invert();
  return picked;
}

// Takes the picked element out of its cell and its index. A text item stays allocated when
// keepText is set (it is moved, not deleted).
void RemovePicked(Library& library, const PickedElement& picked, bool keepText) {
  Cell& cell = *picked.cell;
  library.NoteElementRemoved(cell, picked.entry->box);
  void* payload = picked.entry->payload;
  const bool isText = IsPointBox(picked.entry->box);
  cell.layers.find(picked.key)->second.index.Remove(picked.entry);
  if (!isText) {
    RemoveShapePosition(cell, picked.key, static_cast<ShapePosition*>(payload));
    return;
  }
  if (keepText) return;
  for (ListNode* node = cell.texts.Head(); node; node = node->next) {
    if (node->item == payload) {
      cell.texts.Erase(node);
      break;
    }
  }
  TextItemPool().Free(static_cast<TextItem*>(payload));
}

EditOutcome MoveText(Library& library, EditState& edit, const PickedElement& picked) {
  RingSet& selection = edit.selectionRing;
  selection.NormalizeOrientation();
  const Box bounds = selection.GetBoundingBox();
  Point at(bounds.x1, bounds.y2);
  picked.fromShown.ApplyToPoint(at);
  Cell& cell = *picked.cell;
  const Box before = cell.box;
  TextItem* text = static_cast<TextItem*>(picked.entry->payload);
  RemovePicked(library, picked, true);
  text->x = at.x;
  text->y = at.y;
  cell.box.Extend(at.x, at.y);
  // The text keeps its own layer, so it is indexed where a rebuilt index would put it.
  cell.GetLayer(text->key, cell.box).index.Insert(Box(at.x, at.y, at.x, at.y), text);
  library.NoteCellEdited(cell, before);
  EndSelection(edit, library);
  return Redraw();
}

// 2 * floor((lo + hi) / 2), without overflow.
int64_t FlipCentre(int32_t lo, int32_t hi) {
  const int64_t sum = int64_t(lo) + hi;
  return 2 * (sum >= 0 ? sum / 2 : -((1 - sum) / 2));
}

}  // namespace

std::optional<LayerKey> LayerOfRow(const Library& library, int row) {
  if (row < 0 || size_t(row) >= library.layerMap.size()) return std::nullopt;
  auto it = library.layerMap.begin();
  std::advance(it, row);
  return it->first;
}

EditOutcome CancelSelection(EditState& edit) {
  const bool had = edit.HasSelection();
  if (had) edit.Cancel();
  return EditOutcome{"Ready", had, ""};
}

EditOutcome InsertPolygon(ViewSession& session) {
  Library& library = *session.GetLibrary();
  EditState& edit = session.Edit();
  if (!edit.HasSelection()) return {};
  edit.FollowGeneration(library);
  if (!edit.SelectionClosed()) return Status(kNotConnectedStatus);
  const std::optional<PickedElement> picked = PickedOf(edit);
  if (picked && IsPointBox(picked->entry->box)) return MoveText(library, edit, *picked);

  Cell& cell = picked ? *picked->cell : *session.TopCell();
  LayerKey key = edit.editLayer;
  if (std::optional<LayerKey> row = LayerOfRow(library, session.SelectedLayerRow())) key = *row;
  RingSet& selection = edit.selectionRing;
  selection.RemoveCollinearVertices(0);
  if (selection.IsEmpty()) {
    EndSelection(edit, library);
    return EditOutcome{kNotConnectedStatus, true, ""};
  }
  // Checked before the picked element goes, so that a refused ring loses nothing.
  if (selection.CountRings() > kMaxPolygonVertices) {
    return Failure(Error(kTagDb, "Number of points exceeded limit"));
  }
  if ((key >> 8) == kPlacementLayer) return Failure(Error(kTagDb, "Wrong layer format"));
  if (picked) picked->fromShown.ApplyToPoints(selection);
  edit.editLayer = key;
  const Box before = cell.box;
  if (picked) RemovePicked(library, *picked, false);
  selection.NormalizeOrientation();
  AddEachRing(cell, selection, key);
  library.NoteCellEdited(cell, before);
  EndSelection(edit, library);
  return Redraw();
}

EditOutcome DeletePolygon(ViewSession& session) {
  Library& library = *session.GetLibrary();
  EditState& edit = session.Edit();
  if (!edit.HasSelection()) return {};
  edit.FollowGeneration(library);
  const std::optional<PickedElement> picked = PickedOf(edit);
  if (!picked) return {};
  const Box before = picked->cell->box;
  RemovePicked(library, *picked, false);
  library.NoteCellEdited(*picked->cell, before);
  EndSelection(edit, library);
  return Redraw();
}

EditOutcome PastePolygon(EditState& edit) {
  if (!edit.HasSelection()) return {};
  edit.selectionRing.Translate(100, -100);
  edit.pickWalk.Reset();
  edit.inspectionActive = false;
  edit.selectedInstance = SelectedInstance{};
  return Redraw();
}

// Merge, Subtract and Sizing read each ring under the non-zero rule, as the readers and the
// writers' polygon chopper fill it: every lobe of a ring that crosses or overlaps itself counts,
// whichever way it winds.
RingSet MergeRings(RingSet& rings) {
  RingSet result;
  rings.FilledRegion(result);
  result.Boolean(nullptr, kBooleanCutHoles, false);
  return result;
}

RingSet SubtractRectangle(RingSet& rings, const Box& area) {
  RingSet filled;
  rings.FilledRegion(filled);
  filled.AddRectangle(area, true);
  RingSet result;
  filled.Boolean(&result, kBooleanSubtract, false);
  result.Boolean(nullptr, kBooleanCutHoles, false);
  return result;
}

std::optional<int32_t> ParseSizingAmount(const std::string& answer, double unitsPerNm) {
  size_t at = 0;
  while (at < answer.size() && (answer[at] == ' ' || answer[at] == '\t')) ++at;
  if (at == answer.size()) return std::nullopt;
  bool negative = false;
  if (answer[at] == '-' || answer[at] == '+') negative = answer[at++] == '-';
  double nanometres = 0;
  while (at < answer.size() && std::isdigit(static_cast<unsigned char>(answer[at]))) {
    nanometres = nanometres * 10 + (answer[at++] - '0');
  }
  return RoundToInt((negative ? -nanometres : nanometres) * unitsPerNm);
}

EditOutcome SizingPolygon(ViewSession& session) {
  EditState& edit = session.Edit();
  if (!edit.HasSelection()) return {};
  if (!edit.SelectionClosed()) return Status(kNotConnectedStatus);
  const std::optional<int32_t> amount = ParseSizingAmount(
      session.Prompts().AskText("Input sizing amount in nm", "Sizing", ""), session.GetLibrary()->unitsPerNm);
  if (!amount) return {};
  try {
    RingSet result = SizedOutline(edit.selectionRing, *amount);
    edit.pickKind = PickKind::kNone;
    edit.pickedVertex = nullptr;
    edit.selectionRing = std::move(result);
  } catch (const Error& error) {
    return Failure(error);
  }
  return Redraw();
}

EditOutcome FlipXPolygon(EditState& edit) {
  if (!edit.HasSelection()) return {};
  const Box bounds = edit.selectionRing.GetBoundingBox();
  const int64_t c = FlipCentre(bounds.x1, bounds.x2);
  for (RingVertex* v = edit.selectionRing.Head(); v; v = v->next) v->x = WrapToInt32(c - v->x);
  return Redraw();
}

EditOutcome FlipYPolygon(EditState& edit) {
  if (!edit.HasSelection()) return {};
  const Box bounds = edit.selectionRing.GetBoundingBox();
  const int64_t c = FlipCentre(bounds.y1, bounds.y2);
  for (RingVertex* v = edit.selectionRing.Head(); v; v = v->next) v->y = WrapToInt32(c - v->y);
  return Redraw();
}

EditOutcome Rotate90Polygon(EditState& edit) {
  if (!edit.HasSelection()) return {};
  const int32_t hx = edit.selectionRing.Head()->x;
  const int32_t hy = edit.selectionRing.Head()->y;
  const Trans quarterTurn(0, 0, 1.0f, 1);
  for (RingVertex* v = edit.selectionRing.Head(); v; v = v->next) {
    int32_t x = WrapToInt32(int64_t(v->x) - hx);
    int32_t y = WrapToInt32(int64_t(v->y) - hy);
    quarterTurn.ApplyToPoint(x, y);
    v->x = WrapToInt32(int64_t(x) + hx);
    v->y = WrapToInt32(int64_t(y) + hy);
  }
  return Redraw();
}

EditOutcome SnapPolygon(EditState& edit, int32_t snapGrid) {
  // A grid of 1 changes nothing, and 0 would divide by zero.
  if (!edit.HasSelection() || snapGrid < 2) return {};
  edit.selectionRing.SnapToGrid(snapGrid);
  return Redraw();
}

EditOutcome MergePolygons(ViewSession& session) {
  Library& library = *session.GetLibrary();
  const Box& lastZoomedArea = session.LastZoomedArea();
  const std::optional<LayerKey> key = LayerOfRow(library, session.SelectedLayerRow());
  if (!key) return Status(kNoMergeLayerStatus);
  Cell& cell = *session.TopCell();
  auto list = cell.shapes.find(*key);
  if (list == cell.shapes.end()) return Status(kLayerMissingStatus);
  const bool inArea = !lastZoomedArea.IsEmpty() && cell.layers.count(*key) != 0;
  RingSet source;
  std::vector<SpatialNode*> taken;
  if (inArea) {
    taken = CollectShapesInArea(cell, *key, lastZoomedArea, source, false);
  } else {
    list->second.ToRings(source);
  }
  RingSet result;
  try {
    result = MergeRings(source);
  } catch (const Error& error) {
    return Failure(error);
  }
  const Box before = cell.box;
  if (!source.IsEmpty()) library.NoteElementRemoved(cell, source.GetBoundingBox());
  if (inArea) {
    RemoveShapes(cell, *key, taken);
    AddEachRing(cell, result, *key);
  } else {
    RemoveLayerShapes(cell, *key);
    if (!result.IsEmpty()) cell.AddRingSet(result, *key, true);
  }
  // The pick path may stand on a shape that went: the generation drops it.
  library.NoteCellEdited(cell, before);
  return Redraw();
}

EditOutcome SubtractPolygons(ViewSession& session) {
  Library& library = *session.GetLibrary();
  EditState& edit = session.Edit();
  if (edit.HasSelection() && !edit.SelectionClosed()) return Status(kNotConnectedStatus);
  edit.FollowGeneration(library);
  if (edit.selectionRing.VertexCount() != 4 || edit.HasPickPath() || !edit.selectionRing.IsManhattan()) {
    return Status(kNoRectangleStatus);
  }
  const LayerKey key = edit.editLayer;
  Cell& cell = *session.TopCell();
  if (cell.shapes.find(key) == cell.shapes.end()) return Status(kLayerMissingStatus);
  const Box area = edit.selectionRing.GetBoundingBox();
  library.NoteElementRemoved(cell, area);
  EndSelection(edit, library);
  const Box before = cell.box;

  auto layer = cell.layers.find(key);
  bool whole = area.Contains(cell.box) || (layer != cell.layers.end() && area.Contains(layer->second.index.Extent()));
  if (!whole && layer == cell.layers.end()) {
    cell.RebuildSpatialIndex();
    layer = cell.layers.find(key);
    whole = layer != cell.layers.end() && area.Contains(layer->second.index.Extent());
  }
  if (whole) {
    RemoveLayerShapes(cell, key);
  } else {
    RingSet source;
    const std::vector<SpatialNode*> taken = CollectShapesInArea(cell, key, area, source, false);
    RingSet result;
    try {
      result = SubtractRectangle(source, area);
    } catch (const Error& error) {
      return Failure(error);
    }
    RemoveShapes(cell, key, taken);
    AddEachRing(cell, result, key);
  }
  library.NoteCellEdited(cell, before);
  edit.SeeGeneration(library);
  return Redraw();
}
