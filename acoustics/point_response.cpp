#include "acoustics/point_response.h"

#include <cmath>
#include <cstring>
#include <algorithm>
#include <functional>
#include <utility>

#include "acoustics/acoustic_math.h"
#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/ray_geom.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "project/coverage_grid.h"
#include "speakers/speaker_model.h"

ArrivalBuffer g_arrivals;
uint32_t g_resp_flags = 0;
RespContext g_resp_context;

namespace {

constexpr float SPEED_OF_SOUND = 343.0f;
constexpr float SUM_WINDOW_S = 0.036f;
constexpr double OMEGA[RESP_BANDS] = {785.4, 1570.8, 3141.6, 6283.2, 12566.4, 25132.7, 50265.5};
constexpr double AIR_FACTOR[RESP_BANDS] = {1.0, 0.99997, 0.9999, 0.9995, 0.998, 0.991, 0.965};
constexpr float REFLECTION_MARGIN = 144.0f;
constexpr float OPEN_WINDOW = 1e8f;
constexpr float PRECEDENCE = 17.782f;
constexpr float PLACEHOLDER_AMPLITUDE = 0.001f;
constexpr float POLAR_SCALE = 11.4592f;
constexpr float AZIMUTH_SCALE = 11.45915f;
constexpr float NEAREST_START = 1e10f;

constexpr int BALLOON_ROWS = 37, BALLOON_COLUMNS = 72, BAND_SLOTS = 8;
constexpr int BALLOON_BAND_BYTES = BALLOON_ROWS * BALLOON_COLUMNS;

// The air loss A^d is 2^(d log2 A); the eighth slot pads the bands to a
// vector and stays 1.
struct PowerTable {
  float power[256];
  float log2_air[BAND_SLOTS] = {};
  PowerTable() {
    for (int b = 0; b < 256; ++b) power[b] = float(std::pow(10.0, ((b - 225) / 5.0) / 10.0));
    for (int b = 0; b < RESP_BANDS; ++b) log2_air[b] = float(std::log2(AIR_FACTOR[b]));
  }
};
const PowerTable g_tables;

// Every loudspeaker has a balloon to read; one without a loaded type
// radiates evenly (every byte 225 = 0 dB).
struct FlatBalloon {
  uint8_t bytes[RESP_BANDS * 37 * 72];
  FlatBalloon() {
    for (uint8_t& b : bytes) b = 225;
  }
};
const FlatBalloon g_flat_balloon;

struct Segment {
  WorldPoint a;
  WorldPoint d;      // end minus start
  WorldPoint u;      // unit direction
  float length_sq;
  float box[6];
  float inverse[3];  // 1 / d per axis, 0 where d is 0
};

float lower(float a, float b) { return b < a ? b : a; }
float upper(float a, float b) { return a < b ? b : a; }

Segment make_segment(const WorldPoint& a, const WorldPoint& d) {
  Segment s;
  s.a = a;
  s.d = d;
  s.length_sq = d.x * d.x + d.y * d.y + d.z * d.z;
  float length = std::sqrt(s.length_sq);
  s.u = WorldPoint{d.x / length, d.y / length, d.z / length};
  WorldPoint b{a.x + d.x, a.y + d.y, a.z + d.z};
  s.box[0] = lower(a.x, b.x), s.box[1] = upper(a.x, b.x);
  s.box[2] = lower(a.y, b.y), s.box[3] = upper(a.y, b.y);
  s.box[4] = lower(a.z, b.z), s.box[5] = upper(a.z, b.z);
  const float delta[3] = {d.x, d.y, d.z};
  for (int k = 0; k < 3; ++k) s.inverse[k] = delta[k] == 0.0f ? 0.0f : 1.0f / delta[k];
  return s;
}

bool boxes_overlap(const float seg[6], float x_min, float x_max, float y_min, float y_max,
                   float z_min, float z_max) {
  return seg[1] > x_min && seg[0] < x_max && seg[3] > y_min && seg[2] < y_max && seg[5] > z_min &&
         seg[4] < z_max;
}

bool within(float lo, float hi, float v) { return (lo - v) * (hi - v) <= 0.0f; }

// Does the segment cross face i (box prefilter, plane, a hit ahead of the
// start and before the end, inside the polygon)? Leaves tau^2.
bool segment_hits(const Segment& s, int i, bool fast_polygon, float* tau_sq) {
  const FaceEntry& f = g_face_table[i];
  if (!boxes_overlap(s.box, f.x_min, f.x_max, f.y_min, f.y_max, f.z_min, f.z_max)) return false;
  float q = f.nx * s.u.x + f.ny * s.u.y + f.nz * s.u.z;
  if (q == 0.0f) return false;
  float tau = (f.nx * s.a.x + f.ny * s.a.y + f.nz * s.a.z + f.d) / q;
  if (!(tau < 0.0f)) return false;  // the hit point lies at -tau along the segment
  WorldPoint x{s.a.x - tau * s.u.x, s.a.y - tau * s.u.y, s.a.z - tau * s.u.z};
  if (!within(s.box[0], s.box[1], x.x) || !within(s.box[2], s.box[3], x.y) ||
      !within(s.box[4], s.box[5], x.z))
    return false;
  float t2 = tau * tau;
  if (!(t2 < s.length_sq)) return false;
  if (!(fast_polygon ? face_point_in_polygon(i, x) : refl_point_in_face(f, x))) return false;
  *tau_sq = t2;
  return true;
}

// Does the segment pass through the box (slab test over its length)? The
// reach boxes carry a rounding margin far wider than the last bit that the
// reciprocal changes.
bool segment_meets_box(const Segment& s, const float box[6]) {
  float t0 = 0.0f, t1 = 1.0f;
  const float a[3] = {s.a.x, s.a.y, s.a.z}, d[3] = {s.d.x, s.d.y, s.d.z};
  for (int k = 0; k < 3; ++k) {
    float lo = box[2 * k], hi = box[2 * k + 1];
    if (d[k] == 0.0f) {
      if (a[k] < lo || a[k] > hi) return false;
      continue;
    }
    float inv = s.inverse[k];
    float ta = (lo - a[k]) * inv, tb = (hi - a[k]) * inv;
    if (ta > tb) std::swap(ta, tb);
    if (ta > t0) t0 = ta;
    if (tb < t1) t1 = tb;
    if (t0 > t1) return false;
  }
  return true;
}

// Visits the faces in the tree leaves whose boxes the segment box overlaps;
// stops when the visitor answers true.
template <typename Visit>
bool tree_any(const Segment& s, Visit visit) {
  if (!g_face_tree) return false;
  int32_t stack[128];
  int top = 0;
  stack[top++] = 0;
  while (top > 0) {
    const FaceTreeNode& n = g_face_tree[stack[--top]];
    if (!boxes_overlap(s.box, n.box[0], n.box[1], n.box[2], n.box[3], n.box[4], n.box[5])) continue;
    if (!segment_meets_box(s, n.reach)) continue;
    if (n.count > 0) {
      for (int32_t k = n.first; k < n.first + n.count; ++k)
        if (visit(g_face_tree_order[k])) return true;
    } else if (top + 2 <= 128) {
      stack[top++] = n.right;
      stack[top++] = n.left;
    }
  }
  return false;
}

bool path_clear_plain(const Segment& s, int face, int nearest_mode) {
  float tau_sq;
  if (!nearest_mode) {
    for (int i = 0; i < g_face_count; ++i)
      if (segment_hits(s, i, false, &tau_sq)) return false;
    return true;
  }
  float best = NEAREST_START;
  int best_face = -1;
  for (int i = 0; i < g_face_count; ++i)
    if (segment_hits(s, i, false, &tau_sq) && tau_sq < best) best = tau_sq, best_face = i;
  return best_face >= 0 && best_face == face;
}

// Same answers as the plain scan: the given face must be hit, and no other
// face may be hit nearer (or equally near with a lower index, which the scan
// would have kept first).
bool path_clear_tree(const Segment& s, int face, int nearest_mode) {
  if (!nearest_mode)
    return !tree_any(s, [&](int i) {
      float t;
      return segment_hits(s, i, true, &t);
    });
  if (face < 0 || face >= g_face_count) return false;
  float own;
  if (!segment_hits(s, face, true, &own) || !(own < NEAREST_START)) return false;
  return !tree_any(s, [&](int i) {
    float t;
    if (i == face || !segment_hits(s, i, true, &t)) return false;
    return t < own || (t == own && i < face);
  });
}

void reset_point(RespContext& c) {
  for (int b = 0; b < RESP_BANDS; ++b) {
    c.buffer->bands[b].first_time = RESP_NO_ARRIVAL_TIME;
    c.buffer->bands[b].first_index = 0;
    c.threshold[b] = 1.0f;
  }
  c.count = 0;
  c.dropped = 0;
}

void set_reflection_weights(RespContext& c, int face) {
  int m = refl_face_material(g_face_table[face]);
  const float* alpha = g_material_table.records[m].absorption;
  for (int b = 0; b < RESP_BANDS; ++b) c.weights[b] = 1.0f - alpha[b];
}

// The run's cells of the loudspeaker's balloon, or null (then its bytes are
// read; both give the same gains).
const float* gain_cells(const RespContext& c, const ActiveSpeaker& sp) {
  if (!c.run || !sp.balloon) return nullptr;
  std::less<const ActiveSpeaker*> before;
  if (before(&sp, g_active_speakers) || !before(&sp, g_active_speakers + g_active_speaker_count)) return nullptr;
  size_t a = size_t(&sp - g_active_speakers);
  if (a >= c.run->gain_offset.size() || c.run->gain_key[a] != sp.balloon || c.run->gain_offset[a] < 0)
    return nullptr;
  return c.run->gains.data() + c.run->gain_offset[a];
}

void append_cells(std::vector<float>& gains, const uint8_t* balloon) {
  for (int r = 0; r < BALLOON_ROWS; ++r)
    for (int col = 0; col < BALLOON_COLUMNS; ++col) {
      for (int b = 0; b < RESP_BANDS; ++b)
        gains.push_back(g_tables.power[balloon[b * BALLOON_BAND_BYTES + r * BALLOON_COLUMNS + col]]);
      gains.push_back(0.0f);
    }
}

}  // namespace

