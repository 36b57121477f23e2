#include "acoustics/cov_legend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "acoustics/cov_values.h"
#include "acoustics/coverage.h"

namespace {

std::string row_text(const CovScale& s, int row) {
  char text[32];
  return cov_legend_row_text(s, row, text, sizeof text) ? std::string(text) : std::string("<blank>");
}

}  // namespace

TEST(CovLegend, RangeAndStepPerModeAndScale) {
  struct Case {
    int mode, all_bands;
    double top, bottom;
    int scale;
    double want_top, want_bottom, want_step;
  };
  const Case cases[] = {
      {COV_MODE_LD, 0, 100.0, 60.0, COV_SCALE_AUTO, 100, 60, 2},   // 40 dB: 2 dB rows
      {COV_MODE_LD, 0, 90.0, 80.0, COV_SCALE_AUTO, 90, 80, 1},     // 10 dB: at least 1
      {COV_MODE_LD, 0, 89.5, 80.49, COV_SCALE_AUTO, 90, 80, 1},    // rounded half up
      {COV_MODE_LD, 1, 40.0, -8.0, COV_SCALE_AUTO, 40, 0, 3},      // negative bottom becomes 0
      {COV_MODE_LT, 0, 40.0, -8.0, COV_SCALE_AUTO, 40, 0, 3},
      {COV_MODE_LD_LR, 0, 10.0, -22.0, COV_SCALE_AUTO, 10, -22, 2},  // Ld-Lr keeps it
      {COV_MODE_LD, 0, 100.0, 60.0, 2, 100, 60, 3},
      {COV_MODE_LD, 0, -8.0, -30.0, 0, -8, -30, 1},                // fixed scale keeps it too
      {COV_MODE_TIME, 0, 75.2, 10.0, COV_SCALE_AUTO, 75, 10, 5},   // ceil(65 / 16)
      {COV_MODE_TIME, 0, 12.0, 10.0, COV_SCALE_AUTO, 12, 10, 1},
      {COV_MODE_TIME, 0, 75.0, 10.0, 1, 75, 10, 10},
      {COV_MODE_STI, 0, 99.0, 40.0, COV_SCALE_AUTO, 95, 40, 5},    // top limited to 95
      {COV_MODE_STI, 1, 80.0, -3.0, COV_SCALE_AUTO, 80, 0, 5},     // all bands: bottom raised to 0
      {COV_MODE_STI, 0, 80.0, -3.0, COV_SCALE_AUTO, 80, -3, 5},
      {COV_MODE_STI_EXPORT, 0, 87.0, 40.0, 1, 85, 40, 5},          // top down to a multiple of 5
      {COV_MODE_STI_EXPORT, 0, 99.0, 40.0, 2, 90, 40, 10},
      {COV_MODE_STI, 0, 87.0, 40.0, 0, 86, 40, 2},
  };
  for (const Case& c : cases) {
    CovScale s = cov_legend_scale(c.mode, c.all_bands, c.top, c.bottom, c.scale);
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " top " << c.top << " scale " << c.scale);
    EXPECT_EQ(s.top, c.want_top);
    EXPECT_EQ(s.bottom, c.want_bottom);
    EXPECT_EQ(s.step, c.want_step);
  }
}

