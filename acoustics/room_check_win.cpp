#include "acoustics/room_check_win.h"

#include <windows.h>

#include "acoustics/room_check.h"
#include "cad/input_win.h"
#include "cad/projection.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int MARK_COLOUR = 16;

// The cursor stays hidden while marks are drawn; the command shows it again.
void draw_mark(const WorldPoint& at) {
  input_update_cursor(0);
  view_project_point(at);
  const ScreenPoint& s = view_screen_points()[0];
  gfx_set_brush(MARK_COLOUR);
  gfx_fill_rect(s.x - 1, s.y - 1, s.x + 1, s.y + 1);
}

// The new view is painted before marks go on it, so that no later paint
// wipes them.
void paint_now() {
  if (HWND drawing = win_drawing_window()) UpdateWindow(drawing);
}

void show_view(int phase) {
  room_check_phase_view(phase);
  paint_now();
}

void press_f4() {
  if (HWND main = win_main_window()) SendMessageA(main, WM_KEYDOWN, VK_F4, 0);
  paint_now();
}

}  // namespace

void room_check_install_host() {
  RoomCheckHost& host = room_check_host();
  host.show_view = show_view;
  host.draw_mark = draw_mark;
  host.finish_views = press_f4;
}

void room_check_command() {
  refl_cmd_room_check();
  input_update_cursor(1);
}
