#include "acoustics/room_check.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "acoustics/face_bvh.h"
#include "acoustics/face_table.h"
#include "acoustics/ray_geom.h"
#include "acoustics/refl_search.h"
#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/ui_seam.h"
#include "framework/worker_pool.h"

namespace {

constexpr uint32_t VISITS_PER_PROGRESS = 131072;
constexpr float LINE_LEAD = 1000.0f;     // lines start this far before the room
constexpr float LINE_LENGTH = 1e10f;
constexpr float KEY_OFFSET = 0.001f;
constexpr float SAME_PLACE = 0.001f;     // crossings this close meet the line together
constexpr int PROGRESS_WAIT_MS = 50;
constexpr const char* CAPTION_FINE = "Rock ´n´ Roll !";
constexpr const char* CAPTION_MISSING = "Flächen fehlen !";

}  // namespace

void room_check_phase_view(int phase) {
  if (phase == 0) {
    view_set_yz();
    view_zoom_all();
  } else if (phase == 1) {
    view_set_xz();
  } else {
    view_set_xy();
  }
  view_zoom_all();
}

namespace {

void draw_mark_default(const WorldPoint&) {}
void finish_views_default() { view_set_3d(); }

RoomCheckHost g_host = {room_check_phase_view, draw_mark_default, finish_views_default};

// Progress state of one check.
struct Progress {
  uint32_t visits = 0;
  std::atomic<int64_t> probes{0};
  double estimate = 1.0;
  bool cancelled = false;
} g_progress;

void other_axes(int axis, int* p, int* q) {
  *p = axis == 0 ? 1 : 0;
  *q = axis == 2 ? 1 : 2;
}

uint32_t sign_field(const FaceEntry& f, int axis) { return (f.sign_bits >> (2 * axis)) & 3u; }
int sign_of(const FaceEntry& f, int axis) { return sign_field(f, axis) == 1 ? 1 : -1; }

const float* box_of(const FaceEntry& f) { return &f.x_min; }

// The face test of one probe: sign field, the strict box on the two other
// axes, the crossing inside the outline; then the hit goes into the sorted
// list behind every entry whose key is not larger.
void test_face(int axis, int i, const WorldPoint& a, const WorldPoint& d, float p, float q, bool fast,
               std::vector<RoomCheckHit>& hits) {
  const FaceEntry& f = g_face_table[i];
  if (sign_field(f, axis) == 0) return;
  int pa, qa;
  other_axes(axis, &pa, &qa);
  const float* box = box_of(f);
  if (!(p > box[2 * pa] && p < box[2 * pa + 1] && q > box[2 * qa] && q < box[2 * qa + 1])) return;
  WorldPoint h;
  if (!(fast ? refl_intersect_table_face(i, a, d, &h) : refl_intersect_face(f, a, d, &h))) return;
  float at = axis == 0 ? h.x : axis == 1 ? h.y : h.z;
  float key = at + KEY_OFFSET * float(sign_of(f, axis));
  auto place = std::upper_bound(hits.begin(), hits.end(), key,
                                [](float k, const RoomCheckHit& e) { return k < e.key; });
  hits.insert(place, RoomCheckHit{int32_t(i), key, at});
}

WorldPoint line_start(int axis, float p, float q, const float room[6]) {
  int pa, qa;
  other_axes(axis, &pa, &qa);
  float c[3];
  c[axis] = room[2 * axis] - LINE_LEAD;
  c[pa] = p;
  c[qa] = q;
  return WorldPoint{c[0], c[1], c[2]};
}

float g_room[6];

int probe(int axis, float p, float q, const int32_t* faces, int count, bool count_visits,
          std::vector<RoomCheckHit>& hits) {
  g_progress.probes.fetch_add(1, std::memory_order_relaxed);
  hits.clear();
  WorldPoint a = line_start(axis, p, q, g_room);
  WorldPoint d{axis == 0 ? LINE_LENGTH : 0.0f, axis == 1 ? LINE_LENGTH : 0.0f, axis == 2 ? LINE_LENGTH : 0.0f};
  int n = faces ? count : g_face_count;
  for (int k = 0; k < n; ++k) {
    if (count_visits && ++g_progress.visits > VISITS_PER_PROGRESS) {
      g_progress.visits = 0;
      if (refl_room_check_progress()) return -1;
    }
    test_face(axis, faces ? faces[k] : k, a, d, p, q, faces != nullptr, hits);
  }
  return 0;
}

// What the lines of one stretch of the raster found. Votes count, per face
// (by its slot, which stays the same through the three sorts), the even
// lines that found it the right way round and those that found it wrong.
struct Tally {
  int64_t probed = 0, hits = 0, errors = 0;
  std::vector<WorldPoint> marks;
};
struct Votes {
  std::vector<int32_t> right, wrong;
  void reset(size_t n) {
    right.assign(n, 0);
    wrong.assign(n, 0);
  }
};

// Along an even line the expected facing alternates, starting with the
// probe direction. Crossings at one place are taken so that the
// alternation holds wherever it can: a closed block on the floor (floor
// toward the room, block bottom against it) and a wall between two rooms
// both pass.
void count_vote(int face, int axis, int expected, const std::vector<int32_t>& slot, Votes& votes) {
  int32_t s = slot[size_t(face)];
  if (sign_of(g_face_table[face], axis) == expected)
    votes.right[size_t(s)] += 1;
  else
    votes.wrong[size_t(s)] += 1;
}

void vote(const std::vector<RoomCheckHit>& hits, int axis, const std::vector<int32_t>& slot, Votes& votes) {
  int expected = 1;
  size_t n = hits.size();
  std::vector<int32_t> group;
  for (size_t i = 0; i < n;) {
    size_t end = i + 1;
    while (end < n && std::fabs(hits[end].at - hits[i].at) <= SAME_PLACE) ++end;
    if (end == i + 1) {
      count_vote(hits[i].face, axis, expected, slot, votes);
      expected = -expected;
      i = end;
      continue;
    }
    // Each turn takes the first face left that faces as expected, else the first left.
    group.clear();
    for (size_t k = i; k < end; ++k) group.push_back(hits[k].face);
    while (!group.empty()) {
      size_t pick = 0;
      for (size_t k = 0; k < group.size(); ++k)
        if (sign_of(g_face_table[group[k]], axis) == expected) {
          pick = k;
          break;
        }
      count_vote(group[pick], axis, expected, slot, votes);
      group.erase(group.begin() + long(pick));
      expected = -expected;
    }
    i = end;
  }
}

void assess(const std::vector<RoomCheckHit>& hits, int axis, float p, float q, const std::vector<int32_t>& slot,
            Tally& tally, Votes& votes) {
  if (hits.empty()) return;
  tally.probed += 1;
  tally.hits += int64_t(hits.size());
  if (hits.size() & 1) {
    WorldPoint mark = line_start(axis, p, q, g_room);
    (axis == 0 ? mark.x : axis == 1 ? mark.y : mark.z) = hits.front().key;
    tally.errors += 1;
    tally.marks.push_back(mark);
  } else {
    vote(hits, axis, slot, votes);
  }
}

// The raster of one phase: outer and inner axes and their coordinates.
struct Raster {
  int axis, outer, inner;
  std::vector<float> outer_values, inner_values;
};

std::vector<float> raster_values(float lo, float hi) {
  std::vector<float> v;
  for (int64_t i = 0;; ++i) {
    float c = float(double(lo) + 0.05 + ROOM_CHECK_STEP * double(i));
    if (!(c < hi)) break;
    v.push_back(c);
  }
  return v;
}

Raster raster_of(int phase) {
  // phase 0: +x, rows over z, lines over y; 1: +y, z and x; 2: +z, x and y.
  static const int layout[3][3] = {{0, 2, 1}, {1, 2, 0}, {2, 0, 1}};
  Raster r{layout[phase][0], layout[phase][1], layout[phase][2], {}, {}};
  r.outer_values = raster_values(g_room[2 * r.outer], g_room[2 * r.outer + 1]);
  r.inner_values = raster_values(g_room[2 * r.inner], g_room[2 * r.inner + 1]);
  return r;
}

// The line's (p, q) from the raster's outer and inner coordinates.
void line_coords(const Raster& r, float outer, float inner, float* p, float* q) {
  int pa, qa;
  other_axes(r.axis, &pa, &qa);
  *p = pa == r.outer ? outer : inner;
  *q = qa == r.outer ? outer : inner;
}

void take_marks(const Tally& tally, RoomCheckResult& result) {
  for (const WorldPoint& m : tally.marks) {
    g_host.draw_mark(m);
    if (result.marks.size() < size_t(ROOM_CHECK_MAX_MARKS)) result.marks.push_back(m);
  }
}

void add_tally(const Tally& t, int phase, RoomCheckResult& result) {
  result.probed_cells += t.probed;
  result.error_cells += t.errors;
  result.hits[phase] += t.hits;
  result.errors[phase] += t.errors;
}

bool phase_plain(const Raster& r, int phase, const std::vector<int32_t>& slot, Votes& votes,
                 RoomCheckResult& result) {
  std::vector<RoomCheckHit> hits;
  hits.reserve(size_t(g_face_count));
  for (float outer : r.outer_values)
    for (float inner : r.inner_values) {
      float p, q;
      line_coords(r, outer, inner, &p, &q);
      if (probe(r.axis, p, q, nullptr, 0, true, hits) < 0) return false;
      Tally t;
      assess(hits, r.axis, p, q, slot, t, votes);
      add_tally(t, phase, result);
      take_marks(t, result);
    }
  return true;
}

// Rows go to the pool's workers in order; this thread takes their tallies
// in row order, draws the marks and keeps the progress box and its cancel
// button.
bool phase_threaded(const Raster& r, int phase, const std::vector<int32_t>& slot, Votes& votes,
                    RoomCheckResult& result, int threads) {
  FaceAxisGrid grid;
  face_axis_grid_build(grid, r.axis);
  size_t rows = r.outer_values.size();
  std::vector<Tally> tallies(rows);
  std::vector<char> done(rows, 0);
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  ParkLock mutex;
  ParkCondition finished;
  std::vector<Votes> worker_votes(static_cast<size_t>(threads));
  auto work = [&](int w) {
    Votes& mine = worker_votes[size_t(w)];
    mine.reset(votes.right.size());
    std::vector<RoomCheckHit> hits;
    for (;;) {
      size_t row = next.fetch_add(1);
      if (row >= rows || stop.load(std::memory_order_relaxed)) break;
      Tally t;
      for (float inner : r.inner_values) {
        float p, q;
        line_coords(r, r.outer_values[row], inner, &p, &q);
        const int32_t* faces;
        int count;
        face_axis_grid_cell(grid, p, q, &faces, &count);
        static const int32_t none = 0;
        probe(r.axis, p, q, faces ? faces : &none, count, false, hits);
        assess(hits, r.axis, p, q, slot, t, mine);
      }
      {
        std::lock_guard<ParkLock> lock(mutex);
        tallies[row] = std::move(t);
        done[row] = 1;
      }
      finished.notify_all();
    }
  };
  WorkerTeam team;
  if (team.start(threads, work) == 0) work(0);
  auto last = std::chrono::steady_clock::now();
  bool cancelled = false;
  // The progress box every 50 ms, whether rows keep coming or not.
  auto progress_due = [&] {
    auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::milliseconds(PROGRESS_WAIT_MS)) return false;
    last = now;
    return refl_room_check_progress() != 0;
  };
  for (size_t row = 0; row < rows && !cancelled; ++row) {
    for (;;) {
      std::unique_lock<ParkLock> lock(mutex);
      bool ready =
          finished.wait_for(lock, std::chrono::milliseconds(PROGRESS_WAIT_MS), [&] { return done[row] != 0; });
      lock.unlock();
      if (progress_due()) cancelled = true;
      if (ready || cancelled) break;
    }
    if (cancelled) {
      stop = true;
      break;
    }
    add_tally(tallies[row], phase, result);
    take_marks(tallies[row], result);
    std::vector<WorldPoint>().swap(tallies[row].marks);
  }
  stop = true;
  team.join();
  if (cancelled) return false;
  for (const Votes& v : worker_votes)
    for (size_t s = 0; s < v.right.size(); ++s) {
      votes.right[s] += v.right[s];
      votes.wrong[s] += v.wrong[s];
    }
  return true;
}

