#include "acoustics/result_window_win.h"

#include "cad/cad_state.h"
#include "cad/input_wait_win.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

namespace {

constexpr const char* MSG_NO_CLIPBOARD = "Das Fenster konnte nicht in die Zwischenablage kopiert werden.";
constexpr const char* MSG_PRINT_FAILED = "Das Fenster konnte nicht gedruckt werden.";

// Draws through the window's record for the call, then gives the drawing
// back to the window current before.
template <class Action>
void through_record(DrawWindow& record, Action action) {
  DrawWindow* previous = gfx_select_window(&record);
  action();
  if (previous && previous != &record) gfx_select_window(previous);
}

HWND drawing_hwnd() {
  DrawWindow* w = view_drawing_window();
  return w ? w->window : win_drawing_window();
}

void show_drawing(bool show, bool panel_too) {
  if (HWND drawing = drawing_hwnd()) ShowWindow(drawing, show ? SW_SHOW : SW_HIDE);
  if (HWND panel = panel_window(); panel && panel_too) ShowWindow(panel, show ? SW_SHOW : SW_HIDE);
}

}  // namespace

bool result_window_open(ResultWindow& w, int id, ChildHandler handler, const char* failure_message) {
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  w = ResultWindow{};
  w.panel_was_shown = panel_window() && IsWindowVisible(panel_window());
  show_drawing(false, true);
  RECT main{0, 0, 0, 0};
  GetClientRect(win_main_window(), &main);
  w.window = win_create_child("", WS_BORDER, left, top, main.right - left - right, main.bottom - top - bottom, id);
  if (!w.window) {
    ui_message_box(failure_message, nullptr, UI_MB_OK);
    show_drawing(true, w.panel_was_shown);
    return false;
  }
  win_register_child_window(w.window, handler);
  w.record.window = w.window;
  return true;
}

void result_window_run(ResultWindow& w, void (*act)(int id)) {
  g_finish_flag = 0;
  g_abort_flag = 0;
  while (!g_finish_flag && !g_abort_flag && w.window) {
    // A button pressed while the last one was at work (printing and dialogs
    // pump messages) is taken at once.
    if (!w.pending_command) input_wait_event();
    int id = w.pending_command;
    w.pending_command = 0;
    if (id && !g_abort_flag) act(id);
    if (win_main_window()) SetFocus(win_main_window());
  }
}

void result_window_close(ResultWindow& w) {
  if (!w.window) return;
  if (gfx_current_window() == &w.record) {
    DrawWindow* drawing = view_drawing_window();
    gfx_select_window(drawing ? drawing : win_main_record());
  }
  gfx_forget_window(&w.record);
  win_unregister_child_window(w.window);
  if (w.record.dc) ReleaseDC(w.window, w.record.dc);
  DestroyWindow(w.window);
  bool panel_too = w.panel_was_shown;
  w = ResultWindow{};
  show_drawing(true, panel_too);
  g_finish_flag = 0;
  g_abort_flag = 0;
  view_relayout();
}

void result_window_take_command(ResultWindow& w, WPARAM wparam) {
  w.pending_command = LOWORD(wparam);
  g_click_flag = 1;
}

void result_destroy_button(HWND& button) {
  if (button) DestroyWindow(button);
  button = nullptr;
}

void result_window_copy(DrawWindow& record) {
  through_record(record, [] {
    if (!print_copy_to_clipboard()) ui_message_box(MSG_NO_CLIPBOARD, nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
  });
}

void result_window_print(DrawWindow& record, int& printing) {
  printing = 1;
  if (print_dialog()) result_window_print_bitmap(record);
  printing = 0;
}

void result_window_print_bitmap(DrawWindow& record) {
  through_record(record, [] {
    if (print_window_bitmap() == PRINT_FAILED)
      ui_message_box(MSG_PRINT_FAILED, "DRUCKEN", UI_MB_OK | UI_MB_ICONEXCLAMATION);
  });
}

LRESULT result_window_default_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      win_arrow_cursor();
      return TRUE;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}
