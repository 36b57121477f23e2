// World <-> pixel mapping, projection, zoom and pan of the view, with the
// expected pixels worked by hand from the mapping formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <string>

#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/render.h"
#include "cad/view.h"

namespace {

constexpr float HALF_PI = 1.5707964f;

// Drawing window 800 x 600 (main client 864 x 648), screen centre (400, 300).
class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    view_reset_host();
    std::memset(g_view.remembered_centre, 0, sizeof g_view.remembered_centre);
    view_new_drawing_defaults();
    view_set_headless_size(864, 648);
    g_view.kind = VIEW_XY;
    view_relayout();
  }
  void TearDown() override {
    obj_free_all();
    view_reset_host();
  }
  // scale 10, centre (1, 2): ox = 400 - 10 = 390, oy = 20 + 300 = 320.
  void use_view(int16_t kind) {
    g_view.kind = kind;
    g_view.scale = 10.0f;
    g_view.centre_x = 1.0f;
    g_view.centre_y = 2.0f;
    view_set_angles();
    view_update_rotation();
  }
};

DrawObject* add_face(std::initializer_list<WorldPoint> nodes, uint32_t layer = 0) {
  uint32_t n = static_cast<uint32_t>(nodes.size());
  DrawObject* o = obj_create(0, n, n);
  o->kind = OBJ_KIND_FACE;
  o->layer = layer;
  uint32_t i = 0;
  for (const WorldPoint& p : nodes) {
    o->nodes[i] = p;
    o->elements[i] = ElementCode{static_cast<uint16_t>(i == 0 ? EL_START : i + 1 == n ? EL_CLOSE : EL_LINE),
                                 static_cast<uint16_t>(i)};
    ++i;
  }
  obj_append(o);
  return o;
}

ScreenPoint project_one(const WorldPoint& p) {
  DrawObject* o = add_face({p});
  view_project_object_nodes(o);
  ScreenPoint s = view_screen_points()[0];
  obj_free(o);
  return s;
}

TEST_F(ViewTest, LayoutInsetsTheDrawingWindowByTheMargins) {
  EXPECT_EQ(g_view.window_width, 800);
  EXPECT_EQ(g_view.window_height, 600);
  EXPECT_EQ(g_view.screen_centre_x, 400.0f);
  EXPECT_EQ(g_view.screen_centre_y, 300.0f);
  int l, t, r, b;
  view_get_margins(&l, &t, &r, &b);
  EXPECT_EQ(l * 1000 + t * 100 + r * 10 + b, 32000 + 2400 + 320 + 24);
}

TEST_F(ViewTest, WorldToScreenTruncatesTowardZeroAndClamps) {
  use_view(VIEW_XY);
  struct Case { float value; int horizontal; int32_t pixel; };
  const Case cases[] = {
      {3.0f, 1, 420},        // 30 + 390
      {0.29f, 1, 392},       // 392.9 -> 392
      {-39.29f, 1, -2},      // -2.9 -> -2
      {4.0f, 0, 280},        // 320 - 40
      {32.29f, 0, -2},       // 320 - 322.9 = -2.9 -> -2
      {5000.0f, 1, 32767},   // clamped
      {-5000.0f, 1, -32767},
      {-5000.0f, 0, 32767},
  };
  for (const Case& c : cases)
    EXPECT_EQ(view_world_to_screen(c.value, c.horizontal), c.pixel) << c.value << " " << c.horizontal;
}

TEST_F(ViewTest, ScreenToWorldCutsTowardZeroToTheSnapDistance) {
  g_view.scale = 100.0f;
  g_view.centre_x = 0.0f;
  g_view.centre_y = 0.0f;
  g_view.coord_snap = 1;
  g_view.snap_distance = 0.5f;
  EXPECT_FLOAT_EQ(view_screen_to_world(549, 1), 1.0f);   // 1.49
  EXPECT_FLOAT_EQ(view_screen_to_world(251, 1), -1.0f);  // -1.49
  EXPECT_FLOAT_EQ(view_screen_to_world(330, 1), -0.5f);  // -0.7
  EXPECT_FLOAT_EQ(view_screen_to_world(151, 0), 1.0f);   // 1.49 upwards
  g_view.coord_snap = 0;
  EXPECT_NEAR(view_screen_to_world(401, 1), 0.01f, 1e-6);
  g_view.scale = 1000.0f * 1.0f;
  EXPECT_NEAR(view_snap_value(0.0019), 0.001f, 1e-7);
  EXPECT_NEAR(view_snap_value(-0.0019), -0.001f, 1e-7);
  g_view.coord_snap = 1;
  g_view.snap_distance = 0.0f;  // an unusable distance cuts like the snap off
  EXPECT_NEAR(view_snap_value(0.0019), 0.001f, 1e-7);
}