float resp_byte_to_power(uint8_t byte) { return g_tables.power[byte]; }

// One set of cells per distinct balloon of the active table.
void resp_prepare_run(RespRunTables& t) {
  int count = g_active_speaker_count;
  t.gains.clear();
  t.gain_offset.assign(size_t(count), -1);
  t.gain_key.assign(size_t(count), nullptr);
  std::vector<std::pair<const uint8_t*, int32_t>> made;
  for (int a = 0; a < count; ++a) {
    const uint8_t* balloon = g_active_speakers[a].balloon;
    if (!balloon) continue;
    int32_t offset = -1;
    for (const auto& m : made)
      if (m.first == balloon) offset = m.second;
    if (offset < 0) {
      offset = int32_t(t.gains.size());
      append_cells(t.gains, balloon);
      made.push_back({balloon, offset});
    }
    t.gain_offset[size_t(a)] = offset;
    t.gain_key[size_t(a)] = balloon;
  }
  t.face_inv_norm.resize(size_t(g_face_count));
  for (int f = 0; f < g_face_count; ++f) {
    double length = std::sqrt(2.0 * double(g_face_table[f].mirror_divisor));
    t.face_inv_norm[size_t(f)] = length > 0.0 ? 1.0 / length : 0.0;
  }
}

void resp_reset_tables() {
  g_resp_flags = 0;
  std::memset(&g_arrivals, 0, sizeof g_arrivals);
}

