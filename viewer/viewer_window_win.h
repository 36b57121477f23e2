// The viewer's main-window procedure with its reduced command set, its
// drawing-window handler, menu state and layer selection.
#pragma once
#include <windows.h>

LRESULT CALLBACK viewer_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT viewer_drawing_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void viewer_update_menu_state();
void viewer_select_command_layer(int id);
void viewer_show_ok_stop_buttons(int show);
// 1 when the id is one the viewer runs.
int viewer_runs_command(int id);
