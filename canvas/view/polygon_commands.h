#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/box.h"
#include "db/cell.h"

class Library;
class RingSet;
class ViewSession;
struct EditState;

// The polygon editing commands: they turn a view's selection into changes of the library, or
// reshape the selection first. None keeps an undo record: an edit changes the loaded cell in
// place and notes the change with the library (which sets its change bits, so that saving
// writes it, and moves its edit generation on); saving is separate. An edit that fails changes
// nothing in the library. The commands that take a session work on its library, the cell it
// shows (it must show one), its selection and the layer row selected in its layer list.

// What a command did, for the view to show.
struct EditOutcome {
  // For the second field of the child's status bar; empty for none.
  std::string status;
  // The view must be drawn anew.
  bool redraw = false;
  // The "ERROR: TAG: message\n" line of an Error that stopped the command; empty for none.
  std::string errorLine;
};

// What an outcome shows in the child's second status field: its error line, else its status,
// else "Ready".
std::string EditStatusText(const EditOutcome& outcome);

// The status of every command refused on a polyline still being drawn.
extern const char* const kNotConnectedStatus;

// The key of layer-list row, counted in the key order of the library's layer table; nothing
// for -1 or a row past the table.
std::optional<LayerKey> LayerOfRow(const Library& library, int row);

// Drops the selection, the pick path and every gesture state; status "Ready". Redraws only when
// there was a selection.
EditOutcome CancelSelection(EditState& edit);

// Writes the selection into a cell: a new selection into the shown cell, a picked one in place
// of the element it was picked from, in that element's own cell (through the inverse of the
// pick's transform), which changes every placement of that cell. A selected layer row moves it
// to that layer. Every ring of the selection is stored; a selection that the clean-up reduces
// to nothing stores nothing. The selection and the pick path end.
EditOutcome InsertPolygon(ViewSession& session);
// Removes the picked element from its cell; nothing without a pick.
EditOutcome DeletePolygon(ViewSession& session);
// Moves the selection by (+100, -100) and makes it new: the source element stays.
EditOutcome PastePolygon(EditState& edit);

// The sizing amount in database units of an answer: its first blank-separated token read as a
// decimal integer of nanometres as far as its digits go (none: 0), times unitsPerNm, rounded
// half away from zero. Nothing for an answer of blanks only.
std::optional<int32_t> ParseSizingAmount(const std::string& answer, double unitsPerNm);
// Asks for the amount in nanometres, then merges, sizes, merges and cleans the selection. The
// library is not changed; a failed boolean leaves the selection as it was.
EditOutcome SizingPolygon(ViewSession& session);

// The geometry of the commands, without a view: each takes rings of any orientation, read under
// the non-zero rule, and gives clean counter-clockwise rings with their holes cut open. Sizing is
// SizedOutline (db/poly). A failed boolean throws Error.
// The union of the rings.
RingSet MergeRings(RingSet& rings);
// The rings less the rectangle area.
RingSet SubtractRectangle(RingSet& rings, const Box& area);

// Mirror x (or y) about c = 2 * floor((lo + hi) / 2) of the selection's box: a selection of odd
// width moves by one unit.
EditOutcome FlipXPolygon(EditState& edit);
EditOutcome FlipYPolygon(EditState& edit);
// Rotates the selection by 90 degrees counter-clockwise about its first vertex.
EditOutcome Rotate90Polygon(EditState& edit);
// Rounds the selection's vertices to the grid; nothing for a grid below 2.
EditOutcome SnapPolygon(EditState& edit, int32_t snapGrid);

// Merges the shown cell's own shapes on the selected layer: those meeting the last zoomed area
// when it has an area and the layer is indexed, else the whole layer. The layer's texts stay indexed. A
// failed boolean leaves the layer as it was and reports the Error. The selection is untouched.
EditOutcome MergePolygons(ViewSession& session);
// Cuts the drawn Manhattan rectangle out of the shown cell's own shapes on editLayer; a
// rectangle covering the cell (or the layer's shapes) removes the layer's shapes entirely.
EditOutcome SubtractPolygons(ViewSession& session);
