#include "cad/face_pick.h"

#include <gtest/gtest.h>

#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "cad_fixtures.h"
#include "framework/rand15.h"

using namespace fixtures;

namespace {

TEST(Rand15, FollowsTheRuntimeSequenceFromSeedOne) {
  rand15_seed(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int v : expected) EXPECT_EQ(rand15(), v);
  rand15_seed(1);
  EXPECT_EQ(rand15(), 41);
}

// XY view, 10 pixels per metre, world origin at pixel (100, 100).
class FacePick : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    plan_view();
    g_view.hidden_mode = 0;
    rand15_seed(1);
  }
  void TearDown() override { obj_free_all(); }
};

TEST_F(FacePick, ShuffleSwapsEachPositionWithADrawnOne) {
  DrawObject* o = rect_face(0, 0, 1, 1);
  obj_append(o);
  std::vector<FaceSelection> c = {{o, 0}, {o, 1}, {o, 2}, {o, 3}};
  cad_shuffle_candidates(c);
  // Draws 41, 18467, 6334, 26500 give j = 0, 2, 0, 3.
  EXPECT_EQ(c, (std::vector<FaceSelection>{{o, 1}, {o, 2}, {o, 0}, {o, 3}}));
}

TEST_F(FacePick, CandidatesAreThePolygonsOfDrawnSurfacesOnTheLayer) {
  DrawObject* face = rect_face(0, 0, 2, 2);            // pixels 100..120 x 80..100
  DrawObject* box = box_body(2, 2, 2);                 // six polygons
  DrawObject* other_layer = rect_face(0, 0, 2, 2);
  other_layer->layer = 1;
  DrawObject* hidden = rect_face(0, 0, 2, 2);
  hidden->attributes = OBJ_ATTR_LAYER_HIDDEN;
  DrawObject* line = rect_face(0, 0, 2, 2);
  line->kind = OBJ_KIND_POLYLINE;
  DrawObject* far = rect_face(5, 5, 6, 6);
  for (DrawObject* o : {face, box, other_layer, hidden, line, far}) obj_append(o);
  std::vector<FaceSelection> c;
  cad_face_candidates(110, 90, c);
  EXPECT_EQ(c.size(), 7u);
  EXPECT_EQ(c[0], (FaceSelection{face, 0}));
  EXPECT_EQ(c[1], (FaceSelection{box, 0}));
  EXPECT_EQ(c[6], (FaceSelection{box, 25}));
  EXPECT_TRUE(cad_polygon_hit(face, 0, 110, 90));
  EXPECT_FALSE(cad_polygon_hit(face, 0, 125, 90));
  EXPECT_TRUE(cad_polygon_hit(box, 5, 110, 90));   // the top, z = 2
  EXPECT_FALSE(cad_polygon_hit(box, 10, 110, 90)); // the side y = 0 is a line on screen

  // In hidden mode a face seen from behind is no candidate.
  DrawObject* turned = rect_face(0, 0, 2, 2);
  obj_make_current(OBJ_MC_LOAD, turned);
  cad_reverse_all_polygons(turned);
  obj_free_all();
  face = rect_face(0, 0, 2, 2);
  obj_append(face);
  obj_append(turned);
  g_view.hidden_mode = 1;
  cad_face_candidates(110, 90, c);
  ASSERT_EQ(c.size(), 1u);
  g_view.hidden_mode = 0;
  cad_face_candidates(110, 90, c);
  EXPECT_EQ(c.size(), 2u);
}

std::vector<std::pair<FaceSelection, int>> g_highlights;
void record(const FaceSelection& p, int on) { g_highlights.push_back({p, on}); }

TEST_F(FacePick, RepeatedClicksStepThroughStackedPolygons) {
  DrawObject* low = rect_face(0, 0, 2, 2, 0);
  DrawObject* high = rect_face(0, 0, 2, 2, 3);
  DrawObject* beside = rect_face(4, 0, 6, 2);
  for (DrawObject* o : {low, high, beside}) obj_append(o);
  FaceSelection picked{nullptr, -1};
  g_highlights.clear();
  EXPECT_FALSE(cad_face_pick_click(picked, 200, 200, record));  // nothing there
  // The first click picks the first hit and, meeting the other polygon
  // under the click, moves on to it.
  ASSERT_TRUE(cad_face_pick_click(picked, 110, 90, record));
  FaceSelection first = g_highlights[0].first;
  ASSERT_TRUE(first.object == low || first.object == high);
  ASSERT_EQ(g_highlights.size(), 3u);
  EXPECT_EQ(g_highlights[0].second, 1);
  EXPECT_EQ(g_highlights[1], std::make_pair(first, 0));
  EXPECT_EQ(g_highlights[2], std::make_pair(picked, 1));
  EXPECT_FALSE(picked == first);
  for (int click = 0; click < 4; ++click) {
    FaceSelection before = picked;
    ASSERT_TRUE(cad_face_pick_click(picked, 110, 90, record));
    EXPECT_FALSE(picked == before);
    EXPECT_TRUE(picked.object == low || picked.object == high);
  }
  EXPECT_EQ(g_highlights.size(), 11u);  // off and on for each step
  ASSERT_TRUE(cad_face_pick_click(picked, 150, 90, record));  // a polygon elsewhere
  EXPECT_EQ(picked, (FaceSelection{beside, 0}));
}

// Records the primitives of the highlight.
struct LineTarget : RenderTarget {
  std::vector<std::pair<int, int>> points;
  std::vector<int> pens;
  int current = 1;
  int client_width() override { return 200; }
  int client_height() override { return 200; }
  void set_pen(int index) override { current = index; pens.push_back(index); }
  int pen() override { return current; }
  void set_brush(int) override {}
  void set_back_colour(int) override {}
  void set_text_colour(int) override {}
  void move_to(int x, int y) override { points.push_back({x, y}); }
  void line_to(int x, int y) override { points.push_back({x, y}); }
  void polyline(const PolyPoint*, int) override {}
  void polygon(PolyPoint*, int, bool) override {}
  void rect_outline(int, int, int, int) override {}
  void fill_rect(int, int, int, int, int) override {}
  void text_out(int, int, const char*) override {}
  void text_centred(int, int, int, int, const char*, int) override {}
  bool begin_offscreen() override { return false; }
  void end_offscreen() override {}
  void set_raster_op(int) override {}
  int raster_op() override { return 13; }
};

TEST_F(FacePick, HighlightOutlinesOnePolygonAndRestoresThePen) {
  DrawObject* box = box_body(2, 2, 2);
  box->colour = 6;
  obj_append(box);
  LineTarget target;
  RenderTarget* previous = render_set_target(&target);
  g_view.selected_pen = 32;
  cad_highlight_polygon(box, 5, 1);
  EXPECT_EQ(target.points, (std::vector<std::pair<int, int>>{{100, 100}, {100, 80}, {120, 80}, {120, 100}, {100, 100}}));
  EXPECT_EQ(target.pens, (std::vector<int>{32, 1}));
  cad_highlight_polygon(box, 5, 0);
  EXPECT_EQ(target.pens[2], 6);
  render_set_target(previous);
}

}  // namespace
