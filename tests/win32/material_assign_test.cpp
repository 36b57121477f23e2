#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "cad/cad_state.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/design_dialogs_win.h"
#include "design/material_cmds.h"
#include "design/material_win.h"
#include "framework/gfx_win.h"
#include "framework/win_frame_win.h"
#include "tests/win32/command_harness.h"
#include "materials/material.h"
#include "tests/win32/dialog_script.h"

// The whole assignment command on a real drawing window: the material is
// chosen in the selection dialog, each polygon by a click and OK, STOP ends it.
namespace {

using command_harness::g_drawing;

LPARAM pixel_of(float x, float y) { return MAKELPARAM(view_world_to_screen(x, 1), view_world_to_screen(y, 0)); }

void post_click(float x, float y) {
  PostMessageA(g_drawing, WM_MOUSEMOVE, 0, pixel_of(x, y));
  PostMessageA(g_drawing, WM_LBUTTONDOWN, MK_LBUTTON, pixel_of(x, y));
}

void post_key(int vk) { PostMessageA(win_main_window(), WM_KEYDOWN, static_cast<WPARAM>(vk), 0); }

// Square face 0..1 x 0..1 on the room layer with material 0.
DrawObject* add_square(float x0) {
  DrawObject* face = obj_create(0, 4, 6);
  face->kind = OBJ_KIND_FACE;
  face->layer = LAYER_ROOM;
  const WorldPoint nodes[4] = {{x0, 0, 0}, {x0 + 1, 0, 0}, {x0 + 1, 1, 0}, {x0, 1, 0}};
  std::memcpy(face->nodes, nodes, sizeof nodes);
  const ElementCode elements[6] = {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1},
                                   {EL_LINE, 2},  {EL_LINE, 3},     {EL_CLOSE, 0}};
  std::memcpy(face->elements, elements, sizeof elements);
  face->element_count = 6;
  obj_append(face);
  return face;
}

// In the selection dialog: take the second record, confirm, and queue the
// clicks and keys the selection loop will read once the dialog is gone.
void answer_dialog(HWND dialog) {
  dialog_script::select_list_row(dialog, 101, 1);
  dialog_script::click(dialog, 110);
  post_click(0.5f, 0.5f);  // inside the first square
  post_key(VK_RETURN);     // OK: this polygon gets the material
  post_click(4.5f, 0.5f);  // the second polygon of the body
  post_key(VK_RETURN);
  post_key(VK_ESCAPE);     // STOP in the next pick ends the command
}

TEST(MaterialAssign, ChosenMaterialGoesToTheClickedFace) {
  ASSERT_TRUE(command_harness::open_windows());
  design_install_win32_dialogs();  // as the program's start-up does

  obj_free_all();
  view_new_drawing_defaults();
  view_set_xy();
  g_view.scale = 40;
  g_view.centre_x = g_view.centre_y = 0;
  g_view.current_layer = 0;
  view_relayout();
  input_enable_cursor(1);

  std::memset(&g_material_table, 0, sizeof g_material_table);
  mat_reset_table();
  std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
  const char* names[3] = {"Beton", "Teppich", "Vorhang"};
  for (int i = 0; i < 3; ++i) {
    std::strcpy(g_absorber_db.records[i].name, names[i]);
    for (float& a : g_absorber_db.records[i].absorption) a = 0.1f * (i + 1);
  }
  g_absorber_db.count = 3;
  std::strcpy(g_absorber_db_path, "TEST.OAB");
  DrawObject* first = add_square(0);
  DrawObject* second = add_square(3);
  // A body of two polygons side by side, 3..4 and 4..5: only the one picked
  // gets the material.
  second->kind = OBJ_KIND_BODY;
  second->nodes = obj_realloc_nodes(second->nodes, 4, 6);
  second->nodes[4] = {5, 0, 0};
  second->nodes[5] = {5, 1, 0};
  second->elements = obj_realloc_elements(second->elements, 6, 11);
  const ElementCode right[5] = {{EL_START, 1}, {EL_MATERIAL, 0}, {EL_LINE, 4}, {EL_LINE, 5}, {EL_CLOSE, 2}};
  std::memcpy(second->elements + 6, right, sizeof right);
  second->node_count = 6;
  second->element_count = 11;
  g_modified = 0;

  g_running_command = 2501;
  dialog_script::run_all({{"Absorptionsmaterialien", answer_dialog}}, mat_cmd_assign);
  g_running_command = 0;

  EXPECT_EQ(g_material_table.count, 2);
  EXPECT_STREQ(g_material_table.records[1].name, "Teppich");
  EXPECT_EQ(first->elements[1].value, 1);
  EXPECT_EQ(second->elements[1].value, 0);
  EXPECT_EQ(second->elements[7].value, 1);
  EXPECT_EQ(g_modified, 1);
  EXPECT_FALSE(first->attributes & OBJ_ATTR_SELECTED);
  EXPECT_STREQ(g_material_table.records[0].name, "100%");  // the purge keeps the default
  EXPECT_STREQ(g_prompt_prefix, "");
  obj_free_all();
}

}  // namespace
