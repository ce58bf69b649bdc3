#include "app/my_child.h"

#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/scrolwin.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include <algorithm>

#include "app/app_context.h"
#include "app/core/child_logic.h"
#include "app/core/command_table.h"
#include "app/core/keybind.h"
#include "app/core/layer_rows.h"
#include "app/layer_lists.h"
#include "app/my_frame.h"
#include "app/my_tree_ctrl.h"
#include "app/prompts.h"
#include "canvas/my_canvas.h"
#include "canvas/view/document.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"

namespace {

// The named keys of the bindings, from the main and from the numeric keypad.
struct NamedKey {
  int key;
  int keypadKey;
  uint8_t code;
};
constexpr NamedKey kNamedKeys[] = {
    {WXK_HOME, WXK_NUMPAD_HOME, kKeyHome},       {WXK_INSERT, WXK_NUMPAD_INSERT, kKeyIns},
    {WXK_END, WXK_NUMPAD_END, kKeyEnd},          {WXK_UP, WXK_NUMPAD_UP, kKeyUp},
    {WXK_DOWN, WXK_NUMPAD_DOWN, kKeyDown},       {WXK_LEFT, WXK_NUMPAD_LEFT, kKeyLeft},
    {WXK_RIGHT, WXK_NUMPAD_RIGHT, kKeyRight},    {WXK_TAB, WXK_NUMPAD_TAB, kKeyTab},
    {WXK_PAGEUP, WXK_NUMPAD_PAGEUP, kKeyPageUp}, {WXK_PAGEDOWN, WXK_NUMPAD_PAGEDOWN, kKeyPageDown},
    {WXK_RETURN, WXK_NUMPAD_ENTER, kKeyEnter},   {WXK_ESCAPE, WXK_ESCAPE, kKeyEsc},
    {WXK_SPACE, WXK_NUMPAD_SPACE, kKeySpace},    {WXK_DELETE, WXK_NUMPAD_DELETE, kKeyDel},
};

// The key of a key event as bindings name it: a named key's code, or the character of any
// other key up to code 255; 0 for a key no binding can name.
int BindingKey(const wxKeyEvent& event) {
  const int pressed = event.GetKeyCode();
  for (const NamedKey& k : kNamedKeys) {
    if (k.key == pressed || k.keypadKey == pressed) return k.code;
  }
  const int character = pressed == WXK_NONE ? int(event.GetUnicodeKey()) : pressed;
  return character > kKeySpace && character <= 0xFF ? character : 0;
}

// The modifier of a key event as bindings name it; -1 for a combination of modifiers.
int BindingModifier(const wxKeyEvent& event) {
  switch (event.GetModifiers()) {
    case wxMOD_NONE: return 0;
    case wxMOD_CONTROL: return 1;
    case wxMOD_ALT: return 2;
    case wxMOD_SHIFT: return 3;
    default: return -1;
  }
}

}  // namespace

MyChild::MyChild(MyFrame* parent, const wxString& title)
    : wxMDIChildFrame(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, wxDEFAULT_FRAME_STYLE, "frame"),
      frame_(parent),
      session_(std::make_unique<ViewSession>()) {
  const wxSize client = GetClientSize();
  lastWidth = client.x;
  lastHeight = client.y;
  statusBar_ = new wxStatusBar(this, wxID_ANY, wxSTB_DEFAULT_STYLE, "status_line");
  statusBar_->SetFieldsCount(2);
  InitLayerPanel(client.y);
  const PaneLayout layout = LayoutPanes(client.x, client.y, treeWidth, layerPanelWidth, statusBar_->GetSize().y);
  canvas = new MyCanvas(this, *session_, wxPoint(layout.canvas.x, layout.canvas.y),
                        wxSize(layout.canvas.width, layout.canvas.height));
  canvas->SetHost(this);
  tree = new MyTreeCtrl(this, wxPoint(layout.tree.x, layout.tree.y), wxSize(200, layout.tree.height));
  tree->Hide();

  Bind(wxEVT_SIZE, &MyChild::OnSize, this);
  Bind(wxEVT_CLOSE_WINDOW, &MyChild::OnClose, this);
  Bind(wxEVT_CHAR_HOOK, &MyChild::OnCharHook, this);
  BindCommands();
}

