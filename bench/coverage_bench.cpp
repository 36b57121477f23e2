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

namespace {

void add_quad(WorldPoint a, WorldPoint b, WorldPoint c, WorldPoint d, int material) {
  DrawObject* o = obj_create(0, 4, 5);
  o->nodes[0] = a, o->nodes[1] = b, o->nodes[2] = c, o->nodes[3] = d;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, uint16_t(material)};
  o->elements[2] = {EL_LINE, 1};
  o->elements[3] = {EL_LINE, 2};
  o->elements[4] = {EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_ROOM;
  obj_append(o);
}

void add_area(WorldPoint a, WorldPoint b, WorldPoint c, WorldPoint d) {
  DrawObject* o = obj_create(0, 4, 4);
  o->nodes[0] = a, o->nodes[1] = b, o->nodes[2] = c, o->nodes[3] = d;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_LINE, 1};
  o->elements[2] = {EL_LINE, 2};
  o->elements[3] = {EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_LISTENER;
  obj_append(o);
}

// An axis-aligned box (pillar, balcony slab) with outward normals.
void add_block(float x0, float x1, float y0, float y1, float z0, float z1, int m) {
  add_quad({x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, m);  // bottom, down
  add_quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, m);  // top, up
  add_quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, m);  // -y
  add_quad({x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, m);  // +y
  add_quad({x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, m);  // -x
  add_quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, m);  // +x
}

constexpr float HALL_X = 60, HALL_Y = 44, HALL_Z = 15;

// Room shell in tiles (normals into the hall), a balcony slab and pillars.
int build_hall() {
  int tiles = 0;
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 6; ++j) {
      float x0 = HALL_X * i / 10, x1 = HALL_X * (i + 1) / 10, y0 = HALL_Y * j / 6, y1 = HALL_Y * (j + 1) / 6;
      add_quad({x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, 1);
      add_quad({x0, y0, HALL_Z}, {x0, y1, HALL_Z}, {x1, y1, HALL_Z}, {x1, y0, HALL_Z}, 2);
      tiles += 2;
    }
  for (int i = 0; i < 12; ++i)
    for (int k = 0; k < 3; ++k) {
      float x0 = HALL_X * i / 12, x1 = HALL_X * (i + 1) / 12, z0 = HALL_Z * k / 3, z1 = HALL_Z * (k + 1) / 3;
      add_quad({x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}, 3);
      add_quad({x0, HALL_Y, z0}, {x1, HALL_Y, z0}, {x1, HALL_Y, z1}, {x0, HALL_Y, z1}, 3);
      tiles += 2;
    }
  for (int j = 0; j < 8; ++j)
    for (int k = 0; k < 3; ++k) {
      float y0 = HALL_Y * j / 8, y1 = HALL_Y * (j + 1) / 8, z0 = HALL_Z * k / 3, z1 = HALL_Z * (k + 1) / 3;
      add_quad({0, y0, z0}, {0, y1, z0}, {0, y1, z1}, {0, y0, z1}, 3);
      add_quad({HALL_X, y0, z0}, {HALL_X, y0, z1}, {HALL_X, y1, z1}, {HALL_X, y1, z0}, 3);
      tiles += 2;
    }
  add_block(4, 56, 36, 43.5f, 6, 6.5f, 2);
  tiles += 6;
  for (int p = 0; p < 9; ++p) {
    float x = 7 + 5.5f * p;
    add_block(x, x + 0.6f, 30, 30.6f, 0, 6, 3);
    tiles += 6;
  }
  return tiles;
}

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
