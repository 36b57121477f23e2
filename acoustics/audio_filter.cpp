#include "acoustics/audio_filter.h"

#include <algorithm>
#include <cmath>

const float AUDIO_BAND_HZ[AUDIO_BANDS] = {125, 250, 500, 1000, 2000, 4000, 8000};

namespace {

struct Prototype {
  double d1, d2;
};

Prototype prototype_of(int characteristic) {
  switch (characteristic) {
    case FILTER_BESSEL: return {1.3617, 0.618};
    case FILTER_BUTTERWORTH: return {1.4142, 1.0};
    case FILTER_CHEBYSHEV_05: return {1.3614, 1.3827};
    case FILTER_CHEBYSHEV_1: return {1.3022, 1.5515};
    case FILTER_CHEBYSHEV_2: return {1.1813, 1.7775};
    case FILTER_CHEBYSHEV_3: return {1.065, 1.9305};
    default: return {1.2872, 0.4142};  // critical damping
  }
}

}  // namespace

bool audio_band_left_out(double frequency, double sample_rate) {
  return !(frequency < AUDIO_BAND_LIMIT * sample_rate);
}

void audio_design_biquad(BandFilter& f, double sample_rate) {
  f.q = std::clamp(f.q, 0.1f, 1000.0f);
  f.frequency = std::clamp(f.frequency, 0.1f, 20000.0f);
  Prototype p = prototype_of(f.characteristic);
  double d0 = 1.0, d1 = p.d1, d2 = p.d2;
  double n0 = 0.0, n1 = 0.0, n2 = 0.0;
  double q = f.q;
  switch (f.response) {
    case FILTER_LOW_PASS: n0 = 1.0; break;
    case FILTER_HIGH_PASS: n2 = 1.0; break;
    case FILTER_BAND_PASS:
      n1 = 1.0 / q;
      d1 /= q;
      break;
    case FILTER_NOTCH:
      n0 = n2 = 1.0 / q;
      d0 /= q;
      d2 /= q;
      break;
    case FILTER_ALL_PASS:
      n0 = d0, n1 = -d1, n2 = d2;
      break;
    default: break;
  }
  const double pi = 3.14159265358979323846;
  double k = 1.0 / std::tan(pi * f.frequency / sample_rate);
  double den = d0 + d1 * k + d2 * k * k;
  f.b0 = float((n0 + n1 * k + n2 * k * k) / den);
  f.b1 = float(2.0 * (n0 - n2 * k * k) / den);
  f.b2 = float((n0 - n1 * k + n2 * k * k) / den);
  f.na1 = float(-2.0 * (d0 - d2 * k * k) / den);
  f.na2 = float(-(d0 - d1 * k + d2 * k * k) / den);
}

void audio_init_band_filters(BandFilter filters[AUDIO_BANDS], double sample_rate) {
  for (int b = 0; b < AUDIO_BANDS; ++b) {
    BandFilter& f = filters[b];
    f = BandFilter{};
    f.gain = 1.0f;
    f.q = 1.4f;
    f.frequency = AUDIO_BAND_HZ[b];
    f.response = FILTER_BAND_PASS;
    f.characteristic = FILTER_BUTTERWORTH;
    audio_design_biquad(f, sample_rate);
    if (audio_band_left_out(f.frequency, sample_rate)) f.b0 = f.b1 = f.b2 = f.na1 = f.na2 = 0.0f;
  }
}
