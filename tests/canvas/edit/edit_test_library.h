#pragma once

// A small library for the edit-command tests, built in memory in a scratch directory, and the
// double-click pick of the gestures done directly on an edit state.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "canvas/edit/edit_state.h"
#include "canvas/edit/polygon_commands.h"
#include "tests/canvas/edit/scripted_canvas_prompts.h"
#include "tests/db/library_test_util.h"

namespace edittest {

constexpr LayerKey kMetal = 1 * 256;
constexpr LayerKey kVia = 2 * 256;

// "leaf" (id 0): a 10 x 10 square on metal at (0, 0) and (20, 0), one record with two
// positions, and the text "pin" on via at (15, 5). "top" (id 1): leaf placed at (0, 0) and at
// (100, 0), and its own 10 x 10 square on metal at (200, 200). Both cells loaded and indexed,
// the library saved once, so that every flag starts clear.
struct EditLibrary {
  libtest::TempDir dir;
  Library lib{dir.Path(), false};
  uint32_t leaf = 0;
  uint32_t top = 0;
  EditState edit;

  EditLibrary() {
    lib.name = "edits";
    leaf = lib.CreateCell("leaf");
    top = lib.CreateCell("top");
    libtest::AddShape(Leaf(), kMetal, Square(10), {{0, 0}, {20, 0}});
    Leaf().AddText(kVia, lib.AddString("pin"), 15, 5, false);
    libtest::Place(lib, top, libtest::Single(leaf, 0, 0));
    libtest::Place(lib, top, libtest::Single(leaf, 100, 0));
    libtest::AddShape(Top(), kMetal, Square(10), {{200, 200}});
    for (uint32_t id : {leaf, top}) {
      libtest::IndexShapes(*lib.cells[id]);
      lib.cells[id]->flags |= kCellModified;
    }
    lib.roots = {top};
    lib.depth = 1;
    for (LayerKey key : {kMetal, kVia}) lib.layerMap[key].key = key;
    lib.flags |= kLibCellsChanged | kLibInfoDirty | kLibNamesDirty | kLibTextsDirty;
    lib.Save();
    ClearFlags();
  }

  static ringtest::Ring Square(int32_t side) { return {{0, 0}, {side, 0}, {side, side}, {0, side}}; }
  Cell& Leaf() { return *lib.cells[leaf]; }
  Cell& Top() { return *lib.cells[top]; }
  void ClearFlags() {
    lib.flags = 0;
    for (auto& cell : lib.cells) cell->flags &= uint16_t(~kCellModified);
  }
  EditTarget Target(int layerRow = -1) { return EditTarget{lib, Top(), edit, layerRow}; }

  // A new closed selection on layer key.
  void Select(const ringtest::Ring& ring, LayerKey key = kMetal) {
    edit.Cancel();
    ringtest::AddRing(edit.selectionRing, ring);
    edit.editLayer = key;
  }

  // The first element of the shown cell's hierarchy under p, picked as a double click picks
  // it: shapes as their rings and texts as the 1-unit rectangle, both in the shown cell's
  // coordinates.
  bool Pick(const Point& p) {
    edit.Cancel();
    edit.pickWalk.Init(Box(p.x - 1, p.y - 1, p.x + 1, p.y + 1), lib, {}, top);
    edit.SeeGeneration(lib);
    Trans trans;
    LayerKey key = 0;
    SpatialNode* entry = edit.pickWalk.EnterCell(trans, key);
    if (!entry) return false;
    if (entry->box.x1 == entry->box.x2 && entry->box.y1 == entry->box.y2) {
      Point at(entry->box.x1, entry->box.y1);
      trans.ApplyToPoint(at);
      edit.selectionRing.AddRectangle(Box(at.x, at.y - 1, at.x + 1, at.y));
    } else {
      const ShapePosition* position = static_cast<const ShapePosition*>(entry->payload);
      position->group->record->ToRing(edit.selectionRing, Point(position->x, position->y));
      trans.ApplyToPoints(edit.selectionRing);
    }
    edit.editLayer = key;
    return true;
  }

  // The saved directory opened anew, dumped.
  std::string Reopened() {
    Library again(dir.Path(), false);
    again.Open();
    return libtest::DumpLibrary(again);
  }
  std::string Dump() { return libtest::DumpLibrary(lib); }
};

// Answers the parameter dialogs with scripted values, recording the values each was offered.
class ScriptedEditPrompts : public ScriptedCanvasPrompts {
 public:
  std::optional<PathParameters> path;
  std::optional<CircleParameters> circle;
  std::optional<TextParameters> text;
  PathParameters pathOffered;

  bool PathDialog(PathParameters& values) override {
    pathOffered = values;
    return Answer(path, values);
  }
  bool CircleDialog(CircleParameters& values) override { return Answer(circle, values); }
  bool TextDialog(TextParameters& values) override { return Answer(text, values); }

 private:
  template <typename T>
  static bool Answer(const std::optional<T>& answer, T& values) {
    if (!answer) return false;
    values = *answer;
    return true;
  }
};

}  // namespace edittest
