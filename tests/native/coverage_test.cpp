#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/rt60.h"

using namespace acoustic_model;

namespace {

class Coverage : public ::testing::Test {
 public:
  static Coverage* current;
  std::vector<std::string> messages;
  int progress_calls = 0;
  int cancel_at = -1;      // progress call that answers "cancelled"
  uint32_t tick = 0;
  void SetUp() override {
    clear_model();
    current = this;
    UiSeams& s = ui_seams();
    s.message_box = [](const char* text, const char*, unsigned) {
      current->messages.push_back(text);
      return int(UI_IDOK);
    };
    s.progress_update = [](int) {
      return current->progress_calls++ == current->cancel_at ? 1 : 0;
    };
    s.tick_count = [] { return current->tick += 150; };  // every check is due
  }
  void TearDown() override { clear_model(); }
};
Coverage* Coverage::current = nullptr;

TEST_F(Coverage, ActiveTableTakesSwitchedOnLoudspeakersThatServeABand) {
  add_flat_type();
  DrawObject* a = add_speaker(0, 0, 0, 2000);
  DrawObject* off = add_speaker(1, 0, 0, 2000);
  speaker_of(off).switched_on = 0;
  DrawObject* quiet = add_speaker(2, 0, 0, 1000);  // not above 1000
  (void)quiet;
  DrawObject* b = add_speaker(3, 0, 0, 0);
  speaker_of(b).intensity[0] = -5000;  // the magnitude counts
  speaker_of(b).horizontal_angle = 0.5f;
  speaker_of(b).rotation_angle = 0.005f;  // within 0.01: ignored
  ASSERT_EQ(cov_build_active_speakers(), 2);
  EXPECT_EQ(g_active_speakers[0].speaker, &speaker_of(a));
  EXPECT_EQ(g_active_speakers[0].band_mask, 0x7F);
  EXPECT_EQ(g_active_speakers[1].band_mask, 0x01);
  EXPECT_EQ(g_active_speakers[1].horizontal_flag, 1);
  EXPECT_FLOAT_EQ(g_active_speakers[1].sin_horizontal, std::sin(0.5f));
  EXPECT_EQ(g_active_speakers[1].rotation_flag, 0);
  EXPECT_EQ(g_band_speaker_counts[0], 2);
  EXPECT_EQ(g_band_speaker_counts[3], 1);
  EXPECT_EQ(g_band_speaker_counts[7], 1);
  // Only band 0 and band 6 served: no all-bands entry.
  clear_model();
  add_flat_type();
  DrawObject* c = add_speaker(0, 0, 0, 0);
  speaker_of(c).intensity[0] = speaker_of(c).intensity[6] = 5000;
  ASSERT_EQ(cov_build_active_speakers(), 1);
  EXPECT_EQ(g_band_speaker_counts[7], 0);
}

TEST_F(Coverage, GridSpacingFollowsThePlanArea) {
  struct Case {
    float width, depth;  // m
    int index;           // option before
    int taken;           // option after (-2: refused)
    uint32_t points;
  } cases[] = {
      {160, 100, 2, 2, 16000},   // 16000 m^2 at 1 m
      {350, 200, 2, 3, 17500},   // 70000 m^2: 1 m would give 70000, 2 m taken
      {10, 5, 0, 0, 800},        // 0.25 m
      {20000, 10000, 2, -2, 0},  // 2e8 m^2: even 50 m gives 80000
  };
  for (const Case& c : cases) {
    obj_free_all();
    messages.clear();
    add_floor(LAYER_LISTENER, 0, c.width, 0, c.depth, 1.2f);
    g_calc_options.grid_spacing_index = int16_t(c.index);
    int laid = cov_build_grid();
    if (c.taken == -2) {
      EXPECT_EQ(laid, 0);
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0], "Rasterauflösung zu fein, Speicher reicht nicht aus");
      continue;
    }
    ASSERT_EQ(laid, 1) << c.width;
    EXPECT_EQ(g_calc_options.grid_spacing_index, c.taken);
    EXPECT_EQ(g_coverage_grid.point_count, c.points) << c.width;
    EXPECT_FLOAT_EQ(g_grid_spacing, COV_SPACING_M[c.taken]);
  }
}

