// Opening the program's dialogs: a modeless one shown with its show command
// and owned by the window given; a dialog that cannot be made is reported
// once, the same way for modeless and modal ones.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

namespace {

struct Box {
  std::string text, caption;
  unsigned flags;
};
std::vector<Box> g_boxes;

int record_box(const char* text, const char* caption, unsigned flags) {
  g_boxes.push_back({text ? text : "", caption ? caption : "", flags});
  return UI_IDOK;
}

int g_inits = 0;
INT_PTR CALLBACK counting_proc(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) ++g_inits;
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

LRESULT CALLBACK plain_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}

class WinDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(win_init(GetModuleHandleA(nullptr), "ORVANTE", plain_proc)); }
  void SetUp() override {
    ui_seams().message_box = record_box;
    g_boxes.clear();
    g_inits = 0;
  }
  void TearDown() override { ui_reset_seams(); }
};

TEST_F(WinDialogs, ModelessDialogIsShownAndOwnedByTheWindowGiven) {
  for (int show : {SW_SHOW, SW_SHOWNA}) {
    SCOPED_TRACE(show);
    HWND dialog = win_open_dialog("DIALOG_3", win_main_window(), counting_proc, show);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(g_inits, 1);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), win_main_window());
    EXPECT_TRUE(g_boxes.empty());
    DestroyWindow(dialog);
    g_inits = 0;
  }
}

TEST_F(WinDialogs, DialogThatCannotBeMadeIsReportedOnce) {
  HWND before = GetActiveWindow();
  EXPECT_EQ(win_open_dialog("NO_SUCH_DIALOG", win_main_window(), counting_proc), nullptr);
  EXPECT_EQ(win_run_dialog("NO_SUCH_DIALOG", win_main_window(), counting_proc), 0);
  EXPECT_EQ(g_inits, 0);
  ASSERT_EQ(g_boxes.size(), 2u);
  for (const Box& box : g_boxes) {
    EXPECT_EQ(box.text, "Unable to display dialog");
    EXPECT_EQ(box.caption, "System Error");
    EXPECT_EQ(box.flags, unsigned(UI_MB_OK | UI_MB_ICONHAND | UI_MB_SYSTEMMODAL));
  }
  EXPECT_EQ(GetActiveWindow(), before);
}

}  // namespace
