#include "acoustics/coverage.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "acoustics/face_table.h"
#include "acoustics/point_response.h"
#include "acoustics/ray_geom.h"
#include "acoustics/rt60.h"
#include "cad/obj_store.h"
#include "framework/ui_seam.h"
#include "framework/worker_pool.h"
#include "project/calc_options.h"
#include "speakers/speaker_model.h"

double g_power_abs[COV_BANDS] = {};
double g_power_rss[COV_BANDS] = {};
double g_reverb_energy[COV_BANDS] = {};
double g_reverb_time[COV_BANDS] = {};
double g_reverb_volume = 0.0;
CovRunSettings g_cov_run_settings = {0, 1};

namespace {

constexpr float NO_TIME_MS = COV_NO_ARRIVAL_MS;
constexpr uint32_t PROGRESS_INTERVAL_MS = 100;
constexpr uint32_t PROGRESS_WAIT_MS = 10;  // slices of the wait for the workers
constexpr uint32_t WORK_CHUNK = 32;

uint32_t first_start_element(const DrawObject* o) {
  for (uint32_t i = 0; i < o->element_count; ++i)
    if (o->elements[i].code == EL_START) return i;
  return o->element_count;
}

// Per band: the point's energy and its first-arrival time in ms.
void store_point(GridPoint& gp, const ArrivalBuffer& buffer) {
  for (int b = 0; b < COV_BANDS; ++b) {
    float e = buffer.bands[b].summed;
    gp.energy[b] = e > 1.0f ? e : 1.0f;
    gp.time[b] = e <= 1.0f ? NO_TIME_MS : buffer.bands[b].first_time * 1000.0f;
  }
}

void update_extremes(const GridPoint& gp) {
  CoverageGrid& g = g_coverage_grid;
  for (int b = 0; b < COV_BANDS; ++b) {
    if (gp.energy[b] < g.min_energy[b]) g.min_energy[b] = gp.energy[b];
    if (!(gp.energy[b] > 1.0f)) continue;
    if (gp.energy[b] >= g.max_energy[b]) g.max_energy[b] = gp.energy[b];
    if (gp.time[b] >= g.max_time[b]) g.max_time[b] = gp.time[b];
    if (gp.time[b] < g.min_time[b]) g.min_time[b] = gp.time[b];
  }
}

WorldPoint position_of(const GridPoint& gp) { return WorldPoint{gp.x, gp.y, gp.z}; }

RespRunTables g_run_tables;

void prepare_context(RespContext& c, ArrivalBuffer* buffer) {
  resp_init_context(c, buffer);
  c.use_face_tree = g_cov_run_settings.fast_paths;
  c.run = g_cov_run_settings.fast_paths ? &g_run_tables : nullptr;
}

bool progress_due(uint32_t& last) {
  uint32_t now = ui_tick_count();
  if (now - last <= PROGRESS_INTERVAL_MS) return false;
  last = now;
  return true;
}

// The plain loop: one point after the other on the calling thread.
bool run_sequential(uint32_t count) {
  auto buffer = std::make_unique<ArrivalBuffer>();
  RespContext c;
  prepare_context(c, buffer.get());
  uint32_t last = 0;
  for (uint32_t i = 0; i < count; ++i) {
    GridPoint& gp = g_coverage_grid.points[i];
    if (i % WORK_CHUNK == 0) resp_set_region_of(c, &gp, std::min(WORK_CHUNK, count - i));
    resp_compute_point_in(c, position_of(gp));
    store_point(gp, *buffer);
    if (progress_due(last) && ui_progress_update(int(i * 100.0 / count))) return false;
  }
  return true;
}

// The counter the workers take chunks from and the one they report to sit
// on lines of their own, away from everything a worker writes per point.
struct SharedRun {
  alignas(CACHE_LINE_BYTES) std::atomic<uint32_t> next{0};
  alignas(CACHE_LINE_BYTES) std::atomic<uint32_t> done{0};
  std::atomic<bool> stop{false};
  uint32_t count = 0;
};

// The workers' states, kept from run to run.
std::vector<std::unique_ptr<RespWorkerState>>& worker_states(int threads) {
  static std::vector<std::unique_ptr<RespWorkerState>> states;
  while (states.size() < size_t(threads)) states.push_back(std::make_unique<RespWorkerState>());
  return states;
}

void worker(SharedRun& run, RespWorkerState& state) {
  ArrivalBuffer* buffer = state.buffer.get();
  RespContext& c = state.context;
  prepare_context(c, buffer);
  while (!run.stop.load(std::memory_order_relaxed)) {
    uint32_t begin = run.next.fetch_add(WORK_CHUNK);
    if (begin >= run.count) break;
    uint32_t end = std::min(run.count, begin + WORK_CHUNK);
    resp_set_region_of(c, g_coverage_grid.points + begin, end - begin);
    for (uint32_t i = begin; i < end; ++i) {
      GridPoint& gp = g_coverage_grid.points[i];
      resp_compute_point_in(c, position_of(gp));
      store_point(gp, *buffer);
    }
    run.done.fetch_add(end - begin, std::memory_order_relaxed);
  }
}

int worker_count(uint32_t points) {
  int n = g_cov_run_settings.threads;
  if (n <= 0) n = worker_pool_processors();
  n = std::clamp(n, 1, 64);
  return int(std::min<uint32_t>(uint32_t(n), std::max<uint32_t>(1, points / WORK_CHUNK)));
}

// Worker threads of the pool take chunks of points; this thread keeps the
// progress box and its cancel button, waking when the last chunk is done
// rather than on a sleep's tick, and every point is computed exactly as the
// plain loop would compute it.
bool run_parallel(uint32_t count, int threads) {
  SharedRun run;
  run.count = count;
  std::vector<std::unique_ptr<RespWorkerState>>& states = worker_states(threads);
  WorkerTeam team;
  if (team.start(threads, [&](int w) { worker(run, *states[size_t(w)]); }) == 0) return run_sequential(count);
  bool cancelled = false;
  uint32_t last = 0;
  // Like the plain loop, the last check comes after the last point.
  for (;;) {
    bool finished = team.wait_for(PROGRESS_WAIT_MS);
    if (progress_due(last) && ui_progress_update(int(run.done.load() * 100.0 / count))) {
      cancelled = true;
      run.stop = true;
      break;
    }
    if (finished) break;
  }
  team.join();
  return !cancelled;
}

}  // namespace

