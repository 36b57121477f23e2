// The absorber-database editor's "Drucken..." on the test run's PDF queue:
// landscape pages of 28 records, the lines under the page head and the
// column heads, the frame, a long category on two lines; cancelled, nothing
// is printed.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/print_win.h"
#include "tests/win32/pdf_printer.h"
#include "tests/win32_oab/editor_suite.h"

namespace {

using oab_test::command;
using oab_test::g_boxes;

constexpr int CMD_PRINT = 104;
constexpr int ROWS_PER_PAGE = 28;
constexpr int RECORDS = 29;       // a full page and one row on the second
constexpr int LONG_CATEGORY = 2;  // the record whose category takes two lines

void fill_table() {
  absed_new_database();
  for (int k = 0; k < RECORDS; ++k) {
    float alpha[MATERIAL_BANDS];
    for (int band = 0; band < MATERIAL_BANDS; ++band) alpha[band] = 0.1f * float(band + 1);
    std::string name = "Material " + std::to_string(k + 1);
    std::string category = k == LONG_CATEGORY ? std::string(50, 'K') : "Wand";
    ASSERT_TRUE(absed_store_record(k, name.c_str(), "Beschreibung", category.c_str(), alpha));
  }
  g_absed_modified = false;
}

// Any dark pixel in the rectangle.
bool ink_in(const pdf_printer::Page& page, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (page.dark(x, y)) return true;
  return false;
}

// A line along y (or x) within tolerance, sampled every 53 pixels.
bool row_line(const pdf_printer::Page& page, int y, int x_from, int x_to, int tolerance = 2) {
  for (int x = x_from; x <= x_to; x += 53)
    if (!ink_in(page, x, y - tolerance, x + 1, y + tolerance + 1)) return false;
  return true;
}
bool column_line(const pdf_printer::Page& page, int x, int y_from, int y_to, int tolerance = 2) {
  for (int y = y_from; y <= y_to; y += 53)
    if (!ink_in(page, x - tolerance, y, x + tolerance + 1, y + 1)) return false;
  return true;
}

class OabPrint : public oab_test::EditorSuite {
 protected:
  void SetUp() override {
    EditorSuite::SetUp();
    pdf_printer::g_dialogs_answered = 0;
  }
};

TEST_F(OabPrint, PrintsLandscapePagesOfTwentyEightRecordsWithTheirHeads) {
  fill_table();
  std::strcpy(g_absed_file_name, "C:\\ABSORBER\\TEST.OAB");
  std::string job = pdf_printer::next_job_name();
  pdf_printer::answer_next_dialog(IDOK);
  command(CMD_PRINT);
  EXPECT_EQ(pdf_printer::g_dialogs_answered, 1);
  for (const std::string& box : g_boxes) ADD_FAILURE() << "unexpected message: " << box;
  EXPECT_FALSE(g_absed_modified);
  EXPECT_EQ(print_caps().landscape, 1);

  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << "no PDF for job " << job;
  EXPECT_EQ(pdf_printer::page_count(pdf), 2);
  pdf_printer::Page first, second;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, first, 1));
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, second, 2));
  ASSERT_GT(first.width, first.height);  // landscape
  EXPECT_EQ(second.width, first.width);

  // At 300 dots per inch the page pixels are the printer's.
  const int W = first.width, H = first.height;
  int a = 0, b = 0;
  absed_print_char_size(W, &a, &b);
  const int h = a / 2, head_line = 2 * a - h, column_line_y = 3 * a + 1 + h;
  SCOPED_TRACE(testing::Message() << "page " << W << " x " << H << ", a " << a << ", b " << b);

  for (const pdf_printer::Page* page : {&first, &second}) {
    // Across the page under the page head and under the column heads.
    EXPECT_TRUE(row_line(*page, head_line, 4, W - 4));
    EXPECT_TRUE(row_line(*page, column_line_y, 4, W - 4));
    // The frame from the first line down the sides and along the bottom.
    EXPECT_TRUE(column_line(*page, 1, head_line + 4, H - 4));
    EXPECT_TRUE(column_line(*page, W - 1, head_line + 4, H - 4));
    EXPECT_TRUE(row_line(*page, H - 1, 4, W - 4));
    // Nothing between the heads' band and the first line, nor between the
    // lines and the column heads.
    EXPECT_FALSE(ink_in(*page, 4, a + 6, W - 4, head_line - 3));
    EXPECT_FALSE(ink_in(*page, 4, head_line + 3, W - 4, 2 * a - 2));
    EXPECT_FALSE(ink_in(*page, 4, 3 * a + 4, W - 4, column_line_y - 3));
    // The page head: title on the left, page number on the right, the
    // file name in the middle; the column heads "Nr." and "8 kHz".
    EXPECT_TRUE(ink_in(*page, 0, 0, W / 4, a + 2));
    EXPECT_TRUE(ink_in(*page, W - W / 8, 0, W - 2, a + 2));
    EXPECT_TRUE(ink_in(*page, W / 2 - 10 * b, 0, W / 2 + 10 * b, a + 2));
    EXPECT_TRUE(ink_in(*page, b, 2 * a, 5 * b, 3 * a + 1));
    EXPECT_TRUE(ink_in(*page, 196 * b, 2 * a, 202 * b, 3 * a + 1));
  }

  // Rows of 2a + 8 from 4a: the number, the name and the last coefficient
  // in every row of a record, nothing in the gap between two rows.
  auto row_top = [&](int row) { return 4 * a + row * (2 * a + 8); };
  auto expect_rows = [&](const pdf_printer::Page& page, int rows) {
    for (int row = 0; row < rows; ++row) {
      const int y = row_top(row);
      SCOPED_TRACE(testing::Message() << "row " << row);
      EXPECT_TRUE(ink_in(page, b, y, 5 * b, y + a));
      EXPECT_TRUE(ink_in(page, 6 * b, y, 27 * b, y + a));
      EXPECT_TRUE(ink_in(page, 154 * b + 42 * b, y, 159 * b + 42 * b, y + a));
      EXPECT_FALSE(ink_in(page, 4, y + a + 2, 109 * b, y + 2 * a + 6));
    }
    EXPECT_FALSE(ink_in(page, 4, row_top(rows) - 4, W - 4, H - 4)) << "below the last of " << rows << " rows";
  };
  expect_rows(first, ROWS_PER_PAGE);
  expect_rows(second, RECORDS - ROWS_PER_PAGE);

  // The 50-character category goes on in its column on a second line.
  const int y = row_top(LONG_CATEGORY), second_line = y + a + 4;
  EXPECT_TRUE(ink_in(first, 110 * b, second_line, 153 * b, second_line + a));
  EXPECT_FALSE(ink_in(first, 110 * b, row_top(1) + a + 4, 153 * b, row_top(1) + 2 * a));
  if (!::testing::Test::HasFailure() && pdf_printer::env("ORV_KEEP_PDF").empty()) DeleteFileA(pdf.c_str());
}

