#include "canvas/view/pick_path.h"
#include "canvas/my_canvas.h"

SelectedInstance MyCanvas::ShowHierarchyPath() {
  if (library_) edit.FollowGeneration(*library_);
  return ChooseHierarchyPathInstance(edit, Prompts());
}
