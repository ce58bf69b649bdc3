#include "canvas/view/opened_library.h"

#include "canvas/view/view_state.h"
#include "db/library.h"
#include "db/log.h"

std::string HoldsLibraryRefusal(const std::string& directory) {
  return "Directory " + directory + " already holds a library, use Load";
}

OpenedLibrary FinishLibraryOpen(Library& library) {
  for (auto& layer : library.layerMap) layer.second.colour = DefaultLayerColour(layer.first >> 8, layer.first & 0xff);
  OpenedLibrary opened;
  if (library.roots.empty()) {
    LogMessage("Empty library %s\n", library.directory.c_str());
  } else {
    opened.topCellId = int32_t(library.roots.front());
  }
  opened.depth = int32_t(library.depth) + 1;
  return opened;
}
