#include "framework/geom2d.h"

#include <algorithm>
#include <cmath>

// Edges included.
int gfx_point_in_rect(GeoPoint point, const GeoRect& rect) {
  return point.x >= rect.left && point.x <= rect.right && point.y >= rect.top && point.y <= rect.bottom;
}

// Rectangles that only touch count as overlapping.
int gfx_rects_overlap(const GeoRect& a, const GeoRect& b) {
  return !(a.right < b.left || a.left > b.right || a.bottom < b.top || a.top > b.bottom);
}

namespace {

bool within(double v, double a, double b) { return v >= std::min(a, b) && v <= std::max(a, b); }

}  // namespace

// Intersection of the segments (x1,y1)-(x2,y2) and (x3,y3)-(x4,y4): 1 and the
// point when they cross (ends included), 0 when parallel or when only their
// extensions meet. The point is written whenever the lines are not parallel.
int gfx_intersect_segments(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                           double* out_x, double* out_y) {
  double a1 = y1 - y2, b1 = x2 - x1, c1 = x1 * y2 - x2 * y1;
  double a2 = y3 - y4, b2 = x4 - x3, c2 = x3 * y4 - x4 * y3;
  double det = a1 * b2 - a2 * b1;
  if (std::fabs(det) < 1e-8) return 0;
  double x = (b1 * c2 - b2 * c1) / det;
  double y = (c1 * a2 - c2 * a1) / det;
  *out_x = x;
  *out_y = y;
  return within(x, x1, x2) && within(y, y1, y2) && within(x, x3, x4) && within(y, y3, y4);
}

// Even-odd test with the pixel rule of a polygon region: a point on a left or
// top edge is inside, on a right or bottom edge outside. Each edge spans
// [lower y, upper y) and counts when it passes strictly right of the point;
// the comparison is exact in 64-bit integers.
int gfx_point_in_polygon(const GeoPoint* points, int count, int32_t x, int32_t y) {
  if (!points || count < 3) return 0;
  bool inside = false;
  for (int i = 0, j = count - 1; i < count; j = i++) {
    int64_t xi = points[i].x, yi = points[i].y, xj = points[j].x, yj = points[j].y;
    if ((yi > y) == (yj > y)) continue;
    // x < xi + (y - yi) (xj - xi) / (yj - yi), multiplied out by (yj - yi).
    int64_t lhs = (int64_t(x) - xi) * (yj - yi);
    int64_t rhs = (int64_t(y) - yi) * (xj - xi);
    if (yj > yi ? lhs < rhs : lhs > rhs) inside = !inside;
  }
  return inside ? 1 : 0;
}

// A fixed figure: the copy and mirror commands refuse selections larger than this.
int32_t win_available_memory() { return 1048576; }
