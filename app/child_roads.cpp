// The roads of the main frame that open child windows, and the child's menu bar.
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/toolbar.h>

#include "app/app_context.h"
#include "app/core/child_logic.h"
#include "app/core/command_table.h"
#include "app/core/keybind.h"
#include "app/my_child.h"
#include "app/my_frame.h"
#include "app/prompts.h"
#include "canvas/my_canvas.h"
#include "canvas/view/document.h"
#include "canvas/view/instance_commands.h"
#include "canvas/view/view_session.h"
#include "db/cell.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "resources/mdi_icn.xpm"

namespace {

std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

// Gives the new library its top cell; false when the user gave no name, or one with control
// characters.
bool StartNewLibrary(MyChild* child, const wxString& directory) {
  const std::string name = ToUtf8(ThePrompts().GetText("Enter new cell name", "New Top Cell", "TOP"));
  if (name.empty()) return false;
  if (HasControlCharacter(name)) {
    ThePrompts().MessageBox(child->canvas, kControlCharacterName, "Wrong Input", wxOK | wxCENTRE);
    return false;
  }
  child->Session().StartNewLibrary(ToUtf8(directory), name);
  return true;
}

}  // namespace

MyChild* MyFrame::BeginChild(const wxString& title) {
  // Only the new window stays open in front.
  if (wxMDIChildFrame* active = GetActiveChild()) active->Iconize(true);
  auto* child = new MyChild(this, title);
  ApplyViewColours(child->Session());
  return child;
}

void MyFrame::EndChild(MyChild* child) {
  const wxSize size = child->canvas->GetClientSize();
  child->canvas->SetScrollbars(20, 20, ScrollUnits(size.x), ScrollUnits(size.y), 0, 0);
  // A document is listed once, by the road that opened its library.
  documents_.erase(std::remove_if(documents_.begin(), documents_.end(),
                                  [](const std::weak_ptr<Document>& entry) { return entry.expired(); }),
                   documents_.end());
  documents_.push_back(child->Session().SharedDocument());
  CreateChildMenuBar(child);
  child->RefreshLayerList();
  child->UpdateTree();
}

MyChild* MyFrame::ConvertedChild(const wxString& file, const wxString& directory, bool oasis) {
  MyChild* child = BeginChild(file);
  const std::string path = ToUtf8(file), libraryDir = ToUtf8(directory);
  const bool converted =
      oasis ? child->Session().ConvertOASIS(path, libraryDir) : child->Session().ConvertGDS(path, libraryDir);
  if (!converted) {
    child->Destroy();
    return nullptr;
  }
  EndChild(child);
  return child;
}

MyChild* MyFrame::CreateLibraryChild(const wxString& directory, bool isNew) {
  if (isNew && RefusesLibraryDirectory(directory)) return nullptr;
  if (isNew && !wxDirExists(directory)) wxMkdir(directory, wxS_DIR_DEFAULT);
  if (std::shared_ptr<Document> shown = isNew ? nullptr : OpenLibraryIn(ToUtf8(directory))) {
    const Library& library = shown->GetLibrary();
    return CreateCellChild(directory, shown, library.roots.empty() ? -1 : int32_t(library.roots.front()));
  }
  MyChild* child = BeginChild(directory);
  bool opened = false;
  try {
    opened = isNew ? StartNewLibrary(child, directory) : child->Session().LoadLibrary(ToUtf8(directory));
  } catch (const Error& error) {
    ReportError(error.Tag(), error.Message());
  }
  if (!opened) {
    child->Destroy();
    return nullptr;
  }
  EndChild(child);
  return child;
}

std::shared_ptr<Document> MyFrame::OpenLibraryIn(const std::string& directory) const {
  for (const std::shared_ptr<Document>& document : OpenDocuments()) {
    if (document->GetLibrary().IsInDirectory(directory)) return document;
  }
  return nullptr;
}

MyChild* MyFrame::CreateGDSChild(const wxString& file, const wxString& directory) {
  return ConvertedChild(file, directory, false);
}

MyChild* MyFrame::CreateOASISChild(const wxString& file, const wxString& directory) {
  return ConvertedChild(file, directory, true);
}

MyChild* MyFrame::CreateCellChild(const wxString& title, std::shared_ptr<Document> document, int32_t id) {
  MyChild* child = BeginChild(title);
  const wxSize size = child->canvas->GetClientSize();
  child->canvas->SetScrollbars(20, 20, ScrollUnits(size.x), ScrollUnits(size.y), 0, 0);
  ViewSession& session = child->Session();
  session.ShareDocument(std::move(document));
  CreateChildMenuBar(child);
  child->RefreshLayerList();
  session.SetTopCell(id);
  DisplaySettings settings = session.Settings();
  settings.depth = static_cast<int32_t>(session.GetLibrary()->depth) + 1;
  session.ApplySettings(settings);
  child->UpdateTree();
  return child;
}

namespace {

wxMenu* BuildMenu(const MenuLayout& layout, const std::vector<uint16_t>& keyBindings) {
  auto* menu = new wxMenu;
  for (int id : layout.ids) {
    if (id == kSeparator) {
      menu->AppendSeparator();
      continue;
    }
    const Command& command = *FindCommand(layout.menu, id);
    wxString label = wxString::FromUTF8(command.label);
    if (layout.menu == MenuId::kView || layout.menu == MenuId::kEdit) {
      label = wxString::FromUTF8(MakeAcceleratorLabel(command.label, keyBindings[id]));
    }
    if (command.kind == CommandKind::kSubMenu) {
      menu->Append(id, label, BuildMenu(SaveSubMenu(), keyBindings), command.help);
    } else {
      menu->Append(id, label, command.help, command.kind == CommandKind::kCheck ? wxITEM_CHECK : wxITEM_NORMAL);
      menu->Enable(id, command.handler.Exists());
    }
  }
  return menu;
}

}  // namespace

void MyFrame::CreateChildMenuBar(MyChild* child) {
  child->canvas->SetCursor(wxCursor(wxCURSOR_ARROW));
  child->CountAsOpen();
  child->SetIcon(wxIcon(mdi_icn_xpm));
  auto* bar = new wxMenuBar;
  for (const MenuLayout& layout : ChildMenuBar()) bar->Append(BuildMenu(layout, KeyBindings()), layout.title);
  bar->Check(kCmdShowTexts, child->Session().Settings().showTexts != 0);
  child->SetMenuBar(bar);
  if (context_.OpenChildCount() == 1) EnableChildTools(true);
  child->Show();
  child->Activate();
  // The notebook decides a tab's size only once it is shown: lay the panes out for it now.
  child->LayoutChildPanes();
}