TEST_F(ViewTest, ParallelProjectionLandsOnHandWorkedPixels) {
  struct Case { int16_t kind; WorldPoint p; int32_t x, y, depth; };
  const Case cases[] = {
      {VIEW_XY, {3, 4, 5}, 420, 280, 5000},
      {VIEW_YZ, {3, 4, 5}, 430, 270, 3000},
      {VIEW_XZ, {3, 4, 5}, 420, 270, -4000},
      {VIEW_XY, {0.25f, -0.25f, 0.0015f}, 392, 322, 1},   // 392.5, 322.5, 1.5
      {VIEW_XY, {-39.25f, 0, 0}, -2, 320, 0},             // -2.5 -> -2
      {VIEW_XY, {201, 0, 0}, 2400, 320, 0},               // centre x + 2000 / scale
      {VIEW_XY, {1001, -1000, 0}, 8192, 8192, 0},         // clamped
      {VIEW_XY, {-1001, 1000, 0}, -8192, -8192, 0},
  };
  for (const Case& c : cases) {
    use_view(c.kind);
    ScreenPoint s = project_one(c.p);
    EXPECT_EQ(s.x, c.x) << c.kind;
    EXPECT_EQ(s.y, c.y) << c.kind;
    EXPECT_EQ(s.depth, c.depth) << c.kind;
  }
  // Default 3D view (a = -25, b = 15 degrees): row 0 . p = 1.8625, row 1 . p = 6.3185.
  use_view(VIEW_3D);
  ScreenPoint s = project_one({3, 4, 5});
  EXPECT_EQ(s.x, 408);
  EXPECT_EQ(s.y, 256);
  view_project_point({3, 4, 5});
  EXPECT_EQ(view_screen_points()[0].x, 408);
  EXPECT_EQ(view_screen_points()[0].y, 256);
}

TEST_F(ViewTest, PlaneViewAnglesPickTheScreenAxes) {
  use_view(VIEW_YZ);
  EXPECT_NEAR(g_view.rotation[0][1], 1.0, 1e-6);  // screen right = +y
  EXPECT_NEAR(g_view.rotation[1][2], 1.0, 1e-6);  // screen up = +z
  use_view(VIEW_XZ);
  EXPECT_NEAR(g_view.rotation[0][0], 1.0, 1e-6);
  EXPECT_NEAR(g_view.rotation[1][2], 1.0, 1e-6);
}

// Eye at the origin looking along +x (default eye angles): f = 800 / 1.5708.
TEST_F(ViewTest, EyeViewPicksWithTheFisheyeItDrawsWith) {
  g_view.kind = VIEW_EYE;
  g_view.eye_point = {0, 0, 0};
  view_set_angles();
  view_update_rotation();
  struct Case { WorldPoint p; int32_t x, y; };
  const Case cases[] = {
      {{10, 0, 0}, 400, 300},     // straight ahead
      {{10, -10, 0}, 799, 300},   // 45 degrees right: 400 + f pi / 4 = 799.999
      {{10, 0, 10}, 400, -99},    // 45 degrees up
      {{0, -10, 0}, 1199, 300},   // 90 degrees right: 400 + f pi / 2
  };
  for (const Case& c : cases) {
    ScreenPoint s = project_one(c.p);
    EXPECT_EQ(s.x, c.x) << c.p.x << "," << c.p.y << "," << c.p.z;
    EXPECT_EQ(s.y, c.y) << c.p.x << "," << c.p.y << "," << c.p.z;
    render_eye_setup();
    PolyPoint f = render_project_fisheye(render_to_eye(c.p));
    EXPECT_EQ(f.x, s.x);
    EXPECT_EQ(f.y, s.y);
  }
  EXPECT_EQ(project_one({2.5f, 0, 0}).depth, 2500);
  EXPECT_EQ(project_one({-2.5f, 0, 0}).depth, 0);
}

