// Runs the speaker-database editor in the test process and drives it from a
// thread timer inside its own message loops: each step runs once, in order,
// then the main window is closed. Message boxes are answered by a script;
// the standard file dialogs and the editor's own dialogs are answered by
// a second timer that waits for them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/record_table.h"

namespace osb_harness {

struct Box {
  std::string text, caption;
};

inline std::vector<Box> g_boxes;
inline std::vector<int> g_answers;  // for the next boxes; OK when empty
inline std::vector<std::function<void()>> g_steps;
inline size_t g_next_step = 0;

inline int record_box(const char* text, const char* caption, unsigned) {
  g_boxes.push_back({text ? text : "", caption ? caption : ""});
  if (g_answers.empty()) return UI_IDOK;
  int answer = g_answers.front();
  g_answers.erase(g_answers.begin());
  return answer;
}

// A dialog of this thread that is visible, with its caption.
struct Found {
  const char* caption;  // null: any
  HWND window;
};
inline BOOL CALLBACK match_dialog(HWND window, LPARAM param) {
  auto* f = reinterpret_cast<Found*>(param);
  char cls[16] = "", text[256] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
  if (f->caption && std::string(text) != f->caption) return TRUE;
  f->window = window;
  return FALSE;
}
inline HWND find_dialog(const char* caption) {
  Found f{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), match_dialog, reinterpret_cast<LPARAM>(&f));
  return f.window;
}

// What to do with the next dialog that shows up; it runs once.
inline std::function<bool()> g_dialog_answer;
inline void CALLBACK answer_dialog(HWND, UINT, UINT_PTR, DWORD) {
  ui_seams().message_box = record_box;  // start-up installed the real box
  if (g_dialog_answer && g_dialog_answer()) g_dialog_answer = nullptr;
}

constexpr int FILE_NAME_COMBO = 0x47c;
constexpr int FILE_NAME_EDIT = 0x480;

// The next file dialog gets this full path and OK.
inline void answer_file_dialog(const std::string& path) {
  g_dialog_answer = [path]() {
    HWND dialog = find_dialog(nullptr);
    if (!dialog) return false;
    HWND field = GetDlgItem(dialog, FILE_NAME_COMBO);
    if (!field) field = GetDlgItem(dialog, FILE_NAME_EDIT);
    if (!field) return false;
    SetWindowTextA(field, path.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
  };
}

inline void CALLBACK run_next_step(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  ui_seams().message_box = record_box;
  // Wait for an awaited dialog and for a running command, unless that
  // command is a view window, which the steps drive while it is open.
  if (g_dialog_answer || (g_running_command != 0 && !spked_view_window())) {
    SetTimer(nullptr, 0, 20, run_next_step);
    return;
  }
  if (g_next_step < g_steps.size()) {
    auto step = g_steps[g_next_step++];
    step();
    SetTimer(nullptr, 0, 20, run_next_step);
    return;
  }
  if (HWND main = win_main_window()) {
    g_spked_modified = 0;  // no discard question on the way out
    PostMessageA(main, WM_CLOSE, 0, 0);
  }
}

inline int run(std::vector<std::function<void()>> steps, std::vector<int> answers = {}) {
  g_steps = std::move(steps);
  g_next_step = 0;
  g_boxes.clear();
  g_answers = std::move(answers);
  UINT_PTR answering = SetTimer(nullptr, 0, 30, answer_dialog);
  SetTimer(nullptr, 0, 50, run_next_step);
  int code = spked_win_main(GetModuleHandleA(nullptr));
  KillTimer(nullptr, answering);
  ui_reset_seams();
  return code;
}

inline std::string window_text(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

}  // namespace osb_harness
