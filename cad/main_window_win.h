// The main window's messages in every program that carries the CAD drawing
// window: menu commands one at a time with the top-level menus greyed, the
// OK and STOP buttons and result-window buttons while a command waits, keys
// to the input routine, closing and shutdown. The program fills in what is
// its own.
#pragma once
#include <windows.h>

#include "framework/child_windows_win.h"

struct MainWindowProgram {
  const char* help_file = nullptr;               // opened by the help item 11111; null: no help item
  bool (*starts_command)(int id) = nullptr;      // false: the id starts nothing (null: every id does)
  void (*run_command)(int id) = nullptr;         // runs as the running command
  void (*update_menu_state)() = nullptr;         // on WM_INITMENU
  void (*exit)() = nullptr;                      // WM_CLOSE while no command runs
  bool (*may_close)() = nullptr;                 // asked first on WM_CLOSE; null: no question
  bool (*takes_keys)() = nullptr;                // keys reach the input routine; null: always
  void (*before_shutdown)() = nullptr;           // on WM_DESTROY; may be null
  ChildHandler drawing_window_proc = nullptr;
  bool menu_state_on_show = false;               // WM_SHOWWINDOW recomputes the menu state too
  bool menu_state_after_command = false;
  bool keeps_prompt_line = false;                // the prompt line is not cleared after a command
  bool main_window_keeps_cursor = false;         // WM_SETCURSOR leaves the drawing cursor switched on
};

// The window procedure's body for every window of the framework class:
// routed by handle to the main window, the drawing window or a registered
// child window.
LRESULT cad_program_window_message(const MainWindowProgram& program, HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam);
