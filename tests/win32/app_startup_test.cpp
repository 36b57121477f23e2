#include <gtest/gtest.h>

#include <cstdlib>

#include "app_harness.h"
#include "cad/input_wait_win.h"
#include "cad/obj_store.h"
#include "acoustics/model_tables.h"
#include "design/app_window_win.h"
#include "framework/child_windows_win.h"

namespace {

HWND drawing() { return win_drawing_window(); }

TEST(AppStartup, MainWindowTitleClassesAndDrawingWindowLayout) {
  std::string title;
  BOOL maximised = FALSE;
  RECT client = {}, child = {};
  LONG_PTR child_style = 0;
  int child_id = 0;
  WNDCLASSA main_class = {}, status_class = {};
  int code = harness::run({[&] {
    HWND main = win_main_window();
    title = harness::window_text(main);
    maximised = IsZoomed(main);
    GetClientRect(main, &client);
    GetWindowRect(drawing(), &child);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&child), 2);
    child_style = GetWindowLongPtrA(drawing(), GWL_STYLE);
    child_id = GetDlgCtrlID(drawing());
    GetClassInfoA(win_instance(), "ZKT_MAINWIN", &main_class);
    GetClassInfoA(win_instance(), "ZKT_STATUS", &status_class);
  }});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(title, "Orvante Planning Engine 2.90 > PROJEKT1.OPR");
  EXPECT_TRUE(maximised);
  EXPECT_EQ(child_id, 10000);
  EXPECT_TRUE(child_style & WS_HSCROLL);
  EXPECT_TRUE(child_style & WS_VSCROLL);
  EXPECT_EQ(child.left, 32);
  EXPECT_EQ(child.top, 24);
  EXPECT_EQ(client.right - child.right, 32);
  EXPECT_EQ(client.bottom - child.bottom, 24);
  EXPECT_EQ(main_class.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
  EXPECT_EQ(status_class.style, static_cast<UINT>(CS_NOCLOSE));
}

// A command is simulated by marking one as running around the wait.
struct WaitResult {
  int finish, abort, click;
  WorldPoint accepted;
};

WaitResult wait_after(UINT message, WPARAM wparam, HWND target) {
  g_running_command = 2201;
  g_accepted_point = {9, 9, 9};
  PostMessageA(target, WM_NULL, 0, 0);  // unrelated messages keep the wait going
  PostMessageA(target, message, wparam, 0);
  input_wait_event();
  WaitResult r = {g_finish_flag, g_abort_flag, g_click_flag, g_accepted_point};
  g_running_command = 0;
  input_clear_flags();
  return r;
}

TEST(AppStartup, WaitForInputReturnsOnOkStopClicksAndButtons) {
  WaitResult ok{}, stop{}, left{}, right{}, other{};
  WorldPoint last{};
  int code = harness::run({[&] {
    HWND main = win_main_window();
    ok = wait_after(WM_COMMAND, 20998, main);
    stop = wait_after(WM_COMMAND, 20999, main);
    right = wait_after(WM_RBUTTONDOWN, 0, drawing());
    other = wait_after(WM_COMMAND, 20500, main);
    left = wait_after(WM_LBUTTONDOWN, 0, drawing());
    last = g_last_point;
  }});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ok.finish, 1);
  EXPECT_EQ(ok.abort, 0);
  EXPECT_FLOAT_EQ(ok.accepted.x, 9);  // OK leaves the accepted point alone
  EXPECT_EQ(stop.abort, 1);
  EXPECT_EQ(right.finish, 1);
  EXPECT_EQ(right.abort, 0);
  EXPECT_EQ(other.click, 1);
  EXPECT_EQ(other.finish, 0);
  EXPECT_EQ(left.finish, 0);
  EXPECT_EQ(left.abort, 0);
  EXPECT_EQ(left.click, 1);
  EXPECT_FLOAT_EQ(left.accepted.x, last.x);
  EXPECT_FLOAT_EQ(left.accepted.y, last.y);
}

DrawObject* add_face() {
  DrawObject* o = obj_create(0, 3, 4);
  o->kind = OBJ_KIND_FACE;
  o->nodes[1] = {1, 0, 0};
  o->nodes[2] = {0, 1, 0};
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, 0};
  o->elements[2] = {EL_LINE, 1};
  o->elements[3] = {EL_CLOSE, 2};
  obj_append(o);
  return o;
}

TEST(AppStartup, NewAsksOnlyForModifiedDrawingsAndCancelKeepsEverything) {
  size_t boxes_on_empty = 99, boxes_after_cancel = 99;
  bool kept_after_cancel = false, emptied_after_ok = false;
  int16_t modified_after_new = 0;
  int code = harness::run({
      [&] {
        SendMessageA(win_main_window(), WM_COMMAND, 104, 0);  // empty: nothing asked
        boxes_on_empty = harness::g_boxes.size();
      },
      [&] {
        add_face();
        g_modified = 1;
        harness::g_answers = {UI_IDCANCEL};
        SendMessageA(win_main_window(), WM_COMMAND, 104, 0);
        boxes_after_cancel = harness::g_boxes.size();
        kept_after_cancel = g_obj_head != nullptr && g_abort_flag == 0;
      },
      [&] {
        harness::g_answers = {UI_IDOK};
        SendMessageA(win_main_window(), WM_COMMAND, 104, 0);
        emptied_after_ok = g_obj_head == nullptr;
        modified_after_new = g_modified;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(boxes_on_empty, 0u);
  EXPECT_EQ(boxes_after_cancel, 1u);
  ASSERT_FALSE(harness::g_boxes.empty());
  EXPECT_EQ(harness::g_boxes[0].text, "Daten sind noch nicht gesichert");
  EXPECT_EQ(harness::g_boxes[0].caption, "WARNUNG");
  EXPECT_TRUE(kept_after_cancel);
  EXPECT_TRUE(emptied_after_ok);
  EXPECT_EQ(modified_after_new, 1);  // New leaves the modified flag alone
}

TEST(AppStartup, ExitCancelledInTheDiscardQuestionKeepsTheProgramRunning) {
  bool still_running = false;
  int code = harness::run({
      [&] {
        add_face();
        g_modified = 1;
        harness::g_answers = {UI_IDCANCEL};
        SendMessageA(win_main_window(), WM_COMMAND, 105, 0);
        still_running = IsWindow(win_main_window()) && g_obj_head != nullptr;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(still_running);
}

TEST(AppStartup, ExitFromTheMenuEndsTheProgramCleanly) {
  int code = harness::run({[] { PostMessageA(win_main_window(), WM_COMMAND, 105, 0); }});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(win_main_window(), nullptr);
}

void* fail_at_third(size_t bytes) {
  static int calls = 0;
  return ++calls == 3 ? nullptr : std::malloc(bytes);
}

TEST(AppStartup, StartupStopsWithExitCodeOneWhenATableCannotBeAllocated) {
  harness::g_boxes.clear();
  ui_seams().message_box = harness::record_box;
  app_set_table_allocator(fail_at_third);
  int code = app_main(GetModuleHandleA(nullptr));
  app_set_table_allocator(nullptr);
  ui_reset_seams();
  EXPECT_EQ(code, 1);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  EXPECT_EQ(harness::g_boxes[0].text, "Nicht genügend Speicher zum Start");
  EXPECT_EQ(win_main_window(), nullptr);
}

}  // namespace
