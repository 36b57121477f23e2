#include "acoustics/refl_search.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "acoustics/acoustic_math.h"
#include "acoustics/coverage.h"
#include "acoustics/face_bvh.h"
#include "acoustics/face_table.h"
#include "acoustics/ray_geom.h"
#include "acoustics/ray_path.h"
#include "speakers/speaker_model.h"
#include "framework/ui_seam.h"
#include "framework/worker_pool.h"

ReflRunSettings g_refl_run_settings = {0, 1};
double g_refl_mean_free_path = 0.0;
int g_refl_cancelled = 0;

namespace {

constexpr double SPLIT_LIMIT = 8e9;
constexpr uint32_t VISITS_PER_PROGRESS = 60000;
constexpr double PI_OF_THE_TABLES = 3.141592654;
constexpr int PROGRESS_WAIT_MS = 50;

// The faces four at a time for the prefilter of every image source, padded
// with faces that nothing lies in front of. The receiver's side of every
// face box is fixed for a run, so it is kept as lane masks.
struct FaceLanes {
  int count = 0;   // faces
  int padded = 0;  // multiple of four
  std::vector<float> x0, y0, z0, nx, ny, nz, md;
  std::vector<uint32_t> r_box;  // bit 0..5: receiver >= x min, <= x max, >= y min, ...
  // The face boxes, and per box side a lane mask (all ones) where the
  // receiver alone already satisfies the side.
  std::vector<float> box[6];
  std::vector<uint32_t> r_side[6];
  std::vector<float> d;
  std::vector<uint32_t> free_axis[3];  // all ones where the point test ignores that axis
};

struct RunShared {
  WorldPoint receiver{};
  int image_order = 0;
  int ray_order = 0;
  int ray_min_order = 0;
  int faces = 0;
  bool use_tree = false;
  bool threaded = false;
  bool with_progress = false;
  std::vector<double> powers;  // faces^k for k = 0 .. image order
  FaceLanes lanes;
  float cos_table[400] = {}, sin_table[400] = {};
  int ring_steps[201] = {};
  double estimate = 1.0;
  // Progress numerators of the plain loop, or what the workers published.
  double done_plain = 0.0;
  std::atomic<double> done_published{0.0};
  std::atomic<bool> stop{false};
  bool cancelled_plain = false;
};

struct Candidate {
  int face;
  WorldPoint image;
  bool box_ok;
};

// One search state: the image-source chain and path record of one
// loudspeaker, on one thread.
struct ImageSearch {
  RunShared* run = nullptr;
  PathSpool* spool = nullptr;
  int depth = 0;
  WorldPoint chain[PATH_MAX_ENTRIES]{};
  PathRecord path{};
  uint32_t visit_counter = 0;
  double visited = 0.0, skipped = 0.0;  // not yet published
  bool cancelled = false;
  std::vector<Candidate> candidates;  // (image order + 1) x padded faces
};

double percent_of(const RunShared& run, double done) {
  double p = done * 100.0 / run.estimate;
  return p > 100.0 ? 100.0 : p;
}

// The progress box text "%1.2f %" and bar; true when the user cancelled.
bool show_progress(double percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%1.2f %%", percent);
  return ui_progress_update_text(int(percent), text) != 0;
}

void publish(ImageSearch& s) {
  RunShared& run = *s.run;
  if (run.threaded) {
    double add = s.visited + s.skipped;
    double old = run.done_published.load(std::memory_order_relaxed);
    while (!run.done_published.compare_exchange_weak(old, old + add, std::memory_order_relaxed)) {
    }
  } else {
    run.done_plain += s.visited + s.skipped;
  }
  s.visited = s.skipped = 0.0;
}

// Every 60000 face visits: the progress (plain loop) or the stop flag
// (workers). False once cancelled.
bool tick(ImageSearch& s, uint32_t visits) {
  s.visit_counter += visits;
  if (s.visit_counter <= VISITS_PER_PROGRESS) return !s.cancelled;
  s.visit_counter = 0;
  publish(s);
  RunShared& run = *s.run;
  if (run.threaded) {
    if (run.stop.load(std::memory_order_relaxed)) s.cancelled = true;
  } else if (run.with_progress && show_progress(percent_of(run, run.done_plain))) {
    s.cancelled = true;
    run.cancelled_plain = true;
  }
  return !s.cancelled;
}

WorldPoint point_of(const PathEntry& e) { return WorldPoint{e.x, e.y, e.z}; }
WorldPoint minus(const WorldPoint& a, const WorldPoint& b) { return WorldPoint{a.x - b.x, a.y - b.y, a.z - b.z}; }

// Box of the segment a .. b against the face box, bounds included.
bool box_inclusive(const WorldPoint& a, const WorldPoint& b, const FaceEntry& f) {
  return (a.x >= f.x_min || b.x >= f.x_min) && (a.x <= f.x_max || b.x <= f.x_max) &&
         (a.y >= f.y_min || b.y >= f.y_min) && (a.y <= f.y_max || b.y <= f.y_max) &&
         (a.z >= f.z_min || b.z >= f.z_min) && (a.z <= f.z_max || b.z <= f.z_max);
}

int intersect(int face, const WorldPoint& a, const WorldPoint& d, WorldPoint* h, bool fast) {
  return fast ? refl_intersect_table_face(face, a, d, h) : refl_intersect_face(g_face_table[face], a, d, h);
}

// Does face i block the segment a .. a + d (box overlap, a hit inside the
// face, nearer than the segment's end and ahead of its start)?
bool blocks(int i, const WorldPoint& a, const WorldPoint& d, const float seg[6], float length_sq, bool fast) {
  const FaceEntry& f = g_face_table[i];
  if (!(seg[1] >= f.x_min && seg[0] < f.x_max && seg[3] >= f.y_min && seg[2] < f.y_max && seg[5] >= f.z_min &&
        seg[4] < f.z_max))
    return false;
  WorldPoint h;
  if (!intersect(i, a, d, &h, fast)) return false;
  WorldPoint dh = minus(h, a);
  if (!(dh.x * dh.x + dh.y * dh.y + dh.z * dh.z < length_sq)) return false;
  return dh.x * d.x > 0.0f || dh.y * d.y > 0.0f || dh.z * d.z > 0.0f;
}

bool segment_blocked(const PathEntry& from, const PathEntry& to, bool fast) {
  WorldPoint a = point_of(from), b = point_of(to);
  WorldPoint d = minus(b, a);
  float seg[6] = {std::fmin(a.x, b.x), std::fmax(a.x, b.x), std::fmin(a.y, b.y),
                  std::fmax(a.y, b.y), std::fmin(a.z, b.z), std::fmax(a.z, b.z)};
  float length_sq = d.x * d.x + d.y * d.y + d.z * d.z;
  auto skip = [&](int i) { return i == from.tag || i == to.tag; };
  if (!fast) {
    for (int i = 0; i < g_face_count; ++i)
      if (!skip(i) && blocks(i, a, d, seg, length_sq, false)) return true;
    return false;
  }
  auto box_ok = [&](const float* n) {
    return seg[1] >= n[0] && seg[0] <= n[1] && seg[3] >= n[2] && seg[2] <= n[3] && seg[5] >= n[4] && seg[4] <= n[5];
  };
  return face_bvh_any(a, d, box_ok, [&](int i) { return !skip(i) && blocks(i, a, d, seg, length_sq, true); });
}

// A point strictly on the side of the face its normal points to.
bool in_front(const FaceEntry& f, const WorldPoint& p) {
  return (f.x0 - p.x) * f.nx + (f.y0 - p.y) * f.ny + (f.z0 - p.z) * f.nz < 0.0f;
}

// The path the search holds at depth m: the reflection points traced back
// from the last one through the image chain, the receiver appended, every
// segment checked for faces in the way, then spooled. A reflection leaves
// its face toward the front, so the point after it must lie in front:
// otherwise the cut of the line from the image lies beyond that point, and
// the "path" would pass through the face.
void complete_path(ImageSearch& s, int m, bool fast) {
  PathRecord& p = s.path;
  for (int j = m - 1; j >= 1; --j) {
    int face = p.entries[j].tag;
    WorldPoint a = s.chain[j], b = point_of(p.entries[j + 1]);
    if (!in_front(g_face_table[face], b) || !box_inclusive(a, b, g_face_table[face])) return;
    WorldPoint h;
    if (!intersect(face, a, minus(b, a), &h, fast)) return;
    p.entries[j].x = h.x, p.entries[j].y = h.y, p.entries[j].z = h.z;
  }
  const WorldPoint& r = s.run->receiver;
  p.entries[m + 1] = PathEntry{PATH_TAG_RECEIVER, r.x, r.y, r.z};
  for (int j = 0; j <= m; ++j)
    if (segment_blocked(p.entries[j], p.entries[j + 1], fast)) return;
  p.reflection_count = int16_t(m);
  refl_spool_path(*s.spool, p, m + 2);
}

// One face at level m, image x at level m - 1 (the plain loop's steps 3 to 5).
void try_face(ImageSearch& s, int m, int i, const WorldPoint& image, bool box_ok, bool fast) {
  s.chain[m] = image;
  s.path.entries[m].tag = uint16_t(i);
  if (!box_ok || !in_front(g_face_table[i], s.run->receiver)) return;
  WorldPoint h;
  if (!intersect(i, image, minus(s.run->receiver, image), &h, fast)) return;
  s.path.entries[m].x = h.x, s.path.entries[m].y = h.y, s.path.entries[m].z = h.z;
  complete_path(s, m, fast);
}

// The image of x in face f when x lies in front of it.
bool mirror(const FaceEntry& f, const WorldPoint& x, WorldPoint* image) {
  float sv = (f.x0 - x.x) * f.nx + (f.y0 - x.y) * f.ny + (f.z0 - x.z) * f.nz;
  if (!(sv < 0.0f)) return false;
  float k = sv / f.mirror_divisor;
  *image = WorldPoint{x.x + k * f.nx, x.y + k * f.ny, x.z + k * f.nz};
  return true;
}

void expand_plain(ImageSearch& s, const WorldPoint& x) {
  int m = ++s.depth;
  const RunShared& run = *s.run;
  for (int i = 0; i < g_face_count; ++i) {
    if (!tick(s, 1)) break;
    s.visited += 1.0;
    const FaceEntry& f = g_face_table[i];
    WorldPoint image;
    if (!mirror(f, x, &image)) {
      if (m < run.image_order) s.skipped += run.powers[size_t(run.image_order - m)];
      continue;
    }
    try_face(s, m, i, image, box_inclusive(image, run.receiver, f), false);
    if (m < run.image_order) {
      expand_plain(s, image);
      if (s.cancelled) break;
    }
  }
  --s.depth;
}

FaceLanes make_lanes(const WorldPoint& r) {
  FaceLanes l;
  l.count = g_face_count;
  l.padded = (g_face_count + 3) & ~3;
  size_t n = size_t(l.padded);
  l.x0.assign(n, 0.0f), l.y0.assign(n, 0.0f), l.z0.assign(n, 0.0f);
  l.nx.assign(n, 0.0f), l.ny.assign(n, 0.0f), l.nz.assign(n, 0.0f), l.md.assign(n, 1.0f);
  l.r_box.assign(n, 0);
  for (int k = 0; k < 6; ++k) {
    l.box[k].assign(n, 0.0f);
    l.r_side[k].assign(n, 0);
  }
  l.d.assign(n, 0.0f);
  for (auto& v : l.free_axis) v.assign(n, 0);
  for (int i = 0; i < g_face_count; ++i) {
    const FaceEntry& f = g_face_table[i];
    const float* fb = &f.x_min;
    for (int k = 0; k < 6; ++k) l.box[k][size_t(i)] = fb[k];
    l.d[size_t(i)] = f.d;
    for (uint32_t k = 0; k < 3; ++k) l.free_axis[k][size_t(i)] = f.dominant_axis == k ? 0xFFFFFFFFu : 0u;
    l.x0[size_t(i)] = f.x0, l.y0[size_t(i)] = f.y0, l.z0[size_t(i)] = f.z0;
    l.nx[size_t(i)] = f.nx, l.ny[size_t(i)] = f.ny, l.nz[size_t(i)] = f.nz, l.md[size_t(i)] = f.mirror_divisor;
    l.r_box[size_t(i)] = uint32_t(r.x >= f.x_min) | uint32_t(r.x <= f.x_max) << 1 | uint32_t(r.y >= f.y_min) << 2 |
                         uint32_t(r.y <= f.y_max) << 3 | uint32_t(r.z >= f.z_min) << 4 | uint32_t(r.z <= f.z_max) << 5;
    for (int k = 0; k < 6; ++k) l.r_side[k][size_t(i)] = (l.r_box[size_t(i)] >> k) & 1u ? 0xFFFFFFFFu : 0u;
  }
  return l;
}

// The faces of the image x, in index order: every face x lies in front of
// (with `all`), or only those whose box the segment image .. receiver r
// meets and whose hit on that line may lie inside. Each with its image
// computed exactly as the plain loop does.
#if defined(__SSE2__)
__m128 load_mask(const std::vector<uint32_t>& v, int i) {
  return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&v[size_t(i)])));
}

