// The absorber-database editor's "Speichern als..." and "Öffnen" through the
// system's file dialogs, a name typed into the dialog and OK as a user does:
// the extension made sure, the file name and title following the choice, the
// current name offered by the save dialog, a file of more than 200 records
// cut with a word, and Cancel changing nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win32/dialog_script.h"
#include "tests/win32_oab/editor_suite.h"

namespace {

using oab_test::command;
using oab_test::g_boxes;

constexpr int CMD_OPEN = 102, CMD_SAVE_AS = 103;

long file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return long(data.nFileSizeLow);
}

// Runs the command while the dialog that comes up gets name typed and OK
// (or Cancel when name is null); answers the name the dialog offered.
std::string through_dialog(int id, const char* name) {
  std::string offered;
  std::string typed = name ? name : "";
  bool cancel = name == nullptr;
  size_t steps = dialog_script::run({{own_dialog::file_dialog, [&](HWND dialog) {
                                        char text[MAX_PATH] = "";
                                        GetWindowTextA(own_dialog::file_name_field(dialog), text, sizeof text);
                                        offered = text;
                                        if (cancel) {
                                          dialog_script::press(dialog, IDCANCEL);
                                          return true;
                                        }
                                        SetWindowTextA(own_dialog::file_name_field(dialog), typed.c_str());
                                        dialog_script::press(dialog, IDOK);
                                        return true;
                                      }}},
                                    [&] { command(id); }, 30000);
  EXPECT_EQ(steps, 1u) << "no file dialog came up for command " << id;
  return offered;
}

class OabDialogs : public oab_test::EditorSuite {
 protected:
  void SetUp() override {
    EditorSuite::SetUp();
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp) + "oab_dialogs_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const char* name : {"ohne_endung.OAB", "klein.oab", "klein_old.OAB", "lang.OAB"})
      DeleteFileA((folder_ + name).c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  void two_records() {
    absed_new_database();
    const float alpha[MATERIAL_BANDS] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};
    ASSERT_TRUE(absed_store_record(0, "Beton", "glatt", "Wand", alpha));
    ASSERT_TRUE(absed_store_record(1, "Teppich", "dick", "Boden", alpha));
    absed_show_record_dialog();
  }
  std::string folder_;
};

TEST_F(OabDialogs, SaveAsAppendsTheExtensionAndTheFileNameFollows) {
  two_records();
  ASSERT_TRUE(g_absed_modified);
  through_dialog(CMD_SAVE_AS, (folder_ + "ohne_endung").c_str());
  EXPECT_TRUE(g_boxes.empty()) << g_boxes.front();
  const std::string saved = folder_ + "ohne_endung.OAB";
  EXPECT_EQ(file_size(saved), 32 + 2 * 256);
  EXPECT_FALSE(g_absed_modified);
  EXPECT_EQ(std::string(g_absed_file_name), saved);
  EXPECT_EQ(oab_test::main_title(), "Orvante Absorber Datenbank 2.90" + saved);

  // A name in lower case keeps its extension; the dialog offers the current name.
  std::string offered = through_dialog(CMD_SAVE_AS, (folder_ + "klein.oab").c_str());
  EXPECT_NE(offered.find("ohne_endung"), std::string::npos) << offered;
  EXPECT_EQ(file_size(folder_ + "klein.oab"), 32 + 2 * 256);
  EXPECT_EQ(std::string(g_absed_file_name), folder_ + "klein.oab");
}

TEST_F(OabDialogs, OpenReadsTheChosenFileAndCancelChangesNothing) {
  two_records();
  through_dialog(CMD_SAVE_AS, (folder_ + "ohne_endung.OAB").c_str());
  absed_new_database();
  absed_show_record_dialog();
  ASSERT_EQ(g_absed_table.count, 0);

  through_dialog(CMD_OPEN, (folder_ + "ohne_endung.OAB").c_str());
  EXPECT_TRUE(g_boxes.empty()) << g_boxes.front();
  EXPECT_EQ(g_absed_table.count, 2);
  EXPECT_STREQ(g_absed_table.records[1].name, "Teppich");
  EXPECT_EQ(SendDlgItemMessageA(absed_record_dialog(), 101, LB_GETCOUNT, 0, 0), 2);
  const std::string opened = oab_test::main_title();
  EXPECT_EQ(opened, "Orvante Absorber Datenbank 2.90" + folder_ + "ohne_endung.OAB");

  through_dialog(CMD_OPEN, nullptr);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(oab_test::main_title(), opened);
  EXPECT_EQ(g_absed_table.count, 2);
  EXPECT_EQ(std::string(g_absed_file_name), folder_ + "ohne_endung.OAB");
}

