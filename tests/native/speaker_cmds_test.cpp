#include "design/speaker_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <cstring>

#include "cad/obj_store.h"
#include "design/speaker_dialog.h"
#include "project/model_reset.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

PlacedSpeaker at(float x, float y, float z) {
  PlacedSpeaker ps;
  spk_placed_defaults(ps);
  ps.position[0] = x, ps.position[1] = y, ps.position[2] = z;
  return ps;
}

TEST(SpeakerAngles, TypedDegreesAreWrappedOnceIntoHalfTurns) {
  const struct {
    double typed, stored;
  } cases[] = {{190, -170}, {540, 180}, {-190, 170}, {180, 180}, {-180, -180}, {45, 45}, {-600, -240}};
  for (const auto& c : cases)
    EXPECT_NEAR(spk_degrees_to_radians(c.typed), c.stored * 3.14159265358979 / 180.0, 1e-6) << c.typed;
}

TEST(SpeakerTimes, FartherLoudspeakerGetsLessDelay) {
  PlacedSpeaker near = at(34.3f, 0, 0), far = at(0, 68.6f, 0), same = at(0, 0, 34.3f);
  PlacedSpeaker* all[] = {&near, &far, &same};
  const double reference[3] = {0, 0, 0};
  spk_align_delays(all, 3, reference);
  EXPECT_NEAR(far.delay_ms, 0.0, 1e-4);
  EXPECT_NEAR(near.delay_ms, 100.0, 1e-3);
  EXPECT_NEAR(same.delay_ms, 100.0, 1e-3);
  // One loudspeaker alone needs no delay.
  spk_align_delays(all, 1, reference);
  EXPECT_NEAR(near.delay_ms, 0.0, 1e-4);
}

class SpeakerModel : public ::testing::Test {
 protected:
  void SetUp() override {
    spk_reset_tables();
    for (int i = 0; i < 3; ++i) {
      SpeakerRecord* r = spk_record_alloc();
      std::snprintf(r->type_name, sizeof r->type_name, "T%d", i);
      for (int b = 0; b < SPK_BANDS; ++b) r->rated_power[b] = 100.0f, r->sensitivity[b] = 90.0f;
      g_speaker_types.records[i] = r;
    }
    g_speaker_types.count = 3;
  }
  void TearDown() override {
    obj_free_all();
    spk_free_type_table();
    g_speaker_types.count = 0;
    g_type_head = SpeakerHead{};
  }
  DrawObject* place(int type, float x) {
    PlacedSpeaker ps = at(x, 0, 0);
    ps.type_index = static_cast<uint16_t>(type);
    DrawObject* o = spk_create_object(ps);
    obj_append(o);
    return o;
  }
};

TEST_F(SpeakerModel, CommonEqualiserChangesAllOrNone) {
  PlacedSpeaker a = at(0, 0, 0), b = at(1, 0, 0);
  for (int band = 0; band < SPK_BANDS; ++band) a.eq_gain[band] = b.eq_gain[band] = -20.0f;
  a.eq_gain[3] = -9.0f;
  b.eq_gain[3] = -12.0f;
  PlacedSpeaker* both[] = {&a, &b};
  double maxima[7], overall;
  spk_common_eq_maxima(both, 2, maxima, &overall);
  EXPECT_DOUBLE_EQ(maxima[3], -9.0);
  EXPECT_DOUBLE_EQ(maxima[0], -20.0);
  EXPECT_DOUBLE_EQ(overall, -9.0);

  double up2[7] = {0, 0, 0, 2, 0, 0, 0};
  ASSERT_EQ(spk_apply_common_eq(both, 2, up2), 1);
  EXPECT_FLOAT_EQ(a.eq_gain[3], -7.0f);
  EXPECT_FLOAT_EQ(b.eq_gain[3], -10.0f);

  // +7.5 dB is fine for b (-2.5) but lifts a to +0.5 dB: nobody changes.
  double up7[7] = {0, 0, 0, 7.5, 0, 0, 0};
  EXPECT_EQ(spk_apply_common_eq(both, 2, up7), 0);
  EXPECT_FLOAT_EQ(a.eq_gain[3], -7.0f);
  EXPECT_FLOAT_EQ(b.eq_gain[3], -10.0f);
}

TEST_F(SpeakerModel, CopyBlockDropsNameAndGroupAndPointsBack) {
  PlacedSpeaker source = at(1, 2, 3);
  std::strcpy(source.name, "LINKS");
  std::strcpy(source.group, "FRONT");
  source.delay_ms = 12.5f;
  source.switched_on = 0;
  source.type_index = 2;
  DrawObject* copy = obj_create(sizeof(PlacedSpeaker), 0, 0);
  copy->layer = 0;
  spk_copy_block(copy, source);
  PlacedSpeaker* ps = spk_placed_of(copy);
  ASSERT_NE(ps, nullptr);
  EXPECT_STREQ(ps->name, "");
  EXPECT_STREQ(ps->group, "");
  EXPECT_EQ(ps->object, copy);
  EXPECT_EQ(ps->type_index, 2);
  EXPECT_EQ(ps->switched_on, 0);
  EXPECT_FLOAT_EQ(ps->delay_ms, 12.5f);
  obj_free(copy);
}

