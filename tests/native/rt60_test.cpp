// Reverberation times of boxes whose values were worked out by hand, the
// measured-time path, the closure check and the chart's layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "acoustic_model.h"
#include "acoustics/rt60.h"
#include "acoustics/rt60_chart.h"
#include "acoustics/sti.h"
#include "framework/units.h"

using namespace acoustic_model;

namespace {

// Materials 1..4 with one coefficient each in every band.
void set_face_materials(std::initializer_list<float> alphas) {
  std::memset(&g_material_table, 0, sizeof g_material_table);
  g_material_table.count = 1;
  for (float a : alphas) {
    for (float& c : g_material_table.records[g_material_table.count].absorption) c = a;
    ++g_material_table.count;
  }
}

enum Face { FLOOR = 1, CEILING = 2, WALL_Y0 = 4, WALL_Y1 = 8, WALL_X0 = 16, WALL_X1 = 32, ALL_FACES = 63 };

// A box 0..X, 0..Y, 0..Z with inward normals: floor, ceiling, the two walls
// across y and the two across x get the materials given.
void add_box(float X, float Y, float Z, int floor, int ceiling, int y_walls, int x_walls, int faces = ALL_FACES) {
  if (faces & FLOOR) add_polygon(LAYER_ROOM, {{0, 0, 0}, {X, 0, 0}, {X, Y, 0}, {0, Y, 0}}, floor);
  if (faces & CEILING) add_polygon(LAYER_ROOM, {{0, 0, Z}, {0, Y, Z}, {X, Y, Z}, {X, 0, Z}}, ceiling);
  if (faces & WALL_Y0) add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 0, Z}, {X, 0, Z}, {X, 0, 0}}, y_walls);
  if (faces & WALL_Y1) add_polygon(LAYER_ROOM, {{0, Y, 0}, {X, Y, 0}, {X, Y, Z}, {0, Y, Z}}, y_walls);
  if (faces & WALL_X0) add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, Y, 0}, {0, Y, Z}, {0, 0, Z}}, x_walls);
  if (faces & WALL_X1) add_polygon(LAYER_ROOM, {{X, 0, 0}, {X, 0, Z}, {X, Y, Z}, {X, Y, 0}}, x_walls);
}

bool all_finite(const Rt60Result& r) {
  bool ok = std::isfinite(r.volume) && std::isfinite(r.surface);
  for (int b = 0; b < RT60_BANDS; ++b)
    ok = ok && std::isfinite(r.time[b]) && std::isfinite(r.time_no_air[b]) && std::isfinite(r.absorption[b]) &&
         r.time[b] >= 0 && r.time_no_air[b] >= 0;
  return ok;
}

std::vector<std::string> chart_texts(const Rt60Result& r, bool feet = false) {
  Rt60Closure closure;
  rt60_check_closure(closure);
  Rt60Chart chart;
  rt60_layout_chart(r, closure, 800, 700, feet, "", chart);
  std::vector<std::string> texts;
  for (const Rt60ChartText& t : chart.texts) texts.push_back(t.text);
  return texts;
}

bool has_text(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool has_text_starting(const std::vector<std::string>& texts, const std::string& start) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.rfind(start, 0) == 0; });
}

class Rt60 : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    for (double& t : g_rt60_measured) t = 0.0;
  }
  void TearDown() override {
    for (double& t : g_rt60_measured) t = 0.0;
    g_rt60_method = RT60_SABINE;
    clear_model();
  }
};

struct MethodCase {
  const char* room;
  int method;
  int band;
  double with_air, without_air;  // seconds, worked out by hand
};

// The 10 m cube with alpha 0.1 (V 1000, S 600, A 60) and a 20 x 10 x 5 m
// room (V 1000, S 700) with floor 0.1, ceiling 0.6, long walls 0.2 and end
// walls 0.05 (A 185; per axis x: S 100, a 0.05; y: 200, 0.2; z: 400, 0.35).
const MethodCase METHOD_CASES[] = {
    {"cube", RT60_SABINE, 0, 2.683333333, 2.683333333},
    {"cube", RT60_SABINE, 6, 0.805, 2.683333333},
    {"cube", RT60_EYRING, 0, 2.546811124, 2.546811124},
    {"cube", RT60_EYRING, 6, 0.792259246, 2.546811124},
    {"cube", RT60_FITZROY, 0, 2.683333333, 2.683333333},
    {"cube", RT60_FITZROY, 6, 0.805, 2.683333333},
    {"mixed", RT60_SABINE, 0, 0.870270270, 0.870270270},
    {"mixed", RT60_SABINE, 5, 0.728506787, 0.870270270},
    {"mixed", RT60_EYRING, 0, 0.749396977, 0.749396977},
    {"mixed", RT60_EYRING, 5, 0.641844931, 0.749396977},
    {"mixed", RT60_FITZROY, 0, 1.361224490, 1.361224490},
    {"mixed", RT60_FITZROY, 5, 0.912709434, 1.361224490},
};

