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

namespace {

// Energies of 1.0 or less stand for "nothing arrived" (the grid's floor).
bool band_reached(const GridPoint& p, int b) { return p.energy[b] > 1.0f; }

bool direct_sound_reached(int band, const GridPoint& p) {
  if (band >= 0 && band < COV_BANDS) return band_reached(p, band);
  for (int b = 0; b < COV_BANDS; ++b)
    if (band_reached(p, b)) return true;
  return false;
}

}  // namespace

// The value the map shows at the point, or NaN where the mode has nothing to
// show: no direct sound for Ld and Ld-Lr, no arrival for the time. Such a
// point takes no part in the legend's range and is drawn in the lowest colour.
// (Lt and STI always have the reverberant field.)
double cov_shown_value(int mode, int band, const GridPoint& point) {
  if ((mode == COV_MODE_LD || mode == COV_MODE_LD_LR) && !direct_sound_reached(band, point))
    return std::nan("");
  double value = cov_point_value(mode, band, point);
  if (mode == COV_MODE_TIME && !(value < COV_NO_ARRIVAL_MS)) return std::nan("");
  return value;
}

// Top and bottom of the legend before rounding: the largest and smallest of
// the values the map shows, whatever the mode and band. False when the map
// shows no value at all.
bool cov_shown_range(const double* values, uint32_t count, double* top, double* bottom) {
  *top = -32000.0;
  *bottom = 32000.0;
  bool any = false;
  for (uint32_t i = 0; i < count; ++i) {
    double v = values[i];
    if (std::isnan(v)) continue;
    if (v > *top) *top = v;
    if (v < *bottom) *bottom = v;
    any = true;
  }
  return any;
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
