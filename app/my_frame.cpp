#include "app/my_frame.h"

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>

#include "app/app_context.h"
#include "app/core/child_logic.h"
#include "app/core/command_table.h"
#include "app/core/keybind.h"
#include "app/exit_now.h"
#include "app/korvane.h"
#include "app/my_child.h"
#include "app/prompts.h"
#include "canvas/rgb_colour.h"
#include "canvas/view/document.h"
#include "canvas/view/opened_library.h"
#include "canvas/view/view_session.h"
#include "db/error.h"
#include "db/library.h"
#include "db/log.h"
#include "resources/extract.xpm"
#include "resources/help.xpm"
#include "resources/load_layout.xpm"
#include "resources/load_library.xpm"
#include "resources/new_library.xpm"
#include "resources/print.xpm"
#include "resources/save.xpm"
#include "resources/view_all.xpm"
#include "resources/zoom_in.xpm"
#include "resources/zoom_out.xpm"

namespace {

// The tools that act on the active child, in toolbar order.
constexpr int kChildTools[] = {kCmdSave, kCmdExtract, kCmdZoomIn4X, kCmdZoomOut4X, kCmdZoomOut, kCmdPrint};

std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

// The directory above path, through the platform's path rules.
wxString ParentDirectory(const wxString& path) {
  wxFileName name = wxFileName::DirName(path);
  name.RemoveLastDir();
  return name.GetPath();
}

}  // namespace

MyFrame::MyFrame(AppContext& context, const wxString& title, const wxPoint& pos, const wxSize& size)
    : wxMDIParentFrame(nullptr, wxID_ANY, title, pos, size, wxDEFAULT_FRAME_STYLE, "frame"), context_(context) {
  CreateToolBar(wxNO_BORDER | wxTB_FLAT | wxTB_HORIZONTAL, wxID_ANY, "toolbar");
  InitKeyBindings();
  InitToolBar(GetToolBar());
  DragAcceptFiles(true);
  GetClientWindow()->DragAcceptFiles(true);

  Bind(wxEVT_MENU, &MyFrame::OnAbout, this, kCmdAbout);
  Bind(wxEVT_MENU, &MyFrame::OnWorkingDir, this, kCmdWorkingDir);
  Bind(wxEVT_MENU, &MyFrame::OnLoadLibrary, this, kCmdLoadLibrary);
  Bind(wxEVT_MENU, &MyFrame::OnSelectInputType, this, kCmdSelectInputType);
  Bind(wxEVT_MENU, &MyFrame::OnLoadGDS, this, kCmdGdsIn);
  Bind(wxEVT_MENU, &MyFrame::OnLoadOASIS, this, kCmdOasisIn);
  Bind(wxEVT_MENU, &MyFrame::OnQuit, this, kCmdExit);
  Bind(wxEVT_MENU, &MyFrame::OnNewLibrary, this, kCmdNewLibrary);
  for (int id : kChildTools) Bind(wxEVT_MENU, &MyFrame::OnForward, this, id);
  Bind(wxEVT_DROP_FILES, &MyFrame::OnDropFiles, this);
  GetClientWindow()->Bind(wxEVT_DROP_FILES, &MyFrame::OnDropFiles, this);
  Bind(wxEVT_SIZE, &MyFrame::OnSize, this);
  Bind(wxEVT_CLOSE_WINDOW, &MyFrame::OnCloseWindow, this);
}

void MyFrame::InitKeyBindings() { keyBindings = DefaultKeyBindings(); }

const wxColour& MyFrame::ViewColour(ViewColourItem item) const {
  switch (item) {
    case ViewColourItem::kBackground: return backgroundColour;
    case ViewColourItem::kInstanceHighlight: return instanceHighlightColour;
    case ViewColourItem::kGeometryHighlight: break;
  }
  return geometryHighlightColour;
}

void MyFrame::SetViewColour(ViewColourItem item, const wxColour& colour) {
  switch (item) {
    case ViewColourItem::kBackground: backgroundColour = colour; break;
    case ViewColourItem::kInstanceHighlight: instanceHighlightColour = colour; break;
    case ViewColourItem::kGeometryHighlight: geometryHighlightColour = colour; break;
  }
  for (const std::shared_ptr<Document>& document : OpenDocuments()) {
    for (ViewSession* session : document->Sessions()) ApplyViewColours(*session);
  }
}

void MyFrame::ApplyViewColours(ViewSession& session) const {
  session.SetFrameColours(ToRgb(backgroundColour), ToRgb(instanceHighlightColour), ToRgb(geometryHighlightColour));
}

std::vector<std::shared_ptr<Document>> MyFrame::OpenDocuments() const {
  std::vector<std::shared_ptr<Document>> open;
  for (const std::weak_ptr<Document>& entry : documents_) {
    if (std::shared_ptr<Document> document = entry.lock()) open.push_back(std::move(document));
  }
  return open;
}

