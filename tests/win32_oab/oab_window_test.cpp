// The absorber-database editor in the test process: its window with the
// exact title, the sample database opened into the panel, a record edited
// through the panel (with a decimal comma and a refused coefficient),
// saved and read back by the design program's reader, a refused file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "absorber_editor/absorber_db.h"
#include "absorber_editor/absorber_editor_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "tests/win32/window_bitmap.h"

namespace {

std::vector<std::string> g_boxes;
int g_answer = UI_IDOK;
int record_box(const char* text, const char*, unsigned) {
  g_boxes.push_back(text ? text : "");
  return g_answer;
}

std::string full_path(const char* name) {
  char out[MAX_PATH];
  GetFullPathNameA(name, sizeof out, out, nullptr);
  return out;
}

std::string title() {
  char text[512] = {};
  GetWindowTextA(win_main_window(), text, sizeof text);
  return text;
}

HWND item(int id) { return GetDlgItem(absed_record_dialog(), id); }
void panel_command(int id) { SendMessageA(absed_record_dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
void command(int id) { SendMessageA(win_main_window(), WM_COMMAND, id, 0); }
bool visible(int id) { return IsWindowVisible(item(id)) != FALSE; }

TEST(OabWindow, OpensEditsSavesAndRefuses) {
  ASSERT_TRUE(absed_start(GetModuleHandleA(nullptr)));
  ui_seams().message_box = record_box;
  EXPECT_EQ(title(), "Orvante Absorber Datenbank 2.90");
  ASSERT_NE(absed_record_dialog(), nullptr);
  EXPECT_FALSE(visible(112));

  // The start-up picture centred on the main window as it stands, where
  // the record panel leaves it visible.
  RECT panel;
  GetWindowRect(absed_record_dialog(), &panel);
  MapWindowPoints(nullptr, win_main_window(), reinterpret_cast<POINT*>(&panel), 2);
  const PictureMatch logo =
      centred_picture_match(capture_window(win_main_window()), bitmap_resource_pixels("OABBMP290"), RGB(0xF0, 0xF0, 0xF0), panel);
  ASSERT_GT(logo.compared, 500);
  EXPECT_GT(logo.same, logo.compared * 9 / 10) << logo.same << " of " << logo.compared;

  std::string sample = full_path("BEISPIEL.OAB");
  absed_open_database_path(sample.c_str());
  EXPECT_EQ(title(), "Orvante Absorber Datenbank 2.90" + sample);
  ASSERT_GT(g_absed_table.count, 1);
  EXPECT_EQ(SendMessageA(item(101), LB_GETCOUNT, 0, 0), g_absed_table.count);

  // Edit the second record: a decimal comma is taken, 1.5 is refused.
  SendMessageA(item(101), LB_SETCURSEL, 1, 0);
  SendMessageA(absed_record_dialog(), WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), 0);
  command(203);
  EXPECT_TRUE(visible(112));
  SetWindowTextA(item(105), "1.5");
  panel_command(112);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Koeffizienten nur von 0...1 gültig");
  EXPECT_TRUE(visible(112));  // still editing
  SetWindowTextA(item(105), "0,75");
  SetWindowTextA(item(102), "Geaendert");
  panel_command(112);
  EXPECT_FALSE(visible(112));
  EXPECT_TRUE(g_absed_modified);
  EXPECT_FLOAT_EQ(g_absed_table.records[1].absorption[0], 0.75f);
  char row[64] = {};
  SendMessageA(item(101), LB_GETTEXT, 1, reinterpret_cast<LPARAM>(row));
  EXPECT_STREQ(row, "Geaendert");

  // Saved, then read as the design program reads it.
  std::string saved = full_path("oab_window_test.OAB");
  DeleteFileA(saved.c_str());
  ASSERT_TRUE(absed_save_file(saved.c_str()));
  EXPECT_FALSE(g_absed_modified);
  MaterialTable reread{};
  ASSERT_EQ(mat_read_absorber_file(saved.c_str(), reread), AbsorberDbStatus::ok);
  EXPECT_EQ(reread.count, g_absed_table.count);
  EXPECT_STREQ(reread.records[1].name, "Geaendert");

  // A file of another kind leaves title and table as they were.
  std::string bad = full_path("oab_window_test_bad.OAB");
  FILE* f = std::fopen(bad.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a database at all, not at all", f);
  std::fclose(f);
  int count = g_absed_table.count;
  std::string before = title();
  absed_open_database_path(bad.c_str());
  EXPECT_EQ(g_boxes.back(), "Ungültige Datenbank");
  EXPECT_EQ(title(), before);
  EXPECT_EQ(g_absed_table.count, count);

  // Deleting asks before leaving; Cancel keeps the window.
  command(202);
  panel_command(112);
  EXPECT_EQ(g_absed_table.count, count - 1);
  g_answer = UI_IDCANCEL;
  command(105);
  EXPECT_TRUE(IsWindow(win_main_window()));
  EXPECT_EQ(g_boxes.back(), "Datenbank wurde noch nicht gesichert");
  g_answer = UI_IDOK;
  HWND main = win_main_window();
  command(105);
  EXPECT_FALSE(IsWindow(main));
  DeleteFileA(saved.c_str());
  DeleteFileA(bad.c_str());
}

}  // namespace