// Wide names, descriptions and categories are printed whole inside their
// columns: narrowed to end before the column's edge, not cut there.
TEST_F(OabPrint, LongTextsEndInsideTheirColumns) {
  absed_new_database();
  const float alpha[MATERIAL_BANDS] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f};
  ASSERT_TRUE(absed_store_record(0, std::string(21, 'W').c_str(), std::string(79, 'W').c_str(),
                                 std::string(40, 'M').c_str(), alpha));
  ASSERT_TRUE(absed_store_record(1, "Schallschluckende Wand", "Beschreibung", "Wand", alpha));
  g_absed_modified = false;
  std::string job = pdf_printer::next_job_name();
  pdf_printer::answer_next_dialog(IDOK);
  command(CMD_PRINT);
  for (const std::string& box : g_boxes) ADD_FAILURE() << "unexpected message: " << box;
  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << "no PDF for job " << job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, page, 1));
  int a = 0, b = 0;
  absed_print_char_size(page.width, &a, &b);
  struct Column {
    const char* what;
    int left, right;  // in characters
  } columns[] = {{"name", 6, 27}, {"description", 28, 109}, {"category", 110, 153}};
  for (int row = 0; row < 2; ++row) {
    const int y = 4 * a + row * (2 * a + 8);
    for (const Column& c : columns) {
      SCOPED_TRACE(testing::Message() << "row " << row << ", " << c.what);
      EXPECT_TRUE(ink_in(page, c.left * b, y, c.right * b - b / 4, y + a));
      EXPECT_FALSE(ink_in(page, c.right * b - b / 4, y, c.right * b + b / 2, y + a)) << "cut at the column's edge";
    }
  }
  if (!::testing::Test::HasFailure() && pdf_printer::env("ORV_KEEP_PDF").empty()) DeleteFileA(pdf.c_str());
}

TEST_F(OabPrint, CancelledDialogPrintsNothing) {
  fill_table();
  std::string job = pdf_printer::next_job_name();
  pdf_printer::answer_next_dialog(IDCANCEL);
  command(CMD_PRINT);
  EXPECT_EQ(pdf_printer::g_dialogs_answered, 1);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(print_is_printing(), 0);
  Sleep(3000);  // a job that went out anyway would have reached the folder by now
  EXPECT_EQ(pdf_printer::find_now(job), "");
}

}  // namespace