void MyFrame::InitToolBar(wxToolBar* toolBar) {
  toolBar->AddTool(kCmdNewLibrary, "", wxBitmap(new_library_xpm), "New Library");
  toolBar->AddTool(kCmdLoadLibrary, "", wxBitmap(load_library_xpm), "Load library");
  toolBar->AddTool(kCmdSelectInputType, "", wxBitmap(load_layout_xpm), "Load GDS/OASIS");
  toolBar->AddTool(kCmdSave, "", wxBitmap(save_xpm), "Save DB changes");
  toolBar->AddTool(kCmdExtract, "", wxBitmap(extract_xpm), "Extract to GDS/OASIS/Text");
  toolBar->AddSeparator();
  toolBar->AddTool(kCmdZoomIn4X, "", wxBitmap(zoom_in_xpm), "Zoom in 4X");
  toolBar->AddTool(kCmdZoomOut4X, "", wxBitmap(zoom_out_xpm), "Zoom out 4X");
  toolBar->AddTool(kCmdZoomOut, "", wxBitmap(view_all_xpm), "View All");
  toolBar->AddSeparator();
  toolBar->AddTool(kCmdPrint, "", wxBitmap(print_xpm), "Print");
  toolBar->AddSeparator();
  toolBar->AddTool(kCmdAbout, "", wxBitmap(help_xpm), "Help");
  for (int id : kChildTools) toolBar->EnableTool(id, false);
  toolBar->Realize();
}

void MyFrame::EnableChildTools(bool enable) {
  for (int id : kChildTools) GetToolBar()->EnableTool(id, enable);
}

void MyFrame::ReportError(const std::string& tag, const std::string& message) {
  const std::string line = ErrorLine(tag.c_str(), message);
  LogMessage("%s", line.c_str());
  SetStatusText(wxString::FromUTF8(line.substr(0, line.size() - 1)), 0);
}

void MyFrame::StartCommand() {
  if (GetStatusBar() && GetStatusBar()->GetStatusText(0).StartsWith("ERROR:")) SetStatusText("Ready", 0);
}

bool MyFrame::TryBefore(wxEvent& event) {
  if (event.GetEventType() == wxEVT_MENU) StartCommand();
  return wxMDIParentFrame::TryBefore(event);
}

void MyFrame::OnWorkingDir(wxCommandEvent&) {
  const wxString dir = ThePrompts().ChooseDirectory(this, "Provide working directory for libraries", wxGetCwd());
  if (!dir.empty()) wxSetWorkingDirectory(dir);
}

void MyFrame::OnNewLibrary(wxCommandEvent&) {
  const wxString dir = ThePrompts().ChooseDirectory(this, "New library dir name", wxGetCwd());
  if (!dir.empty()) OpenLibrary(dir, true);
}

void MyFrame::OnLoadLibrary(wxCommandEvent&) {
  const wxString dir = ThePrompts().ChooseDirectory(this, "Provide library directory name", wxGetCwd());
  if (!dir.empty()) OpenLibrary(dir, false);
}

void MyFrame::OpenLibrary(const wxString& path, bool isNew) {
  wxSetWorkingDirectory(ParentDirectory(path));
  if (isNew) LogMessage("Library %s is opened\n", ToUtf8(path).c_str());
  // A library is loaded only once its window opened; a failed Load has logged its error.
  if (CreateLibraryChild(path, isNew) && !isNew) LogMessage("Library %s is loaded\n", ToUtf8(path).c_str());
}

void MyFrame::OnSelectInputType(wxCommandEvent& event) {
  const int selection = ThePrompts().ChooseInputType(this);
  if (selection == 0) {
    OnLoadGDS(event);
  } else if (selection > 0) {
    OnLoadOASIS(event);
  }
}

void MyFrame::OnLoadGDS(wxCommandEvent&) {
  ImportLayoutFile("Open a GDS file", "GDS Files(*.gds)|*.gds|GDS gzip(*.gds.gz)|*.gds.gz|All files(*.*)|*.*", false);
}

void MyFrame::OnLoadOASIS(wxCommandEvent&) {
  ImportLayoutFile("Open a OASIS file", "OASIS Files(*.oas)|*.oas|All files(*.*)|*.*", true);
}

void MyFrame::ImportLayoutFile(const wxString& title, const wxString& wildcard, bool oasis) {
  const wxString file = ThePrompts().ChooseFileToOpen(this, title, wildcard);
  if (file.empty()) return;
  const wxString dir = ChooseImportDirectory(file);
  if (dir.empty()) return;
  if (oasis) {
    CreateOASISChild(file, dir);
  } else {
    CreateGDSChild(file, dir);
  }
}

