// Coverage calculation timing over a generated hall of about 300 faces with
// listener areas of 64000 points. Each case runs
//   - with worker threads and the fast paths (best of three runs, and the
//     first beside it),
//   - the same on one thread,
//   - a bare kernel: the same per-pair work (direction, balloon, air loss,
//     path tests, mirrored faces) on the same threads, with nothing summed,
//     stored or scheduled, the floor the run can come near,
//   - the plain sequential loop without the fast paths,
// and checks that the runs give the same bytes at every point.
//
//   coverage_bench [threads [cases]]   threads 0 or absent: one per processor;
//                                      cases: letters, "ABC" when absent
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/point_response.h"
#include "cad/obj_store.h"
#include "framework/worker_pool.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"
#include "bench_hall.h"

using namespace bench;

namespace {

// Floor seating and raked seating over the same plan: 2 x 32000 points at 0.25 m.
void build_listener_areas() {
  add_area({5, 2, 1.2f}, {55, 2, 1.2f}, {55, 42, 1.2f}, {5, 42, 1.2f});
  add_area({5, 2, 1.3f}, {55, 2, 1.3f}, {55, 41.9f, 4.0f}, {5, 41.9f, 4.0f});
}

SpeakerRecord* g_type = nullptr;

// A directional type: 0 dB on axis falling to -30 dB at the back.
void build_type() {
  g_type = new SpeakerRecord{};
  for (int b = 0; b < 7; ++b)
    for (int r = 0; r < 37; ++r)
      for (int c = 0; c < 72; ++c) g_type->balloon[b][r][c] = uint8_t(225 - (150 * r) / 36 + (c % 3));
  for (int16_t& q : g_type->q_factor) q = 50;
  g_speaker_types.records[0] = g_type;
  g_speaker_types.count = 1;
}

// Loudspeakers around the hall under the ceiling, aimed at the centre of the floor.
void build_speakers(int count) {
  for (DrawObject* o = g_obj_head; o;) {
    DrawObject* next = o->next;
    if (o->layer == LAYER_SPEAKER) obj_free(o);
    o = next;
  }
  for (int i = 0; i < count; ++i) {
    double a = 2 * 3.14159265358979 * (i + 0.5) / count;
    float x = float(30 + 27 * std::cos(a)), y = float(22 + 19 * std::sin(a)), z = 10.0f + (i % 4);
    DrawObject* o = obj_create(sizeof(PlacedSpeaker), 0, 0);
    auto* ps = static_cast<PlacedSpeaker*>(o->aux);
    *ps = PlacedSpeaker{};
    ps->switched_on = 1;
    ps->polarity = 1;
    for (int b = 0; b < 7; ++b) ps->intensity[b] = 1e6f * (1.0f + 0.1f * b);
    ps->delay_ms = float(i % 7);
    ps->position[0] = x, ps->position[1] = y, ps->position[2] = z;
    ps->horizontal_angle = float(std::atan2(22 - y, 30 - x));
    ps->vertical_angle = float(-std::atan2(z - 1.2, std::hypot(30 - x, 22 - y)));
    ps->rotation_angle = 0.1f * (i % 3);
    ps->object = o;
    o->layer = LAYER_SPEAKER;
    o->kind = OBJ_KIND_BODY;
    obj_append(o);
  }
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int thread_count(int threads) {
  return threads > 0 ? threads : std::max(1, int(std::thread::hardware_concurrency()));
}

double run_grid(int threads, int fast) {
  g_cov_run_settings = CovRunSettings{threads, fast};
  auto start = std::chrono::steady_clock::now();
  if (cov_calculate_grid() != 1) std::fprintf(stderr, "run not completed\n");
  return seconds_since(start);
}

// The per-pair work alone, the points taken in chunks by the pool's
// threads as the run takes them, each with a state kept from run to run as
// the run's workers keep theirs; the face table is the one the last run
// built.
double bare_kernel(int threads) {
  static std::vector<std::unique_ptr<RespWorkerState>> states;
  while (states.size() < size_t(threads)) states.push_back(std::make_unique<RespWorkerState>());
  constexpr uint32_t CHUNK = 32;
  uint32_t n = g_coverage_grid.point_count;
  RespRunTables tables;
  resp_prepare_run(tables);
  alignas(CACHE_LINE_BYTES) std::atomic<uint32_t> next{0};
  auto start = std::chrono::steady_clock::now();
  WorkerTeam team;
  team.start(threads, [&](int w) {
    RespContext& c = states[size_t(w)]->context;
    resp_init_context(c, states[size_t(w)]->buffer.get());
    c.run = &tables;
    for (uint32_t begin; (begin = next.fetch_add(CHUNK)) < n;) {
      resp_set_region_of(c, g_coverage_grid.points + begin, std::min(CHUNK, n - begin));
      for (uint32_t i = begin; i < std::min(n, begin + CHUNK); ++i) {
        const GridPoint& gp = g_coverage_grid.points[i];
        WorldPoint p{gp.x, gp.y, gp.z};
        resp_begin_point(c, p);
        for (int a = 0; a < g_active_speaker_count; ++a) {
          c.count = 0;
          resp_speaker_arrivals(c, g_active_speakers[a], p);
        }
      }
    }
  });
  team.join();
  return seconds_since(start);
}

struct Scenario {
  const char* name;
  int speakers;
  int flags;
  int summation_mode;
  int spacing_index;  // 0: 0.25 m, 64000 points; 2: 1 m
  double goal_s;  // 0: none
};

std::vector<GridPoint> grid_copy() {
  return std::vector<GridPoint>(g_coverage_grid.points, g_coverage_grid.points + g_coverage_grid.point_count);
}

bool same_results(const std::vector<GridPoint>& a, const std::vector<GridPoint>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(a[i].energy, b[i].energy, sizeof a[i].energy) != 0 ||
        std::memcmp(a[i].time, b[i].time, sizeof a[i].time) != 0)
      return false;
  return true;
}

// A program's first calculation under Wine takes longer: the first run is
// kept beside the best.
struct Timing {
  double best, first;
};

Timing best_of(int runs, const std::function<double()>& timed) {
  Timing t{1e30, 0.0};
  for (int r = 0; r < runs; ++r) {
    double s = timed();
    if (r == 0) t.first = s;
    t.best = std::min(t.best, s);
  }
  return t;
}

bool run_scenario(const Scenario& sc, int threads) {
  build_speakers(sc.speakers);
  g_calc_options.flags = int16_t(sc.flags);
  g_calc_options.summation_mode = int16_t(sc.summation_mode);
  g_calc_options.grid_spacing_index = int16_t(sc.spacing_index);
  cov_build_active_speakers();
  if (!cov_build_grid()) return false;
  uint32_t n = g_coverage_grid.point_count;
  int workers = thread_count(threads);
  Timing timing = best_of(3, [&] { return run_grid(threads, 1); });
  double fast = timing.best;
  std::vector<GridPoint> threaded = grid_copy();
  Timing bare_timing = best_of(3, [&] { return bare_kernel(workers); });
  double bare = bare_timing.best;
  double single = run_grid(1, 1);
  std::vector<GridPoint> one = grid_copy();
  double plain = run_grid(1, 0);
  std::vector<GridPoint> reference = grid_copy();
  double pairs = double(n) * sc.speakers;
  std::printf("%s: %u points x %d loudspeakers, faces %d, summation mode %d\n", sc.name, n, sc.speakers,
              g_face_count, sc.summation_mode);
  std::printf("  %2d threads, fast paths: %8.3f s  %12.0f pairs/s  (first run %.3f s; ", workers, fast,
              pairs / fast, timing.first);
  if (sc.goal_s > 0.0)
    std::printf("goal %.2f s: %s)\n", sc.goal_s, fast <= sc.goal_s ? "met" : "missed");
  else
    std::printf("no goal)\n");
  std::printf("  %2d threads, bare kernel:%8.3f s  %12.0f pairs/s  (first run %.3f s; run / kernel %.2f)\n", workers,
              bare, pairs / bare, bare_timing.first, fast / bare);
  std::printf("   1 thread,  fast paths: %8.3f s  %12.0f pairs/s\n", single, pairs / single);
  std::printf("   plain loop:            %8.3f s  %12.0f pairs/s  (speed-up %.1f)\n", plain, pairs / plain,
              plain / fast);
  bool same_threads = same_results(threaded, one), same_plain = same_results(threaded, reference);
  std::printf("  every point: %d threads = 1 thread: %s; = plain loop: %s\n", workers, same_threads ? "yes" : "NO",
              same_plain ? "yes" : "NO");
  std::fflush(stdout);
  return same_threads && same_plain;
}

}  // namespace

