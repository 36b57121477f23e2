#include "framework/filesel_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "framework/ui_seam.h"
#include "tests/native/run_folder.h"
#include "tests/win32/dialog_script.h"

namespace {

// Runs body with the next dialog answered: the name typed (or, with none,
// the field left as it is), then the button. Says whether the dialog came
// and what its name field showed then.
struct Answered {
  bool seen;
  std::string shown;
};
Answered answering(const char* type_name, int button, const std::function<void()>& body) {
  Answered answered{false, ""};
  size_t ran = dialog_script::run({{[] { return own_dialog::shown(); },
                                    [&](HWND dialog) {
                                      answered.shown = dialog_script::name_shown(dialog);
                                      if (type_name) SetWindowTextA(own_dialog::file_name_field(dialog), type_name);
                                      dialog_script::press(dialog, button);
                                    }}},
                                  body, 20000);
  answered.seen = ran == 1;
  return answered;
}

class FileSelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = run_folder::fresh("filesel").string() + "\\";
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
  int opened = -1;
  Answered answered = answering("HALLE.OPR", IDOK, [&] { opened = filedlg_open("Projekte|*.OPR|", nullptr); });
  ASSERT_EQ(opened, 1);
  EXPECT_TRUE(answered.seen);
  EXPECT_STREQ(filedlg_file_title(), "HALLE.OPR");
  std::string dir = filedlg_directory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '\\');
  EXPECT_EQ(GetFileAttributesA((dir + filedlg_file_title()).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(GetFileAttributesA((dir + filedlg_file_title()).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileSelTest, CancelKeepsTheRememberedChoice) {
  int opened = -1;
  Answered answered = answering("HALLE.OPR", IDCANCEL, [&] { opened = filedlg_open("Projekte|*.OPR|", "HALLE.OPR"); });
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(answered.shown, "HALLE.OPR");  // the initial name was offered
  char filter[] = "Projekte|*.OPR|";
  int saved = -1;
  answering("NEU.OPR", IDCANCEL, [&] { saved = filedlg_save(filter, nullptr); });
  EXPECT_EQ(saved, 0);
  EXPECT_EQ(std::string(filedlg_directory()), folder_);
  EXPECT_STREQ(filedlg_file_title(), "vorher.OPR");
}

TEST_F(FileSelTest, SaveStartsWithTheShortDefaultNameOnly) {
  char filter[] = "Projekte|*.OPR|";
  Answered answered = answering(nullptr, IDCANCEL, [&] { filedlg_save(filter, "C:\\PROJEKTE\\SAAL.OPR"); });
  EXPECT_EQ(answered.shown, "SAAL.OPR");
  answered = answering(nullptr, IDCANCEL, [&] {
    filedlg_save(filter, "C:\\PROJEKTE\\GROSSER_KONZERTSAAL.OPR");  // 22 characters
  });
  EXPECT_TRUE(answered.seen);
  EXPECT_EQ(answered.shown, "");
  // The map save offers its pattern, which GetFileTitle takes for no name.
  char maps[] = "Orvante Map File|*.omf|";
  answered = answering(nullptr, IDCANCEL, [&] { filedlg_save(maps, "*.OMF"); });
  EXPECT_TRUE(answered.seen);
  EXPECT_EQ(answered.shown, "*.OMF");
}

TEST_F(FileSelTest, SaveReturnsTheTypedNameAndTheFilterStaysUsable) {
  char filter[] = "Projekte|*.OPR|";
  int saved = -1;
  answering("NEUER SAAL.OPR", IDOK, [&] { saved = filedlg_save(filter, nullptr); });
  ASSERT_EQ(saved, 1);
  EXPECT_STREQ(filedlg_file_title(), "NEUER SAAL.OPR");
  EXPECT_EQ(std::string(filedlg_directory()).back(), '\\');
  answering("ZWEITER.OPR", IDOK, [&] { saved = filedlg_save(filter, nullptr); });  // the split filter works again
  ASSERT_EQ(saved, 1);
  EXPECT_STREQ(filedlg_file_title(), "ZWEITER.OPR");
}

}  // namespace
