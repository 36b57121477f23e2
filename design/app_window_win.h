// The design program's window procedure: routes the messages of every window
// of the framework class by handle and runs the menu commands.
#pragma once
#include <windows.h>

LRESULT CALLBACK app_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT app_view_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void app_update_menu_state();
void app_select_layer_for_command(int id);
void app_show_ok_stop_buttons(int show);

// Result windows (coverage, echogram, path browser, reverberation time)
// register their handler with win_register_child_window while they are open.
HWND app_ok_button();
HWND app_stop_button();
