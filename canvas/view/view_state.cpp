#include "canvas/view/view_state.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "db/numeric.h"

namespace {

int32_t Truncate(double v) { return SaturateToInt32(std::trunc(v)); }

int32_t ClampExtent(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

}  // namespace

PixelRect PixelRect::Union(const PixelRect& other) const {
  if (other.IsEmpty()) return *this;
  if (IsEmpty()) return other;
  int64_t left = std::min(x, other.x);
  int64_t top = std::min(y, other.y);
  int64_t right = std::max(int64_t(x) + width, int64_t(other.x) + other.width);
  int64_t bottom = std::max(int64_t(y) + height, int64_t(other.y) + other.height);
  return PixelRect{int32_t(left), int32_t(top), ClampExtent(right - left), ClampExtent(bottom - top)};
}

int32_t ViewMapping::ScreenToDBX(double X) const {
  double units = std::floor((X / magnification - offsetX) / scale + 0.5);
  return SaturateToInt32(units + viewBox.x);
}

int32_t ViewMapping::ScreenToDBY(double Y) const {
  double units = std::floor((Y / magnification - offsetY) / scale + 0.5);
  return SaturateToInt32(double(viewBox.y) + double(viewBox.h) - units);
}

void ViewMapping::CentreView(int32_t x0, int32_t y0, int32_t cw, int32_t ch) {
  windowX = x0;
  windowY = y0;
  windowW = cw;
  windowH = ch;
  double sx = double(cw) / double(viewBox.w);
  double sy = double(ch) / double(viewBox.h);
  scale = sx < sy ? sx : sy;
  drawnWidth = double(viewBox.w) * scale;
  drawnHeight = double(viewBox.h) * scale;
  // Arithmetic shifts: a drawn size wider than the client centres towards minus infinity.
  offsetX = int32_t((int64_t(cw) - int64_t(std::trunc(drawnWidth))) >> 1);
  offsetY = int32_t((int64_t(ch) - int64_t(std::trunc(drawnHeight))) >> 1);
}

void ViewMapping::SetViewBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  int64_t w = int64_t(x2) - x1;
  int64_t h = int64_t(y2) - y1;
  int64_t margin = std::max<int64_t>(int64_t(double(std::max(w, h)) * 0.01), 1);
  viewBox.x = SaturateToInt32(double(x1) - double(margin));
  viewBox.y = SaturateToInt32(double(y1) - double(margin));
  viewBox.w = w + 2 * margin;
  viewBox.h = h + 2 * margin;
}

Box ViewMapping::VisibleWindow() const {
  int32_t x1 = ScreenToDBX(windowX);
  int32_t x2 = ScreenToDBX(double(windowX) + windowW);
  int32_t y1 = ScreenToDBY(double(windowY) + windowH);
  int32_t y2 = ScreenToDBY(windowY);
  return Box(SaturateToInt32(double(x1) - 1), SaturateToInt32(double(y1) - 1), SaturateToInt32(double(x2) + 1),
             SaturateToInt32(double(y2) + 1));
}

bool IsTooSmall(const SizeTest& test, int32_t level, const Box& box) {
  if (test.layerFilter && level <= 100) return false;
  if (level <= 0) return true;
  if (test.fineView) return false;
  if (std::trunc(double(box.Width()) * test.pixelsPerUnit) < test.cellSizeLimit) return true;
  return std::trunc(double(box.Height()) * test.pixelsPerUnit) < test.cellSizeLimit;
}

bool IsViewWithin(const Box& window, int32_t limitNm, double nmPerUnit) {
  double limit = std::trunc(limitNm / nmPerUnit);
  return double(window.Width()) <= limit || double(window.Height()) <= limit;
}

ScrollRequest FullViewScroll(int32_t cw, int32_t ch) {
  return ScrollRequest{cw / kScrollUnit + 2, ch / kScrollUnit + 2, 0, 0};
}

namespace {

ScrollRequest ZoomedScroll(double magnification, double originX, double originY, int32_t cw, int32_t ch) {
  return ScrollRequest{Truncate(cw * magnification / kScrollUnit), Truncate(ch * magnification / kScrollUnit),
                       Truncate(originX / kScrollUnit), Truncate(originY / kScrollUnit)};
}

}  // namespace

std::optional<ScrollRequest> ResizeScroll(int32_t oldW, int32_t oldH, int32_t newW, int32_t newH, double magnification,
                                          int32_t x0, int32_t y0) {
  if (newW == oldW && newH == oldH) return std::nullopt;
  if (IsUnitMagnification(magnification)) return FullViewScroll(newW, newH);
  double ratio = 1.0;
  if (oldW > 0 && oldH > 0) ratio = std::min(double(newW) / oldW, double(newH) / oldH);
  return ScrollRequest{Truncate(newW * magnification / kScrollUnit), Truncate(newH * magnification / kScrollUnit),
                       Truncate(x0 * ratio / kScrollUnit), Truncate(y0 * ratio / kScrollUnit)};
}

std::optional<ScrollRequest> ZoomInScroll(double& magnification, int32_t sx, int32_t sy, int32_t cw, int32_t ch) {
  double m = std::max(cw, ch);
  double x;
  double y;
  if (m * magnification * 4 <= kMaxVirtualPixels) {
    magnification *= 4;
    x = 4.0 * (sx + 3.0 * cw / 8);
    y = 4.0 * (sy + 3.0 * ch / 8);
  } else if (m * magnification * 2 <= kMaxVirtualPixels) {
    magnification *= 2;
    x = 2.0 * (sx + cw / 4.0);
    y = 2.0 * (sy + ch / 4.0);
  } else {
    return std::nullopt;
  }
  return ZoomedScroll(magnification, x, y, cw, ch);
}

