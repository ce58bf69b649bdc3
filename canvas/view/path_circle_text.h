#pragma once

#include <cstdint>
#include <string>

#include "canvas/view/canvas_prompts.h"
#include "canvas/view/polygon_commands.h"
#include "db/poly/path_outline.h"

class Library;
class ViewSession;
class RingSet;
struct EditState;

// Create Path, Create Circle and the two text commands, with the validation of their dialogs.
// Create Path and Create Circle only turn the drawn lines into an outline in the selection;
// Insert Polygon stores it. The text commands write to the library.

// The text of a field that shows a length of the database in nanometres:
// floor(value * unitNm + 0.5) as "%d".
std::string NanometreField(int32_t value, double unitNm);

// The dialogs' get steps. Each gives true with the values stored, or false with message the
// text of the "Wrong Input" box to show (empty for a failure that shows none); values are then
// unchanged. Lengths typed in nanometres become trunc(value / unitNm) database units.
bool ParsePathValues(const std::string& halfWidthField, int32_t pathType, PathParameters& values, std::string& message);
struct CircleFields {
  std::string pointCount;
  std::string innerRadius;
  std::string startIndex;
  std::string endIndex;
};
// In this order: inner radius (empty keeps it), points (empty fails; more than a polygon
// record holds fails), start index and end index (empty keeps each).
bool ParseCircleValues(const CircleFields& fields, CircleParameters& values, std::string& message);
struct TextFields {
  std::string text;
  std::string locX;
  std::string locY;
};
// An empty text fails without a message.
bool ParseTextValues(const TextFields& fields, TextParameters& values, std::string& message);

// The path type and half width a view keeps between Create Path commands.
struct PathMemory {
  int32_t pathType = 0;
  int32_t halfWidth = 0;
};

// The path of an open polyline: its points from the first vertex along the ring links, interior
// points collinear with their kept neighbours dropped; type 2 for Extend (pathType 0), 0 for
// Flush; width 2 * halfWidth.
PathShape PathFromPolyline(const RingSet& polyline, int32_t pathType, int32_t halfWidth);

// Each works on the session's selection, asks through its prompts and shows its "Wrong Usage"
// or "Wrong Input" box there when refused. A refused or cancelled command leaves the drawn
// lines as they were.
// The outline of the drawn open polyline becomes the selection (a new one, on editLayer); the
// session remembers the path type and half width for the next one.
EditOutcome CreatePath(ViewSession& session);
// The circle, arc, ring or arc ring about the first of the two drawn vertices becomes the
// selection.
EditOutcome CreateCircle(ViewSession& session);
// Adds a text on the selected layer to the shown cell (the session must show one), indexed so
// that it is drawn in zoomed views and can be picked. The selection is not touched.
EditOutcome InsertText(ViewSession& session);
// Gives the picked text a new string; its position and layer stay. The selection ends.
EditOutcome ReplaceText(ViewSession& session);
