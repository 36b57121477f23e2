// Every editing operation undone through the undo ring gives back the
// drawing it started from, byte for byte.
#include <gtest/gtest.h>

#include <functional>

#include "cad/body_geom.h"
#include "cad/edit_geom.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "cad_fixtures.h"

using namespace fixtures;

namespace {

DrawObject* first_selected() {
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o->attributes & OBJ_ATTR_SELECTED) return o;
  return nullptr;
}

// Replaces the first selected object by what build makes of it.
void replace_first(const std::function<DrawObject*(DrawObject*)>& build) {
  DrawObject* source = first_selected();
  DrawObject* made = build(source);
  ASSERT_NE(made, nullptr);
  obj_insert_before(made, source);
  obj_free(source);
}

TEST(EditUndo, EveryOperationUndoesToTheStartingBytes) {
  obj_free_all();
  obj_reset_layers();
  view_new_drawing_defaults();
  g_view.kind = VIEW_XY;
  struct Case {
    const char* name;
    std::function<void()> edit;
  } cases[] = {
      {"move", [] { cad_translate_selected(1, 2, 3); }},
      {"rotate", [] {
         double m[3][3];
         cad_view_rotation(VIEW_XZ, 0.3, m);
         cad_rotate_object(first_selected(), {1, 1, 1}, m);
       }},
      {"scale", [] { cad_scale_object(first_selected(), {0, 0, 0}, 2, -1, 0.5); }},
      {"group", [] { ASSERT_TRUE(cad_group_selected(0)); }},
      {"extrude", [] {
         BuildStatus status;
         replace_first([&](DrawObject* s) { return cad_extrude_object(s, 0, 0, 2, &status); });
       }},
      {"lathe", [] {
         BuildStatus status;
         replace_first([&](DrawObject* s) {
           return cad_lathe_object(s, LatheSpec{VIEW_XY, {-1, 0, 0}, 90, 3, false}, &status);
         });
       }},
      {"explode", [] { cad_explode_body(g_obj_tail); }},
      {"join", [] { ASSERT_NE(cad_join_faces(0), nullptr); }},
      {"split", [] {
         DrawObject* result;
         ASSERT_EQ(cad_split_polygon(g_obj_tail, 5, VIEW_XY, {1, -1, 3}, {1, 5, 3}, &result), BuildStatus::ok);
       }},
      {"insert nodes", [] {
         BuildStatus status;
         replace_first([&](DrawObject* s) { return cad_insert_cut_nodes(s, VIEW_XY, {0.5f, -1, 0}, {0.5f, 9, 0}, &status); });
       }},
      {"delete polygon", [] {
         DrawObject* result;
         ASSERT_EQ(cad_delete_polygon(g_obj_tail, 10, 0, &result), BuildStatus::ok);
       }},
  };
  for (const Case& c : cases) {
    undo_clear();
    obj_free_all();
    for (float x : {0.0f, 3.0f}) {
      DrawObject* face = rect_face(x, 0, x + 1, 1, 0, 2);
      face->attributes = OBJ_ATTR_SELECTED;
      obj_append(face);
    }
    obj_append(box_body(2, 3, 3));
    std::vector<uint8_t> start = model_bytes();
    ASSERT_EQ(undo_push(), 1) << c.name;
    c.edit();
    EXPECT_NE(model_bytes(), start) << c.name;
    undo_undo();
    EXPECT_EQ(model_bytes(), start) << c.name;
  }
  undo_clear();
  obj_free_all();
}

}  // namespace
