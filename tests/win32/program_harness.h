// Runs a program's main in the test process and drives it from a thread
// timer inside its own message loop: each step runs once, in order, then the
// main window is closed. Message boxes are answered by a scripted recorder;
// a dialog the steps wait for is answered by a second timer. The programs'
// tests share it through the small headers that name each program's main.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "tests/win32/dialog_script.h"

namespace harness {

struct Box {
  std::string text, caption;
  unsigned flags;
};

inline std::vector<Box> g_boxes;
inline std::vector<int> g_answers;  // answers for the next boxes; OK when empty
inline std::vector<std::function<void()>> g_steps;
inline size_t g_next_step = 0;

inline int record_box(const char* text, const char* caption, unsigned flags) {
  g_boxes.push_back({text ? text : "", caption ? caption : "", flags});
  if (g_answers.empty()) return UI_IDOK;
  int answer = g_answers.front();
  g_answers.erase(g_answers.begin());
  return answer;
}

// What to do with a dialog the steps wait for: tried on every tick of its
// own timer until it answers true; the next step runs only after that. Set
// before the run, it answers a dialog of the start-up.
inline std::function<bool()> g_dialog_answer;

// The next file dialog gets this name (a full path) and OK.
inline void answer_file_dialog(const std::string& name) {
  g_dialog_answer = [name] {
    HWND dialog = own_dialog::file_dialog();
    if (!dialog) return false;
    dialog_script::answer_file_dialog(dialog, name);
    return true;
  };
}

// What differs from program to program.
struct Program {
  int (*entry)(HINSTANCE instance);
  void (*forget_changes)();            // no discard question on the way out
  bool (*busy)() = [] { return false; };  // the steps wait while it holds
  UINT step_ms = 10;                   // between two steps
};

namespace detail {
inline Program g_program{};

inline void CALLBACK answer_dialog(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_dialog_answer) return;
  ui_seams().message_box = record_box;  // start-up installed the real box
  if (g_dialog_answer()) g_dialog_answer = nullptr;
}

inline void CALLBACK run_next_step(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  // The program's start-up installed the real message box; answer them here.
  ui_seams().message_box = record_box;
  if (g_dialog_answer || g_program.busy()) {
    SetTimer(nullptr, 0, g_program.step_ms, run_next_step);
    return;
  }
  if (g_next_step < g_steps.size()) {
    auto step = g_steps[g_next_step++];
    step();
    SetTimer(nullptr, 0, g_program.step_ms, run_next_step);
    return;
  }
  if (HWND main = win_main_window()) {
    g_program.forget_changes();
    PostMessageA(main, WM_CLOSE, 0, 0);
  }
}
}  // namespace detail

// Runs the program through the steps, the message boxes answered in turn
// by answers, and returns its exit code.
inline int run_program(const Program& program, std::vector<std::function<void()>> steps,
                       std::vector<int> answers = {}) {
  detail::g_program = program;
  g_steps = std::move(steps);
  g_next_step = 0;
  g_boxes.clear();
  g_answers = std::move(answers);
  UINT_PTR answering = SetTimer(nullptr, 0, 30, detail::answer_dialog);
  SetTimer(nullptr, 0, 50, detail::run_next_step);
  int code = program.entry(GetModuleHandleA(nullptr));
  KillTimer(nullptr, answering);
  g_dialog_answer = nullptr;
  ui_reset_seams();
  return code;
}

// A step that waits (up to 500 turns of the timer) until condition holds,
// then runs action once.
inline std::function<void()> when(std::function<bool()> condition, std::function<void()> action) {
  auto tries = std::make_shared<int>(0);
  return [=] {
    if (!condition() && ++*tries < 500) {
      --g_next_step;
      return;
    }
    action();
  };
}

inline std::string window_text(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace harness
