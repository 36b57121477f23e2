#include "framework/units_win.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/geom2d.h"

namespace {

constexpr int EDIT_ID = 104;

// A plain window holding one edit with a dialog-style id.
class EditFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    edit_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 180, 24, parent_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(EDIT_ID)), GetModuleHandleA(nullptr),
                            nullptr);
    ASSERT_NE(edit_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }
  // Text as typed: SetWindowText clears the modified flag, typing sets it.
  void type(const char* text, bool modified = true) {
    SetWindowTextA(edit_, text);
    SendMessageA(edit_, EM_SETSEL, 0, 0);
    SendMessageA(edit_, EM_SETMODIFY, modified ? TRUE : FALSE, 0);
  }
  std::string text() {
    char buffer[300] = {0};
    GetWindowTextA(edit_, buffer, sizeof buffer);
    return buffer;
  }
  bool modified() { return SendMessageA(edit_, EM_GETMODIFY, 0, 0) != 0; }
  HWND parent_ = nullptr;
  HWND edit_ = nullptr;
};

TEST_F(EditFixture, CommaBecomesAPointWithTheCaretAtTheEnd) {
  type("1,5");
  EXPECT_EQ(units_fix_decimal_comma(parent_, EDIT_ID), 1);
  EXPECT_EQ(text(), "1.5");
  EXPECT_FALSE(modified());
  DWORD start = 0, end = 0;
  SendMessageA(edit_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 3u);
  EXPECT_EQ(end, 3u);
}

TEST_F(EditFixture, TextWithoutCommasKeepsItsModifiedFlag) {
  type("1.5");
  EXPECT_EQ(units_fix_decimal_comma(parent_, EDIT_ID), 0);
  EXPECT_EQ(text(), "1.5");
  EXPECT_TRUE(modified());
}

TEST_F(EditFixture, AnUnchangedEditIsLeftAlone) {
  type("2,5", false);
  EXPECT_EQ(units_fix_decimal_comma(parent_, EDIT_ID), 0);
  EXPECT_EQ(text(), "2,5");
  EXPECT_EQ(units_fix_decimal_comma(parent_, 999), 0);  // no such control
}

TEST_F(EditFixture, OnlyTheFirst256CharactersAreTaken) {
  std::string long_text(300, '7');
  long_text[10] = ',';
  type(long_text.c_str());
  EXPECT_EQ(units_fix_decimal_comma(parent_, EDIT_ID), 1);
  EXPECT_EQ(text().size(), 256u);
  EXPECT_EQ(text()[10], '.');
}

// The portable polygon test must agree with the system's polygon regions,
// which the picking code used to build for every test.
TEST(Geom2dRegion, PointInPolygonAgreesWithPolygonRegions) {
  const std::vector<std::vector<GeoPoint>> polygons = {
      {{0, 0}, {10, 0}, {10, 10}, {0, 10}},
      {{3, 1}, {17, 6}, {5, 15}},
      {{0, 0}, {16, 0}, {16, 16}, {8, 6}, {0, 16}},
      {{10, 0}, {16, 18}, {1, 7}, {19, 7}, {4, 18}},
      {{15, 2}, {2, 4}, {6, 17}, {18, 12}},
  };
  for (size_t p = 0; p < polygons.size(); ++p) {
    const auto& poly = polygons[p];
    std::vector<POINT> points;
    for (const GeoPoint& g : poly) points.push_back(POINT{g.x, g.y});
    HRGN region = CreatePolygonRgn(points.data(), int(points.size()), ALTERNATE);
    ASSERT_NE(region, nullptr);
    int differ = 0;
    for (int y = -2; y <= 20; ++y)
      for (int x = -2; x <= 20; ++x) {
        int system = PtInRegion(region, x, y) ? 1 : 0;
        int ours = gfx_point_in_polygon(poly.data(), int(poly.size()), x, y);
        if (system != ours && ++differ <= 5) ADD_FAILURE() << "polygon " << p << " at " << x << "," << y << ": system " << system;
      }
    EXPECT_EQ(differ, 0) << "polygon " << p;
    DeleteObject(region);
  }
}

}  // namespace
