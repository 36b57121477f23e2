// The absorber-database editor opened in the test process for a whole suite:
// its main window and record panel live from the first test to the last;
// the message boxes are recorded and answered in turn (OK when no answer is
// left).
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "absorber_editor/absorber_db.h"
#include "absorber_editor/absorber_editor_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

namespace oab_test {

constexpr int CMD_EXIT = 105;

inline std::vector<std::string> g_boxes;
inline std::vector<int> g_answers;

inline int record_box(const char* text, const char*, unsigned) {
  g_boxes.push_back(text ? text : "");
  if (g_answers.empty()) return UI_IDOK;
  int answer = g_answers.front();
  g_answers.erase(g_answers.begin());
  return answer;
}

inline void command(int id) { SendMessageA(win_main_window(), WM_COMMAND, id, 0); }

inline std::string main_title() {
  char text[512] = {};
  GetWindowTextA(win_main_window(), text, sizeof text);
  return text;
}

class EditorSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(absed_start(GetModuleHandleA(nullptr))); }
  static void TearDownTestSuite() {
    g_absed_modified = false;  // no question on the way out
    command(CMD_EXIT);
  }
  void SetUp() override {
    ui_seams().message_box = record_box;
    g_boxes.clear();
    g_answers.clear();
  }
};

}  // namespace oab_test