TEST_F(Coverage, GridPointsSitOnTheAreaPlane) {
  // 10 x 5 m at 1 m: 50 points, first at (0.5, 0.5); the area rises 1 m per
  // 10 m in x from z = 1.
  add_polygon(LAYER_LISTENER, {{0, 0, 1}, {10, 0, 2}, {10, 5, 2}, {0, 5, 1}});
  g_calc_options.grid_spacing_index = 2;
  ASSERT_EQ(cov_build_grid(), 1);
  ASSERT_EQ(g_coverage_grid.point_count, 50u);
  const GridPoint& p = g_coverage_grid.points[0];
  EXPECT_FLOAT_EQ(p.x, 0.5f);
  EXPECT_FLOAT_EQ(p.y, 0.5f);
  EXPECT_NEAR(p.z, 1.05f, 1e-5);
  EXPECT_NEAR(g_coverage_grid.points[49].z, 1.95f, 1e-5);
  EXPECT_FLOAT_EQ(g_grid_half_spacing, 0.5f);
  // "Minimum": sqrt(50 / 64000) / 0.95.
  g_calc_options.grid_spacing_index = -1;
  ASSERT_EQ(cov_build_grid(), 1);
  EXPECT_NEAR(g_grid_spacing, std::sqrt(50.0 / 64000) / 0.95, 1e-6);
  EXPECT_LT(g_coverage_grid.point_count, 64000u);
  EXPECT_EQ(g_calc_options.grid_spacing_index, -1);
}

TEST_F(Coverage, GridFollowsPolygonsAndSkipsVerticalAreas) {
  // A triangle and a wall-like area; a narrow strip still gets its points.
  add_polygon(LAYER_LISTENER, {{0, 0, 0}, {4, 0, 0}, {0, 4, 0}});
  add_polygon(LAYER_LISTENER, {{0, 0, 0}, {4, 0, 0}, {4, 0, 3}, {0, 0, 3}});
  add_floor(LAYER_LISTENER, 10, 10.6f, 0, 1, 0.5f);
  g_calc_options.grid_spacing_index = 2;
  ASSERT_EQ(cov_build_grid(), 1);
  EXPECT_EQ(g_listener_area_count, 2);
  // Triangle rows y = 0.5 .. 3.5: 3 + 2 + 1 + 0 points inside x + y < 4 ... x + y = 4 is outside.
  // Strip: x = 10.5 only, y = 0.5.
  EXPECT_EQ(g_coverage_grid.point_count, 7u);
  EXPECT_FLOAT_EQ(g_listener_areas[1].z_max, 0.5f);  // sorted by height
}

TEST_F(Coverage, NothingToLayWithoutListenerAreas) {
  EXPECT_EQ(cov_build_grid(), 0);
  EXPECT_TRUE(messages.empty());
}

// A hall with a few obstacles: the plain loop and the threaded box-tree run
// must give bit-identical grids.
void build_small_hall() {
  set_materials(0.3f);
  add_floor(LAYER_ROOM, 0, 20, 0, 12, 0, 1);
  add_polygon(LAYER_ROOM, {{0, 0, 6}, {0, 12, 6}, {20, 12, 6}, {20, 0, 6}}, 1);  // ceiling
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 0, 6}, {20, 0, 6}, {20, 0, 0}}, 1);
  add_polygon(LAYER_ROOM, {{0, 12, 0}, {20, 12, 0}, {20, 12, 6}, {0, 12, 6}}, 1);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 12, 0}, {0, 12, 6}, {0, 0, 6}}, 1);
  add_polygon(LAYER_ROOM, {{20, 0, 0}, {20, 0, 6}, {20, 12, 6}, {20, 12, 0}}, 1);
  for (int i = 0; i < 4; ++i) {  // free-standing panels
    float x = 4.0f + 4 * i;
    add_polygon(LAYER_ROOM, {{x, 2, 1}, {x, 5, 1}, {x + 0.5f, 5, 3}, {x + 0.5f, 2, 3}}, 1);
  }
  add_floor(LAYER_LISTENER, 1, 19, 1, 11, 1.2f);
  add_flat_type();
  add_speaker(0.5f, 6, 4, 1e6f);
  DrawObject* s = add_speaker(19.5f, 3, 4, 1e6f);
  speaker_of(s).horizontal_angle = 3.0f;
  speaker_of(s).vertical_angle = -0.3f;
  speaker_of(s).delay_ms = 20.0f;
}

