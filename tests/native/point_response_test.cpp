#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "acoustic_model.h"

using namespace acoustic_model;

namespace {

constexpr double kPi = 3.14159265358979323846;

constexpr double AIR[7] = {1.0, 0.99997, 0.9999, 0.9995, 0.998, 0.991, 0.965};

class PointResponse : public ::testing::Test {
 protected:
  void SetUp() override { clear_model(); }
  void TearDown() override { clear_model(); }
  std::unique_ptr<PointRun> run(uint32_t flags = 0, int mode = 1, int tree = 1) {
    cov_build_active_speakers();
    return std::make_unique<PointRun>(flags, mode, tree);
  }
};

double level_db(double summed) { return 10.0 * std::log10(summed - 1.0); }

TEST_F(PointResponse, OmnidirectionalSourceInFreeFieldFollowsInverseSquareAndAirLoss) {
  add_flat_type();
  add_speaker(0, 0, 0, 1e6f);
  auto r = run();
  for (float d : {1.0f, 2.0f, 10.0f}) {
    r->compute(d, 0, 0);
    for (int b = 0; b < 7; ++b) {
      const ArrivalBand& band = r->buffer.bands[b];
      double expected = 1.0 + std::pow(AIR[b], d) * 1e6 / (d * d);
      EXPECT_NEAR(band.summed, expected, expected * 2e-6) << "d " << d << " band " << b;
      EXPECT_NEAR(band.first_time, d / 343.0, 1e-7);
    }
  }
  // 1 m to 2 m and 2 m to 10 m: -6.02 dB and -13.98 dB at 125 Hz.
  double l1 = level_db(r->compute(1, 0, 0).summed), l2 = level_db(r->compute(2, 0, 0).summed);
  double l10 = level_db(r->compute(10, 0, 0).summed);
  EXPECT_NEAR(l1 - l2, 6.0206, 1e-3);
  EXPECT_NEAR(l2 - l10, 13.9794, 1e-3);
}

TEST_F(PointResponse, TwoEqualIncoherentSourcesAddThreeDecibels) {
  add_flat_type();
  add_speaker(-3, 0, 0, 1e6f);
  auto one = run();
  double single = level_db(one->compute(0, 4, 0).summed);
  add_speaker(3, 0, 0, 1e6f);
  auto two = run();
  double both = level_db(two->compute(0, 4, 0).summed);
  EXPECT_NEAR(both - single, 3.0103, 1e-3);
}

TEST_F(PointResponse, PhaseAwareModesAddPressures) {
  add_flat_type();
  add_speaker(-3, 0, 0, 1e6f);
  DrawObject* second = add_speaker(3, 0, 0, 1e6f);
  double alone = 1e6 / 25.0;  // 5 m from each
  // Equal distances, equal phase: pressure doubles, +6.02 dB.
  for (int mode : {2, 3}) {
    auto r = run(0, mode);
    EXPECT_NEAR(r->compute(0, 4, 0).summed - 1.0, 4.0 * alone, 4.0 * alone * 1e-5) << mode;
  }
  // Opposite polarity cancels.
  speaker_of(second).polarity = -1;
  auto r = run(0, 3);
  EXPECT_NEAR(r->compute(0, 4, 0).summed, 1.0, 1e-3);
  // Energetic summation ignores the polarity.
  auto e = run(0, 1);
  EXPECT_NEAR(e->compute(0, 4, 0).summed - 1.0, 2.0 * alone, 2.0 * alone * 1e-6);
}

TEST_F(PointResponse, SingleSourceGivesItsIntensityInEveryMode) {
  add_flat_type();
  add_speaker(0, 0, 0, 1e6f);
  for (int mode : {1, 2, 3}) {
    auto r = run(0, mode);
    EXPECT_NEAR(r->compute(4, 0, 0).summed - 1.0, 1e6 / 16.0, 1e6 / 16.0 * 1e-5) << mode;
  }
}

// Balloon cells: bytes that depend on the row only or on the column only,
// so that each case reads the weights of one direction.
class BalloonCells : public PointResponse {
 protected:
  SpeakerRecord* type = nullptr;
  void SetUp() override {
    PointResponse::SetUp();
    type = add_flat_type();
  }
  void by_row() {
    for (int b = 0; b < 7; ++b)
      for (int r = 0; r < 37; ++r)
        for (int c = 0; c < 72; ++c) type->balloon[b][r][c] = uint8_t(150 + 2 * r);
  }
  void by_column() {
    for (int b = 0; b < 7; ++b)
      for (int r = 0; r < 37; ++r)
        for (int c = 0; c < 72; ++c) type->balloon[b][r][c] = uint8_t(100 + 2 * c);
  }
  // Gain of the arrival at the point relative to the plain 1/d^2 law (band 0).
  double gain_at(float x, float y, float z) {
    auto r = run();
    double d_sq = double(x) * x + double(y) * y + double(z) * z;
    double spreading = d_sq <= 1e-4 ? 100.0 : 1.0 / d_sq;
    return (r->compute(x, y, z).summed - 1.0) / (1e6 * spreading);
  }
  static double power(int byte) { return std::pow(10.0, (byte - 225) / 50.0); }
};

TEST_F(BalloonCells, RowsOnAxisOppositeAndNearField) {
  by_row();
  add_speaker(0, 0, 0, 1e6f);
  EXPECT_NEAR(gain_at(3, 0, 0), power(150), 1e-6);        // row 0
  EXPECT_NEAR(gain_at(-3, 0, 0), power(150 + 72), 1e-5);  // row 36 alone
  EXPECT_NEAR(gain_at(0.005f, 0, 0), power(150), 1e-6);   // near field: row 0, spreading 100
  EXPECT_NEAR(gain_at(-0.005f, 0, 0), power(150), 1e-6);  // near field ignores the direction
  // 90 degrees off axis: t = 18.0001, rows 18 and 19 with fraction ~0.
  EXPECT_NEAR(gain_at(0, 0, 3), power(150 + 36), 1e-4);
  // 92.5 degrees: halfway between rows 18 and 19.
  double a = 92.5 * kPi / 180.0;
  EXPECT_NEAR(gain_at(float(3 * std::cos(a)), 0, float(3 * std::sin(a))), 0.5 * (power(186) + power(188)),
              1e-4);
}

TEST_F(BalloonCells, ColumnsInTheAxisPlaneAndAroundTheWrap) {
  by_column();
  add_speaker(0, 0, 0, 1e6f);
  // Local y = 0: column 18 above the axis (and on it), 54 below.
  EXPECT_NEAR(gain_at(3, 0, 1), power(100 + 36), 1e-6);
  EXPECT_NEAR(gain_at(3, 0, 0), power(100 + 36), 1e-6);
  EXPECT_NEAR(gain_at(3, 0, -1), power(100 + 108), 1e-6);
  // 2.5 degrees around the axis: columns 0 and 1 half each.
  double a = 2.5 * kPi / 180.0;
  EXPECT_NEAR(gain_at(3, float(std::cos(a)), float(std::sin(a))), 0.5 * (power(100) + power(102)), 2e-5);
  // 357.5 degrees: columns 71 and 0 half each.
  a = 357.5 * kPi / 180.0;
  EXPECT_NEAR(gain_at(3, float(std::cos(a)), float(std::sin(a))), 0.5 * (power(242) + power(100)), 2e-4);
}

TEST_F(BalloonCells, AnglesTurnTheDirectionIntoTheLoudspeakersFrame) {
  by_row();
  DrawObject* o = add_speaker(0, 0, 0, 1e6f);
  speaker_of(o).horizontal_angle = float(kPi / 2);  // main axis along +y
  EXPECT_NEAR(gain_at(0, 3, 0), power(150), 1e-5);
  EXPECT_NEAR(gain_at(0, -3, 0), power(222), 1e-4);
  speaker_of(o).horizontal_angle = 0;
  speaker_of(o).vertical_angle = float(kPi / 2);  // main axis up
  EXPECT_NEAR(gain_at(0, 0, 3), power(150), 1e-5);
}

TEST_F(PointResponse, UnservedBandHoldsPlaceholderSlotsOnly) {
  add_flat_type();
  DrawObject* o = add_speaker(0, 0, 0, 1e6f);
  speaker_of(o).intensity[6] = 500.0f;  // not above 1000: band 6 not served
  auto r = run(0, 1);
  r->compute(2, 0, 0);
  EXPECT_EQ(r->context.count, 1u);
  EXPECT_FLOAT_EQ(r->buffer.bands[6].amplitudes[0], 0.001f);
  EXPECT_FLOAT_EQ(r->buffer.bands[6].times[0], 10000.0f);
  EXPECT_FLOAT_EQ(r->buffer.bands[6].summed, 1.0f);
  EXPECT_FLOAT_EQ(r->buffer.bands[6].first_time, 10000.0f);
  EXPECT_GT(r->buffer.bands[0].summed, 1.0f);
}

TEST_F(PointResponse, LaterMuchStrongerArrivalBecomesTheFirst) {
  add_flat_type();
  add_speaker(1, 0, 0, 1e4f);   // near, weak: 1e4 at the receiver
  add_speaker(30, 0, 0, 2e8f);  // 29 m later, 2e8/900 = 2.2e5 > 17.782 x 1e4
  auto r = run(0, 1);
  const ArrivalBand& b = r->compute(0, 0, 0);
  EXPECT_EQ(b.first_index, 1u);
  EXPECT_NEAR(b.first_time, 30.0 / 343.0, 1e-6);
  // The weak early arrival lies before the window start but inside its 36 ms.
  EXPECT_NEAR(b.summed - 1.0, 1e4 + 2e8 / 900.0, 1.0);
}

TEST_F(PointResponse, OneFaceShadowsTheDirectSound) {
  add_flat_type();
  add_floor(LAYER_ROOM, -1, 1, -1, 1, 2.5f, 1);
  add_speaker(0, 0, 5, 1e6f);
  refl_build_face_table();
  for (int tree : {0, 1}) {
    auto r = run(RESP_SHADOWING, 1, tree);
    EXPECT_FLOAT_EQ(r->compute(0, 0, 0).summed, 1.0f) << tree;   // behind the face
    EXPECT_EQ(r->context.count, 0u);
    EXPECT_FLOAT_EQ(r->compute(0, 0, 0).first_time, 10000.0f);
    EXPECT_NEAR(r->compute(5, 0, 0).summed - 1.0, 1e6 / 50.0, 0.1) << tree;  // passes beside it
  }
  // Without shadowing the face does not matter.
  auto open = run(0, 1);
  EXPECT_NEAR(open->compute(0, 0, 0).summed - 1.0, 1e6 / 25.0, 0.1);
}

// A worker starts its context again for each run and keeps its lists'
// memory: the region numbers start again too, so no list of the last run may
// pass for the new run's.
TEST_F(PointResponse, AContextStartedAgainTakesNoListOfItsLastRun) {
  add_flat_type();
  add_floor(LAYER_ROOM, 10, 12, -1, 1, 2.5f, 1);  // away from the path
  add_speaker(0, 0, 5, 1e6f);
  const float region[6] = {-0.5f, 0.5f, -0.5f, 0.5f, -0.5f, 0.5f};
  ArrivalBuffer buffer;
  RespContext c;
  RespRunTables tables;
  auto start_run = [&] {
    refl_build_face_table();
    cov_build_active_speakers();
    resp_prepare_run(tables);
    resp_init_context(c, &buffer);
    c.flags = RESP_SHADOWING;
    c.run = &tables;
    resp_set_region(c, region);
    resp_compute_point_in(c, WorldPoint{0, 0, 0});
    return buffer.bands[0].summed;
  };
  EXPECT_NEAR(start_run() - 1.0, 1e6 / 25.0, 0.1);
  add_floor(LAYER_ROOM, -1, 1, -1, 1, 2.5f, 1);  // now between them
  EXPECT_FLOAT_EQ(start_run(), 1.0f);
}

TEST_F(PointResponse, LoudspeakerOnAWallIsNotShadowedByThatWall) {
  add_flat_type();
  // A leaning wall through the origin (x + z / 2 = 0), the loudspeaker on it.
  add_polygon(LAYER_ROOM, {{1, -5, -2}, {1, 5, -2}, {-1, 5, 2}, {-1, -5, 2}}, 1);
  add_speaker(0, 0, 0, 1e6f);
  refl_build_face_table();
  for (int tree : {0, 1}) {
    auto r = run(RESP_SHADOWING, 1, tree);
    EXPECT_NEAR(r->compute(4, 0, 1).summed - 1.0, 1e6 / 17.0, 0.1) << tree;
  }
}

TEST_F(PointResponse, FirstReflectionOffOneFaceHasItsWeightAndDelay) {
  add_flat_type();
  set_materials(0.2f);
  add_floor(LAYER_ROOM, -50, 50, -50, 50, 0, 1);
  add_speaker(0, 0, 2, 1e6f);
  refl_build_face_table();
  for (uint32_t flags : {uint32_t(RESP_FIRST_REFLECTION), uint32_t(RESP_FIRST_REFLECTION | RESP_SHADOWING)}) {
    auto r = run(flags, 1);
    const ArrivalBand& b = r->compute(4, 0, 2);
    ASSERT_EQ(r->context.count, 2u);
    double path = std::sqrt(32.0);
    EXPECT_NEAR(b.times[0], 4.0 / 343.0, 1e-7);
    EXPECT_NEAR(b.times[1], path / 343.0, 1e-7);        // 4.83 ms after the direct sound
    EXPECT_NEAR(b.amplitudes[1], 0.8 * 1e6 / 32.0, 0.05);  // weight 1 - 0.2
    EXPECT_NEAR(b.summed - 1.0, 1e6 / 16.0 + 0.8 * 1e6 / 32.0, 0.1);
    EXPECT_NEAR(r->buffer.bands[6].amplitudes[1], 0.8 * std::pow(0.965, path) * 1e6 / 32.0, 0.05);
  }
}

TEST_F(PointResponse, ShadowingLimitsTheReflectionWindow) {
  add_flat_type();
  set_materials(0.0f);
  add_floor(LAYER_ROOM, -50, 50, -50, 50, 0, 1);
  add_speaker(0, 0, 10, 1e6f);
  refl_build_face_table();
  // Direct 1 m; via the floor 401 m^2 > 1 + 144: dropped with shadowing only.
  auto open = run(RESP_FIRST_REFLECTION);
  open->compute(1, 0, 10);
  EXPECT_EQ(open->context.count, 2u);
  auto limited = run(RESP_FIRST_REFLECTION | RESP_SHADOWING);
  limited->compute(1, 0, 10);
  EXPECT_EQ(limited->context.count, 1u);
}

TEST_F(PointResponse, ArrivalBufferIsNeverOverrun) {
  add_flat_type();
  for (int i = 0; i < 2100; ++i) add_speaker(float(i % 50), float(i / 50), 3, 1e6f);
  auto r = run(0, 1);
  r->compute(0, 0, 0);
  EXPECT_EQ(r->context.count, uint32_t(MAX_ARRIVALS));
  EXPECT_EQ(r->context.dropped, 2100u - MAX_ARRIVALS);
}

}  // namespace