// The first steps of refl_intersect_table_face for the images (ax, ay, az)
// of faces i .. i + 3, with the same operations in the same order: the hit
// on the line from the image toward the receiver and the box part of the
// point test. A lane that fails here fails there.
__m128 hit_may_lie_inside(const FaceLanes& l, int i, const WorldPoint& r, __m128 ax, __m128 ay, __m128 az,
                          __m128 nx, __m128 ny, __m128 nz) {
  __m128 dx = _mm_sub_ps(_mm_set1_ps(r.x), ax), dy = _mm_sub_ps(_mm_set1_ps(r.y), ay),
         dz = _mm_sub_ps(_mm_set1_ps(r.z), az);
  __m128 length = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)), _mm_mul_ps(dz, dz)));
  __m128 ux = _mm_div_ps(dx, length), uy = _mm_div_ps(dy, length), uz = _mm_div_ps(dz, length);
  __m128 q = _mm_add_ps(_mm_add_ps(_mm_mul_ps(ux, nx), _mm_mul_ps(uy, ny)), _mm_mul_ps(uz, nz));
  __m128 a_n = _mm_add_ps(_mm_add_ps(_mm_mul_ps(ax, nx), _mm_mul_ps(ay, ny)), _mm_mul_ps(az, nz));
  __m128 t = _mm_div_ps(_mm_add_ps(a_n, _mm_loadu_ps(&l.d[size_t(i)])), q);
  const __m128 h[3] = {_mm_sub_ps(ax, _mm_mul_ps(t, ux)), _mm_sub_ps(ay, _mm_mul_ps(t, uy)),
                       _mm_sub_ps(az, _mm_mul_ps(t, uz))};
  __m128 ok = _mm_andnot_ps(_mm_cmplt_ps(length, _mm_set1_ps(0.001f)), _mm_cmpneq_ps(q, _mm_setzero_ps()));
  for (int k = 0; k < 3; ++k) {
    __m128 within = _mm_and_ps(_mm_cmpge_ps(h[k], _mm_loadu_ps(&l.box[2 * k][size_t(i)])),
                               _mm_cmple_ps(h[k], _mm_loadu_ps(&l.box[2 * k + 1][size_t(i)])));
    ok = _mm_and_ps(ok, _mm_or_ps(within, load_mask(l.free_axis[k], i)));
  }
  return ok;
}
#endif

