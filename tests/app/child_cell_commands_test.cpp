// The child window's cell commands through its menu events: the tree, further windows on the
// library, Create Cell, Insert Inst and Save DB.
#include <gtest/gtest.h>
#include <wx/statusbr.h>
#include <wx/treectrl.h>

#include "app/app_context.h"
#include "app/my_tree_ctrl.h"
#include "db/library.h"
#include "tests/app/window_fixture.h"

namespace {

class ChildCellCommandsTest : public app_test::AppWindowTest {
 protected:
  // TOP places A three times and B once; B places A; A holds a box.
  MyChild* ImportHierarchy() {
    const std::string path = dir_ + "/cells.gds";
    const std::vector<Point> square = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
    GdsBuilder()
        .LibraryHeader()
        .BeginStructure("A")
        .Boundary(1, 0, square)
        .EndStructure()
        .BeginStructure("B")
        .Sref("A", {0, 0})
        .Boundary(5, 2, square)
        .EndStructure()
        .BeginStructure("TOP")
        .Sref("A", {0, 0})
        .Sref("A", {200, 0})
        .Sref("A", {400, 0})
        .Sref("B", {0, 300})
        .EndStructure()
        .EndLibrary()
        .WriteTo(path);
    prompts_->files.push_back(path);
    SendCommand(app_test::Frame(), kCmdGdsIn);
    return static_cast<MyChild*>(app_test::Frame()->GetActiveChild());
  }
  static std::vector<std::string> ChildTexts(wxTreeCtrl* tree, const wxTreeItemId& item) {
    std::vector<std::string> texts;
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree->GetFirstChild(item, cookie); c.IsOk(); c = tree->GetNextChild(item, cookie)) {
      texts.push_back(std::string(tree->GetItemText(c).utf8_str()));
    }
    return texts;
  }
  static void Activate(wxTreeCtrl* tree, const wxTreeItemId& item) {
    wxTreeEvent event(wxEVT_TREE_ITEM_ACTIVATED, tree, item);
    tree->GetEventHandler()->ProcessEvent(event);
    app_test::Pump();
  }
  // The placements of the shown cell, as "cell x,y".
  static std::vector<std::string> Placements(MyChild* child) {
    Library& library = *child->Session().GetLibrary();
    Cell& cell = *child->Session().TopCell();
    library.LoadCell(cell, true);
    std::vector<std::string> out;
    if (const LayerRecord* layer = cell.HasReferences()) {
      for (SpatialNode* e = layer->index.FirstLeaf(); e; e = layer->index.NextLeaf(e)) {
        const SRef& ref = *static_cast<const SRef*>(e->payload);
        out.push_back(std::string(library.GetCell(ref.CellId())->Name()) + " " + std::to_string(ref.x) + "," +
                      std::to_string(ref.y));
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }
};

}  // namespace

TEST_F(ChildCellCommandsTest, TheTreeListsChildrenOnceAndActivatingOneOpensAWindowOnTheLibrary) {
  MyChild* child = ImportHierarchy();
  ASSERT_NE(child, nullptr);
  ASSERT_NE(child->tree, nullptr);
  EXPECT_FALSE(child->tree->IsShown());
  SendCommand(child, kCmdShowTreePanel);
  EXPECT_TRUE(child->tree->IsShown());
  EXPECT_EQ(child->treeWidth, 200);
  const wxTreeItemId root = child->tree->GetRootItem();
  ASSERT_TRUE(root.IsOk());
  EXPECT_EQ(child->tree->GetItemText(root), "TOP");
  child->tree->Expand(root);
  child->tree->Collapse(root);
  child->tree->Expand(root);
  ASSERT_EQ(ChildTexts(child->tree, root), (std::vector<std::string>{"A", "B"}));
  wxTreeItemIdValue cookie;
  const wxTreeItemId a = child->tree->GetFirstChild(root, cookie);
  const wxTreeItemId b = child->tree->GetNextChild(root, cookie);
  EXPECT_FALSE(child->tree->ItemHasChildren(a));
  EXPECT_TRUE(child->tree->ItemHasChildren(b));

  Activate(child->tree, root);
  EXPECT_EQ(app_test::Children().size(), 1u);
  Activate(child->tree, b);
  ASSERT_EQ(app_test::Children().size(), 2u);
  MyChild* second = app_test::Children().back();
  EXPECT_EQ(second->Session().GetLibrary(), child->Session().GetLibrary());
  ASSERT_NE(second->Session().TopCell(), nullptr);
  EXPECT_STREQ(second->Session().TopCell()->Name(), "B");
  EXPECT_EQ(second->tree->GetItemText(second->tree->GetRootItem()), "B");
  EXPECT_TRUE(second->GetTitle().EndsWith("/B"));
}

TEST_F(ChildCellCommandsTest, CreateCellOpensTheNewCellInAWindowOfItsOwn) {
  MyChild* child = ImportHierarchy();
  ASSERT_NE(child, nullptr);
  prompts_->texts = {"NEW", ""};  // the name, then the default rough box
  SendCommand(child, kCmdCreateCell);
  ASSERT_EQ(app_test::Children().size(), 2u);
  MyChild* created = app_test::Children().back();
  ASSERT_NE(created->Session().TopCell(), nullptr);
  EXPECT_STREQ(created->Session().TopCell()->Name(), "NEW");
  EXPECT_FALSE(created->Session().TopCell()->box.IsEmpty());
}

TEST_F(ChildCellCommandsTest, AnInsertedInstanceIsSavedAndClosingAsksNothing) {
  MyChild* child = ImportHierarchy();
  ASSERT_NE(child, nullptr);
  const std::string directory = child->Session().GetLibrary()->directory;
  prompts_->texts = {"A"};
  prompts_->items = {0};
  ARef placement;
  placement.x = 5000;
  placement.y = -70;
  prompts_->instancePlacements.push_back(placement);
  SendCommand(child, kCmdInsertInst);
  EXPECT_TRUE(Asked("Insert Instance A"));
  const std::vector<std::string> expected = {"A 0,0", "A 200,0", "A 400,0", "A 5000,-70", "B 0,300"};
  ASSERT_EQ(Placements(child), expected);
  EXPECT_NE(child->Session().GetLibrary()->flags & kLibCellsChanged, 0u);
  SendCommand(child, kCmdSave);
  EXPECT_EQ(child->Session().GetLibrary()->flags & ~(kLibOnDisk | kLibNamesWritten), 0u);
  prompts_->asked.clear();
  SendCommand(child, kCmdClose);
  EXPECT_TRUE(app_test::Children().empty());
  EXPECT_FALSE(Asked("unsaved changes"));
  MyChild* reopened = app_test::Frame()->CreateLibraryChild(wxString::FromUTF8(directory), false);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(Placements(reopened), expected);
}

TEST_F(ChildCellCommandsTest, OpenCellOpensAFurtherWindowButNotOnTheFirstRoot) {
  MyChild* child = ImportHierarchy();
  ASSERT_NE(child, nullptr);
  prompts_->texts = {"T*"};
  prompts_->items = {0};
  SendCommand(child, kCmdOpenCell);
  EXPECT_EQ(app_test::Children().size(), 1u);
  auto* status = static_cast<wxStatusBar*>(wxWindow::FindWindowByName("status_line", child));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->GetStatusText(1), "Open the frist root cell from Open Root");
  prompts_->texts = {"?"};
  prompts_->items = {0, 0};
  SendCommand(child, kCmdOpenCell);
  ASSERT_EQ(app_test::Children().size(), 2u);
  EXPECT_STREQ(app_test::Children().back()->Session().TopCell()->Name(), "A");
  // Open Root Cell lists the one root, which opens in a window of its own.
  SendCommand(app_test::Children().back(), kCmdOpenRootCell);
  EXPECT_TRUE(Asked("Select root cell to open (total 1 root cells)"));
  ASSERT_EQ(app_test::Children().size(), 3u);
  EXPECT_STREQ(app_test::Children().back()->Session().TopCell()->Name(), "TOP");
}
