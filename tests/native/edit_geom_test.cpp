#include "cad/edit_geom.h"

#include <gtest/gtest.h>

#include <cmath>

#include "cad/drag_preview.h"
#include "cad/face_geom.h"
#include "cad/input.h"
#include "cad/view.h"
#include "cad_fixtures.h"

using namespace fixtures;

namespace {

class EditGeom : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    view_new_drawing_defaults();
  }
  void TearDown() override { obj_free_all(); }
  DrawObject* add(DrawObject* o, bool selected = false) {
    if (selected) o->attributes |= OBJ_ATTR_SELECTED;
    obj_append(o);
    return o;
  }
};

TEST_F(EditGeom, QuarterTurnInEachViewTurnsItsFirstAxisToItsSecond) {
  struct Case {
    int view;
    WorldPoint in, out;
  } cases[] = {
      {VIEW_XY, {1, 0, 7}, {0, 1, 7}},
      {VIEW_3D, {1, 0, 7}, {0, 1, 7}},
      {VIEW_XZ, {1, 7, 0}, {0, 7, 1}},
      {VIEW_YZ, {7, 1, 0}, {7, 0, 1}},
  };
  for (const Case& c : cases) {
    double m[3][3];
    ASSERT_TRUE(cad_view_rotation(c.view, 90 * 3.141592654 / 180, m));
    DrawObject* o = add(make(OBJ_KIND_POLYLINE, {{c.in.x + 2, c.in.y + 3, c.in.z + 4}}, {{EL_START, 0}}));
    cad_rotate_object(o, {2, 3, 4}, m);  // about a centre away from the origin
    EXPECT_NEAR(o->nodes[0].x, c.out.x + 2, 1e-6) << c.view;
    EXPECT_NEAR(o->nodes[0].y, c.out.y + 3, 1e-6) << c.view;
    EXPECT_NEAR(o->nodes[0].z, c.out.z + 4, 1e-6) << c.view;
  }
  double m[3][3];
  EXPECT_FALSE(cad_view_rotation(VIEW_EYE, 1.0, m));
}

TEST_F(EditGeom, ScaleTakesFactorsAsTheyAreAndKeepsTheWinding) {
  DrawObject* box = add(box_body(1, 2, 3));
  std::vector<ElementCode> before = elements_of(box);
  cad_scale_object(box, {0, 0, 1}, 2, 1, -1);  // mirrors in z about z = 1
  EXPECT_FLOAT_EQ(box->nodes[7].x, 2);
  EXPECT_FLOAT_EQ(box->nodes[7].y, 2);
  EXPECT_FLOAT_EQ(box->nodes[7].z, -1);
  EXPECT_FLOAT_EQ(box->nodes[0].z, 2);
  EXPECT_EQ(elements_of(box), before);
  double area = 0, volume = 0;
  cad_area_volume(box, &area, &volume);
  EXPECT_NEAR(volume, -12, 1e-9);  // the orientation is not corrected
  cad_scale_object(box, {5, 5, 5}, 0, 0, 0);
  EXPECT_FLOAT_EQ(box->nodes[3].x, 5);
}

TEST_F(EditGeom, MirroredFaceRunsTheOtherWayAndItsNormalIsTheMirrorImage) {
  g_view.kind = VIEW_XY;
  DrawObject* face = add(make(OBJ_KIND_FACE, {{1, 0, 0}, {2, 0, 1}, {2, 1, 1}, {1, 1, 0}}, ring(0, 4, 5)), true);
  face->attributes |= OBJ_ATTR_CREATED;
  DrawObject* line = add(make(OBJ_KIND_POLYLINE, {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}},
                              {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}}));
  obj_make_current(OBJ_MC_LOAD, face);
  double nx, ny, nz;
  cad_polygon_normal(0, &nx, &ny, &nz);
  // The mirror line is the y axis: x -> -x.
  g_base_point = {0, 0, 0};
  g_cursor_point = {0, 1, 0};
  cad_mirror_preview(face, 0, 0, 0);
  cad_orient_mirrored(face);
  cad_orient_mirrored(line);
  EXPECT_FLOAT_EQ(face->nodes[1].x, -2);
  EXPECT_EQ(elements_of(face), (std::vector<ElementCode>{{EL_START, 0}, {EL_MATERIAL, 5}, {EL_LINE, 3},
                                                          {EL_LINE, 2}, {EL_CLOSE, 1}}));
  obj_make_current(OBJ_MC_LOAD, face);
  double mx, my, mz;
  cad_polygon_normal(0, &mx, &my, &mz);
  EXPECT_NEAR(mx, -nx, 1e-9);
  EXPECT_NEAR(my, ny, 1e-9);
  EXPECT_NEAR(mz, nz, 1e-9);
  EXPECT_EQ(line->elements[1].value, 1);  // open polylines stay as they are
}

