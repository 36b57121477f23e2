// Drives modal dialogs and message boxes from a thread timer: it fires inside
// the dialog's own message loop and runs the next scripted step as soon as
// the window that step waits for is up. Only windows of the calling thread
// count: tests may run beside other programs on one display.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/win32/own_dialog.h"

namespace dialog_script {

template <typename Action>
std::function<bool(HWND)> as_step_action(Action action) {
  if constexpr (std::is_invocable_v<Action, HWND>) {
    if constexpr (std::is_void_v<std::invoke_result_t<Action, HWND>>)
      return [action](HWND window) { return action(window), true; };
    else
      return action;
  } else if constexpr (std::is_void_v<std::invoke_result_t<Action>>) {
    return [action](HWND) { return action(), true; };
  } else {
    return [action](HWND) { return action(); };
  }
}

// A step: which window it waits for, and what it does there. An action that
// answers false is tried again on the next tick (the dialog is not ready);
// one that answers nothing is done once it ran. An action may take no window.
struct Step {
  std::function<HWND()> window;
  std::function<bool(HWND)> act;

  template <typename Action>
  Step(std::function<HWND()> find, Action action) : window(std::move(find)), act(as_step_action(action)) {}
  // Waits for the shown dialog of this thread with the caption.
  template <typename Action>
  Step(const char* caption, Action action)
      : window([title = std::string(caption)] { return own_dialog::shown(title.c_str()); }),
        act(as_step_action(action)) {}
};

// A step that waits until the condition holds, not for a window.
template <typename Action>
Step when(std::function<bool()> condition, Action action) {
  return Step([condition]() -> HWND { return condition() ? GetDesktopWindow() : nullptr; }, action);
}

// Steps that wait for no window: each is tried on every tick until it
// answers true.
inline std::vector<Step> polls(const std::vector<std::function<bool()>>& checks) {
  std::vector<Step> steps;
  for (const auto& check : checks) steps.push_back(when([] { return true; }, check));
  return steps;
}

namespace detail {
inline std::vector<Step> g_steps;
inline size_t g_next = 0;
inline DWORD g_deadline = 0;
inline bool g_timed_out = false;

inline BOOL CALLBACK cancel_window(HWND window, LPARAM) {
  if (IsWindowVisible(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

inline void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
  // A script that cannot go on must not hang the test: past the deadline
  // every window of the thread is cancelled until the body returns.
  if (g_deadline && GetTickCount() > g_deadline) {
    g_timed_out = true;
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

// The script plays from its start until its end of scope; with a time limit
// (ms), what is still open then is cancelled.
class Playing {
 public:
  explicit Playing(std::vector<Step> steps, DWORD limit_ms = 0, UINT tick_ms = 30) {
    detail::g_steps = std::move(steps);
    detail::g_next = 0;
    detail::g_timed_out = false;
    detail::g_deadline = limit_ms ? GetTickCount() + limit_ms : 0;
    timer_ = SetTimer(nullptr, 0, tick_ms, detail::tick);
  }
  ~Playing() { stop(); }
  // Ends the script before the end of its scope.
  void stop() {
    if (timer_) KillTimer(nullptr, timer_);
    stopped_at_ = steps_run();
    timer_ = 0;
    detail::g_deadline = 0;
  }
  Playing(const Playing&) = delete;
  Playing& operator=(const Playing&) = delete;
  // How many steps ran.
  size_t steps_run() const { return timer_ ? detail::g_next : stopped_at_; }

 private:
  UINT_PTR timer_ = 0;
  size_t stopped_at_ = 0;
};

// Runs body (which opens the dialogs) with the script; answers how many
// steps ran.
inline size_t run(std::vector<Step> steps, const std::function<void()>& body, DWORD limit_ms = 0,
                  UINT tick_ms = 30) {
  Playing playing(std::move(steps), limit_ms, tick_ms);
  body();
  return playing.steps_run();
}

// The same, failing the test when not every step ran: a dialog that never
// came, or one that came and was not answered, ends the body after limit_ms
// with the step it stopped at named.
inline void run_all(std::vector<Step> steps, const std::function<void()>& body, DWORD limit_ms = 20000,
                    UINT tick_ms = 30) {
  size_t count = steps.size();
  size_t ran = run(std::move(steps), body, limit_ms, tick_ms);
  EXPECT_EQ(ran, count) << "the dialog script stopped before step " << ran + 1 << " of " << count
                        << (detail::g_timed_out ? ": it waited in vain until the time limit" : "");
}

// Answers that stand while the body runs: on every tick each rule whose
// window is up acts on it once (the window is marked, so that a dialog that
// takes a moment to close is not answered twice). A rule that answers false
// is tried again on the next tick.
class Answering {
 public:
  explicit Answering(std::vector<Step> rules, UINT tick_ms = 50) {
    rules_ = std::move(rules);
    timer_ = SetTimer(nullptr, 0, tick_ms, tick);
  }
  ~Answering() {
    KillTimer(nullptr, timer_);
    rules_.clear();
  }
  Answering(const Answering&) = delete;
  Answering& operator=(const Answering&) = delete;
  bool started() const { return timer_ != 0; }

 private:
  static constexpr const char* ANSWERED = "dialog_script.answered";
  static inline std::vector<Step> rules_;
  UINT_PTR timer_ = 0;

  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    std::vector<Step> rules = rules_;  // an action may run a nested loop
    for (const Step& rule : rules) {
      HWND window = rule.window();
      if (!window || GetPropA(window, ANSWERED)) continue;
      if (rule.act(window)) SetPropA(window, ANSWERED, reinterpret_cast<HANDLE>(1));
    }
  }
};

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
// Sets the texts of edits, then presses the button.
inline void fill_and_press(HWND dialog, const std::vector<std::pair<int, std::string>>& texts, int button = IDOK) {
  for (const auto& [id, value] : texts) SetDlgItemTextA(dialog, id, value.c_str());
  press(dialog, button);
}
inline void select_list_row(HWND dialog, int list_id, int row) {
  HWND list = GetDlgItem(dialog, list_id);
  SendMessageA(list, LB_SETCURSEL, row, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list_id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}
// In the open or save dialog: the name (a full path or one in the dialog's
// folder) and OK; no name: Cancel.
inline void answer_file_dialog(HWND dialog, const std::string& name) {
  if (!name.empty()) SetWindowTextA(own_dialog::file_name_field(dialog), name.c_str());
  press(dialog, name.empty() ? IDCANCEL : IDOK);
}
inline std::string name_shown(HWND file_dialog) {
  char shown[256] = "";
  GetWindowTextA(own_dialog::file_name_field(file_dialog), shown, sizeof shown);
  return shown;
}

}  // namespace dialog_script
