// Runs a program in the test process and drives it from a thread timer
// inside its own message loop: each step runs once, in order, then the main
// window is closed. Message boxes are answered by a scripted recorder.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

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

inline void CALLBACK run_next_step(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  // The program's start-up installed the real message box; answer them here.
  ui_seams().message_box = record_box;
  if (g_next_step < g_steps.size()) {
    auto step = g_steps[g_next_step++];
    step();
    SetTimer(nullptr, 0, 10, run_next_step);
    return;
  }
  if (HWND main = win_main_window()) {
    g_modified = 0;  // no discard question on the way out
    PostMessageA(main, WM_CLOSE, 0, 0);
  }
}

using ProgramEntry = int (*)(HINSTANCE instance);

// Runs the program through the steps and returns its exit code.
inline int run_program(ProgramEntry entry, std::vector<std::function<void()>> steps) {
  g_steps = std::move(steps);
  g_next_step = 0;
  g_boxes.clear();
  g_answers.clear();
  SetTimer(nullptr, 0, 50, run_next_step);
  int code = entry(GetModuleHandleA(nullptr));
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
