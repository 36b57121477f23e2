// Receiver point response: what every active loudspeaker delivers at one
// receiver point in the seven octave bands — direct sound, optionally
// shadowed by the room faces, and optionally the first-order reflections —
// as arrivals that are then summed within 36 ms of each band's first arrival.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "cad/cad_state.h"  // WorldPoint
#include "framework/cache_line.h"

struct ActiveSpeaker;
struct GridPoint;

constexpr int RESP_BANDS = 7;
constexpr int MAX_ARRIVALS = 2048;
constexpr float RESP_NO_ARRIVAL_TIME = 10000.0f;

// Response flags of a run.
enum : uint32_t { RESP_SHADOWING = 1, RESP_FIRST_REFLECTION = 2 };

// One band of the arrival buffer; arrival n sits at index n of every band.
struct ArrivalBand {
  float times[MAX_ARRIVALS];       // seconds
  float amplitudes[MAX_ARRIVALS];  // signed by the loudspeaker's polarity
  float first_time;                // 10000.0 until a first arrival is found
  float summed;                    // 1.0 + the summation result
  uint32_t first_index;
};
// Each worker thread writes its own buffer at every pair. Aligned and padded
// to whole cache lines, no buffer shares a line with another's: the Windows
// build's heap packs them 12 bytes apart, and the line between two buffers
// passing to and fro cost the threads up to half their speed.
struct alignas(CACHE_LINE_BYTES) ArrivalBuffer {
  ArrivalBand bands[RESP_BANDS];
};

// Tables a coverage run builds once and its threads share: every balloon as
// power ratios, cell by cell with the eight band slots side by side, and the
// faces' inverse normal lengths for ruling out reflections before mirroring.
struct RespRunTables {
  std::vector<float> gains;                // per balloon: 37 x 72 cells of 8 bands
  std::vector<int32_t> gain_offset;        // per active loudspeaker: its cells in gains, -1 none
  std::vector<const uint8_t*> gain_key;    // the balloon each offset was made from
  std::vector<double> face_inv_norm;       // 1 / |N| per face of the face table
};

// Everything one receiver point needs beside the shared read-only tables, so
// that worker threads can each compute points of their own.
struct RespContext {
  ArrivalBuffer* buffer;
  uint32_t count;                  // arrivals of the current point
  uint32_t dropped;                // arrivals that found the buffer full
  float threshold[RESP_BANDS];     // first-arrival thresholds
  float window;                    // reflection window of the current loudspeaker
  float weights[RESP_BANDS];       // reflection weights of the current face
  float last_distance_sq;          // squared source distance of the last arrival
  uint32_t flags;                  // RESP_SHADOWING | RESP_FIRST_REFLECTION
  int summation_mode;              // 1, 2, 3
  int use_face_tree;               // 0: the plain scan of the face table
  const RespRunTables* run;        // null: balloon bytes, and every face mirrored
  std::vector<double> plane;       // per face: (P - P0) . N of the current point
  // With the run's tables, the box of the points being computed and, per
  // active loudspeaker, the faces whose boxes meet the box around it and
  // that region: the only ones its direct sound there can be shadowed by.
  float region[6];
  uint32_t region_id;              // 0: no region
  std::vector<uint32_t> blockers_region;
  std::vector<std::vector<int32_t>> blockers;
};

// What a thread computing points keeps from run to run: its arrival buffer
// and its context's lists. Memory the Windows heap hands out afresh in every
// run cost page faults (it gives freed blocks back to the system) and, with
// eight threads allocating at once from the one heap, its lock. No state
// shares a cache line with another: the context is written at every pair.
struct alignas(CACHE_LINE_BYTES) RespWorkerState {
  std::unique_ptr<ArrivalBuffer> buffer = std::make_unique<ArrivalBuffer>();
  RespContext context;
};

extern ArrivalBuffer g_arrivals;
extern uint32_t g_resp_flags;        // set by each coverage run, 0 before the first
extern RespContext g_resp_context;   // the context of resp_compute_point

// The arrival buffer and the run flags back to their state before the first run.
void resp_reset_tables();
void resp_init_context(RespContext& context, ArrivalBuffer* buffer);
void resp_prepare_run(RespRunTables& tables);
void resp_compute_point(const WorldPoint& point);
void resp_compute_point_in(RespContext& context, const WorldPoint& point);
void resp_add_arrival(RespContext& context, const ActiveSpeaker& speaker, const WorldPoint& target,
                      int is_reflection);
int resp_path_is_clear(const RespContext& context, const WorldPoint& a, const WorldPoint& d,
                       int face, int nearest_mode);
int resp_mirror_in_face(const RespContext& context, const ActiveSpeaker& speaker,
                        const WorldPoint& point, int face, WorldPoint* image);
void resp_sum_band_arrivals(RespContext& context);
// The point response in its steps: a fresh buffer for the point, the direct
// sound and first reflections of one loudspeaker (the per-pair work), and
// the summation.
void resp_set_region(RespContext& context, const float box[6]);
void resp_set_region_of(RespContext& context, const GridPoint* points, uint32_t count);
void resp_begin_point(RespContext& context, const WorldPoint& point);
void resp_speaker_arrivals(RespContext& context, const ActiveSpeaker& speaker, const WorldPoint& point);
float resp_byte_to_power(uint8_t byte);
