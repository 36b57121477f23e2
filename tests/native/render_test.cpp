// The renderer's primitives, recorded through the drawing seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/render.h"
#include "cad/view.h"
#include "speakers/legacy_drawing.h"

namespace {

struct Primitive {
  std::string what;  // "polygon", "fill", "polyline", "rect", "line", "text"
  int pen, brush, count;
  bool filled;
  std::vector<PolyPoint> points;
  std::string text;
};

class Recorder : public RenderTarget {
 public:
  std::vector<Primitive> log;
  int client_width() override { return 800; }
  int client_height() override { return 600; }
  void set_pen(int index) override { pen_ = index; }
  int pen() override { return pen_; }
  void set_brush(int index) override { brush_ = index; }
  void set_back_colour(int) override {}
  void set_text_colour(int) override {}
  void move_to(int x, int y) override { at_ = {x, y}; }
  void line_to(int x, int y) override {
    add("line", 2, false, {at_, {x, y}});
    at_ = {x, y};
  }
  void polyline(const PolyPoint* p, int n) override { add("polyline", n, false, {p, p + n}); }
  void polygon(PolyPoint* p, int n, bool filled) override { add("polygon", n, filled, {p, p + n}); }
  void rect_outline(int l, int t, int r, int b) override { add("rect", 2, false, {{l, t}, {r, b}}); }
  void fill_rect(int l, int t, int r, int b, int colour) override {
    add("fill", 2, true, {{l, t}, {r, b}});
    log.back().brush = colour;
  }
  void text_out(int x, int y, const char* text) override {
    add("text", 1, false, {{x, y}});
    log.back().text = text;
  }
  void text_centred(int l, int t, int r, int b, const char* text, int) override {
    add("centred", 2, false, {{l, t}, {r, b}});
    log.back().text = text;
  }
  bool begin_offscreen() override { return false; }
  void end_offscreen() override {}
  void set_raster_op(int) override {}
  int raster_op() override { return 13; }

  int count(const std::string& what) const {
    int n = 0;
    for (const Primitive& p : log) n += p.what == what;
    return n;
  }
  std::vector<Primitive> of(const std::string& what) const {
    std::vector<Primitive> out;
    for (const Primitive& p : log)
      if (p.what == what) out.push_back(p);
    return out;
  }

 private:
  void add(const char* what, int n, bool filled, std::vector<PolyPoint> pts) {
    log.push_back(Primitive{what, pen_, brush_, n, filled, std::move(pts), ""});
  }
  int pen_ = 0, brush_ = 30;
  PolyPoint at_{0, 0};
};

class RenderTest : public ::testing::Test {
 protected:
  Recorder rec;
  RenderTarget* previous = nullptr;
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    view_reset_host();
    view_new_drawing_defaults();
    view_set_headless_size(864, 648);
    g_view.kind = VIEW_XY;
    g_view.scale = 10.0f;
    g_view.centre_x = 0;
    g_view.centre_y = 0;
    view_relayout();
    previous = render_set_target(&rec);
    g_render_refs = RenderRefs{};
    g_render_refs.first_pick_element = -1;
  }
  void TearDown() override {
    render_set_target(previous);
    obj_free_all();
    g_render_refs = RenderRefs{};
  }
  void redraw() {
    rec.log.clear();
    render_objects(g_obj_head, g_obj_tail, 1);
  }
};