MyChild::~MyChild() {
  canvas->SetHost(nullptr);
  canvas->Destroy();
  canvas = nullptr;
  if (frame_->Context().OpenChildCount() == 0) frame_->EnableChildTools(false);
}

void MyChild::BindCommands() {
  for (const std::vector<Command>* commands : {&CommandTable(), &UnlistedCommands()}) {
    for (const Command& command : *commands) {
      // The main frame's commands pass on to it; a sub-menu entry has nothing to run.
      if (!command.handler.session && !command.handler.child) continue;
      const CommandHandler handler = command.handler;
      const int id = command.id;
      Bind(
          wxEVT_MENU, [this, handler, id](wxCommandEvent&) { RunCommand(handler, id); }, id);
    }
  }
}

void MyChild::RunCommand(const CommandHandler& handler, int id) {
  try {
    if (handler.session) {
      (session_.get()->*handler.session)();
    } else {
      (this->*handler.child)(id);
    }
  } catch (const Error& error) {
    frame_->ReportError(error.Tag(), error.Message());
  }
}

void MyChild::InitLayerPanel(int height) {
  auto* panel = new wxScrolledWindow(this, wxID_ANY, wxDefaultPosition, wxSize(layerPanelWidth, height),
                                     wxHSCROLL | wxVSCROLL, "panel");
  layerPanel = panel;
  // The layer list leaves room for the panel's vertical scroll bar.
  const int listWidth = layerPanelWidth - styleListWidth - 15;
  styleList = new CSCtrl(this, panel, wxPoint(0, 0), wxSize(styleListWidth, height));
  layerList = new LayerCtrl(this, panel, wxPoint(styleListWidth, 0), wxSize(listWidth, height));
  // The panel widens to hold the list's headers whole at the toolkit's font.
  layerPanelWidth = std::max(layerPanelWidth, styleListWidth + layerList->HeadersWidth() + 15);
  panel->SetSize(layerPanelWidth, height);
  layerList->SetSize(layerPanelWidth - styleListWidth - 15, height);
}

bool MyChild::TryBefore(wxEvent& event) {
  if (event.GetEventType() == wxEVT_MENU) frame_->StartCommand();
  return wxMDIChildFrame::TryBefore(event);
}

void MyChild::RefreshLayerList() {
  const Library* library = session_->GetLibrary();
  if (!library) return;
  const std::map<LayerKey, LayerInfo>& layers = library->layerMap;
  styleList->Hide();
  layerList->Hide();
  styleList->DeleteAllItems();
  layerList->DeleteAllItems();
  DisplaySettings settings = session_->Settings();
  settings.layerFilter = LayerFilterNeeded(layers) ? 1 : 0;
  if (settings.layerFilter != session_->Settings().layerFilter) session_->ApplySettings(settings);
  long index = 0;
  for (const LayerRow& row : BuildRows(layers)) {
    layerList->InsertItem(index, wxString::FromUTF8(row.first));
    layerList->SetItem(index, 1, wxString::FromUTF8(row.second));
    layerList->SetItemData(index, index);
    styleList->InsertItem(index, wxString::FromUTF8(row.pattern));
    styleList->SetItemData(index, index);
    const ColourBytes bytes = BytesOfColourWord(row.rgb);
    const wxColour colour(bytes.red, bytes.green, bytes.blue);
    if (row.hidden) {
      styleList->SetItemTextColour(index, colour);
    } else {
      styleList->SetItemBackgroundColour(index, colour);
    }
    ++index;
  }
  const CriticalityData& criticality = session_->Overlays().criticality;
  if (!criticality.criticalityBoxes.empty()) {
    const LayerRow row = CriticalityRow(criticality.criticalityBrushStyle, criticality.criticalityShown);
    layerList->InsertItem(index, wxString::FromUTF8(row.first));
    layerList->SetItemData(index, index);
    styleList->InsertItem(index, wxString::FromUTF8(row.pattern));
    styleList->SetItemData(index, index);
    if (row.hidden) {
      styleList->SetItemTextColour(index, *wxRED);
    } else {
      styleList->SetItemBackgroundColour(index, *wxRED);
    }
  }
  styleList->Show();
  layerList->Show();
}