int enumerate(const FaceLanes& l, const WorldPoint& x, const WorldPoint& r, bool all, Candidate* out) {
  int n = 0;
  auto take = [&](int i, float ix, float iy, float iz) {
    const FaceEntry& f = g_face_table[i];
    uint32_t rb = l.r_box[size_t(i)];
    bool box_ok = ((rb & 1) || ix >= f.x_min) && ((rb & 2) || ix <= f.x_max) && ((rb & 4) || iy >= f.y_min) &&
                  ((rb & 8) || iy <= f.y_max) && ((rb & 16) || iz >= f.z_min) && ((rb & 32) || iz <= f.z_max);
    if (all || box_ok) out[n++] = Candidate{i, WorldPoint{ix, iy, iz}, box_ok};
  };
#if defined(__SSE2__)
  const __m128 X = _mm_set1_ps(x.x), Y = _mm_set1_ps(x.y), Z = _mm_set1_ps(x.z), zero = _mm_setzero_ps();
  for (int i = 0; i < l.padded; i += 4) {
    __m128 nx = _mm_loadu_ps(&l.nx[size_t(i)]), ny = _mm_loadu_ps(&l.ny[size_t(i)]), nz = _mm_loadu_ps(&l.nz[size_t(i)]);
    __m128 s = _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(&l.x0[size_t(i)]), X), nx),
                                     _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(&l.y0[size_t(i)]), Y), ny)),
                          _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(&l.z0[size_t(i)]), Z), nz));
    __m128 front = _mm_cmplt_ps(s, zero);
    if (!_mm_movemask_ps(front)) continue;
    __m128 k = _mm_div_ps(s, _mm_loadu_ps(&l.md[size_t(i)]));
    __m128 vx = _mm_add_ps(X, _mm_mul_ps(k, nx)), vy = _mm_add_ps(Y, _mm_mul_ps(k, ny)),
           vz = _mm_add_ps(Z, _mm_mul_ps(k, nz));
    __m128 wanted = front;
    if (!all) {
      // The segment box test of `take`, lane by lane: each side holds for the
      // receiver or for the image.
      auto side = [&](int b, __m128 v, bool upper) {
        __m128 bound = _mm_loadu_ps(&l.box[b][size_t(i)]);
        __m128 image_ok = upper ? _mm_cmple_ps(v, bound) : _mm_cmpge_ps(v, bound);
        return _mm_or_ps(load_mask(l.r_side[b], i), image_ok);
      };
      wanted = _mm_and_ps(wanted, _mm_and_ps(side(0, vx, false), side(1, vx, true)));
      wanted = _mm_and_ps(wanted, _mm_and_ps(side(2, vy, false), side(3, vy, true)));
      wanted = _mm_and_ps(wanted, _mm_and_ps(side(4, vz, false), side(5, vz, true)));
      if (_mm_movemask_ps(wanted)) wanted = _mm_and_ps(wanted, hit_may_lie_inside(l, i, r, vx, vy, vz, nx, ny, nz));
    }
    int mask = _mm_movemask_ps(wanted);
    if (!mask) continue;
    alignas(16) float ix[4], iy[4], iz[4];
    _mm_store_ps(ix, vx);
    _mm_store_ps(iy, vy);
    _mm_store_ps(iz, vz);
    for (int lane = 0; lane < 4; ++lane)
      if (mask & (1 << lane)) take(i + lane, ix[lane], iy[lane], iz[lane]);
  }
