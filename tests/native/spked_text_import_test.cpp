#include "speaker_editor/text_imports.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/ui_seam.h"
#include "speakers/speaker_record.h"

namespace {

std::vector<std::string> g_messages;
int record_message(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

class TextImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_reset_seams();
    ui_seams().message_box = record_message;
    g_messages.clear();
  }
  void TearDown() override { ui_reset_seams(); }
  bool gdf(const std::string& text) {
    return spked_gdf_to_record(reinterpret_cast<const uint8_t*>(text.data()), text.size(), record);
  }
  bool onf(const std::string& text) {
    return spked_onf_to_record(reinterpret_cast<const uint8_t*>(text.data()), text.size(), record);
  }
  SpeakerRecord record;
};

// A row of `count` numbers, value(k) each.
std::string row(int count, const std::function<double(int)>& value) {
  std::string line;
  char number[32];
  for (int k = 0; k < count; ++k) {
    std::snprintf(number, sizeof number, "%s%.2f", k ? " " : "", value(k));
    line += number;
  }
  return line + "\r\n";
}

// GDF: attenuations grow 0.5 dB per polar step; `rows` rows of `per_row`.
std::string gdf_file(const char* sphere, int phi, int theta, int rows, int per_row, const char* frequency = "1000") {
  std::string f = "Device Name X1\r\nManufacturer Fabrik\r\nFile Notes: eine Notiz\r\n"
                  "Sensitivity (1W-1M) 77\r\n# Frequency Band Section\r\n";
  f += std::string("Sphere Size ") + sphere + "\r\nFrequency (Hz) " + frequency + "\r\n";
  f += "Sensitivity (1W-1M) 90\r\nImpedance 8.7\r\nMaxPower (W) 100\r\n";
  f += "Phi Inc " + std::to_string(phi) + "\r\nTheta Inc " + std::to_string(theta) + "\r\n";
  for (int r = 0; r < rows; ++r) f += row(per_row, [&](int k) { return 0.5 * k * phi / 5 + 0.1 * r; });
  return f;
}

TEST_F(TextImport, GdfHalfSphereOfFiveDegrees) {
  ASSERT_TRUE(gdf(gdf_file("Half", 5, 5, 37, 37)));
  EXPECT_STREQ(record.type_name, "X1");  // CR and LF are not part of the name
  EXPECT_STREQ(record.manufacturer, "Fabrik");
  EXPECT_STREQ(record.description, "eine Notiz");
  EXPECT_FLOAT_EQ(record.sensitivity[3], 90.0f);  // nothing above 0 dB to move
  EXPECT_EQ(record.impedance[3], 8);
  EXPECT_FLOAT_EQ(record.rated_power[3], 100.0f);
  EXPECT_EQ(record.import_format, 3);
  EXPECT_EQ(record.balloon[3][0][0], 225);
  EXPECT_EQ(record.balloon[3][2][0], 220);   // -1 dB
  EXPECT_EQ(record.balloon[3][2][10], 215);  // row 10 (azimuth 50 degrees) lies 1 dB lower: -2 dB
  // Rows 37 to 71 repeat rows 35 down to 1.
  for (int t = 0; t < 37; ++t) EXPECT_EQ(record.balloon[3][t][71], record.balloon[3][t][1]) << t;
  EXPECT_EQ(record.balloon[0][5][5], 225);  // a band without data stays 0 dB
  EXPECT_GT(record.q_factor[3], 10);
  EXPECT_EQ(record.kind, 1);
  EXPECT_EQ(record.format, 2);
  EXPECT_TRUE(record.band_mask & (1 << 3));
}

// Ten-degree grids are resampled to the five-degree balloon.
TEST_F(TextImport, GdfFullSphereOfTenDegreesIsResampled) {
  ASSERT_TRUE(gdf(gdf_file("Full", 10, 10, 36, 19)));
  EXPECT_EQ(record.import_format, 4);
  const auto& b = record.balloon[3];
  EXPECT_EQ(b[2][0], 220);  // stored at polar 10 degrees: -1 dB
  EXPECT_EQ(b[1][0], 223);  // between 0 and -1 dB by power mean: -0.47 dB
  EXPECT_EQ(b[0][2], 224);  // row 1 (azimuth 10 degrees): -0.1 dB
  EXPECT_EQ(b[0][1], 225);  // between 0 and -0.1 dB
  EXPECT_EQ(b[0][71], 218);  // between row 35 (-3.5 dB) and row 0 by power mean: -1.41 dB
}

