// What the coverage map shows at a grid point in each display mode, the range
// of the shown values, and the grid point under a window position.
#pragma once
#include <cstdint>

struct GridPoint;
struct CoverageGrid;
struct ScreenPoint;

constexpr double COV_PICK_RADIUS = 10.0;  // pixels

double cov_point_value(int mode, int band, const GridPoint& point);
double cov_shown_value(int mode, int band, const GridPoint& point);
bool cov_shown_range(const double* values, uint32_t count, double* top, double* bottom);
float cov_plane_z(const GridPoint& point, float x, float y);
ScreenPoint cov_project_grid_point(const GridPoint& point);
int cov_nearest_grid_point(int mouse_x, int mouse_y);