#else
  for (int i = 0; i < l.count; ++i) {
    WorldPoint image;
    if (mirror(g_face_table[i], x, &image)) take(i, image.x, image.y, image.z);
  }
#endif
  return n;
}

void expand_fast(ImageSearch& s, const WorldPoint& x) {
  int m = ++s.depth;
  const RunShared& run = *s.run;
  bool deeper = m < run.image_order;
  if (tick(s, uint32_t(run.faces))) {
    s.visited += run.faces;
    Candidate* list = s.candidates.data() + size_t(m) * size_t(run.lanes.padded);
    int n = enumerate(run.lanes, x, run.receiver, deeper, list);
    if (deeper) s.skipped += double(run.faces - n) * run.powers[size_t(run.image_order - m)];
    for (int c = 0; c < n; ++c) {
      try_face(s, m, list[c].face, list[c].image, list[c].box_ok, true);
      if (deeper) {
        expand_fast(s, list[c].image);
        if (s.cancelled) break;
      }
    }
  }
  --s.depth;
}

void start_speaker(ImageSearch& s, const WorldPoint& source) {
  const WorldPoint& r = s.run->receiver;
  s.depth = 0;
  s.path = PathRecord{};
  s.path.rx = r.x, s.path.ry = r.y, s.path.rz = r.z;
  s.chain[0] = source;
  s.path.entries[0] = PathEntry{PATH_TAG_SOURCE, source.x, source.y, source.z};
  s.path.entries[1] = PathEntry{PATH_TAG_RECEIVER, r.x, r.y, r.z};
}