// The per-face and per-loudspeaker lists keep their memory, so that a
// context kept by a worker serves run after run without the heap, which the
// Windows build's threads share; no list is taken as current.
void resp_init_context(RespContext& c, ArrivalBuffer* buffer) {
  std::vector<double> plane = std::move(c.plane);
  std::vector<uint32_t> blockers_region = std::move(c.blockers_region);
  std::vector<std::vector<int32_t>> blockers = std::move(c.blockers);
  c = RespContext{};
  std::fill(blockers_region.begin(), blockers_region.end(), 0u);
  c.plane = std::move(plane);
  c.blockers_region = std::move(blockers_region);
  c.blockers = std::move(blockers);
  c.buffer = buffer;
  c.flags = g_resp_flags;
  c.summation_mode = g_calc_options.summation_mode;
  c.use_face_tree = 1;
  for (float& w : c.weights) w = 1.0f;
}

// One arrival of `sp` at target q: the direction in the loudspeaker's own
// frame picks the balloon cell, distance gives spreading, air loss and
// time. Beyond the buffer's capacity an arrival is not added (counted in
// `dropped`); the squared distance is always left for the caller.
void resp_add_arrival(RespContext& c, const ActiveSpeaker& sp, const WorldPoint& q, int is_reflection) {
  const PlacedSpeaker& ps = *sp.speaker;
  float vx = q.x - ps.position[0], vy = q.y - ps.position[1], vz = q.z - ps.position[2];
  if (sp.horizontal_flag) {
    float x = vx * sp.cos_horizontal + vy * sp.sin_horizontal;
    vy = vy * sp.cos_horizontal - vx * sp.sin_horizontal;
    vx = x;
  }
  if (sp.vertical_flag) {
    float x = vx * sp.cos_vertical + vz * sp.sin_vertical;
    vz = vz * sp.cos_vertical - vx * sp.sin_vertical;
    vx = x;
  }
  if (sp.rotation_flag) {
    float z = vz * sp.cos_rotation + vy * sp.sin_rotation;
    vy = vy * sp.cos_rotation - vz * sp.sin_rotation;
    vz = z;
  }
  float d_sq = vx * vx + vy * vy + vz * vz;
  c.last_distance_sq = d_sq;
  if (c.count >= uint32_t(MAX_ARRIVALS)) {
    c.dropped += 1;
    return;
  }
  float d = std::sqrt(d_sq);
  float spreading, t;
  if (d <= 0.01f) {
    spreading = 100.0f;
    t = 0.0f;
  } else {
    spreading = 1.0f / d_sq;
    // acos(vx / d), taken as the angle of (vx, radial) so that it stays exact near the axis
    float radial = std::sqrt(vy * vy + vz * vz);
    t = float(acm_atan2(radial, vx)) * POLAR_SCALE;
  }
  // t and u are never negative, so the conversion rounds down like floor.
  int i = int(t), i2;
  float f;
  if (i < 36) {
    i2 = i + 1;
    f = t - float(i);
  } else {
    i = i2 = 36;
    f = 0.5f;
  }
  int j, j2;
  float g;
  if (std::fabs(vy) <= 0.001f) {
    j = j2 = vz >= 0.0f ? 18 : 54;
    g = 0.5f;
  } else {
    float phi = float(acm_atan2(vz, vy));
    if (phi < 0.0f) phi += 6.283185307f;
    float u = phi * AZIMUTH_SCALE;
    j = int(u);
    g = u - float(j);
    if (j >= 71) {
      j = 71;
      j2 = 0;
    } else {
      j2 = j + 1;
    }
  }
  float arrival = ps.delay_ms * 0.001f + d / SPEED_OF_SOUND;
  float w00 = (1 - f) * (1 - g), w01 = (1 - f) * g, w10 = f * (1 - g), w11 = f * g;
  float gain[BAND_SLOTS], air[BAND_SLOTS];
  if (const float* cells = gain_cells(c, sp)) {
    const float* c00 = cells + (i * BALLOON_COLUMNS + j) * BAND_SLOTS;
    const float* c01 = cells + (i * BALLOON_COLUMNS + j2) * BAND_SLOTS;
    const float* c10 = cells + (i2 * BALLOON_COLUMNS + j) * BAND_SLOTS;
    const float* c11 = cells + (i2 * BALLOON_COLUMNS + j2) * BAND_SLOTS;
    for (int b = 0; b < BAND_SLOTS; ++b) gain[b] = w00 * c00[b] + w01 * c01[b] + w10 * c10[b] + w11 * c11[b];
  } else {
    const uint8_t* balloon = sp.balloon ? sp.balloon : g_flat_balloon.bytes;
    const float* p = g_tables.power;
    for (int b = 0; b < RESP_BANDS; ++b) {
      const uint8_t* rows = balloon + b * BALLOON_BAND_BYTES;
      gain[b] = w00 * p[rows[i * 72 + j]] + w01 * p[rows[i * 72 + j2]] + w10 * p[rows[i2 * 72 + j]] +
                w11 * p[rows[i2 * 72 + j2]];
    }
    gain[7] = 0.0f;
  }
  for (int half = 0; half < BAND_SLOTS; half += 4) {
    acm_float4 x, y;
    std::memcpy(&x, g_tables.log2_air + half, sizeof x);
    y = acm_exp2f4(x * d);
    std::memcpy(air + half, &y, sizeof y);
  }
  uint32_t n = c.count;
  for (int b = 0; b < RESP_BANDS; ++b) {
    ArrivalBand& band = c.buffer->bands[b];
    if (!(sp.band_mask & (1u << b))) {
      band.amplitudes[n] = PLACEHOLDER_AMPLITUDE;
      band.times[n] = RESP_NO_ARRIVAL_TIME;
      continue;
    }
    float v = air[b] * (spreading * ps.intensity[b]) * gain[b];
    if (is_reflection) v *= c.weights[b];
    band.amplitudes[n] = float(ps.polarity) * v;
    band.times[n] = arrival;
    if (arrival < band.first_time || v > c.threshold[b]) {
      band.first_time = arrival;
      band.first_index = n;
      c.threshold[b] = v * PRECEDENCE;
    }
  }
  c.count = n + 1;
}