int thread_count() {
  int n = g_refl_run_settings.threads;
  if (n <= 0) n = worker_pool_processors();
  return std::clamp(n, 1, 64);
}

// Slots follow the polygons, since each phase sorts the table anew.
std::vector<int32_t> slots_of(const std::unordered_map<const ElementCode*, int32_t>& by_polygon) {
  std::vector<int32_t> slot(static_cast<size_t>(g_face_count));
  for (int i = 0; i < g_face_count; ++i) slot[size_t(i)] = by_polygon.at(g_face_table[i].polygon_start);
  return slot;
}

void reverse_entry(FaceEntry& f) {
  DrawObject* o = f.owner;
  cad_reverse_polygon_in(o->elements, o->element_count, int(f.polygon_start - o->elements));
  uint32_t bits = 0;
  for (int k = 0; k < 3; ++k) {
    uint32_t s = sign_field(f, k);
    bits |= (s == 0 ? 0u : 4u - s) << (2 * k);  // 1 and 3 swap
  }
  f.sign_bits = bits;
  f.nx = -f.nx, f.ny = -f.ny, f.nz = -f.nz, f.d = -f.d;
}

long apply_reversals(const Votes& votes, const std::vector<int32_t>& slot) {
  long reversed = 0;
  for (int i = 0; i < g_face_count; ++i) {
    int32_t s = slot[size_t(i)];
    if (votes.wrong[size_t(s)] > votes.right[size_t(s)]) {
      reverse_entry(g_face_table[i]);
      reversed += 1;
    }
  }
  if (reversed > 0) g_modified = 1;
  return reversed;
}

