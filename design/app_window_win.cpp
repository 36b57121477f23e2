#include "design/app_window_win.h"

#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "design/app_commands_win.h"
#include "design/app_main_win.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/help_win.h"
#include "framework/print_win.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int FIRST_BUTTON_ID = 20000;
constexpr UINT MSG_PANEL_KEY = 32700;
constexpr int TOP_MENU_COUNT = 9;

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

LRESULT on_command(WPARAM wparam, LPARAM lparam) {
  int id = LOWORD(wparam);
  if (id == 11111) {
    app_show_help(g_running_command, "OPE_D.HLP");
    return 0;
  }
  if (g_running_command != 0) {
    if (id >= FIRST_BUTTON_ID) cad_forward_command_button(id, lparam);
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

}  // namespace

LRESULT CALLBACK app_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (window == win_main_window()) return main_window_message(window, message, wparam, lparam);
  if (window && window == win_drawing_window()) return app_view_window_proc(window, message, wparam, lparam);
  if (ChildHandler handler = win_child_handler(window)) return handler(window, message, wparam, lparam);
  return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT app_view_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return cad_drawing_window_proc(window, message, wparam, lparam);
}

void app_select_layer_for_command(int id) { cad_select_command_layer(id, true); }

void app_show_ok_stop_buttons(int show) { cad_show_ok_stop_buttons(show); }

HWND app_ok_button() { return cad_ok_button(); }
HWND app_stop_button() { return cad_stop_button(); }