// Mode 0: true when no face blocks the segment a .. a + d. Mode 1: true when
// the nearest face the segment crosses, seen from a, is `face`.
int resp_path_is_clear(const RespContext& c, const WorldPoint& a, const WorldPoint& d, int face,
                       int nearest_mode) {
  if (!(d.x * d.x + d.y * d.y + d.z * d.z > 0.0f)) return nearest_mode ? 0 : 1;
  Segment s = make_segment(a, d);
  bool clear = c.use_face_tree && g_face_tree ? path_clear_tree(s, face, nearest_mode)
                                              : path_clear_plain(s, face, nearest_mode);
  return clear ? 1 : 0;
}

// The receiver mirrored in the face's plane is the image whose line to the
// loudspeaker passes the reflection point; it counts while the path is not
// longer than the window allows and the face is the first one met from the image.
int resp_mirror_in_face(const RespContext& c, const ActiveSpeaker& sp, const WorldPoint& p, int face,
                        WorldPoint* image) {
  const FaceEntry& f = g_face_table[face];
  float k = ((f.x0 - p.x) * f.nx + (f.y0 - p.y) * f.ny + (f.z0 - p.z) * f.nz) / f.mirror_divisor;
  WorldPoint m{p.x + k * f.nx, p.y + k * f.ny, p.z + k * f.nz};
  const float* s = sp.speaker->position;
  WorldPoint d{s[0] - m.x, s[1] - m.y, s[2] - m.z};
  float length_sq = d.x * d.x + d.y * d.y + d.z * d.z;
  if (length_sq > c.window) return 0;
  if (!resp_path_is_clear(c, m, d, face, 1)) return 0;
  *image = m;
  return 1;
}

