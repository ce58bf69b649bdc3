#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/box.h"
#include "db/trans.h"

class Cell;
class Library;
struct EditState;
struct SpatialNode;
class ViewSession;

// The cell and instance commands of a view, free of the toolkit: they edit the loaded cells in
// place and note each change with the library, which sets the change bits and moves the edit
// generation on, so that every view on the library drops its pick path. Nothing is written to
// disk here. A command that ends early (Cancel, a refusal, bad input) leaves every cell and the
// library as they were. The commands that take a session work on its library, the cell it
// shows, its selected instance and its questions; lengths in its dialogs are nanometres of its
// database unit.

// The instance dialog's fields as the user sees them: lengths in nanometres, the orientation
// as a rotation and a flip.
struct InstanceFields {
  bool array = false;
  bool flipX = false;
  // 0, 1, 2, 3 for 0, 90, 180, 270 degrees.
  int rotation = 0;
  std::string locX, locY, columns, rows, spaceX, spaceY;
  std::string scale = "1.0";
};

// The orientation code of a rotation (0-3) with or without a flip about the X axis.
uint8_t OrientationCode(int rotation, bool flipX);
// The fields that show placement for a database unit of unitNm nanometres. A code above 7
// shows rotation 0.
InstanceFields InstanceFieldsOf(const ARef& placement, double unitNm);
// Reads the fields into placement: "" on success, else the message of the first bad field
// ("Input must be integer", "Input must be double", "Input must be positive integer"), with
// placement unchanged. Locations and pitches must come to 32-bit database units, the scale
// must be a finite number above 0, column and row counts 1 to 32767. "Single" leaves the
// cell-id word and the array fields as they were.
std::string ReadInstanceFields(const InstanceFields& fields, double unitNm, ARef& placement);

// The "Wrong Input" refusal of a typed cell name with control characters.
constexpr const char* kControlCharacterName = "Cell names cannot hold control characters";

// Asks for a new name: the new cell's name, or "" when cancelled, the name exists or holds a
// control character. The cell is empty and not shown.
std::string CreateCell(ViewSession& session);
// Chooses a cell and removes it from the name map and the cell table. A cell that a view on the
// library shows is refused. True when a cell went.
bool DeleteCell(ViewSession& session);
// The box three times as wide and high about the same centre, clamped to 32 bits.
Box IncrementedBox(const Box& box);
// Grows the cell's box by IncrementedBox; "info" becomes due.
void IncrementCell(Library& library, Cell& cell);

// The commands on placements. Each returns true when it changed the library.
bool InsertInst(ViewSession& session);
bool DeleteInst(ViewSession& session);
bool ReplaceInst(ViewSession& session);
bool ModifyInst(ViewSession& session);
// Shows the selected placement in the dialog; nothing changes.
void InstanceInfo(ViewSession& session);

// The cells from `from` down to `to` along placements (both included; [from] when they are the
// same cell), or nothing when `to` is not below `from`. Cells not in memory have their
// placements read for the search and are unloaded again.
std::vector<uint32_t> PlacementChain(Library& library, uint32_t from, uint32_t to);

// After the box of holder's placement grew: recomputes the boxes of the placements above it
// on the pick path, towards the shown cell, until one is unchanged or fits in its cell's box.
void PropagateInstanceBox(Library& library, EditState& edit, const Cell& holder);

// The entry of the placement index of holder that holds ref; null when none does.
SpatialNode* PlacementEntry(const Cell& holder, const SRef* ref);