TEST_F(SpeakerModel, MirrorInTheViewPlane) {
  const double base[3] = {0, 2, 0}, along_x[3] = {5, 0, 0};
  float p[3] = {3, 5, 7};
  ASSERT_EQ(spk_mirror_position(0, base, along_x, p), 1);  // XY: y -> 2 * 2 - y
  EXPECT_FLOAT_EQ(p[0], 3);
  EXPECT_FLOAT_EQ(p[1], -1);
  EXPECT_FLOAT_EQ(p[2], 7);
  const double diagonal[3] = {0, 1, 1}, origin[3] = {0, 0, 0};
  float q[3] = {9, 2, 0};
  ASSERT_EQ(spk_mirror_position(1, origin, diagonal, q), 1);  // YZ: about y = z
  EXPECT_NEAR(q[1], 0, 1e-6);
  EXPECT_NEAR(q[2], 2, 1e-6);
  const double tiny[3] = {0.0005, 0.0005, 0};
  float r[3] = {1, 1, 1};
  EXPECT_EQ(spk_mirror_position(0, origin, tiny, r), 0);
  EXPECT_EQ(spk_mirror_position(4, origin, along_x, r), 0);  // eye view
  EXPECT_FLOAT_EQ(r[1], 1);
}

TEST_F(SpeakerModel, PruningRenumbersTheRemainingTypesDensely) {
  DrawObject* first = place(0, 1);
  DrawObject* last = place(2, 2);
  SpeakerRecord* kept = g_speaker_types.records[2];
  spk_prune_unused_types();
  EXPECT_EQ(g_speaker_types.count, 2);
  EXPECT_EQ(spk_placed_of(first)->type_index, 0);
  EXPECT_EQ(spk_placed_of(last)->type_index, 1);
  EXPECT_EQ(g_speaker_types.records[1], kept);
  EXPECT_EQ(g_speaker_types.records[2], nullptr);
  obj_unlink(first);
  obj_free(first);
  spk_prune_unused_types();
  EXPECT_EQ(g_speaker_types.count, 1);
  EXPECT_EQ(spk_placed_of(last)->type_index, 0);
  EXPECT_STREQ(g_speaker_types.records[0]->type_name, "T2");
}

TEST_F(SpeakerModel, SelectedSpeakersInListOrder) {
  DrawObject* a = place(0, 1);
  DrawObject* b = place(0, 2);
  DrawObject* c = place(0, 3);
  a->attributes |= OBJ_ATTR_SELECTED;
  c->attributes |= OBJ_ATTR_SELECTED;
  DrawObject* face = obj_create(0, 0, 0);
  face->attributes = OBJ_ATTR_SELECTED;
  obj_append(face);
  DrawObject* found[4] = {};
  EXPECT_EQ(spk_selected_speakers(found, 4), 2);
  EXPECT_EQ(found[0], a);
  EXPECT_EQ(found[1], c);
  (void)b;
}

TEST_F(SpeakerModel, FreshTypeShowsMinusNineInEveryBand) {
  for (int b = 0; b < SPK_BANDS; ++b) g_type_head.rated_power[b] = 10.0f * (b + 1), g_type_head.sensitivity[b] = 90;
  PlacedSpeaker ps = at(0, 0, 0);
  ps.polarity = -1;
  spk_dialog_choose_type(ps);
  double total_db, total_power;
  spk_dialog_totals(ps, &total_db, &total_power);
  EXPECT_NEAR(total_db, -0.55, 0.005);
  EXPECT_FLOAT_EQ(ps.nominal_power, 70.0f);
  EXPECT_NEAR(ps.band_power[0], 10.0 * std::pow(10.0, -0.9), 1e-4);
  EXPECT_LT(ps.intensity[0], 0.0f);  // the dialog's intensity carries the polarity
}

TEST_F(SpeakerModel, LowRatedBandFallsBackToTinyShareOfNominalPower) {
  g_type_head.rated_power[0] = 0.05f;
  PlacedSpeaker ps = at(0, 0, 0);
  ps.nominal_power = 200.0f;
  ps.eq_gain[0] = 3.0f;  // would pass the rating
  spk_dialog_band_levels(&ps);
  EXPECT_FLOAT_EQ(ps.band_power[0], 0.02f);
}

TEST(SpeakerBalloon, FlatBalloonHasNoDirectivity) {
  static uint8_t balloon[SPK_BALLOON_SIZE];
  std::memset(balloon, 225, sizeof balloon);
  EXPECT_DOUBLE_EQ(spk_integrate_balloon_power(balloon, 3), 1.0);
  // Sound only within 10 degrees of the axis: strongly directive.
  std::memset(balloon, 0, sizeof balloon);
  for (int ring = 0; ring <= 2; ++ring) std::memset(balloon + 3 * SPK_BALLOON_BAND_SIZE + ring * 72, 225, 72);
  auto zone = [](int i) {
    const double degree = std::numbers::pi / 180.0;
    return std::cos(5.0 * i * degree) - std::cos(5.0 * (i + 1) * degree);
  };
  double lit_half = zone(1) + zone(2) + zone(3) / 2;  // zone 3 has one lit ring of two
  EXPECT_NEAR(spk_integrate_balloon_power(balloon, 3), (2.0 - zone(0)) / lit_half, 0.2);  // dark bytes are -45 dB, not silence
}

}  // namespace
