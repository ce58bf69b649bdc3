#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "db/box.h"

// The view arithmetic of the canvas, free of toolkit types so that it is tested without a
// display: the mapping between database units and window pixels, the fitted view, the size
// test of placed cells, the zoom and resize scroll computations, the repaint decision and the
// defaults a freshly opened library gets.

// The area (database units) that a magnification of 1 fits into the window. Width and height
// are 64-bit: a cell box may be wider than 2^31.
struct ViewBox {
  int32_t x = 0;
  int32_t y = 0;
  int64_t w = 0;
  int64_t h = 0;
};

// floor(v + 0.5) saturated at the 32-bit range; NaN gives 0. Inline: every vertex drawn passes
// through it.
inline int32_t RoundToDevicePixel(double v) {
  double r = v + 0.5;
  if (r > -2147483648.0 && r < 2147483647.0) {
    // floor without a library call: truncate, then step down for negative fractions.
    int64_t t = int64_t(r);
    return int32_t(double(t) > r ? t - 1 : t);
  }
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return 0;
}

// Database point (x, y) to window pixel: X = ((x - viewBox.x) * scale + offsetX) *
// magnification, Y = ((viewBox.y + viewBox.h - y) * scale + offsetY) * magnification, each
// floor(v + 0.5). Window y grows downwards, database y upwards. Pixels are scrolled pixels:
// the virtual area of the scrolled window is the client size times the magnification.
struct ViewMapping {
  ViewBox viewBox;
  double magnification = 1.0;
  // Pixels per database unit at magnification 1; 0 until the first CentreView.
  double scale = 0.0;
  int32_t offsetX = 0;
  int32_t offsetY = 0;
  double drawnWidth = 0.0;
  double drawnHeight = 0.0;
  // Scrolled origin and client size at the last CentreView.
  int32_t windowX = 0;
  int32_t windowY = 0;
  int32_t windowW = 0;
  int32_t windowH = 0;

  // Device pixels per database unit at the current magnification.
  double PixelsPerUnit() const { return scale * magnification; }
  // Unrounded magnified device position of a database coordinate.
  double DeviceX(double x) const { return ((x - viewBox.x) * scale + offsetX) * magnification; }
  double DeviceY(double y) const {
    return ((double(viewBox.y) + double(viewBox.h) - y) * scale + offsetY) * magnification;
  }
  // Rounded device pixel; values beyond the 32-bit range saturate.
  int32_t ToDeviceX(int32_t x) const { return RoundToDevicePixel(DeviceX(x)); }
  int32_t ToDeviceY(int32_t y) const { return RoundToDevicePixel(DeviceY(y)); }
  // Window pixel to database unit, floor(v + 0.5); saturates at the 32-bit range.
  int32_t ScreenToDBX(double X) const;
  int32_t ScreenToDBY(double Y) const;
  // Unmagnified, unrounded pixel row of a database y.
  double DBToScreenY(int32_t y) const { return (double(viewBox.y) + double(viewBox.h) - y) * scale + offsetY; }

  // Fits the view box into a client area of cw x ch at scrolled origin (x0, y0): the smaller
  // ratio wins (the vertical one on a tie) and the drawn box is centred.
  void CentreView(int32_t x0, int32_t y0, int32_t cw, int32_t ch);
  // The view box of the cell box (x1, y1)-(x2, y2) with a margin of 1% of its larger side, at
  // least 1 unit, on every side.
  void SetViewBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  // The database box that the window of the last CentreView shows, widened by 1 unit.
  Box VisibleWindow() const;
};

// What decides whether a placed cell is drawn in full or only as its outline.
struct SizeTest {
  bool layerFilter = false;
  bool fineView = false;
  int32_t cellSizeLimit = 150;
  double pixelsPerUnit = 0.0;
};

// True when a cell placed with box at hierarchy level `level` is drawn only as an outline:
// the depth is used up, or (outside a fine view) the box is narrower or lower than the limit
// in whole pixels. A limit of 0 never cuts by size.
bool IsTooSmall(const SizeTest& test, int32_t level, const Box& box);

// fineView and coarseView of a drawing pass: the visible window is at most the limit (in
// nanometres) wide or high.
bool IsViewWithin(const Box& window, int32_t limitNm, double nmPerUnit);

