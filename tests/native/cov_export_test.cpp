#include "acoustics/cov_export.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/ui_seam.h"

namespace {

std::vector<std::string> g_texts;
int record_box(const char* text, const char*, unsigned) {
  g_texts.push_back(text);
  return UI_IDOK;
}

std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class CovExport : public testing::Test {
 protected:
  void SetUp() override {
    g_texts.clear();
    ui_seams().message_box = record_box;
    dir_ = testing::TempDir();
  }
  void TearDown() override { ui_reset_seams(); }
  std::string dir_;
};

}  // namespace

TEST_F(CovExport, NamesCarryTheLocalTime) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 10;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  t.tm_isdst = -1;
  std::time_t when = std::mktime(&t);
  char name[COV_EXPORT_NAME_CHARS];
  cov_export_file_name(COV_EXPORT_NAME_FORMAT, when, name, sizeof name);
  EXPECT_STREQ(name, "_RV_Exp_20261210_090507.csv");
  cov_export_file_name(COV_SINGLE_POINTS_NAME_FORMAT, when, name, sizeof name);
  EXPECT_STREQ(name, "_SinglePoints_RV_Exp_20261210_090507.csv");
}

// Two points of a hand-made grid: seven lines each, in grid order, appended.
TEST_F(CovExport, SevenLinesPerPointInGridOrder) {
  std::vector<double> mti(14), level(14);
  for (int i = 0; i < 14; ++i) {
    mti[i] = 0.5 + i / 100.0 + 1e-7;
    level[i] = 80.04 + i;
  }
  std::string project = dir_ + "HALLE.ORV";
  std::string path = project + "_RV_Exp_test.csv";
  std::remove(path.c_str());
  EXPECT_EQ(cov_export_sti(7, project.c_str(), "_RV_Exp_test.csv", mti.data(), level.data(), 2), COV_EXPORT_DONE);
  std::string want;
  for (int i = 0; i < 14; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%d,%f,%.1f\r\n", i % 7, mti[i], level[i]);
    want += line;
  }
  std::string got = read_all(path);
  EXPECT_EQ(got.substr(0, 34), "0,0.500000,80.0\r\n1,0.510000,81.0\r\n");
  EXPECT_EQ(got, want);
  ASSERT_EQ(g_texts.size(), 1u);
  EXPECT_EQ(g_texts[0].rfind("STI-Export abgeschlossen.\nExport-Datei befindet sich im Ordner des Orvante Modells.", 0), 0u);
  // A second export with the same name appends a further block.
  EXPECT_EQ(cov_export_sti(7, project.c_str(), "_RV_Exp_test.csv", mti.data(), level.data(), 1), COV_EXPORT_DONE);
  size_t first_block = 0;
  for (int i = 0; i < 7; ++i) first_block = want.find("\r\n", first_block) + 2;
  EXPECT_EQ(read_all(path), want + want.substr(0, first_block));
  std::remove(path.c_str());
}

// A file that cannot be opened is still printed to standard output, and the
// user is told in a box, as every failed write is told.
TEST_F(CovExport, OneBandAndUnopenableFileAreNotReportedAsDone) {
  double mti[7] = {}, level[7] = {};
  EXPECT_EQ(cov_export_sti(3, "", "_x.csv", mti, level, 1), COV_EXPORT_ONE_BAND);
  ASSERT_EQ(g_texts.size(), 1u);
  EXPECT_EQ(g_texts[0], "F\xFCr den Export die Oktavbandbetrachtung auf Durchschnitt setzen. ");
  g_texts.clear();
  std::string missing = dir_ + "no_such_folder/HALLE.ORV";
  testing::internal::CaptureStdout();
  EXPECT_EQ(cov_export_sti(7, missing.c_str(), "_x.csv", mti, level, 1), COV_EXPORT_OPEN_FAILED);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Failed to open log file");
  ASSERT_EQ(g_texts.size(), 1u);
  EXPECT_EQ(g_texts[0], "Die Export-Datei kann nicht angelegt werden:\n" + missing + "_x.csv");
}

#ifdef __linux__
// A full disk: the file opens but the lines do not reach it.
TEST_F(CovExport, WriteFailureIsReportedInsteadOfDone) {
  std::FILE* probe = std::fopen("/dev/full", "ab");
  if (!probe) GTEST_SKIP() << "no /dev/full";
  std::fclose(probe);
  std::vector<double> mti(7 * 1000, 0.5), level(7 * 1000, 80.0);
  EXPECT_EQ(cov_export_sti(7, "/dev/", "full", mti.data(), level.data(), 1000), COV_EXPORT_WRITE_FAILED);
  ASSERT_EQ(g_texts.size(), 1u);
  EXPECT_EQ(g_texts[0].find("STI-Export abgeschlossen"), std::string::npos);
}
#endif
