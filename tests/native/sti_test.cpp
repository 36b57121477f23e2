#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "acoustics/coverage.h"
#include "acoustics/sti.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr double MOD_FREQ[14] = {0.63, 0.8, 1.0, 1.25, 1.6, 2.0, 2.5, 3.15, 4.0, 5.0, 6.3, 8.0, 10.0, 12.5};

void set_field(double reverb, double time) {
  for (int b = 0; b < 7; ++b) {
    g_reverb_energy[b] = reverb;
    g_reverb_time[b] = time;
  }
}

// Closed form of a purely reverberant channel: m = 1 / sqrt(1 + (2 pi F T / 13.8)^2).
double diffuse_mti(double t) {
  double sum = 0;
  for (double f : MOD_FREQ) {
    double x = 2 * kPi * f * t / 13.8;
    double m = 1 / std::sqrt(1 + x * x);
    double snr = std::clamp(10 * std::log10(m / (1 - m)), -15.0, 15.0);
    sum += (snr + 15) / 30;
  }
  return sum / 14;
}

class Metrics : public ::testing::Test {
 protected:
  void TearDown() override { set_field(0, 0); }
};

TEST_F(Metrics, LevelsAddDirectAndReverberantEnergy) {
  set_field(1000, 1);
  float e[7] = {1000, 1000, 1000, 1000, 1000, 1000, 1000};
  EXPECT_NEAR(cov_total_level_band(1000, 3), 10 * std::log10(2000.0), 1e-9);  // +3.01 dB over either
  EXPECT_NEAR(cov_total_level_all(e), 10 * std::log10(14000.0), 1e-9);
  EXPECT_NEAR(cov_direct_level_all(e), 10 * std::log10(7000.001), 1e-9);
  EXPECT_NEAR(cov_direct_reverberant_band(1000, 2), 10 * std::log10(1000.0 / 1001.0), 1e-9);
  EXPECT_NEAR(cov_direct_reverberant_all(e), 10 * std::log10(1e-12 + 1.0 * 1000 / 1001), 1e-9);  // weights sum to 1
  float t[7] = {30, 12.5f, 40, 12.5f, 99, 10000, 20};
  EXPECT_FLOAT_EQ(cov_first_arrival_time(t), 12.5f);
  // No direct sound: only the reverberant energy 1 / (R + 1).
  EXPECT_NEAR(cov_direct_reverberant_band(1, 0), 10 * std::log10(1 / 1001.0), 1e-9);
}

TEST_F(Metrics, DiffuseFieldWithoutNoiseFollowsTheClosedFormMtf) {
  for (double t : {0.5, 1.0, 2.0}) {
    set_field(1e4, t);
    float none[7] = {};  // no direct sound at all
    EXPECT_NEAR(sti_band(0, 3), diffuse_mti(t) * 100, 1e-6) << t;
    EXPECT_NEAR(sti_all_bands(none), diffuse_mti(t) * 100, 1e-6) << t;  // equal bands: STI = MTI
  }
  // Worked by hand for T = 1 s: 0.58822 (STI 58.8).
  set_field(1e4, 1.0);
  EXPECT_NEAR(sti_band(0, 0), 58.822, 1e-3);
}

TEST_F(Metrics, PerfectChannelTransmitsFully) {
  set_field(1.0, 0.0);  // no room: every modulation index is exactly 1
  testing::internal::CaptureStdout();
  float e[7] = {1, 1, 1, 1, 1, 1, 1};
  EXPECT_DOUBLE_EQ(sti_band(1, 2), 100.0);
  EXPECT_NEAR(sti_all_bands(e), 100.0, 1e-9);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  // A strong direct sound also transmits fully.
  set_field(10, 1.0);
  EXPECT_NEAR(sti_band(1e9f, 4), 100.0, 1e-9);
}

TEST_F(Metrics, RangeProblemsWarnOnStandardOutput) {
  set_field(0, 1.0);
  testing::internal::CaptureStdout();
  EXPECT_DOUBLE_EQ(sti_band(0, 1), 0.0);  // 0 / 0: every k warns and adds nothing
  EXPECT_DOUBLE_EQ(sti_band(1, 7), -1.0);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("Warning: result_m[0] is out of valid range for log10 transformation\n"), std::string::npos);
  EXPECT_NE(out.find("Warning: result_m[13] is out"), std::string::npos);
  EXPECT_NE(out.find("Error: test_freq_idx is out of bounds for Reverberant_Power and RT60 arrays\n"),
            std::string::npos);
}

TEST_F(Metrics, LogFileGetsSevenLinesPerCall) {
  set_field(100, 1.0);
  float e[7] = {100, 100, 100, 100, 100, 100, 100};
  std::string dir = testing::TempDir();
  std::string name = "_sti_test.txt";
  std::remove((dir + name).c_str());
  double sti = sti_export_all_bands(e, dir.c_str(), name.c_str());
  EXPECT_NEAR(sti, sti_all_bands(e), 1e-12);
  sti_export_all_bands(e, dir.c_str(), name.c_str());
  std::ifstream in(dir + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string s = text.str();
  size_t lines = 0;
  for (size_t i = 0; i + 1 < s.size(); ++i) lines += s[i] == '\r' && s[i + 1] == '\n';
  EXPECT_EQ(lines, 14u);
  double mti[7], level[7];
  sti_band_values(e, mti, level);
  char first[64];
  std::snprintf(first, sizeof first, "0,%f,%.1f\r\n", mti[0], level[0]);
  EXPECT_EQ(s.substr(0, std::strlen(first)), first);
  EXPECT_NEAR(level[0], 10 * std::log10(200.0), 1e-9);
  std::remove((dir + name).c_str());
  testing::internal::CaptureStdout();
  EXPECT_DOUBLE_EQ(sti_export_all_bands(e, "/nonexistent-dir/", name.c_str()), -1.0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to open log file");
}

}  // namespace
