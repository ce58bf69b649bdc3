#pragma once

// A small saved library for the edit-command tests, the double-click pick of the gestures done
// directly on an edit state, scripted parameter dialogs, and what a cell's layer holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "canvas/view/document.h"
#include "canvas/view/edit_state.h"
#include "canvas/view/polygon_commands.h"
#include "canvas/view/view_session.h"
#include "tests/canvas/view/recording_session_host.h"
#include "tests/canvas/view/scripted_canvas_prompts.h"
#include "tests/db/library_test_util.h"

namespace edittest {

constexpr LayerKey kMetal = 1 * 256;
constexpr LayerKey kVia = 2 * 256;

inline ringtest::Ring Rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  return {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
}

// "leaf" (id 0): a 10 x 10 metal square at (0, 0) and (20, 0), one record with two positions,
// and the via text "pin" at (15, 5). "top" (id 1): leaf placed at (0, 0) and (100, 0), and its
// own metal square at (200, 200). Loaded, indexed and saved, every flag clear; a view session
// shows top.
struct EditLibrary {
  libtest::TempDir dir;
  std::shared_ptr<Library> shared = std::make_shared<Library>(dir.Path(), false);
  Library& lib = *shared;
  uint32_t leaf = 0;
  uint32_t top = 0;
  ScriptedCanvasPrompts unanswered;
  RecordingSessionHost host{unanswered};
  ViewSession session;
  EditState& edit = session.Edit();

  EditLibrary() {
    lib.name = "edits";
    leaf = lib.CreateCell("leaf");
    top = lib.CreateCell("top");
    libtest::AddShape(Leaf(), kMetal, Rect(0, 0, 10, 10), {{0, 0}, {20, 0}});
    Leaf().AddText(kVia, lib.AddString("pin"), 15, 5, false);
    libtest::Place(lib, top, libtest::Single(leaf, 0, 0));
    libtest::Place(lib, top, libtest::Single(leaf, 100, 0));
    libtest::AddShape(Top(), kMetal, Rect(0, 0, 10, 10), {{200, 200}});
    for (uint32_t id : {leaf, top}) {
      libtest::IndexShapes(*lib.cells[id]);
      lib.cells[id]->flags |= kCellModified;
    }
    lib.roots = {top};
    for (LayerKey key : {kMetal, kVia}) lib.layerMap[key].key = key;
    lib.flags |= kLibCellsChanged | kLibInfoDirty | kLibNamesDirty | kLibTextsDirty;
    lib.Save();
    ClearFlags();
    session.SetHost(&host);
    session.ShareDocument(std::make_shared<Document>(shared));
    session.SetTopCell(int32_t(top));
  }

  Cell& Leaf() { return *lib.cells[leaf]; }
  Cell& Top() { return *lib.cells[top]; }
  void ClearFlags() {
    lib.flags = 0;
    for (auto& cell : lib.cells) cell->flags &= uint16_t(~kCellModified);
  }
  // The session, with layerRow selected in its layer list and its questions asked of prompts.
  ViewSession& Target(int layerRow = -1) {
    host.layerRow = layerRow;
    return session;
  }
  ViewSession& Target(CanvasPrompts& prompts, int layerRow = -1) {
    host.prompts = &prompts;
    return Target(layerRow);
  }

  // A new closed selection on layer key.
  void Select(const ringtest::Ring& ring, LayerKey key = kMetal) {
    edit.Cancel();
    ringtest::AddRing(edit.selectionRing, ring);
    edit.editLayer = key;
  }

  // The first element under p in the shown cell's hierarchy, picked as a double click does: a
  // shape as its ring, a text as the 1-unit rectangle, in the shown cell's coordinates.
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

  // The saved directory opened anew, and the library in memory, dumped.
  std::string Reopened() {
    Library again(dir.Path(), false);
    again.Open();
    return libtest::DumpLibrary(again);
  }
  std::string Dump() { return libtest::DumpLibrary(lib); }
};

inline bool BoxLess(const Box& a, const Box& b) {
  return std::tie(a.x1, a.y1, a.x2, a.y2) < std::tie(b.x1, b.y1, b.x2, b.y2);
}

// The box of every shape of key in the cell, sorted.
inline std::vector<Box> ShapeBoxes(const Cell& cell, LayerKey key) {
  std::vector<Box> boxes;
  auto list = cell.shapes.find(key);
  for (ShapeGroup* g = list == cell.shapes.end() ? nullptr : list->second.Head(); g; g = g->next) {
    for (ShapePosition* p = g->firstPosition; p; p = p->next) {
      RingSet ring;
      g->record->ToRing(ring, Point(p->x, p->y));
      boxes.push_back(ring.GetBoundingBox());
    }
  }
  std::sort(boxes.begin(), boxes.end(), BoxLess);
  return boxes;
}

// The boxes the cell's index of key finds around the origin, sorted: what a zoomed view draws.
inline std::vector<Box> IndexedBoxes(const Cell& cell, LayerKey key) {
  std::vector<Box> boxes;
  auto layer = cell.layers.find(key);
  if (layer == cell.layers.end()) return boxes;
  const Box window(-100000, -100000, 100000, 100000);
  const SpatialIndex& index = layer->second.index;
  for (SpatialNode* e = index.QueryFirst(window); e; e = index.QueryNext(e, window)) boxes.push_back(e->box);
  std::sort(boxes.begin(), boxes.end(), BoxLess);
  return boxes;
}

// Answers the parameter dialogs with scripted values (none: Cancel) and records the path
// values offered.
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
    if (answer) values = *answer;
    return answer.has_value();
  }
};

}  // namespace edittest
