// Pointer and key input posted as the user gives it, read by the command
// loops once they run: a point of the plan view is clicked where the view
// draws it.
#pragma once
#include <windows.h>

#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/win_frame_win.h"

namespace posted_input {

// The window the pointer input goes to: the program's drawing window unless
// the test opened windows of its own.
inline HWND (*g_drawing)() = win_drawing_window;

inline LPARAM pixel_of(float x, float y) { return MAKELPARAM(view_world_to_screen(x, 1), view_world_to_screen(y, 0)); }
inline void move_to(float x, float y) { PostMessageA(g_drawing(), WM_MOUSEMOVE, 0, pixel_of(x, y)); }
inline void click(float x, float y) {
  move_to(x, y);
  PostMessageA(g_drawing(), WM_LBUTTONDOWN, MK_LBUTTON, pixel_of(x, y));
}
inline void key(int vk) { PostMessageA(win_main_window(), WM_KEYDOWN, static_cast<WPARAM>(vk), 0); }

}  // namespace posted_input