DrawObject* add_face(std::initializer_list<WorldPoint> nodes, uint32_t layer = 0, uint32_t colour = 0) {
  uint32_t n = static_cast<uint32_t>(nodes.size());
  DrawObject* o = obj_create(0, n, n);
  o->kind = OBJ_KIND_FACE;
  o->layer = layer;
  o->colour = colour;
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

// Counter-clockwise seen from +z: back-facing on the XY screen.
DrawObject* ccw_square(float x, uint32_t layer = 0) {
  return add_face({{x, 0, 0}, {x + 10, 0, 0}, {x + 10, 10, 0}, {x, 10, 0}}, layer);
}
DrawObject* cw_square(float x, uint32_t layer = 0) {
  return add_face({{x, 0, 0}, {x, 10, 0}, {x + 10, 10, 0}, {x + 10, 0, 0}}, layer);
}

TEST_F(RenderTest, FullRedrawClearsDrawsOutlinesAndTheLegend) {
  DrawObject* face = cw_square(0, 0);
  face->colour = 14;
  redraw();
  ASSERT_GE(rec.log.size(), 1u);
  EXPECT_EQ(rec.log[0].what, "fill");
  EXPECT_EQ(rec.log[0].brush, 30);
  auto polys = rec.of("polygon");
  ASSERT_EQ(polys.size(), 1u);
  EXPECT_EQ(polys[0].pen, 14);
  EXPECT_FALSE(polys[0].filled);
  ASSERT_EQ(polys[0].count, 4);
  EXPECT_EQ(polys[0].points[0].x, 400);
  EXPECT_EQ(polys[0].points[0].y, 300);
  EXPECT_EQ(polys[0].points[2].x, 500);
  EXPECT_EQ(polys[0].points[2].y, 200);
  // Axis legend: "Y" up and "X" right in pen 21.
  auto texts = rec.of("text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Y");
  EXPECT_EQ(texts[1].text, "X");
  EXPECT_EQ(g_render_screen_box.min_x, 400);
  EXPECT_EQ(g_render_screen_box.max_y, 300);
  EXPECT_EQ(g_view.busy, 0);
}

TEST_F(RenderTest, HiddenModeCullsBackFacesExceptListenerAreas) {
  ccw_square(0, 0);
  cw_square(20, 0);
  ccw_square(30, 1);
  redraw();
  EXPECT_EQ(rec.count("polygon"), 3);
  g_view.hidden_mode = 1;
  redraw();
  auto polys = rec.of("polygon");
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_EQ(polys[0].points[0].x, 600);  // the clockwise room face
  EXPECT_EQ(polys[1].points[0].x, 700);  // the listener area, never culled
}

TEST_F(RenderTest, LoudspeakersLoseTheirBackFacesEvenInWireframe) {
  ccw_square(0, 2);
  cw_square(20, 2);
  redraw();
  ASSERT_EQ(rec.count("polygon"), 1);
  EXPECT_EQ(rec.of("polygon")[0].points[0].x, 600);
}

TEST_F(RenderTest, ADegenerateFaceIsDrawnOnScreenButNotOnThePlotPage) {
  g_view.hidden_mode = 1;
  add_face({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}});  // area 0
  redraw();
  EXPECT_EQ(rec.count("polygon"), 1);
  rec.log.clear();
  render_plot_page(g_obj_head, g_obj_tail);
  EXPECT_EQ(rec.count("line"), 0);
}

TEST_F(RenderTest, SelectionPenTinyBoxesAndDragPreview) {
  DrawObject* face = cw_square(0, 0);
  face->attributes |= OBJ_ATTR_SELECTED;
  DrawObject* tiny = add_face({{20, 0, 0}, {20.25f, 0.25f, 0}});  // 2 x 3 pixels
  tiny->kind = OBJ_KIND_POLYLINE;
  redraw();
  EXPECT_EQ(rec.of("polygon")[0].pen, 32);
  auto rects = rec.of("rect");
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].points[0].x, 600);
  EXPECT_EQ(rects[0].points[1].x, 602);
  EXPECT_EQ(rec.count("polyline"), 0);
  g_view.drag_preview = 1;
  redraw();
  EXPECT_EQ(rec.count("polygon"), 0) << "the preview shows the selected face";
  rec.log.clear();
  render_objects(face, face, 0);
  EXPECT_EQ(rec.count("polygon"), 1) << "drawn alone over what is there";
  EXPECT_EQ(rec.count("fill"), 0);
}

TEST_F(RenderTest, HiddenObjectsAndObjectsOutsideTheWindowAreSkipped) {
  DrawObject* hidden = cw_square(0, 0);
  hidden->attributes |= OBJ_ATTR_LAYER_HIDDEN;
  cw_square(100, 0);  // pixels 1400 and beyond
  redraw();
  EXPECT_EQ(rec.count("polygon"), 0);
}

TEST_F(RenderTest, NodeBoxesOnTheCurrentLayerOnly) {
  cw_square(0, 0);
  cw_square(20, 7);
  g_view.node_boxes = 1;
  g_view.current_layer = 0;
  redraw();
  auto rects = rec.of("rect");
  ASSERT_EQ(rects.size(), 4u);
  EXPECT_EQ(rects[0].pen, 19);
  EXPECT_EQ(rects[0].points[0].x, 398);
  EXPECT_EQ(rects[0].points[1].x, 402);
}

