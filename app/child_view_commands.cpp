// The child window's view commands with logic of their own: depth and cell-size limit, the
// database unit, inspection, Go to, rulers, the drawing modes, Clear Memory and the window
// commands without menu items.
#include <wx/menu.h>
#include <wx/msgdlg.h>

#include "app/core/command_ids.h"
#include "app/core/view_commands.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/prompts.h"
#include "canvas/my_canvas.h"
#include "db/error.h"
#include "db/library.h"

namespace {

// GTK shows the child windows as the tabs of a notebook, which places and sizes them; there
// the commands that move or resize a child window leave it alone.
#ifdef __WXGTK__
constexpr bool kTabbedChildren = true;
#else
constexpr bool kTabbedChildren = false;
#endif

}  // namespace

void MyChild::BindViewCommands() {
  Bind(wxEVT_MENU, &MyChild::OnChangeDepth, this, kCmdChangeDepth);
  Bind(wxEVT_MENU, &MyChild::OnChangeCellSize, this, kCmdChangeCellSize);
  Bind(wxEVT_MENU, &MyChild::OnShowDbUnit, this, kCmdShowDbUnit);
  for (int id : {kCmdInspectLayer, kCmdInspectNext}) Bind(wxEVT_MENU, &MyChild::OnInspect, this, id);
  Bind(wxEVT_MENU, &MyChild::OnGoTo, this, kCmdGoTo);
  for (int id : {kCmdRemoveRulers, kCmdRecoverRulers}) Bind(wxEVT_MENU, &MyChild::OnRulers, this, id);
  for (int id : {kCmdOrderedDraw, kCmdAccurateDraw}) Bind(wxEVT_MENU, &MyChild::OnDrawMode, this, id);
  Bind(wxEVT_MENU, &MyChild::OnClearMemory, this, kCmdClearMemory);
  for (int id : {kCmdIconize, kCmdMoveToCorner, kCmdShrinkClient}) {
    Bind(wxEVT_MENU, &MyChild::OnWindowCommand, this, id);
  }
}

void MyChild::OnChangeDepth(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  const int32_t maxDepth = MaxDisplayDepth(canvas->GetLibrary()->depth);
  DisplaySettings settings = canvas->Settings();
  const std::optional<long> answer =
      ThePrompts().AskNumber(DepthQuestion(maxDepth), "Display Depth", settings.depth, 0, maxDepth);
  const std::optional<int32_t> depth = ChangedNumber(answer, settings.depth, maxDepth);
  if (!depth) return;
  settings.depth = *depth;
  canvas->ApplySettings(settings);
}

void MyChild::OnChangeCellSize(wxCommandEvent&) {
  if (!canvas) return;
  DisplaySettings settings = canvas->Settings();
  const std::optional<long> answer = ThePrompts().AskNumber("Input maximum cell box display pixel size [0..1000]",
                                                            "Cell Size", settings.cellSizeLimit, 0, kMaxCellSizeLimit);
  const std::optional<int32_t> limit = ChangedNumber(answer, settings.cellSizeLimit, kMaxCellSizeLimit);
  if (!limit) return;
  settings.cellSizeLimit = *limit;
  canvas->ApplySettings(settings);
}

void MyChild::OnShowDbUnit(wxCommandEvent&) {
  if (!canvas || !canvas->GetLibrary()) return;
  ThePrompts().MessageBox(this, wxString::FromUTF8(DbUnitText(canvas->GetLibrary()->unitsPerNm)),
                          wxMessageBoxCaptionStr, wxOK | wxCENTRE);
}

void MyChild::OnInspect(wxCommandEvent& event) {
  if (!canvas) return;
  try {
    if (event.GetId() == kCmdInspectLayer) {
      canvas->InspectLayer();
    } else {
      canvas->InspectNext();
    }
  } catch (const Error& error) {
    frame_->ReportError(error.Tag(), error.Message());
  }
}

void MyChild::OnGoTo(wxCommandEvent&) {
  if (!canvas) return;
  const wxString answer = ThePrompts().GetText("Enter 2 numbers (x y) by um", "Go To", "");
  if (const std::optional<GoToPoint> point = ParseGoTo(std::string(answer.utf8_str()))) {
    canvas->ZoomToBox(point->x, point->y, 2);
  }
}

void MyChild::OnRulers(wxCommandEvent& event) {
  if (!canvas) return;
  if (event.GetId() == kCmdRemoveRulers) {
    canvas->RemoveRulers();
  } else {
    canvas->RecoverRulers();
  }
}

void MyChild::OnDrawMode(wxCommandEvent& event) {
  if (!canvas) return;
  DisplaySettings settings = canvas->Settings();
  uint8_t& flag = event.GetId() == kCmdOrderedDraw ? settings.orderedDraw : settings.accurateDraw;
  flag = flag ? 0 : 1;
  // A key binding reaches here without the menu, so the check mark follows the flag.
  if (wxMenuBar* bar = GetMenuBar()) bar->Check(event.GetId(), flag != 0);
  canvas->ApplySettings(settings);
}

void MyChild::OnClearMemory(wxCommandEvent&) {
  if (canvas) canvas->ClearLibraryMemory();
}

void MyChild::OnWindowCommand(wxCommandEvent& event) {
  switch (event.GetId()) {
    case kCmdIconize:
      Iconize(true);
      break;
    case kCmdMoveToCorner:
      if (!kTabbedChildren) Move(10, 10);
      break;
    default:
      if (!kTabbedChildren) SetClientSize(100, 100);
      break;
  }
}
