#include "acoustics/sti.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "acoustics/cov_export.h"
#include "acoustics/coverage.h"

namespace {

constexpr double DR_WEIGHTS[7] = {0.01, 0.042, 0.129, 0.2, 0.312, 0.25, 0.057};
constexpr double STI_ALPHA[7] = {0.085, 0.127, 0.230, 0.233, 0.309, 0.224, 0.173};
constexpr double STI_BETA[7] = {0.0, 0.085, 0.078, 0.065, 0.011, 0.047, 0.095};  // [b]: between b-1 and b
constexpr double MOD_FREQ[14] = {0.63, 0.8, 1.0, 1.25, 1.6, 2.0, 2.5, 3.15, 4.0, 5.0, 6.3, 8.0, 10.0, 12.5};

bool band_ok(int band) { return band >= 0 && band < 7; }

double sti_from_mti(const double mti[7]) {
  double sti = 0.0;
  for (int b = 0; b < 7; ++b) sti += STI_ALPHA[b] * mti[b];
  for (int b = 1; b < 7; ++b) sti -= STI_BETA[b] * std::sqrt(mti[b - 1] * mti[b]);
  return sti * 100.0;
}

// Direct and reverberant energies add.
double band_level(double energy, int b) { return 10.0 * std::log10(energy + g_reverb_energy[b]); }

}  // namespace

double cov_direct_level_all(const float e[7]) {
  double sum = 0.001;
  for (int b = 0; b < 7; ++b) sum += e[b];
  return 10.0 * std::log10(sum);
}

double cov_total_level_band(float e, int band) {
  double r = band_ok(band) ? g_reverb_energy[band] : 0.0;
  return 10.0 * std::log10(double(e) + r + 1e-12);
}

double cov_total_level_all(const float e[7]) {
  double sum = 1e-12;
  for (int b = 0; b < 7; ++b) sum += double(e[b]) + g_reverb_energy[b];
  return 10.0 * std::log10(sum);
}

double cov_direct_reverberant_band(float e, int band) {
  double r = band_ok(band) ? g_reverb_energy[band] : 0.0;
  return 10.0 * std::log10(e / (r + 1.0));
}

double cov_direct_reverberant_all(const float e[7]) {
  double sum = 1e-12;
  for (int b = 0; b < 7; ++b) sum += DR_WEIGHTS[b] * e[b] / (g_reverb_energy[b] + 1.0);
  return 10.0 * std::log10(sum);
}

double cov_first_arrival_time(const float t[7]) {
  double best = 1e6;
  for (int b = 0; b < 7; ++b)
    if (!(t[b] > best)) best = t[b];
  return best;
}

// Magnitude of E + R / (1 + j x) over E + R at modulation frequency k.
double sti_modulation_index(double energy, double reverb, double reverb_time, int k) {
  double x = MOD_FREQ[k] * 6.283185308 * (reverb_time / 13.8);
  double a = reverb / (1.0 + x * x);
  return std::sqrt((energy + a) * (energy + a) + (a * x) * (a * x)) / (energy + reverb);
}

// Mean transmission index over the 14 modulation frequencies; the apparent
// signal-to-noise ratio is limited to +-15 dB, so a channel without any
// modulation loss (m = 1) transmits fully.
double sti_band_mti(double energy, int band) {
  double sum = 0.0;
  for (int k = 0; k < 14; ++k) {
    double m = sti_modulation_index(energy, g_reverb_energy[band], g_reverb_time[band], k);
    double snr;
    if (m >= 1.0) {
      snr = 15.0;
    } else if (m > 0.0) {
      snr = std::fmax(-15.0, std::fmin(15.0, 10.0 * std::log10(m / (1.0 - m))));
    } else {
      std::printf("Warning: result_m[%d] is out of valid range for log10 transformation\n", k);
      std::fflush(stdout);
      continue;
    }
    sum += (snr + 15.0) / 30.0;
  }
  return sum / 14.0;
}

double sti_band(float e, int band) {
  if (!band_ok(band)) {
    std::printf("Error: test_freq_idx is out of bounds for Reverberant_Power and RT60 arrays\n");
    std::fflush(stdout);
    return -1.0;
  }
  return sti_band_mti(e, band) * 100.0;
}

double sti_export_band(float e, int band) { return sti_band(e, band); }

double sti_all_bands(const float e[7]) {
  double mti[7];
  for (int b = 0; b < 7; ++b) mti[b] = sti_band_mti(e[b], b);
  return sti_from_mti(mti);
}

void sti_band_values(const float e[7], double mti[7], double level[7]) {
  for (int b = 0; b < 7; ++b) {
    mti[b] = sti_band_mti(e[b], b);
    level[b] = band_level(e[b], b);
  }
}

// Appends one block of seven lines "band,MTI,level" (CRLF) to the log
// named after the project file and returns the STI x 100.
double sti_export_all_bands(const float e[7], const char* project_path, const char* file_name, int* status) {
  double mti[7], level[7];
  sti_band_values(e, mti, level);
  double sti = sti_from_mti(mti);
  std::string path = std::string(project_path ? project_path : "") + (file_name ? file_name : "");
  int result = cov_export_write(path.c_str(), mti, level, 1);
  if (status) *status = result;
  return result == COV_EXPORT_DONE ? sti : -1.0;
}