// Switched-on loudspeakers that serve at least one band, with their angle
// sines and cosines; the table holds at most MAX_ACTIVE_SPEAKERS.
// The active table for a run; without any loudspeaker to calculate the
// user is told so.
int cov_start_level_time() {
  if (cov_build_active_speakers() > 0) return 1;
  ui_message_box("Momentan keine Lautsprecher zur Berechnung konfiguriert", nullptr, UI_MB_OK);
  return 0;
}

// Plan rectangle and highest node over all nodes of the area.
void cov_listener_area_bounds(const DrawObject* o, ListenerArea& area) {
  area.x_min = area.y_min = 1e9f;
  area.x_max = area.y_max = area.z_max = -1e9f;
  for (uint32_t i = 0; i < o->node_count; ++i) {
    const WorldPoint& p = o->nodes[i];
    if (p.x < area.x_min) area.x_min = p.x;
    if (p.x > area.x_max) area.x_max = p.x;
    if (p.y < area.y_min) area.y_min = p.y;
    if (p.y > area.y_max) area.y_max = p.y;
    if (p.z > area.z_max) area.z_max = p.z;
  }
}

int cov_compare_listener_areas(const void* first, const void* second) {
  float a = static_cast<const ListenerArea*>(first)->z_max;
  float b = static_cast<const ListenerArea*>(second)->z_max;
  return a < b ? -1 : (a > b ? 1 : 0);
}

