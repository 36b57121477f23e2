// The coverage result as the project keeps it: the switched-on loudspeakers
// prepared for a calculation, the listener-area planes and the grid of
// receiver points with their per-band energies and first-arrival times. The
// coverage calculation fills it; the project and map files store and restore it.
#pragma once
#include <cstdint>

struct DrawObject;
struct PlacedSpeaker;

constexpr int MAX_ACTIVE_SPEAKERS = 5000;
constexpr int MAX_GRID_POINTS = 64000;
constexpr int COV_BANDS = 7;
constexpr int COV_ALL_BANDS = 7;  // band index meaning all bands together
constexpr float COV_NO_ARRIVAL_MS = 10000.0f;  // first-arrival time of a point nothing reached
constexpr int COV_SPACINGS = 8;
constexpr float COV_SPACING_M[COV_SPACINGS] = {0.25f, 0.5f, 1.0f, 2.0f, 5.0f, 10.0f, 25.0f, 50.0f};

// A switched-on loudspeaker prepared for a calculation: angle flags with
// their sines and cosines, and the bands it serves.
struct ActiveSpeaker {
  PlacedSpeaker* speaker;
  uint16_t rotation_flag, vertical_flag, horizontal_flag;
  uint16_t band_mask;              // bit b: |on-axis intensity of band b| > 1000
  float sin_rotation, cos_rotation;
  float sin_vertical, cos_vertical;
  float sin_horizontal, cos_horizontal;
  const uint8_t* balloon;          // in memory only: its type's 7 x 37 x 72 balloon bytes
};
extern int16_t g_active_speaker_count;
extern ActiveSpeaker g_active_speakers[MAX_ACTIVE_SPEAKERS];
extern uint16_t g_band_speaker_counts[8];  // bands 0-6, [7] = 1 when any of bands 1-5 is served

// One listener-area plane: a x + b y + c z = d, with its plan rectangle.
struct ListenerArea {
  DrawObject* area;
  float a, b, c, d;
  float x_min, x_max, y_min, y_max;
  float z_max;
};
extern ListenerArea* g_listener_areas;  // allocated anew by each grid laying
extern int16_t g_listener_area_count;

struct GridPoint {
  float x, y, z;
  float energy[COV_BANDS];  // linear, at least 1.0
  float time[COV_BANDS];    // first arrival, ms; COV_NO_ARRIVAL_MS without an arrival
  uint16_t area;            // index of its ListenerArea record
};
struct CoverageGrid {
  uint32_t point_count;
  float min_energy[COV_BANDS];
  float max_energy[COV_BANDS];
  float min_time[COV_BANDS];
  float max_time[COV_BANDS];
  GridPoint points[MAX_GRID_POINTS];
};
extern CoverageGrid g_coverage_grid;
extern int16_t g_coverage_valid;     // 1 while the grid holds a complete result
extern float g_grid_spacing;         // metres
extern float g_grid_half_spacing;

// The active table and the per-band counts from the placed loudspeakers as they are now.
// One loudspeaker prepared for a calculation: false for one that is not
// switched on or serves no band; otherwise each band whose on-axis
// intensity exceeds min_intensity is counted in g_band_speaker_counts.
bool cov_prepare_active_speaker(PlacedSpeaker* ps, float min_intensity, ActiveSpeaker& a);
int cov_build_active_speakers();
// No result: the tables empty, the grid without points.
void cov_reset_grid();
