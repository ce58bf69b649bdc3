#include "canvas/view/document.h"

#include <algorithm>
#include <set>

#include "canvas/view/cell_recalculation.h"
#include "canvas/view/clear_memory.h"
#include "canvas/view/library_save.h"
#include "canvas/view/overlay_layers.h"
#include "canvas/view/view_session.h"
#include "db/library.h"

Document::Document(std::shared_ptr<Library> library) : library_(std::move(library)) {}

Document::~Document() = default;

void Document::Attach(ViewSession& session) {
  if (std::find(sessions_.begin(), sessions_.end(), &session) == sessions_.end()) sessions_.push_back(&session);
}

void Document::Detach(ViewSession& session) {
  sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), &session), sessions_.end());
  // The layer rows of the session's text-polygon overlay would outlive it in every other list.
  if (RemoveTextPolygons(*library_, session.Overlays())) Edited(kLayersChanged);
}

void Document::Edited(uint32_t what) {
  if (what & kContentsChanged) {
    library_->MoveEditGeneration();
    images_.Clear();
  }
  // A session may leave while following (a window closing); the copy stays valid.
  const std::vector<ViewSession*> sessions = sessions_;
  for (ViewSession* session : sessions) session->FollowDocument(what);
}

bool Document::HasUnsavedChanges() const { return library_->HasUnsavedChanges(); }

std::string Document::UnsavedChangesQuestion() const {
  return "Library " + library_->directory + " has unsaved changes, close anyhow?";
}

int64_t Document::ClearMemory() {
  // Nothing may point into a cell's contents once they go: every view on the library drops its
  // selection, pick path, selected instance and what its gestures show first.
  std::set<uint32_t> shown;
  for (ViewSession* session : sessions_) {
    session->ClearSelection();
    if (session->TopCell()) shown.insert(uint32_t(session->TopCellId()));
  }
  const int64_t unloaded = ::ClearMemory(*library_, shown);
  Edited(kContentsChanged);
  return unloaded;
}

OptimizeResult Document::Optimize() {
  // Tiling releases the contents of large cells: no view may keep a selection, pick path or
  // selected instance that points into them.
  for (ViewSession* session : sessions_) session->ClearSelection();
  const OptimizeResult result = OptimizeLibrary(*library_);
  // Large cells lost their shapes to the tiles: every view draws anew.
  if (result.tiles > 0) Edited(kContentsChanged);
  return result;
}

bool Document::Recalculate() {
  if (!RecalculateCells(*library_)) return false;
  Edited(kContentsChanged);
  return true;
}

void Document::Save() {
  Recalculate();
  SaveLibraryChanges(*library_);
}