// One plane per non-vertical listener area, lowest first.
int cov_build_listener_areas() {
  std::free(g_listener_areas);
  g_listener_areas = nullptr;
  g_listener_area_count = 0;
  int objects = obj_count_listener();
  if (objects <= 0) return 0;
  g_listener_areas = static_cast<ListenerArea*>(std::calloc(size_t(objects), sizeof(ListenerArea)));
  if (!g_listener_areas) return 0;
  int kept = 0;
  for (DrawObject* o = g_obj_head; o && kept < objects && kept < INT16_MAX; o = o->next) {
    if (o->layer != LAYER_LISTENER || !o->nodes || !o->elements || o->node_count == 0) continue;
    uint32_t start = first_start_element(o);
    if (start >= o->element_count) continue;
    double n[3];
    refl_polygon_normal(o, start, n);
    if (std::fabs(n[2]) < 0.001) continue;
    ListenerArea& area = g_listener_areas[kept];
    area.area = o;
    area.a = float(n[0]), area.b = float(n[1]), area.c = float(n[2]);
    cov_listener_area_bounds(o, area);
    const WorldPoint* west = &o->nodes[0];
    for (uint32_t i = 1; i < o->node_count; ++i)
      if (o->nodes[i].x < west->x) west = &o->nodes[i];
    area.d = area.a * west->x + area.b * west->y + area.c * west->z;
    kept += 1;
  }
  g_listener_area_count = int16_t(kept);
  if (kept >= 2)
    std::stable_sort(g_listener_areas, g_listener_areas + kept, [](const ListenerArea& a, const ListenerArea& b) {
      return cov_compare_listener_areas(&a, &b) < 0;
    });
  return kept;
}

double cov_total_listener_area() {
  double total = 0.0;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_LISTENER || o->kind != OBJ_KIND_FACE || !o->elements || o->element_count == 0 ||
        o->elements[0].code != EL_START)
      continue;
    double n[3];
    refl_polygon_normal(o, 0, n);
    total += std::fabs(n[2]) / 2.0;
  }
  return total;
}

// Crossing number in the x-y plane over the area's element list.
int cov_point_in_listener_area(const ListenerArea& area, float x, float y) {
  const DrawObject* o = area.area;
  if (!o || !o->elements || !o->nodes) return 0;
  WorldPoint h{x, y, 0.0f};
  const WorldPoint* first = nullptr;
  const WorldPoint* prev = nullptr;
  int crossings = 0;
  auto edge = [&](const WorldPoint& a, const WorldPoint& b) {
    if ((a.y - y) * (b.y - y) < 0) crossings += refl_edge_cross_xy(a, b, h);
  };
  for (uint32_t i = 0; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_MATERIAL || e.code > EL_MATERIAL) continue;
    if (e.value >= o->node_count) return 0;
    const WorldPoint& node = o->nodes[e.value];
    if (e.code == EL_START) {
      if (first) return 0;
      first = prev = &node;
      continue;
    }
    if (!prev) return 0;
    edge(*prev, node);
    prev = &node;
    if (e.code == EL_CLOSE) {
      edge(node, *first);
      return crossings & 1;
    }
  }
  return 0;
}

// Spacing from the options (moving to coarser spacings while the plan area
// would need 64000 points or more), then rows and columns over each area.
int cov_build_grid() {
  if (cov_build_listener_areas() <= 0) return 0;
  double total = cov_total_listener_area();
  float s;
  int k = g_calc_options.grid_spacing_index;
  if (k >= 0) {
    while (k < COV_SPACINGS && !(total / (double(COV_SPACING_M[k]) * COV_SPACING_M[k]) < MAX_GRID_POINTS)) ++k;
    if (k >= COV_SPACINGS) {
      ui_message_box("Rasterauflösung zu fein, Speicher reicht nicht aus", nullptr, UI_MB_OK);
      return 0;
    }
    g_calc_options.grid_spacing_index = int16_t(k);
    s = COV_SPACING_M[k];
  } else {
    s = float(std::sqrt(total / MAX_GRID_POINTS) / 0.95);
    if (!(s > 0.0f)) s = COV_SPACING_M[0];  // no plan area: the finest table spacing
  }
  float half = s / 2.0f;
  g_grid_spacing = s;
  g_grid_half_spacing = half;
  uint32_t count = 0;
  for (int a = 0; a < g_listener_area_count && count < MAX_GRID_POINTS; ++a) {
    const ListenerArea& area = g_listener_areas[a];
    for (int r = 0; count < MAX_GRID_POINTS; ++r) {
      float y = area.y_min + half + float(r) * s;
      if (!(y < area.y_max - 0.01f)) break;
      for (int c = 0; count < MAX_GRID_POINTS; ++c) {
        float x = area.x_min + half + float(c) * s;
        if (!(x < area.x_max - 0.01f)) break;
        if (!cov_point_in_listener_area(area, x, y)) continue;
        GridPoint& gp = g_coverage_grid.points[count++];
        gp = GridPoint{};
        gp.x = x;
        gp.y = y;
        gp.z = (area.d - area.a * x - area.b * y) / area.c;
        gp.area = uint16_t(a);
      }
    }
  }
  g_coverage_grid.point_count = count;
  return 1;
}

