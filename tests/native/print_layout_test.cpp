#include "framework/print_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/rand15.h"

namespace {

struct ScaleCase {
  int width, height, horz_res, vert_res;
  double scale;
};

// Window bitmaps of client + 1 pixels on the pages of the printers we know.
TEST(PrintLayout, BitmapScaleFillsNinetyPercentOfTheLimitingSide) {
  const ScaleCase cases[] = {
      {641, 481, 4961, 7016, 6.0},     // portrait A4 at 600 dpi: width limits, floor(6.97)
      {641, 481, 7016, 4961, 9.0},     // landscape: height limits, floor(9.28)
      {201, 151, 2479, 3508, 11.0},    // the PDF queue
      {100, 1000, 2479, 3508, 3.0},    // a tall strip: height limits
      {2479, 10, 2479, 3508, 0.9},     // too wide for one pixel each: scaled down
      {3000, 3000, 2479, 3508, 0.9 * 2479 / 3000},
      {0, 151, 2479, 3508, 0.0},       // nothing to print
      {201, 151, 0, 3508, 0.0},        // no printer
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " on " << c.horz_res << " x " << c.vert_res);
    EXPECT_DOUBLE_EQ(print_bitmap_scale(c.width, c.height, c.horz_res, c.vert_res), c.scale);
  }
}

TEST(PrintLayout, PositionsAndOriginFollowTheScale) {
  EXPECT_EQ(print_centred_origin(4961, 640, 6.0), 560);  // (4961 - 3840) / 2, cut
  EXPECT_EQ(print_scaled_position(560, 0, 6.0), 560);
  EXPECT_EQ(print_scaled_position(560, 3, 6.0), 578);
  // Scaled down, neighbouring pixels may share a printer pixel but never overlap.
  EXPECT_EQ(print_scaled_position(10, 3, 0.5), 11);
  EXPECT_EQ(print_scaled_position(10, 4, 0.5), 12);
}

TEST(PrintLayout, CopiesTheProgramDrawsItself) {
  EXPECT_EQ(print_copies_to_draw(3, 3), 1);  // the driver makes them
  EXPECT_EQ(print_copies_to_draw(3, 1), 3);
  EXPECT_EQ(print_copies_to_draw(1, 1), 1);
  EXPECT_EQ(print_copies_to_draw(1, 4), 1);
}

// The runtime's own sequence from its start state: 41, 18467, 6334, 26500,
// 19169, 15724 give the codes 64 + n x 27 / 32767.
TEST(PrintLayout, JobNameComesFromTheSuitesGenerator) {
  rand15_seed(1);
  char name[PRINT_JOB_NAME_CHARS + 1];
  print_job_name(name);
  EXPECT_STREQ(name, "JOB_@OEUOL");
  rand15_seed(1);
  EXPECT_EQ(rand15(), 41);
  for (int i = 0; i < 1000; ++i) {
    print_job_name(name);
    for (int k = 4; k < PRINT_JOB_NAME_CHARS; ++k) {
      ASSERT_GE(name[k], 64);
      ASSERT_LE(name[k], 91);
    }
  }
}

TEST(PrintLayout, RowRunsLeaveWhiteOut) {
  const uint32_t W = PRINT_WHITE, R = 0x0000FF, B = 0x000000;
  struct RunCase {
    std::vector<uint32_t> row;
    std::vector<PrintRun> runs;
  };
  const RunCase cases[] = {
      {{W, W, W}, {}},
      {{R, R, W, B}, {{0, 2, R}, {3, 1, B}}},
      {{W, B, B, B, R}, {{1, 3, B}, {4, 1, R}}},
      {{0xFF000000u | B, B}, {{0, 2, B}}},  // the top byte carries nothing
      {{W | 0xFF000000u}, {}},
  };
  for (const RunCase& c : cases) {
    std::vector<PrintRun> got;
    int n = print_row_runs(c.row.data(), static_cast<int>(c.row.size()), [&](const PrintRun& r) { got.push_back(r); });
    ASSERT_EQ(n, static_cast<int>(c.runs.size()));
    ASSERT_EQ(got.size(), c.runs.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].start, c.runs[i].start);
      EXPECT_EQ(got[i].length, c.runs[i].length);
      EXPECT_EQ(got[i].colour, c.runs[i].colour);
    }
  }
}

}  // namespace
