#include "design/speaker_aiming.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "acoustics/face_table.h"
#include "acoustics/speaker_aim.h"
#include "tests/native/acoustic_model.h"

namespace {

using namespace acoustic_model;

constexpr double DEG = 3.141592654 / 180.0;

PlacedSpeaker at(float x, float y, float z, double horizontal_deg = 0) {
  PlacedSpeaker ps;
  spk_placed_defaults(ps);
  ps.position[0] = x, ps.position[1] = y, ps.position[2] = z;
  ps.horizontal_angle = float(horizontal_deg * DEG);
  return ps;
}

TEST(SpeakerAiming, AnglesTowardATarget) {
  const struct {
    float target[3];
    double horizontal, vertical;
  } cases[] = {
      {{0, 0, 10}, 90, 90},       // straight above: the guard keeps it defined
      {{0, 0, -10}, 90, -90},
      {{5, 5, 0}, 45, 0},
      {{-5, 0, 5}, 180, 45},
      {{0.0005f, -3, 0}, -90, 0},  // as good as vertical in plan
  };
  for (const auto& c : cases) {
    PlacedSpeaker ps = at(0, 0, 0);
    ps.rotation_angle = 0.25f;
    const double target[3] = {c.target[0], c.target[1], c.target[2]};
    spk_aim_at(ps, target);
    EXPECT_NEAR(ps.horizontal_angle / DEG, c.horizontal, 1e-3) << c.target[0] << "," << c.target[1] << "," << c.target[2];
    EXPECT_NEAR(ps.vertical_angle / DEG, c.vertical, 1e-3) << c.target[2];
    EXPECT_FLOAT_EQ(ps.rotation_angle, 0.25f);
  }
}

// Aimed at a point of a room face, the existing aim code finds that point
// again, and the shape's axis nodes give back the same angles.
TEST(SpeakerAiming, AimAtAFacePointRoundTrips) {
  clear_model();
  add_floor(LAYER_ROOM, -20, 20, -20, 20, 0);
  add_polygon(LAYER_ROOM, {{10, -20, 0}, {10, 20, 0}, {10, 20, 10}, {10, -20, 10}});
  ASSERT_GT(refl_build_face_table(), 0);
  add_flat_type();
  const float targets[][3] = {{3, -4, 0}, {-6, 2, 0}, {10, 1, 5}, {10, -7, 2.5f}};
  for (const auto& t : targets) {
    DrawObject* o = add_speaker(1, 1, 6, 0.0f);
    PlacedSpeaker& ps = speaker_of(o);
    const double target[3] = {t[0], t[1], t[2]};
    spk_aim_at(ps, target);
    float hit[3];
    ASSERT_GE(spk_aim_footprint(ps, hit), 0);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(hit[i], t[i], 2e-3) << t[0] << "," << t[1] << "," << t[2];
    spk_build_object(&ps, o, 1);
    PlacedSpeaker kept = ps;
    spk_aim_at_point(o);
    EXPECT_NEAR(ps.horizontal_angle, kept.horizontal_angle, 1e-5);
    EXPECT_NEAR(ps.vertical_angle, kept.vertical_angle, 1e-5);
  }
  clear_model();
}

TEST(SpeakerAiming, EyeViewAnglesAndBack) {
  PlacedSpeaker ps = at(0, 0, 0, 30);
  ps.vertical_angle = float(-20 * DEG);
  double az, el;
  spk_eye_angles_of(ps, &az, &el);
  EXPECT_NEAR(az / DEG, -120, 1e-4);
  EXPECT_NEAR(el / DEG, -110, 1e-4);
  PlacedSpeaker back = at(0, 0, 0);
  spk_angles_from_eye(back, az, el);
  EXPECT_NEAR(back.horizontal_angle, ps.horizontal_angle, 1e-6);
  EXPECT_NEAR(back.vertical_angle, ps.vertical_angle, 1e-6);
}

TEST(SpeakerAiming, ClickTurnsTheEyeTowardThePixel) {
  const struct {
    double az, el;
    int dx, dy, width;
    double az_after, el_after;
    int turned;
  } cases[] = {
      {-1.0, -1.0, 0, 0, 800, -1.0, -1.0, 1},                       // the centre: nothing changes
      {-1.0, -1.0, 400, 0, 800, -1.0 + SPK_PI / 4, -1.0, 1},       // half a width: an eighth turn
      {-1.0, -1.0, 0, -400, 800, -1.0, -1.0 + SPK_PI / 4, 1},
      {-0.2, -0.2, 0, -800, 800, -0.2, 0.0, 1},                    // never above level
      {-3.0, -3.0, 0, 800, 800, -3.0, -SPK_PI, 1},                  // never below straight down
      {3.0, -1.0, 800, 0, 800, 3.0 + SPK_PI / 2 - SPK_TWO_PI, -1.0, 1},
      {-4.5, -1.0, -800, 0, 800, -4.5 - SPK_PI / 2 + SPK_TWO_PI, -1.0, 1},
      {-1.0, -1.0, 30, 30, 0, -1.0, -1.0, 0},                       // no width: no turn
  };
  for (const auto& c : cases) {
    double az = c.az, el = c.el;
    EXPECT_EQ(spk_eye_turn_toward(&az, &el, c.dx, c.dy, c.width), c.turned);
    EXPECT_NEAR(az, c.az_after, 1e-9) << c.dx << "," << c.dy;
    EXPECT_NEAR(el, c.el_after, 1e-9) << c.dx << "," << c.dy;
  }
}

TEST(SpeakerAiming, TurningAndTiltingAnArrayMember) {
  const double origin[3] = {0, 0, 0};
  const struct {
    bool tilt;
    double start_h, angle;
    float position[3];
    float moved[3];
    double h_after, v_after;
  } cases[] = {
      {false, 0, 90, {1, 0, 0}, {0, 1, 0}, 90, 0},
      {false, 0, 270, {1, 0, 0}, {0, -1, 0}, -90, 0},
      {false, 170, 20, {0, 2, 1}, {float(-2 * std::sin(20 * DEG)), float(2 * std::cos(20 * DEG)), 1}, -170, 0},
      {true, 0, 10, {1, 0, 0}, {float(std::cos(10 * DEG)), 0, float(std::sin(10 * DEG))}, 0, 10},
      {true, 90, 10, {0, 1, 0}, {0, float(std::cos(10 * DEG)), float(std::sin(10 * DEG))}, 90, 10},
      {true, 0, 10, {0, 0, 0}, {0, 0, 0}, 0, 10},  // on the base point only the angle changes
  };
  for (const auto& c : cases) {
    PlacedSpeaker ps = at(c.position[0], c.position[1], c.position[2], c.start_h);
    if (c.tilt)
      spk_tilt_array_member(ps, c.angle * DEG, origin);
    else
      spk_turn_array_member(ps, nullptr, c.angle * DEG, origin);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(ps.position[i], c.moved[i], 1e-5) << c.angle << " axis " << i;
    EXPECT_NEAR(ps.horizontal_angle / DEG, c.h_after, 1e-3) << c.angle;
    EXPECT_NEAR(ps.vertical_angle / DEG, c.v_after, 1e-3) << c.angle;
  }
}

// The nodes of a turned member turn with it about the vertical through the base point.
TEST(SpeakerAiming, TurnedMemberTakesItsNodesAlong) {
  DrawObject* o = obj_create(0, 2, 0);
  o->nodes[0] = {3, 1, 2};
  o->nodes[1] = {4, 1, 5};
  PlacedSpeaker ps = at(3, 1, 2);
  const double base[3] = {2, 1, 0};
  spk_turn_array_member(ps, o, 90 * DEG, base);
  EXPECT_NEAR(o->nodes[0].x, 2, 1e-5);
  EXPECT_NEAR(o->nodes[0].y, 2, 1e-5);
  EXPECT_FLOAT_EQ(o->nodes[0].z, 2);
  EXPECT_NEAR(o->nodes[1].x, 2, 1e-5);
  EXPECT_NEAR(o->nodes[1].y, 3, 1e-5);
  EXPECT_NEAR(ps.position[0], o->nodes[0].x, 1e-5);
  EXPECT_NEAR(ps.position[1], o->nodes[0].y, 1e-5);
  obj_free(o);
}

TEST(SpeakerAiming, FootprintRingsOfABand) {
  SpeakerRecord* r = spk_record_alloc();
  std::memset(r->balloon, 225, sizeof r->balloon);  // band 0: never falls, rings at 90 degrees
  for (int row = 0; row < SPK_BALLOON_ROWS; ++row)  // band 3: 1 dB per ring
    for (int col = 0; col < SPK_BALLOON_COLS; ++col) r->balloon[3][row][col] = uint8_t(225 - 5 * row);
  WorldPoint nodes[SPK_FOOTPRINT_NODES];
  spk_footprint_nodes(*r, 0, 0.0, nodes);
  for (int a = 0; a < 72; ++a) EXPECT_NEAR(nodes[a].z, 0.1f, 1e-6f);
  EXPECT_GT(nodes[72].z, nodes[144].z);  // the outer rings still lie outside the inner one
  EXPECT_NEAR(nodes[0].x, -10.0f, 1e-4f);  // azimuth 0 lies half a turn off: phi = -pi
  spk_footprint_nodes(*r, 3, 0.0, nodes);
  // The 3k dB ring sits at ring 3k, 5 x 3k degrees from the axis.
  for (int k = 0; k < 3; ++k) {
    double theta = 15.0 * (k + 1) * DEG;
    double z = std::cos(theta) + 0.1;
    EXPECT_NEAR(nodes[k * 72 + 36].z, z, 1e-5) << k;
    EXPECT_NEAR(nodes[k * 72 + 36].x, std::sin(theta) / z, 1e-5) << k;  // azimuth 180: phi = 0
  }
  spk_record_free(r);
}

}  // namespace