TEST_F(Coverage, ThreadsAndBoxTreeGiveTheSameGridAsThePlainLoop) {
  build_small_hall();
  g_calc_options.grid_spacing_index = 1;  // 0.5 m: 720 points
  g_calc_options.flags = 3;
  std::vector<GridPoint> plain;
  std::vector<uint8_t> header(offsetof(CoverageGrid, points));
  for (int mode : {1, 2}) {
    g_calc_options.summation_mode = int16_t(mode);
    for (int variant = 0; variant < 2; ++variant) {
      g_cov_run_settings = variant == 0 ? CovRunSettings{1, 0} : CovRunSettings{4, 1};
      ASSERT_EQ(cov_build_active_speakers(), 2);
      ASSERT_EQ(cov_build_grid(), 1);
      ASSERT_EQ(cov_calculate_grid(), 1);
      uint32_t n = g_coverage_grid.point_count;
      ASSERT_EQ(n, 720u);
      if (variant == 0) {
        plain.assign(g_coverage_grid.points, g_coverage_grid.points + n);
        std::memcpy(header.data(), &g_coverage_grid, header.size());
        continue;
      }
      EXPECT_EQ(std::memcmp(plain.data(), g_coverage_grid.points, n * sizeof(GridPoint)), 0) << mode;
      EXPECT_EQ(std::memcmp(header.data(), &g_coverage_grid, header.size()), 0) << mode;
    }
  }
  // The panels do shadow: with shadowing alone some points lose energy.
  g_calc_options.summation_mode = 1;
  g_cov_run_settings = CovRunSettings{4, 1};
  std::vector<float> free_field;
  for (int flags : {0, 1}) {
    g_calc_options.flags = int16_t(flags);
    ASSERT_EQ(cov_calculate_grid(), 1);
    int shadowed = 0;
    for (uint32_t i = 0; i < g_coverage_grid.point_count; ++i) {
      float e = g_coverage_grid.points[i].energy[0];
      if (flags == 0) {
        free_field.push_back(e);
      } else {
        shadowed += e < 0.9f * free_field[i];
      }
    }
    if (flags == 1) {
      EXPECT_GT(shadowed, 10);
    }
  }
}

// Faces ruled out before mirroring must be ones the full test refuses:
// loudspeakers a fraction of a millimetre to a few millimetres before and
// behind the walls and the panels, and listener areas just over the floor,
// give the same grid with the fast paths as with every face mirrored.
TEST_F(Coverage, ReflectionsRuledOutEarlyAreOnesTheFullTestRefuses) {
  build_small_hall();
  add_floor(LAYER_LISTENER, 1, 19, 1, 11, 0.0015f);
  const float offsets[] = {-0.003f, -0.0011f, -0.0001f, 0.0001f, 0.0011f, 0.003f};
  for (float o : offsets) {
    add_speaker(o, 3 + 20 * std::fabs(o) * 100, 2, 1e6f);  // near the wall x = 0
    add_speaker(4.0f + o, 3.5f, 1.5f, 1e6f);               // near the first panel's foot
    add_speaker(10, 6, 6.0f + o, 1e6f);                    // near the ceiling
  }
  g_calc_options.grid_spacing_index = 1;
  for (int flags : {2, 3}) {
    g_calc_options.flags = int16_t(flags);
    std::vector<GridPoint> plain;
    for (int fast : {0, 1}) {
      g_cov_run_settings = CovRunSettings{fast ? 4 : 1, fast};
      ASSERT_GT(cov_build_active_speakers(), 0);
      ASSERT_EQ(cov_build_grid(), 1);
      ASSERT_EQ(cov_calculate_grid(), 1);
      uint32_t n = g_coverage_grid.point_count;
      ASSERT_GT(n, 1000u);
      if (!fast) {
        plain.assign(g_coverage_grid.points, g_coverage_grid.points + n);
        continue;
      }
      ASSERT_EQ(plain.size(), n);
      EXPECT_EQ(std::memcmp(plain.data(), g_coverage_grid.points, n * sizeof(GridPoint)), 0) << flags;
    }
  }
}

TEST_F(Coverage, RunStoresEnergiesTimesAndExtremes) {
  add_flat_type();
  DrawObject* s = add_speaker(0, 0, 3, 1e6f);
  speaker_of(s).intensity[6] = 10;  // band 6 not served
  add_floor(LAYER_LISTENER, 0, 4, 0, 2, 0);
  g_calc_options.grid_spacing_index = 2;  // 8 points at z = 0
  ASSERT_EQ(cov_build_active_speakers(), 1);
  ASSERT_EQ(cov_build_grid(), 1);
  ASSERT_EQ(cov_calculate_grid(), 1);
  EXPECT_EQ(g_coverage_valid, 1);
  const GridPoint& p = g_coverage_grid.points[0];  // (0.5, 0.5, 0)
  double d_sq = 0.25 + 0.25 + 9.0;
  EXPECT_NEAR(p.energy[0], 1.0 + 1e6 / d_sq, 0.1);
  EXPECT_NEAR(p.time[0], 1000.0 * std::sqrt(d_sq) / 343.0, 1e-4);
  EXPECT_FLOAT_EQ(p.energy[6], 1.0f);
  EXPECT_FLOAT_EQ(p.time[6], 10000.0f);
  const CoverageGrid& g = g_coverage_grid;
  EXPECT_FLOAT_EQ(g.max_energy[0], p.energy[0]);   // nearest point
  EXPECT_FLOAT_EQ(g.min_time[0], p.time[0]);
  double far_sq = 3.5 * 3.5 + 1.5 * 1.5 + 9.0;
  EXPECT_NEAR(g.min_energy[0], 1.0 + 1e6 / far_sq, 0.1);
  EXPECT_NEAR(g.max_time[0], 1000.0 * std::sqrt(far_sq) / 343.0, 1e-4);
  EXPECT_FLOAT_EQ(g.min_energy[6], 1.0f);
  EXPECT_FLOAT_EQ(g.max_energy[6], 1.0f);
  EXPECT_FLOAT_EQ(g.max_time[6], 0.0f);
}

