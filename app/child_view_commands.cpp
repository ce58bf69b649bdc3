// The child window's view commands that touch its menus, its panes or the main frame: the
// display flags with their check marks, Redraw, Change Color and the window commands without
// menu items.
#include <wx/menu.h>

#include "app/core/command_ids.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/prompts.h"
#include "canvas/my_canvas.h"
#include "canvas/view/view_session.h"

namespace {

// GTK shows the child windows as the tabs of a notebook, which places and sizes them; there
// the commands that move or resize a child window leave it alone.
#ifdef __WXGTK__
constexpr bool kTabbedChildren = true;
#else
constexpr bool kTabbedChildren = false;
#endif

// The display flag that a toggle command flips.
uint8_t& DisplayFlag(DisplaySettings& settings, int id) {
  switch (id) {
    case kCmdShowOutlines: return settings.showOutlines;
    case kCmdShowGrids: return settings.showGrids;
    case kCmdShowNames: return settings.showNames;
    case kCmdShowTexts: return settings.showTexts;
    case kCmdOrderedDraw: return settings.orderedDraw;
    default: return settings.accurateDraw;
  }
}

}  // namespace

void MyChild::OnToggle(int id) {
  DisplaySettings settings = Session().Settings();
  uint8_t& flag = DisplayFlag(settings, id);
  flag = flag ? 0 : 1;
  // A key binding or the toolbar reaches here without the menu, so the check mark follows
  // the flag rather than the other way round.
  if (wxMenuBar* bar = GetMenuBar()) bar->Check(id, flag != 0);
  Session().ApplySettings(settings);
}

void MyChild::OnRedraw(int) {
  // The canvas is resized from the size of the last layout to its present size: nothing
  // changes unless the window was resized by less than the relayout threshold since.
  const wxSize frameSize = GetClientSize();
  const wxSize canvasSize = canvas->GetClientSize();
  Session().ResizeView(lastWidth - frameSize.x + canvasSize.x, lastHeight - frameSize.y + canvasSize.y, canvasSize.x,
                       canvasSize.y);
  lastWidth = frameSize.x;
  lastHeight = frameSize.y;
}

void MyChild::OnChangeColor(int) {
  wxArrayString items;
  items.Add("Background");
  items.Add("Instance Highlight");
  items.Add("Geometry Highlight");
  const int item = ThePrompts().ChooseItem(this, "Select item to change color", "Change Color", items);
  if (item < 0) return;
  const auto chosen = static_cast<ViewColourItem>(item);
  wxColour colour = frame_->ViewColour(chosen);
  if (!ThePrompts().ChooseColour(this, colour)) return;
  // The colours belong to the main frame, which gives them to every view.
  frame_->SetViewColour(chosen, colour);
}

void MyChild::OnWindowCommand(int id) {
  switch (id) {
    case kCmdIconize: Iconize(true); break;
    case kCmdMoveToCorner:
      if (!kTabbedChildren) Move(10, 10);
      break;
    default:
      if (!kTabbedChildren) SetClientSize(100, 100);
      break;
  }
}