TEST_F(ViewTest, EyeClippingCutsAtTheEyePlane) {
  g_view.kind = VIEW_EYE;
  g_view.eye_point = {0, 0, 0};
  view_set_angles();
  view_update_rotation();
  render_eye_setup();
  // Wholly behind the eye.
  DrawObject* behind = add_face({{-5, -1, -1}, {-5, 1, -1}, {-5, 1, 1}, {-5, -1, 1}});
  render_object_to_eye(behind);
  EXPECT_EQ(render_clip_project_depth(behind, 0, 0), 0);
  EXPECT_EQ(render_clip_project(behind, 0), 0);
  // Half in front: two nodes, plus the two points where it meets the eye plane.
  DrawObject* half = add_face({{-1, -1, 1}, {3, -1, 1}, {3, 1, 1}, {-1, 1, 1}});
  render_object_to_eye(half);
  EXPECT_EQ(render_clip_project_depth(half, 0, 0), 4);
  EXPECT_EQ(g_polygon_depth_max, 3000);
  EXPECT_EQ(g_polygon_depth_min, 0);
  EXPECT_EQ(render_clip_project(half, 0), 4);
  WorldPoint cut = render_clip_near({0, 0, -1}, {2, 4, 3});
  EXPECT_FLOAT_EQ(cut.x, 0.5f);
  EXPECT_FLOAT_EQ(cut.y, 1.0f);
  EXPECT_FLOAT_EQ(cut.z, 0.0f);
}

TEST_F(ViewTest, EyeCullingFollowsTheOrientationSign) {
  g_view.kind = VIEW_EYE;
  g_view.eye_point = {0, 0, 0};
  view_set_angles();
  view_update_rotation();
  render_eye_setup();
  // Seen from the eye the nodes run (y -1 -> +1 on the screen's left ...).
  DrawObject* o = add_face({{10, 1, -1}, {10, -1, -1}, {10, -1, 1}, {10, 1, 1}}, 0);
  render_object_to_eye(o);
  int plus = render_clip_project_depth(o, 0, 1);
  int minus = render_clip_project_depth(o, 0, -1);
  EXPECT_NE(plus == 0, minus == 0) << "exactly one orientation draws it";
  EXPECT_EQ(render_clip_project_depth(o, 0, 0), 4);
}

