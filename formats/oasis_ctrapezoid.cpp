#include "formats/oasis_ctrapezoid.h"

#include "db/error.h"

namespace {

// One corner: x = xw * w + xh * h, y = yw * w + yh * h.
struct Corner {
  int8_t xw, xh, yw, yh;
};

struct Shape {
  int count;
  Corner c[4];
};

constexpr Corner O{0, 0, 0, 0};      // (0, 0)
constexpr Corner W0{1, 0, 0, 0};     // (w, 0)
constexpr Corner H0{0, 1, 0, 0};     // (h, 0)
constexpr Corner WmH0{1, -1, 0, 0};  // (w - h, 0)
constexpr Corner OH{0, 0, 0, 1};     // (0, h)
constexpr Corner HH{0, 1, 0, 1};     // (h, h)
constexpr Corner WH{1, 0, 0, 1};     // (w, h)
constexpr Corner WmHH{1, -1, 0, 1};  // (w - h, h)
constexpr Corner OW{0, 0, 1, 0};     // (0, w)
constexpr Corner WW{1, 0, 1, 0};     // (w, w)
constexpr Corner OHmW{0, 0, -1, 1};  // (0, h - w)
constexpr Corner WHmW{1, 0, -1, 1};  // (w, h - w)

// Types 0 to 7 cut the corners of a horizontal trapezoid at 45 degrees by h, 8 to 15 those of
// a vertical one by w; 16 to 23 are the 45-degree triangles.
constexpr Shape kShapes[24] = {
    {4, {O, W0, WmHH, OH}}, {4, {O, WmH0, WH, OH}},  {4, {O, W0, WH, HH}},   {4, {H0, W0, WH, OH}},
    {4, {O, W0, WmHH, HH}}, {4, {H0, WmH0, WH, OH}}, {4, {O, WmH0, WH, HH}}, {4, {H0, W0, WmHH, OH}},
    {4, {O, W0, WHmW, OH}}, {4, {O, W0, WH, OHmW}},  {4, {O, WW, WH, OH}},   {4, {OW, W0, WH, OH}},
    {4, {O, WW, WHmW, OH}}, {4, {OW, W0, WH, OHmW}}, {4, {O, WW, WH, OHmW}}, {4, {OW, W0, WHmW, OH}},
    {3, {O, W0, OW, O}},    {3, {O, WW, OW, O}},     {3, {O, W0, WW, O}},    {3, {W0, WW, OW, O}},
    {3, {O, W0, HH, O}},    {3, {H0, WH, OH, O}},    {3, {O, WW, OH, O}},    {3, {W0, WH, OW, O}},
};

}  // namespace

bool CTrapezoidNeedsWidth(uint64_t type) { return type != 20 && type != 21; }

bool CTrapezoidNeedsHeight(uint64_t type) {
  return !((type >= 16 && type <= 19) || type == 22 || type == 23 || type == 25);
}

int CTrapezoidCorners(uint64_t type, int64_t w, int64_t h, OasisDelta corners[4]) {
  if (type > 25) throw Error(kTagOasisIn, "Invalid ctrapezoid type");
  if ((type >= 16 && type <= 19) || type == 25) h = w;
  if (type == 20 || type == 21) w = 2 * h;
  if (type == 22 || type == 23) h = 2 * w;
  if (type >= 24) {
    corners[0] = {0, 0};
    corners[1] = {w, 0};
    corners[2] = {w, h};
    corners[3] = {0, h};
    return 4;
  }
  const Shape& shape = kShapes[type];
  for (int i = 0; i < shape.count; ++i) {
    const Corner& c = shape.c[i];
    corners[i] = {c.xw * w + c.xh * h, c.yw * w + c.yh * h};
  }
  return shape.count;
}
