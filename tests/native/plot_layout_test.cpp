#include "design/plot_layout.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cad/drag_preview.h"
#include "cad/obj_store.h"
#include "cad/view.h"

namespace {

constexpr PlotPage A4_PDF = {2479, 3508, 209, 297};  // the test run's PDF queue, portrait

TEST(PlotLayout, ScaleFactorIsARealDivision) {
  EXPECT_DOUBLE_EQ(plot_scale_factor(1, 1), 1.0);
  EXPECT_DOUBLE_EQ(plot_scale_factor(1, 2), 0.5);
  EXPECT_DOUBLE_EQ(plot_scale_factor(5, 2), 2.5);
  EXPECT_DOUBLE_EQ(plot_scale_factor(1, 0), 0.0);
  double hx, hy;
  plot_frame_half_size({2480, 3508, 210, 297}, 1.0, &hx, &hy);  // 1 mm = 1 m: 210 x 297 m
  EXPECT_DOUBLE_EQ(hx, 105.0);
  EXPECT_DOUBLE_EQ(hy, 148.5);
  plot_frame_half_size(A4_PDF, 0.5, &hx, &hy);  // 1 mm = 2 m
  EXPECT_DOUBLE_EQ(hx, 209.0);
  EXPECT_DOUBLE_EQ(hy, 297.0);
}

struct TransformCase {
  const char* what;
  int mode;
  PlotBox box;
  double factor;
  bool ok;
  double scale, centre_x, centre_y;
};

// View scale 10 px/m with the view's centre at screen (400, 300).
TEST(PlotLayout, PageTransformOfEveryModeAndTheBoxesItRefuses) {
  const double wide = 0.95 * 2479 / 20, tall = 0.95 * 3508 / 40;
  const double scale0 = 2479.0 / 209;
  const TransformCase cases[] = {
      // 20 x 10 m, centre 20 m left and 5 m up of the view's centre: the width limits.
      {"fit wide", PLOT_MODE_FIT_DRAWING, {100, 200, 300, 300}, 0, true, wide, 1239.5 + wide * 20, 1754 + wide * 5},
      {"fit window wide", PLOT_MODE_FIT_WINDOW, {100, 200, 300, 300}, 0, true, wide, 1239.5 + wide * 20, 1754 + wide * 5},
      // 10 x 40 m around the view's centre: the height limits.
      {"fit tall", PLOT_MODE_FIT_DRAWING, {350, 100, 450, 500}, 0, true, tall, 1239.5, 1754},
      // A line: no height, the width decides.
      {"fit flat", PLOT_MODE_FIT_DRAWING, {100, 300, 300, 300}, 0, true, wide, 1239.5 + wide * 20, 1754},
      // A vertical line: no width, the height decides.
      {"fit upright", PLOT_MODE_FIT_WINDOW, {400, 100, 400, 500}, 0, true, tall, 1239.5, 1754},
      {"no drawing", PLOT_MODE_FIT_DRAWING, {32767, 32767, -32768, -32768}, 0, false, 0, 0, 0},
      {"reversed in x", PLOT_MODE_FIT_WINDOW, {300, 200, 100, 300}, 0, false, 0, 0, 0},
      {"reversed in y", PLOT_MODE_FIT_WINDOW, {100, 300, 300, 200}, 0, false, 0, 0, 0},
      {"a point", PLOT_MODE_FIT_WINDOW, {250, 250, 250, 250}, 0, false, 0, 0, 0},
      // Scale mode: the factor decides, the box only places the page.
      {"scale 1:1", PLOT_MODE_SCALE, {380, 280, 420, 320}, 1.0, true, scale0, 1239.5, 1754},
      {"scale 1 mm = 2 m", PLOT_MODE_SCALE, {100, 200, 300, 300}, 0.5, true, scale0 / 2, 1239.5 + scale0 / 2 * 20,
       1754 + scale0 / 2 * 5},
      {"scale 0", PLOT_MODE_SCALE, {380, 280, 420, 320}, 0.0, false, 0, 0, 0},
  };
  for (const TransformCase& c : cases) {
    SCOPED_TRACE(c.what);
    PlotTransform t{-1, -1, -1};
    ASSERT_EQ(plot_page_transform(c.mode, c.box, 10.0, 400.0, 300.0, A4_PDF, c.factor, &t), c.ok);
    if (!c.ok) continue;
    EXPECT_NEAR(t.scale, c.scale, 1e-9);
    EXPECT_NEAR(t.screen_centre_x, c.centre_x, 1e-6);
    EXPECT_NEAR(t.screen_centre_y, c.centre_y, 1e-6);
    // The box's centre lands on the page's centre.
    const double mid_x = t.screen_centre_x + t.scale * (((c.box.x0 + c.box.x2) / 2 - 400.0) / 10.0);
    const double mid_y = t.screen_centre_y + t.scale * (((c.box.y0 + c.box.y2) / 2 - 300.0) / 10.0);
    EXPECT_NEAR(mid_x, 1239.5, 1e-6);
    EXPECT_NEAR(mid_y, 1754.0, 1e-6);
  }
  PlotTransform t;
  EXPECT_FALSE(plot_page_transform(PLOT_MODE_FIT_DRAWING, {0, 0, 10, 10}, 0.0, 400, 300, A4_PDF, 0, &t));
  EXPECT_FALSE(plot_page_transform(PLOT_MODE_FIT_DRAWING, {0, 0, 10, 10}, 10.0, 400, 300, {0, 3508, 0, 297}, 0, &t));
}

TEST(PlotLayout, FrameIsAClosedQuadrilateralAroundThePointInTheViewsPlane) {
  DrawObject* frame = plot_create_frame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->kind, static_cast<uint32_t>(OBJ_KIND_PLOT_FRAME));
  EXPECT_EQ(frame->attributes, static_cast<uint32_t>(OBJ_ATTR_SELECTED));
  EXPECT_EQ(frame->layer, 1u);
  ASSERT_EQ(frame->node_count, 6u);
  ASSERT_EQ(frame->element_count, 4u);
  const ElementCode expected[4] = {{0, 0}, {1, 1}, {1, 2}, {2, 3}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(frame->elements[i].code, expected[i].code);
    EXPECT_EQ(frame->elements[i].value, expected[i].value);
  }
  frame->nodes[4] = {105.0f, 148.5f, 0.0f};
  const WorldPoint at = {10, 20, 30};
  struct Case {
    int kind;
    WorldPoint corner0, corner2;  // top left and bottom right in the view
  };
  const Case cases[] = {
      {VIEW_XY, {-95, 168.5f, 0}, {115, -128.5f, 0}},
      {VIEW_YZ, {0, -85, 178.5f}, {0, 125, -118.5f}},
      {VIEW_XZ, {-95, 0, 178.5f}, {115, 0, -118.5f}},
      {VIEW_3D, {-95, 168.5f, 0}, {115, -128.5f, 0}},
      {VIEW_EYE, {-95, 168.5f, 0}, {115, -128.5f, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    for (int i = 0; i < 4; ++i) frame->nodes[i] = {0, 0, 0};
    cad_place_print_frame(frame, c.kind, at);
    EXPECT_FLOAT_EQ(frame->nodes[0].x, c.corner0.x);
    EXPECT_FLOAT_EQ(frame->nodes[0].y, c.corner0.y);
    EXPECT_FLOAT_EQ(frame->nodes[0].z, c.corner0.z);
    EXPECT_FLOAT_EQ(frame->nodes[2].x, c.corner2.x);
    EXPECT_FLOAT_EQ(frame->nodes[2].y, c.corner2.y);
    EXPECT_FLOAT_EQ(frame->nodes[2].z, c.corner2.z);
  }
  obj_list_free_all(frame, frame);
}

TEST(PlotLayout, DrawingBoundsSkipHiddenObjects) {
  obj_free_all();
  view_reset_host();
  view_new_drawing_defaults();
  view_set_headless_size(864, 648);
  g_view.kind = VIEW_XY;
  view_relayout();
  g_view.scale = 10.0f;
  g_view.centre_x = g_view.centre_y = 0.0f;
  PlotBox empty = plot_drawing_bounds();
  EXPECT_GT(empty.x0, empty.x2);
  EXPECT_GT(empty.y0, empty.y2);
  auto add = [](float x1, float y1, float x2, float y2, uint32_t attributes) {
    DrawObject* o = obj_create(0, 2, 2);
    o->kind = OBJ_KIND_POLYLINE;
    o->attributes = attributes;
    o->nodes[0] = {x1, y1, 0};
    o->nodes[1] = {x2, y2, 0};
    o->elements[0] = {EL_START, 0};
    o->elements[1] = {EL_LINE, 1};
    obj_append(o);
  };
  add(-10, -5, 0, 0, 0);
  add(2, 3, 20, 4, OBJ_ATTR_SELECTED);
  add(-100, -100, 100, 100, OBJ_ATTR_LAYER_HIDDEN);
  add(-90, 0, -80, 0, OBJ_ATTR_NOT_DRAWN_20);
  PlotBox box = plot_drawing_bounds();
  const float sx = g_view.screen_centre_x, sy = g_view.screen_centre_y;
  EXPECT_EQ(box.x0, sx - 100);
  EXPECT_EQ(box.x2, sx + 200);
  EXPECT_EQ(box.y0, sy - 40);
  EXPECT_EQ(box.y2, sy + 50);
  obj_free_all();
  view_reset_host();
}

// Three one-pixel borders, each closed at its own start corner.
TEST(PlotLayout, BordersStepInwardsOnePixelEach) {
  const PlotPoint expected[3][5] = {
      {{0, 0}, {2478, 0}, {2478, 3506}, {0, 3506}, {0, 0}},
      {{1, 1}, {2477, 1}, {2477, 3505}, {1, 3505}, {1, 1}},
      {{2, 2}, {2476, 2}, {2476, 3504}, {2, 3504}, {2, 2}},
  };
  for (int i = 0; i < 3; ++i) {
    PlotPoint p[5];
    plot_border_points(i, 2479, 3508, p);
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(p[k].x, expected[i][k].x) << i << " " << k;
      EXPECT_EQ(p[k].y, expected[i][k].y) << i << " " << k;
    }
  }
}

// 2479 px on 209 mm: 11.86 px/mm, cells of trunc(17.15) = 17 px, rows of
// trunc(38.25) = 38 px; 83 cells end at the page's right edge.
TEST(PlotLayout, TitleBlockCellsSitAtTheBottomRight) {
  const PlotTitleLayout l = plot_title_layout(A4_PDF);
  EXPECT_EQ(l.cell, 17);
  EXPECT_EQ(l.row_height, 38);
  EXPECT_EQ(l.left, 2479 - 83 * 17);
  EXPECT_EQ(l.bottom, 3507);
  struct Case {
    PlotRect got, want;
  };
  const Case cases[] = {
      {plot_title_label_cell(l, 0), {1068, 3467, 1255, 3507}},
      {plot_title_text_cell(l, 0), {1255, 3467, 1782, 3507}},
      {plot_title_label_cell(l, 7), {1068, 3187, 1255, 3227}},
      {plot_title_line_row(l, 0), {1782, 3427, 2479, 3507}},
      {plot_title_line_row(l, 3), {1782, 3187, 2479, 3267}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.got.left, c.want.left);
    EXPECT_EQ(c.got.top, c.want.top);
    EXPECT_EQ(c.got.right, c.want.right);
    EXPECT_EQ(c.got.bottom, c.want.bottom);
  }
  EXPECT_EQ(plot_title_layout({2479, 3508, 0, 297}).cell, 0);  // no size: nothing to draw
}

}  // namespace