namespace {

// cos and sin of omega_b x factor x t for the seven bands. The band
// frequencies double from 125 Hz to 2 kHz and the two top bands lie
// 0.1 rad/s below the doubled values, so one angle and one small correction
// give all seven.
void band_phases(double t, double factor, double c[RESP_BANDS], double s[RESP_BANDS]) {
  acm_sin_cos(OMEGA[0] * factor * t, &s[0], &c[0]);
  for (int b = 1; b < RESP_BANDS; ++b) {
    c[b] = c[b - 1] * c[b - 1] - s[b - 1] * s[b - 1];
    s[b] = 2.0 * s[b - 1] * c[b - 1];
  }
  double cd, sd;
  acm_sin_cos(0.1 * factor * t, &sd, &cd);
  for (int b = 5; b < RESP_BANDS; ++b) {
    double cb = c[b], sb = s[b];
    c[b] = cb * cd + sb * sd;
    s[b] = sb * cd - cb * sd;
  }
}

}  // namespace

// Energetic: the energies add. Phase-aware: pressure amplitudes (the root
// of the intensity, with the polarity's sign) add as phasors and the result
// is the squared magnitude; the octave-band mode averages three frequencies.
// Placeholders of unserved bands only hold their slot and are never summed.
void resp_sum_band_arrivals(RespContext& c) {
  float limit[RESP_BANDS];
  for (int b = 0; b < RESP_BANDS; ++b) limit[b] = c.buffer->bands[b].first_time + SUM_WINDOW_S;
  auto counts = [&](int b, uint32_t n) {
    float t = c.buffer->bands[b].times[n];
    return t < limit[b] && t < RESP_NO_ARRIVAL_TIME;
  };
  double sum[RESP_BANDS] = {};
  if (c.summation_mode == 1) {
    for (int b = 0; b < RESP_BANDS; ++b)
      for (uint32_t n = 0; n < c.count; ++n)
        if (counts(b, n)) sum[b] += std::fabs(c.buffer->bands[b].amplitudes[n]);
  } else if (c.summation_mode == 2 || c.summation_mode == 3) {
    const double factors[3] = {1.0, 0.8, 1.25};
    int phasors = c.summation_mode == 2 ? 3 : 1;
    float re[3][RESP_BANDS] = {}, im[3][RESP_BANDS] = {};
    for (uint32_t n = 0; n < c.count; ++n) {
      bool used[RESP_BANDS];
      float t = 0.0f;
      bool any = false;
      for (int b = 0; b < RESP_BANDS; ++b) {
        used[b] = counts(b, n);
        if (used[b]) t = c.buffer->bands[b].times[n], any = true;
      }
      if (!any) continue;
      for (int k = 0; k < phasors; ++k) {
        double cs[RESP_BANDS], sn[RESP_BANDS];
        band_phases(t, factors[k], cs, sn);
        for (int b = 0; b < RESP_BANDS; ++b) {
          if (!used[b]) continue;
          float a = c.buffer->bands[b].amplitudes[n];
          double pressure = a < 0.0f ? -std::sqrt(double(-a)) : std::sqrt(double(a));
          re[k][b] = float(re[k][b] + pressure * cs[b]);
          im[k][b] = float(im[k][b] + pressure * sn[b]);
        }
      }
    }
    for (int b = 0; b < RESP_BANDS; ++b) {
      for (int k = 0; k < phasors; ++k) sum[b] += double(re[k][b]) * re[k][b] + double(im[k][b]) * im[k][b];
      sum[b] /= phasors;
    }
  }
  for (int b = 0; b < RESP_BANDS; ++b) c.buffer->bands[b].summed = float(1.0 + sum[b]);
}

