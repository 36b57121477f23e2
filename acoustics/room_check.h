// The room check: axis-parallel probe lines on a 0.1 raster in three
// directions count the room faces they cross. An odd count marks a hole (a
// face is missing there); along a line with an even count the faces must
// alternate between facing the probe direction and facing against it, and
// faces that point out of the room are reversed in the model.
//
// A face is reversed only when most of the even lines that cross it find it
// the wrong way round, decided after all three directions, so faces that
// share a plane (a block standing on the floor) are not flipped back and
// forth line by line. Where several faces meet a line at the same place
// they are taken in the order that keeps the alternation.
//
// The plain loop tests every face for every line on the calling thread;
// otherwise the rows of the raster go to worker threads and each line
// tests only the faces of its cell in a grid over the two other axes. Both
// give the same counts, marks and reversals.
#pragma once
#include <cstdint>
#include <vector>

#include "cad/cad_state.h"  // WorldPoint

constexpr int ROOM_CHECK_MAX_MARKS = 5460;
constexpr double ROOM_CHECK_STEP = 0.1;
constexpr double ROOM_CHECK_CELL_AREA = 0.01;

// What the program fills in; the defaults work headless.
struct RoomCheckHost {
  void (*show_view)(int phase);             // 0: YZ, 1: XZ, 2: XY, zoomed to show everything
  void (*draw_mark)(const WorldPoint& at);  // the error mark in the current view
  void (*finish_views)();                   // the F4 key to the main window
};
RoomCheckHost& room_check_host();
void room_check_phase_view(int phase);  // the default show_view
void room_check_reset_host();

// One face on a probe line: its table index, the sort key (the crossing
// on the probe axis, 0.001 further for a face toward the probe direction,
// 0.001 nearer for one against it) and the crossing itself.
struct RoomCheckHit {
  int32_t face;
  float key;
  float at;
};

struct RoomCheckResult {
  int ran = 0;        // 0: no room (fewer than two faces)
  int cancelled = 0;  // stopped by the user: no summary, nothing reversed
  int64_t probes = 0;
  int64_t hits[3] = {};    // per phase: YZ raster (+x), XZ (+y), XY (+z)
  int64_t errors[3] = {};  // probes with an odd count
  int64_t probed_cells = 0, error_cells = 0;
  long reversed = 0;
  std::vector<WorldPoint> marks;  // at most ROOM_CHECK_MAX_MARKS
  char text[96] = {};
  const char* caption = nullptr;
};

// The room box: the smallest minimum and largest maximum of all face boxes.
void refl_room_bounds(float box[6]);

// One probe along `axis` through the two other coordinates (p, q) (y, z
// for x; x, z for y; x, y for z) against every face in table order, or
// only the `count` listed ones; fills the hit list sorted by key. Every
// face visit counts for the progress; -1 when the user cancelled.
int refl_probe_room(int axis, float p, float q, const int32_t* faces, int count,
                    std::vector<RoomCheckHit>& hits);
// Percent of the estimated probes done; 1 when cancelled.
int refl_room_check_progress();

// The whole check over the room faces, the summary message included.
void refl_room_check(RoomCheckResult& result);
void refl_cmd_room_check();
