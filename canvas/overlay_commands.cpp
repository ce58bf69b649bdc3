// The commands that lay external data over the view: text polygons and criticality maps.
#include <fstream>

#include "canvas/canvas_host.h"
#include "canvas/view/canvas_prompts.h"
#include "canvas/view/overlay_layers.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"

bool MyCanvas::ReadTextPolygons(const std::string& path) {
  if (!library_) return false;
  BusyCursor busy(host_);
  try {
    return LoadTextPolygons(path, *library_, topCell, overlayData, Prompts());
  } catch (const Error& e) {
    Prompts().ShowMessage(ErrorLine(e), "Help");
    return false;
  }
}

bool MyCanvas::RemoveTextPolygons() {
  return library_ && ::RemoveTextPolygons(*library_, overlayData);
}

bool MyCanvas::ReadCriticality(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Prompts().ShowMessage("The file can not be open", "Help");
    return false;
  }
  BusyCursor busy(host_);
  ::ReadCriticality(in, overlayData.criticality);
  return true;
}

bool MyCanvas::RemoveCriticality() {
  if (overlayData.criticality.criticalityBoxes.empty()) return false;
  ResetCriticality(overlayData.criticality);
  return true;
}