namespace {

bool inside(const float box[6], const WorldPoint& p) {
  return p.x >= box[0] && p.x <= box[1] && p.y >= box[2] && p.y <= box[3] && p.z >= box[4] && p.z <= box[5];
}

// The faces that can shadow the loudspeaker's direct sound anywhere in the
// region: those whose boxes overlap the box around both, which holds every
// segment box from the loudspeaker into the region. Null when there is no
// region for the point (then the tree answers).
const std::vector<int32_t>* region_blockers(RespContext& c, const ActiveSpeaker& sp, const WorldPoint& p) {
  if (!c.run || c.region_id == 0 || !inside(c.region, p)) return nullptr;
  std::less<const ActiveSpeaker*> before;
  if (before(&sp, g_active_speakers) || !before(&sp, g_active_speakers + g_active_speaker_count)) return nullptr;
  size_t a = size_t(&sp - g_active_speakers);
  if (c.blockers.size() <= a) {
    c.blockers.resize(size_t(g_active_speaker_count));
    c.blockers_region.resize(size_t(g_active_speaker_count), 0);
  }
  std::vector<int32_t>& list = c.blockers[a];
  if (c.blockers_region[a] == c.region_id) return &list;
  c.blockers_region[a] = c.region_id;
  list.clear();
  const float* s = sp.speaker->position;
  float hull[6] = {lower(s[0], c.region[0]), upper(s[0], c.region[1]), lower(s[1], c.region[2]),
                   upper(s[1], c.region[3]), lower(s[2], c.region[4]), upper(s[2], c.region[5])};
  if (!g_face_tree) {
    for (int32_t i = 0; i < g_face_count; ++i) {
      const FaceEntry& f = g_face_table[i];
      if (boxes_overlap(hull, f.x_min, f.x_max, f.y_min, f.y_max, f.z_min, f.z_max)) list.push_back(i);
    }
    return &list;
  }
  int32_t stack[128];
  int top = 0;
  stack[top++] = 0;
  while (top > 0) {
    const FaceTreeNode& n = g_face_tree[stack[--top]];
    if (!boxes_overlap(hull, n.box[0], n.box[1], n.box[2], n.box[3], n.box[4], n.box[5])) continue;
    if (n.count > 0) {
      for (int32_t k = n.first; k < n.first + n.count; ++k) {
        int32_t i = g_face_tree_order[k];
        const FaceEntry& f = g_face_table[i];
        if (boxes_overlap(hull, f.x_min, f.x_max, f.y_min, f.y_max, f.z_min, f.z_max)) list.push_back(i);
      }
    } else if (top + 2 <= 128) {
      stack[top++] = n.right;
      stack[top++] = n.left;
    } else {
      c.blockers_region[a] = 0;  // deeper than the walk holds: let the tree answer
      return nullptr;
    }
  }
  return &list;
}

// The direct path from the loudspeaker to p is clear of every face.
bool direct_path_clear(RespContext& c, const ActiveSpeaker& sp, const WorldPoint& source, const WorldPoint& p,
                       const WorldPoint& d) {
  const std::vector<int32_t>* blockers = region_blockers(c, sp, p);
  if (!blockers) return resp_path_is_clear(c, source, d, -1, 0) != 0;
  if (!(d.x * d.x + d.y * d.y + d.z * d.z > 0.0f)) return true;
  Segment s = make_segment(source, d);
  float t;
  for (int32_t i : *blockers)
    if (segment_hits(s, i, true, &t)) return false;
  return true;
}

bool culls_reflections(const RespContext& c) {
  return c.run && c.run->face_inv_norm.size() == size_t(g_face_count);
}

// Rounding allowances of the cull: far above what single precision adds to
// the image, its path and its hit point, so that a face ruled out here is
// one that the full test refuses as well.
double side_margin(double magnitude) { return 1e-3 + 1e-5 * magnitude; }

// Whether face f can give a first reflection of the loudspeaker at s to the
// point p, decided from the distances hp and hs of p and s from the face's
// plane, before anything is mirrored: the image lies as far behind the plane
// as p before it, so p and s must lie on the same side; the path via the
// plane is |s - p|^2 + 4 hp hs long and must fit the window; and it meets
// the plane where the face's box can hold it, on the two axes the polygon
// test looks at. The rounding margin belongs to p and s alone, so the
// caller works it out once for all faces.
bool reflection_possible(const RespContext& c, int face, const WorldPoint& p, const float s[3], double margin) {
  const FaceEntry& f = g_face_table[face];
  double inv_norm = c.run->face_inv_norm[size_t(face)];
  double hp = c.plane[size_t(face)] * inv_norm;
  double hs = ((double(s[0]) - f.x0) * f.nx + (double(s[1]) - f.y0) * f.ny + (double(s[2]) - f.z0) * f.nz) * inv_norm;
  if ((hp > margin && hs < -margin) || (hp < -margin && hs > margin)) return false;
  double ex = double(s[0]) - p.x, ey = double(s[1]) - p.y, ez = double(s[2]) - p.z;
  double path_sq = ex * ex + ey * ey + ez * ez + 4.0 * hp * hs;
  if (path_sq * (1.0 - 1e-5) - 0.01 > double(c.window)) return false;
  double both = hp + hs;
  if (!(acm_fabs(hp) > margin && acm_fabs(hs) > margin && acm_fabs(both) > 0.0)) return true;
  // The image p - 2 hp n, and the point a share hp / (hp + hs) of the way to s.
  double t = hp / both;
  double n[3] = {f.nx * inv_norm, f.ny * inv_norm, f.nz * inv_norm};
  const double pp[3] = {p.x, p.y, p.z}, ss[3] = {s[0], s[1], s[2]};
  const float box[6] = {f.x_min, f.x_max, f.y_min, f.y_max, f.z_min, f.z_max};
  for (int k = 0; k < 3; ++k) {
    if (uint32_t(k) == f.dominant_axis) continue;
    double image = pp[k] - 2.0 * hp * n[k];
    double at = image + (ss[k] - image) * t;
    if (at < box[2 * k] - margin || at > box[2 * k + 1] + margin) return false;
  }
  return true;
}

}  // namespace

