// The room check in the running design program: a box with one wall the
// wrong way round is put right and the undo takes it back; a box without
// its ceiling gets its error marks drawn in the drawing window.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app_harness.h"
#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int ROOM_CHECK = 2803, UNDO = 201, MARK_COLOUR = 16;

void add_face(std::vector<WorldPoint> nodes) {
  DrawObject* o = obj_create(0, 4, 5);
  for (uint32_t i = 0; i < 4; ++i) o->nodes[i] = nodes[i];
  o->elements[0] = ElementCode{EL_START, 0};
  o->elements[1] = ElementCode{EL_MATERIAL, 0};
  o->elements[2] = ElementCode{EL_LINE, 1};
  o->elements[3] = ElementCode{EL_LINE, 2};
  o->elements[4] = ElementCode{EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_ROOM;
  obj_append(o);
}

// The 6 x 4 x 3 box with its normals into the room; the ceiling optional.
void build_box(bool ceiling) {
  obj_free_all();
  const float x = 6, y = 4, z = 3;
  add_face({{0, 0, 0}, {x, 0, 0}, {x, y, 0}, {0, y, 0}});
  if (ceiling) add_face({{0, 0, z}, {0, y, z}, {x, y, z}, {x, 0, z}});
  add_face({{0, 0, 0}, {0, 0, z}, {x, 0, z}, {x, 0, 0}});
  add_face({{x, 0, 0}, {x, 0, z}, {x, y, z}, {x, y, 0}});
  add_face({{x, y, 0}, {x, y, z}, {0, y, z}, {0, y, 0}});
  add_face({{0, y, 0}, {0, y, z}, {0, 0, z}, {0, 0, 0}});
  view_zoom_all();
}

std::vector<uint16_t> winding(const DrawObject* o) {
  std::vector<uint16_t> w;
  for (uint32_t i = 0; i < o->element_count; ++i) w.push_back(o->elements[i].value);
  return w;
}

TEST(RoomCheckCommand, ReversedWallIsTurnedRoundAndTheUndoTakesItBack) {
  std::vector<uint16_t> wrong, checked, undone;
  int view_after = -1;
  int code = harness::run({
      [&] {
        build_box(true);
        DrawObject* wall = g_obj_head->next->next->next;  // x = 6
        cad_reverse_all_polygons(wall);
        wrong = winding(wall);
        SendMessageA(win_main_window(), WM_COMMAND, ROOM_CHECK, 0);
        view_after = g_view.kind;
        checked = winding(g_obj_head->next->next->next);
      },
      [&] {
        SendMessageA(win_main_window(), WM_COMMAND, UNDO, 0);
        undone = winding(g_obj_head->next->next->next);
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  EXPECT_EQ(harness::g_boxes[0].text, "1Flächen auto-invertiert ");
  EXPECT_EQ(harness::g_boxes[0].caption, "Rock ´n´ Roll !");
  EXPECT_NE(checked, wrong);
  EXPECT_EQ(undone, wrong);
  EXPECT_EQ(view_after, VIEW_3D);  // the F4 key at the end
}

TEST(RoomCheckCommand, BoxWithoutCeilingGetsItsHolesMarked) {
  int marked = 0, sampled = 0;
  int code = harness::run({
      [&] {
        build_box(false);
        SendMessageA(win_main_window(), WM_COMMAND, ROOM_CHECK, 0);
      },
      [&] {
        // The marks of the +z lines sit on the floor, drawn last in the 3D view.
        HDC dc = GetDC(win_drawing_window());
        for (float x = 0.55f; x < 6.0f; x += 1.0f)
          for (float y = 0.55f; y < 4.0f; y += 1.0f) {
            view_project_point(WorldPoint{x, y, 0.001f});
            const ScreenPoint& s = view_screen_points()[0];
            sampled += 1;
            marked += GetPixel(dc, s.x, s.y) == gfx_palette_colour(MARK_COLOUR);
          }
        ReleaseDC(win_drawing_window(), dc);
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  EXPECT_EQ(harness::g_boxes[0].text, "XY -Fehler");
  EXPECT_EQ(harness::g_boxes[0].caption, "Flächen fehlen !");
  EXPECT_EQ(marked, sampled);
}

}  // namespace
