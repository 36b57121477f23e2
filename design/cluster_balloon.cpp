#include "design/cluster_balloon.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "acoustics/coverage.h"
#include "acoustics/point_response.h"
#include "cad/obj_store.h"
#include "design/speaker_cmds.h"
#include "framework/le_bytes.h"
#include "framework/worker_pool.h"
#include "framework/ui_seam.h"
#include "project/coverage_grid.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

constexpr double DEGREE = 3.14159265358979323846 / 180.0;
constexpr double AIR_FACTOR[7] = {1.0, 0.99997, 0.9999, 0.9995, 0.998, 0.991, 0.965};
constexpr float ACTIVE_INTENSITY = 1.0f;
constexpr double ENERGY_SCALE = 10000.0;
constexpr int PROGRESS_STEP = 26;
constexpr int AXIS_NODES = 2;  // the two trailing nodes every loudspeaker shape carries
constexpr size_t CLUSTER_MAX_FILE_BYTES = size_t(64) << 20;
const char* const MSG_EXISTS = "Die Datei existiert bereits. Überschreiben ?";
const char* const MSG_CANNOT_WRITE = "Kann Datei nicht speichern -Schreibschutz?";

// The energy of sphere point `index` in band b, 10 log10 relative to the
// air loss over the radius.
double level_of(int index, int band) {
  double air = std::pow(AIR_FACTOR[band], CLUSTER_RADIUS);
  return 10.0 * std::log10(g_coverage_grid.points[index].energy[band] / air);
}

int16_t clamp_i16(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  return v >= 32767.0 ? int16_t(32767) : int16_t(v);
}

uint32_t stored_nodes(const DrawObject* o) { return o->node_count >= AXIS_NODES ? o->node_count - AXIS_NODES : 0; }

