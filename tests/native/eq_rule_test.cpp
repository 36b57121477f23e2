#include "design/eq_rule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "framework/ui_seam.h"

namespace {

struct RuleCase {
  double gains[EQ_BANDS];
  bool accepted;
  double total;
};

TEST(EqRule, TotalOfBandGainsMustNotPassZeroDb) {
  const RuleCase cases[] = {
      {{0, 0, 0, 0, 0, 0, 0}, false, 8.45},
      {{-9, -9, -9, -9, -9, -9, -9}, true, -0.55},
      // The highest even setting at the dialog's one decimal, and the next step.
      {{-8.5, -8.5, -8.5, -8.5, -8.5, -8.5, -8.5}, true, -0.05},
      {{-8.4, -8.4, -8.4, -8.4, -8.4, -8.4, -8.4}, false, 0.05},
      {{0, -3, -6, 0, 0, 0, -12}, false, 6.83},
      {{-3, -3, -100, -100, -100, -100, -100}, false, 0.01},  // 10^-0.3 is a little over one half
      {{-3.1, -3.1, -100, -100, -100, -100, -100}, true, -0.09},
  };
  for (const RuleCase& c : cases) {
    double total = eq_total_db(c.gains);
    EXPECT_NEAR(total, c.total, 0.01);
    EXPECT_EQ(eq_accepts(c.gains), c.accepted) << total;
  }
}

TEST(EqRule, FloatGainsFollowTheSameRule) {
  const float nine[EQ_BANDS] = {-9, -9, -9, -9, -9, -9, -9};
  const float zero[EQ_BANDS] = {};
  EXPECT_TRUE(eq_accepts(nine));
  EXPECT_FALSE(eq_accepts(zero));
}

std::string g_text, g_caption;
int record(const char* text, const char* caption, unsigned) {
  g_text = text;
  g_caption = caption ? caption : "";
  return UI_IDOK;
}

TEST(EqRule, OverloadMessage) {
  ui_seams().message_box = record;
  eq_report_overload();
  ui_reset_seams();
  EXPECT_EQ(g_text, "Maximale Ausgangsleistung des Lautsprechers \xFC" "berschritten (total > 0.0 dB).");
  EXPECT_EQ(g_caption, "EQ-Einstellungen konnten nicht \xFC" "bernommen werden");
}

class BandState : public ::testing::Test {
 protected:
  void TearDown() override { opts_reset_display_offsets(); }
  BandDialogState s{};
};

TEST_F(BandState, OpeningPlacesMasterAtLargestBandAndShowsEnergySum) {
  const double values[EQ_BANDS] = {0, -3, -6, 0, 0, 0, -12};
  opts_band_state_open(s, values, BAND_MODE_EQ);
  EXPECT_FLOAT_EQ(s.value[BAND_MASTER], 0.0f);
  EXPECT_STREQ(s.text[BAND_MASTER], "0.0");
  EXPECT_STREQ(s.summary, "6.8");
  EXPECT_EQ(s.position[6], 12);
  EXPECT_STREQ(s.text[6], "-12.0");
  EXPECT_FLOAT_EQ(s.min, -12.0f);
}

TEST_F(BandState, MasterStopsWhenLowestBandReachesBottom) {
  const double values[EQ_BANDS] = {0, -3, -6, 0, 0, 0, -12};
  opts_band_state_open(s, values, BAND_MODE_EQ);
  opts_band_state_update(s, BAND_SLIDER_MASTER, -95.0);
  EXPECT_FLOAT_EQ(s.value[6], -100.0f);
  EXPECT_FLOAT_EQ(s.value[0], -88.0f);
  EXPECT_FLOAT_EQ(s.value[BAND_MASTER], -88.0f);
  EXPECT_EQ(s.position[0], 88);
  // Already at the bottom: a further step down changes nothing.
  s.changed = 0;
  opts_band_state_update(s, BAND_SLIDER_MASTER, -95.0);
  EXPECT_EQ(s.changed, 0u);
  EXPECT_FLOAT_EQ(s.value[0], -88.0f);
}

TEST_F(BandState, BandsAreClampedAndDragTheMaster) {
  const double values[EQ_BANDS] = {-9, -9, -9, -9, -9, -9, -9};
  opts_band_state_open(s, values, BAND_MODE_EQ);
  opts_band_state_update(s, 203, 5.0);  // above 0 dB: clamped
  EXPECT_FLOAT_EQ(s.value[2], 0.0f);
  EXPECT_FLOAT_EQ(s.value[BAND_MASTER], 0.0f);
  opts_band_state_update(s, 203, -150.0);
  EXPECT_FLOAT_EQ(s.value[2], -100.0f);
  EXPECT_FLOAT_EQ(s.value[BAND_MASTER], -9.0f);
}

TEST_F(BandState, DisplayOffsetsShiftOnlyTheShownNumbers) {
  const double values[EQ_BANDS] = {-9, -20, -20, -20, -20, -20, -20};
  for (int b = 0; b < EQ_BANDS; ++b) g_band_display_offsets[b] = static_cast<float>(-values[b]);
  g_band_display_offsets[BAND_MASTER] = 9.0f;
  opts_band_state_open(s, values, BAND_MODE_EQ);
  EXPECT_STREQ(s.text[0], "0.0");
  EXPECT_STREQ(s.text[BAND_MASTER], "0.0");
  opts_band_state_update(s, BAND_SLIDER_FIRST, -7.0);
  EXPECT_STREQ(s.text[0], "2.0");
  EXPECT_FLOAT_EQ(s.value[0], -7.0f);
}

TEST_F(BandState, ReverberationTimes) {
  const double values[EQ_BANDS] = {1, 1, 1, 1, 1, 1, 9.5};
  opts_band_state_open(s, values, BAND_MODE_RT);
  EXPECT_EQ(s.position[0], 90);
  double page_up = opts_band_scroll_value(s, 207, 2, s.position[6], 0);
  opts_band_state_update(s, 207, page_up);
  EXPECT_FLOAT_EQ(s.value[6], 10.0f);
  EXPECT_STREQ(s.text[6], "10.0");
  opts_band_state_update(s, 207, 1.0);
  EXPECT_STREQ(s.summary, "1.0");
}

TEST_F(BandState, ScrollActionsAskForTheirSteps) {
  const double values[EQ_BANDS] = {-10, -10, -10, -10, -10, -10, -10};
  opts_band_state_open(s, values, BAND_MODE_EQ);
  EXPECT_DOUBLE_EQ(opts_band_scroll_value(s, 201, 0, 10, 0), -9.0);    // line up
  EXPECT_DOUBLE_EQ(opts_band_scroll_value(s, 201, 3, 10, 0), -20.0);   // page down
  EXPECT_DOUBLE_EQ(opts_band_scroll_value(s, 201, 5, 10, 14), -14.0);  // thumb dragged down
  EXPECT_DOUBLE_EQ(opts_band_scroll_value(s, 201, 6, 10, 0), 0.0);     // top
  EXPECT_DOUBLE_EQ(opts_band_scroll_value(s, 201, 7, 10, 0), -100.0);  // bottom
}

}  // namespace
