// What the coverage map shows at a grid point in each display mode, the range
// of a mode over the grid, and the grid point under a window position.
#pragma once

struct GridPoint;
struct CoverageGrid;
struct ScreenPoint;

constexpr double COV_PICK_RADIUS = 10.0;  // pixels

double cov_point_value(int mode, int band, const GridPoint& point);
void cov_grid_range(int mode, int band, const CoverageGrid& grid, double* top, double* bottom);
float cov_plane_z(const GridPoint& point, float x, float y);
ScreenPoint cov_project_grid_point(const GridPoint& point);
int cov_nearest_grid_point(int mouse_x, int mouse_y);