TEST_F(RenderTest, OpenChainsArePolylinesAndBadNodeNumbersAreIgnored) {
  DrawObject* o = obj_create(0, 3, 5);
  o->kind = OBJ_KIND_POLYLINE;
  o->nodes[0] = {0, 0, 0};
  o->nodes[1] = {10, 0, 0};
  o->nodes[2] = {10, 10, 0};
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_LINE, 1};
  o->elements[2] = {EL_LINE, 77};  // no such node
  o->elements[3] = {EL_LINE, 2};
  o->elements[4] = {EL_START, 2};  // a single point is not drawn
  obj_append(o);
  redraw();
  auto lines = rec.of("polyline");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].count, 3);
}

TEST_F(RenderTest, CommentIsCentredAtTheBottom) {
  std::strcpy(g_view.comment, "Saal 1");
  redraw();
  auto c = rec.of("centred");
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].text, "Saal 1");
  EXPECT_EQ(c[0].points[0].y, 584);
  EXPECT_EQ(c[0].points[1].y, 600);
}

TEST_F(RenderTest, AxisCrossIn3dKeepsItsSizeWhateverTheZoom) {
  DrawObject* cross = obj_create(0, 20, 2);
  for (int i = 0; i < 20; ++i) cross->nodes[i] = {0, 0, 0};
  cross->nodes[0] = {10, 0, 0};
  cross->elements[0] = {EL_START, 18};
  cross->elements[1] = {EL_LINE, 0};
  g_axis_cross = cross;
  g_view.kind = VIEW_3D;
  g_view.angle_3d_a = 0;
  g_view.angle_3d_b = 0;
  for (float scale : {5.0f, 500.0f}) {
    g_view.scale = scale;
    view_relayout();
    redraw();
    auto lines = rec.of("line");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points[0].x, 45);
    EXPECT_EQ(lines[0].points[0].y, 555);
    EXPECT_EQ(lines[0].points[1].x, 65);  // 10 units of the symbol: 20 pixels
    EXPECT_EQ(lines[0].points[1].y, 555);
  }
  g_axis_cross = nullptr;
  obj_free(cross);
}

// The program's own axis cross (the built-in drawing, its axis nodes
// hidden as at start-up) stands about 30 pixels tall and wide in the 3D
// view: readable, like the corner of the other views.
TEST_F(RenderTest, BuiltInAxisCrossIsReadableIn3d) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  FILE* f = std::fopen((std::string(generated) + "/XYZ_CROSS.bin").c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<uint8_t> data(100000);
  data.resize(std::fread(data.data(), 1, data.size(), f));
  std::fclose(f);
  DrawObject* cross = legacy_block_from_resource_bytes(data.data(), data.size());
  ASSERT_NE(cross, nullptr);
  cross->node_count -= 2;
  ASSERT_GT(cross->node_count, 18u);
  EXPECT_EQ(cross->nodes[18].x, 0.0f);  // the origin the renderer draws from
  EXPECT_EQ(cross->nodes[18].z, 0.0f);
  g_axis_cross = cross;
  g_view.kind = VIEW_3D;
  struct Angles {
    float a, b;
  } views[] = {{0.0f, 0.0f}, {0.6f, 0.5f}, {-0.9f, 2.2f}};
  for (const Angles& v : views) {
    g_view.angle_3d_a = v.a;
    g_view.angle_3d_b = v.b;
    view_relayout();
    redraw();
    int min_x = 1 << 20, max_x = -(1 << 20), min_y = 1 << 20, max_y = -(1 << 20);
    for (const Primitive& p : rec.log) {
      if (p.what != "line") continue;
      for (const PolyPoint& q : p.points) {
        min_x = std::min(min_x, q.x), max_x = std::max(max_x, q.x);
        min_y = std::min(min_y, q.y), max_y = std::max(max_y, q.y);
      }
    }
    SCOPED_TRACE(testing::Message() << "angles " << v.a << " " << v.b);
    EXPECT_GE(std::max(max_x - min_x, max_y - min_y), 30);
    EXPECT_GE(std::min(max_x - min_x, max_y - min_y), 12);
    EXPECT_LE(std::max(max_x - min_x, max_y - min_y), 90);  // still a corner symbol
  }
  g_axis_cross = nullptr;
  obj_free(cross);
}

class EyeRenderTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    g_view.kind = VIEW_EYE;
    g_view.eye_point = {0, 0, 0};
    view_set_angles();
    view_update_rotation();
  }
  // A square across the view at distance x, facing the eye (drawn with sign +1).
  DrawObject* wall(float x, float half, uint32_t layer = 0) {
    return add_face({{x, -half, -half}, {x, -half, half}, {x, half, half}, {x, half, -half}}, layer);
  }
};

