// What the result windows share (reverberation time now; coverage and
// echogram are alike): a child of the main window over the drawing area that
// draws through its own record, buttons on the main window whose presses the
// main window forwards to it, a wait loop that hands each press to the
// window's own action while its command counts as running, and the way back
// to the drawing window.
#pragma once
#include <windows.h>

#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"

struct ResultWindow {
  HWND window;
  DrawWindow record;
  int pending_command;  // button id forwarded to the window, 0 = none
  int panel_was_shown;  // the 3D panel comes back only when it was there
};

// Hides the drawing window (and the 3D panel), creates the child window with
// the id over the drawing area and routes its messages to handler. On
// failure the message is shown, the drawing comes back and false returned.
bool result_window_open(ResultWindow& w, int id, ChildHandler handler, const char* failure_message);
// Runs the wait loop until OK, STOP, a close request of the main window or
// the window's end; each button pressed is handed to act.
void result_window_run(ResultWindow& w, void (*act)(int id));
// Destroys the window, shows the drawing again and clears the finish and
// STOP flags. The caller destroys its buttons first.
void result_window_close(ResultWindow& w);
// WM_COMMAND of the window: a forwarded button press that ends the wait.
void result_window_take_command(ResultWindow& w, WPARAM wparam);

void result_destroy_button(HWND& button);

// The window's picture to the clipboard; a failure is said in a message.
void result_window_copy(DrawWindow& record);
// The print dialog, then the window printed as a bitmap; printing is set
// meanwhile, so that the window's own paint keeps still.
void result_window_print(DrawWindow& record, int& printing);
// Only the bitmap, once the print dialog chose the printer; a failure is
// said in a message.
void result_window_print_bitmap(DrawWindow& record);
// What every result window answers alike: no background erase (it paints
// all of itself) and the arrow cursor; anything else goes to the default.
LRESULT result_window_default_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
