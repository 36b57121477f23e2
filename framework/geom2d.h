// 2D tests on screen coordinates for picking and editing, and the fixed
// free-memory figure the copy and mirror commands test against.
#pragma once
#include <cstdint>

struct GeoPoint {
  int32_t x, y;
};

struct GeoRect {
  int32_t left, top, right, bottom;
};

int gfx_point_in_rect(GeoPoint point, const GeoRect& rect);
int gfx_rects_overlap(const GeoRect& a, const GeoRect& b);
int gfx_intersect_segments(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4,
                           double* out_x, double* out_y);
int gfx_point_in_polygon(const GeoPoint* points, int count, int32_t x, int32_t y);
int32_t win_available_memory();