// A file of 201 records: the table takes the first 200, and the editor says so.
TEST_F(OabDialogs, OpenOfALongerFileTakesTheFirstTwoHundredAndSaysSo) {
  absed_new_database();
  const float alpha[MATERIAL_BANDS] = {};
  for (int k = 0; k < MAX_MATERIALS; ++k) ASSERT_TRUE(absed_store_record(k, "x", "", "", alpha));
  const std::string path = folder_ + "lang.OAB";
  ASSERT_TRUE(absed_save_file(path.c_str()));
  FILE* file = std::fopen(path.c_str(), "ab");
  ASSERT_NE(file, nullptr);
  const std::vector<char> one_more(MATERIAL_RECORD_BYTES, 0);
  std::fwrite(one_more.data(), 1, one_more.size(), file);
  std::fclose(file);
  ASSERT_EQ(file_size(path), 32 + 201 * 256);
  absed_new_database();
  absed_show_record_dialog();

  through_dialog(CMD_OPEN, path.c_str());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], ABSED_MSG_CUT);
  EXPECT_EQ(g_absed_table.count, MAX_MATERIALS);
  EXPECT_EQ(SendDlgItemMessageA(absed_record_dialog(), 101, LB_GETCOUNT, 0, 0), MAX_MATERIALS);
  EXPECT_EQ(oab_test::main_title(), "Orvante Absorber Datenbank 2.90" + path);
}

std::string field(int id) {
  char text[128] = "";
  GetDlgItemTextA(absed_record_dialog(), id, text, sizeof text);
  return text;
}

void panel_press(int id) { SendMessageA(absed_record_dialog(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// Coefficients outside 0...1 in a file (1.5, NaN, -0.25): the file opens,
// the editor names the records and shows the first; "Speichern als..."
// refuses until they are corrected through the panel.
TEST_F(OabDialogs, OutOfRangeCoefficientsOpenNamedAndAreCorrectedBeforeSaving) {
  absed_new_database();
  const float sound[MATERIAL_BANDS] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};
  const char* names[] = {"Beton", "Stahlblech", "Glas", "Teppich"};
  for (int k = 0; k < 4; ++k) ASSERT_TRUE(absed_store_record(k, names[k], "", "Wand", sound));
  g_absed_table.records[1].absorption[2] = 1.5f;
  g_absed_table.records[2].absorption[0] = std::nanf("");
  g_absed_table.records[3].absorption[6] = -0.25f;
  const std::string path = folder_ + "lang.OAB";
  ASSERT_TRUE(mat_write_absorber_file(path.c_str(), g_absed_table));
  absed_new_database();
  g_absed_modified = false;
  absed_show_record_dialog();

  through_dialog(CMD_OPEN, path.c_str());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("Nr. 2 (Stahlblech), Nr. 3 (Glas), Nr. 4 (Teppich)"), std::string::npos) << g_boxes[0];
  EXPECT_EQ(g_absed_table.count, 4);
  EXPECT_EQ(SendDlgItemMessageA(absed_record_dialog(), 101, LB_GETCURSEL, 0, 0), 1);  // the first of them shown
  EXPECT_EQ(field(102), "Stahlblech");
  EXPECT_EQ(field(107), "1.50");

  // Not saved while they stand: no file dialog, the records named again.
  g_boxes.clear();
  size_t dialogs = dialog_script::run({{own_dialog::file_dialog, [](HWND dialog) {
                                          dialog_script::press(dialog, IDCANCEL);
                                          return true;
                                        }}},
                                      [] { command(CMD_SAVE_AS); }, 3000);
  EXPECT_EQ(dialogs, 0u);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].find("nicht gespeichert"), std::string::npos) << g_boxes[0];
  EXPECT_NE(g_boxes[0].find("Nr. 2 (Stahlblech)"), std::string::npos) << g_boxes[0];

  // Corrected through the panel's edit mode, each record as it is shown.
  g_boxes.clear();
  for (int row : {1, 2, 3}) {
    SendDlgItemMessageA(absed_record_dialog(), 101, LB_SETCURSEL, row, 0);
    SendMessageA(absed_record_dialog(), WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), 0);
    command(203);
    for (int id = 105; id <= 111; ++id) SetDlgItemTextA(absed_record_dialog(), id, "0,5");
    panel_press(112);
  }
  EXPECT_TRUE(g_boxes.empty()) << g_boxes.front();
  const std::string saved = folder_ + "ohne_endung.OAB";
  through_dialog(CMD_SAVE_AS, saved.c_str());
  EXPECT_TRUE(g_boxes.empty()) << g_boxes.front();
  MaterialTable reread{};
  ASSERT_EQ(mat_read_absorber_file(saved.c_str(), reread), AbsorberDbStatus::ok);  // as the design program reads it
  EXPECT_FLOAT_EQ(reread.records[2].absorption[0], 0.5f);
}

// An empty database shows no record: the fields of the one shown before
// are cleared.
TEST_F(OabDialogs, EmptyDatabaseLeavesNoRecordOnScreen) {
  two_records();
  ASSERT_EQ(field(102), "Beton");
  absed_new_database();
  const std::string path = folder_ + "klein.oab";
  ASSERT_TRUE(mat_write_absorber_file(path.c_str(), g_absed_table));
  two_records();
  g_absed_modified = false;
  through_dialog(CMD_OPEN, path.c_str());
  EXPECT_TRUE(g_boxes.empty()) << g_boxes.front();
  EXPECT_EQ(g_absed_table.count, 0);
  EXPECT_EQ(SendDlgItemMessageA(absed_record_dialog(), 101, LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(field(102), "");
  EXPECT_EQ(field(103), "");
  EXPECT_EQ(field(104), "");
}

}  // namespace