bool file_exists(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

// Centre and band powers of the group, switched on or not.
void spk_cluster_group(const std::vector<DrawObject*>& objects, ClusterGroup& group) {
  group.objects.clear();
  for (double& c : group.centre) c = 0.0;
  for (double& p : group.band_power) p = 0.0;
  for (DrawObject* o : objects) {
    const PlacedSpeaker* ps = spk_placed_of(o);
    if (!ps) continue;
    group.objects.push_back(o);
    for (int i = 0; i < 3; ++i) group.centre[i] += ps->position[i];
    for (int b = 0; b < SPK_BANDS; ++b) group.band_power[b] += ps->band_power[b];
  }
  if (!group.objects.empty())
    for (double& c : group.centre) c /= double(group.objects.size());
}

// Points 0 .. 2519: ring t = 1..35 at 5t degrees from +x, 72 steps around
// the x axis; then the front and the back pole.
void spk_cluster_sphere_point(int index, const double centre[3], float out[3]) {
  double x, y, z;
  if (index == CLUSTER_FRONT_POLE || index == CLUSTER_BACK_POLE) {
    x = index == CLUSTER_FRONT_POLE ? CLUSTER_RADIUS : -CLUSTER_RADIUS;
    y = z = 0.0;
  } else {
    int t = index / 72 + 1, p = index % 72;
    double theta = 5.0 * t * DEGREE, phi = 5.0 * p * DEGREE;
    double s = std::fabs(std::sin(theta));
    x = CLUSTER_RADIUS * std::cos(theta);
    y = CLUSTER_RADIUS * s * std::cos(phi);
    z = CLUSTER_RADIUS * s * std::sin(phi);
  }
  out[0] = float(centre[0] + x);
  out[1] = float(centre[1] + y);
  out[2] = float(centre[2] + z);
}

// The active table of this command: the group's switched-on loudspeakers
// that serve a band at all (above 1, where the coverage asks for 1000).
int spk_cluster_build_active(const ClusterGroup& group) {
  return cov_build_active_table(group.objects, ACTIVE_INTENSITY);
}

namespace {

constexpr int CHUNK_POINTS = 32;  // sphere points a worker takes at a time
constexpr int SPHERE_CHUNKS = (CLUSTER_SPHERE_POINTS + CHUNK_POINTS - 1) / CHUNK_POINTS;

// Band energies of a sphere point from its arrival buffer: the buffer
// holds 1 + the sum, so a point nothing reaches stays at 1.0.
void store_energies(GridPoint& gp, const ArrivalBuffer& arrivals) {
  for (int b = 0; b < SPK_BANDS; ++b) {
    float e = float(ENERGY_SCALE * (double(arrivals.bands[b].summed) - 1.0));
    gp.energy[b] = e > 1.0f ? e : 1.0f;
  }
}

void prepare_context(RespContext& context, ArrivalBuffer* arrivals, int summation_mode) {
  resp_init_context(context, arrivals);
  context.flags = 0;
  context.summation_mode = summation_mode;
}

// Whenever the point index passes a threshold growing by 26, the shown
// value grows by one; true when the user cancels there.
struct SphereProgress {
  int threshold = 0;
  double shown = 0.0;
  bool cancelled_after(int i) {
    if (i <= threshold) return false;
    threshold += PROGRESS_STEP;
    shown += 1.0;
    char text[16];
    std::snprintf(text, sizeof text, "%1.1f %%", shown);
    return ui_progress_update_text(int(shown), text) != 0;
  }
};

// The plain loop: one point after the other on the calling thread.
bool measure_plain(int summation_mode) {
  RespContext context;
  prepare_context(context, &g_arrivals, summation_mode);
  SphereProgress progress;
  for (int i = 0; i < CLUSTER_SPHERE_POINTS; ++i) {
    GridPoint& gp = g_coverage_grid.points[i];
    resp_compute_point_in(context, WorldPoint{gp.x, gp.y, gp.z});
    store_energies(gp, g_arrivals);
    g_coverage_grid.point_count = uint32_t(i + 1);
    if (progress.cancelled_after(i)) return false;
  }
  return true;
}

struct SphereRun {
  int summation_mode = 0;
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  ParkLock lock;
  ParkCondition chunk_done;
  std::vector<char> done = std::vector<char>(size_t(SPHERE_CHUNKS), 0);  // under the lock
};

void measure_chunks(SphereRun& run, RespWorkerState& state) {
  prepare_context(state.context, state.buffer.get(), run.summation_mode);
  for (int chunk; !run.stop.load(std::memory_order_relaxed) && (chunk = run.next.fetch_add(1)) < SPHERE_CHUNKS;) {
    int end = std::min(CLUSTER_SPHERE_POINTS, (chunk + 1) * CHUNK_POINTS);
    for (int i = chunk * CHUNK_POINTS; i < end; ++i) {
      GridPoint& gp = g_coverage_grid.points[i];
      resp_compute_point_in(state.context, WorldPoint{gp.x, gp.y, gp.z});
      store_energies(gp, *state.buffer);
    }
    std::lock_guard<ParkLock> hold(run.lock);
    run.done[size_t(chunk)] = 1;
    run.chunk_done.notify_all();
  }
}

// Chunks of points on the pool's threads; this thread takes the points in
// their order as their chunks come in and keeps the progress box and its
// cancel button as the plain loop does.
bool measure_on_pool(int summation_mode, int threads) {
  SphereRun run;
  run.summation_mode = summation_mode;
  std::vector<std::unique_ptr<RespWorkerState>> states;
  for (int w = 0; w < threads; ++w) states.push_back(std::make_unique<RespWorkerState>());
  WorkerTeam team;
  if (team.start(threads, [&](int w) { measure_chunks(run, *states[size_t(w)]); }) == 0) return measure_plain(summation_mode);
  SphereProgress progress;
  for (int i = 0; i < CLUSTER_SPHERE_POINTS; ++i) {
    if (i % CHUNK_POINTS == 0) {
      std::unique_lock<ParkLock> hold(run.lock);
      run.chunk_done.wait(hold, [&] { return run.done[size_t(i / CHUNK_POINTS)] != 0; });
    }
    g_coverage_grid.point_count = uint32_t(i + 1);
    if (progress.cancelled_after(i)) {
      run.stop = true;
      return false;
    }
  }
  return true;
}

int sphere_threads() {
  int n = g_cov_run_settings.threads > 0 ? g_cov_run_settings.threads : worker_pool_processors();
  return std::clamp(n, 1, SPHERE_CHUNKS);
}

}  // namespace

// The sphere points and their energies in the coverage grid, which no
// longer holds a result. Free field: neither the room's shadows nor its
// reflections, whatever the last coverage run used. 0 when cancelled.
int spk_cluster_measure(const ClusterGroup& group, int summation_mode) {
  g_coverage_valid = 0;
  g_coverage_grid.point_count = 0;
  spk_cluster_build_active(group);
  spk_link_balloons();
  for (int i = 0; i < CLUSTER_SPHERE_POINTS; ++i) {
    GridPoint& gp = g_coverage_grid.points[i];
    gp = GridPoint{};
    float p[3];
    spk_cluster_sphere_point(i, group.centre, p);
    gp.x = p[0], gp.y = p[1], gp.z = p[2];
  }
  ui_progress_open("Berechnungsstatus :");
  ui_progress_update_text(0, "0 %");
  int threads = sphere_threads();
  bool completed = threads == 1 ? measure_plain(summation_mode) : measure_on_pool(summation_mode, threads);
  ui_progress_close();
  return completed ? 1 : 0;
}

// The new type from the measured sphere: balloon normalised to the loudest
// point of each band, sensitivity, rated power, directivity and efficiency.
void spk_cluster_fill_record(const ClusterGroup& group, const char* description, SpeakerRecord& record) {
  std::memset(static_cast<void*>(&record), 0, sizeof record);
  std::snprintf(record.manufacturer, sizeof record.manufacturer, "LS ARRAY");
  std::memcpy(record.type_name, "CLUSTER", 7);
  std::snprintf(record.description, sizeof record.description, "%.*s", CLUSTER_DESCRIPTION_CHARS,
                description ? description : "");
  record.format = SPK_RECORD_FORMAT;
  record.kind = 1;
  for (int b = 0; b < SPK_BANDS; ++b) {
    double lmax = level_of(0, b);
    for (int i = 1; i < CLUSTER_SPHERE_POINTS; ++i) lmax = std::max(lmax, level_of(i, b));
    auto byte = [&](int index) { return spk_db_to_balloon_byte(level_of(index, b) - lmax); };
    for (int col = 0; col < SPK_BALLOON_COLS; ++col) {
      record.balloon[b][0][col] = byte(CLUSTER_FRONT_POLE);
      record.balloon[b][SPK_BALLOON_ROWS - 1][col] = byte(CLUSTER_BACK_POLE);
      for (int t = 1; t <= CLUSTER_RINGS; ++t) record.balloon[b][t][col] = byte(72 * (t - 1) + col);
    }
    double power = group.band_power[b];
    double sensitivity = lmax - 10.0 * std::log10(std::max(power, 1.0));
    record.sensitivity[b] = float(sensitivity);
    record.rated_power[b] = float(power);
    record.q_factor[b] = clamp_i16(10.0 * spk_integrate_balloon_power(&record.balloon[0][0][0], b));
    double q = record.q_factor[b] / 10.0;
    if (sensitivity > 0.0 && q > 0.0)
      record.efficiency[b] = clamp_i16(1000.0 * std::pow(10.0, (sensitivity - 10.0 * std::log10(q) - 109.0) / 10.0));
  }
  record.shape_ref = int32_t(spk_cluster_shape_size(group));
}

// Bytes of the shape chunks behind the record.
uint32_t spk_cluster_shape_size(const ClusterGroup& group) {
  uint64_t size = 0;
  for (const DrawObject* o : group.objects) size += OBJ_CHUNK_HEADER_BYTES + 12ull * stored_nodes(o) + 4ull * o->element_count;
  return uint32_t(size);
}

// Header, the scrambled record and one chunk per loudspeaker: its shape
// without the axis nodes, centred on the group's centre, not selected.
void spk_cluster_file_image(const ClusterGroup& group, const SpeakerRecord& record, std::vector<uint8_t>& out) {
  ByteWriter w;
  char id[30] = {};
  std::memcpy(id, SDB_ID_V140, std::strlen(SDB_ID_V140));
  w.bytes(id, sizeof id);
  w.i16(1);
  std::vector<uint8_t> image(SPK_RECORD_SIZE);
  SpeakerRecord stored = record;
  stored.format = SPK_RECORD_FORMAT;
  stored.shape_ref = int32_t(spk_cluster_shape_size(group));
  sdb_encode_record_to(stored, image.data());
  w.bytes(image.data(), image.size());
  for (size_t k = 0; k < group.objects.size(); ++k) {
    const DrawObject* o = group.objects[k];
    ObjChunkHeader h = obj_chunk_header(o, k + 1 < group.objects.size());
    h.node_count = stored_nodes(o);
    h.aux_size = 0;
    h.attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
    uint8_t head[OBJ_CHUNK_HEADER_BYTES];
    obj_encode_chunk_header(h, head);
    w.bytes(head, sizeof head);
    for (uint32_t i = 0; i < h.node_count; ++i) {
      const WorldPoint& n = o->nodes[i];
      w.f32(float(n.x - group.centre[0]));
      w.f32(float(n.y - group.centre[1]));
      w.f32(float(n.z - group.centre[2]));
    }
    std::vector<uint8_t> elements(size_t(o->element_count) * 4);
    if (o->element_count) obj_put_elements(o->elements, o->element_count, elements.data());
    w.bytes(elements.data(), elements.size());
  }
  out = std::move(w.buffer());
}

// "X.OSB" backs up to "X_old.OSB".
void spk_cluster_backup_name(const char* path, char* out, size_t out_size) {
  size_t n = std::strlen(path);
  std::snprintf(out, out_size, "%.*s_old.OSB", int(n >= 4 ? n - 4 : 0), path);
}

// Writes the file, asking first before an existing one is replaced (unless
// the save dialog already asked for this very name); the old file is kept
// under the backup name. 1 when written, 0 when the user kept the old file
// or writing failed (said in a message).
int spk_cluster_save(const char* path, const std::vector<uint8_t>& image, int ask_before_replacing) {
  if (ask_before_replacing && file_exists(path) && ui_message_box(MSG_EXISTS, "Warnung", UI_MB_YESNO | UI_MB_ICONQUESTION) != UI_IDYES)
    return 0;
  std::vector<char> backup(std::strlen(path) + 16);
  spk_cluster_backup_name(path, backup.data(), backup.size());
  if (le_write_file_safely(path, image.data(), image.size(), backup.data(), CLUSTER_MAX_FILE_BYTES) != LE_SAVED) {
    ui_message_box(MSG_CANNOT_WRITE, nullptr, UI_MB_OK);
    return 0;
  }
  return 1;
}