WorldPoint source_of(int a) {
  const float* p = g_active_speakers[a].speaker->position;
  return WorldPoint{p[0], p[1], p[2]};
}

int tracer_progress(void* user) {
  ImageSearch& s = *static_cast<ImageSearch*>(user);
  s.visit_counter = VISITS_PER_PROGRESS + 1;
  return tick(s, 0) ? 0 : 1;
}

void prepare_tracer(RayTracer& tr, const RunShared& run, const WorldPoint& source, PathSpool* spool,
                    ImageSearch* progress_state) {
  tr = RayTracer{};
  tr.receiver = run.receiver;
  tr.order_limit = run.ray_order;
  tr.min_order = run.ray_min_order;
  tr.capture_radius_sq = RAY_CAPTURE_RADIUS_SQ;
  tr.spool = spool;
  tr.use_tree = run.use_tree ? 1 : 0;
  tr.path.rx = run.receiver.x, tr.path.ry = run.receiver.y, tr.path.rz = run.receiver.z;
  tr.path.entries[0] = PathEntry{PATH_TAG_SOURCE, source.x, source.y, source.z};
  tr.progress = tracer_progress;
  tr.progress_user = progress_state;
}

// Every azimuth of one ring from the source; false when cancelled.
bool trace_ring(RayTracer& tr, ImageSearch& s, const WorldPoint& source, int ring) {
  const RunShared& run = *s.run;
  for (int k = 0; k < 400; k += run.ring_steps[ring]) {
    tr.depth = 0;
    tr.direction = refl_ray_direction(run.cos_table, run.sin_table, ring, k);
    refl_trace_ray(tr, source, -1);
    if (tr.cancelled) return false;
    s.visited += double(run.ray_order) * run.faces;
  }
  return true;
}

