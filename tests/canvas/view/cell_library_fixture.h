#pragma once

// A small library on disk for the cell and instance commands: "leaf" (two boxes), "leaf2" (a
// larger box), "mid" placing leaf twice and "top" placing mid once and leaf2 once. Tests edit
// it, save it and open it again; scripted prompts answer the choosers and the instance dialog.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <sstream>
#include <string>

#include "canvas/view/cell_recalculation.h"
#include "canvas/view/document.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/instance_commands.h"
#include "canvas/view/view_session.h"
#include "db/library.h"
#include "db/log.h"
#include "tests/canvas/view/recording_session_host.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/db/library_test_util.h"

// The instance dialog answered with fields, read as the toolkit's dialog reads them; no fields
// left is Cancel.
class ScriptedInstancePrompts : public ScriptedCanvasPrompts {
 public:
  std::deque<InstanceFields> instanceFields;
  std::vector<std::string> dialogTitles;
  // The fields that the last dialog was opened with.
  InstanceFields shown;

  bool InstanceDialog(const std::string& title, InstanceParameters& values) override {
    dialogTitles.push_back(title);
    shown = InstanceFieldsOf(values.placement, values.unitNm);
    if (instanceFields.empty()) return false;
    const InstanceFields fields = instanceFields.front();
    instanceFields.pop_front();
    return ReadInstanceFields(fields, values.unitNm, values.placement).empty();
  }
  // Answers the wildcard search with name and picks the first match.
  void Choose(const std::string& name) {
    texts.push_back(name);
    items.push_back(0);
  }
};

inline std::string DescribeSingle(uint32_t id, int32_t x, int32_t y) {
  const std::unique_ptr<SRef> ref(libtest::Single(id, x, y));
  return libtest::Describe(*ref);
}

inline std::string DescribeArray(uint32_t id, int32_t x, int32_t y, int16_t columns, int16_t rows, int32_t columnPitch,
                                 int32_t rowPitch, uint8_t code) {
  const std::unique_ptr<ARef> ref(libtest::Array(id, x, y, columns, rows, columnPitch, rowPitch, code));
  return libtest::Describe(*ref);
}

class CellLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogStream(&log_);
    Library lib(dir_.Path(), false);
    lib.name = "cells";
    leaf_ = lib.CreateCell("leaf");
    leaf2_ = lib.CreateCell("leaf2");
    mid_ = lib.CreateCell("mid");
    top_ = lib.CreateCell("top");
    libtest::AddShape(*lib.cells[leaf_], MakeLayerKey(1, 0), {{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {{0, 0}, {30, 5}});
    libtest::AddShape(*lib.cells[leaf2_], MakeLayerKey(2, 0), {{0, 0}, {80, 0}, {80, 60}, {0, 60}}, {{0, 0}});
    libtest::Place(lib, mid_, libtest::Single(leaf_, 0, 0));
    libtest::Place(lib, mid_, libtest::Single(leaf_, 100, 0));
    libtest::Place(lib, top_, libtest::Single(mid_, 1000, 1000));
    libtest::Place(lib, top_, libtest::Single(leaf2_, -500, 0));
    for (uint32_t id : {leaf_, leaf2_, mid_, top_}) lib.cells[id]->flags |= kCellModified;
    lib.roots = {top_};
    lib.flags |= kLibCellsChanged | kLibInfoDirty | kLibNamesDirty | kLibHierarchyDirty | kLibParentsDirty;
    lib.FinishImportPass();
    lib.BuildHierarchy();
    lib.CollectRoots();
    lib.flags &= ~kLibHierarchyDirty;
    lib.Save();
    Reopen();
  }
  void TearDown() override {
    ReleaseLibrary();
    SetLogStream(nullptr);
  }

  // Drops the library in memory, and every view on it.
  void ReleaseLibrary() {
    others_.clear();
    session_.ShareDocument(nullptr);
    document_.reset();
    lib_.reset();
  }
  // Drops the library in memory and opens the directory again; the session shows no cell of it.
  void Reopen() {
    ReleaseLibrary();
    lib_ = std::make_shared<Library>(dir_.Path(), false);
    lib_->Open();
    document_ = std::make_shared<Document>(lib_);
    session_.SetHost(&host_);
    session_.ShareDocument(document_);
  }
  // Saves as Save DB does: the recalculation when due, then what the bits call for.
  void SaveAndReopen() {
    RecalculateCells(*lib_);
    lib_->Save();
    Reopen();
  }

  Cell& CellOf(uint32_t id) {
    Cell& cell = *lib_->cells[id];
    lib_->LoadCell(cell, true);
    return cell;
  }
  // The session, showing cell shown.
  ViewSession& Scope(int32_t shown) {
    session_.SetTopCell(shown);
    return session_;
  }
  // A further view on the library, showing cell shown.
  ViewSession& OtherView(int32_t shown) {
    others_.push_back(std::make_unique<ViewSession>());
    others_.back()->ShareDocument(document_);
    others_.back()->SetTopCell(shown);
    return *others_.back();
  }
  // Selects the placement of placed in holder (the first one found), as the gestures do.
  void SelectPlacement(uint32_t holder, uint32_t placed) {
    Cell& cell = CellOf(holder);
    const LayerRecord* layer = cell.HasReferences();
    ASSERT_NE(layer, nullptr);
    for (SpatialNode* e = layer->index.FirstLeaf(); e; e = layer->index.NextLeaf(e)) {
      const SRef* ref = static_cast<const SRef*>(e->payload);
      if (ref->CellId() != placed) continue;
      edit_.SeeGeneration(*lib_);
      edit_.selectedInstance = SelectedInstance{ref, &cell, holder, Trans()};
      return;
    }
    FAIL() << "no placement of " << placed;
  }
  // The placements of a cell, described in a fixed order.
  std::vector<std::string> Placements(uint32_t id) {
    std::vector<std::string> out;
    const LayerRecord* layer = CellOf(id).HasReferences();
    if (!layer) return out;
    for (SpatialNode* e = layer->index.FirstLeaf(); e; e = layer->index.NextLeaf(e)) {
      out.push_back(libtest::Describe(*static_cast<const SRef*>(e->payload)));
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  std::ostringstream log_;
  libtest::TempDir dir_;
  std::shared_ptr<Library> lib_;
  std::shared_ptr<Document> document_;
  ScriptedInstancePrompts prompts_;
  RecordingSessionHost host_{prompts_};
  ViewSession session_;
  std::vector<std::unique_ptr<ViewSession>> others_;
  EditState& edit_ = session_.Edit();
  uint32_t leaf_ = 0, leaf2_ = 0, mid_ = 0, top_ = 0;
};