TEST_F(Rt60, MethodsGiveTheHandWorkedTimesOfTwoBoxes) {
  for (const MethodCase& c : METHOD_CASES) {
    clear_model();
    std::string room = c.room;
    if (room == "cube") {
      set_face_materials({0.1f});
      add_box(10, 10, 10, 1, 1, 1, 1);
    } else {
      set_face_materials({0.1f, 0.6f, 0.2f, 0.05f});
      add_box(20, 10, 5, 1, 2, 3, 4);
    }
    Rt60Result r;
    rt60_calculate(c.method, r);
    SCOPED_TRACE(room + " method " + std::to_string(c.method) + " band " + std::to_string(c.band));
    EXPECT_NEAR(r.volume, 1000.0, 1e-6);
    EXPECT_NEAR(r.surface, room == "cube" ? 600.0 : 700.0, 1e-6);
    EXPECT_NEAR(r.absorption[c.band], room == "cube" ? 60.0 : 185.0, 1e-4);
    EXPECT_NEAR(r.time[c.band], c.with_air, 1e-6);
    EXPECT_NEAR(r.time_no_air[c.band], c.without_air, 1e-6);
    EXPECT_EQ(r.unrealistic, 0);
  }
}

TEST_F(Rt60, FitzroyEqualsSabineForUniformAbsorptionButNotForMixed) {
  for (bool uniform : {true, false}) {
    clear_model();
    set_face_materials({0.25f, uniform ? 0.25f : 0.7f});
    add_box(30, 12, 7, 1, uniform ? 1 : 2, 1, 1);
    Rt60Result sabine, fitzroy;
    rt60_calculate(RT60_SABINE, sabine);
    rt60_calculate(RT60_FITZROY, fitzroy);
    for (int b = 0; b < RT60_BANDS; ++b) {
      if (uniform) {
        EXPECT_NEAR(fitzroy.time[b], sabine.time[b], 1e-9) << b;
        EXPECT_NEAR(fitzroy.time_no_air[b], sabine.time_no_air[b], 1e-9) << b;
      } else {
        EXPECT_GT(fitzroy.time_no_air[b], sabine.time_no_air[b] * 1.1) << b;
      }
    }
  }
}

// A band where nothing absorbs and the air does not either (125 Hz) has no
// finite decay: it gets the longest time, in every method, and everything
// computed from it stays finite.
TEST_F(Rt60, BandWithoutAbsorptionStaysFiniteDownToTheCoverage) {
  set_face_materials({0.0f});
  add_box(10, 10, 10, 1, 1, 1, 1);
  for (int method : {RT60_SABINE, RT60_EYRING, RT60_FITZROY}) {
    SCOPED_TRACE(method);
    Rt60Result r;
    rt60_calculate(method, r);
    EXPECT_TRUE(all_finite(r));
    EXPECT_EQ(r.time[0], RT60_LONGEST_TIME);
    for (int b = 0; b < RT60_BANDS; ++b) EXPECT_EQ(r.time_no_air[b], RT60_LONGEST_TIME);
    // Air alone at 250 Hz: 0.161 / (4 x 0.00003) s whatever the volume.
    EXPECT_NEAR(r.time[1], 1341.666667, 1e-3);
    EXPECT_NEAR(r.time[6], 0.161 / (4 * 0.035), 1e-9);
    Rt60Closure closure;
    rt60_check_closure(closure);
    Rt60Chart chart;
    rt60_layout_chart(r, closure, 800, 700, false, "", chart);
    EXPECT_EQ(chart.seconds, 10000);
    EXPECT_EQ(chart.line_step, 500);
    EXPECT_EQ(chart.line_y.size(), 21u);
    EXPECT_EQ(chart.no_air_y[0], chart.top);
    EXPECT_TRUE(has_text(chart_texts(r), "a = 0.0%"));
  }
  // The coverage's reverberant field, Ld-Lr and STI over such a room.
  add_flat_type();
  add_speaker(5, 5, 5, 1e4f);
  for (int method : {RT60_SABINE, RT60_EYRING, RT60_FITZROY}) {
    g_rt60_method = static_cast<int16_t>(method);
    cov_compute_reverberant_field();
    for (int b = 0; b < RT60_BANDS; ++b) {
      EXPECT_TRUE(std::isfinite(g_reverb_time[b])) << b;
      EXPECT_TRUE(std::isfinite(g_reverb_energy[b])) << b;
      EXPECT_TRUE(std::isfinite(cov_direct_reverberant_band(1e4f, b))) << b;
      EXPECT_TRUE(std::isfinite(sti_band(1e4f, b))) << b;
    }
  }
}

