// The drawing window's handler (pointer input, cursor, repaint, scrolling)
// and the OK and STOP buttons shown while a command waits for input; shared
// by every program that carries the CAD editor.
#pragma once
#include <windows.h>

constexpr int CAD_ID_OK = 20998;
constexpr int CAD_ID_STOP = 20999;

// The drawing window (id 10000, both scroll bars) inside the main window's
// margins, made the current drawing window and target.
bool cad_create_drawing_window();
LRESULT cad_drawing_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void cad_show_ok_stop_buttons(int show);
HWND cad_ok_button();
HWND cad_stop_button();
