// Reads arbitrary bytes as a text polygon file into a one-cell library, the first byte choosing
// the answer to "Save into" (a layer, or the overlay). An overlay takes a key that no layer had
// and removing it gives back the layer table as it was; saved into a layer, the cell's box
// covers the rings it took.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/overlay_layers.h"
#include "db/db_polygon.h"
#include "db/log.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

class ChoosingPrompts : public UnansweredPrompts {
 public:
  explicit ChoosingPrompts(int choice) : choice_(choice) {}
  int AskChoice(const std::string&, const std::string&, const std::vector<std::string>& items) override {
    return choice_ < int(items.size()) ? choice_ : -1;
  }

 private:
  int choice_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzzscratch::ScratchDir dir("text_polygon_overlay");
  const std::string path = dir.File("in.poly");
  if (!fuzzscratch::WriteFile(path, data + 1, size - 1, false)) return 0;
  std::ostringstream log;
  SetLogStream(&log);
  Library library(dir.File("lib"), false);
  Cell& top = *library.GetCell(library.CreateCell("TOP"));
  top.loaded = true;
  top.box = Box(0, 0, 10, 10);
  for (LayerKey key : {MakeLayerKey(1, 0), MakeLayerKey(512, 1), MakeLayerKey(700, 255), MakeLayerKey(700, 0)}) {
    library.layerMap[key].key = key;
  }
  const std::map<LayerKey, LayerInfo> before = library.layerMap;
  ChoosingPrompts prompts(data[0] < 4 ? data[0] : -1);
  OverlayData overlay;
  if (!LoadTextPolygons(path, library, &top, overlay, prompts)) std::abort();
  if (overlay.HasPolygons()) {
    if (overlay.addedKeys.size() != 1 || before.count(overlay.addedKeys[0])) std::abort();
    if (!RemoveTextPolygons(library, overlay) || RemoveTextPolygons(library, overlay)) std::abort();
  }
  if (library.layerMap.size() != before.size()) std::abort();
  for (const auto& entry : top.shapes) {
    for (ShapeGroup* group = entry.second.Head(); group; group = group->next) {
      Box shape;
      group->record->GetBox(shape);
      for (ShapePosition* p = group->firstPosition; p; p = p->next) {
        if (!top.box.Contains(Box(shape.x1 + p->x, shape.y1 + p->y, shape.x2 + p->x, shape.y2 + p->y))) std::abort();
      }
    }
  }
  SetLogStream(nullptr);
  return 0;
}
