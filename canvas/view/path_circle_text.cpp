#include "canvas/view/path_circle_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "canvas/view/edit_state.h"
#include "canvas/view/number_input.h"
#include "canvas/view/view_session.h"
#include "db/cell_contents.h"
#include "db/error.h"
#include "db/library.h"
#include "db/numeric.h"
#include "db/poly/circle_table.h"
#include "db/poly/ring_set.h"

namespace {

const char* const kWrongUsage = "Wrong Usage";
const char* const kWrongInput = "Wrong Input";

int32_t ToDatabaseUnits(int32_t nanometres, double unitNm) { return SaturateToInt32(std::trunc(nanometres / unitNm)); }

// The field parsed into out (converted from nanometres with a unit); an empty field keeps out
// when emptyKeeps. False for a field that does not parse.
bool ParseField(const std::string& field, bool emptyKeeps, const double* unitNm, int32_t& out) {
  if (field.empty() && emptyKeeps) return true;
  const std::optional<int32_t> value = ParseInt32(field);
  if (!value) return false;
  out = unitNm ? ToDatabaseUnits(*value, *unitNm) : *value;
  return true;
}

bool Refuse(std::string& message, const char* text) {
  message = text;
  return false;
}

EditOutcome Redraw() { return EditOutcome{"", true, ""}; }

}  // namespace

std::string NanometreField(int32_t value, double unitNm) {
  char text[32];
  std::snprintf(text, sizeof text, "%d", RoundHalfUp(value * unitNm));
  return text;
}

bool ParsePathValues(const std::string& halfWidthField, int32_t pathType, PathParameters& values,
                     std::string& message) {
  int32_t halfWidth = 0;
  if (!ParseField(halfWidthField, false, &values.unitNm, halfWidth))
    return Refuse(message, "Half width must be integer");
  values.halfWidth = halfWidth;
  values.pathType = pathType;
  return true;
}

bool ParseCircleValues(const CircleFields& fields, CircleParameters& values, std::string& message) {
  CircleParameters parsed = values;
  if (!ParseField(fields.innerRadius, true, &values.unitNm, parsed.innerRadius)) {
    return Refuse(message, "Radius must be integer");
  }
  // A count beyond one polygon record would build a table that cannot be stored, or exhaust
  // memory on the way.
  if (!ParseField(fields.pointCount, false, nullptr, parsed.pointCount) || parsed.pointCount > kMaxCirclePoints) {
    return Refuse(message, "No of points must be integer");
  }
  if (!ParseField(fields.startIndex, true, nullptr, parsed.startIndex))
    return Refuse(message, "Start index must be integer");
  if (!ParseField(fields.endIndex, true, nullptr, parsed.endIndex)) return Refuse(message, "End index must be integer");
  values = parsed;
  return true;
}

bool ParseTextValues(const TextFields& fields, TextParameters& values, std::string& message) {
  message.clear();
  if (fields.text.empty()) return false;
  int32_t x = 0;
  int32_t y = 0;
  if (!ParseField(fields.locX, false, &values.unitNm, x) || !ParseField(fields.locY, false, &values.unitNm, y)) {
    return Refuse(message, "Input must be integer");
  }
  values.textValue = fields.text;
  values.locX = x;
  values.locY = y;
  return true;
}

PathShape PathFromPolyline(const RingSet& polyline, int32_t pathType, int32_t halfWidth) {
  PathShape path;
  path.pathType = pathType == 0 ? 2 : 0;
  path.width = WrapToInt32(int64_t(halfWidth) * 2);
  const RingVertex* first = polyline.Head();
  std::vector<Point> points;
  for (const RingVertex* v = first; v; v = v->ringNext) {
    points.emplace_back(v->x, v->y);
    if (v->ringNext == first) break;
  }
  for (size_t i = 0; i < points.size(); ++i) {
    const bool interior = !path.points.empty() && i + 1 < points.size();
    if (interior) {
      const Point& a = path.points.back();
      const Point& b = points[i];
      const Point& c = points[i + 1];
      const int64_t cross = (int64_t(b.x) - a.x) * (int64_t(c.y) - b.y) - (int64_t(b.y) - a.y) * (int64_t(c.x) - b.x);
      if (cross == 0) continue;
    }
    path.points.push_back(points[i]);
  }
  return path;
}

