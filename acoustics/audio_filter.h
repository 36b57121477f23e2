// The octave band filters of the auralisation: one second-order section per
// band, designed from an analog prototype by the bilinear transform.
#pragma once

constexpr int AUDIO_BANDS = 7;
extern const float AUDIO_BAND_HZ[AUDIO_BANDS];

enum : int { FILTER_LOW_PASS = 1, FILTER_HIGH_PASS = 2, FILTER_BAND_PASS = 3, FILTER_NOTCH = 4, FILTER_ALL_PASS = 5 };
enum : int {
  FILTER_BESSEL = 2, FILTER_BUTTERWORTH = 3, FILTER_CHEBYSHEV_05 = 4, FILTER_CHEBYSHEV_1 = 5,
  FILTER_CHEBYSHEV_2 = 6, FILTER_CHEBYSHEV_3 = 7,  // any other value: critical damping
};

// Coefficients as the recursion uses them: the feedback terms are kept
// negated.
struct BandFilter {
  float b0, na2, na1, b2, b1;
  float x1, x2, y1, y2;
  float gain;
  float q;
  float frequency;
  int response;
  int characteristic;
};

// Bands at or above this share of the sample rate are left out: their
// bilinear design would sit at or past the Nyquist frequency.
constexpr double AUDIO_BAND_LIMIT = 0.45;

void audio_design_biquad(BandFilter& f, double sample_rate);
// Every band band-pass, Butterworth, Q 1.4 at its centre; bands the sample
// rate cannot carry get no coefficients. Gains 1.0, states cleared.
void audio_init_band_filters(BandFilter filters[AUDIO_BANDS], double sample_rate);
bool audio_band_left_out(double frequency, double sample_rate);