int main(int argc, char** argv) {
  int threads = argc > 1 ? std::atoi(argv[1]) : 0;
  const char* cases = argc > 2 ? argv[2] : "ABC";
  std::memset(&g_material_table, 0, sizeof g_material_table);
  g_material_table.count = 4;
  const float alpha[4] = {1.0f, 0.1f, 0.3f, 0.05f};
  for (int m = 0; m < 4; ++m)
    for (int b = 0; b < 7; ++b) g_material_table.records[m].absorption[b] = alpha[m] + 0.02f * b * (m > 0);
  g_calc_options = CalcOptions{0, -1, 0, 7, 1, 0};
  int faces = build_hall();
  build_listener_areas();
  build_type();
  std::printf("hall: %d faces, %u processors, threads %d (0 = one per processor)\n", faces,
              std::thread::hardware_concurrency(), threads);
  const Scenario scenarios[] = {
      {"A direct sound", 100, 0, 1, 0, 0.1},
      {"B with shadowing", 100, 1, 1, 0, 0.4},
      {"C shadowing and first reflections", 10, 3, 2, 2, 1.0},
      {"C shadowing and first reflections at 64000 points", 10, 3, 2, 0, 0.0},
  };
  bool ok = true;
  for (const Scenario& sc : scenarios)
    if (std::strchr(cases, sc.name[0])) ok = run_scenario(sc, threads) && ok;
  return ok ? 0 : 1;
}
