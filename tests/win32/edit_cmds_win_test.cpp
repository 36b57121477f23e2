// Selection edit and body commands in the running design program, driven
// through the menu ids, the pointer on the drawing window, the keys and the
// typed-point and number dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "app_harness.h"
#include "cad/face_geom.h"
#include "cad/input_win.h"
#include "cad/projection.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "project/project_file.h"
#include "tests/native/cad_fixtures.h"
#include "tests/win32/own_dialog.h"
#include "window_bitmap.h"
#include "tests/win32/posted_input.h"

using namespace fixtures;

namespace {

using posted_input::click;
using posted_input::key;
using posted_input::move_to;
using posted_input::pixel_of;
void command(int id) { PostMessageA(win_main_window(), WM_COMMAND, static_cast<WPARAM>(id), 0); }

// Plan view, 20 pixels per metre around the origin, no snapping.
void plan_view() {
  input_enable_cursor(1);
  obj_free_all();
  view_set_xy();
  g_view.scale = 20;
  g_view.centre_x = g_view.centre_y = 0;
  g_view.coord_snap = 0;
  g_view.point_snap = 0;
  g_cursor_point = {0, 0, 0};  // the plan at z = 0
  view_relayout();
}

DrawObject* add(DrawObject* o) {
  o->colour = 1;
  obj_append(o);
  return o;
}

// Types into the dialog with that caption and presses its OK button (102).
void answer(const char* caption, std::vector<std::pair<int, const char*>> fields) {
  HWND dialog = own_dialog::find(caption);
  ASSERT_NE(dialog, nullptr) << caption;
  for (auto [id, text] : fields) SetDlgItemTextA(dialog, id, text);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);
}

// The drawing as it is on the screen, without the XOR cursor; kept as a
// file under the given name when the tests have a folder for such files.
WindowPixels drawing_shot(const char* name) {
  input_update_cursor(0);
  WindowPixels shot = capture_window(win_drawing_window());
  input_update_cursor(1);
  if (const char* dir = std::getenv("ORV_GENERATED"))
    save_window_bitmap(shot, std::string(dir) + "/" + name + ".bmp");
  return shot;
}

// Something other than the white background within a pixel of the point.
bool drawn_at(const WindowPixels& shot, const WorldPoint& p) {
  view_project_point(p);
  const ScreenPoint& s = view_screen_points()[0];
  return shot.differs_near(s.x, s.y, 1, RGB(255, 255, 255));
}

double volume_of(const DrawObject* o) {
  double area = 0, volume = 0;
  cad_area_volume(o, &area, &volume);
  return volume;
}

