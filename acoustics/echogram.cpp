#include "acoustics/echogram.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "acoustics/coverage.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_assign.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"

const float ETC_BAND_WEIGHT[7] = {0.01f, 0.042f, 0.129f, 0.2f, 0.312f, 0.25f, 0.057f};

namespace {

double db_of(double value) { return 10.0 * std::log10(std::max(value, 1.0)); }

template <typename F>
void for_each_path(F f) {
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (rpath_is_path(o)) f(o);
}

void find_extremes(EchogramBuffer& e) {
  e.min_time = ETC_NO_TIME;
  e.max_time = 0.0f;
  float max_level = 0.0f;
  for_each_path([&](DrawObject* p) {
    float t = rpath_time_ms(p);
    e.min_time = std::min(e.min_time, t);
    e.max_time = std::max(e.max_time, t);
    for (int b = 0; b < 7; ++b) max_level = std::max(max_level, rpath_level(p, b));
  });
  e.bin_width = std::fabs(e.max_time - e.min_time) / ETC_BINS;
  e.max_level_db = float(db_of(max_level));
}

void add_arrivals(EchogramBuffer& e) {
  double early[7] = {};
  for_each_path([&](DrawObject* p) {
    float t = rpath_time_ms(p);
    int bin = etc_bin_of(e, t);
    for (int b = 0; b < 7; ++b) {
      float v = rpath_level(p, b);
      float level = float(db_of(v));
      e.bins[b][bin] += std::fabs(v);
      if (t < e.first_arrival[b] && level > e.max_level_db - 60.0f) e.first_arrival[b] = t;
      if (level > e.peak_5ms[b] && t < e.first_arrival[b] + 5.0f) e.peak_5ms[b] = level;
      if (t < e.first_arrival[b] + 35.0f) early[b] += v;
    }
  });
  for (int b = 0; b < 7; ++b) e.early[b] = float(early[b]);  // linear until the field is known
}

void summarise_bands(EchogramBuffer& e) {
  float first = ETC_NO_TIME, peaks = 0.0f;
  for (int b = 0; b < 7; ++b) {
    first = std::min(first, e.first_arrival[b]);
    peaks += e.peak_5ms[b];
  }
  e.first_arrival[7] = first;
  e.peak_5ms[7] = std::max(peaks / 7.0f, 1.0f);
}

void copy_decay(EchogramBuffer& e) {
  for (int b = 0; b < ETC_BANDS; ++b) {
    e.mean_absorption[b] = g_refl_decay.mean_absorption[b];
    e.decay_time[b] = g_refl_decay.decay_time[b];
  }
  e.mean_free_path = g_refl_decay.mean_free_path;
  e.reflection_rate = g_refl_decay.reflection_rate;
}

// The late energy is what the loudspeakers radiate beyond the early part;
// a path set louder than that leaves none (never a negative energy).
void derive_levels(EchogramBuffer& e, const EtcField& field) {
  double early_sum = 0.0, reverberant_sum = 0.0;
  for (int b = 0; b < 7; ++b) {
    double early = e.early[b];
    double reverberant = 1.0;
    if (e.mean_free_path <= 1.0f || field.volume <= 0.0) {
      reverberant_sum += 0.143;
    } else {
      reverberant = std::max(0.0, (field.power[b] - early) * 4.0 * e.decay_time[b] / (0.161 * field.volume));
      reverberant_sum += reverberant * ETC_BAND_WEIGHT[b];
    }
    e.reverberant[b] = float(db_of(reverberant));
    early_sum += early * ETC_BAND_WEIGHT[b];
    e.early[b] = float(db_of(early));
  }
  e.early[7] = float(db_of(early_sum));
  e.reverberant[7] = float(db_of(reverberant_sum));
}

}  // namespace

EchogramBuffer* etc_buffer() { return static_cast<EchogramBuffer*>(g_scratch_buffer); }

void etc_clear(EchogramBuffer& e) {
  std::memset(&e, 0, sizeof e);
  e.min_time = ETC_NO_TIME;
  for (float& t : e.first_arrival) t = ETC_NO_TIME;
}

int etc_bin_of(const EchogramBuffer& e, float t) {
  if (!(e.bin_width > 0.0f)) return 0;  // every arrival at one time
  double bin = (double(t) - e.min_time) / e.bin_width;
  if (!(bin > 0.0)) return 0;
  return bin > ETC_BINS - 1 ? ETC_BINS - 1 : int(bin);
}

void etc_build_from_paths(EchogramBuffer& e, const EtcField& field) {
  etc_clear(e);
  find_extremes(e);
  add_arrivals(e);
  summarise_bands(e);
  copy_decay(e);
  derive_levels(e, field);
  for (int i = 0; i < ETC_BINS; ++i) {
    float sum = 0.0f;
    for (int b = 0; b < 7; ++b) sum += e.bins[b][i];
    e.bins[7][i] = sum / 7.0f;
  }
}

void etc_build_echogram(EchogramBuffer& e) {
  cov_compute_reverberant_field();
  EtcField field{};
  field.volume = g_reverb_volume;
  for (int b = 0; b < 7; ++b) field.power[b] = g_power_rss[b];
  etc_build_from_paths(e, field);
}

float etc_path_level_db(const DrawObject* path, int band) {
  if (band >= 0 && band < 7) return float(db_of(rpath_level(path, band)));
  double sum = 0.0;
  for (int b = 0; b < 7; ++b) sum += rpath_level(path, b);
  return float(db_of(sum / 7.0));
}

float etc_direct_reverberant(const EchogramBuffer& e, int band) { return e.early[band] - e.reverberant[band]; }

float etc_alcons(const EchogramBuffer& e, int band) {
  double early = std::pow(10.0, e.early[band] / 10.0);
  if (!(early > 1.0)) early = 1.0;
  double alcons = 0.6406 * e.decay_time[band] * std::pow(10.0, e.reverberant[band] / 10.0) / early;
  return alcons >= 100.0 ? 100.0f : float(alcons);
}

void etc_decay_curve(const EchogramBuffer& e, int band, float out[ETC_BINS]) {
  double sum = 0.0;
  for (int i = ETC_BINS - 1; i >= 0; --i) {
    sum += e.bins[band][i];
    out[i] = float(db_of(sum));
  }
}

int etc_time_axis_ms(float latest) {
  static const int STEPS[] = {100, 200, 300, 400, 500, 600, 700, 800, 900, 1000,
                              1500, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 10000};
  for (int step : STEPS)
    if (!(float(step) < latest)) return step;
  return 10000;
}
