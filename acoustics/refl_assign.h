// After a search or a ray-file load: each ray path is given its source
// loudspeaker, its arrival time and its seven band levels from the geometry
// and the current model, the paths are sorted by arrival time, and the
// room's mean absorption and decay times are derived from them.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"  // WorldPoint

struct ActiveSpeaker;

// What the assignment derives for the echogram: per band 0 .. 6 and, at
// index 7, over all bands.
struct ReflDecay {
  float mean_absorption[8];
  float mean_free_path;   // metres; 0.1 when it could not be found
  float reflection_rate;  // 343 / mean free path, per second
  float decay_time[8];    // seconds; [7] the mean of the seven
  int band_values;        // 0: the mean free path was not usable, the band values stay 0
  uint32_t assigned;      // paths kept
  uint32_t unassigned;    // paths no loudspeaker claimed (deleted)
};
extern ReflDecay g_refl_decay;

int refl_find_source_at(const WorldPoint& point);
void refl_balloon_gain(const WorldPoint& point, const ActiveSpeaker& speaker, double gain[7]);
// Decay time of one band: 6 ln 10 M / (343 (-ln(1 - alpha) - M ln air)).
double refl_decay_time(double mean_absorption, double mean_free_path, double air_per_metre);

// Rebuilds and sorts the face table and the active-loudspeaker table, then
// fills every ray path's arrival block; paths without a source or naming a
// face beyond the table are deleted and reported. Returns the number kept.
uint32_t refl_assign_paths();
void refl_sort_paths_by_time();