void MyChild::LayoutChildPanes() {
  const wxSize client = GetClientSize();
  const PaneLayout l = LayoutPanes(client.x, client.y, treeWidth, layerPanelWidth, statusBar_->GetSize().y);
  const wxSize oldCanvas = canvas->GetClientSize();
  canvas->SetSize(l.canvas.x, l.canvas.y, l.canvas.width, l.canvas.height);
  if (tree && tree->IsShown()) tree->SetSize(l.tree.x, l.tree.y, l.tree.width, l.tree.height);
  layerPanel->SetSize(l.panel.x, l.panel.y, l.panel.width, l.panel.height);
  styleList->SetSize(styleListWidth, l.panel.height);
  layerList->SetSize(layerPanelWidth - styleListWidth - 15, l.panel.height);
  statusBar_->SetSize(l.status.x, l.status.y, l.status.width, l.status.height);
  const wxSize newCanvas = canvas->GetClientSize();
  session_->ResizeView(oldCanvas.x, oldCanvas.y, newCanvas.x, newCanvas.y);
  lastWidth = client.x;
  lastHeight = client.y;
}

void MyChild::Redraw() { session_->RedrawView(); }

void MyChild::OnSize(wxSizeEvent& event) {
  event.Skip();
  const wxSize client = GetClientSize();
  if (!canvas || client.x <= 0 || client.y <= 0) return;
  if (!NeedsRelayout(lastWidth, lastHeight, client.x, client.y)) return;
  LayoutChildPanes();
  Redraw();
}

bool MyChild::ConfirmCloseLibrary() {
  // Another window on the library keeps its changes.
  const Document* document = session_->GetDocument();
  if (!document || !document->HasUnsavedChanges() || document->Sessions().size() > 1) return true;
  const wxString text = wxString::FromUTF8(document->UnsavedChangesQuestion());
  return ThePrompts().MessageBox(this, text, "Please confirm", wxYES_NO | wxICON_QUESTION) == wxYES;
}

void MyChild::OnClose(wxCloseEvent& event) {
  if (event.CanVeto() && !ConfirmCloseLibrary()) {
    event.Veto();
    return;
  }
  if (counted_) frame_->Context().CountChildClosed();
  counted_ = false;
  event.Skip();
}

void MyChild::CountAsOpen() {
  frame_->Context().CountChildOpened();
  counted_ = true;
}

void MyChild::OnCloseCommand(int) {
  if (ConfirmCloseLibrary()) Close(true);
}

void MyChild::OnCharHook(wxKeyEvent& event) {
  const int modifier = BindingModifier(event);
  const int key = BindingKey(event);
  const int id = modifier < 0 || key == 0 ? -1 : FindCommandForKey(frame_->KeyBindings(), modifier, key);
  wxMenuBar* bar = GetMenuBar();
  if (id < 0 || !bar || !bar->FindItem(id) || !bar->IsEnabled(id)) {
    event.Skip();
    return;
  }
  wxCommandEvent command(wxEVT_MENU, id);
  command.SetEventObject(this);
  GetEventHandler()->ProcessEvent(command);
}

void MyChild::SetChildStatus(int field, const std::string& text) {
  if (field >= 0 && field < 2) statusBar_->SetStatusText(wxString::FromUTF8(text), field);
}

void MyChild::SetMainStatus(const std::string& text) { frame_->SetStatusText(wxString::FromUTF8(text), 0); }

int MyChild::FirstSelectedLayerRow() const {
  return int(layerList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

void MyChild::SetBusy(bool busy) {
  if (busy) {
    wxBeginBusyCursor();
  } else {
    wxEndBusyCursor();
  }
}

CanvasPrompts& MyChild::Prompts() { return ThePrompts(); }