// The points computed next lie in this box; the shadowing faces are found
// once per loudspeaker for all of them.
void resp_set_region(RespContext& c, const float box[6]) {
  for (int k = 0; k < 6; ++k) c.region[k] = box[k];
  c.region_id += 1;
  if (c.region_id == 0) {  // wrapped: no list may look current
    std::fill(c.blockers_region.begin(), c.blockers_region.end(), 0u);
    c.region_id = 1;
  }
}

void resp_set_region_of(RespContext& c, const GridPoint* points, uint32_t count) {
  if (!c.run || count == 0) return;
  float box[6] = {points[0].x, points[0].x, points[0].y, points[0].y, points[0].z, points[0].z};
  for (uint32_t i = 1; i < count; ++i) {
    const GridPoint& p = points[i];
    box[0] = lower(box[0], p.x), box[1] = upper(box[1], p.x);
    box[2] = lower(box[2], p.y), box[3] = upper(box[3], p.y);
    box[4] = lower(box[4], p.z), box[5] = upper(box[5], p.z);
  }
  resp_set_region(c, box);
}

// A fresh buffer for the point; with the run's tables, the point's plane
// values for the reflection cull, once for all loudspeakers.
void resp_begin_point(RespContext& c, const WorldPoint& p) {
  reset_point(c);
  if (!(c.flags & RESP_FIRST_REFLECTION) || !culls_reflections(c)) return;
  if (c.plane.size() < size_t(g_face_count)) c.plane.resize(size_t(g_face_count));
  for (int face = 0; face < g_face_count; ++face) {
    const FaceEntry& f = g_face_table[face];
    c.plane[size_t(face)] = (double(p.x) - f.x0) * f.nx + (double(p.y) - f.y0) * f.ny + (double(p.z) - f.z0) * f.nz;
  }
}

