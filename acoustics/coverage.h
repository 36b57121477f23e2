// Coverage calculation (level + time): a regular grid of receiver points
// over the listener areas, the receiver point response of every active
// loudspeaker at each point, per-band energies and first-arrival times with
// their extremes, and the reverberant field the metrics combine them with.
#pragma once
#include <cstdint>

#include "project/coverage_grid.h"

// Reverberant field, recomputed on demand.
extern double g_power_abs[COV_BANDS];
extern double g_power_rss[COV_BANDS];
extern double g_reverb_energy[COV_BANDS];
extern double g_reverb_time[COV_BANDS];  // the reverberation times it was computed with
extern double g_reverb_volume;

// How a run spreads its work: worker threads (0 = one per processor) and the
// fast paths (face box tree, balloon cells, reflections ruled out before
// mirroring); one thread without them is the plain sequential loop. Every
// setting gives the same result.
struct CovRunSettings {
  int threads;
  int fast_paths;
};
extern CovRunSettings g_cov_run_settings;

int cov_start_level_time();
int cov_build_listener_areas();
void cov_listener_area_bounds(const DrawObject* object, ListenerArea& area);
int cov_compare_listener_areas(const void* first, const void* second);
double cov_total_listener_area();
int cov_point_in_listener_area(const ListenerArea& area, float x, float y);
int cov_build_grid();
void cov_reset_grid_extremes();
int cov_calculate_grid();
void cov_sum_speaker_power();
void cov_compute_reverberant_field();
void cov_reset();

// Menu command 5001 (Win32 glue).
void cov_cmd_level_time();
