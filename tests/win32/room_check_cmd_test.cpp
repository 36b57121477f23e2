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
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"
#include "framework/win_frame_win.h"
#include "tests/win32/own_dialog.h"

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

// What a real message box showed, seen from a thread timer while it is up,
// then closed with OK.
struct RealBox {
  bool seen = false;
  std::string caption, text;
  int caption_extent = 0, caption_room = 0;
};
RealBox g_real_box;

int caption_font_extent(HWND box, const std::string& text) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(box, dc);
  DeleteObject(font);
  return size.cx;
}

void CALLBACK look_at_box(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = own_dialog::message_box();
  if (!box) return;
  KillTimer(nullptr, timer);
  g_real_box.seen = true;
  g_real_box.caption = harness::window_text(box);
  g_real_box.text = own_dialog::box_text(box);
  g_real_box.caption_extent = caption_font_extent(box, g_real_box.caption);
  RECT client;
  GetClientRect(box, &client);
  g_real_box.caption_room = client.right - GetSystemMetrics(SM_CXSIZE);  // less the close button
  PostMessageA(box, WM_COMMAND, IDOK, 0);
}

// The room check with the program's own message box, as a user sees it.
RealBox check_with_real_box(bool ceiling, bool faces) {
  g_real_box = RealBox{};
  int code = harness::run({[&] {
    if (faces)
      build_box(ceiling);
    else
      obj_free_all();
    ui_install_win32_seams();
    SetTimer(nullptr, 0, 30, look_at_box);
    SendMessageA(win_main_window(), WM_COMMAND, ROOM_CHECK, 0);
  }});
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g_real_box.seen);
  return g_real_box;
}

// "XY -Fehler" is short; the box is wide enough for its caption all the same.
TEST(RoomCheckCommand, SummaryBoxShowsItsWholeCaption) {
  RealBox box = check_with_real_box(false, true);
  EXPECT_EQ(box.text, "XY -Fehler");
  EXPECT_EQ(box.caption, "Flächen fehlen !");
  EXPECT_GT(box.caption_extent, 0);
  EXPECT_LE(box.caption_extent, box.caption_room);
}

// A message of no caption of its own carries the program's name.
TEST(RoomCheckCommand, MessageWithoutCaptionCarriesTheProgramsName) {
  RealBox box = check_with_real_box(false, false);
  EXPECT_EQ(box.text, "Kein Raum zu erkennen");
  EXPECT_EQ(box.caption, "Orvante Planning Engine 2.90");
  EXPECT_LE(box.caption_extent, box.caption_room);
}

}  // namespace
