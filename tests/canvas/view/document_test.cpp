#include "canvas/view/document.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "canvas/view/view_session.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/canvas/view/recording_session_host.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/canvas/view/view_test_library.h"

namespace {

// Two views on the layout of the view tests: the first shows TOP, the second OTHER.
class DocumentTest : public ::testing::Test {
 protected:
  DocumentTest() {
    SetLogStream(&log_);
    library_ = viewtest::OpenViewLibrary(dir_);
    document_ = std::make_shared<Document>(library_);
    for (ViewSession* session : {&first_, &second_}) session->ShareDocument(document_);
    first_.SetHost(&firstHost_);
    second_.SetHost(&secondHost_);
    first_.SetTopCell(library_->FindIndex("TOP"));
    second_.SetTopCell(library_->FindIndex("OTHER"));
  }
  ~DocumentTest() override { SetLogStream(nullptr); }

  // A pick path in the second view: the walk standing on OTHER's box.
  void PickInSecond() {
    EditState& edit = second_.Edit();
    edit.pickWalk.Init(Box(-1, -1, 1, 1), *library_, {}, uint32_t(library_->FindIndex("OTHER")));
    edit.SeeGeneration(*library_);
    Trans found;
    LayerKey key = 0;
    ASSERT_NE(edit.pickWalk.EnterCell(found, key), nullptr);
    ASSERT_TRUE(edit.HasPickPath());
  }

  std::ostringstream log_;
  libtest::TempDir dir_;
  std::shared_ptr<Library> library_;
  std::shared_ptr<Document> document_;
  ScriptedCanvasPrompts firstPrompts_, secondPrompts_;
  RecordingSessionHost firstHost_{firstPrompts_}, secondHost_{secondPrompts_};
  ViewSession first_, second_;
};

TEST_F(DocumentTest, AnEditInOneViewRedrawsEveryViewAndDropsTheirPicksAndTheImages) {
  PickInSecond();
  CellImages& images = document_->Images();
  images.Follow(*library_);
  images[0].raster.emplace(0, 0, 4, 4, RasterColour());
  const int redraws = secondHost_.redraws;
  EXPECT_FALSE(document_->HasUnsavedChanges());
  library_->LoadCell(*first_.TopCell(), true);
  first_.Edit().selectionRing.AddRectangle(Box(10, 10, 20, 20));
  first_.InsertPolygon();
  // The second view follows at once, not only at its next use of the pick.
  EXPECT_FALSE(second_.Edit().HasPickPath());
  EXPECT_GT(secondHost_.redraws, redraws);
  EXPECT_FALSE(images[0].raster);
  EXPECT_EQ(firstHost_.status[1], "Ready");
  EXPECT_TRUE(document_->HasUnsavedChanges());
  EXPECT_EQ(document_->UnsavedChangesQuestion(),
            "Library " + library_->directory + " has unsaved changes, close anyhow?");
}

TEST_F(DocumentTest, RecalculationDropsThePicksOfEveryView) {
  PickInSecond();
  library_->NoteHierarchyChanged();
  first_.RecalculateCells();
  EXPECT_FALSE(library_->HierarchyDue());
  EXPECT_FALSE(second_.Edit().HasPickPath());
  EXPECT_EQ(firstHost_.status[0], "Ready");
}

TEST_F(DocumentTest, AnOverlayLayerIsListedByEveryViewAndLeavesWithItsView) {
  const std::string path = dir_.File("shapes.poly");
  std::ofstream(path) << "5\n0\t0\n50\t0\n100\t0\n100\t100\n0\t100\n0\n";
  const size_t layers = library_->layerMap.size();
  const int lists = secondHost_.layerListRefreshes;
  // Cancel on "Save into": the polygons become the first view's overlay under a new layer.
  ASSERT_TRUE(first_.ReadTextPolygons(path));
  ASSERT_EQ(library_->layerMap.size(), layers + 1);
  EXPECT_EQ(secondHost_.layerListRefreshes, lists + 1);
  auto gone = std::make_unique<ViewSession>();
  gone->ShareDocument(document_);
  ASSERT_TRUE(gone->ReadTextPolygons(path));
  EXPECT_EQ(library_->layerMap.size(), layers + 2);
  gone.reset();
  EXPECT_EQ(library_->layerMap.size(), layers + 1);
  EXPECT_EQ(secondHost_.layerListRefreshes, lists + 3);
  EXPECT_EQ(document_->Sessions(), (std::vector<ViewSession*>{&first_, &second_}));
}

TEST_F(DocumentTest, ANewDatabaseUnitReachesEveryView) {
  firstPrompts_.texts = {"0.25"};
  first_.ChangeDbUnit();
  EXPECT_DOUBLE_EQ(second_.Settings().nmPerUnit, 0.25);
  EXPECT_EQ(second_.Settings().snapGrid, 20);
  EXPECT_TRUE(library_->flags & kLibInfoDirty);
}

TEST(Document, CellImagesFollowTheEditsAndTheLastViewToGoFreesTheLibrary) {
  libtest::TempDir dir;
  auto library = std::make_shared<Library>(dir.Path(), false);
  std::weak_ptr<Library> watch = library;
  const uint32_t cell = library->CreateCell("cell");
  auto document = std::make_shared<Document>(library);
  CellImages& images = document->Images();
  images.Follow(*library);
  ASSERT_EQ(images.Count(), 1u);
  images[cell].raster.emplace(0, 0, 4, 4, RasterColour());
  images.Follow(*library);
  EXPECT_TRUE(images[cell].raster);
  library->MoveEditGeneration();
  library->CreateCell("other");
  images.Follow(*library);
  EXPECT_FALSE(images[cell].raster);
  EXPECT_EQ(images.Count(), 2u);

  auto first = std::make_unique<ViewSession>();
  auto second = std::make_unique<ViewSession>();
  first->ShareDocument(document);
  second->ShareDocument(document);
  library.reset();
  document.reset();
  second.reset();
  EXPECT_FALSE(watch.expired());
  first.reset();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
