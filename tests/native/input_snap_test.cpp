#include <gtest/gtest.h>

#include <cmath>

#include "cad/input.h"
#include "framework/input_dialogs.h"

namespace {

struct SnapCase {
  double value, distance;
  float expected;
};

TEST(InputSnap, CutsTowardZeroToMultiplesAndKeepsExactOnes) {
  const SnapCase cases[] = {
      {1.49, 0.5, 1.0f},      {-1.49, 0.5, -1.0f},   {-0.7, 0.5, -0.5f},   {2.5, 0.5, 2.5f},
      {0.3, 0.1, 0.3f},       {-0.3, 0.1, -0.3f},    {0.7f, 0.1, 0.7f},    {-0.7f, 0.1, -0.7f},
      {0.29, 0.1, 0.2f},      {0.0999, 0.1, 0.0f},   {-0.0999, 0.1, 0.0f}, {12.0, 0.25, 12.0f},
      {1.2345, 0.0, 1.234f},  {-1.2345, 0.001, -1.234f}, {1000.7f, 0.1, 1000.7f}, {4.6, 1.5, 4.5f},
  };
  for (const SnapCase& c : cases)
    EXPECT_FLOAT_EQ(input_snap_coordinate(c.value, c.distance), c.expected) << c.value << " / " << c.distance;
}

TEST(InputSnap, NodeCandidateMustBeCloserThanBestInBothAxes) {
  int32_t best = 10;
  EXPECT_TRUE(input_snap_candidate(100, 100, 103, 108, best));
  EXPECT_EQ(best, 3);
  EXPECT_TRUE(input_snap_candidate(100, 100, 98, 102, best));
  EXPECT_EQ(best, 2);
  EXPECT_FALSE(input_snap_candidate(100, 100, 101, 105, best));
  EXPECT_EQ(best, 2);
  EXPECT_FALSE(input_snap_candidate(100, 100, 102, 100, best));  // 2 is not below 2
}

TEST(InputEntry, PolarOffsetLiesInTheViewPlane) {
  const WorldPoint from = {1, 2, 3};
  const double half_pi = 3.141592654 / 2;
  struct Case {
    int view;
    double d, a;
    WorldPoint expected;
  } cases[] = {
      {0, 2, 0, {3, 2, 3}},       {0, 2, half_pi, {1, 4, 3}}, {1, 2, half_pi, {1, 2, 5}},
      {1, 2, 0, {1, 4, 3}},       {2, 2, 0, {3, 2, 3}},       {2, 2, half_pi, {1, 2, 5}},
      {3, 2, half_pi, {1, 4, 3}}, {4, 1, 3.141592654, {0, 2, 3}},
  };
  for (const Case& c : cases) {
    WorldPoint p = input_polar_point(from, c.view, c.d, c.a);
    EXPECT_NEAR(p.x, c.expected.x, 1e-6) << "view " << c.view;
    EXPECT_NEAR(p.y, c.expected.y, 1e-6) << "view " << c.view;
    EXPECT_NEAR(p.z, c.expected.z, 1e-6) << "view " << c.view;
  }
  WorldPoint r = input_relative_point(from, -1, 0.5, 10);
  EXPECT_FLOAT_EQ(r.x, 0);
  EXPECT_FLOAT_EQ(r.y, 2.5);
  EXPECT_FLOAT_EQ(r.z, 13);
}

TEST(InputEntry, PolarDegreesAreCorrectedOnce) {
  const double cases[][2] = {{270, -90}, {-200, 160}, {540, 180}, {180, 180}, {-180, -180}, {45, 45}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(dlg_wrap_degrees(c[0]), c[1]) << c[0];
  EXPECT_NEAR(dlg_polar_angle_radians(270), -3.141592654 / 2, 1e-12);
}

TEST(InputNodeList, StopsWhenFullAndIgnoresRepeats) {
  WorldPoint nodes[3] = {};
  ASSERT_TRUE(input_node_list_alloc(2));
  EXPECT_TRUE(input_node_list_add(&nodes[0]));
  EXPECT_FALSE(input_node_list_add(&nodes[0]));
  EXPECT_TRUE(input_node_list_add(&nodes[1]));
  EXPECT_FALSE(input_node_list_add(&nodes[2]));
  EXPECT_EQ(g_node_count, 2);
  input_node_list_free();
  EXPECT_EQ(g_node_list, nullptr);
  EXPECT_FALSE(input_node_list_add(&nodes[0]));
  EXPECT_FALSE(input_node_list_alloc(NODE_LIST_CAPACITY + 1));
}

}  // namespace

#include "cad/view.h"

namespace {

// Screen to world with a snap of 0.1 at 10 pixels per metre: every pixel
// lands on an exact tenth, negative ones cut toward zero.
TEST(InputSnap, ScreenToWorldKeepsExactTenths) {
  view_new_drawing_defaults();
  g_view.kind = VIEW_XY;
  g_view.scale = 10;
  g_view.screen_centre_x = g_view.screen_centre_y = 100;
  g_view.snap_distance = 0.1f;
  for (int px = 0; px <= 200; ++px) {
    float expected = static_cast<float>((px - 100) / 10.0);
    EXPECT_FLOAT_EQ(view_screen_to_world(px, 1), expected) << px;
  }
  g_view.snap_distance = 0.5f;
  EXPECT_FLOAT_EQ(view_screen_to_world(93, 1), -0.5f);  // -0.7
  EXPECT_FLOAT_EQ(view_screen_to_world(93, 0), 0.5f);   // +0.7 upwards
}

}  // namespace