TEST_F(Coverage, CancelLeavesTheResultInvalid) {
  build_small_hall();
  g_calc_options.grid_spacing_index = 1;
  for (int threads : {1, 4}) {
    g_cov_run_settings = CovRunSettings{threads, 1};
    cancel_at = progress_calls;  // the first update cancels
    g_coverage_valid = 1;
    ASSERT_EQ(cov_build_active_speakers(), 2);
    ASSERT_EQ(cov_build_grid(), 1);
    EXPECT_EQ(cov_calculate_grid(), 0) << threads;
    EXPECT_EQ(g_coverage_valid, 0);
  }
}

TEST_F(Coverage, ProgressIsShownAtMostEvery100Ms) {
  build_small_hall();
  g_calc_options.grid_spacing_index = 1;  // 720 points
  g_cov_run_settings = CovRunSettings{1, 1};
  ui_seams().tick_count = [] { return current->tick += 1; };  // 1 ms per point
  ASSERT_EQ(cov_build_active_speakers(), 2);
  ASSERT_EQ(cov_build_grid(), 1);
  ASSERT_EQ(cov_calculate_grid(), 1);
  EXPECT_GE(progress_calls, 6);
  EXPECT_LE(progress_calls, 8);
}

TEST_F(Coverage, ReverberantFieldOfAClosedCube) {
  // 10 m cube, alpha 0.1: V = 1000, A = 60, Sabine without air 2.68 s.
  set_materials(0.1f);
  float e = 10;
  add_floor(LAYER_ROOM, 0, e, 0, e, 0, 1);
  add_polygon(LAYER_ROOM, {{0, 0, e}, {0, e, e}, {e, e, e}, {e, 0, e}}, 1);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 0, e}, {e, 0, e}, {e, 0, 0}}, 1);
  add_polygon(LAYER_ROOM, {{0, e, 0}, {e, e, 0}, {e, e, e}, {0, e, e}}, 1);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, e, 0}, {0, e, e}, {0, 0, e}}, 1);
  add_polygon(LAYER_ROOM, {{e, 0, 0}, {e, 0, e}, {e, e, e}, {e, e, 0}}, 1);
  Rt60Result rt{};
  for (int method : {RT60_SABINE, RT60_FITZROY}) {
    rt60_calculate(method, rt);
    EXPECT_NEAR(rt.volume, 1000.0, 1e-6);
    EXPECT_NEAR(rt.surface, 600.0, 1e-6);
    EXPECT_NEAR(rt.time_no_air[3], 0.161 * 1000 / 60, 1e-6);
    EXPECT_NEAR(rt.time[6], 0.161 * 1000 / (60 + 4 * 0.035 * 1000), 1e-6);
  }
  rt60_calculate(RT60_EYRING, rt);
  EXPECT_NEAR(rt.time_no_air[0], 0.161 * 1000 / (-600 * std::log(0.9)), 1e-6);
  g_rt60_measured[2] = -1.5;
  rt60_calculate(RT60_MEASURED, rt);
  EXPECT_DOUBLE_EQ(rt.time[2], 1.5);
  g_rt60_measured[2] = 0;

  // Two loudspeakers of 1e4 W/m^2 on axis with Q = 1: W = 4 pi 1e4 each; powers add.
  add_flat_type();
  add_speaker(5, 5, 5, 1e4f);
  add_speaker(4, 5, 5, 1e4f);
  g_rt60_method = RT60_SABINE;
  cov_compute_reverberant_field();
  double w = 1e4 * 12.566370616 / (1.0 + 1e-6);
  EXPECT_NEAR(g_power_rss[0], 2 * w, 1e-6);
  EXPECT_NEAR(g_power_abs[0], 2 * w, 1e-6);
  double t0 = 0.161 * 1000 / 60;
  EXPECT_NEAR(g_reverb_time[0], t0, 1e-6);
  double r = 2 * w * 4 * 1.047 / (0.161 * 1000 / t0);
  EXPECT_NEAR(g_reverb_energy[0], r, r * 1e-6);
  // No room: the reverberant energy is 1.
  clear_model();
  cov_compute_reverberant_field();
  EXPECT_DOUBLE_EQ(g_reverb_energy[3], 1.0);
}

}  // namespace