TEST(CovLegend, ColourIndexOverATableOfValues) {
  CovScale level = cov_legend_scale(COV_MODE_LD, 0, 100.0, 60.0, COV_SCALE_AUTO);  // step 2
  CovScale time = cov_legend_scale(COV_MODE_TIME, 0, 75.0, 10.0, COV_SCALE_AUTO);  // step 5
  CovScale sti = cov_legend_scale(COV_MODE_STI, 0, 99.0, 40.0, COV_SCALE_AUTO);    // 95, step 5
  struct Case {
    const CovScale* scale;
    double value;
    int colour;
  };
  const Case cases[] = {
      {&level, 100.0, 63}, {&level, 105.0, 63}, {&level, 99.1, 63}, {&level, 98.9, 62},
      {&level, 98.0, 62},  {&level, 97.0, 61},  {&level, 80.0, 53}, {&level, 60.0, 43},
      {&level, 42.0, 37},  {&level, 41.0, 37},  {&level, -50.0, 37},
      {&time, 10.0, 63},   {&time, 5.0, 63},    {&time, 12.4, 63},  {&time, 12.5, 62},
      {&time, 75.0, 50},   {&time, 10000.0, 37},
      {&sti, 99.0, 63},    {&sti, 95.0, 63},    {&sti, 50.0, 54},   {&sti, -1.0, 44},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.scale->mode << " value " << c.value);
    EXPECT_EQ(cov_colour_index(*c.scale, c.value), c.colour);
  }
  // 30 steps below the top is the last colour, like everything further down.
  CovScale one = cov_legend_scale(COV_MODE_LD, 0, 90.0, 80.0, COV_SCALE_AUTO);
  EXPECT_EQ(cov_colour_index(one, 90.0 - 26), 37);
  EXPECT_EQ(cov_colour_index(one, 90.0 - 25), 38);
  EXPECT_EQ(cov_colour_index(one, 90.0 - 30), 37);
}

TEST(CovLegend, RowTextsStopBeyondTheRange) {
  CovScale level = cov_legend_scale(COV_MODE_LD, 0, 100.0, 60.0, COV_SCALE_AUTO);
  EXPECT_EQ(row_text(level, 0), "100");
  EXPECT_EQ(row_text(level, 1), " 98");
  EXPECT_EQ(row_text(level, 19), " 62");
  CovScale short_range = cov_legend_scale(COV_MODE_LD, 0, 90.0, 80.0, COV_SCALE_AUTO);
  EXPECT_EQ(row_text(short_range, 10), " 80");
  EXPECT_EQ(row_text(short_range, 11), "<blank>");
  CovScale negative = cov_legend_scale(COV_MODE_LD_LR, 0, 3.0, -5.0, 0);
  EXPECT_EQ(row_text(negative, 5), " -2");

  CovScale time = cov_legend_scale(COV_MODE_TIME, 0, 75.0, 10.0, COV_SCALE_AUTO);
  EXPECT_EQ(row_text(time, 0), " 10");
  EXPECT_EQ(row_text(time, 13), " 75");
  EXPECT_EQ(row_text(time, 14), "<blank>");

  CovScale sti = cov_legend_scale(COV_MODE_STI, 0, 99.0, 40.0, COV_SCALE_AUTO);
  EXPECT_EQ(row_text(sti, 0), ".950");
  EXPECT_EQ(row_text(sti, 1), ".900");
  EXPECT_EQ(row_text(sti, 11), ".400");
  EXPECT_EQ(row_text(sti, 12), "<blank>");
}

TEST(CovLegend, ButtonLabelsAndTitles) {
  EXPECT_STREQ(cov_scale_label(COV_MODE_TIME, 2), "10ms");
  EXPECT_STREQ(cov_scale_label(COV_MODE_STI_EXPORT, 3), ".1");
  EXPECT_STREQ(cov_scale_label(COV_MODE_LD_LR, 1), "1 dB");
  EXPECT_STREQ(cov_mode_title(COV_MODE_LD_LR), "Ld-Lr[dB]");
  EXPECT_STREQ(cov_rt_method_label(7), "(S)");
  EXPECT_EQ(cov_mode_button_of(COV_MODE_LD_LR, 6), 3);
  EXPECT_EQ(cov_mode_button_of(COV_MODE_LT, 2), -1);  // two buttons carry Ld and the time only
  EXPECT_EQ(cov_mode_button_of(COV_MODE_TIME, 2), 1);
}

namespace {

GridPoint point_with(float energy_scale, float time_ms) {
  GridPoint p{};
  for (int b = 0; b < COV_BANDS; ++b) {
    p.energy[b] = energy_scale * (1.0f + 0.5f * b);
    p.time[b] = time_ms + b;
  }
  return p;
}

GridPoint silent_point() {
  GridPoint p{};
  for (int b = 0; b < COV_BANDS; ++b) {
    p.energy[b] = 1.0f;
    p.time[b] = COV_NO_ARRIVAL_MS;
  }
  return p;
}

}  // namespace

