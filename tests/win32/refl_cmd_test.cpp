// The reflection commands in the running design program: "Rays berechnen"
// on the sample project, driven through its dialogs and the typed receiver
// point, with the paths looked at in the path browser that shows them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "acoustics/etc_window_win.h"
#include "acoustics/ray_path.h"
#include "app_harness.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "project/project_file.h"
#include "framework/gfx_win.h"
#include "framework/palette.h"
#include "framework/win_frame_win.h"
#include "tests/win32/refl_steps.h"

namespace {

struct Seen {
  bool order_dialog = false, point_dialog = false, display = false;
  uint32_t paths = 0;
  int sampled = 0, in_path_colour = 0;
};
Seen g_seen;

// Paths of up to two reflections have 2 to 4 nodes: colours 23 to 21.
bool is_path_colour(COLORREF c) {
  for (int i = 21; i <= 23; ++i)
    if (gfx_palette_colour(i) == c) return true;
  return false;
}

// Midpoints of every path segment in the plan view, read back from the
// window the model is drawn in (the path browser while it is open).
void sample_paths() {
  HWND drawing = view_drawing_window()->window;
  HDC dc = GetDC(drawing);
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != RAYPATH_LAYER) continue;
    g_seen.paths += 1;
    for (uint32_t i = 1; i < o->node_count; ++i) {
      float x = 0.5f * (o->nodes[i - 1].x + o->nodes[i].x), y = 0.5f * (o->nodes[i - 1].y + o->nodes[i].y);
      COLORREF c = GetPixel(dc, view_world_to_screen(x, 1), view_world_to_screen(y, 0));
      g_seen.sampled += 1;
      g_seen.in_path_colour += is_path_colour(c);
    }
  }
  ReleaseDC(drawing, dc);
}

}  // namespace

TEST(ReflCommand, RaysOnTheSampleProjectDrawPathsAndRemoveThemAfterwards) {
  g_seen = Seen{};
  uint32_t left_over = 1;
  int code = harness::run({
      [&] {
        std::string path = std::string(win_start_directory()) + "\\BEISPIEL.OPR";
        ASSERT_EQ(proj_load(path.c_str()), 1) << path;
        view_set_xy();
        view_zoom_all();
        size_t ran = refl_steps::run_command({dialog_script::when(
            [] { return etc_window() && !etc_is_echogram(); },
            [] {
              g_seen.display = view_drawing_window()->window == etc_window();
              UpdateWindow(etc_window());
              sample_paths();
              PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_LEAVE, 0);
            })});
        g_seen.order_dialog = ran >= refl_steps::ORDER;
        g_seen.point_dialog = ran >= refl_steps::TARGET;
        left_over = refl_count_paths();
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g_seen.order_dialog);
  EXPECT_TRUE(g_seen.point_dialog);
  ASSERT_TRUE(g_seen.display);
  // Three loudspeakers in eight faces at order 2: direct sound and many reflections.
  EXPECT_GT(g_seen.paths, 20u);
  EXPECT_GT(g_seen.in_path_colour, g_seen.sampled * 6 / 10) << g_seen.in_path_colour << " of " << g_seen.sampled;
  EXPECT_EQ(left_over, 0u);
  ASSERT_FALSE(refl_steps::g_boxes.empty());
  EXPECT_EQ(refl_steps::g_boxes.back(), "Reflexionsberechnung in Datei speichern ?");
  std::printf("paths %u, %d of %d segment midpoints in path colours\n", g_seen.paths, g_seen.in_path_colour, g_seen.sampled);
}
