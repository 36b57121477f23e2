#include "framework/filesel_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "framework/ui_seam.h"

namespace {

constexpr int FILE_NAME_COMBO = 0x47c;  // cmb13 of the explorer-style dialog
constexpr int FILE_NAME_EDIT = 0x480;   // edt1

// What the timer does to the dialog once it is up: type a name (or not),
// remember what the name field showed, then answer.
struct DialogScript {
  const char* type_name;  // null: leave the field as it is
  int answer;             // IDOK or IDCANCEL
  std::string shown;      // the name field when the dialog came up
  bool seen;
};
DialogScript g_script;

BOOL CALLBACK find_dialog(HWND window, LPARAM result) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) == "#32770" && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

HWND name_field(HWND dialog) {
  HWND field = GetDlgItem(dialog, FILE_NAME_COMBO);
  return field ? field : GetDlgItem(dialog, FILE_NAME_EDIT);
}

void CALLBACK answer_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog || g_script.seen) return;
  g_script.seen = true;
  KillTimer(nullptr, timer);
  char shown[256] = "";
  GetWindowTextA(name_field(dialog), shown, sizeof shown);
  g_script.shown = shown;
  if (g_script.type_name) SetWindowTextA(name_field(dialog), g_script.type_name);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(g_script.answer, BN_CLICKED), 0);
}

void script_next_dialog(const char* type_name, int answer) {
  g_script = {type_name, answer, "", false};
  SetTimer(nullptr, 0, 100, answer_dialog);
}

class FileSelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
    folder_ = std::string(temp) + "orv_filesel\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    existing_ = folder_ + "HALLE.OPR";
    FILE* f = std::fopen(existing_.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("x", f);
    std::fclose(f);
    filedlg_set_directory(folder_.c_str());
    filedlg_set_file_title("vorher.OPR");
  }
  void TearDown() override { ui_reset_seams(); }
  std::string folder_, existing_;
};

TEST_F(FileSelTest, SplitFilterTurnsEveryBarIntoNul) {
  char filter[] = "Projekte (*.OPR)|*.OPR|Alle|*.*|";
  filedlg_split_filter(filter);
  EXPECT_EQ(std::string(filter, sizeof filter), std::string("Projekte (*.OPR)\0*.OPR\0Alle\0*.*\0\0", 33));
}

TEST_F(FileSelTest, OpenRemembersDirectoryAndName) {
  script_next_dialog("HALLE.OPR", IDOK);
  ASSERT_EQ(filedlg_open("Projekte|*.OPR|", nullptr), 1);
  EXPECT_TRUE(g_script.seen);
  EXPECT_STREQ(filedlg_file_title(), "HALLE.OPR");
  std::string dir = filedlg_directory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(GetFileAttributesA((dir + filedlg_file_title()).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesA((dir + filedlg_file_title()).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileSelTest, CancelKeepsTheRememberedChoice) {
  script_next_dialog("HALLE.OPR", IDCANCEL);
  EXPECT_EQ(filedlg_open("Projekte|*.OPR|", "HALLE.OPR"), 0);
  EXPECT_EQ(g_script.shown, "HALLE.OPR");  // the initial name was offered
  char filter[] = "Projekte|*.OPR|";
  script_next_dialog("NEU.OPR", IDCANCEL);
  EXPECT_EQ(filedlg_save(filter, nullptr), 0);
  EXPECT_EQ(std::string(filedlg_directory()), folder_);
  EXPECT_STREQ(filedlg_file_title(), "vorher.OPR");
}

TEST_F(FileSelTest, SaveStartsWithTheShortDefaultNameOnly) {
  char filter[] = "Projekte|*.OPR|";
  script_next_dialog(nullptr, IDCANCEL);
  filedlg_save(filter, "C:\\PROJEKTE\\SAAL.OPR");
  EXPECT_EQ(g_script.shown, "SAAL.OPR");
  script_next_dialog(nullptr, IDCANCEL);
  filedlg_save(filter, "C:\\PROJEKTE\\GROSSER_KONZERTSAAL.OPR");  // 22 characters
  EXPECT_TRUE(g_script.seen);
  EXPECT_EQ(g_script.shown, "");
  // The map save offers its pattern, which GetFileTitle takes for no name.
  char maps[] = "Orvante Map File|*.omf|";
  script_next_dialog(nullptr, IDCANCEL);
  filedlg_save(maps, "*.OMF");
  EXPECT_TRUE(g_script.seen);
  EXPECT_EQ(g_script.shown, "*.OMF");
}

TEST_F(FileSelTest, SaveReturnsTheTypedNameAndTheFilterStaysUsable) {
  char filter[] = "Projekte|*.OPR|";
  script_next_dialog("NEUER SAAL.OPR", IDOK);
  ASSERT_EQ(filedlg_save(filter, nullptr), 1);
  EXPECT_STREQ(filedlg_file_title(), "NEUER SAAL.OPR");
  EXPECT_EQ(std::string(filedlg_directory()).back(), '\\');
  script_next_dialog("ZWEITER.OPR", IDOK);  // the split filter works again
  ASSERT_EQ(filedlg_save(filter, nullptr), 1);
  EXPECT_STREQ(filedlg_file_title(), "ZWEITER.OPR");
}

}  // namespace