TEST_F(TextImport, GdfRefusesWhatItCannotPlace) {
  EXPECT_FALSE(gdf(gdf_file("Half", 5, 7, 37, 37)));
  EXPECT_FALSE(gdf(gdf_file("Half", 3, 5, 37, 37)));
  EXPECT_EQ(g_messages, (std::vector<std::string>{"Abtastschritt undefiniert, muß 5° oder 10° sein",
                                                  "Abtastschritt undefiniert, muß 5° oder 10° sein"}));
  g_messages.clear();
  std::string wide = gdf_file("Half", 5, 5, 37, 37);
  wide.insert(wide.rfind("\r\n"), " 1.0");  // 38 numbers in the last row
  EXPECT_FALSE(gdf(wide));
  EXPECT_EQ(g_messages, std::vector<std::string>{"Falsche Spaltenzahl"});
}

TEST_F(TextImport, GdfFrequenciesSelectBandsOrKeepThePreviousOne) {
  std::string f = gdf_file("Half", 5, 5, 37, 37, "125");
  f += "# Frequency Band Section\r\nFrequency (Hz) 1600\r\nSensitivity (1W-1M) 99\r\nImpedance\r\n";
  ASSERT_TRUE(gdf(f));
  EXPECT_FLOAT_EQ(record.sensitivity[0], 99.0f);  // 1600 selected no band
  EXPECT_EQ(record.impedance[0], 0);               // a keyword without a value reads as empty
  EXPECT_FLOAT_EQ(record.sensitivity[1], 0.0f);
  // The sensitivity before any frequency went nowhere.
  for (int b = 1; b < SPK_BANDS; ++b) EXPECT_FLOAT_EQ(record.sensitivity[b], 0.0f) << b;
}

// ONF: levels (not attenuations) 80 dB on the axis falling 0.5 dB per polar step.
std::string onf_band(const char* frequency, const char* sphere, int increment, int rows, int per_row) {
  std::string f = std::string("FREQUENCY: ") + frequency + "\r\nSPHERE SIZE: " + sphere + "\r\nINCREMENT: " +
                  std::to_string(increment) + "\r\nUeff: 2.83\r\nIMPEDANCE: 8\r\nDISTANCE: 1\r\n";
  for (int r = 0; r < rows; ++r) f += row(per_row, [&](int k) { return 80.0 - 0.5 * k * increment / 5; });
  return f;
}

const std::string ONF_HEAD =
    "Device Class: L\r\nDevice Name: ONF1 X\r\nManufacturer: Werk\r\nRemark: Bemerkung\tmit Tab\r\n";

TEST_F(TextImport, OnfFullAndHalfSpheres) {
  ASSERT_TRUE(onf(ONF_HEAD + onf_band("1000", "FULL", 5, 72, 37) + onf_band("125", "HALF", 10, 19, 19)));
  EXPECT_TRUE(g_messages.empty());
  EXPECT_STREQ(record.type_name, "ONF1");  // the blank ends the name
  EXPECT_STREQ(record.manufacturer, "Werk");
  EXPECT_STREQ(record.description, "Bemerkung");  // control characters end the comment
  // 2.83 V on 8 ohm at 1 m is just above 1 W.
  EXPECT_NEAR(record.sensitivity[3], 80.0 - 10 * std::log10(2.83 * 2.83 / 8), 1e-4);
  EXPECT_NEAR(record.sensitivity[3], 79.995, 0.001);
  EXPECT_EQ(record.impedance[3], 8);
  EXPECT_EQ(record.balloon[3][0][0], 225);
  EXPECT_EQ(record.balloon[3][2][40], 220);
  EXPECT_EQ(record.balloon[0][2][0], 220);  // stored polar 10 degrees
  for (int t = 0; t < 37; ++t) EXPECT_EQ(record.balloon[0][t][71], record.balloon[0][t][1]) << t;
  EXPECT_EQ(record.import_format, 4);  // the largest increment (10) with the smallest sphere code (full)
}