EditOutcome CreatePath(ViewSession& session) {
  EditState& edit = session.Edit();
  PathMemory& memory = session.Paths();
  CanvasPrompts& prompts = session.Prompts();
  const RingVertex* first = edit.selectionRing.Head();
  if (edit.selectionRing.VertexCount() < 2 || first->ringPrev || edit.HasPickPath()) {
    prompts.ShowMessage("Path lines must be drawn first", kWrongUsage);
    return {};
  }
  PathParameters values;
  values.unitNm = session.Settings().nmPerUnit;
  if (memory.halfWidth > 0) {
    values.pathType = memory.pathType;
    values.halfWidth = memory.halfWidth;
  }
  if (!prompts.PathDialog(values)) return {};
  // The full width is stored in 32 bits, and the outline must not be cut at the range's ends.
  const bool widthFits = std::llabs(int64_t(values.halfWidth)) <= INT32_MAX / 2;
  const PathShape path = PathFromPolyline(edit.selectionRing, values.pathType, widthFits ? values.halfWidth : 0);
  if (!widthFits || !PathOutlineFits(path)) {
    prompts.ShowMessage("Path outline would leave the 32-bit coordinate range", kWrongInput);
    return {};
  }
  memory.pathType = values.pathType;
  memory.halfWidth = values.halfWidth;
  edit.Cancel();
  PathToPolygon(path, edit.selectionRing);
  edit.selectionRing.CountRings();
  return Redraw();
}

EditOutcome CreateCircle(ViewSession& session) {
  EditState& edit = session.Edit();
  CanvasPrompts& prompts = session.Prompts();
  if (edit.selectionRing.VertexCount() != 2 || edit.HasPickPath()) {
    prompts.ShowMessage("Circle radius line must be drawn first", kWrongUsage);
    return {};
  }
  CircleParameters values;
  values.unitNm = session.Settings().nmPerUnit;
  if (!prompts.CircleDialog(values)) return {};
  const RingVertex* centre = edit.selectionRing.Head();
  const RingVertex* onCircle = centre->next;
  const double dx = double(onCircle->x) - centre->x;
  const double dy = double(onCircle->y) - centre->y;
  CircleTable outer;
  outer.cx = centre->x;
  outer.cy = centre->y;
  outer.radius = SaturateToInt32(std::round(std::sqrt(dx * dx + dy * dy)));
  outer.count = values.pointCount;
  CircleTable inner = outer;
  inner.radius = values.innerRadius;
  try {
    PolygonizeArc(outer);
    if (values.innerRadius != 0) PolygonizeArc(inner);
  } catch (const Error& error) {
    return EditOutcome{"", false, ErrorLine(error)};
  }
  // The table's count is known only now; indexes outside it would read past the table.
  if (values.startIndex < 0 || values.startIndex >= outer.count) {
    prompts.ShowMessage("Start index must be integer", kWrongInput);
    return {};
  }
  if (values.endIndex < 0) {
    prompts.ShowMessage("End index must be integer", kWrongInput);
    return {};
  }
  edit.Cancel();
  if (values.innerRadius != 0) {
    AppendArcRingVertices(edit.selectionRing, outer, inner, values.startIndex, values.endIndex);
  } else {
    AppendArcVertices(edit.selectionRing, outer, values.startIndex, values.endIndex);
  }
  edit.selectionRing.CountRings();
  return Redraw();
}

EditOutcome InsertText(ViewSession& session) {
  Library& library = *session.GetLibrary();
  const std::optional<LayerKey> key = LayerOfRow(library, session.SelectedLayerRow());
  if (!key) return EditOutcome{"Layer must be selected, cancel text insertion", false, ""};
  TextParameters values;
  values.unitNm = session.Settings().nmPerUnit;
  if (!session.Prompts().TextDialog(values)) return {};
  Cell& cell = *session.TopCell();
  const Box before = cell.box;
  const uint32_t id = library.AddEditedString(values.textValue);
  // Indexing the text alone would hide the cell's unindexed shapes from a later rebuild.
  EnsureShapeIndexes(cell);
  cell.AddText(*key, id, values.locX, values.locY, true);
  library.NoteCellEdited(cell, before);
  return Redraw();
}

EditOutcome ReplaceText(ViewSession& session) {
  Library& library = *session.GetLibrary();
  EditState& edit = session.Edit();
  CanvasPrompts& prompts = session.Prompts();
  edit.FollowGeneration(library);
  const HierarchyFrame* frame = edit.HasPickPath() ? &edit.pickWalk.Frames().back() : nullptr;
  const SpatialNode* entry = frame ? frame->cursor.entry : nullptr;
  const bool isText = entry && frame->layer != frame->cell->layers.end() && frame->layer->first != kPlacementKey &&
                      entry->box.x1 == entry->box.x2 && entry->box.y1 == entry->box.y2;
  if (!edit.HasSelection() || !isText) {
    prompts.ShowMessage("Text must be selected first", kWrongUsage);
    return {};
  }
  TextItem* text = static_cast<TextItem*>(entry->payload);
  const std::string answer = prompts.AskText("Enter New Text", "Replace Text", library.TextString(text->textId));
  if (answer.empty()) return {};
  text->textId = library.AddEditedString(answer);
  library.NoteCellEdited(*frame->cell, frame->cell->box);
  edit.Cancel();
  edit.SeeGeneration(library);
  return Redraw();
}
