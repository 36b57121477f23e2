#include "acoustics/cov_values.h"

#include <cmath>

#include "acoustics/cov_legend.h"
#include "acoustics/coverage.h"
#include "acoustics/sti.h"
#include "cad/projection.h"

namespace {

double band_value(int mode, int band, float energy, float time) {
  switch (mode) {
    case COV_MODE_LD: return 10.0 * std::log10(energy);
    case COV_MODE_LT: return cov_total_level_band(energy, band);
    case COV_MODE_TIME: return time;
    case COV_MODE_STI: return sti_band(energy, band);
    case COV_MODE_STI_EXPORT: return sti_export_band(energy, band);
    case COV_MODE_LD_LR: return cov_direct_reverberant_band(energy, band);
    default: return 0.0;
  }
}

}  // namespace

// The mode's value for one band (0..6) or all bands together (7).
double cov_point_value(int mode, int band, const GridPoint& point) {
  if (band >= 0 && band < COV_BANDS) return band_value(mode, band, point.energy[band], point.time[band]);
  switch (mode) {
    case COV_MODE_LD: return cov_direct_level_all(point.energy);
    case COV_MODE_LT: return cov_total_level_all(point.energy);
    case COV_MODE_TIME: return cov_first_arrival_time(point.time);
    case COV_MODE_STI:
    case COV_MODE_STI_EXPORT: return sti_all_bands(point.energy);
    case COV_MODE_LD_LR: return cov_direct_reverberant_all(point.energy);
    default: return 0.0;
  }
}

// Top and bottom of the legend before rounding: the mode's band value of the
// grid's largest and smallest energy (arrival time in the time mode); for all
// bands the widest of the seven band ranges.
void cov_grid_range(int mode, int band, const CoverageGrid& grid, double* top, double* bottom) {
  *top = -32000.0;
  *bottom = 32000.0;
  int first = band >= 0 && band < COV_BANDS ? band : 0;
  int last = band >= 0 && band < COV_BANDS ? band : COV_BANDS - 1;
  // STI in all bands is ranged by the export value of each band.
  int band_mode = mode == COV_MODE_STI ? COV_MODE_STI_EXPORT : mode;
  for (int b = first; b <= last; ++b) {
    double high, low;
    if (mode == COV_MODE_TIME) {
      high = grid.max_time[b];
      low = grid.min_time[b];
    } else {
      high = band_value(band_mode, b, grid.max_energy[b], 0.0f);
      low = band_value(band_mode, b, grid.min_energy[b], 0.0f);
    }
    if (high > *top) *top = high;
    if (low < *bottom) *bottom = low;
  }
}

// Height of a position on the point's listener-area plane a x + b y + c z = d.
float cov_plane_z(const GridPoint& point, float x, float y) {
  if (!g_listener_areas || point.area >= static_cast<unsigned>(g_listener_area_count)) return point.z;
  const ListenerArea& area = g_listener_areas[point.area];
  if (area.c == 0.0f) return point.z;
  return (area.d - area.a * x - area.b * y) / area.c;
}

ScreenPoint cov_project_grid_point(const GridPoint& point) {
  view_project_point(WorldPoint{point.x, point.y, cov_plane_z(point, point.x, point.y)});
  return view_screen_points()[0];
}

// The grid point nearest to the position within the pick radius, the first
// one of equal distance winning; -1 when none is that close.
int cov_nearest_grid_point(int mouse_x, int mouse_y) {
  double best = 1000.0;
  int found = -1;
  uint32_t count = g_coverage_grid.point_count;
  if (count > MAX_GRID_POINTS) count = MAX_GRID_POINTS;
  for (uint32_t i = 0; i < count; ++i) {
    ScreenPoint s = cov_project_grid_point(g_coverage_grid.points[i]);
    double dx = s.x - mouse_x, dy = s.y - mouse_y;
    double distance = std::sqrt(dx * dx + dy * dy);
    if (distance < COV_PICK_RADIUS && distance < best) {
      best = distance;
      found = static_cast<int>(i);
    }
  }
  return found;
}
