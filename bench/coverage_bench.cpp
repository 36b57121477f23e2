// Coverage calculation timing over a generated hall of about 300 faces with
// listener areas of 64000 points. Each scenario runs with worker threads and
// the face box tree, then the plain sequential loop on every k-th point, and
// checks that both give the same values there.
//
//   coverage_bench [threads]     (0 or absent: one per processor)
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "cad/obj_store.h"
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

double run_grid(int threads, int tree) {
  g_cov_run_settings = CovRunSettings{threads, tree};
  auto start = std::chrono::steady_clock::now();
  if (cov_calculate_grid() != 1) std::fprintf(stderr, "run not completed\n");
  return seconds_since(start);
}

struct Scenario {
  const char* name;
  int speakers;
  int flags;
  int plain_step;  // the plain loop runs on every k-th point
  double goal_s;
};

bool run_scenario(const Scenario& sc, int threads) {
  build_speakers(sc.speakers);
  g_calc_options.flags = int16_t(sc.flags);
  cov_build_active_speakers();
  g_calc_options.grid_spacing_index = 0;
  if (!cov_build_grid()) return false;
  uint32_t n = g_coverage_grid.point_count;
  double fast = run_grid(threads, 1);
  std::vector<GridPoint> all(g_coverage_grid.points, g_coverage_grid.points + n);

  // The plain loop on a subset, compared value for value.
  uint32_t m = 0;
  for (uint32_t i = 0; i < n; i += uint32_t(sc.plain_step)) g_coverage_grid.points[m++] = all[i];
  g_coverage_grid.point_count = m;
  double plain = run_grid(1, 0);
  bool same = true;
  for (uint32_t j = 0; j < m; ++j) {
    const GridPoint& a = all[size_t(j) * sc.plain_step];
    const GridPoint& b = g_coverage_grid.points[j];
    same = same && std::memcmp(a.energy, b.energy, sizeof a.energy) == 0 &&
           std::memcmp(a.time, b.time, sizeof a.time) == 0;
  }
  double pairs = double(n) * sc.speakers;
  double plain_full = plain * double(n) / m;
  std::printf("%s: %u points x %d loudspeakers, faces %d\n", sc.name, n, sc.speakers, g_face_count);
  std::printf("  threads + box tree: %8.3f s  %12.0f point-loudspeaker pairs/s  (goal %.1f s: %s)\n", fast,
              pairs / fast, sc.goal_s, fast <= sc.goal_s ? "met" : "missed");
  std::printf("  plain loop:         %8.3f s on %u points, %.1f s for all (%.0f pairs/s), speed-up %.1f\n", plain,
              m, plain_full, pairs / plain_full, plain_full / fast);
  std::printf("  results equal to the plain loop: %s\n", same ? "yes" : "NO");
  std::fflush(stdout);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  int threads = argc > 1 ? std::atoi(argv[1]) : 0;
  std::memset(&g_material_table, 0, sizeof g_material_table);
  g_material_table.count = 4;
  const float alpha[4] = {1.0f, 0.1f, 0.3f, 0.05f};
  for (int m = 0; m < 4; ++m)
    for (int b = 0; b < 7; ++b) g_material_table.records[m].absorption[b] = alpha[m] + 0.02f * b * (m > 0);
  g_calc_options = CalcOptions{0, -1, 0, 7, 2, 0};
  int faces = build_hall();
  build_listener_areas();
  build_type();
  std::printf("hall: %d faces, %u processors, threads %d (0 = one per processor), summation mode %d\n", faces,
              std::thread::hardware_concurrency(), threads, g_calc_options.summation_mode);
  const Scenario scenarios[] = {
      {"A direct sound", 100, 0, 100, 0.5},
      {"B with shadowing", 100, 1, 100, 2.0},
      {"C shadowing and first reflections", 10, 3, 500, 10.0},
  };
  bool ok = true;
  for (const Scenario& sc : scenarios) ok = run_scenario(sc, threads) && ok;
  return ok ? 0 : 1;
}
