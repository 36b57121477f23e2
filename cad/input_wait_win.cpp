#include "cad/input_wait_win.h"

#include <windows.h>

#include "cad/cad_state.h"

// Dispatches messages until the application quits; while a command runs it
// returns after the first message that ended the current input step (OK,
// STOP, a clicked or typed point, a right click).
void input_wait_event() {
  input_clear_flags();
  MSG message;
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1 || message.message == WM_QUIT) {
      // Leave the quit message for the outer loop when a command was waiting.
      if (got == 0 && g_running_command != 0) PostQuitMessage(static_cast<int>(message.wParam));
      if (g_running_command != 0) g_abort_flag = 1;
      return;
    }
    g_click_flag = 0;
    g_right_click_flag = 0;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (g_running_command == 0) continue;
    if (g_finish_flag || g_abort_flag) return;
    if (g_click_flag) {
      g_accepted_point = g_last_point;
      return;
    }
    if (g_right_click_flag) {
      g_finish_flag = 1;
      return;
    }
  }
}