// Absorption coefficients above 1 (a damaged database) would take Eyring's
// logarithm below 0; it stays at the full absorber's value.
TEST_F(Rt60, EyringBeyondFullAbsorptionStaysFinite) {
  set_face_materials({1.5f});
  add_box(10, 10, 10, 1, 1, 1, 1);
  Rt60Result r;
  rt60_calculate(RT60_EYRING, r);
  EXPECT_TRUE(all_finite(r));
  EXPECT_GT(r.time[0], 0.0);
}

TEST_F(Rt60, NoRoomFacesGiveZeroTimesAndZeroShares) {
  for (int method : {RT60_SABINE, RT60_EYRING, RT60_FITZROY, RT60_MEASURED}) {
    g_rt60_measured[3] = 2.0;
    Rt60Result r;
    rt60_calculate(method, r);
    EXPECT_TRUE(all_finite(r));
    EXPECT_EQ(r.volume, 0.0);
    EXPECT_EQ(r.unrealistic, 0) << method;
    for (int b = 0; b < RT60_BANDS; ++b) EXPECT_EQ(r.time_no_air[b], 0.0);
    if (method != RT60_MEASURED) {
      EXPECT_EQ(r.time[0], 0.0);
    }
    std::vector<std::string> texts = chart_texts(r);
    EXPECT_TRUE(has_text(texts, "a = 0.0%"));
    for (const std::string& t : texts) EXPECT_EQ(t.find("nan"), std::string::npos) << t;
    rt60_keep_result(r);
    EXPECT_EQ(g_rt60_result.time[0], RT60_SHORTEST_TIME);
  }
}

struct MeasuredCase {
  int band;
  double measured;
  double time, absorption, no_air;  // no_air 0 of a measured time: unrealistic
};

// The 10 m cube (V 1000, S 600): A = 161 / T, at most S; air takes 4 m V
// (8 kHz: 140 m^2, 4 kHz: 36 m^2, 500 Hz: 0.4 m^2).
const MeasuredCase MEASURED_CASES[] = {
    {0, -1.5, 1.5, 107.333333, 1.5},          // the sign is ignored
    // Not measured, or too short to be: the whole surface absorbs, and the
    // curve without air shows the time the band's figure shows.
    {2, 0.0, 0.0, 600.0, 0.0},
    {2, 0.05, 0.05, 600.0, 0.05},
    {2, 0.1, 0.1, 600.0, 0.1},
    {2, 0.11, 0.11, 600.0, 161.0 / 599.6},    // short: the whole surface absorbs
    {5, 1.0, 1.0, 161.0, 161.0 / 125.0},
    {6, 1.1, 1.1, 146.363636, 161.0 / (146.363636 - 140.0)},
    {6, 1.2, 1.2, 134.166667, 0.0},           // long: less than the air absorbs
    {6, 8.0, 8.0, 20.125, 0.0},
    {5, 10.0, 10.0, 16.1, 0.0},
};

TEST_F(Rt60, MeasuredTimesAreUnrealisticExactlyWhenTheAirAbsorbsMore) {
  set_face_materials({0.1f});
  add_box(10, 10, 10, 1, 1, 1, 1);
  for (const MeasuredCase& c : MEASURED_CASES) {
    SCOPED_TRACE(std::to_string(c.band) + ": " + std::to_string(c.measured));
    for (double& t : g_rt60_measured) t = 0.5;  // realistic in every band
    g_rt60_measured[c.band] = c.measured;
    Rt60Result r;
    rt60_calculate(RT60_MEASURED, r);
    EXPECT_TRUE(all_finite(r));
    EXPECT_DOUBLE_EQ(r.time[c.band], c.time);
    EXPECT_NEAR(r.absorption[c.band], c.absorption, 1e-4);
    EXPECT_EQ(r.unrealistic, c.no_air == 0.0 && c.measured > 0.1 ? 1 : 0);
    EXPECT_NEAR(r.time_no_air[c.band], c.no_air, 1e-4);
  }
}

