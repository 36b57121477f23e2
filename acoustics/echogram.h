// The echogram of the ray paths at a receiver: arrival-time bins per band,
// first arrival, early and reverberant levels, and what the echogram window
// derives from them (decay curve, Ld-Lr, Alcons). The buffer lives at the
// start of the scratch buffer and is overwritten by every calculation.
#pragma once
#include <cstddef>
#include <cstdint>

struct DrawObject;

constexpr int ETC_BANDS = 8;  // seven octaves, then all bands
constexpr int ETC_BINS = 1024;
constexpr float ETC_NO_TIME = 1.0e6f;
extern const float ETC_BAND_WEIGHT[7];

struct EchogramBuffer {
  float min_time;  // ms
  float max_time;
  float max_level_db;
  float first_arrival[ETC_BANDS];
  float peak_5ms[ETC_BANDS];  // dB
  float early[ETC_BANDS];     // dB
  float reverberant[ETC_BANDS];  // dB
  float mean_absorption[ETC_BANDS];
  float mean_free_path;
  float reflection_rate;
  float decay_time[ETC_BANDS];  // s
  float bin_width;              // ms
  float bins[ETC_BANDS][ETC_BINS];
};
static_assert(sizeof(EchogramBuffer) == 32984);

// The buffer inside the scratch buffer; null when there is none.
EchogramBuffer* etc_buffer();
void etc_clear(EchogramBuffer& e);

// The room's reverberant field as the echogram needs it.
struct EtcField {
  double volume;
  double power[7];  // total radiated power per band
};

// Fills the buffer from the ray-path objects in list order, with the decay
// values of the path assignment and the given field.
void etc_build_from_paths(EchogramBuffer& e, const EtcField& field);
// As above with the reverberant field of the current model.
void etc_build_echogram(EchogramBuffer& e);

int etc_bin_of(const EchogramBuffer& e, float time_ms);
// A path's level of one band in dB (band 7: the mean of the seven), at least 0.
float etc_path_level_db(const DrawObject* path, int band);
float etc_direct_reverberant(const EchogramBuffer& e, int band);  // Ld-Lr, dB
float etc_alcons(const EchogramBuffer& e, int band);              // percent, at most 100
// Backward sums of the band's bins in dB, index i the sum of bins i .. 1023.
void etc_decay_curve(const EchogramBuffer& e, int band, float out[ETC_BINS]);
// The time axis of the plot: the first step not below the latest arrival.
int etc_time_axis_ms(float latest_ms);
