// The 3D view panel in the running design program: where it sits, its
// buttons driving the view (the drawing changes as they are pressed), the
// switches following the keyboard, and the coordinate readouts.
#include "cad/panel_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app_harness.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/units.h"
#include "project/project_file.h"
#include "window_bitmap.h"

using harness::when;

namespace {

void press(int id) { SendMessageA(GetDlgItem(panel_window(), id), BM_CLICK, 0, 0); }
bool pressed(int id) { return IsDlgButtonChecked(panel_window(), id) == BST_CHECKED; }
std::string text_of(int id) { return harness::window_text(GetDlgItem(panel_window(), id)); }

struct Seen {
  bool visible = false, child_of_main = false, in_top_margin = false;
  WindowPixels xy, three_d, zoomed;
  int kind_after_3d = -1;
  bool radio_3d = false, radio_xy = true;
  float scale_before = 0, scale_after = 0;
  bool v_after_click = false, hidden_after_click = false, v_after_key = true, hidden_after_key = true;
  std::string yz_x, yz_y, yz_z, feet_y;
};
Seen g_seen;

}  // namespace

TEST(Panel, ShownInTheTopMarginAndItsButtonsDriveTheView) {
  g_seen = Seen{};
  int code = harness::run({
      [] {
        std::string path = std::string(win_start_directory()) + "\\BEISPIEL.OPR";
        ASSERT_TRUE(proj_load(path.c_str()));
        HWND panel = panel_window();
        ASSERT_NE(panel, nullptr);
        g_seen.visible = IsWindowVisible(panel) != 0;
        g_seen.child_of_main = GetParent(panel) == win_main_window();
        RECT r;
        GetWindowRect(panel, &r);
        POINT top_left = {r.left, r.top}, bottom_right = {r.right, r.bottom};
        ScreenToClient(win_main_window(), &top_left);
        ScreenToClient(win_main_window(), &bottom_right);
        // At the client's top left corner (its border may lie just outside), above the drawing.
        g_seen.in_top_margin = top_left.x <= 0 && top_left.y <= 0 && top_left.x >= -2 && top_left.y >= -2 &&
                               bottom_right.y <= 24;
        g_seen.xy = capture_window(win_drawing_window());
        press(104);  // "3D"
      },
      when([] { return g_view.kind == VIEW_3D && pressed(104); },
           [] {
             g_seen.kind_after_3d = g_view.kind;
             g_seen.radio_3d = pressed(104);
             g_seen.radio_xy = pressed(101);
             g_seen.three_d = capture_window(win_drawing_window());
             g_seen.scale_before = g_view.scale;
             press(105);  // "Z-"
           }),
      when([] { return g_view.scale != g_seen.scale_before; },
           [] {
             g_seen.scale_after = g_view.scale;
             g_seen.zoomed = capture_window(win_drawing_window());
             press(108);  // "V"
           }),
      when([] { return g_view.hidden_mode != 0; },
           [] {
             g_seen.hidden_after_click = g_view.hidden_mode != 0;
             g_seen.v_after_click = pressed(108);
             PostMessageA(win_main_window(), WM_KEYDOWN, VK_F8, 0);  // back to wireframe from the keyboard
           }),
      when([] { return g_view.hidden_mode == 0 && !pressed(108); },
           [] {
             g_seen.hidden_after_key = g_view.hidden_mode != 0;
             g_seen.v_after_key = pressed(108);
             press(102);  // "YZ"
           }),
      when([] { return g_view.kind == VIEW_YZ; },
           [] {
             SetDlgItemTextA(panel_window(), 201, "kept");
             g_last_point = WorldPoint{1.5f, 2.25f, -3.0f};
             panel_notify();
             g_seen.yz_x = text_of(201);
             g_seen.yz_y = text_of(202);
             g_seen.yz_z = text_of(203);
             g_unit_feet = 1;
             g_last_point = WorldPoint{0, 1, 0};
             panel_notify();
             g_seen.feet_y = text_of(202);
             g_unit_feet = 0;
           }),
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g_seen.visible);
  EXPECT_TRUE(g_seen.child_of_main);
  EXPECT_TRUE(g_seen.in_top_margin);
  EXPECT_EQ(g_seen.kind_after_3d, VIEW_3D);
  EXPECT_TRUE(g_seen.radio_3d);
  EXPECT_FALSE(g_seen.radio_xy);
  int area = g_seen.xy.width * g_seen.xy.height;
  ASSERT_GT(area, 0);
  EXPECT_GT(pixels_differing(g_seen.xy, g_seen.three_d), area / 500) << "the 3D view looks like the plan";
  EXPECT_LT(g_seen.scale_after, g_seen.scale_before);
  EXPECT_GT(pixels_differing(g_seen.three_d, g_seen.zoomed), area / 500) << "zooming out changed nothing";
  EXPECT_TRUE(g_seen.hidden_after_click);
  EXPECT_TRUE(g_seen.v_after_click);
  EXPECT_FALSE(g_seen.hidden_after_key);
  EXPECT_FALSE(g_seen.v_after_key);
  EXPECT_EQ(g_seen.yz_x, "kept");
  EXPECT_EQ(g_seen.yz_y, "2.250");
  EXPECT_EQ(g_seen.yz_z, "-3.000");
  EXPECT_EQ(g_seen.feet_y, "3.28");
  EXPECT_EQ(panel_window(), nullptr);  // closed with the program
}
