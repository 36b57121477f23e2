// The viewer's recent-project file: its 516-byte layout, the list rules
// when a project is added, and files that are short, long or foreign.
#include "viewer/viewer_history.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string temp_path(const char* name) { return ::testing::TempDir() + name; }

std::vector<uint8_t> bytes_of(const std::string& path) {
  std::vector<uint8_t> out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(uint8_t(c));
    std::fclose(f);
  }
  return out;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::vector<std::string> entries() {
  std::vector<std::string> out;
  for (const auto& e : g_viewer_history.entries) out.push_back(e);
  return out;
}

class ViewerHistoryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    g_viewer_history = ViewerHistory{};
    path = temp_path("viewer_history_test.OPE");
    std::remove(path.c_str());
  }
  void TearDown() override { std::remove(path.c_str()); }
  std::string path;
};

TEST_F(ViewerHistoryFile, NameFollowsTheStartFolderWithoutSeparator) {
  char name[64];
  viewer_history_path(name, sizeof name, "C:\\ORVANTE");
  EXPECT_STREQ(name, "C:\\ORVANTEHISTORY.OPE");
}

TEST_F(ViewerHistoryFile, WrittenImageHasTheProjectsFirstAndTheUnitAt512) {
  ASSERT_EQ(viewer_write_history_file(path.c_str(), "C:\\A.OPR", 1), 1);
  std::vector<uint8_t> b = bytes_of(path);
  ASSERT_EQ(b.size(), 516u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), "C:\\A.OPR");
  EXPECT_EQ(b[128], 0);
  EXPECT_EQ((std::vector<uint8_t>(b.begin() + 512, b.end())), (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_EQ(g_viewer_history.count, 1);

  struct Step {
    const char* project;
    std::vector<std::string> after;
  };
  const std::string long_name(128, 'x');
  const Step steps[] = {
      {"C:\\B.OPR", {"C:\\B.OPR", "C:\\A.OPR", "", ""}},
      {"C:\\A.OPR", {"C:\\B.OPR", "C:\\A.OPR", "", ""}},    // listed: keeps its place
      {"PROJEKT1.OPR", {"C:\\B.OPR", "C:\\A.OPR", "", ""}},  // the new project is never listed
      {"c:\\a.opr", {"c:\\a.opr", "C:\\B.OPR", "C:\\A.OPR", ""}},  // case counts
      {long_name.c_str(), {"c:\\a.opr", "C:\\B.OPR", "C:\\A.OPR", ""}},  // too long: refused
      {"C:\\D.OPR", {"C:\\D.OPR", "c:\\a.opr", "C:\\B.OPR", "C:\\A.OPR"}},
      {"C:\\E.OPR", {"C:\\E.OPR", "C:\\D.OPR", "c:\\a.opr", "C:\\B.OPR"}},  // the oldest drops out
  };
  for (const Step& s : steps) {
    ASSERT_EQ(viewer_write_history_file(path.c_str(), s.project, 0), 1) << s.project;
    EXPECT_EQ(entries(), s.after) << s.project;
    EXPECT_EQ(bytes_of(path).size(), 516u);
  }
  EXPECT_EQ(g_viewer_history.count, 4);

  g_viewer_history = ViewerHistory{};
  ASSERT_EQ(viewer_read_history_file(path.c_str()), 1);
  EXPECT_EQ(entries(), steps[6].after);
  EXPECT_EQ(g_viewer_history.unit_flag, 0);
  EXPECT_EQ(g_viewer_history.count, 4);
  EXPECT_EQ(g_viewer_history.changed, 1);
}

TEST_F(ViewerHistoryFile, OnlyA516ByteFileIsReadAndItsEntriesEndIn127Characters) {
  std::vector<uint8_t> full(516, 0);
  std::memset(full.data(), 'p', 200);  // entry 0 runs into entry 1 without a terminator
  std::memcpy(full.data() + 384, "C:\\LAST.OPR", 11);
  full[512] = 1;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int read;
  };
  std::vector<uint8_t> junk_unit = full;
  junk_unit[512] = 7;
  const Case cases[] = {
      {"whole", full, 1},
      {"unit word not 1", junk_unit, 1},
      {"short", std::vector<uint8_t>(full.begin(), full.begin() + 515), 0},
      {"longer, like another program's file", std::vector<uint8_t>(2000, 'q'), 0},
      {"empty", {}, 0},
  };
  for (const Case& c : cases) {
    g_viewer_history = ViewerHistory{};
    std::strcpy(g_viewer_history.entries[0], "before");
    write_bytes(path, c.bytes);
    EXPECT_EQ(viewer_read_history_file(path.c_str()), c.read) << c.what;
    if (!c.read) {
      EXPECT_EQ(entries()[0], "before") << c.what;
      continue;
    }
    EXPECT_EQ(entries()[0], std::string(127, 'p')) << c.what;
    EXPECT_EQ(entries()[1], std::string(72, 'p')) << c.what;
    EXPECT_EQ(entries()[3], "C:\\LAST.OPR") << c.what;
    EXPECT_EQ(g_viewer_history.count, 3) << c.what;
    EXPECT_EQ(g_viewer_history.unit_flag, c.bytes[512] == 1 ? 1 : 0) << c.what;
  }
  std::remove(path.c_str());
  EXPECT_EQ(viewer_read_history_file(path.c_str()), 0);
  EXPECT_EQ(viewer_write_history_file((temp_path("no such folder/") + "H.OPE").c_str(), "C:\\A.OPR", 0), 0);
}

}  // namespace