// The direct sound, shadowed or not, opens the window for the reflections;
// every face that can reflect is then mirrored and tested.
void resp_speaker_arrivals(RespContext& c, const ActiveSpeaker& sp, const WorldPoint& p) {
  bool shadowing = c.flags & RESP_SHADOWING;
  const float* s = sp.speaker->position;
  WorldPoint source{s[0], s[1], s[2]};
  c.window = OPEN_WINDOW;
  WorldPoint d{p.x - source.x, p.y - source.y, p.z - source.z};
  if (!shadowing || direct_path_clear(c, sp, source, p, d)) {
    resp_add_arrival(c, sp, p, 0);
    if (shadowing) c.window = c.last_distance_sq + REFLECTION_MARGIN;
  }
  if (!(c.flags & RESP_FIRST_REFLECTION) || g_face_count <= 0) return;
  bool cull = culls_reflections(c) && c.plane.size() >= size_t(g_face_count);
  double margin = side_margin(std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z) + std::fabs(s[0]) +
                              std::fabs(s[1]) + std::fabs(s[2]));
  for (int face = 0; face < g_face_count; ++face) {
    if (cull && !reflection_possible(c, face, p, s, margin)) continue;
    WorldPoint image;
    if (!resp_mirror_in_face(c, sp, p, face, &image)) continue;
    set_reflection_weights(c, face);
    resp_add_arrival(c, sp, image, 1);
  }
}

// Direct sound and first reflections of every active loudspeaker at one
// receiver point, then the summation per band.
void resp_compute_point_in(RespContext& c, const WorldPoint& p) {
  resp_begin_point(c, p);
  for (int a = 0; a < g_active_speaker_count; ++a) resp_speaker_arrivals(c, g_active_speakers[a], p);
  resp_sum_band_arrivals(c);
}

void resp_compute_point(const WorldPoint& point) {
  RespContext& c = g_resp_context;
  ArrivalBuffer* buffer = &g_arrivals;
  int tree = c.buffer ? c.use_face_tree : 1;
  resp_init_context(c, buffer);
  c.use_face_tree = tree;
  resp_compute_point_in(c, point);
}