// The legend spans exactly what the map shows, in every mode and for one
// band or all bands: the loudest (earliest) point takes the top colour and
// the quietest (latest) the colour its distance from the top gives. Points
// that nothing reached take no part and are drawn in the lowest colour.
TEST(CovLegend, RangeComesFromTheShownValuesInEveryModeAndBand) {
  for (int b = 0; b < COV_BANDS; ++b) {
    g_reverb_energy[b] = 2e6;
    g_reverb_time[b] = 1.2;
  }
  const std::vector<GridPoint> points = {point_with(1e7f, 12.0f), point_with(3e6f, 20.0f), point_with(2e5f, 45.0f),
                                         point_with(1e6f, 30.0f), silent_point()};
  const int modes[] = {COV_MODE_LD, COV_MODE_LT, COV_MODE_TIME, COV_MODE_STI, COV_MODE_LD_LR};
  for (int mode : modes) {
    for (int band : {0, 4, COV_ALL_BANDS}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " band " << band);
      std::vector<double> values;
      for (const GridPoint& p : points) values.push_back(cov_shown_value(mode, band, p));
      CovScale s = cov_legend_scale_of_values(mode, band == COV_ALL_BANDS, values.data(),
                                              static_cast<unsigned>(values.size()), COV_SCALE_AUTO);
      ASSERT_FALSE(s.empty);
      bool has_value = mode == COV_MODE_LT || mode == COV_MODE_STI;
      double best = mode == COV_MODE_TIME ? 1e9 : -1e9, worst = mode == COV_MODE_TIME ? -1e9 : 1e9;
      for (size_t i = 0; i < values.size(); ++i) {
        if (i + 1 == values.size() && !has_value) continue;
        ASSERT_FALSE(std::isnan(values[i])) << i;
        best = mode == COV_MODE_TIME ? std::fmin(best, values[i]) : std::fmax(best, values[i]);
        worst = mode == COV_MODE_TIME ? std::fmax(worst, values[i]) : std::fmin(worst, values[i]);
      }
      double top = mode == COV_MODE_TIME ? worst : best, bottom = mode == COV_MODE_TIME ? best : worst;
      CovScale want = cov_legend_scale(mode, band == COV_ALL_BANDS, top, bottom, COV_SCALE_AUTO);
      EXPECT_EQ(s.top, want.top);
      EXPECT_EQ(s.bottom, want.bottom);
      EXPECT_EQ(s.step, want.step);
      EXPECT_EQ(cov_colour_index(s, best), COV_COLOUR_TOP);
      EXPECT_LT(cov_colour_index(s, worst), COV_COLOUR_TOP - 5);
      // Nothing reached the last point: no direct level, no arrival time.
      EXPECT_EQ(std::isnan(values.back()), !has_value);
      if (!has_value) {
        EXPECT_EQ(cov_colour_index(s, values.back()), COV_COLOUR_BOTTOM);
      }
    }
  }
}

// A map that nothing reached shows no level: every cell in the lowest
// colour and a legend without values.
TEST(CovLegend, FullyShadowedMapIsNotDrawnInTheTopColour) {
  const GridPoint silent[3] = {silent_point(), silent_point(), silent_point()};
  for (int mode : {COV_MODE_LD, COV_MODE_TIME, COV_MODE_LD_LR}) {
    for (int band : {2, COV_ALL_BANDS}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " band " << band);
      double values[3];
      for (int i = 0; i < 3; ++i) values[i] = cov_shown_value(mode, band, silent[i]);
      CovScale s = cov_legend_scale_of_values(mode, band == COV_ALL_BANDS, values, 3, COV_SCALE_AUTO);
      EXPECT_TRUE(s.empty);
      for (double v : values) EXPECT_EQ(cov_colour_index(s, v), COV_COLOUR_BOTTOM);
      for (int r = 0; r < COV_LEGEND_ROWS; ++r) EXPECT_EQ(row_text(s, r), "<blank>") << r;
    }
  }
}
