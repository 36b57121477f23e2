#include "cad/drawing_window_win.h"

#include "cad/cad_state.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int DRAWING_WINDOW_ID = 10000;

DrawWindow g_drawing_record = {};
HWND g_ok_button = nullptr;
HWND g_stop_button = nullptr;

void scroll_drawing(UINT message, WPARAM wparam) {
  int code = LOWORD(wparam);
  int position = static_cast<short>(HIWORD(wparam));
  if (g_view.busy || code > SB_THUMBPOSITION) return;
  bool vertical = message == WM_VSCROLL;
  if (g_view.kind == VIEW_EYE) {
    static const int vertical_turns[] = {-361, -359, -370, -350};
    static const int horizontal_turns[] = {361, 359, 370, 350};
    if (code == SB_THUMBPOSITION)
      view_rotate_eye(vertical ? position - 360 : 360 - position);
    else
      view_rotate_eye(vertical ? vertical_turns[code] : horizontal_turns[code]);
    return;
  }
  switch (code) {
    case SB_LINEUP:  // SB_LINELEFT
      (vertical ? g_view.pending_pan_y : g_view.pending_pan_x) += 8;
      view_relayout();
      break;
    case SB_LINEDOWN:
      (vertical ? g_view.pending_pan_y : g_view.pending_pan_x) -= 8;
      view_relayout();
      break;
    case SB_PAGEUP:
      vertical ? view_pan_half_y(-1) : view_pan_half_x(-1);
      break;
    case SB_PAGEDOWN:
      vertical ? view_pan_half_y(1) : view_pan_half_x(1);
      break;
    case SB_THUMBPOSITION:
      vertical ? view_pan_percent_y(position) : view_pan_percent_x(position);
      break;
  }
}

}  // namespace

bool cad_create_drawing_window() {
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  g_drawing_record = DrawWindow{};  // nothing of an earlier window, its DC least of all
  g_drawing_record.hscroll = 1;
  g_drawing_record.vscroll = 1;
  DrawWindow* main = win_main_record();
  HWND window = win_create_child(nullptr, WS_BORDER | WS_VSCROLL | WS_HSCROLL, left, top,
                                 main->right - left, main->bottom - top, DRAWING_WINDOW_ID);
  if (!window) return false;
  g_drawing_record.window = window;
  win_set_drawing_window(window);
  view_set_drawing_window(&g_drawing_record);
  gfx_select_window(&g_drawing_record);
  input_install_view_hooks();
  return true;
}

LRESULT cad_drawing_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (print_is_printing()) return 0;
      if (wparam & MK_CONTROL) {
        input_update_cursor(0);
        win_arrow_cursor();
      } else {
        input_track_mouse(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      }
      return 0;
    case WM_LBUTTONDOWN:
      g_click_flag = 1;
      input_track_mouse(g_last_mouse_x, g_last_mouse_y);
      return 0;
    case WM_RBUTTONDOWN:
      if (g_running_command != 0)
        g_right_click_flag = 1;
      else if (g_repeat_command != 0)
        PostMessageA(win_main_window(), WM_COMMAND, g_repeat_command, 0);
      return 0;
    case WM_NCMOUSEMOVE:
      input_update_cursor(0);
      input_enable_cursor(0);
      win_arrow_cursor();
      return 0;
    case WM_SETCURSOR:
      win_hide_cursor();
      input_enable_cursor(1);
      return TRUE;
    case WM_PAINT:
      if (!IsIconic(win_main_window()) && !g_view.busy && !print_is_printing()) {
        view_relayout();
        panel_notify();
      }
      ValidateRect(window, nullptr);
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      scroll_drawing(message, wparam);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

void cad_show_ok_stop_buttons(int show) {
  if (show) {
    if (g_ok_button) return;
    DrawWindow* main = win_main_record();
    int x = (main->left + main->right) / 2 - 40;
    int y = main->bottom - 22;
    g_ok_button = win_create_button("OK", x, y, 40, 20, CAD_ID_OK);
    g_stop_button = win_create_button("STOP", x + 40, y, 40, 20, CAD_ID_STOP);
    ValidateRect(win_main_window(), nullptr);
    return;
  }
  if (g_ok_button) DestroyWindow(g_ok_button);
  if (g_stop_button) DestroyWindow(g_stop_button);
  g_ok_button = g_stop_button = nullptr;
}

HWND cad_ok_button() { return g_ok_button; }
HWND cad_stop_button() { return g_stop_button; }
