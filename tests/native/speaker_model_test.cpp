#include "speakers/speaker_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "acoustics/coverage.h"
#include "cad/obj_store.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "project/model_reset.h"
#include "speakers/legacy_drawing.h"

namespace {

constexpr double DEG = 3.14159265358979323846 / 180.0;

// Wraps an angle difference into -pi..pi.
double wrapped(double a) { return std::remainder(a, 2 * 3.14159265358979323846); }

class SpeakerModelTest : public testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    spk_reset_tables();
    type_ = spk_record_alloc();
    for (int b = 0; b < SPK_BANDS; ++b) {
      type_->rated_power[b] = 100.0f;
      type_->sensitivity[b] = 90.0f;
    }
    type_->rated_power[6] = 0.05f;
    g_speaker_types.records[0] = type_;
    g_speaker_types.count = 1;
    // Symbol: one node in front of the loudspeaker and the two axis nodes.
    symbol_ = obj_create(0, 3, 1);
    symbol_->nodes[0] = WorldPoint{0.5f, 0.25f, 0.0f};
    symbol_->node_count = 1;
    legacy_append_axis_nodes(symbol_);
    symbol_->layer = 3;
    g_default_speaker_symbol = symbol_;
  }
  void TearDown() override {
    obj_free_all();
    spk_free_type_table();
    obj_free(symbol_);
    g_default_speaker_symbol = nullptr;
  }

  DrawObject* place(double h_deg, double v_deg, double r_deg, float x = 2, float y = 3, float z = 4) {
    PlacedSpeaker ps;
    spk_placed_defaults(ps);
    ps.position[0] = x, ps.position[1] = y, ps.position[2] = z;
    ps.horizontal_angle = float(h_deg * DEG);
    ps.vertical_angle = float(v_deg * DEG);
    ps.rotation_angle = float(r_deg * DEG);
    DrawObject* object = spk_create_object(ps);
    spk_build_object(spk_placed_of(object), object, 1);
    return object;
  }

  SpeakerRecord* type_ = nullptr;
  DrawObject* symbol_ = nullptr;
};

TEST_F(SpeakerModelTest, BandPowerFollowsGainAndRating) {
  PlacedSpeaker ps;
  spk_placed_defaults(ps);
  ps.nominal_power = 200.0f;
  const float gains[SPK_BANDS] = {-50.0f, -49.9f, 0.0f, 3.0f, -10.0f, -3.0f, 0.0f};
  std::memcpy(ps.eq_gain, gains, sizeof gains);
  spk_update_band_power(ps);
  EXPECT_EQ(ps.band_power[0], 0.0f);                 // -50 dB and below: off
  EXPECT_NEAR(ps.band_power[1], 100 * std::pow(10, -4.99), 1e-6);
  EXPECT_FLOAT_EQ(ps.band_power[2], 100.0f);
  EXPECT_FLOAT_EQ(ps.band_power[3], 100.0f);         // limited to the rating
  EXPECT_FLOAT_EQ(ps.band_power[4], 10.0f);
  EXPECT_FLOAT_EQ(ps.band_power[6], 0.05f);          // not above a small rating
  EXPECT_FLOAT_EQ(ps.intensity[4], 10.0f * 1e9f);
  ps.eq_gain[6] = 1.0f;                             // above a rating below 0.1 W
  spk_update_band_power(ps);
  EXPECT_FLOAT_EQ(ps.band_power[6], 200.0f * 0.0001f);
}

TEST_F(SpeakerModelTest, UnturnedLoudspeakerIsOnlyMoved) {
  DrawObject* object = place(0, 0, 0);
  EXPECT_EQ(g_obj_head, object);
  EXPECT_EQ(object->layer, 2u);
  EXPECT_EQ(object->colour, 12u);
  ASSERT_EQ(object->node_count, 3u);
  EXPECT_EQ(object->nodes[0].x, 2.5f);
  EXPECT_EQ(object->nodes[0].y, 3.25f);
  EXPECT_EQ(object->nodes[1].x, 3.0f);  // axis node 1 unit along +x
  EXPECT_EQ(object->nodes[2].z, 5.0f);  // up node 1 unit along +z
  EXPECT_EQ(spk_placed_of(object)->object, object);
}

TEST_F(SpeakerModelTest, AnglesTurnTheAxis) {
  struct Case { double h, v; float ax, ay, az; } cases[] = {
      {90, 0, 0, 1, 0}, {0, 90, 0, 0, 1}, {180, 0, -1, 0, 0}, {-90, 0, 0, -1, 0}, {0, -90, 0, 0, -1}};
  for (const Case& c : cases) {
    DrawObject* object = place(c.h, c.v, 0, 0, 0, 0);
    const WorldPoint& a = object->nodes[1];
    EXPECT_NEAR(a.x, c.ax, 1e-6) << c.h << " " << c.v;
    EXPECT_NEAR(a.y, c.ay, 1e-6) << c.h << " " << c.v;
    EXPECT_NEAR(a.z, c.az, 1e-6) << c.h << " " << c.v;
  }
}