void compose_summary(RoomCheckResult& r) {
  bool faulty[3];
  bool any = false;
  for (int k = 0; k < 3; ++k) {
    faulty[k] = r.errors[k] > 0 || r.hits[k] == 0;
    any = any || faulty[k];
  }
  r.caption = CAPTION_FINE;
  if (!any && r.reversed == 0) {
    std::snprintf(r.text, sizeof r.text, "Keine Fehler gefunden");
    return;
  }
  if (r.reversed > 0) std::snprintf(r.text, sizeof r.text, "%ldFlächen auto-invertiert ", r.reversed);
  if (!any) return;
  // Nothing probed at all counts as wholly faulty, not as a division by zero.
  double percent = r.probed_cells > 0 ? 100.0 * double(r.error_cells) / double(r.probed_cells) + 1e-6 : 100.0;
  if (percent < 0.5) {
    std::snprintf(r.text, sizeof r.text, "Fehler = %1.3lf %%", percent);
    return;
  }
  size_t n = std::strlen(r.text);
  std::snprintf(r.text + n, sizeof r.text - n, "%s%s%s-Fehler", faulty[2] ? "XY " : "", faulty[1] ? "XZ " : "",
                faulty[0] ? "YZ " : "");
  r.caption = CAPTION_MISSING;
}