TEST_F(ViewTest, BackFacingFromTheDoubledArea) {
  use_view(VIEW_XY);
  DrawObject* ccw = add_face({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  view_project_object_nodes(ccw);
  EXPECT_TRUE(render_is_back_facing(ccw, 0, view_screen_points()));
  DrawObject* cw = add_face({{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}});
  view_project_object_nodes(cw);
  EXPECT_FALSE(render_is_back_facing(cw, 0, view_screen_points()));
  DrawObject* flat = add_face({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  view_project_object_nodes(flat);
  EXPECT_TRUE(render_is_back_facing(flat, 0, view_screen_points()));  // area 0
}

// Face 10 x 5 m at the origin, window 800 x 600: the width fits (0.5 < 0.75),
// fit = 800 / 10 = 80, scale = 76, centre (5, 2.5).
TEST_F(ViewTest, ZoomAllFitsAKnownFace) {
  DrawObject* face = add_face({{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}});
  view_zoom_all();
  EXPECT_FLOAT_EQ(g_view.scale, 76.0f);
  EXPECT_FLOAT_EQ(g_view.centre_x, 5.0f);
  EXPECT_FLOAT_EQ(g_view.centre_y, 2.5f);
  EXPECT_EQ(g_view.zoomed_all, 1);
  view_project_object_nodes(face);
  const ScreenPoint* s = view_screen_points();
  EXPECT_EQ(s[0].x, 20);
  EXPECT_EQ(s[0].y, 490);
  EXPECT_EQ(s[2].x, 780);
  EXPECT_EQ(s[2].y, 110);
  // The views sharing an axis follow: XZ's x and YZ's x (world y).
  EXPECT_FLOAT_EQ(g_view.remembered_centre[VIEW_XZ][0], 5.0f);
  EXPECT_FLOAT_EQ(g_view.remembered_centre[VIEW_YZ][0], 2.5f);
  view_relayout();
  EXPECT_EQ(g_view.zoomed_all, 0);
}

TEST_F(ViewTest, ZoomAllBeforeTheFirstLayoutMeasuresTheWindowFirst) {
  add_face({{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}});
  g_view.window_width = g_view.window_height = 0;
  g_view.screen_centre_x = g_view.screen_centre_y = 0;
  view_zoom_all();
  EXPECT_FLOAT_EQ(g_view.scale, 76.0f);
}

TEST_F(ViewTest, ZoomAllOfATallFaceFitsTheHeightAndOfAPointWidensTheBox) {
  add_face({{0, 0, 0}, {1, 0, 0}, {1, 6, 0}, {0, 6, 0}});
  view_zoom_all();
  EXPECT_FLOAT_EQ(g_view.scale, 600.0f / 6.0f * 0.95f);
  obj_free_all();
  add_face({{2, 3, 0}});
  g_view.scale = 5.0f;
  view_zoom_all();  // a box of one pixel (0.2 m) each way: the height fits, 600 / 0.2
  EXPECT_FLOAT_EQ(g_view.scale, 3000.0f * 0.95f);
}

TEST_F(ViewTest, ZoomAllOnAnEmptyDrawingChangesNothing) {
  g_view.kind = VIEW_XY;
  g_view.scale = 7.0f;
  view_zoom_all();
  EXPECT_EQ(g_view.scale, 7.0f);
  view_set_3d();
  EXPECT_EQ(g_view.kind, VIEW_3D);
  EXPECT_EQ(g_view.scale, 7.0f);
  EXPECT_FLOAT_EQ(g_view.angle_a, -5 * VIEW_ROTATION_STEP);
}

TEST_F(ViewTest, PanningXySidewaysMovesXzAlongAndUpDownMovesYz) {
  g_view.scale = 10.0f;
  view_set_xy();
  view_pan_half_x(1);  // 400 pixels: the picture moves left, the centre right
  EXPECT_FLOAT_EQ(g_view.centre_x, 40.0f);
  view_pan_half_y(-1);  // 300 pixels up
  EXPECT_FLOAT_EQ(g_view.centre_y, 30.0f);
  EXPECT_EQ(g_view.pending_pan_x, 0);
  view_set_xz();
  EXPECT_FLOAT_EQ(g_view.centre_x, 40.0f);
  view_set_yz();
  EXPECT_FLOAT_EQ(g_view.centre_x, 30.0f);
  view_pan_percent_x(10);  // 80 pixels: YZ's x is XY's y
  EXPECT_FLOAT_EQ(g_view.centre_x, 38.0f);
  view_set_xy();
  EXPECT_FLOAT_EQ(g_view.centre_x, 40.0f);
  EXPECT_FLOAT_EQ(g_view.centre_y, 38.0f);
}

TEST_F(ViewTest, ZoomOutStopsAtItsLimitAndInTheEyeView) {
  g_view.scale = 8.0f;
  view_zoom_out();
  EXPECT_EQ(g_view.scale, 4.0f);
  g_view.scale = 0.001f;
  view_zoom_out();
  EXPECT_EQ(g_view.scale, 0.001f);
  g_view.scale = 8.0f;
  g_view.kind = VIEW_EYE;
  view_zoom_out();
  EXPECT_EQ(g_view.scale, 8.0f);
}

TEST_F(ViewTest, ArrowKeysTurnThe3dViewByOneStep) {
  add_face({{0, 0, 0}, {1, 0, 0}, {1, 1, 1}});
  view_set_3d();
  float a = g_view.angle_3d_a, b = g_view.angle_3d_b;
  view_rotate_3d_key(37);
  view_rotate_3d_key(40);
  EXPECT_FLOAT_EQ(g_view.angle_3d_b, b - VIEW_ROTATION_STEP);
  EXPECT_FLOAT_EQ(g_view.angle_3d_a, a + VIEW_ROTATION_STEP);
  EXPECT_FLOAT_EQ(g_view.angle_a, g_view.angle_3d_a);
  g_view.kind = VIEW_XY;
  view_rotate_3d_key(37);
  EXPECT_FLOAT_EQ(g_view.angle_3d_b, b - VIEW_ROTATION_STEP);
}

TEST_F(ViewTest, EyeRotationWrapsTheAzimuthAndHoldsTheElevation) {
  g_view.kind = VIEW_EYE;
  g_view.eye_azimuth = HALF_PI - 0.01f;
  view_rotate_eye(359);  // right: +5 degrees, past pi / 2 turns by -2 pi
  EXPECT_NEAR(g_view.eye_azimuth, HALF_PI - 0.01f + VIEW_ROTATION_STEP - 6.2831853f, 1e-5);
  g_view.eye_azimuth = -VIEW_EYE_AZIMUTH_WRAP + 0.01f;
  view_rotate_eye(361);  // left, below -3 pi / 2 turns by +2 pi
  EXPECT_NEAR(g_view.eye_azimuth, -VIEW_EYE_AZIMUTH_WRAP + 0.01f - VIEW_ROTATION_STEP + 6.2831853f, 1e-5);
  g_view.eye_elevation = -0.02f;
  view_rotate_eye(-361);  // up
  EXPECT_EQ(g_view.eye_elevation, 0.0f);
  g_view.eye_elevation = -3.13f;
  view_rotate_eye(-359);  // down
  EXPECT_FLOAT_EQ(g_view.eye_elevation, -3.1415927f);
  EXPECT_FLOAT_EQ(g_view.angle_a, g_view.eye_elevation);
}

TEST_F(ViewTest, PromptKeepsTheLastTextDuringACommand) {
  std::strcpy(g_prompt_prefix, "LINIEN > Punkt #");
  g_running_command = 2201;
  view_show_prompt("1");
  EXPECT_STREQ(view_prompt_text(), "LINIEN > Punkt #1");
  view_show_prompt("");
  EXPECT_STREQ(view_prompt_text(), "LINIEN > Punkt #1");
  g_running_command = 0;
  view_show_prompt("");
  EXPECT_STREQ(view_prompt_text(), "LINIEN > Punkt #");
  g_prompt_prefix[0] = 0;
}

TEST_F(ViewTest, TitleShowsTheProjectPathInUpperCase) {
  char path[64] = "c:\\projekte\\saal_grün.opr";
  view_set_title_base("Orvante Planning Engine 2.90");
  view_set_title_path(path);
  view_update_title();
  EXPECT_STREQ(view_title(), "Orvante Planning Engine 2.90 > C:\\PROJEKTE\\SAAL_GRÜN.OPR");
  EXPECT_STREQ(path, "C:\\PROJEKTE\\SAAL_GRÜN.OPR");
  view_set_title_path(nullptr);
}

// Two clicks span the zoom window; STOP leaves the view as it was.
int g_script_step = 0;
void scripted_clicks() {
  static const int points[2][2] = {{100, 100}, {500, 400}};
  if (g_script_step < 2) {
    g_cursor_screen_x = points[g_script_step][0];
    g_cursor_screen_y = points[g_script_step][1];
    g_click_flag = 1;
  } else {
    g_abort_flag = 1;
  }
  ++g_script_step;
}
void scripted_stop() { g_abort_flag = 1; }

TEST_F(ViewTest, ZoomWindowFitsTheTwoCornersAndStopChangesNothing) {
  g_view.scale = 10.0f;
  view_set_xy();
  view_host().wait_event = scripted_stop;
  view_zoom_window();
  EXPECT_EQ(g_view.scale, 10.0f);
  EXPECT_EQ(g_view.cursor_shape, CURSOR_CROSSHAIR);
  g_script_step = 0;
  view_host().wait_event = scripted_clicks;
  view_zoom_window();
  // 400 x 300 pixel box, ratio 600 / 801 = 0.749 < 0.75: the height fits.
  EXPECT_FLOAT_EQ(g_view.scale, 10.0f * 600.0f / 300.0f * 0.99f);
  EXPECT_FLOAT_EQ(g_view.centre_x, -10.0f);  // (300 - 400) / 10
  EXPECT_FLOAT_EQ(g_view.centre_y, 5.0f);    // (300 - 250) / 10
  EXPECT_EQ(g_view.cursor_shape, CURSOR_CROSSHAIR);
}

TEST_F(ViewTest, PickEyePointTakesTheLastPointUnlessStopped) {
  g_last_point = {1, 2, 3};
  g_view.eye_point = {0, 0, 0};
  view_host().wait_event = scripted_stop;
  view_pick_eye_point();
  EXPECT_EQ(g_view.eye_point.x, 0.0f);
  EXPECT_EQ(g_abort_flag, 0);
  view_host().wait_event = [] { g_click_flag = 1; };
  view_pick_eye_point();
  EXPECT_EQ(g_view.eye_point.z, 3.0f);
}

}  // namespace
