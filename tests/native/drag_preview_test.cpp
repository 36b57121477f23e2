#include <gtest/gtest.h>

#include <cmath>

#include "cad/drag_preview.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/view.h"

namespace {

class DragPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    view_new_drawing_defaults();
    g_view.kind = VIEW_XY;
    g_base_point = {0, 0, 0};
    g_cursor_point = g_last_point = {0, 0, 0};
  }
  void TearDown() override {
    obj_free_all();
    input_node_list_free();
    cad_set_drag_transform(DRAG_TRANSLATE);
  }
  DrawObject* make(uint32_t nodes) {
    DrawObject* o = obj_create(0, nodes, 0);
    obj_append(o);
    return o;
  }
};

TEST_F(DragPreview, CircleStartsOnTheFirstAxisAndRunsClockwise) {
  DrawObject* o = make(36);
  g_base_point = {1, 2, 3};
  g_cursor_point = {3, 2, 7};  // z is along the view direction and does not count
  cad_circle_preview(o, 0, 0, 0);
  EXPECT_NEAR(o->nodes[0].x, 3, 1e-5);
  EXPECT_NEAR(o->nodes[0].y, 2, 1e-5);
  EXPECT_NEAR(o->nodes[1].x, 1 + 2 * std::cos(-10 * 3.14159265358979 / 180), 1e-5);
  EXPECT_NEAR(o->nodes[1].y, 2 + 2 * std::sin(-10 * 3.14159265358979 / 180), 1e-5);
  for (int k = 0; k < 36; ++k) EXPECT_FLOAT_EQ(o->nodes[k].z, 3);

  g_view.kind = VIEW_YZ;  // in YZ: delta (0, 0, 4), the circle lies in y and z
  cad_circle_preview(o, 0, 0, 0);
  EXPECT_NEAR(o->nodes[0].y, 2 + 4, 1e-5);
  EXPECT_NEAR(o->nodes[9].z, 3 - 4, 1e-5);  // node 9 at 270 degrees
  EXPECT_FLOAT_EQ(o->nodes[9].x, 1);
  g_view.kind = VIEW_3D;                    // no plane delta in the 3D view: radius 0
  cad_circle_preview(o, 0, 0, 0);
  EXPECT_FLOAT_EQ(o->nodes[5].x, 1);
  EXPECT_FLOAT_EQ(o->nodes[5].y, 2);
}

TEST_F(DragPreview, RectangleKeepsTheViewDepthOfItsFirstCorner) {
  DrawObject* o = make(4);
  o->nodes[0] = {5, 1, 2};
  g_cursor_point = {9, 4, 6};
  g_view.kind = VIEW_YZ;
  cad_rectangle_preview(o, 0, 0, 0);
  for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(o->nodes[k].x, 5) << k;
  EXPECT_FLOAT_EQ(o->nodes[1].z, 6);
  EXPECT_FLOAT_EQ(o->nodes[3].y, 4);
  g_view.kind = VIEW_XY;
  cad_rectangle_preview(o, 0, 0, 0);
  EXPECT_FLOAT_EQ(o->nodes[1].x, 5);
  EXPECT_FLOAT_EQ(o->nodes[1].y, 4);
  EXPECT_FLOAT_EQ(o->nodes[2].x, 9);
  EXPECT_FLOAT_EQ(o->nodes[2].z, 2);
  EXPECT_FLOAT_EQ(o->nodes[3].x, 9);
  EXPECT_FLOAT_EQ(o->nodes[3].y, 1);
}

TEST_F(DragPreview, ListedNodesMoveOncePerPass) {
  DrawObject* a = make(2);
  DrawObject* b = make(1);
  a->attributes = b->attributes = OBJ_ATTR_SELECTED;
  ASSERT_TRUE(input_node_list_alloc(2));
  input_node_list_add(&a->nodes[1]);
  input_node_list_add(&b->nodes[0]);
  cad_set_drag_transform(DRAG_MOVE_NODES);
  g_cursor_point = {1, 2, 0};
  cad_draw_drag_preview(1);
  EXPECT_FLOAT_EQ(a->nodes[1].x, 1);
  EXPECT_FLOAT_EQ(b->nodes[0].y, 2);
  EXPECT_FLOAT_EQ(a->nodes[0].x, 0);
  cad_draw_drag_preview(0);  // erasing moves nothing
  EXPECT_FLOAT_EQ(a->nodes[1].x, 1);
}

TEST_F(DragPreview, TranslateMovesEveryNodeAndThePrintFrameFollowsTheCursor) {
  DrawObject* o = make(2);
  cad_translate_object(o, 1, -2, 3);
  EXPECT_FLOAT_EQ(o->nodes[1].x, 1);
  EXPECT_FLOAT_EQ(o->nodes[1].y, -2);
  EXPECT_FLOAT_EQ(o->nodes[1].z, 3);
  DrawObject* frame = make(5);
  frame->kind = OBJ_KIND_PLOT_FRAME;
  frame->nodes[4] = {2, 1, 0};
  g_cursor_point = {10, 20, 0};
  cad_translate_object(frame, 99, 99, 99);
  EXPECT_FLOAT_EQ(frame->nodes[0].x, 8);
  EXPECT_FLOAT_EQ(frame->nodes[0].y, 21);
  EXPECT_FLOAT_EQ(frame->nodes[2].x, 12);
  EXPECT_FLOAT_EQ(frame->nodes[2].y, 19);
}

TEST_F(DragPreview, MirrorWaitsUntilTheCursorLeavesTheBasePoint) {
  DrawObject* o = make(1);
  o->nodes[0] = {2, 1, 0};
  o->attributes = OBJ_ATTR_CREATED | OBJ_ATTR_SELECTED;
  g_base_point = {0, 0, 0};
  g_cursor_point = g_last_point = {0.0005f, 0, 0};
  cad_mirror_preview(o, 0, 0, 0);
  EXPECT_FLOAT_EQ(o->nodes[0].y, 1);  // not mirrored yet
  EXPECT_TRUE(o->attributes & OBJ_ATTR_CREATED);
  g_cursor_point = {3, 0, 0};  // mirror about the x axis
  cad_mirror_preview(o, 0, 0, 0);
  EXPECT_NEAR(o->nodes[0].y, -1, 1e-6);
  EXPECT_FALSE(o->attributes & OBJ_ATTR_CREATED);
  g_last_point = g_cursor_point;
  g_cursor_point = {0, 3, 0};  // now about the y axis: back first, then mirrored
  cad_mirror_preview(o, 0, 0, 0);
  EXPECT_NEAR(o->nodes[0].x, -2, 1e-6);
  EXPECT_NEAR(o->nodes[0].y, 1, 1e-6);
}

TEST_F(DragPreview, PlaneDeltaUsesOnlyTheViewAxes) {
  g_base_point = {1, 1, 1};
  g_cursor_point = {2, 3, 5};
  const struct {
    int16_t view;
    double dx, dy, dz;
  } cases[] = {{VIEW_XY, 1, 2, 0}, {VIEW_YZ, 0, 2, 4}, {VIEW_XZ, 1, 0, 4}, {VIEW_3D, 0, 0, 0}, {VIEW_EYE, 0, 0, 0}};
  for (const auto& c : cases) {
    g_view.kind = c.view;
    double dx, dy, dz;
    cad_view_plane_delta(dx, dy, dz);
    EXPECT_DOUBLE_EQ(dx, c.dx);
    EXPECT_DOUBLE_EQ(dy, c.dy);
    EXPECT_DOUBLE_EQ(dz, c.dz);
  }
}

}  // namespace