// A rectangle of scrolled window pixels.
struct PixelRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  bool IsEmpty() const { return width <= 0 || height <= 0; }
  // The smallest rectangle holding both; an empty one adds nothing.
  PixelRect Union(const PixelRect& other) const;
  bool operator==(const PixelRect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

// Scroll settings for SetScrollbars; the scroll unit is kScrollUnit pixels in both directions.
constexpr int kScrollUnit = 20;
// A zoom is refused when the larger client side times the magnification would exceed this.
constexpr double kMaxVirtualPixels = 145000000.0;

struct ScrollRequest {
  int32_t unitsX = 0;
  int32_t unitsY = 0;
  int32_t posX = 0;
  int32_t posY = 0;
  bool operator==(const ScrollRequest& o) const {
    return unitsX == o.unitsX && unitsY == o.unitsY && posX == o.posX && posY == o.posY;
  }
};

// The full view of a cw x ch client: magnification 1, origin (0, 0).
ScrollRequest FullViewScroll(int32_t cw, int32_t ch);
// Follows a change of client size, keeping the visible part; nothing for an unchanged size.
// Old sizes of 0 or less (a collapsed window) count as a ratio of 1.
std::optional<ScrollRequest> ResizeScroll(int32_t oldW, int32_t oldH, int32_t newW, int32_t newH, double magnification,
                                          int32_t x0, int32_t y0);
// Zoom in by 4 (by 2 near the cap) around the centre of the view at scrolled origin (sx, sy);
// updates magnification. Nothing when even 2 would pass the cap.
std::optional<ScrollRequest> ZoomInScroll(double& magnification, int32_t sx, int32_t sy, int32_t cw, int32_t ch);
// Zoom out by 4 around the centre; at 4 or less, the full view. Nothing at magnification 1.
std::optional<ScrollRequest> ZoomOutScroll(double& magnification, int32_t sx, int32_t sy, int32_t cw, int32_t ch);
// Shows the square of side 2 * halfWidth (micrometres) centred on (x, y); updates
// view.magnification, capped like a zoom in. Nothing for a half width that is not positive.
std::optional<ScrollRequest> ZoomToBoxScroll(ViewMapping& view, double x, double y, double halfWidth, double umPerUnit,
                                             double nmPerUnit, int32_t cw, int32_t ch);

// How a paint is served.
enum class RepaintPath {
  kNothing,  // no cell shown, or a client area without pixels
  kBlit,     // copy the back buffer
  kRedraw,   // draw the scene into the back buffer, then copy it
};

struct RepaintInputs {
  bool hasTopCell = false;
  bool viewChanged = false;
  bool hasBuffer = false;
  int32_t originX = 0;
  int32_t originY = 0;
  int32_t bufferOriginX = 0;
  int32_t bufferOriginY = 0;
  int32_t clientW = 0;
  int32_t clientH = 0;
  // The part of the back buffer that the last redraw filled.
  int32_t bufferW = 0;
  int32_t bufferH = 0;
};

RepaintPath ChooseRepaint(const RepaintInputs& in);

// The database unit in the units the canvas shows and snaps to.
struct UnitFields {
  double nmPerUnit = 1.0;
  double umPerUnit = 0.001;
  // 5 nm in database units, at least 1 (a coarser unit would give a grid of 0).
  int32_t snapGrid = 5;
};
UnitFields UnitFieldsFor(double metresPerUnit);

// The colour word (red bits 0-7, green 8-15, blue 16-23) a layer gets when a library is
// opened: L mod 3 picks the component that becomes L * 32 (mod 256), D mod 3 the one that
// gets D * 8 added (mod 256).
uint32_t DefaultLayerColour(uint32_t layer, uint32_t datatype);

// The box typed for an empty cell: four blank-separated integers in micrometres (x1 y1 x2 y2),
// each read as far as its digits go. Fewer than four gives (-10, -10, 10, 10) um. The corners
// are ordered and the values saturate at the 32-bit range.
Box ParseCellBoxAnswer(const std::string& answer, double nmPerUnit);

// The one line of the orientation tick of a box (left, right, bottom, top in pixels, bottom
// below top on the screen) for an orientation code.
struct TickLine {
  int32_t x1, y1, x2, y2;
};
TickLine OrientationTick(int32_t left, int32_t right, int32_t bottom, int32_t top, int code);

// How a shape with device box (x1, y1)-(x2, y2), x1 <= x2 and y1 <= y2, is drawn: too thin
// shapes become a point, a line or two lines, since a polygon of no width draws nothing.
enum class ShapeForm { kPoint, kLine, kTwoVerticalLines, kTwoHorizontalLines, kPolygon };
inline ShapeForm ClassifyShape(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 == x2 && y1 == y2) return ShapeForm::kPoint;
  if (x1 == x2 || y1 == y2) return ShapeForm::kLine;
  if (int64_t(x2) - x1 == 1) return ShapeForm::kTwoVerticalLines;
  if (int64_t(y2) - y1 == 1) return ShapeForm::kTwoHorizontalLines;
  return ShapeForm::kPolygon;
}
