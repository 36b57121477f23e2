#include "acoustics/refl_assign.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "acoustics/acoustic_math.h"
#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "materials/material.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"
#include "framework/ui_seam.h"

ReflDecay g_refl_decay = {};

namespace {

constexpr double SPEED_OF_SOUND = 343.0;
constexpr double AIR_FACTOR[7] = {1.0, 0.99997, 0.9999, 0.9995, 0.998, 0.991, 0.965};
constexpr double SOURCE_RADIUS_SQ = 0.01;
constexpr double POLAR_SCALE = 11.4592;
constexpr double AZIMUTH_SCALE = 11.45915;
constexpr double TWO_PI = 6.283185307179586;
constexpr float NEAR_FIELD = 0.01f;

struct PowerOfByte {
  double power[256];
  double log_air[7];
  PowerOfByte() {
    for (int b = 0; b < 256; ++b) power[b] = spk_balloon_byte_to_power(b);
    for (int b = 0; b < 7; ++b) log_air[b] = std::log(AIR_FACTOR[b]);
  }
};
const PowerOfByte& tables() {
  static const PowerOfByte t;
  return t;
}

// Turns (u, v) about the centre (cu, cv): u' = s (v - cv) + c (u - cu) + cu,
// v' = c (v - cv) + cv - s (u - cu).
void turn(double& u, double& v, double cu, double cv, double s, double c) {
  double nu = s * (v - cv) + c * (u - cu) + cu;
  double nv = c * (v - cv) + cv - s * (u - cu);
  u = nu, v = nv;
}

double path_length(const DrawObject* o) {
  double length = 0.0;
  for (uint32_t i = 1; i < o->node_count; ++i) {
    double dx = double(o->nodes[i].x) - o->nodes[i - 1].x, dy = double(o->nodes[i].y) - o->nodes[i - 1].y;
    double dz = double(o->nodes[i].z) - o->nodes[i - 1].z;
    length += std::sqrt(dx * dx + dy * dy + dz * dz);
  }
  return length;
}

// Every reflection point must name a face of the table.
bool faces_known(const DrawObject* o) {
  for (uint32_t i = 1; i + 1 < o->node_count; ++i)
    if (rpath_tag(o, i) >= uint32_t(std::max(g_face_count, 0))) return false;
  return true;
}

// The arrival block of one path from source a; the absorption of every
// reflecting face goes into the sums.
void fill_path(DrawObject* o, int a, double absorption_sum[7], double* reflections) {
  const ActiveSpeaker& sp = g_active_speakers[a];
  const PlacedSpeaker& ps = *sp.speaker;
  rpath_set_tag(o, 0, uint16_t(a));
  double length = path_length(o);
  rpath_set_time_ms(o, float(ps.delay_ms + 1000.0 * length / SPEED_OF_SOUND));
  double gain[7];
  refl_balloon_gain(o->nodes[1], sp, gain);
  double spreading = length <= NEAR_FIELD ? 100.0 : 1.0 / (length * length);
  for (int b = 0; b < 7; ++b) {
    double value = acm_exp(length * tables().log_air[b]) * ps.intensity[b] * spreading;
    for (uint32_t i = 1; i + 1 < o->node_count; ++i) {
      double alpha = g_material_table.records[refl_face_material(g_face_table[rpath_tag(o, i)])].absorption[b];
      value *= 1.0 - alpha;
      absorption_sum[b] += alpha;
      if (b == 0) *reflections += 1.0;
    }
    double level = std::fabs(gain[b] * value);
    rpath_set_level(o, b, level > 1.0 ? float(level) : 1.0f);
  }
}

// Mean absorption and decay times from the sums; the mean free path M
// must be above 0.1 to give band values.
void derive_decay(const double absorption_sum[7], double reflections) {
  double m = g_refl_mean_free_path;
  if (m <= 0.1) {
    g_refl_decay.mean_free_path = 0.1f;
    g_refl_decay.reflection_rate = float(SPEED_OF_SOUND / 0.1);
    ui_message_box("Mittlere freie Wegstrecke nicht ermittelbar", "Info :", UI_MB_OK);
    return;
  }
  g_refl_decay.mean_free_path = float(m);
  g_refl_decay.reflection_rate = float(SPEED_OF_SOUND / m);
  g_refl_decay.band_values = 1;
  double all_alpha = 0.0, all_t = 0.0;
  for (int b = 0; b < 7; ++b) {
    double alpha = reflections > 0.0 ? absorption_sum[b] / reflections : 0.0;
    alpha = std::clamp(alpha, 0.01, 0.999);
    g_refl_decay.mean_absorption[b] = float(alpha);
    all_alpha += alpha;
    double t = refl_decay_time(alpha, m, AIR_FACTOR[b]);
    g_refl_decay.decay_time[b] = float(t);
    all_t += t;
  }
  g_refl_decay.mean_absorption[7] = float(all_alpha / 7.0);
  g_refl_decay.decay_time[7] = float(all_t / 7.0);
}

void report(uint32_t assigned, uint32_t unassigned) {
  if (assigned == 0) {
    ui_message_box("Keine gültigen Pfade gefunden, Vorgang abgebrochen", nullptr, UI_MB_OK);
  } else if (unassigned > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "%d Pfade wurden nicht zugeordnet", int(unassigned));
    ui_message_box(text, "Information :", UI_MB_OK);
  }
}

}  // namespace

