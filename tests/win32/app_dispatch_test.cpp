#include <gtest/gtest.h>

#include "app_harness.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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

namespace {

Seen g_at_box;
int g_boxes_seen = 0;
int look_at_box(const char*, const char*, unsigned) {
  g_at_box = look();
  ++g_boxes_seen;
  return UI_IDOK;
}

}  // namespace

// A command that is not built says so before anything of a running command
// shows: the menus stay usable and no OK or STOP stands behind the box.
TEST(AppDispatch, NotAvailableIsSaidBeforeMenusGreyAndButtonsShow) {
  // One command of the object ranges (which show OK and STOP) and one other.
  std::vector<int> missing;
  for (auto [first, last] : {std::pair{1000, 4999}, std::pair{5000, 5999}})
    for (int id = first; id <= last; ++id)
      if (const AppCommand* c = app_find_command(id); c && !c->run) {
        missing.push_back(id);
        break;
      }
  if (missing.empty()) GTEST_SKIP() << "every command is built";
  for (int id : missing) {
    g_at_box = Seen{};
    g_boxes_seen = 0;
    Seen after;
    int code = harness::run({[&] {
      ui_seams().message_box = look_at_box;
      SendMessageA(main_window(), WM_COMMAND, id, 0);
      after = look();
    }});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_boxes_seen, 1) << id;
    EXPECT_FALSE(g_at_box.greyed) << id;
    EXPECT_FALSE(g_at_box.buttons) << id;
    EXPECT_EQ(after.running, 0) << id;
    EXPECT_FALSE(after.buttons) << id;
  }
}

namespace {

// No text on the prompt line: every pixel of its strip right of the margin
// has the line's background colour.
bool prompt_line_blank() {
  HWND main = main_window();
  RECT r;
  GetClientRect(main, &r);
  HDC dc = GetDC(main);
  COLORREF background = GetPixel(dc, r.right - 2, r.bottom - 12);
  bool blank = true;
  for (int y = r.bottom - 22; y < r.bottom - 2 && blank; ++y)
    for (int x = 30; x < 400 && blank; ++x) blank = GetPixel(dc, x, y) == background;
  ReleaseDC(main, dc);
  return blank;
}

}  // namespace

// When a command ends its prompt is gone for good: zooming, switching the
// view or a repaint afterwards does not write it again.
TEST(AppDispatch, PromptOfAnEndedCommandNeverComesBack) {
  std::string during;
  bool blank_during = true;
  std::vector<std::pair<std::string, bool>> after;
  int code = harness::run({
      [&] { PostMessageA(main_window(), WM_COMMAND, 2201, 0); },  // "LINIEN > Punkt #1"
      [&] {
        during = view_prompt_text();
        blank_during = prompt_line_blank();
        PostMessageA(main_window(), WM_COMMAND, 20999, 0);  // STOP
      },
      [&] {
        view_zoom_out();
        after.push_back({view_prompt_text(), prompt_line_blank()});
        view_set_yz();
        after.push_back({view_prompt_text(), prompt_line_blank()});
        InvalidateRect(main_window(), nullptr, TRUE);
        InvalidateRect(win_drawing_window(), nullptr, TRUE);
        UpdateWindow(main_window());
        UpdateWindow(win_drawing_window());
        after.push_back({view_prompt_text(), prompt_line_blank()});
        view_set_xy();
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(during.rfind("LINIEN > ", 0), 0u) << during;
  EXPECT_FALSE(blank_during);  // the check does see a prompt
  ASSERT_EQ(after.size(), 3u);
  for (size_t i = 0; i < after.size(); ++i) {
    EXPECT_EQ(after[i].first, "") << i;
    EXPECT_TRUE(after[i].second) << i;
  }
}

}  // namespace

namespace {

// Help without its file (the suite ships none) says so in a box.
TEST(AppDispatch, HelpWithoutItsFileSaysSo) {
  char path[MAX_PATH];
  std::snprintf(path, sizeof path, "%s\\OPE_D.HLP", win_start_directory());
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "a help file is there";
  int code = harness::run({[&] { SendMessageA(main_window(), WM_COMMAND, 11111, 0); }});
  EXPECT_EQ(code, 0);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  EXPECT_NE(harness::g_boxes[0].text.find("OPE_D.HLP"), std::string::npos) << harness::g_boxes[0].text;
  EXPECT_EQ(harness::g_boxes[0].caption, "Hilfe");
}

}  // namespace
