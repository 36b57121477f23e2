// The search for sound paths from every active loudspeaker to one receiver:
// the direct path, specular reflections by image sources up to an order
// and, above it, specular ray tracing. Found paths are checked for
// visibility and written to a path spool, loudspeaker by loudspeaker.
//
// The plain loop (one thread, no tree) follows the method step by step on
// the calling thread. Any other setting spreads loudspeakers, first-level
// faces and rays over worker threads, prefilters the faces of each image
// source four at a time and tests visibility and rays through the face
// trees; it writes the same paths in the same order, so the spool bytes are
// the same.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"  // WorldPoint

struct PathSpool;

constexpr int REFL_MAX_ORDER = 40;
constexpr int REFL_RAYS_PER_SOURCE = 61198;

struct ReflRunSettings {
  int threads;   // 0: one per processor
  int use_tree;  // 0: plain scans of the face table
};
extern ReflRunSettings g_refl_run_settings;

// Calculation values kept between the steps.
extern double g_refl_mean_free_path;  // 0 when not estimated
extern int g_refl_cancelled;

struct ReflSearchSetup {
  WorldPoint receiver;
  int image_order;     // image sources up to this order (at least 1)
  int ray_order;       // rays up to this order; 0: no rays
  int ray_min_order;   // rays record paths from this reflection count on
  int with_progress;   // the progress box is open and can cancel
};

// Order of the calculation at a point: 10 / ln(faces x loudspeakers),
// truncated, 1 to 3 (one face and one loudspeaker: 3).
int refl_point_order(int faces, int speakers);
// Split of the ray command's order: the first k of 3 .. order with
// (faces - 1)^k > 8e9 gives image sources up to k - 1 and rays from k on;
// without one (or for orders 1 and 2) only image sources.
void refl_split_orders(int faces, int order, int* image_order, int* ray_min_order);
double refl_progress_estimate(const ReflSearchSetup& setup, int faces, int speakers);

// The search over the active-loudspeaker table and the built face table.
// Returns 1 when it ran to the end, 0 when cancelled (the paths spooled up
// to then stay in the spool).
int refl_search_paths(const ReflSearchSetup& setup, PathSpool& spool);

// Mean free path seen from p: rays of every 16th ring and azimuth, seven
// segments each; 0 without faces or without any segment.
double refl_estimate_mean_free_path(const WorldPoint& p);

// Ray directions of the ray search: 199 rings, fewer azimuths toward the
// poles (61198 directions). ring_steps[j] for j = 0 .. 200.
void refl_ray_tables(float cos_table[400], float sin_table[400], int ring_steps[201]);
WorldPoint refl_ray_direction(const float cos_table[400], const float sin_table[400], int ring, int azimuth);
