#include "cad/main_window_win.h"

#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/help_win.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int HELP_ID = 11111;
constexpr int FIRST_BUTTON_ID = 20000;
constexpr UINT MSG_PANEL_KEY = 32700;

// Every top-level item but help: help stays open while a command runs.
void enable_top_menus(bool enable) {
  HWND main = win_main_window();
  HMENU menu = main ? GetMenu(main) : nullptr;
  if (!menu) return;
  const int count = GetMenuItemCount(menu);
  for (int position = 0; position < count; ++position)
    if (GetMenuItemID(menu, position) != HELP_ID)
      EnableMenuItem(menu, position, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(main);
}

bool is_object_command(int id) { return id > 999 && id < 5000; }

LRESULT on_command(const MainWindowProgram& program, WPARAM wparam, LPARAM lparam) {
  int id = LOWORD(wparam);
  if (program.help_file && id == HELP_ID) {
    app_show_help(g_running_command, program.help_file);
    return 0;
  }
  if (g_running_command != 0) {
    if (id >= FIRST_BUTTON_ID) cad_forward_command_button(id, lparam);
    // Anything else is ignored: the running command keeps its menus and prompt.
    return 0;
  }
  if (program.starts_command && !program.starts_command(id)) return 0;
  enable_top_menus(false);
  g_running_command = static_cast<int16_t>(id);
  program.run_command(id);
  // The command may have ended the program (Exit destroys the main window);
  // nothing of it is left running for a later start in the same process.
  if (is_object_command(g_running_command)) g_repeat_command = g_running_command;
  g_running_command = 0;
  cad_show_ok_stop_buttons(0);
  if (!win_main_window()) return 0;
  if (program.menu_state_after_command) program.update_menu_state();
  enable_top_menus(true);
  if (!program.keeps_prompt_line) {
    g_prompt_prefix[0] = 0;
    view_clear_prompt_line();
  }
  return 0;
}

// Scroll bars of a result window are children of the main window.
LRESULT on_hscroll(UINT message, WPARAM wparam, LPARAM lparam) {
  DrawWindow* current = gfx_current_window();
  HWND target = current ? current->window : nullptr;
  ChildHandler handler = win_child_handler(target);
  if (handler && target != win_drawing_window()) return handler(target, message, wparam, lparam);
  return 0;
}

void on_key(const MainWindowProgram& program, WPARAM key) {
  if (!program.takes_keys || program.takes_keys()) input_handle_key(static_cast<int>(key));
}

void on_close(const MainWindowProgram& program) {
  if (program.may_close && !program.may_close()) return;
  if (g_running_command != 0) {
    g_abort_flag = 1;
    return;
  }
  g_running_command = 1;
  program.exit();
  g_running_command = 0;
}

LRESULT main_window_message(const MainWindowProgram& program, HWND window, UINT message, WPARAM wparam,
                            LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return on_command(program, wparam, lparam);
    case WM_INITMENU:
      program.update_menu_state();
      return 0;
    case WM_SHOWWINDOW:
      if (program.menu_state_on_show && wparam) program.update_menu_state();
      return DefWindowProcA(window, message, wparam, lparam);
    case WM_HSCROLL:
      return on_hscroll(message, wparam, lparam);
    case WM_KEYDOWN:
      if (panel_window()) PostMessageA(panel_window(), WM_KEYDOWN, wparam, 0);
      on_key(program, wparam);
      return 0;
    case MSG_PANEL_KEY:
      on_key(program, wparam);
      return 0;
    case WM_SETCURSOR:
      input_update_cursor(0);
      if (!program.main_window_keeps_cursor) input_enable_cursor(0);
      win_arrow_cursor();
      return TRUE;
    case WM_CLOSE:
      on_close(program);
      return 0;
    case WM_DESTROY:
      if (program.before_shutdown) program.before_shutdown();
      win_arrow_cursor();
      win_shutdown();
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

}  // namespace

LRESULT cad_program_window_message(const MainWindowProgram& program, HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam) {
  if (window == win_main_window()) return main_window_message(program, window, message, wparam, lparam);
  if (window && window == win_drawing_window()) return program.drawing_window_proc(window, message, wparam, lparam);
  if (ChildHandler handler = win_child_handler(window)) return handler(window, message, wparam, lparam);
  return DefWindowProcA(window, message, wparam, lparam);
}