bool MyFrame::RefusesLibraryDirectory(const wxString& directory) {
  if (!Library::DirectoryHoldsLibrary(ToUtf8(directory))) return false;
  ThePrompts().MessageBox(this, wxString::FromUTF8(HoldsLibraryRefusal(ToUtf8(directory))), "Wrong Usage", wxOK);
  return true;
}

wxString MyFrame::ChooseImportDirectory(const wxString& file) {
  wxString dir = wxString::FromUTF8(AutoLibraryDir(ToUtf8(file), ToUtf8(wxGetCwd())));
  if (wxDirExists(dir)) {
    dir = ThePrompts().ChooseDirectory(
        this, "Automatic lib directory exists. Provide library directory name for " + file, dir);
    if (dir.empty()) return dir;
  }
  if (RefusesLibraryDirectory(dir)) return wxString();
  // The import creates the directory, and removes it again when it fails.
  return dir;
}

void MyFrame::OnDropFiles(wxDropFilesEvent& event) {
  // The files are opened after the drop has finished: a conversion or a dialog inside the
  // toolkit's drop callback would leave the file manager's drag hanging.
  wxArrayString paths;
  for (int i = 0; i < event.GetNumberOfFiles(); ++i) paths.Add(event.GetFiles()[i]);
  CallAfter([this, paths] { OpenDroppedFiles(paths); });
}

void MyFrame::OpenDroppedFiles(const wxArrayString& paths) {
  for (const wxString& path : paths) {
    LogMessage("File %s is dropped\n", ToUtf8(path).c_str());
    const DropRoute route = RouteDrop(ToUtf8(path), wxDirExists(path));
    switch (route) {
      case DropRoute::kLibrary:
        wxSetWorkingDirectory(ParentDirectory(path));
        CreateLibraryChild(path, false);
        break;
      case DropRoute::kOasis:
      case DropRoute::kGds: {
        const wxString dir = ChooseImportDirectory(path);
        if (dir.empty()) {
          LogMessage("Job cancelled by user\n");
        } else if (route == DropRoute::kOasis) {
          CreateOASISChild(path, dir);
        } else {
          CreateGDSChild(path, dir);
        }
        break;
      }
    }
  }
}

void MyFrame::OnQuit(wxCommandEvent&) { Close(false); }

void MyFrame::OnCloseWindow(wxCloseEvent& event) {
  if (ConfirmNeeded(context_.OpenChildCount(), event.CanVeto())) {
    const wxString text = wxString::Format("%d windows still open, close anyhow?", context_.OpenChildCount());
    if (ThePrompts().MessageBox(this, text, "Please confirm", wxYES_NO | wxICON_QUESTION) != wxYES) {
      event.Veto();
      return;
    }
  }
  if (event.CanVeto() && !ConfirmUnsavedLibraries()) {
    event.Veto();
    return;
  }
  ExitNow(0);
}

bool MyFrame::ConfirmUnsavedLibraries() {
  for (const std::shared_ptr<Document>& document : OpenDocuments()) {
    if (!document->HasUnsavedChanges()) continue;
    const wxString text = wxString::FromUTF8(document->UnsavedChangesQuestion());
    if (ThePrompts().MessageBox(this, text, "Please confirm", wxYES_NO | wxICON_QUESTION) != wxYES) return false;
  }
  return true;
}

void MyFrame::OnAbout(wxCommandEvent&) {
  const wxString text =
      wxString::Format("Korvane, a browser and editor of large mask layouts\nVersion\t%s\nBuild\t%s\n", kKorvaneVersion,
                       kKorvaneBuildDate) +
      "Made by Ostrand";
  ThePrompts().MessageBox(this, text, "Korvane", wxOK | wxCENTRE);
}

void MyFrame::OnSize(wxSizeEvent&) {
  const wxSize client = GetClientSize();
  GetClientWindow()->SetSize(0, 0, client.x, client.y, wxSIZE_AUTO);
}

void MyFrame::OnInternalIdle() {
  wxMDIParentFrame::OnInternalIdle();
  // GTK's parent frame spends the first idle pass after a child is added on selecting its tab
  // and shows the child's menu bar only on the next pass. Without further input (no window
  // manager, or the user simply waits) there is no next pass, and the frame kept its own
  // menus until the tab was clicked; so the second step runs at once.
  wxMDIChildFrame* active = GetActiveChild();
  if (active && active->GetMenuBar() && !active->GetMenuBar()->IsShown()) wxMDIParentFrame::OnInternalIdle();
}

void MyFrame::OnForward(wxCommandEvent& event) {
  if (auto* child = static_cast<MyChild*>(GetActiveChild())) child->GetEventHandler()->ProcessEvent(event);
}
