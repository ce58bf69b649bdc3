#include "canvas/view/edit_state.h"

#include "db/library.h"

bool EditState::SelectionClosed() const {
  if (selectionRing.IsEmpty()) return false;
  for (const RingVertex* v = selectionRing.Head(); v; v = v->next) {
    if (!v->ringNext || !v->ringPrev) return false;
  }
  return true;
}

void EditState::ClearSelection() {
  selectionRing.Clear();
  pickKind = PickKind::kNone;
  pickedVertex = nullptr;
  selectedInstance = SelectedInstance{};
  drawingPolygon = false;
  movingSelection = false;
}

void EditState::Cancel() {
  ClearSelection();
  pickWalk.Reset();
  inspectionActive = false;
}

bool EditState::FollowGeneration(const Library& library) {
  if (library.editGeneration == seenGeneration) return false;
  seenGeneration = library.editGeneration;
  bool dropped = HasPickPath() || inspectionActive || bool(selectedInstance);
  pickWalk.Reset();
  inspectionActive = false;
  selectedInstance = SelectedInstance{};
  return dropped;
}

void EditState::SeeGeneration(const Library& library) { seenGeneration = library.editGeneration; }

void EditState::RemoveRulers() {
  removedRulers = std::move(rulers);
  rulers.clear();
}

bool EditState::RecoverRulers() {
  if (removedRulers.empty()) return false;
  rulers.insert(rulers.end(), removedRulers.begin(), removedRulers.end());
  removedRulers.clear();
  return true;
}
