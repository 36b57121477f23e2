#include "design/app_window_win.h"

#include "cad/drawing_window_win.h"
#include "cad/main_window_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "design/app_commands_win.h"
#include "design/app_main_win.h"

namespace {

bool g_first_command = true;

bool is_object_command(int id) { return id >= 1000 && id <= 4999; }

// A command that is not built yet only says so: no greyed menus, no
// OK and STOP behind its message.
bool starts_command(int id) {
  const AppCommand* command = app_find_command(id);
  if (command && !command->run) {
    app_not_available();
    return false;
  }
  return true;
}

void run_menu_command(int id) {
  if (g_first_command) {
    view_clear_drawing_window();
    g_first_command = false;
  }
  app_select_layer_for_command(id);
  if (is_object_command(id) && id != 2502 && id != 1004) app_show_ok_stop_buttons(1);
  app_run_command(id);
}

const MainWindowProgram DESIGN_WINDOW = {
    .help_file = "OPE_D.HLP",
    .starts_command = starts_command,
    .run_command = run_menu_command,
    .update_menu_state = app_update_menu_state,
    .exit = app_cmd_exit,
    .before_shutdown = app_write_history,
    .drawing_window_proc = app_view_window_proc,
};

}  // namespace

LRESULT CALLBACK app_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return cad_program_window_message(DESIGN_WINDOW, window, message, wparam, lparam);
}

LRESULT app_view_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return cad_drawing_window_proc(window, message, wparam, lparam);
}

void app_clear_before_first_command() { g_first_command = true; }

void app_select_layer_for_command(int id) { cad_select_command_layer(id, true); }

void app_show_ok_stop_buttons(int show) { cad_show_ok_stop_buttons(show); }

HWND app_ok_button() { return cad_ok_button(); }
HWND app_stop_button() { return cad_stop_button(); }
