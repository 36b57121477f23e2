#include "design/history.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> recent() {
  std::vector<std::string> out;
  for (int i = 0; i < HISTORY_RECENT; ++i) out.push_back(history_recent(i));
  return out;
}

class History : public ::testing::Test {
 protected:
  void SetUp() override {
    history_clear();
    path_ = ::testing::TempDir() + "history_test.ope";
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(History, RecentListMovesReopenedProjectsToTheFrontAndDropsTheOldest) {
  for (const char* p : {"A.OPR", "B.OPR", "C.OPR", "D.OPR"}) history_note_project(p);
  EXPECT_EQ(recent(), (std::vector<std::string>{"D.OPR", "C.OPR", "B.OPR", "A.OPR"}));
  history_note_project("B.OPR");  // the third entry moves first, the fourth stays
  EXPECT_EQ(recent(), (std::vector<std::string>{"B.OPR", "D.OPR", "C.OPR", "A.OPR"}));
  g_history.recent_changed = false;
  history_note_project("B.OPR");  // already first: nothing changes
  EXPECT_FALSE(g_history.recent_changed);
  history_note_project("E.OPR");  // a fifth project drops the oldest
  EXPECT_EQ(recent(), (std::vector<std::string>{"E.OPR", "B.OPR", "D.OPR", "C.OPR"}));
  history_note_project(NEW_PROJECT_NAME);  // never saved: stays out
  EXPECT_EQ(recent()[0], "E.OPR");
}

TEST_F(History, WriteThenReadRestoresUnitFoldersAndListAndKeepsReservedBytes) {
  g_history.image[100] = 0x5A;  // reserved bytes survive a rewrite
  std::snprintf(g_history_folders[FOLDER_SPEAKER_DB], HISTORY_PATH_CHARS, "C:\\DB");
  ASSERT_EQ(history_write(path_.c_str(), "C:\\HALLE.OPR", 1), 1);
  history_clear();
  int32_t unit = 0;
  ASSERT_EQ(history_read(path_.c_str(), &unit), 1);
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(g_history.image[100], 0x5A);
  EXPECT_STREQ(g_history_folders[FOLDER_SPEAKER_DB], "C:\\DB");
  EXPECT_EQ(g_history.recent_count, 1);
  EXPECT_STREQ(history_recent(0), "C:\\HALLE.OPR");
}

TEST_F(History, MissingOrShortFileChangesNothing) {
  history_note_project("A.OPR");
  int32_t unit = 7;
  EXPECT_EQ(history_read((path_ + ".missing").c_str(), &unit), 0);
  std::FILE* f = std::fopen(path_.c_str(), "wb");
  std::fputs("short", f);
  std::fclose(f);
  EXPECT_EQ(history_read(path_.c_str(), &unit), 0);
  EXPECT_EQ(unit, 7);
  EXPECT_STREQ(history_recent(0), "A.OPR");
}

}  // namespace
