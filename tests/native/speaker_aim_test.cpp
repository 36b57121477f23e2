#include <gtest/gtest.h>

#include <cmath>

#include "acoustics/face_table.h"
#include "acoustics/speaker_aim.h"
#include "cad/obj_store.h"
#include "project/model_reset.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_model.h"

namespace {

constexpr double DEG = 3.14159265358979323846 / 180.0;

// A square room face in the plane x = at, spanning y and z from lo to hi.
DrawObject* wall(float at, float lo, float hi) {
  DrawObject* o = obj_create(0, 4, 5);
  o->nodes[0] = {at, lo, lo};
  o->nodes[1] = {at, hi, lo};
  o->nodes[2] = {at, hi, hi};
  o->nodes[3] = {at, lo, hi};
  const ElementCode els[5] = {{0, 0}, {3, 0}, {1, 1}, {1, 2}, {2, 3}};
  for (int i = 0; i < 5; ++i) o->elements[i] = els[i];
  o->layer = 0;
  o->kind = OBJ_KIND_FACE;
  obj_append(o);
  return o;
}

class SpeakerAimTest : public testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    spk_reset_tables();
    g_speaker_types.records[0] = spk_record_alloc();
    g_speaker_types.count = 1;
    g_speaker_screen = SpeakerScreen{nullptr, nullptr};
  }
  void TearDown() override {
    obj_free_all();
    spk_free_type_table();
  }
  PlacedSpeaker speaker(float x, float y, float z, double h_deg, double v_deg = 0) {
    PlacedSpeaker ps;
    spk_placed_defaults(ps);
    ps.position[0] = x, ps.position[1] = y, ps.position[2] = z;
    ps.horizontal_angle = float(h_deg * DEG);
    ps.vertical_angle = float(v_deg * DEG);
    return ps;
  }
  DrawObject* place(const PlacedSpeaker& ps) {
    DrawObject* o = spk_create_object(ps);
    spk_build_object(spk_placed_of(o), o, 1);
    return o;
  }
};

TEST_F(SpeakerAimTest, FootprintOnTheFaceAhead) {
  wall(10, -5, 5);
  wall(-10, -5, 5);
  ASSERT_EQ(refl_build_face_table(), 2);
  float hit[3] = {};
  EXPECT_EQ(spk_aim_footprint(speaker(0, 0, 0, 0), hit), 0);
  EXPECT_NEAR(hit[0], 10.0f, 1e-4);
  EXPECT_EQ(spk_aim_footprint(speaker(0, 0, 0, 180), hit), 1);
  EXPECT_NEAR(hit[0], -10.0f, 1e-4);
  EXPECT_EQ(spk_aim_footprint(speaker(0, 0, 0, 20, 10), hit), 0);
  EXPECT_NEAR(hit[1], 10 * std::tan(20 * DEG), 1e-3);
  EXPECT_EQ(spk_aim_footprint(speaker(0, 0, 0, 90), hit), -1);   // along the walls
  EXPECT_EQ(spk_aim_footprint(speaker(0, 0, 0, 0, 60), hit), -1); // over the wall
}

// Faces within the same whole unit as the loudspeaker are found too.
TEST_F(SpeakerAimTest, FootprintOnAFaceCloseBy) {
  wall(0.8f, 0.2f, 0.9f);
  ASSERT_EQ(refl_build_face_table(), 1);
  float hit[3] = {};
  EXPECT_EQ(spk_aim_footprint(speaker(0.5f, 0.5f, 0.5f, 0), hit), 0);
  EXPECT_NEAR(hit[0], 0.8f, 1e-5);
  EXPECT_EQ(spk_aim_footprint(speaker(-0.5f, -0.5f, -0.5f, 0), hit), -1);
}

TEST_F(SpeakerAimTest, AimLinesForSwitchedOnLoudspeakers) {
  wall(10, -5, 5);
  place(speaker(0, 1, 2, 0));
  place(speaker(0, 0, 0, 180));  // points away from every face
  PlacedSpeaker off = speaker(0, -1, 0, 0);
  off.switched_on = 0;
  place(off);
  spk_rebuild_aim_lines();
  DrawObject* lines = g_obj_head;
  ASSERT_EQ(lines->layer, 4u);
  EXPECT_EQ(lines->colour, 22u);
  ASSERT_EQ(lines->node_count, 2u);
  ASSERT_EQ(lines->element_count, 2u);
  EXPECT_EQ(lines->nodes[0].y, 1.0f);
  EXPECT_NEAR(lines->nodes[1].x, 10.0f, 1e-4);
  EXPECT_EQ(lines->elements[1].code, 1);
  EXPECT_EQ(lines->elements[1].value, 1);

  spk_rebuild_aim_lines();  // replaced, not added
  int aim_objects = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) aim_objects += o->layer == 4;
  EXPECT_EQ(aim_objects, 1);

  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (PlacedSpeaker* ps = spk_placed_of(o)) ps->switched_on = 0;
  spk_rebuild_aim_lines();
  for (DrawObject* o = g_obj_head; o; o = o->next) EXPECT_NE(o->layer, 4u);
}

}  // namespace
