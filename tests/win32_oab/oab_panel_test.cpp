// The absorber-database editor's menu commands on the record panel: what an
// empty table refuses, New asking before it discards changes, the capacity
// of 200 records, a new record appended, sorting through the menu, deleting
// the last row, and Cancel leaving the mode.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win32_oab/editor_suite.h"

namespace {

using oab_test::command;
using oab_test::g_answers;
using oab_test::g_boxes;

constexpr int CMD_NEW = 101, CMD_NEW_RECORD = 201, CMD_DELETE_RECORD = 202, CMD_EDIT_RECORD = 203,
              CMD_SORT_CATEGORY = 301, CMD_SORT_NAME = 302;
constexpr int ID_LIST = 101, ID_NAME = 102, ID_CATEGORY = 103, ID_OK = 112, ID_CANCEL = 113;
const char* const DISCARD_QUESTION = "Datenbank wurde noch nicht gesichert";

HWND panel() { return absed_record_dialog(); }
void press(int id) { SendMessageA(panel(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
bool editing() { return IsWindowVisible(GetDlgItem(panel(), ID_OK)) != FALSE; }
bool read_only(int id) { return (GetWindowLongA(GetDlgItem(panel(), id), GWL_STYLE) & ES_READONLY) != 0; }
bool menus_greyed() { return (GetMenuState(GetMenu(win_main_window()), 0, MF_BYPOSITION) & MF_GRAYED) != 0; }

std::string list_rows() {
  std::string rows;
  int count = int(SendDlgItemMessageA(panel(), ID_LIST, LB_GETCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    char text[64] = "";
    SendDlgItemMessageA(panel(), ID_LIST, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
    rows += std::string(text) + ",";
  }
  return rows;
}

int selected_row() { return int(SendDlgItemMessageA(panel(), ID_LIST, LB_GETCURSEL, 0, 0)); }

void fill(const std::vector<std::pair<const char*, const char*>>& records) {
  absed_new_database();
  const float alpha[MATERIAL_BANDS] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
  for (const auto& [name, category] : records)
    ASSERT_TRUE(absed_store_record(g_absed_table.count, name, "", category, alpha));
  g_absed_modified = false;
  absed_show_record_dialog();
}

using OabPanel = oab_test::EditorSuite;

TEST_F(OabPanel, EmptyTableRefusesEditAndDeleteButTakesANewRecord) {
  fill({});
  for (int refused : {CMD_EDIT_RECORD, CMD_DELETE_RECORD}) {
    command(refused);
    EXPECT_FALSE(editing()) << refused;
    EXPECT_FALSE(menus_greyed()) << refused;
  }
  command(CMD_NEW_RECORD);
  ASSERT_TRUE(editing());
  EXPECT_TRUE(menus_greyed());
  EXPECT_FALSE(read_only(ID_NAME));
  char name[32] = "";
  GetDlgItemTextA(panel(), ID_NAME, name, sizeof name);
  EXPECT_STREQ(name, "NEU");
  SetDlgItemTextA(panel(), ID_CATEGORY, "Decke");
  press(ID_OK);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_FALSE(editing());
  EXPECT_FALSE(menus_greyed());
  EXPECT_TRUE(read_only(ID_NAME));
  EXPECT_EQ(g_absed_table.count, 1);
  EXPECT_STREQ(g_absed_table.records[0].category, "Decke");
  EXPECT_EQ(list_rows(), "NEU,");
  EXPECT_EQ(selected_row(), 0);
  EXPECT_TRUE(g_absed_modified);
}

TEST_F(OabPanel, NewAsksBeforeItDiscardsChanges) {
  fill({{"Beton", "Wand"}});
  g_absed_modified = true;
  g_answers = {UI_IDCANCEL};
  command(CMD_NEW);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], DISCARD_QUESTION);
  EXPECT_EQ(g_absed_table.count, 1);  // kept
  command(CMD_NEW);                   // OK this time
  EXPECT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_absed_table.count, 0);
  EXPECT_EQ(list_rows(), "");
  EXPECT_FALSE(g_absed_modified);
  command(CMD_NEW);  // nothing to lose: no question
  EXPECT_EQ(g_boxes.size(), 2u);
}

TEST_F(OabPanel, TwoHundredRecordsAreTheLimit) {
  std::vector<std::pair<const char*, const char*>> full(MAX_MATERIALS, {"x", "y"});
  fill(full);
  command(CMD_NEW_RECORD);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Die Kapazität der Datenbank ist auf 200 Materialien begrenzt");
  EXPECT_FALSE(editing());
  EXPECT_EQ(g_absed_table.count, MAX_MATERIALS);
}

TEST_F(OabPanel, SortsThroughTheMenuAndDeletesTheLastRow) {
  fill({{"Teppich", "Boden"}, {"beton", "wand"}, {"Beton", "Decke"}, {"Alu", "Wand"}});
  struct Case {
    int command;
    const char* rows;
  } cases[] = {
      {CMD_SORT_NAME, "Alu,Beton,Teppich,beton,"},
      {CMD_SORT_CATEGORY, "Teppich,Beton,Alu,beton,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows);
    g_absed_modified = false;
    command(c.command);
    EXPECT_EQ(list_rows(), c.rows);
    EXPECT_EQ(selected_row(), 0);
    EXPECT_TRUE(g_absed_modified);
  }

  // The last row deleted: the new last one is selected and shown.
  SendDlgItemMessageA(panel(), ID_LIST, LB_SETCURSEL, 3, 0);
  SendMessageA(panel(), WM_COMMAND, MAKEWPARAM(ID_LIST, LBN_SELCHANGE), 0);
  g_absed_modified = false;
  command(CMD_DELETE_RECORD);
  ASSERT_TRUE(editing());
  EXPECT_TRUE(read_only(ID_NAME));  // deleting edits nothing
  press(ID_OK);
  EXPECT_EQ(list_rows(), "Teppich,Beton,Alu,");
  EXPECT_EQ(selected_row(), 2);
  char name[32] = "";
  GetDlgItemTextA(panel(), ID_NAME, name, sizeof name);
  EXPECT_STREQ(name, "Alu");
  EXPECT_TRUE(g_absed_modified);

  // Cancel leaves the edit mode and changes nothing.
  command(CMD_EDIT_RECORD);
  SetDlgItemTextA(panel(), ID_NAME, "Anders");
  press(ID_CANCEL);
  EXPECT_FALSE(editing());
  EXPECT_FALSE(menus_greyed());
  EXPECT_STREQ(g_absed_table.records[2].name, "Alu");
  EXPECT_EQ(list_rows(), "Teppich,Beton,Alu,");
}

}  // namespace