// ---------------------------------------------------------------- plain

void search_plain(RunShared& run, PathSpool& spool) {
  ImageSearch s;
  s.run = &run;
  s.spool = &spool;
  for (int a = 0; a < g_active_speaker_count && !s.cancelled; ++a) {
    WorldPoint source = source_of(a);
    start_speaker(s, source);
    complete_path(s, 0, false);
    expand_plain(s, source);
    refl_spool_flush(spool);
    if (s.cancelled || run.ray_order == 0) continue;
    RayTracer tr;
    prepare_tracer(tr, run, source, &spool, &s);
    for (int j = 1; j <= 199 && !s.cancelled; ++j)
      if (!trace_ring(tr, s, source, j)) s.cancelled = true;
    refl_spool_flush(spool);
  }
  publish(s);
}

// ---------------------------------------------------------------- workers

enum class TaskKind { DIRECT, IMAGE, RING };

struct Task {
  TaskKind kind;
  int speaker;
  int item;  // level-1 face or ring
  std::vector<uint8_t> paths;
  bool complete = false;
  std::atomic<bool> done{false};
};

struct Pool {
  RunShared* run;
  std::vector<std::unique_ptr<Task>> tasks;
  std::atomic<size_t> next{0};
  ParkLock mutex;
  ParkCondition finished;
};

void run_task(RunShared& run, Task& t) {
  ImageSearch s;
  s.run = &run;
  PathSpool memory;
  memory.memory = &t.paths;
  s.spool = &memory;
  WorldPoint source = source_of(t.speaker);
  start_speaker(s, source);
  if (t.kind == TaskKind::DIRECT) {
    complete_path(s, 0, run.use_tree);
  } else if (t.kind == TaskKind::IMAGE) {
    s.candidates.resize(size_t(run.image_order + 1) * size_t(run.lanes.padded));
    const FaceEntry& f = g_face_table[t.item];
    WorldPoint image;
    mirror(f, source, &image);
    s.depth = 1;
    try_face(s, 1, t.item, image, box_inclusive(image, run.receiver, f), run.use_tree);
    if (1 < run.image_order) run.use_tree ? expand_fast(s, image) : expand_plain(s, image);
    s.depth = 0;
  } else {
    RayTracer tr;
    prepare_tracer(tr, run, source, &memory, &s);
    if (!trace_ring(tr, s, source, t.item)) s.cancelled = true;
  }
  publish(s);
  t.complete = !s.cancelled;
}