TEST_F(TextImport, OnfQuarterSphereIsMirroredTwice) {
  std::string f = ONF_HEAD + "FREQUENCY: 2000\r\nSPHERE SIZE: Q\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: 1\r\nDISTANCE: 1\r\n";
  for (int r = 0; r < 19; ++r) f += row(37, [&](int k) { return 90.0 - r - 0.2 * k; });
  ASSERT_TRUE(onf(f));
  const auto& b = record.balloon[4];
  EXPECT_EQ(b[0][19], b[0][17]);
  EXPECT_EQ(b[0][36], b[0][0]);
  EXPECT_EQ(b[3][71], b[3][1]);
  EXPECT_EQ(record.import_format, 5);
}

TEST_F(TextImport, OnfFormatErrorsEachHaveTheirMessage) {
  const std::string band = onf_band("1000", "FULL", 5, 72, 37);
  struct Case {
    std::string file;
    const char* message;
  } cases[] = {
      {"Device Name: A\r\n", "Geräteklasse fehlt"},
      {"Device Class: X\r\n", "Unbekannte Geräteklasse"},
      {"Device Class: M\r\nManufacturer: W\r\n", "Gerätename fehlt"},
      {"Device Class: M\r\nDevice Name: A\r\nRemark: r\r\n", "Herstellerangabe fehlt"},
      {"Device Class: M\r\nDevice Name: A\r\nManufacturer: W\r\n", "Kommentarzeile fehlt"},
      {ONF_HEAD + "SPHERE SIZE: F\r\n", "Frequenzangabe fehlt"},
      {ONF_HEAD + "FREQUENCY: 1600\r\n", "Falsche Frequenzangabe"},
      {ONF_HEAD + "FREQUENCY: 250\r\nINCREMENT: 5\r\n", "Abtastbereich undefiniert"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 7\r\n", "Abtastschritt undefiniert, muß 5° oder 10° sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: x\r\n", "Abtastschritt undefiniert, muß 5° oder 10° sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: inf\r\n", "Abtastschritt undefiniert, muß 5° oder 10° sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 1e30\r\n", "Abtastschritt undefiniert, muß 5° oder 10° sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nIMPEDANCE: 8\r\n", "Spannungsangabe fehlt"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nDISTANCE: 1\r\n", "Impedanz fehlt"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: 8\r\n", "Meßdistanz fehlt"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: Ohm\r\n", "Impedanz fehlt"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: 0\r\n",
       "Impedanz ungültig, muß mindestens 0.001 Ohm sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: -8\r\n",
       "Impedanz ungültig, muß mindestens 0.001 Ohm sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: 8\r\nDISTANCE: 0\r\n",
       "Meßdistanz ungültig, muß mindestens 0.001 m sein"},
      {ONF_HEAD + "FREQUENCY: 250\r\nSPHERE SIZE: F\r\nINCREMENT: 5\r\nUeff: 1\r\nIMPEDANCE: 8\r\nDISTANCE: inf\r\n",
       "Meßdistanz ungültig, muß mindestens 0.001 m sein"},
      {ONF_HEAD + onf_band("1000", "FULL", 5, 71, 37), "Falsche Zeilenzahl"},
      {ONF_HEAD + onf_band("1000", "FULL", 5, 72, 36), "Falsche Spaltenzahl"},
      {ONF_HEAD + onf_band("1000", "FULL", 5, 72, 38), "Falsche Spaltenzahl"},
      {ONF_HEAD + onf_band("1000", "FULL", 10, 36, 20), "Falsche Spaltenzahl"},
      {ONF_HEAD + band + "\r\n" + onf_band("2000", "FULL", 5, 72, 37), "Frequenzangabe fehlt"},
  };
  for (const Case& c : cases) {
    g_messages.clear();
    EXPECT_FALSE(onf(c.file)) << c.message;
    EXPECT_EQ(g_messages, std::vector<std::string>{c.message});
  }
}

}  // namespace
