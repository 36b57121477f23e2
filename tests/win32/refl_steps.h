// How the Windows tests answer the reflection command: order 2, the target
// point typed in as (12, 6, 1.2) m, and the question whether to save the
// reflections declined (its boxes are noted).
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "cad/view.h"
#include "framework/win_frame_win.h"
#include "tests/win32/dialog_script.h"

namespace refl_steps {

inline std::vector<std::string> g_boxes;

inline int answer_box(const char* text, const char*, unsigned) {
  std::string t = text ? text : "";
  g_boxes.push_back(t);
  return t == "Reflexionsberechnung in Datei speichern ?" ? UI_IDCANCEL : UI_IDOK;
}

constexpr size_t ORDER = 1, TARGET = 3;  // how many steps ran once each was answered

inline std::vector<dialog_script::Step> order_and_target() {
  return {
      {"Max.Ordnung (1 .. 40):", [](HWND d) { dialog_script::fill_and_press(d, {{105, "2"}}, 102); }},
      dialog_script::when([] { return std::strstr(view_prompt_text(), "Zielpunkt") != nullptr; },
                          [] { PostMessageA(win_main_window(), WM_KEYDOWN, 'A', 0); }),
      {"Punkt absolut :",
       [](HWND d) { dialog_script::fill_and_press(d, {{104, "12"}, {105, "6"}, {106, "1.2"}}, 102); }},
  };
}

// Runs the command (menu 5020) with those answers and then the steps.
inline size_t run_command(std::vector<dialog_script::Step> then) {
  g_boxes.clear();
  ui_seams().message_box = answer_box;
  std::vector<dialog_script::Step> steps = order_and_target();
  for (auto& step : then) steps.push_back(std::move(step));
  return dialog_script::run(std::move(steps), [] { SendMessageA(win_main_window(), WM_COMMAND, 5020, 0); });
}

}  // namespace refl_steps