void worker(Pool& pool) {
  RunShared& run = *pool.run;
  for (;;) {
    size_t i = pool.next.fetch_add(1);
    if (i >= pool.tasks.size()) return;
    Task& t = *pool.tasks[i];
    if (!run.stop.load()) run_task(run, t);
    {
      std::lock_guard<ParkLock> lock(pool.mutex);
      t.done.store(true);
    }
    pool.finished.notify_all();
  }
}

// Loudspeaker by loudspeaker: the direct path, one task per first-level face
// with the whole image tree behind it, one task per ring of rays. The first
// level is counted here exactly as the plain loop counts it.
void make_tasks(Pool& pool) {
  RunShared& run = *pool.run;
  for (int a = 0; a < g_active_speaker_count; ++a) {
    WorldPoint source = source_of(a);
    auto direct = std::make_unique<Task>();
    direct->kind = TaskKind::DIRECT, direct->speaker = a, direct->item = -1;
    pool.tasks.push_back(std::move(direct));
    double first_level = 0.0;
    for (int i = 0; i < g_face_count; ++i) {
      first_level += 1.0;
      WorldPoint image;
      if (!mirror(g_face_table[i], source, &image)) {
        if (1 < run.image_order) first_level += run.powers[size_t(run.image_order - 1)];
        continue;
      }
      auto t = std::make_unique<Task>();
      t->kind = TaskKind::IMAGE, t->speaker = a, t->item = i;
      pool.tasks.push_back(std::move(t));
    }
    run.done_published.store(run.done_published.load() + first_level);
    if (run.ray_order == 0) continue;
    for (int j = 1; j <= 199; ++j) {
      auto t = std::make_unique<Task>();
      t->kind = TaskKind::RING, t->speaker = a, t->item = j;
      pool.tasks.push_back(std::move(t));
    }
  }
}

int worker_count(size_t tasks) {
  int n = g_refl_run_settings.threads;
  if (n <= 0) n = worker_pool_processors();
  n = std::clamp(n, 1, 64);
  return int(std::min<size_t>(size_t(n), std::max<size_t>(tasks, 1)));
}

// Workers of the pool take the tasks in order; this thread hands their
// paths to the spool in task order and keeps the progress box and its
// cancel button.
void search_threaded(RunShared& run, PathSpool& spool) {
  Pool pool;
  pool.run = &run;
  make_tasks(pool);
  WorkerTeam workers;
  if (workers.start(worker_count(pool.tasks.size()), [&](int) { worker(pool); }) == 0) worker(pool);
  auto last = std::chrono::steady_clock::now();
  for (size_t i = 0; i < pool.tasks.size(); ++i) {
    Task& t = *pool.tasks[i];
    for (;;) {
      std::unique_lock<ParkLock> lock(pool.mutex);
      if (pool.finished.wait_for(lock, std::chrono::milliseconds(PROGRESS_WAIT_MS), [&] { return t.done.load(); }))
        break;
      lock.unlock();
      auto now = std::chrono::steady_clock::now();
      if (run.with_progress && !run.stop && now - last >= std::chrono::milliseconds(PROGRESS_WAIT_MS)) {
        last = now;
        if (show_progress(percent_of(run, run.done_published.load()))) run.stop = true;
      }
    }
    if (!t.complete) break;
    refl_spool_append(spool, t.paths.data(), t.paths.size());
    std::vector<uint8_t>().swap(t.paths);
    bool speaker_ends = i + 1 == pool.tasks.size() || pool.tasks[i + 1]->speaker != t.speaker;
    if (speaker_ends) refl_spool_flush(spool);
  }
  workers.join();
}

void prepare_run(RunShared& run, const ReflSearchSetup& setup) {
  run.receiver = setup.receiver;
  run.image_order = setup.image_order;
  run.ray_order = setup.ray_order;
  run.ray_min_order = setup.ray_min_order;
  run.faces = g_face_count;
  run.use_tree = g_refl_run_settings.use_tree != 0;
  run.with_progress = setup.with_progress != 0;
  run.powers.assign(size_t(std::max(setup.image_order, 0) + 1), 1.0);
  for (size_t k = 1; k < run.powers.size(); ++k) run.powers[k] = run.powers[k - 1] * double(g_face_count);
  refl_ray_tables(run.cos_table, run.sin_table, run.ring_steps);
  run.estimate = refl_progress_estimate(setup, g_face_count, g_active_speaker_count);
  if (!(run.estimate > 0.0)) run.estimate = 1.0;
  if (run.use_tree) run.lanes = make_lanes(setup.receiver);
}

}  // namespace

