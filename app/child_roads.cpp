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
#include "canvas/view/instance_commands.h"
#include "canvas/my_canvas.h"
#include "canvas/rgb_colour.h"
#include "db/cell.h"
#include "db/error.h"
#include "db/layout_limits.h"
#include "db/library.h"
#include "resources/mdi_icn.xpm"

namespace {

std::string ToUtf8(const wxString& text) { return std::string(text.utf8_str()); }

MyChild* BeginChild(MyFrame* frame, const wxString& title) {
  // Only the new window stays open in front.
  if (wxMDIChildFrame* active = frame->GetActiveChild()) active->Iconize(true);
  auto* child = new MyChild(frame, title);
  DisplaySettings settings = child->canvas->Settings();
  settings.backgroundColour = ToRgb(frame->ViewColour(ViewColourItem::kBackground));
  settings.instanceHighlightColour = ToRgb(frame->ViewColour(ViewColourItem::kInstanceHighlight));
  child->canvas->ApplySettings(settings);
  return child;
}

// Scroll bars, menu bar and first layout of a child whose road succeeded.
void EndChild(MyFrame* frame, MyChild* child) {
  const wxSize size = child->canvas->GetClientSize();
  child->canvas->SetScrollbars(20, 20, ScrollUnits(size.x), ScrollUnits(size.y), 0, 0);
  frame->CreateChildMenuBar(child, child->canvas);
  child->UpdateLayerList();
  child->UpdateTree();
}

// Gives the new library its top cell; false when the user gave no name, or one with control
// characters.
bool StartNewLibrary(MyCanvas* canvas, const wxString& directory) {
  auto library = std::make_shared<Library>(ToUtf8(directory), false);
  canvas->ShareLibrary(library);
  const std::string name = ToUtf8(ThePrompts().GetText("Enter new cell name", "New Top Cell", "TOP"));
  if (name.empty()) return false;
  if (HasControlCharacter(name)) {
    ThePrompts().MessageBox(canvas, kControlCharacterName, "Wrong Input", wxOK | wxCENTRE);
    return false;
  }
  const uint32_t id = library->CreateEditedCell(name);
  library->roots.push_back(id);
  canvas->GridStep();
  canvas->SetTopCell(static_cast<int32_t>(id));
  DisplaySettings settings = canvas->Settings();
  settings.depth = static_cast<int32_t>(library->depth) + 1;
  canvas->ApplySettings(settings);
  return true;
}

// A child titled with the file that converts it into directory, as OASIS or as GDSII; null,
// with the window gone, when the conversion failed.
MyChild* ConvertedChild(MyFrame* frame, const wxString& file, const wxString& directory, bool oasis) {
  MyChild* child = BeginChild(frame, file);
  const std::string path = ToUtf8(file), libraryDir = ToUtf8(directory);
  const bool converted =
      oasis ? child->canvas->ConvertOASIS(path, libraryDir) : child->canvas->ConvertGDS(path, libraryDir);
  if (!converted) {
    child->Destroy();
    return nullptr;
  }
  EndChild(frame, child);
  return child;
}

}  // namespace

MyChild* MyFrame::CreateLibraryChild(const wxString& directory, bool isNew) {
  if (isNew && Library::DirectoryHoldsLibrary(ToUtf8(directory))) {
    ThePrompts().MessageBox(this, wxString::Format("Directory %s already holds a library, use Load", directory),
                            "Wrong Usage", wxOK);
    return nullptr;
  }
  if (isNew && !wxDirExists(directory)) wxMkdir(directory, wxS_DIR_DEFAULT);
  if (std::shared_ptr<Library> shown = isNew ? nullptr : OpenLibraryIn(ToUtf8(directory))) {
    return CreateCellChild(directory, shown, shown->roots.empty() ? -1 : int32_t(shown->roots.front()));
  }
  MyChild* child = BeginChild(this, directory);
  bool opened = false;
  try {
    opened = isNew ? StartNewLibrary(child->canvas, directory) : child->canvas->LoadLibrary(ToUtf8(directory));
  } catch (const Error& error) {
    ReportError(error.Tag(), error.Message());
  }
  if (!opened) {
    child->Destroy();
    return nullptr;
  }
  EndChild(this, child);
  return child;
}

std::shared_ptr<Library> MyFrame::OpenLibraryIn(const std::string& directory) const {
  for (MyChild* child : context_.Children()) {
    const std::shared_ptr<Library> library = child->canvas ? child->canvas->GetLibrary() : nullptr;
    if (library && library->IsInDirectory(directory)) return library;
  }
  return nullptr;
}

MyChild* MyFrame::CreateGDSChild(const wxString& file, const wxString& directory) {
  return ConvertedChild(this, file, directory, false);
}

MyChild* MyFrame::CreateOASISChild(const wxString& file, const wxString& directory) {
  return ConvertedChild(this, file, directory, true);
}

MyChild* MyFrame::CreateCellChild(const wxString& title, std::shared_ptr<Library> library, int32_t id) {
  MyChild* child = BeginChild(this, title);
  const wxSize size = child->canvas->GetClientSize();
  child->canvas->SetScrollbars(20, 20, ScrollUnits(size.x), ScrollUnits(size.y), 0, 0);
  child->canvas->ShareLibrary(library);
  CreateChildMenuBar(child, child->canvas);
  child->UpdateLayerList();
  child->canvas->SetTopCell(id);
  DisplaySettings settings = child->canvas->Settings();
  settings.depth = static_cast<int32_t>(library->depth) + 1;
  child->canvas->ApplySettings(settings);
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
      menu->Enable(id, MyChild::IsWired(id));
    }
  }
  return menu;
}

}  // namespace

void MyFrame::CreateChildMenuBar(MyChild* child, MyCanvas* canvas) {
  canvas->SetCursor(wxCursor(wxCURSOR_ARROW));
  child->CountAsOpen();
  child->SetIcon(wxIcon(mdi_icn_xpm));
  auto* bar = new wxMenuBar;
  for (const MenuLayout& layout : ChildMenuBar()) bar->Append(BuildMenu(layout, KeyBindings()), layout.title);
  bar->Check(kCmdShowTexts, canvas->Settings().showTexts != 0);
  child->SetMenuBar(bar);
  if (context_.OpenChildCount() == 1) EnableChildTools(true);
  child->Show();
  child->Activate();
  // The notebook decides a tab's size only once it is shown: lay the panes out for it now.
  child->LayoutChildPanes();
}