double estimated_probes() {
  double x = (g_room[1] - g_room[0]) / ROOM_CHECK_STEP - 1, y = (g_room[3] - g_room[2]) / ROOM_CHECK_STEP - 1;
  double z = (g_room[5] - g_room[4]) / ROOM_CHECK_STEP - 1;
  double e = std::trunc(x * y + y * z + x * z);
  return e >= 1.0 ? e : 1.0;
}

}  // namespace

RoomCheckHost& room_check_host() { return g_host; }
void room_check_reset_host() { g_host = RoomCheckHost{room_check_phase_view, draw_mark_default, finish_views_default}; }

void refl_room_bounds(float box[6]) {
  box[0] = box[2] = box[4] = 1e10f;
  box[1] = box[3] = box[5] = -1e10f;
  for (int i = 0; i < g_face_count; ++i) {
    const float* b = box_of(g_face_table[i]);
    for (int k = 0; k < 3; ++k) {
      if (b[2 * k] < box[2 * k]) box[2 * k] = b[2 * k];
      if (b[2 * k + 1] > box[2 * k + 1]) box[2 * k + 1] = b[2 * k + 1];
    }
  }
}

int refl_probe_room(int axis, float p, float q, const int32_t* faces, int count, std::vector<RoomCheckHit>& hits) {
  return probe(axis, p, q, faces, count, true, hits);
}

int refl_room_check_progress() {
  double percent = double(g_progress.probes.load()) * 100.0 / g_progress.estimate;
  if (percent > 100.0) percent = 100.0;
  char text[32];
  std::snprintf(text, sizeof text, "%1.2f %%", percent);
  if (ui_progress_update_text(int(percent), text)) g_progress.cancelled = true;
  return g_progress.cancelled ? 1 : 0;
}

void refl_room_check(RoomCheckResult& result) {
  result = RoomCheckResult{};
  if (refl_build_face_table() < 2) {
    ui_message_box("Kein Raum zu erkennen", nullptr, UI_MB_OK);
    return;
  }
  result.ran = 1;
  std::unordered_map<const ElementCode*, int32_t> by_polygon;
  for (int i = 0; i < g_face_count; ++i) by_polygon.emplace(g_face_table[i].polygon_start, i);
  Votes votes;
  votes.reset(size_t(g_face_count));
  refl_room_bounds(g_room);
  g_progress.visits = 0;
  g_progress.probes = 0;
  g_progress.cancelled = false;
  g_progress.estimate = estimated_probes();
  ui_progress_open("Suchmodus :");
  static bool (*const orders[3])(const FaceEntry&, const FaceEntry&) = {refl_compare_faces_x, refl_compare_faces_y,
                                                                        refl_compare_faces_z};
  bool plain = g_refl_run_settings.use_tree == 0 && g_refl_run_settings.threads == 1;
  std::vector<int32_t> slot;
  for (int phase = 0; phase < 3; ++phase) {
    g_host.show_view(phase);
    refl_sort_faces_by(orders[phase]);
    slot = slots_of(by_polygon);
    Raster r = raster_of(phase);
    bool finished = plain ? phase_plain(r, phase, slot, votes, result)
                          : phase_threaded(r, phase, slot, votes, result, thread_count());
    if (!finished) {
      result.cancelled = 1;
      break;
    }
  }
  ui_progress_close();
  result.probes = g_progress.probes.load();
  if (!result.cancelled) {
    result.reversed = apply_reversals(votes, slot);
    compose_summary(result);
    ui_message_box(result.text, result.caption, UI_MB_OK);
  }
  g_host.finish_views();
  for (const WorldPoint& m : result.marks) g_host.draw_mark(m);
}

void refl_cmd_room_check() {
  RoomCheckResult result;
  refl_room_check(result);
}
