#include "framework/units.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/ui_seam.h"

namespace {

int g_boxes = 0;
std::string g_box_text;
bool g_box_captioned = false;

int recording_box(const char* text, const char* caption, unsigned) {
  ++g_boxes;
  g_box_text = text;
  g_box_captioned = caption != nullptr;
  return UI_IDOK;
}

class Units : public ::testing::Test {
 protected:
  void SetUp() override {
    g_boxes = 0;
    ui_seams().message_box = recording_box;
  }
  void TearDown() override {
    ui_reset_seams();
    g_unit_feet = 0;
  }
};

TEST_F(Units, ConversionFactorsPerKind) {
  EXPECT_DOUBLE_EQ(units_metric_to_imperial(1, UNIT_LENGTH), 3.28084);
  EXPECT_DOUBLE_EQ(units_metric_to_imperial(1, UNIT_AREA), 10.76391);
  EXPECT_DOUBLE_EQ(units_metric_to_imperial(2, UNIT_VOLUME), 70.62934);
  EXPECT_DOUBLE_EQ(units_metric_to_imperial(1, 7), 3.28084);  // unknown kind: a length
  EXPECT_DOUBLE_EQ(units_imperial_to_metric(3.28084, UNIT_LENGTH), 1.0);
  EXPECT_DOUBLE_EQ(units_imperial_to_metric(10.76391, UNIT_AREA), 1.0);
  EXPECT_DOUBLE_EQ(units_imperial_to_metric(35.31467, 0), 35.31467 / 3.28084);
}

TEST_F(Units, TheFlagDecidesWhatDialogsShowAndTake) {
  EXPECT_EQ(units_to_display(2.5, UNIT_LENGTH), 2.5);
  EXPECT_EQ(units_from_entry(2.5, UNIT_AREA), 2.5);
  g_unit_feet = 1;
  EXPECT_DOUBLE_EQ(units_to_display(2, UNIT_LENGTH), 6.56168);
  EXPECT_DOUBLE_EQ(units_from_entry(10.76391, UNIT_AREA), 1.0);
}

TEST_F(Units, DecimalCommaBecomesAPoint) {
  struct Case {
    const char* in;
    const char* out;
    int replaced;
  };
  const Case cases[] = {{"1,5", "1.5", 1}, {"1.5", "1.5", 0}, {"", "", 0}, {"abc", "abc", 0},
                        {",5", ".5", 1},   {"1,2,3", "1.2.3", 2}, {"-0,25 m", "-0.25 m", 1}};
  for (const Case& c : cases) {
    char text[32];
    std::snprintf(text, sizeof text, "%s", c.in);
    EXPECT_EQ(units_fix_decimal_comma(text), c.replaced) << c.in;
    EXPECT_STREQ(text, c.out) << c.in;
  }
  EXPECT_EQ(units_fix_decimal_comma(nullptr), 0);
}

TEST_F(Units, TypedEntriesAreReadOrRefused) {
  struct Case {
    const char* text;
    int ok;
    float value;  // expected when ok, else the old value stays
  };
  const Case cases[] = {
      {"1,5", 1, 1.5f},   {"1.5", 1, 1.5f},     {" -2,75", 1, -2.75f}, {"3", 1, 3.0f},  {"4,5 m", 1, 4.5f},
      {"1e2", 1, 100.0f}, {"abc", 0, 0},       {"", 0, 0},            {"   ", 0, 0},   {",", 0, 0},
      {"-", 0, 0},        {"inf", 0, 0},       {"nan", 0, 0},         {"x1", 0, 0},
  };
  for (const Case& c : cases) {
    g_boxes = 0;
    float value = 42.0f;
    EXPECT_EQ(units_read_entry(c.text, &value), c.ok) << '"' << c.text << '"';
    EXPECT_EQ(value, c.ok ? c.value : 42.0f) << '"' << c.text << '"';
    EXPECT_EQ(g_boxes, c.ok ? 0 : 1) << '"' << c.text << '"';
    if (!c.ok) {
      EXPECT_EQ(g_box_text, "Ung\xFCltige Eingabe !");
      EXPECT_FALSE(g_box_captioned);
    }
  }
  float value = 7;
  EXPECT_EQ(units_read_entry(nullptr, &value), 0);
  EXPECT_EQ(value, 7.0f);
}

TEST_F(Units, ScanReadsLikePercentFWithoutTheComma) {
  float value = 9;
  EXPECT_EQ(units_scan_float("1,5", &value), 1);  // the comma ends the number: why the fix exists
  EXPECT_EQ(value, 1.0f);
  EXPECT_EQ(units_scan_float("abc", &value), 0);
  EXPECT_EQ(value, 1.0f);
  EXPECT_EQ(g_boxes, 0);  // scanning alone never tells the user
}

}  // namespace