TEST(EditCommands, MoveFollowsThePointerAndStopPutsItBack) {
  DrawObject* face = nullptr;
  std::vector<uint8_t> start, after_stop;
  int modified_after_stop = -1, modified = -1;
  bool face_first = false, deselected = false;
  WorldPoint corner0{}, corner2{};
  bool stopped_drawn = false, stopped_preview_gone = true, moved_drawn = false, moved_old_gone = true,
       moved_preview_gone = true;
  int code = harness::run({
      [&] {
        plan_view();
        face = add(rect_face(0, 0, 2, 1));
        start = model_bytes();
        command(2302);
        click(0, 0.5f);  // its left edge
        key(VK_RETURN);
        click(0, 0);     // base point
        move_to(2, 1);
        move_to(4, 3);
        key(VK_ESCAPE);
      },
      [&] {
        after_stop = model_bytes();
        modified_after_stop = g_modified;
        WindowPixels shot = drawing_shot("edit_move_stopped");
        stopped_drawn = drawn_at(shot, {0, 0.5f, 0});            // back at its left edge
        stopped_preview_gone = !drawn_at(shot, {4, 3.5f, 0});    // where the preview left it
        command(2302);
        click(0, 0.5f);
        key(VK_RETURN);
        click(0, 0);
        move_to(1, 1);
        click(3, 2);
      },
      [&] {
        face_first = g_obj_head == face && obj_count() == 1;
        corner0 = face->nodes[0];
        corner2 = face->nodes[2];
        deselected = (face->attributes & OBJ_ATTR_SELECTED) == 0;
        modified = g_modified;
        move_to(8, 8);
      },
      [&] {
        WindowPixels shot = drawing_shot("edit_move");
        moved_drawn = drawn_at(shot, {3, 2.5f, 0});
        moved_old_gone = !drawn_at(shot, {0, 0.5f, 0});
        moved_preview_gone = !drawn_at(shot, {1, 1.5f, 0});  // the preview on the way
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(after_stop, start);
  EXPECT_EQ(modified_after_stop, 0);
  EXPECT_TRUE(face_first);
  EXPECT_NEAR(corner0.x, 3, 0.06);
  EXPECT_NEAR(corner0.y, 2, 0.06);
  EXPECT_NEAR(corner2.x - corner0.x, 2, 1e-5);
  EXPECT_TRUE(deselected);
  EXPECT_EQ(modified, 1);
  EXPECT_TRUE(stopped_drawn);
  EXPECT_TRUE(stopped_preview_gone);
  EXPECT_TRUE(moved_drawn);
  EXPECT_TRUE(moved_old_gone);
  EXPECT_TRUE(moved_preview_gone);
}

TEST(EditCommands, ExtrudeByATypedDisplacementAndUndoIt) {
  std::vector<uint8_t> start, undone;
  DrawObject* body = nullptr;
  int modified = 0;
  bool top_drawn = false, side_drawn = false, inside_empty = false;
  int code = harness::run({
      [&] {
        plan_view();
        add(rect_face(0, 0, 2, 1, 0, 0));
        start = model_bytes();
        command(2307);
        click(0, 0.5f);
        key(VK_RETURN);
        click(0, 0);
        key('R');  // the displacement typed relative to the base point
      },
      [&] { answer("Punkt relativ :", {{104, "0"}, {105, "0"}, {106, "3"}}); },
      [&] {
        body = g_obj_head;
        modified = g_modified;
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->kind, OBJ_KIND_BODY);
        EXPECT_EQ(body->node_count, 8u);
        EXPECT_EQ(body->element_count, 30u);
        EXPECT_NEAR(volume_of(body), 6, 1e-6);
        EXPECT_EQ(obj_count(), 1);
        view_set_xz();  // the front view shows the height
        view_zoom_all();
        view_relayout();
      },
      [&] {
        WindowPixels shot = drawing_shot("edit_extrude");
        top_drawn = drawn_at(shot, {1, 0, 3});
        side_drawn = drawn_at(shot, {0, 0, 1.5f});
        inside_empty = !drawn_at(shot, {1, 0, 1.5f});
        command(201);  // undo
      },
      [&] { undone = model_bytes(); },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(modified, 1);
  EXPECT_EQ(undone, start);
  EXPECT_TRUE(top_drawn);
  EXPECT_TRUE(side_drawn);
  EXPECT_TRUE(inside_empty);
}

TEST(EditCommands, LatheTurnsAProfileAboutTheViewAxis) {
  DrawObject* body = nullptr;
  bool outer_drawn = false, inner_drawn = false, spoke_drawn = false, between_empty = false, axis_empty = false;
  int code = harness::run({
      [&] {
        plan_view();
        // A 1 x 1 profile standing in the plane y = 0: a line in the plan.
        add(make(OBJ_KIND_FACE, {{1, 0, 0}, {2, 0, 0}, {2, 0, 1}, {1, 0, 1}}, ring(0, 4)));
        command(2308);
        click(1.5f, 0);
        key(VK_RETURN);
        click(0, 0);  // the axis through the origin, along z
      },
      [&] { answer("Rotationswinkel :", {{105, "360"}}); },
      [&] { answer("Anzahl der Segmente :", {{105, "12"}}); },
      [&] {
        body = g_obj_head;
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(body->kind, OBJ_KIND_BODY);
        EXPECT_EQ(body->node_count, 48u);
        EXPECT_EQ(body->element_count, 240u);
        EXPECT_GT(volume_of(body), 0);
        move_to(8, 8);
      },
      [&] {
        // Seen from above: two 12-gons of radius 2 and 1, joined by a spoke
        // every 30 degrees.
        const double deg = 3.14159265358979 / 180;
        auto at = [&](double r, double a) {
          return WorldPoint{float(r * std::cos(a * deg)), float(r * std::sin(a * deg)), 0};
        };
        WindowPixels shot = drawing_shot("edit_lathe");
        outer_drawn = drawn_at(shot, at(2 * std::cos(15 * deg), 15));
        inner_drawn = drawn_at(shot, at(std::cos(15 * deg), 195));
        spoke_drawn = drawn_at(shot, at(1.5, 90));
        between_empty = !drawn_at(shot, at(1.5, 105));
        axis_empty = !drawn_at(shot, {0, 0, 0});
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_NE(body, nullptr);
  EXPECT_TRUE(outer_drawn);
  EXPECT_TRUE(inner_drawn);
  EXPECT_TRUE(spoke_drawn);
  EXPECT_TRUE(between_empty);
  EXPECT_TRUE(axis_empty);
}

COLORREF drawing_pixel(float x, float y) {
  HDC dc = GetDC(win_drawing_window());
  COLORREF c = GetPixel(dc, view_world_to_screen(x, 1), view_world_to_screen(y, 0));
  ReleaseDC(win_drawing_window(), dc);
  return c;
}

TEST(EditCommands, SplitDrawsTheNewEdge) {
  COLORREF before = 0, after = 0, corner = 0;
  DrawObject* result = nullptr;
  int code = harness::run({
      [&] {
        plan_view();
        add(rect_face(0, 0, 4, 2, 0, 6));
        view_relayout();
      },
      [&] {
        input_update_cursor(0);
        before = drawing_pixel(2, 1);
        input_update_cursor(1);
        command(2313);
        click(1, 1);  // pick the polygon
        key(VK_RETURN);
        click(2, -1);  // the cut line across it
        click(2, 3);
      },
      [&] {
        result = g_obj_head;
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->kind, OBJ_KIND_BODY);
        EXPECT_EQ(result->node_count, 6u);
        EXPECT_EQ(polygons(result), 2);
        EXPECT_EQ(result->elements[1].value, 0);  // both halves carry material 0
        move_to(8, 8);
        input_update_cursor(0);
        after = drawing_pixel(2, 1);
        corner = drawing_pixel(0, 0);
        const char* dir = std::getenv("ORV_GENERATED");
        if (dir) save_window_bitmap(win_drawing_window(), std::string(dir) + "/edit_split.bmp");
        input_update_cursor(1);
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_NE(result, nullptr);
  EXPECT_EQ(before, RGB(255, 255, 255));
  EXPECT_EQ(after, corner);  // the cut is drawn in the object's own colour
  EXPECT_NE(after, RGB(255, 255, 255));
}

TEST(EditCommands, MirrorNeedsAPlaneAndALineInIt) {
  int count_after_typed = 0;
  size_t boxes_in_3d = 0;
  std::string refusal;
  int code = harness::run({
      [&] {
        plan_view();
        add(rect_face(1, 0, 2, 1));
        command(2306);
        click(1, 0.5f);
        key(VK_RETURN);
        click(0, 0);
        key('R');  // straight up: no line in the plan
      },
      [&] { answer("Punkt relativ :", {{104, "0"}, {105, "0"}, {106, "1"}}); },
      [&] {
        count_after_typed = obj_count();
        view_set_3d();
        command(2306);
      },
      [&] {
        boxes_in_3d = harness::g_boxes.size();
        if (boxes_in_3d) refusal = harness::g_boxes.back().caption;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(count_after_typed, 1);
  EXPECT_EQ(boxes_in_3d, 1u);
  EXPECT_EQ(refusal, "Spiegeln nicht möglich in 3D-Ansicht");
}

// A hall of 20 x 12 x 10 m with a raked floor at the back and a balcony,
// drawn and built with the commands only, then saved and opened again.
TEST(EditCommands, HallWithRakedFloorAndBalconySurvivesSaveAndOpen) {
  const char* dir = std::getenv("ORV_GENERATED");
  ASSERT_NE(dir, nullptr);
  std::string path = std::string(dir) + "/EDITHALL.OPR";
  std::vector<uint8_t> built, reopened;
  std::vector<double> volumes;
  struct Box {
    float low[3], high[3];
  };
  std::vector<Box> boxes;
  int saved = 0, loaded = 0;
  auto extrude_by = [](const char* x, const char* y, const char* z) {
    return [=] { answer("Punkt relativ :", {{104, x}, {105, y}, {106, z}}); };
  };
  int code = harness::run({
      [&] {
        plan_view();
        g_view.scale = 10;
        view_relayout();
        command(2204);  // the floor plan
        click(0, 0);
        click(20, 12);
      },
      [&] {
        command(2307);  // walls and ceiling
        click(0, 6);
        key(VK_RETURN);
        click(0, 0);
        key('R');
      },
      extrude_by("0", "0", "10"),
      [&] {
        view_set_yz();  // the section: y across, z up
        g_view.centre_x = 6;
        g_view.centre_y = 5;
        view_relayout();
        g_cursor_point.x = 0;
        command(2202);  // the rake: a wedge rising to the back wall
        click(6, 0);
        click(12, 0);
        click(12, 2);
        key(VK_RETURN);
      },
      [&] {
        command(2307);
        click(12, 1);  // its back edge
        key(VK_RETURN);
        click(6, 0);
        key('R');
      },
      extrude_by("20", "0", "0"),
      [&] {
        g_cursor_point.x = 0;  // the section's depth, hidden in this view
        command(2204);  // the balcony slab along the back wall
        click(10, 5);
        click(12, 5.5f);
      },
      [&] {
        command(2307);
        click(10, 5.25f);
        key(VK_RETURN);
        click(10, 5);
        key('R');
      },
      extrude_by("20", "0", "0"),
      [&] {
        for (DrawObject* o = g_obj_head; o; o = o->next) {
          volumes.push_back(volume_of(o));
          Box b{{1e9, 1e9, 1e9}, {-1e9, -1e9, -1e9}};
          for (uint32_t k = 0; k < o->node_count; ++k) {
            const float p[3] = {o->nodes[k].x, o->nodes[k].y, o->nodes[k].z};
            for (int a = 0; a < 3; ++a) b.low[a] = std::min(b.low[a], p[a]), b.high[a] = std::max(b.high[a], p[a]);
          }
          boxes.push_back(b);
        }
        built = model_bytes();
        view_set_3d();
        view_zoom_all();
        g_view.hidden_mode = 1;
        view_relayout();
      },
      [&] {
        if (const char* d = std::getenv("ORV_GENERATED"))
          save_window_bitmap(win_drawing_window(), std::string(d) + "/edit_hall.bmp");
        saved = proj_save_to(path.c_str());
        obj_free_all();
        loaded = proj_load(path.c_str());
        reopened = model_bytes();
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(volumes.size(), 3u);  // balcony, rake and hall, newest first
  EXPECT_NEAR(volumes[0], 20 * 2 * 0.5, 0.5);
  EXPECT_NEAR(volumes[1], 20 * 6 * 2 / 2.0, 0.8);
  EXPECT_NEAR(volumes[2], 20 * 12 * 10, 2);
  // Each body where it was drawn: the balcony at the back, 5 m up; the rake
  // from the middle to the back wall; the hall itself. One pixel is 0.1 m.
  const Box expected[3] = {{{0, 10, 5}, {20, 12, 5.5f}}, {{0, 6, 0}, {20, 12, 2}}, {{0, 0, 0}, {20, 12, 10}}};
  for (int i = 0; i < 3; ++i)
    for (int a = 0; a < 3; ++a) {
      EXPECT_NEAR(boxes[i].low[a], expected[i].low[a], 0.1) << i << " " << a;
      EXPECT_NEAR(boxes[i].high[a], expected[i].high[a], 0.1) << i << " " << a;
    }
  EXPECT_EQ(saved, 1);
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(reopened, built);
  std::remove(path.c_str());
}

}  // namespace
