#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "tests/win32/dialog_script.h"

namespace {

LRESULT CALLBACK plain_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(window, message, wparam, lparam);
}


// Steps run one per timer tick while a dialog is open: each finds the open
// dialog, reads or types into it, and the last one presses a button.
struct DialogStep {
  std::string title;
  std::vector<std::pair<int, std::string>> set;  // SetDlgItemText
  int type_into = 0;                             // edit that gets typed_text as WM_CHAR
  std::string typed_text;
  int read_id = 0;  // edit whose text is kept in g_read
  int button = 0;   // pressed last, 0 = none
};
std::vector<std::string> g_read;

void act(HWND dialog, const DialogStep& s) {
  for (auto& e : s.set) SetDlgItemTextA(dialog, e.first, e.second.c_str());
  if (s.type_into) {
    HWND edit = GetDlgItem(dialog, s.type_into);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (char c : s.typed_text) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
  }
  if (s.read_id) g_read.push_back(dialog_script::text(dialog, s.read_id));
  if (s.button) PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(s.button), 0);
}

class InputDialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(win_init(GetModuleHandleA(nullptr), "ORVANTE", plain_proc)); }
  void SetUp() override { g_unit_feet = 0; }
  // The script plays until the next one or the end of the test.
  void script(std::vector<DialogStep> steps) {
    g_read.clear();
    std::vector<dialog_script::Step> script;
    for (const DialogStep& s : steps) script.emplace_back(s.title.c_str(), [s](HWND dialog) { act(dialog, s); });
    playing_.reset();
    playing_ = std::make_unique<dialog_script::Playing>(std::move(script), 20000, 20);
  }
  void TearDown() override {
    playing_.reset();
    g_unit_feet = 0;
  }
  std::unique_ptr<dialog_script::Playing> playing_;
};

TEST_F(InputDialogs, LineTakesTheCaptionAndCutsToTheBuffer) {
  char buffer[6] = "ab";
  script({{"Drehwinkel (Grad) :", {{105, "123456789"}}, 0, "", 0, 102}});
  EXPECT_EQ(dlg_input_line("Drehwinkel (Grad) :", buffer, sizeof buffer, 0), 1);
  EXPECT_STREQ(buffer, "12345");
  script({{"Frage", {{105, "zzz"}}, 0, "", 105, 103}});
  std::strcpy(buffer, "ab");
  EXPECT_EQ(dlg_input_line("Frage", buffer, sizeof buffer, 0), 0);
  EXPECT_STREQ(buffer, "ab");
  ASSERT_EQ(g_read.size(), 1u);
  EXPECT_EQ(g_read[0], "zzz");  // the edit showed what was set
}

TEST_F(InputDialogs, LineFixesATypedDecimalComma) {
  char buffer[22] = "";
  script({{"Zahl", {}, 105, "1,5", 0, 0}, {"Zahl", {}, 0, "", 105, 102}});
  EXPECT_EQ(dlg_input_line("Zahl", buffer, sizeof buffer, 1), 1);
  EXPECT_STREQ(buffer, "1.5");
}

TEST_F(InputDialogs, AbsolutePointShowsAndTakesFeet) {
  double x = 1, y = -2.5, z = 0;
  // "x" is no number: refused with the message, the dialog stays open, and
  // OK takes the entry once it is one.
  script({{"Punkt absolut :", {}, 0, "", 104, 0},
          {"Punkt absolut :", {{104, "3.28"}, {105, "x"}}, 0, "", 0, 102},
          {"Punkt absolut :", {{105, "6,56"}}, 0, "", 0, 102}});
  g_unit_feet = 1;
  std::vector<std::string> boxes;
  static std::vector<std::string>* seen = &boxes;
  ui_seams().message_box = [](const char* text, const char*, unsigned) {
    seen->push_back(text);
    return int(UI_IDOK);
  };
  EXPECT_EQ(dlg_point_absolute(x, y, z, "Punkt absolut :"), 1);
  ui_reset_seams();
  ASSERT_EQ(g_read.size(), 1u);
  EXPECT_EQ(g_read[0], "3.28");  // 1 m shown in feet with two decimals
  EXPECT_EQ(boxes, (std::vector<std::string>{"Ungültige Eingabe !"}));
  EXPECT_NEAR(x, 1.0, 1e-3);
  EXPECT_NEAR(y, 2.0, 1e-3);  // 6,56 ft with its decimal comma
  EXPECT_EQ(z, 0.0);
  x = 7;
  script({{"Punkt relativ :", {{104, "1"}}, 0, "", 0, 103}});
  EXPECT_EQ(dlg_point_absolute(x, y, z, "Punkt relativ :"), 0);
  EXPECT_EQ(x, 7.0);
}

TEST_F(InputDialogs, PolarTakesTheDistanceAbsoluteAndTheAngleOnceWrapped) {
  double d = 9, a = 9;
  script({{"Punkt polar", {{101, "-2"}, {102, "270"}}, 0, "", 0, 103}});
  EXPECT_EQ(dlg_point_polar(d, a), 1);
  EXPECT_DOUBLE_EQ(d, 2);
  EXPECT_NEAR(a, -3.141592654 / 2, 1e-7);
  script({{"Punkt polar", {}, 0, "", 0, 104}});
  EXPECT_EQ(dlg_point_polar(d, a), 0);
  EXPECT_DOUBLE_EQ(d, 2);
}

TEST_F(InputDialogs, TextNeedsAText) {
  float height = 1, angle = 0;
  char text[80] = "alt";
  script({{"Text", {}, 0, "", 106, 0}, {"Text", {{104, "2,5"}, {105, "30"}, {106, "Saal"}}, 0, "", 0, 102}});
  EXPECT_EQ(dlg_text(height, angle, text, sizeof text), 1);
  EXPECT_EQ(g_read[0], "alt");
  EXPECT_STREQ(text, "Saal");
  EXPECT_FLOAT_EQ(angle, 30);
  EXPECT_FLOAT_EQ(height, 2.5f);  // the decimal comma is fixed when the entry is read
  script({{"Text", {{106, ""}}, 0, "", 0, 102}});
  EXPECT_EQ(dlg_text(height, angle, text, sizeof text), 0);
}

}  // namespace
