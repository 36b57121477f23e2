// Drives modal dialogs and message boxes from a thread timer: it fires inside
// the dialog's own message loop and runs the next scripted step as soon as
// the window that step waits for is up. Only windows of the calling thread
// count: tests may run beside other programs on one display.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/win32/own_dialog.h"

namespace dialog_script {

// A step: which window it waits for, and what it does there. An action that
// answers false is tried again on the next tick (the dialog is not ready);
// one that answers nothing is done once it ran.
struct Step {
  std::function<HWND()> window;
  std::function<bool(HWND)> act;

  Step(std::function<HWND()> find, std::function<bool(HWND)> action)
      : window(std::move(find)), act(std::move(action)) {}
  // Waits for the visible dialog of this thread with the caption.
  template <typename Action>
  Step(const char* caption, Action action)
      : window([caption]() -> HWND {
          HWND dialog = own_dialog::find(caption);
          return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
        }) {
    if constexpr (std::is_void_v<std::invoke_result_t<Action, HWND>>)
      act = [action](HWND d) { return action(d), true; };
    else
      act = action;
  }
};

namespace detail {
inline std::vector<Step> g_steps;
inline size_t g_next = 0;
inline DWORD g_deadline = 0;

inline BOOL CALLBACK cancel_window(HWND window, LPARAM) {
  if (IsWindowVisible(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

inline void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
  // A script that cannot go on must not hang the test: past the deadline
  // every window of the thread is cancelled until the body returns.
  if (g_deadline && GetTickCount() > g_deadline) {
    EnumThreadWindows(GetCurrentThreadId(), cancel_window, 0);
    return;
  }
  if (g_next >= g_steps.size()) return;
  HWND window = g_steps[g_next].window();
  if (!window) return;
  // Counted before it acts: an action that opens a modal box comes back only
  // after the next steps ran inside the box's own loop.
  size_t index = g_next++;
  std::function<bool(HWND)> act = g_steps[index].act;
  if (!act(window) && g_next == index + 1) g_next = index;
}
}  // namespace detail

// Called by a running action: the step is tried again on the next tick.
inline void again() {
  if (detail::g_next > 0) --detail::g_next;
}

// Runs body (which opens the dialogs) with the script; answers how many
// steps ran. With a time limit (ms), what is still open then is cancelled.
inline size_t run(std::vector<Step> steps, const std::function<void()>& body, DWORD limit_ms = 0,
                  UINT tick_ms = 30) {
  detail::g_steps = std::move(steps);
  detail::g_next = 0;
  detail::g_deadline = limit_ms ? GetTickCount() + limit_ms : 0;
  UINT_PTR timer = SetTimer(nullptr, 0, tick_ms, detail::tick);
  body();
  if (timer) KillTimer(nullptr, timer);
  detail::g_deadline = 0;
  return timer ? detail::g_next : 0;
}

// What the user does in a dialog.
inline std::string text(HWND dialog, int id) {
  char buffer[256] = {};
  GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
  return buffer;
}
inline void press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
inline void click(HWND dialog, int id) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
// Types text as the user would: the edit reports itself modified.
inline void type_text(HWND dialog, int id, const char* value) {
  SetDlgItemTextA(dialog, id, value);
  SendDlgItemMessageA(dialog, id, EM_SETMODIFY, TRUE, 0);
}
inline void select_list_row(HWND dialog, int list_id, int row) {
  HWND list = GetDlgItem(dialog, list_id);
  SendMessageA(list, LB_SETCURSEL, row, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list_id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

}  // namespace dialog_script
