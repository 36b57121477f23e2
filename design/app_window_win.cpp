#include "design/app_window_win.h"

#include "cad/cad_state.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "design/app_commands_win.h"
#include "design/app_main_win.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int ID_OK = 20998;
constexpr int ID_STOP = 20999;
constexpr int FIRST_BUTTON_ID = 20000;
constexpr UINT MSG_PANEL_KEY = 32700;
constexpr int TOP_MENU_COUNT = 9;

HWND g_ok_button = nullptr;
HWND g_stop_button = nullptr;
int g_first_command = 1;
int g_last_key = 0;

void enable_top_menus(bool enable) {
  HWND main = win_main_window();
  HMENU menu = main ? GetMenu(main) : nullptr;
  if (!menu) return;
  for (int position = 0; position < TOP_MENU_COUNT; ++position)
    EnableMenuItem(menu, position, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(main);
}

bool is_object_command(int id) { return id >= 1000 && id <= 4999; }

void run_menu_command(int id) {
  g_running_command = static_cast<int16_t>(id);
  if (g_first_command) {
    view_clear_drawing_window();
    g_first_command = 0;
  }
  app_select_layer_for_command(id);
  if (is_object_command(id) && id != 2502 && id != 1004) app_show_ok_stop_buttons(1);
  app_run_command(id);
  // The command may have ended the program (Exit destroys the main window).
  if (g_running_command > 999 && g_running_command < 5000) g_repeat_command = g_running_command;
  g_running_command = 0;
  app_show_ok_stop_buttons(0);
}

// A button or command id of 20000 and above while a command waits: OK, STOP,
// or a message for the current drawing window (result windows' own buttons).
void forward_button(int id, LPARAM lparam) {
  g_click_flag = 1;
  if (id == ID_OK) {
    g_finish_flag = 1;
  } else if (id == ID_STOP) {
    g_abort_flag = 1;
  } else {
    DrawWindow* target = gfx_current_window();
    if (target && target->window) PostMessageA(target->window, WM_COMMAND, id, lparam);
  }
}

LRESULT on_command(WPARAM wparam, LPARAM lparam) {
  int id = LOWORD(wparam);
  if (id == 11111) {
    app_show_help(g_running_command, "OPE_D.HLP");
    return 0;
  }
  if (g_running_command != 0) {
    if (id >= FIRST_BUTTON_ID) forward_button(id, lparam);
    // Anything else is ignored: the running command keeps its menus and prompt.
    return 0;
  }
  // A command that is not built yet only says so: no greyed menus, no
  // OK and STOP behind its message.
  const AppCommand* command = app_find_command(id);
  if (command && !command->run) {
    app_not_available();
    return 0;
  }
  enable_top_menus(false);
  run_menu_command(id);
  if (!win_main_window()) return 0;  // the program is ending
  enable_top_menus(true);
  g_prompt_prefix[0] = 0;
  view_clear_prompt_line();
  return 0;
}

LRESULT main_window_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return on_command(wparam, lparam);
    case WM_INITMENU:
      app_update_menu_state();
      return 0;
    case WM_HSCROLL: {
      ChildHandler handler = win_child_handler(gfx_current_window() ? gfx_current_window()->window : nullptr);
      if (handler && gfx_current_window()->window != win_drawing_window())
        return handler(gfx_current_window()->window, message, wparam, lparam);
      return 0;
    }
    case WM_KEYDOWN:
      g_last_key = static_cast<int>(wparam);
      if (panel_window()) PostMessageA(panel_window(), WM_KEYDOWN, wparam, 0);
      input_handle_key(static_cast<int>(wparam));
      return 0;
    case MSG_PANEL_KEY:
      input_handle_key(static_cast<int>(wparam));
      return 0;
    case WM_SETCURSOR:
      input_update_cursor(0);
      input_enable_cursor(0);
      win_arrow_cursor();
      return TRUE;
    case WM_CLOSE:
      if (g_running_command != 0) {
        g_abort_flag = 1;
      } else {
        g_running_command = 1;
        app_cmd_exit();
        g_running_command = 0;
      }
      return 0;
    case WM_DESTROY:
      app_write_history();
      win_arrow_cursor();
      win_shutdown();
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

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

LRESULT CALLBACK app_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window == win_main_window()) return main_window_message(window, message, wparam, lparam);
  if (window && window == win_drawing_window()) return app_view_window_proc(window, message, wparam, lparam);
  if (ChildHandler handler = win_child_handler(window)) return handler(window, message, wparam, lparam);
  return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT app_view_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
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

void app_select_layer_for_command(int id) {
  struct Range { int first, last, layer, colour; };
  static const Range ranges[] = {
      {1000, 1999, 2, 27}, {2000, 2999, 0, 0}, {3000, 3999, 1, 21}, {4000, 4999, 7, 14}};
  for (const Range& r : ranges) {
    if (id < r.first || id > r.last) continue;
    g_view.current_layer = r.layer;
    g_view.current_colour = static_cast<int16_t>(r.colour);
    if (r.layer != 1) g_view.snap_layer = r.layer;
    if (!g_layers[r.layer].visible) {
      g_layers[r.layer].visible = 1;
      for (DrawObject* o = g_obj_head; o; o = o->next)
        if (o->layer == static_cast<uint32_t>(r.layer)) o->attributes &= ~OBJ_ATTR_LAYER_HIDDEN;
      view_relayout();
    }
    return;
  }
}

void app_show_ok_stop_buttons(int show) {
  if (show) {
    if (g_ok_button) return;
    DrawWindow* main = win_main_record();
    int x = (main->left + main->right) / 2 - 40;
    int y = main->bottom - 22;
    g_ok_button = win_create_button("OK", x, y, 40, 20, ID_OK);
    g_stop_button = win_create_button("STOP", x + 40, y, 40, 20, ID_STOP);
    ValidateRect(win_main_window(), nullptr);
    return;
  }
  if (g_ok_button) DestroyWindow(g_ok_button);
  if (g_stop_button) DestroyWindow(g_stop_button);
  g_ok_button = g_stop_button = nullptr;
}

HWND app_ok_button() { return g_ok_button; }
HWND app_stop_button() { return g_stop_button; }
