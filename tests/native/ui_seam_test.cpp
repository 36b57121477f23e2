#include "framework/ui_seam.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string g_last_text;
int recording_box(const char* text, const char*, unsigned) {
  g_last_text = text;
  return UI_IDCANCEL;
}
}  // namespace

TEST(UiSeam, InstalledMessageBoxReceivesTextAndAnswers) {
  ui_seams().message_box = recording_box;
  EXPECT_EQ(ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK), UI_IDCANCEL);
  EXPECT_EQ(g_last_text, "Ung\xFCltige Eingabe !");  // CP1252 in both builds
  ui_reset_seams();
  EXPECT_EQ(ui_message_box("x", "y", UI_MB_OK), UI_IDOK);
}