TEST_F(EditGeom, FlatSizeIsSummedInSinglePrecisionOverTheSelection) {
  DrawObject* a = add(rect_face(0, 0, 1, 1), true);    // 48 + 48 + 20 = 116
  add(rect_face(0, 0, 1, 1));                         // not selected
  DrawObject* big = add(obj_create(0, 87000, 0), true);  // 48 + 1044000
  EXPECT_FLOAT_EQ(cad_selection_flat_size(), 116 + 1044048);
  EXPECT_TRUE(cad_selection_fits_memory());
  a->attributes = 0;
  DrawObject* more = add(obj_create(0, 375, 0), true);  // 48 + 4500 pushes it past 1 MiB
  EXPECT_FALSE(cad_selection_fits_memory());
  more->attributes = big->attributes = 0;
  EXPECT_FLOAT_EQ(cad_selection_flat_size(), 0);
}

TEST_F(EditGeom, TranslateSelectedMovesOnlyTheSelection) {
  DrawObject* a = add(rect_face(0, 0, 1, 1), true);
  DrawObject* b = add(rect_face(0, 0, 1, 1));
  cad_translate_selected(1, 2, 3);
  EXPECT_FLOAT_EQ(a->nodes[2].x, 2);
  EXPECT_FLOAT_EQ(a->nodes[2].z, 3);
  EXPECT_FLOAT_EQ(b->nodes[2].x, 1);
}

std::vector<uint32_t> kinds() {
  std::vector<uint32_t> out;
  for (DrawObject* o : list()) out.push_back(o->kind);
  return out;
}

TEST_F(EditGeom, GroupEnclosesTheSelectionAndMovesItToTheFront) {
  DrawObject* a = add(rect_face(0, 0, 1, 1));
  DrawObject* b = add(rect_face(0, 0, 1, 1, 0), true);
  b->layer = 3;
  DrawObject* c = add(rect_face(0, 0, 1, 1));
  DrawObject* d = add(rect_face(0, 0, 1, 1), true);
  EXPECT_TRUE(cad_group_selected(7));
  std::vector<DrawObject*> objects = list();
  ASSERT_EQ(objects.size(), 6u);
  EXPECT_EQ(kinds(), (std::vector<uint32_t>{OBJ_KIND_GROUP_BEGIN, OBJ_KIND_FACE, OBJ_KIND_FACE, OBJ_KIND_GROUP_END,
                                            OBJ_KIND_FACE, OBJ_KIND_FACE}));
  EXPECT_EQ(objects[1], b);
  EXPECT_EQ(objects[2], d);
  EXPECT_EQ(objects[4], a);
  EXPECT_EQ(objects[5], c);
  EXPECT_EQ(g_obj_tail, c);
  EXPECT_EQ(objects[0]->layer, 3u);  // the begin marker takes its first member's layer
  EXPECT_EQ(objects[3]->layer, 7u);  // the end marker the current layer
  EXPECT_EQ(objects[0]->node_count + objects[0]->element_count + objects[0]->aux_size, 0u);
  EXPECT_EQ(input_group_end(objects[0]), objects[3]);

  for (DrawObject* o : list()) o->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
  a->attributes |= OBJ_ATTR_SELECTED;
  std::vector<uint8_t> before = model_bytes();
  EXPECT_FALSE(cad_group_selected(0));  // one object alone is no group
  EXPECT_EQ(model_bytes(), before);
}

TEST_F(EditGeom, UngroupRemovesOnlyTheOutermostPairOfTheFirstGroup) {
  // [B1 [B2 f E2] g E1] h [B3 i E3], everything selected.
  auto marker = [&](uint32_t kind) { return add(cad_new_marker(kind), true); };
  DrawObject* b1 = marker(OBJ_KIND_GROUP_BEGIN);
  DrawObject* b2 = marker(OBJ_KIND_GROUP_BEGIN);
  add(rect_face(0, 0, 1, 1), true);
  DrawObject* e2 = marker(OBJ_KIND_GROUP_END);
  add(rect_face(0, 0, 1, 1), true);
  DrawObject* e1 = marker(OBJ_KIND_GROUP_END);
  add(rect_face(0, 0, 1, 1), true);
  marker(OBJ_KIND_GROUP_BEGIN);
  add(rect_face(0, 0, 1, 1), true);
  marker(OBJ_KIND_GROUP_END);
  ASSERT_TRUE(cad_ungroup_selected());
  std::vector<DrawObject*> objects = list();
  EXPECT_EQ(objects.size(), 8u);
  EXPECT_EQ(objects[0], b2);
  EXPECT_EQ(objects[2], e2);
  EXPECT_EQ(std::count(objects.begin(), objects.end(), b1), 0);
  EXPECT_EQ(std::count(objects.begin(), objects.end(), e1), 0);
  ASSERT_TRUE(cad_ungroup_selected());  // the inner group next
  ASSERT_TRUE(cad_ungroup_selected());  // then the second one
  EXPECT_FALSE(cad_ungroup_selected());
  EXPECT_EQ(obj_count(), 4);
}

}  // namespace
