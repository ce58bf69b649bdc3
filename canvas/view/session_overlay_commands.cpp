// The commands that lay external data over a view: text polygons and criticality maps.
#include <fstream>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/document.h"
#include "canvas/view/overlay_layers.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"

void ViewSession::PolyIn() {
  const std::string path =
      Prompts().AskFileToOpen("Open a text polygon file", "Poly Files(*.poly)|*.poly|All files(*.*)|*.*");
  if (!path.empty()) ReadTextPolygons(path);
}

bool ViewSession::ReadTextPolygons(const std::string& path) {
  if (!document_) return false;
  const uint64_t before = EditGeneration();
  bool read = false;
  {
    BusyCursor busy(host_);
    try {
      read = LoadTextPolygons(path, *GetLibrary(), topCell_, overlays_, Prompts());
    } catch (const Error& e) {
      Prompts().ShowMessage(ErrorLine(e), "Help");
      return false;
    }
  }
  // Saved into a layer, the polygons changed the shown cell; as the overlay, they added a layer
  // that every list on the library shows.
  if (read) document_->Edited(EditGeneration() != before ? kLayersChanged | kContentsChanged : kLayersChanged);
  return read;
}

void ViewSession::RemoveTextPolygons() {
  if (document_ && ::RemoveTextPolygons(*GetLibrary(), overlays_)) document_->Edited(kLayersChanged);
}

void ViewSession::CriticalityIn() {
  const std::string path =
      Prompts().AskFileToOpen("Open Criticality file", "Text Files(*.txt)|*.txt|All files(*.*)|*.*");
  if (!path.empty()) ReadCriticality(path);
}

bool ViewSession::ReadCriticality(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Prompts().ShowMessage("The file can not be open", "Help");
    return false;
  }
  {
    BusyCursor busy(host_);
    ::ReadCriticality(in, overlays_.criticality);
  }
  // The map's row is this view's own.
  if (host_) host_->RefreshLayerList();
  RedrawView();
  return true;
}

void ViewSession::RemoveCriticality() {
  if (overlays_.criticality.criticalityBoxes.empty()) return;
  ResetCriticality(overlays_.criticality);
  if (host_) host_->RefreshLayerList();
  RedrawView();
}