std::optional<ScrollRequest> ZoomOutScroll(double& magnification, int32_t sx, int32_t sy, int32_t cw, int32_t ch) {
  if (magnification == 1.0) return std::nullopt;
  if (magnification <= 4) {
    magnification = 1.0;
    return FullViewScroll(cw, ch);
  }
  magnification *= 0.25;
  return ZoomedScroll(magnification, 0.25 * (sx - 1.5 * cw), 0.25 * (sy - 1.5 * ch), cw, ch);
}

std::optional<ScrollRequest> ZoomToBoxScroll(ViewMapping& view, double x, double y, double halfWidth, double umPerUnit,
                                             double nmPerUnit, int32_t cw, int32_t ch) {
  if (!(halfWidth > 0) || !(umPerUnit > 0) || view.scale <= 0) return std::nullopt;
  double left = std::floor((x - halfWidth) / umPerUnit + 0.5);
  double top = std::floor((y + halfWidth) / umPerUnit + 0.5);
  double deviceLeft = (left - view.viewBox.x) * view.scale + view.offsetX;
  double deviceTop = (double(view.viewBox.y) + double(view.viewBox.h) - top) * view.scale + view.offsetY;
  double magnification = double(std::max(view.viewBox.w, view.viewBox.h)) * nmPerUnit / (2 * halfWidth * 1000);
  double cap = kMaxVirtualPixels / std::max(std::max(cw, ch), 1);
  if (!(magnification <= cap)) magnification = cap;
  view.magnification = magnification;
  double side = 2 * halfWidth / umPerUnit * view.scale * magnification;
  double originX = deviceLeft * magnification - (cw - side) / 2;
  double originY = deviceTop * magnification - (ch - side) / 2;
  return ZoomedScroll(magnification, originX, originY, cw, ch);
}

RepaintPath ChooseRepaint(const RepaintInputs& in) {
  if (!in.hasTopCell) return RepaintPath::kNothing;
  if (in.clientW <= 0 || in.clientH <= 0) return RepaintPath::kNothing;
  bool sameOrigin = in.originX == in.bufferOriginX && in.originY == in.bufferOriginY;
  bool covered = in.clientW <= in.bufferW && in.clientH <= in.bufferH;
  if (!in.viewChanged && in.hasBuffer && sameOrigin && covered) return RepaintPath::kBlit;
  return RepaintPath::kRedraw;
}

UnitFields UnitFieldsFor(double metresPerUnit) {
  UnitFields fields;
  fields.nmPerUnit = NiceValue(metresPerUnit / 1e-9);
  fields.umPerUnit = fields.nmPerUnit * 0.001;
  fields.snapGrid = std::max(SaturateToInt32(std::trunc(5.0 / fields.nmPerUnit)), 1);
  return fields;
}

uint32_t DefaultLayerColour(uint32_t layer, uint32_t datatype) {
  uint8_t components[3] = {0, 0, 0};
  components[(layer & 0xffff) % 3] = uint8_t(layer * 32);
  components[(datatype & 0xff) % 3] = uint8_t(components[(datatype & 0xff) % 3] + datatype * 8);
  return uint32_t(components[0]) | uint32_t(components[1]) << 8 | uint32_t(components[2]) << 16;
}

namespace {

// A decimal integer from the start of token: an optional sign, then digits as far as they go;
// 0 without digits. Saturates instead of overflowing.
double ReadLeadingInteger(const std::string& token) {
  size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '-' || token[i] == '+')) negative = token[i++] == '-';
  double value = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
    value = std::min(value * 10 + (token[i] - '0'), 1e12);
  }
  return negative ? -value : value;
}

}  // namespace

Box ParseCellBoxAnswer(const std::string& answer, double nmPerUnit) {
  std::vector<double> values;
  size_t pos = 0;
  while (values.size() < 4) {
    size_t start = answer.find_first_not_of(' ', pos);
    if (start == std::string::npos) break;
    size_t end = answer.find(' ', start);
    if (end == std::string::npos) end = answer.size();
    values.push_back(ReadLeadingInteger(answer.substr(start, end - start)));
    pos = end;
  }
  if (values.size() < 4) values = {-10, -10, 10, 10};
  int32_t c[4];
  for (int i = 0; i < 4; ++i) c[i] = SaturateToInt32(std::floor(values[size_t(i)] * 1000 / nmPerUnit + 0.5));
  return Box(std::min(c[0], c[2]), std::min(c[1], c[3]), std::max(c[0], c[2]), std::max(c[1], c[3]));
}

TickLine OrientationTick(int32_t left, int32_t right, int32_t bottom, int32_t top, int code) {
  int32_t dx = int32_t(std::min<int64_t>(int64_t(right) - left, 10));
  int32_t dy = int32_t(std::min<int64_t>(int64_t(bottom) - top, 10));
  switch (code) {
    case 1:
    case 4: return TickLine{left + dx, bottom, right, top + dy};
    case 2:
    case 5: return TickLine{left + dx, top, right, bottom - dy};
    case 3:
    case 6: return TickLine{right - dx, top, left, bottom - dy};
    default: return TickLine{right - dx, bottom, left, top + dy};
  }
}
