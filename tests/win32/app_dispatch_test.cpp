#include <gtest/gtest.h>

#include "app_harness.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/app_commands_win.h"
#include "design/app_window_win.h"
#include "framework/child_windows_win.h"

namespace {

HWND main_window() { return win_main_window(); }

bool top_menu_greyed(int position) {
  UINT state = GetMenuState(GetMenu(main_window()), position, MF_BYPOSITION);
  return (state & (MF_GRAYED | MF_DISABLED)) != 0;
}

bool all_top_menus(bool greyed) {
  for (int position = 0; position < 9; ++position)
    if (top_menu_greyed(position) != greyed) return false;
  return !top_menu_greyed(9);  // Hilfe stays usable
}

struct Seen {
  int running = -1;
  int layer = -1;
  bool buttons = false, greyed = false;
};

Seen look() {
  Seen s;
  s.running = g_running_command;
  s.layer = g_view.current_layer;
  s.buttons = app_ok_button() != nullptr && app_stop_button() != nullptr;
  s.greyed = all_top_menus(true);
  return s;
}

TEST(AppDispatch, ObjectCommandGreysMenusShowsButtonsAndStopRestores) {
  Seen during, after_menu_id, after_stop, repeated, after_close;
  int repeat = 0;
  bool menus_back = false, window_alive = false;
  int code = harness::run({
      [&] { PostMessageA(main_window(), WM_COMMAND, 2201, 0); },  // lines on the room layer
      [&] {
        during = look();
        PostMessageA(main_window(), WM_COMMAND, 602, 0);  // ignored while a command runs
      },
      [&] {
        after_menu_id = look();
        PostMessageA(main_window(), WM_COMMAND, 20999, 0);  // STOP
      },
      [&] {
        after_stop = look();
        menus_back = all_top_menus(false);
        repeat = g_repeat_command;
        PostMessageA(win_drawing_window(), WM_RBUTTONDOWN, 0, 0);  // repeats the command
      },
      [&] {
        repeated = look();
        PostMessageA(main_window(), WM_CLOSE, 0, 0);  // only stops the command
      },
      [&] {
        after_close = look();
        window_alive = IsWindow(main_window());
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(during.running, 2201);
  EXPECT_EQ(during.layer, 0);
  EXPECT_TRUE(during.buttons);
  EXPECT_TRUE(during.greyed);
  EXPECT_EQ(after_menu_id.running, 2201);
  EXPECT_TRUE(after_menu_id.greyed);
  EXPECT_EQ(after_stop.running, 0);
  EXPECT_FALSE(after_stop.buttons);
  EXPECT_TRUE(menus_back);
  EXPECT_EQ(repeat, 2201);
  EXPECT_EQ(repeated.running, 2201);
  EXPECT_EQ(after_close.running, 0);
  EXPECT_TRUE(window_alive);
}

TEST(AppDispatch, CommandRangesSelectTheirLayerAndMakeItVisible) {
  struct Case { int id, layer, colour; };
  const Case cases[] = {{1500, 2, 27}, {2500, 0, 0}, {3500, 1, 21}, {4500, 7, 14}};
  std::vector<std::pair<int, int>> got;
  bool layer_shown = false;
  int code = harness::run({[&] {
    for (const Case& c : cases) {
      app_select_layer_for_command(c.id);
      got.push_back({g_view.current_layer, g_view.current_colour});
    }
    g_layers[7].visible = 0;
    app_select_layer_for_command(4201);
    layer_shown = g_layers[7].visible == 1;
  }});
  EXPECT_EQ(code, 0);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].first, cases[i].layer) << cases[i].id;
    EXPECT_EQ(got[i].second, cases[i].colour) << cases[i].id;
  }
  EXPECT_TRUE(layer_shown);
}

TEST(AppDispatch, CommandsNotBuiltYetSayTheyAreNotAvailable) {
  int missing = 0;
  for (int id = 1; id < 6000 && !missing; ++id) {
    const AppCommand* c = app_find_command(id);
    if (c && !c->run) missing = id;
  }
  if (!missing) GTEST_SKIP() << "every command is built";
  int code = harness::run({[&] { SendMessageA(main_window(), WM_COMMAND, missing, 0); }});
  EXPECT_EQ(code, 0);
  bool said = false;
  for (const auto& box : harness::g_boxes)
    said = said || box.text.find("noch nicht verfügbar") != std::string::npos;
  EXPECT_TRUE(said) << missing;
}

}  // namespace
