#include "speaker_editor/balloon_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "speakers/speaker_record.h"

namespace {

TEST(EditorBalloonBytes, LevelsRoundInSinglePrecisionWithTiesToEven) {
  struct Case {
    float db;
    int editor;  // single precision, halves to even
    int design;  // the design program's conversion, halves up
  } cases[] = {
      {0.0f, 225, 225},  {-45.0f, 0, 0},   {-50.0f, 0, 0},   {6.0f, 255, 255}, {10.0f, 255, 255},
      {0.1f, 226, 226},  {0.3f, 226, 227}, {1.1f, 230, 231}, {-0.1f, 224, 224}, {0.5f, 228, 228},
      {-44.9f, 0, 0},    {-44.8f, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(spked_db_to_balloon_byte(c.db), c.editor) << c.db;
    EXPECT_EQ(spk_db_to_balloon_byte(c.db), c.design) << c.db;
  }
  EXPECT_EQ(spked_db_to_balloon_byte(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(EditorBalloonBytes, PowerRatiosTruncate) {
  struct Case {
    float ratio;
    int byte;
  } cases[] = {{1.0f, 225}, {0.5f, 209}, {2.0f, 240}, {0.0f, 0}, {-1.0f, 0}, {1e6f, 255}, {1e-9f, 0}};
  for (const Case& c : cases) EXPECT_EQ(spked_power_to_balloon_byte(c.ratio), c.byte) << c.ratio;
  EXPECT_EQ(spked_power_to_balloon_byte(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_DOUBLE_EQ(spked_balloon_byte_to_power(225), 1.0);
  EXPECT_NEAR(spked_balloon_byte_to_power(0), std::pow(10.0, -4.5), 1e-12);
}

TEST(EditorBalloonBytes, PowerMeanOfTwoBytes) {
  EXPECT_EQ(spked_average_balloon_bytes(225, 225), 225);
  EXPECT_EQ(spked_average_balloon_bytes(225, 0), 209);
  EXPECT_EQ(spked_average_balloon_bytes(0, 0), 0);
  EXPECT_EQ(spked_average_balloon_bytes(255, 255), 255);
}

std::vector<uint8_t> numbered_balloon() {
  std::vector<uint8_t> b(SPK_BALLOON_SIZE);
  for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i * 7 + i / 72);
  return b;
}

TEST(EditorBalloonRotation, StepsTurnAboutTheAxisAndBack) {
  const std::vector<uint8_t> start = numbered_balloon();
  std::vector<uint8_t> b = start;
  spked_rotate_balloon_bytes(b.data(), 1);
  for (int ring : {0, 17, 36}) {
    const uint8_t* before = &start[5 * SPK_BALLOON_BAND_SIZE + ring * 72];
    const uint8_t* after = &b[5 * SPK_BALLOON_BAND_SIZE + ring * 72];
    EXPECT_EQ(after[0], before[71]);
    EXPECT_EQ(after[10], before[9]);
  }
  spked_rotate_balloon_bytes(b.data(), 71);
  EXPECT_EQ(b, start);
  for (int i = 0; i < 4; ++i) spked_rotate_balloon_bytes(b.data(), 18);
  EXPECT_EQ(b, start);
}

TEST(EditorDirectivity, UniformAndSilentBalloons) {
  std::vector<uint8_t> b(SPK_BALLOON_SIZE, 225);
  for (int band = 0; band < SPK_BANDS; ++band) EXPECT_DOUBLE_EQ(spked_band_directivity_factor(b.data(), band), 1.0);
  std::fill(b.begin(), b.end(), 0);
  EXPECT_NEAR(spked_band_directivity_factor(b.data(), 3), 31623.0, 1.0);
  // Only the front half radiates: about twice the omnidirectional Q.
  std::fill(b.begin(), b.end(), 0);
  for (int t = 0; t <= 18; ++t) std::memset(&b[t * 72], 225, 72);
  EXPECT_NEAR(spked_band_directivity_factor(b.data(), 0), 2.0, 0.2);
}

TEST(EditorDirectivity, FieldsAreTruncatedAndHeldInRange) {
  struct Case {
    double q;
    int field;
  } q_cases[] = {{1.0, 10}, {2.57, 25}, {31623.0, 32767}, {-3.0, 0}, {std::nan(""), 0}};
  for (const Case& c : q_cases) EXPECT_EQ(spked_q_field(c.q), c.field) << c.q;
  struct EffCase {
    double efficiency;
    int field;
  } eff_cases[] = {{0.0123, 12}, {1.0, 1000}, {100.0, 32767}, {-1.0, 0}};
  for (const EffCase& c : eff_cases) EXPECT_EQ(spked_efficiency_field(c.efficiency), c.field) << c.efficiency;
  EXPECT_DOUBLE_EQ(spked_q_from_field(25), 2.5);
  EXPECT_DOUBLE_EQ(spked_q_from_field(0), 0.1);
  EXPECT_DOUBLE_EQ(spked_q_from_field(-7), 0.1);
}

TEST(EditorDirectivity, EfficiencyFromSensitivityAndQ) {
  EXPECT_NEAR(spked_efficiency(109.0, 1.0), 1.0, 1e-12);
  EXPECT_NEAR(spked_efficiency(99.0, 1.0), 0.1, 1e-12);
  EXPECT_NEAR(spked_efficiency(109.0, 10.0), 0.1, 1e-12);
  EXPECT_NEAR(spked_efficiency(109.0, 0.0), 10.0, 1e-9);  // Q below 0.1 counts as 0.1
  EXPECT_TRUE(std::isfinite(spked_efficiency(109.0, -5.0)));
}

TEST(EditorDirectivity, ShownPercentagesAreStoredTruncated) {
  struct Case {
    const char* text;
    int field;
  } cases[] = {{"12.3", 123}, {"0.7", 6}, {"0", 0}, {"5000", 32767}, {"abc", 77}};
  for (const Case& c : cases) EXPECT_EQ(spked_percent_text_field(c.text, 77), c.field) << c.text;
}

}  // namespace