TEST_F(SpeakerModelTest, AimingRecoversTheBuildingAngles) {
  for (int h = -150; h <= 180; h += 30)
    for (int v = -90; v <= 90; v += 30)
      for (int r = -150; r <= 180; r += 45) {
        DrawObject* object = place(h, v, r);
        PlacedSpeaker* ps = spk_placed_of(object);
        spk_aim_at_point(object);
        EXPECT_NEAR(wrapped(ps->horizontal_angle - h * DEG), 0, 1e-3) << h << " " << v << " " << r;
        EXPECT_NEAR(wrapped(ps->vertical_angle - v * DEG), 0, 1e-3) << h << " " << v << " " << r;
        EXPECT_NEAR(wrapped(ps->rotation_angle - r * DEG), 0, 1e-3) << h << " " << v << " " << r;
        obj_free(object);
      }
}

TEST_F(SpeakerModelTest, RebuildInPlaceKeepsListIntact) {
  DrawObject* first = place(0, 0, 0);
  DrawObject* second = place(0, 0, 0);
  PlacedSpeaker* ps = spk_placed_of(first);
  ps->position[0] = 10;
  spk_build_object(ps, first, 1);  // already linked: stays where it is
  EXPECT_EQ(obj_count(), 2);
  EXPECT_EQ(g_obj_head, second);
  EXPECT_EQ(first->nodes[1].x, 11.0f);
  spk_build_object(ps, first, 0);  // taken out and put back at the head
  EXPECT_EQ(obj_count(), 2);
  EXPECT_EQ(g_obj_head, first);
  EXPECT_EQ(first->node_count, 3u);
}

TEST_F(SpeakerModelTest, StoredBlockLayout) {
  PlacedSpeaker ps;
  spk_placed_defaults(ps);
  std::strcpy(ps.name, "LS1");
  std::strcpy(ps.group, "Front");
  ps.eq_gain[6] = -3.5f;
  ps.delay_ms = 12.5f;
  ps.position[2] = 7.0f;
  ps.rotation_angle = 0.25f;
  ps.type_index = 3;
  ps.object = reinterpret_cast<DrawObject*>(&ps);
  uint8_t image[PLACED_SPEAKER_FILE_SIZE];
  spk_placed_to_bytes(ps, image);
  EXPECT_STREQ(reinterpret_cast<char*>(image + 11), "Front");
  EXPECT_EQ(image[22], 1);
  EXPECT_EQ(image[24], 1);
  float f;
  std::memcpy(&f, image + 26, 4);
  EXPECT_EQ(f, 1.0f);
  std::memcpy(&f, image + 54, 4);
  EXPECT_EQ(f, -3.5f);
  std::memcpy(&f, image + 126, 4);
  EXPECT_EQ(f, 7.0f);
  std::memcpy(&f, image + 138, 4);
  EXPECT_EQ(f, 0.25f);
  EXPECT_EQ(image[142], 3);
  for (int i = 144; i < 152; ++i) EXPECT_EQ(image[i], 0);
  PlacedSpeaker back;
  spk_placed_from_bytes(back, image);
  EXPECT_STREQ(back.name, "LS1");
  EXPECT_EQ(back.delay_ms, 12.5f);
  EXPECT_EQ(back.object, nullptr);
}

TEST_F(SpeakerModelTest, ResetEmptiesTheTables) {
  g_layers[LAYER_BLOCK].visible = 1;
  g_calc_options.band = 2;
  g_coverage_valid = 1;
  g_active_speaker_count = 3;
  spk_reset_tables();
  EXPECT_EQ(g_coverage_valid, 0);
  EXPECT_EQ(g_active_speaker_count, 0);
  type_ = nullptr;
  EXPECT_EQ(g_speaker_types.count, 0);
  EXPECT_EQ(g_speaker_types.records[0], nullptr);
  EXPECT_EQ(g_layers[LAYER_BLOCK].visible, 0);
  EXPECT_EQ(g_calc_options.band, 7);
  EXPECT_EQ(g_material_table.count, 1);
  EXPECT_DOUBLE_EQ(g_balloon_power[225], 1.0);
  EXPECT_NEAR(g_balloon_power[175], 0.1, 1e-12);
  EXPECT_EQ(g_model_ready, 1);
}

}  // namespace
