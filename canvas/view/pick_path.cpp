#include "canvas/view/pick_path.h"

#include "canvas/view/canvas_prompts.h"
#include "db/spatial_index.h"

namespace {

// The placement through which frame i (i >= 1) of the walk was entered: the entry of the
// frame above it.
const SRef* PlacementInto(const std::vector<HierarchyFrame>& frames, size_t i) {
  const SpatialNode* entry = frames[i - 1].cursor.entry;
  return entry ? static_cast<const SRef*>(entry->payload) : nullptr;
}

}  // namespace

std::vector<std::string> HierarchyPathItems(const EditState& edit) {
  std::vector<std::string> items;
  if (!edit.HasSelection()) return items;
  const std::vector<HierarchyFrame>& frames = edit.pickWalk.Frames();
  for (size_t i = 1; i < frames.size(); ++i) {
    const SRef* ref = PlacementInto(frames, i);
    if (!ref) continue;
    std::string item = frames[i].cell->Name();
    if (ref->IsArray()) {
      const ARef& array = static_cast<const ARef&>(*ref);
      item += " (" + std::to_string(array.columns) + "x" + std::to_string(array.rows) + ")";
    }
    items.push_back(item);
  }
  return items;
}

SelectedInstance HierarchyPathInstance(const EditState& edit, int index) {
  SelectedInstance chosen;
  if (!edit.HasSelection() || index < 0) return chosen;
  const std::vector<HierarchyFrame>& frames = edit.pickWalk.Frames();
  int position = 0;
  for (size_t i = 1; i < frames.size(); ++i) {
    const SRef* ref = PlacementInto(frames, i);
    if (!ref) continue;
    if (position++ != index) continue;
    chosen.ref = ref;
    chosen.holder = frames[i - 1].cell;
    chosen.holderId = frames[i - 1].cellId;
    chosen.holderToShown = frames[i - 1].trans;
    break;
  }
  return chosen;
}

SelectedInstance ChooseHierarchyPathInstance(const EditState& edit, CanvasPrompts& prompts) {
  std::vector<std::string> items = HierarchyPathItems(edit);
  if (items.empty()) return SelectedInstance{};
  int index = prompts.AskChoice("Select cell to highlight instance", "Hierarchy Path", items);
  return HierarchyPathInstance(edit, index);
}