int refl_point_order(int faces, int speakers) {
  double product = double(faces) * double(speakers);
  if (product <= 1.0) return 3;
  double q = 10.0 / std::log(product);
  if (q <= 1.0) return 1;
  return q >= 3.0 ? 3 : int(q);
}

void refl_split_orders(int faces, int order, int* image_order, int* ray_min_order) {
  *image_order = order;
  *ray_min_order = 0;
  if (order <= 1) {
    *image_order = 1;
    return;
  }
  for (int k = 3; k <= order; ++k)
    if (std::pow(double(faces - 1), double(k)) > SPLIT_LIMIT) {
      *image_order = k - 1;
      *ray_min_order = k;
      return;
    }
}

double refl_progress_estimate(const ReflSearchSetup& setup, int faces, int speakers) {
  double e = std::pow(double(faces), double(setup.image_order));
  if (setup.ray_order > 0) e += double(setup.ray_order) * REFL_RAYS_PER_SOURCE * faces;
  return e * speakers;
}

int refl_search_paths(const ReflSearchSetup& setup, PathSpool& spool) {
  g_refl_cancelled = 0;
  if (g_face_count <= 0 || g_active_speaker_count <= 0) return 1;
  RunShared run;
  prepare_run(run, setup);
  bool plain = !run.use_tree && g_refl_run_settings.threads == 1;
  if (plain) {
    search_plain(run, spool);
    g_refl_cancelled = run.cancelled_plain ? 1 : 0;
  } else {
    run.threaded = true;
    search_threaded(run, spool);
    g_refl_cancelled = run.stop.load() ? 1 : 0;
  }
  return g_refl_cancelled ? 0 : 1;
}

void refl_ray_tables(float cos_table[400], float sin_table[400], int ring_steps[201]) {
  for (int k = 0; k < 400; ++k) {
    double s, c;
    acm_sin_cos(2.0 * PI_OF_THE_TABLES * k / 400.0, &s, &c);
    cos_table[k] = float(c);
    sin_table[k] = float(s);
  }
  ring_steps[0] = ring_steps[200] = 400;
  for (int j = 1; j < 200; ++j) {
    double s, c;
    acm_sin_cos(2.0 * PI_OF_THE_TABLES * j / 400.0, &s, &c);
    int step = int(400.0 / (400.0 * s));
    ring_steps[j] = step < 1 ? 1 : step;
  }
}

WorldPoint refl_ray_direction(const float cos_table[400], const float sin_table[400], int ring, int azimuth) {
  float across = 1000.0f * std::fabs(sin_table[ring]);
  return WorldPoint{1000.0f * cos_table[ring], across * cos_table[azimuth], across * sin_table[azimuth]};
}

double refl_estimate_mean_free_path(const WorldPoint& p) {
  if (g_face_count <= 0) return 0.0;
  float cos_table[400], sin_table[400];
  int steps[201];
  refl_ray_tables(cos_table, sin_table, steps);
  RayTracer tr{};
  tr.receiver = p;
  tr.order_limit = 7;
  tr.min_order = 8;  // no receiver is ever captured
  tr.capture_radius_sq = RAY_CAPTURE_RADIUS_SQ;
  tr.use_tree = g_refl_run_settings.use_tree ? 1 : 0;
  tr.path.rx = p.x, tr.path.ry = p.y, tr.path.rz = p.z;
  tr.path.entries[0] = PathEntry{PATH_TAG_SOURCE, p.x, p.y, p.z};
  for (int j = 1; j < 200; j += 16)
    for (int k = 0; k < 400; k += 16 * steps[j]) {
      tr.depth = 0;
      tr.direction = refl_ray_direction(cos_table, sin_table, j, k);
      refl_trace_ray(tr, p, -1);
    }
  return tr.free_path_segments > 0.0 ? tr.free_path_sum / tr.free_path_segments : 0.0;
}
