#include "db/segment.h"

#include <cmath>

#include "db/numeric.h"

bool Segment::IsParallel(const Segment& o) const {
  if (IsHorizontal()) return o.IsHorizontal();
  if (IsVertical()) return o.IsVertical();
  return (double(o.x2) - o.x1) * (double(y2) - y1) == (double(o.y2) - o.y1) * (double(x2) - x1);
}

double Segment::YAtX(double x) const {
  if (IsHorizontal()) return y1;
  return y1 + (x - x1) * ((double(y2) - y1) / (double(x2) - x1));
}

bool Segment::Intersect(const Segment& o, double& x, double& y) const {
  if (IsParallel(o)) return false;
  if (IsVertical()) {
    x = x1;
    y = o.YAtX(x);
  } else if (o.IsVertical()) {
    x = o.x1;
    y = YAtX(x);
  } else {
    double m1 = (double(y2) - y1) / (double(x2) - x1);
    double m2 = (double(o.y2) - o.y1) / (double(o.x2) - o.x1);
    x = ((y1 - x1 * m1) - (o.y1 - o.x1 * m2)) / (m2 - m1);
    y = (y1 - x1 * m1) + m1 * x;
  }
  return true;
}

bool Segment::IntersectRounded(const Segment& o, int32_t& x, int32_t& y) const {
  double dx, dy;
  if (!Intersect(o, dx, dy)) return false;
  double rx = std::floor(dx + 0.5), ry = std::floor(dy + 0.5);
  // Nearly parallel lines far apart give huge or non-finite points: no usable crossing.
  if (!(rx >= INT32_MIN && rx <= INT32_MAX && ry >= INT32_MIN && ry <= INT32_MAX)) return false;
  x = static_cast<int32_t>(rx);
  y = static_cast<int32_t>(ry);
  return true;
}

Point Segment::Project(int32_t px, int32_t py) const {
  if (IsVertical()) return Point(x1, py);
  if (IsHorizontal()) return Point(px, y1);
  double dx = double(x2) - x1, dy = double(y2) - y1;
  double t = ((double(py) - y1) * dy + (double(px) - x1) * dx) / (dx * dx + dy * dy);
  return Point(WrapToInt32(int64_t(x1) + RoundToInt(dx * t)), WrapToInt32(int64_t(y1) + RoundToInt(dy * t)));
}

int Segment::Side(int32_t px, int32_t py) const {
  // Exact in 128 bits: the products of 33-bit differences do not fit a double's mantissa.
  __int128 c = __int128(int64_t(x2) - x1) * (int64_t(py) - y1) - __int128(int64_t(px) - x1) * (int64_t(y2) - y1);
  if (c < 0) return 1;
  if (c > 0) return -1;
  return 0;
}

void Segment::TurnRight() {
  int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
  x2 = WrapToInt32(x1 + dy);
  y2 = WrapToInt32(y1 - dx);
}
