#include "speaker_editor/record_views.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "speakers/speaker_record.h"

namespace {

constexpr double PI = 3.14159265358979;

TEST(BalloonAngles, TurnWrapsAndTiltStaysBetweenMinusPiAndZero) {
  EXPECT_NEAR(spked_balloon_turn(3.0f, SPKED_PAGE_ON, 0), 3.0 + PI / 6 - 2 * PI, 1e-5);
  EXPECT_NEAR(spked_balloon_turn(-3.0f, SPKED_PAGE_BACK, 0), -3.0 - PI / 6 + 2 * PI, 1e-5);
  EXPECT_NEAR(spked_balloon_turn(3.1f, SPKED_LINE_ON, 0), 0.08726646 - PI, 1e-5);
  EXPECT_NEAR(spked_balloon_turn(0.0f, SPKED_THUMB, uint16_t(-157)), -1.57, 1e-6);
  bool repaint;
  float b = -0.1f;
  for (int i = 0; i < 100; ++i) {
    b = spked_balloon_tilt(b, i % 2 ? SPKED_PAGE_BACK : SPKED_LINE_BACK, 0, &repaint);
    ASSERT_GE(b, -PI - 1e-6);
  }
  EXPECT_FALSE(repaint);
  for (int i = 0; i < 100; ++i) {
    b = spked_balloon_tilt(b, SPKED_PAGE_ON, 0, &repaint);
    ASSERT_LE(b, 0.0f);
  }
  EXPECT_FLOAT_EQ(spked_balloon_tilt(-1.0f, SPKED_THUMB, uint16_t(-50), &repaint), -0.5f);
  EXPECT_TRUE(repaint);
}

TEST(PolarCurve, FullBytesLieOnTheOuterCircle) {
  static SpeakerRecord r{};
  std::memset(r.balloon, 225, sizeof r.balloon);
  std::vector<PlotPoint> curve = spked_polar_curve(r, 2, 36, 0, 100, 100, 0.5);
  ASSERT_EQ(curve.size(), 36u + 1 + 35 + 1);
  for (const PlotPoint& p : curve) EXPECT_NEAR(std::hypot(p.x - 100, p.y - 100), 112.5, 1e-9);
  EXPECT_NEAR(curve[0].y, 100 - 112.5, 1e-9);  // the main axis points up
  EXPECT_NEAR(curve[18].x, 100 - 112.5, 1e-9);  // 90 degrees on the left
  EXPECT_NEAR(curve.back().x, curve.front().x, 1e-12);
  std::memset(r.balloon, 40, sizeof r.balloon);
  for (const PlotPoint& p : spked_polar_curve(r, 0, 18, 54, 0, 0, 1.0)) EXPECT_LT(std::hypot(p.x, p.y), 50.0);
}

TEST(DataSheet, RowsOfTheRecord) {
  static SpeakerRecord r{};
  std::strcpy(r.manufacturer, "Werk");
  std::strcpy(r.type_name, "T1");
  std::strcpy(reinterpret_cast<char*>(r.owner), "Herkunft A");
  std::strcpy(reinterpret_cast<char*>(r.owner) + 41, "Herkunft B");
  std::memset(r.balloon, 225, sizeof r.balloon);
  r.balloon[1][0][0] = 230;
  for (int b = 0; b < SPK_BANDS; ++b) {
    r.sensitivity[b] = 90.0f;
    r.q_factor[b] = 10;
    r.impedance[b] = 8;
    r.rated_power[b] = 100.0f;
  }
  r.q_factor[6] = 0;  // damaged: no logarithm of zero
  std::vector<SheetRow> rows = spked_data_sheet_rows(r);
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[0].values[0], "Werk");
  EXPECT_TRUE(rows[2].label.empty());
  EXPECT_EQ(rows[3].values[0], "Herkunft A");
  EXPECT_EQ(rows[4].values[0], "Herkunft B");
  EXPECT_EQ(rows[5].values[0], "");  // import format 0 shows nothing
  EXPECT_EQ(rows[6].values[3], "1000");
  EXPECT_EQ(rows[7].values[0], " 100");
  EXPECT_EQ(rows[8].values[0], "90.0");
  EXPECT_EQ(rows[8].values[1], "91.0");  // on-axis byte 230: 1 dB more
  EXPECT_EQ(rows[9].values[0], "  8");
  EXPECT_EQ(rows[10].values[0], "1.0");
  EXPECT_EQ(rows[11].values[0], "0.0");
  EXPECT_EQ(rows[11].values[6], "-10.0");  // Q held at 0.1
  EXPECT_EQ(rows[12].values[0], "1.3");  // 10^(-1.9) x 100
  EXPECT_EQ(rows[12].values[6].find("nan"), std::string::npos);
  EXPECT_EQ(rows[12].values[6].find("inf"), std::string::npos);
  r.import_format = 2;
  EXPECT_EQ(spked_data_sheet_rows(r)[5].values[0], "Halbkugel,10° Auflösung");
}

}  // namespace