// With no measured times every band reads 0.00 s, and both curves lie on
// the chart's 0 s line, where the figures put them.
TEST_F(Rt60, UnmeasuredBandsDrawBothCurvesAtTheirFigure) {
  set_face_materials({0.1f});
  add_box(20, 12, 7, 1, 1, 1, 1);
  Rt60Result r;
  rt60_calculate(RT60_MEASURED, r);
  EXPECT_EQ(r.unrealistic, 0);
  Rt60Closure closure;
  rt60_check_closure(closure);
  Rt60Chart chart;
  rt60_layout_chart(r, closure, 800, 700, false, "", chart);
  int zero = rt60_time_to_y(chart, 0.0);
  EXPECT_EQ(zero, chart.bottom);
  for (int b = 0; b < RT60_BANDS; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(chart.time_y[b], zero);
    EXPECT_EQ(chart.no_air_y[b], zero);
  }
  std::vector<std::string> texts;
  for (const Rt60ChartText& t : chart.texts) texts.push_back(t.text);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "0.00 s"), RT60_BANDS);
}

TEST_F(Rt60, ClosureCheckFindsTheMissingFaceAndItsPlane) {
  struct Case {
    int faces;
    float error;
    std::vector<std::string> lines;  // closure texts of the chart
  };
  const Case cases[] = {
      {ALL_FACES, 0.0f, {}},
      {ALL_FACES & ~CEILING, 100.0f,
       {"Flächenfehler total : 100.00 m²",
        "Flächensumme XY : 100.00 m², Fehlbetrag XY : 100.00 m² "}},
      {FLOOR, 100.0f,
       {"Flächenfehler total : 100.00 m²",
        "Flächensumme XY : 100.00 m², Fehlbetrag XY : 100.00 m² ",
        "Flächensumme YZ :   0.00 m², Fehlbetrag YZ :   0.00 m² ",
        "Flächensumme XZ :   0.00 m², Fehlbetrag XZ :   0.00 m² "}},
      {ALL_FACES & ~WALL_X1, 100.0f,
       {"Flächenfehler total : 100.00 m²",
        "Flächensumme YZ : 100.00 m², Fehlbetrag YZ : 100.00 m² "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faces);
    clear_model();
    set_face_materials({0.1f});
    add_box(10, 10, 10, 1, 1, 1, 1, c.faces);
    Rt60Closure closure;
    rt60_check_closure(closure);
    EXPECT_NEAR(closure.error, c.error, 1e-3);
    Rt60Result r;
    rt60_calculate(RT60_SABINE, r);
    std::vector<std::string> closure_lines;
    for (const std::string& t : chart_texts(r))
      if (t.rfind("Fläche", 0) == 0) closure_lines.push_back(t);
    EXPECT_EQ(closure_lines, c.lines);
  }
}

TEST_F(Rt60, ChartPlacesFrameBandsCurvesAndTexts) {
  set_face_materials({0.1f});
  add_box(10, 10, 10, 1, 1, 1, 1);
  Rt60Result r;
  rt60_calculate(RT60_SABINE, r);
  Rt60Closure closure;
  rt60_check_closure(closure);
  Rt60Chart chart;
  rt60_layout_chart(r, closure, 800, 700, false, "Saal 1", chart);
  EXPECT_EQ(chart.left, 48);
  EXPECT_EQ(chart.right, 752);
  EXPECT_EQ(chart.top, 32);
  EXPECT_EQ(chart.bottom, 334);
  EXPECT_EQ(chart.band_x[0], 48);
  EXPECT_EQ(chart.band_x[3], 48 + 3 * 704 / 6);
  EXPECT_EQ(chart.band_x[6], 752);
  // Longest time 2.68 s: three seconds, a line at each.
  EXPECT_EQ(chart.seconds, 3);
  EXPECT_EQ(chart.line_step, 1);
  EXPECT_EQ(chart.line_y, (std::vector<int>{334, 234, 133, 32}));
  EXPECT_EQ(chart.no_air_y[0], 334 - static_cast<int>(2.683333333 * 302 / 3));
  EXPECT_EQ(chart.time_y[6], 334 - static_cast<int>(0.805 * 302 / 3));
  std::vector<std::string> texts;
  for (const Rt60ChartText& t : chart.texts) texts.push_back(t.text);
  for (const char* t : {"RT60 >Sabine<", "inc. Luftabsorption", "ohne Luftabsorption", "0 s", "3 s", "125 Hz",
                        "8000 Hz", "2.68 s", "2.60 s", " 60.0 Sa", "a = 10.0%", "200.0 Sa", "a = 33.3%",
                        "V total : 1000.0 cbm", "S total :  600.0 m²", "Saal 1"})
    EXPECT_TRUE(has_text(texts, t)) << t;
  auto at = [&](const std::string& text) {
    return *std::find_if(chart.texts.begin(), chart.texts.end(), [&](const Rt60ChartText& t) { return t.text == text; });
  };
  EXPECT_EQ(at("inc. Luftabsorption").colour, RT60_COLOUR_WITH_AIR);
  EXPECT_EQ(at("ohne Luftabsorption").colour, RT60_COLOUR_NO_AIR);
  EXPECT_EQ(at(" 60.0 Sa").colour, RT60_COLOUR_NO_AIR);
  EXPECT_EQ(at("200.0 Sa").colour, RT60_COLOUR_WITH_AIR);
  EXPECT_EQ(at("8000 Hz").x, 752);
  EXPECT_EQ(at("8000 Hz").y, 334 + 20);
  EXPECT_TRUE(at("RT60 >Sabine<").large);
  EXPECT_EQ(at("Saal 1").y, 700 - 18);
  // Measured times: the figures without air are A less the air's share.
  g_rt60_measured[6] = 0.5;
  rt60_calculate(RT60_MEASURED, r);
  texts = chart_texts(r);
  EXPECT_TRUE(has_text(texts, "RT60 >Meßwerte<"));
  EXPECT_TRUE(has_text(texts, "182.0 Sa"));  // 322 - 140
  EXPECT_TRUE(has_text(texts, "322.0 Sa"));
  for (int method : {RT60_EYRING, RT60_FITZROY}) {
    rt60_calculate(method, r);
    EXPECT_TRUE(has_text(chart_texts(r), rt60_method_title(method)));
  }
  EXPECT_STREQ(rt60_method_title(RT60_EYRING), "RT60 >Eyring<");
  EXPECT_STREQ(rt60_method_title(RT60_FITZROY), "RT60 >Fitzroy<");
}

TEST_F(Rt60, ChartShowsImperialTotals) {
  set_face_materials({0.1f});
  add_box(10, 10, 10, 1, 1, 1, 1, ALL_FACES & ~CEILING);
  Rt60Result r;
  rt60_calculate(RT60_SABINE, r);
  std::vector<std::string> texts = chart_texts(r, true);
  EXPECT_TRUE(has_text_starting(texts, "V total : "));
  EXPECT_TRUE(has_text(texts, "S total : 5382.0 ft²"));
  EXPECT_TRUE(has_text(texts, "Flächenfehler total : 1076.39 ft²"));
  EXPECT_TRUE(has_text(texts, "Flächensumme XY : 1076.39 ft², Fehlbetrag XY : 1076.39 ft² "));
}

struct ScaleCase {
  double longest;
  int seconds, step;
};

TEST_F(Rt60, TimeScaleThinsItsLinesForLongTimes) {
  const ScaleCase cases[] = {
      {0.0, 1, 1}, {0.5, 1, 1}, {2.0, 2, 1}, {2.01, 3, 1}, {20.0, 20, 1},
      {20.5, 22, 2}, {41.0, 45, 5}, {99.0, 100, 5}, {101.0, 110, 10}, {1341.7, 1400, 100},
  };
  for (const ScaleCase& c : cases) {
    Rt60Result r{};
    r.time_no_air[4] = c.longest;
    Rt60Chart chart;
    rt60_layout_chart(r, Rt60Closure{}, 800, 700, false, nullptr, chart);
    EXPECT_EQ(chart.seconds, c.seconds) << c.longest;
    EXPECT_EQ(chart.line_step, c.step) << c.longest;
    EXPECT_LE(chart.line_y.size(), size_t(RT60_CHART_MAX_LINES + 1));
    EXPECT_EQ(chart.line_y.back(), chart.top);
  }
}

}  // namespace
