#include "speaker_editor/balloon_data.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "speakers/speaker_record.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double MIN_Q = 0.1;

uint8_t limit_byte(long v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<uint8_t>(v); }

const double* ring_weights() {
  static double w[SPK_BALLOON_ROWS];
  static bool built = false;
  if (!built) {
    for (int i = 0; i + 1 < SPK_BALLOON_ROWS; ++i)
      w[i] = std::cos(5.0 * i * PI / 180.0) - std::cos(5.0 * (i + 1) * PI / 180.0);
    w[SPK_BALLOON_ROWS - 1] = 0.0;
    built = true;
  }
  return w;
}

int16_t clamp_field(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 32767.0) return 32767;
  return static_cast<int16_t>(v);  // truncation toward zero
}

}  // namespace

// The sum is held in single precision and rounded the processor's way,
// halves to the even neighbour.
uint8_t spked_db_to_balloon_byte(float db) {
  float v = static_cast<float>(static_cast<double>(db) * 5.0 + 225.0);
  if (std::isnan(v)) return 0;
  if (v <= 0.0f) return 0;
  if (v >= 255.0f) return 255;
  return limit_byte(std::lrintf(v));
}

double spked_balloon_byte_to_power(int byte) { return std::pow(10.0, ((byte - 225) / 5.0) / 10.0); }

// Unlike the dB conversion this one truncates.
uint8_t spked_power_to_balloon_byte(float ratio) {
  float level;
  if (ratio >= 1.0f)
    level = static_cast<float>(10.0 * std::log10(ratio));
  else if (ratio > 0.0f)
    level = static_cast<float>(-10.0 * std::log10(1.0 / ratio));
  else
    level = -45.0f;  // zero, negative or NaN
  double v = static_cast<double>(level) * 5.0 + 225.0;
  if (v <= 0.0) return 0;
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(v);
}

uint8_t spked_average_balloon_bytes(int a, int b) {
  float pa = static_cast<float>(spked_balloon_byte_to_power(a));
  float pb = static_cast<float>(spked_balloon_byte_to_power(b));
  return spked_power_to_balloon_byte((pa + pb) * 0.5f);
}

// Rings 1 to 35, each taken with its neighbour toward the equator, weighted
// by the sphere zone it stands for.
double spked_band_directivity_factor(const uint8_t* balloon, int band) {
  const double* w = ring_weights();
  const uint8_t* b = balloon + band * SPK_BALLOON_BAND_SIZE;
  double weight = 0.0, sum = 0.0;
  for (int t = 1; t <= 35; ++t) {
    weight += w[t];
    double c = w[t] / SPK_BALLOON_COLS;
    int neighbour = t >= 18 ? t + 1 : t - 1;
    for (int p = 0; p < SPK_BALLOON_COLS; ++p) {
      sum += c * spked_balloon_byte_to_power(b[t * SPK_BALLOON_COLS + p]);
      sum += c * spked_balloon_byte_to_power(b[neighbour * SPK_BALLOON_COLS + p]);
    }
  }
  sum /= 2.0;
  double q = weight / (sum + 1e-12);
  return q < 1.0 ? 1.0 : q;
}

double spked_efficiency(double sensitivity_db, double q) {
  if (!(q >= MIN_Q)) q = MIN_Q;
  return std::pow(10.0, (sensitivity_db - 10.0 * std::log10(q) - 109.0) / 10.0);
}

int16_t spked_q_field(double q) { return clamp_field(q * 10.0); }

int16_t spked_efficiency_field(double efficiency) { return clamp_field(efficiency * 1000.0); }

int16_t spked_percent_text_field(const char* text, int16_t old) {
  float percent;
  if (std::sscanf(text, "%f", &percent) != 1) return old;
  return clamp_field(static_cast<double>(percent) * 10.0);
}

double spked_q_from_field(int16_t q_times_10) {
  double q = q_times_10 / 10.0;
  return q < MIN_Q ? MIN_Q : q;
}

void spked_rotate_balloon_bytes(uint8_t* balloon, int steps) {
  int n = ((steps % SPK_BALLOON_COLS) + SPK_BALLOON_COLS) % SPK_BALLOON_COLS;
  if (n == 0) return;
  uint8_t ring[SPK_BALLOON_COLS];
  for (int r = 0; r < SPK_BANDS * SPK_BALLOON_ROWS; ++r) {
    uint8_t* row = balloon + r * SPK_BALLOON_COLS;
    for (int p = 0; p < SPK_BALLOON_COLS; ++p) ring[(p + n) % SPK_BALLOON_COLS] = row[p];
    std::memcpy(row, ring, sizeof ring);
  }
}