int refl_find_source_at(const WorldPoint& p) {
  int best = -1;
  double best_sq = SOURCE_RADIUS_SQ;
  for (int a = 0; a < g_active_speaker_count; ++a) {
    const float* s = g_active_speakers[a].speaker->position;
    double dx = double(p.x) - s[0], dy = double(p.y) - s[1], dz = double(p.z) - s[2];
    double d_sq = dx * dx + dy * dy + dz * dz;
    if (d_sq < best_sq) best_sq = d_sq, best = a;
  }
  return best;
}

// The point in the loudspeaker's own frame (horizontal angle, then
// vertical, then rotation, each only when set), then the four balloon
// cells around its direction, bilinearly.
void refl_balloon_gain(const WorldPoint& q, const ActiveSpeaker& sp, double gain[7]) {
  const float* p = sp.speaker->position;
  double x = q.x, y = q.y, z = q.z;
  if (sp.horizontal_flag) turn(x, y, p[0], p[1], sp.sin_horizontal, sp.cos_horizontal);
  if (sp.vertical_flag) turn(x, z, p[0], p[2], sp.sin_vertical, sp.cos_vertical);
  if (sp.rotation_flag) turn(z, y, p[2], p[1], sp.sin_rotation, sp.cos_rotation);
  double dx = x - p[0], dy = y - p[1], dz = z - p[2];
  double a = std::fabs(acm_atan2(std::sqrt(dy * dy + dz * dz), dx + 1e-6)) * POLAR_SCALE;
  int row = std::min(int(std::floor(a)), 36), row2;
  double row_w;
  if (row < 35) {
    row2 = row + 1;
    row_w = a - row;
  } else {
    row2 = 35;
    row_w = 0.5;
  }
  int col, col2;
  double col_w;
  if (std::fabs(dy) <= 0.001) {
    col = col2 = dz >= 0.0 ? 18 : 54;
    col_w = 0.5;
  } else {
    double b = acm_atan2(dz, dy);
    if (b < 0.0) b += TWO_PI;
    b *= AZIMUTH_SCALE;
    col = std::min(int(std::floor(b)), 71);
    col_w = b - col;
    col2 = col < 71 ? col + 1 : 0;
  }
  const double* power = tables().power;
  for (int band = 0; band < 7; ++band) {
    if (!(sp.band_mask & (1u << band)) || !sp.balloon) {
      gain[band] = 1.0;
      continue;
    }
    const uint8_t* cells = sp.balloon + band * 37 * 72;
    gain[band] = (1 - row_w) * (1 - col_w) * power[cells[row * 72 + col]] +
                 (1 - row_w) * col_w * power[cells[row * 72 + col2]] +
                 row_w * (1 - col_w) * power[cells[row2 * 72 + col]] + row_w * col_w * power[cells[row2 * 72 + col2]];
  }
}

double refl_decay_time(double alpha, double m, double air) {
  return 6.0 * std::log(10.0) * m / (SPEED_OF_SOUND * (-std::log(1.0 - alpha) - m * std::log(air)));
}

uint32_t refl_assign_paths() {
  view_show_prompt("Ordne Flächen und Lautsprecher zu...");
  refl_build_face_table();
  refl_sort_face_table();
  spk_link_balloons();
  cov_build_active_speakers();
  g_refl_decay = ReflDecay{};
  double absorption_sum[7] = {}, reflections = 0.0;
  uint32_t assigned = 0, unassigned = 0;
  for (DrawObject* o = g_obj_head; o;) {
    DrawObject* next = o->next;
    if (o->layer == RAYPATH_LAYER) {
      int a = rpath_is_path(o) ? refl_find_source_at(o->nodes[0]) : -1;
      if (a < 0 || !faces_known(o)) {
        unassigned += 1;
        obj_free(o);
      } else if (g_active_speakers[a].speaker->switched_on != 1) {
        obj_free(o);
      } else {
        fill_path(o, a, absorption_sum, &reflections);
        assigned += 1;
      }
    }
    o = next;
  }
  g_refl_path_count = assigned;
  g_refl_decay.assigned = assigned;
  g_refl_decay.unassigned = unassigned;
  derive_decay(absorption_sum, reflections);
  view_clear_prompt_line();
  report(assigned, unassigned);
  return assigned;
}

// The leading run of ray paths, in arrival order: a time not below the
// latest so far goes last (ties keep their order), any other goes before the
// first path whose time is not less (so before the paths of its own time).
void refl_sort_paths_by_time() {
  std::vector<DrawObject*> run;
  for (DrawObject* o = g_obj_head; o && o->layer == RAYPATH_LAYER; o = o->next) run.push_back(o);
  char prompt[64];
  std::snprintf(prompt, sizeof prompt, "Sortiere %ld Pfade nach Zeit", long(run.size()));
  view_show_prompt(prompt);
  struct Key {
    float time;
    bool last;     // went behind its equals
    long arrival;  // order of reading
    DrawObject* path;
  };
  std::vector<Key> keys;
  keys.reserve(run.size());
  float latest = 0.0f;
  for (size_t i = 0; i < run.size(); ++i) {
    float t = rpath_time_ms(run[i]);
    bool last = i == 0 || t >= latest;
    if (last) latest = t;
    keys.push_back(Key{t, last, long(i), run[i]});
  }
  // Within one time: the ones put in front, the latest first, then the ones
  // appended, in reading order.
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
    if (a.time != b.time) return a.time < b.time;
    if (a.last != b.last) return !a.last;
    return a.last ? a.arrival < b.arrival : a.arrival > b.arrival;
  });
  DrawObject* rest = run.empty() ? g_obj_head : run.back()->next;
  for (DrawObject* o : run) obj_unlink(o);
  for (const Key& k : keys) obj_insert_before(k.path, rest);
  view_clear_prompt_line();
}
