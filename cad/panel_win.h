// The 3D view panel: a strip of view, zoom and snap buttons and the
// coordinate readouts in the main window's top margin. Its buttons post the
// same function keys the keyboard handler takes, and it follows the state
// when the keys come from the keyboard.
#pragma once
#include <windows.h>

enum : int {
  PANEL_REFRESH_READOUTS = 300,  // command: readouts of the last point
  PANEL_REFRESH_BUTTONS = 400,   // command: view radio and switches from the state
};

// 1: creates the panel on the main window ("3DPANEL") and returns it (null
// when it cannot be made); 0: destroys it.
HWND panel_show(int show);
void panel_notify();
HWND panel_window();
INT_PTR CALLBACK panel_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// The drawing window on the printer as a bitmap, and to the clipboard.
void view_print_window();
void view_copy_window();