void cov_reset_grid_extremes() {
  CoverageGrid& g = g_coverage_grid;
  for (int b = 0; b < COV_BANDS; ++b) {
    g.min_energy[b] = 1e20f;
    g.max_energy[b] = 1.0f;
    g.min_time[b] = NO_TIME_MS;
    g.max_time[b] = 0.0f;
  }
}

// The response at every grid point with the progress box and its cancel;
// returns 1 (valid result) when every point was computed, 0 when cancelled.
int cov_calculate_grid() {
  cov_reset_grid_extremes();
  uint32_t flags = uint32_t(g_calc_options.flags) & (RESP_SHADOWING | RESP_FIRST_REFLECTION);
  if (refl_build_face_table() == 0) flags = 0;
  g_resp_flags = flags;
  resp_prepare_run(g_run_tables);
  uint32_t count = std::min<uint32_t>(g_coverage_grid.point_count, MAX_GRID_POINTS);
  ui_progress_open("Berechnungsstatus :");
  int threads = worker_count(count);
  bool completed = threads <= 1 ? run_sequential(count) : run_parallel(count, threads);
  ui_progress_close();
  if (completed)
    for (uint32_t i = 0; i < count; ++i) update_extremes(g_coverage_grid.points[i]);
  g_coverage_valid = completed ? 1 : 0;
  return g_coverage_valid;
}

// Acoustic power per band of the switched-on loudspeakers; powers add.
void cov_sum_speaker_power() {
  for (int b = 0; b < COV_BANDS; ++b) g_power_abs[b] = g_power_rss[b] = 0.0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    PlacedSpeaker* ps = spk_placed_of(o);
    if (!ps || !(ps->switched_on & 1)) continue;
    const SpeakerRecord* type = ps->type_index < g_speaker_types.count && ps->type_index < MAX_SPEAKER_TYPES
                                    ? g_speaker_types.records[ps->type_index]
                                    : nullptr;
    for (int b = 0; b < COV_BANDS; ++b) {
      double q = type ? type->q_factor[b] : 10.0;
      double w = ps->intensity[b] * 12.566370616 / (q / 10.0 + 1e-6);
      g_power_abs[b] += std::fabs(w);
      g_power_rss[b] += w;
    }
  }
}

// Reverberant energy per band from the summed power and the room's
// absorption area 0.161 V / T.
void cov_compute_reverberant_field() {
  cov_sum_speaker_power();
  Rt60Result rt{};
  rt60_calculate(g_rt60_method, rt);
  g_reverb_volume = rt.volume;
  for (int b = 0; b < COV_BANDS; ++b) {
    g_reverb_time[b] = rt.time[b] > 0.01 ? rt.time[b] : 0.01;
    if (rt.volume <= 1.0)
      g_reverb_energy[b] = 1.0;
    else
      g_reverb_energy[b] = g_power_rss[b] * 4.0 * 1.047 / (0.161 * rt.volume / g_reverb_time[b]);
  }
}

// Model reset: no result, empty tables.
void cov_reset() {
  cov_reset_grid();
  g_resp_flags = 0;
}
