// A main window and a drawing window whose messages go where the design
// program sends them, for tests that run its commands directly, with the
// pointer and key input posted beforehand and read by the command's loops.
#pragma once
#include <windows.h>

#include "cad/cad_state.h"
#include "cad/input_win.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/win_frame_win.h"

namespace command_harness {

inline DrawWindow g_record = {};
inline HWND g_drawing = nullptr;

constexpr int ID_STOP = 20999, ID_FINISH = 20998;

inline LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window && window == g_drawing) {
    switch (message) {
      case WM_MOUSEMOVE:
        input_track_mouse(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
        return 0;
      case WM_LBUTTONDOWN:
        g_click_flag = 1;
        input_track_mouse(input_last_mouse_x(), input_last_mouse_y());
        return 0;
      case WM_RBUTTONDOWN:
        if (g_running_command) g_right_click_flag = 1;
        return 0;
      case WM_SETCURSOR:
        input_enable_cursor(1);
        return TRUE;
      case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    }
  } else if (window && window == win_main_window()) {
    switch (message) {
      case WM_KEYDOWN:
        input_handle_key(static_cast<int>(wparam));
        return 0;
      case WM_COMMAND:
        if (LOWORD(wparam) == ID_STOP) g_abort_flag = 1;
        if (LOWORD(wparam) == ID_FINISH) g_finish_flag = 1;
        g_click_flag = 1;
        return 0;
    }
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Opens both windows (once per test program); drawing goes to the drawing
// window.
inline bool open_windows() {
  if (!win_init(GetModuleHandleA(nullptr), "ORVANTE", window_proc)) return false;
  DrawWindow* main = win_main_record();
  g_drawing = win_create_child(nullptr, WS_BORDER, 32, 24, main->right - 64, main->bottom - 48, 10000);
  if (!g_drawing) return false;
  g_record.window = g_drawing;
  view_set_drawing_window(&g_record);
  gfx_select_window(&g_record);
  return true;
}

}  // namespace command_harness
