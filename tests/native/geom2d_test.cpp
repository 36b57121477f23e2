#include "framework/geom2d.h"

#include <gtest/gtest.h>

namespace {

TEST(Geom2d, PointInRectIncludesTheEdges) {
  const GeoRect r{10, 20, 30, 40};
  struct Case {
    GeoPoint p;
    int in;
  };
  const Case cases[] = {{{10, 20}, 1}, {{30, 40}, 1}, {{20, 30}, 1}, {{9, 30}, 0},
                        {{31, 30}, 0}, {{20, 19}, 0}, {{20, 41}, 0}};
  for (const Case& c : cases) EXPECT_EQ(gfx_point_in_rect(c.p, r), c.in) << c.p.x << "," << c.p.y;
}

TEST(Geom2d, RectsOverlapWhenTheyTouch) {
  const GeoRect a{0, 0, 10, 10};
  struct Case {
    GeoRect b;
    int overlap;
  };
  const Case cases[] = {{{10, 0, 20, 10}, 1},  {{0, 10, 10, 20}, 1}, {{-5, -5, 0, 0}, 1}, {{2, 2, 3, 3}, 1},
                        {{-5, -5, 20, 20}, 1}, {{11, 0, 20, 10}, 0}, {{0, 11, 10, 20}, 0},
                        {{-9, 0, -1, 10}, 0},  {{0, -9, 10, -1}, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(gfx_rects_overlap(a, c.b), c.overlap) << c.b.left << "," << c.b.top;
    EXPECT_EQ(gfx_rects_overlap(c.b, a), c.overlap) << c.b.left << "," << c.b.top;
  }
}

TEST(Geom2d, SegmentIntersection) {
  double x = -1, y = -1;
  EXPECT_EQ(gfx_intersect_segments(0, 0, 10, 10, 0, 10, 10, 0, &x, &y), 1);
  EXPECT_DOUBLE_EQ(x, 5);
  EXPECT_DOUBLE_EQ(y, 5);
  EXPECT_EQ(gfx_intersect_segments(0, 0, 10, 0, 10, -5, 10, 5, &x, &y), 1);  // meeting at an end
  EXPECT_DOUBLE_EQ(x, 10);
  EXPECT_DOUBLE_EQ(y, 0);
  x = y = -1;
  EXPECT_EQ(gfx_intersect_segments(0, 0, 10, 0, 0, 1, 10, 1, &x, &y), 0);  // parallel
  EXPECT_EQ(gfx_intersect_segments(0, 0, 10, 0, 5, 0, 20, 0, &x, &y), 0);  // collinear
  EXPECT_EQ(x, -1);                                                        // untouched when parallel
  EXPECT_EQ(gfx_intersect_segments(0, 0, 4, 0, 5, -5, 5, 5, &x, &y), 0);  // only the extension meets
  EXPECT_DOUBLE_EQ(x, 5);
  EXPECT_DOUBLE_EQ(y, 0);
}

TEST(Geom2d, PointInPolygonEvenOddWithRegionEdges) {
  const GeoPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  EXPECT_EQ(gfx_point_in_polygon(square, 4, 5, 5), 1);
  EXPECT_EQ(gfx_point_in_polygon(square, 4, 0, 0), 1);    // top-left corner inside
  EXPECT_EQ(gfx_point_in_polygon(square, 4, 9, 9), 1);
  EXPECT_EQ(gfx_point_in_polygon(square, 4, 10, 5), 0);   // right edge outside
  EXPECT_EQ(gfx_point_in_polygon(square, 4, 5, 10), 0);   // bottom edge outside
  EXPECT_EQ(gfx_point_in_polygon(square, 4, -1, 5), 0);
  // A five-pointed star drawn in one stroke: its centre is covered twice, so even-odd leaves it out.
  const GeoPoint star[] = {{50, 0}, {79, 90}, {2, 35}, {98, 35}, {21, 90}};
  EXPECT_EQ(gfx_point_in_polygon(star, 5, 50, 50), 0);
  EXPECT_EQ(gfx_point_in_polygon(star, 5, 50, 10), 1);
  EXPECT_EQ(gfx_point_in_polygon(square, 2, 5, 5), 0);  // no area
  EXPECT_EQ(gfx_point_in_polygon(nullptr, 0, 5, 5), 0);
}

TEST(Geom2d, AvailableMemoryIsTheFixedFigure) { EXPECT_EQ(win_available_memory(), 1048576); }

}  // namespace