TEST_F(EyeRenderTest, HiddenModeDrawsFarFirstSoTheNearFaceCovers) {
  g_view.hidden_mode = 1;
  wall(5, 1);   // near, first in the list
  wall(20, 8);  // far
  redraw();
  auto polys = rec.of("polygon");
  ASSERT_EQ(polys.size(), 2u);
  EXPECT_TRUE(polys[0].filled);
  EXPECT_EQ(render_eye_polygons()[0].depth_max, 20000);
  EXPECT_EQ(render_eye_polygons()[1].depth_max, 5000);
  EXPECT_EQ(polys[0].brush, 8);  // room faces
}

TEST_F(EyeRenderTest, ListenerAreasAreNeverDrawnAndBackFacesAreCulled) {
  wall(5, 1, 1);
  add_face({{6, 1, -1}, {6, 1, 1}, {6, -1, 1}, {6, -1, -1}});  // turned away
  redraw();
  EXPECT_EQ(rec.count("polygon"), 0);
  EXPECT_EQ(render_eye_polygon_count(), 0);
}

TEST_F(EyeRenderTest, EqualFarDepthsSortByTheNearDepth) {
  EyePolygon a{nullptr, 0, 100, 10}, b{nullptr, 0, 100, 50}, c{nullptr, 0, 200, 0};
  EXPECT_LT(render_compare_depth(c, a), 0);
  EXPECT_LT(render_compare_depth(b, a), 0);
  EXPECT_GT(render_compare_depth(a, b), 0);
  EXPECT_EQ(render_compare_depth(a, a), 0);
}

TEST_F(EyeRenderTest, PolygonsBeyondTheListCapacityAreNotDrawn) {
  // One body of 4097 small triangles facing the eye.
  const uint32_t polygons = MAX_EYE_POLYGONS + 1;
  DrawObject* body = obj_create(0, 3, polygons * 3);
  body->kind = OBJ_KIND_BODY;
  body->nodes[0] = {10, -0.5f, -0.5f};
  body->nodes[1] = {10, -0.5f, 0.5f};
  body->nodes[2] = {10, 0.5f, 0.5f};
  for (uint32_t i = 0; i < polygons; ++i) {
    body->elements[3 * i] = {EL_START, 0};
    body->elements[3 * i + 1] = {EL_LINE, 1};
    body->elements[3 * i + 2] = {EL_CLOSE, 2};
  }
  obj_append(body);
  redraw();
  EXPECT_EQ(render_eye_polygon_count(), MAX_EYE_POLYGONS);
  EXPECT_EQ(rec.count("polygon"), MAX_EYE_POLYGONS);
}

TEST_F(EyeRenderTest, LoudspeakerFacesUseTheOppositeOrientation) {
  wall(5, 1, 2);
  redraw();
  EXPECT_EQ(rec.count("polygon"), 0);
  obj_free_all();
  add_face({{6, 1, -1}, {6, 1, 1}, {6, -1, 1}, {6, -1, -1}}, 2);
  redraw();
  ASSERT_EQ(rec.count("polygon"), 1);
  EXPECT_EQ(rec.of("polygon")[0].brush, 3);
}

}  // namespace

namespace {

// An object read from a file may carry more nodes than the screen-point
// buffer holds: the nodes beyond it are left out, nothing is written past it.
TEST_F(RenderTest, NodesBeyondTheScreenPointBufferAreLeftOut) {
  const uint32_t nodes = MAX_SCREEN_POINTS + 600;
  DrawObject* o = obj_create(0, nodes, 3);
  o->kind = OBJ_KIND_POLYLINE;
  for (uint32_t i = 0; i < nodes; ++i) o->nodes[i] = {static_cast<float>(i % 50), 0, 0};
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_LINE, 10};
  o->elements[2] = {EL_LINE, static_cast<uint16_t>(nodes - 1)};
  obj_append(o);
  redraw();
  EXPECT_EQ(g_projected_count, MAX_SCREEN_POINTS);
  auto lines = rec.of("polyline");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].count, 2);
  g_view.kind = VIEW_EYE;
  g_view.eye_point = {-5, 0, 0};
  view_set_angles();
  view_update_rotation();
  o->kind = OBJ_KIND_BODY;
  o->elements[2] = {EL_CLOSE, static_cast<uint16_t>(nodes - 1)};
  redraw();  // the eye view walks the same elements
  EXPECT_EQ(render_eye_polygon_count(), 0);
}

}  // namespace
