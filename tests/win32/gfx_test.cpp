#include "framework/gfx_win.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;
constexpr COLORREF WHITE = RGB(255, 255, 255);
constexpr COLORREF BLACK = RGB(0, 0, 0);

LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(w, m, wp, lp);
}

// One visible window as the drawing target, drawn off-screen into a memory
// bitmap of its client size that the tests read back.
class GfxTest : public ::testing::Test {
 protected:
  // Showing a window under Wine takes a moment: one window for all tests.
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plain_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "GFX_TEST";
    RegisterClassA(&wc);
    window_.window = CreateWindowExA(0, "GFX_TEST", "gfx", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (window_.dc) ReleaseDC(window_.window, window_.dc);
    DestroyWindow(window_.window);
    window_ = {};
  }
  void SetUp() override {
    ASSERT_TRUE(window_.window);
    gfx_init_palette();
    gfx_take_stock_objects();
    window_.right = WIDTH;
    window_.bottom = HEIGHT;
    gfx_select_window(&window_);
    ASSERT_EQ(gfx_current_dc(), window_.dc);
    gfx_create_pattern_brushes();
    ASSERT_EQ(print_offscreen(1), 1);
    dc_ = gfx_current_dc();
    ASSERT_NE(dc_, window_.dc);
    clear(WHITE);
  }
  void TearDown() override {
    if (g_device.offscreen_dc) print_offscreen(0);
    gfx_delete_objects();
    gfx_forget_window(&window_);
  }
  void clear(COLORREF colour) {
    HBRUSH b = CreateSolidBrush(colour);
    RECT r = {0, 0, WIDTH + 1, HEIGHT + 1};
    FillRect(dc_, &r, b);
    DeleteObject(b);
  }
  COLORREF pixel(int x, int y) { return GetPixel(dc_, x, y); }
  int count(COLORREF colour) {
    int n = 0;
    for (int y = 0; y <= HEIGHT; ++y)
      for (int x = 0; x <= WIDTH; ++x) n += pixel(x, y) == colour;
    return n;
  }
  std::vector<COLORREF> snapshot() {
    std::vector<COLORREF> all;
    for (int y = 0; y <= HEIGHT; ++y)
      for (int x = 0; x <= WIDTH; ++x) all.push_back(pixel(x, y));
    return all;
  }
  bool is_deleted(HGDIOBJ object) { return GetObjectType(object) == 0; }

  static DrawWindow window_;
  HDC dc_ = nullptr;
};

DrawWindow GfxTest::window_ = {};

// The 8 x 8 rows of a level pattern as kept in the readable source.
std::vector<std::string> read_pattern(int index) {
  const char* root = std::getenv("ORV_SOURCE_DIR");
  char path[512];
  std::snprintf(path, sizeof path, "%s/resources/art/LEV_%02d.txt", root ? root : ".", index);
  std::ifstream in(path);
  std::vector<std::string> rows;
  std::string line;
  bool in_pixels = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (in_pixels) rows.push_back(line);
    if (line == "pixels") in_pixels = true;
  }
  return rows;
}

TEST_F(GfxTest, PixelsAndSolidFillsShowThePaletteColours) {
  for (int i = 1; i < PALETTE_SIZE; ++i) {
    SCOPED_TRACE(i);
    gfx_set_pen(i);
    gfx_set_pixel(i, 2);
    EXPECT_EQ(pixel(i, 2), g_palette.colour[i]);
    gfx_set_brush(i);
    gfx_fill_rect(i, 10, i + 1, 14);
    EXPECT_EQ(pixel(i, 12), g_palette.colour[i]);
  }
  gfx_set_pen(0);
  gfx_set_pixel(0, 2);
  EXPECT_EQ(pixel(0, 2), BLACK);
  gfx_set_palette_entry(3, RGB(1, 2, 3));
  gfx_set_brush(3);
  gfx_fill_rect(0, 20, 4, 24);
  EXPECT_EQ(pixel(1, 21), RGB(1, 2, 3));
}

TEST_F(GfxTest, SolidAndDottedLines) {
  gfx_set_pen(21);
  gfx_draw_line(0, 5, 30, 5);
  EXPECT_EQ(count(g_palette.colour[21]), 30);  // the end point is not drawn
  clear(RGB(0, 0, 0));
  gfx_set_pen(32 + 9);  // dotted: 3 on, 3 off on an opaque white background
  gfx_draw_line(0, 5, 30, 5);
  EXPECT_EQ(count(g_palette.colour[41]), 15);
  EXPECT_EQ(count(WHITE), 15);
}

TEST_F(GfxTest, XorDrawnTwiceErases) {
  gfx_set_brush(12);
  gfx_fill_rect(0, 0, WIDTH + 1, HEIGHT + 1);
  std::vector<COLORREF> before = snapshot();
  gfx_set_pen(25);
  gfx_set_raster_op(ROP_XOR);
  EXPECT_EQ(gfx_get_raster_op(), 7);
  POINT box[5] = {{5, 5}, {40, 5}, {40, 30}, {5, 30}};
  gfx_draw_polygon(box, 4, 0);
  gfx_draw_line(0, 0, WIDTH, HEIGHT);
  EXPECT_EQ(pixel(20, 5), g_palette.colour[12] ^ g_palette.colour[25]);
  gfx_draw_polygon(box, 4, 0);
  gfx_draw_line(0, 0, WIDTH, HEIGHT);
  EXPECT_EQ(snapshot(), before);
  gfx_set_raster_op(ROP_COPY);
}

TEST_F(GfxTest, PatternFillsRepeatTheLevelBitmaps) {
  for (int slot = 0; slot < PATTERN_SLOTS; ++slot) {
    SCOPED_TRACE(slot);
    std::vector<std::string> rows = read_pattern(slot % PATTERN_COUNT);
    ASSERT_EQ(rows.size(), 8u);
    gfx_set_brush(slot);
    gfx_fill_rect_pattern(0, 0, 16, 16);
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x)
        wrong += pixel(x, y) != (rows[y % 8][x % 8] == '#' ? BLACK : WHITE);
    EXPECT_EQ(wrong, 0);
    POINT triangle[3] = {{20, 0}, {40, 0}, {20, 20}};
    clear(RGB(0, 255, 0));
    gfx_fill_polygon_pattern(triangle, 3);
    EXPECT_EQ(pixel(21, 1), rows[1][21 % 8] == '#' ? BLACK : WHITE);
    clear(WHITE);
  }
}

TEST_F(GfxTest, RectanglesIncludeTheirRightAndBottomEdges) {
  gfx_set_pen(21);
  gfx_set_brush(21);
  RECT r = {10, 10, 20, 20};
  gfx_draw_rect(&r, 1);
  EXPECT_EQ(count(g_palette.colour[21]), 11 * 11);
  clear(WHITE);
  gfx_draw_rect(&r, 0);
  EXPECT_EQ(count(g_palette.colour[21]), 40);
  EXPECT_EQ(pixel(15, 15), WHITE);  // an outline leaves the inside alone
}

TEST_F(GfxTest, OutlinePolygonIsClosedThroughAnExtraPoint) {
  gfx_set_pen(19);
  POINT p[5] = {{2, 2}, {12, 2}, {12, 12}, {2, 12}, {-1, -1}};
  gfx_draw_polygon(p, 4, 0);
  EXPECT_EQ(p[4].x, 2);
  EXPECT_EQ(p[4].y, 2);
  EXPECT_EQ(count(g_palette.colour[19]), 40);
}

TEST_F(GfxTest, LineKeepsTheCurrentPosition) {
  gfx_move_to(7, 8);
  gfx_draw_line(1, 1, 30, 30);
  EXPECT_EQ(gfx_current_x(), 7);
  EXPECT_EQ(gfx_current_y(), 8);
  gfx_move_by(3, -2);
  EXPECT_EQ(gfx_current_x(), 10);
  EXPECT_EQ(gfx_current_y(), 6);
}

TEST_F(GfxTest, DottedPenRestoresBackgroundAfterwards) {
  gfx_set_pen(3);
  SetBkColor(dc_, RGB(10, 20, 30));
  SetBkMode(dc_, TRANSPARENT);
  gfx_set_pen(32);
  EXPECT_EQ(GetBkColor(dc_), WHITE);
  EXPECT_EQ(GetBkMode(dc_), OPAQUE);
  gfx_set_pen(40);  // dotted to dotted keeps the colour saved first
  gfx_set_pen(5);
  EXPECT_EQ(GetBkColor(dc_), RGB(10, 20, 30));
  EXPECT_EQ(GetBkMode(dc_), TRANSPARENT);
}

TEST_F(GfxTest, BackAndTextColoursOnlyFromTheFirst31) {
  gfx_set_back_colour(21);
  EXPECT_EQ(GetBkColor(dc_), g_palette.colour[21]);
  gfx_set_back_colour(31);
  gfx_set_back_colour(-1);
  EXPECT_EQ(GetBkColor(dc_), g_palette.colour[21]);
  gfx_set_text_colour(9);
  gfx_set_text_colour(45);
  EXPECT_EQ(GetTextColor(dc_), g_palette.colour[9]);
}

// Every pen the device replaced is gone, the one it records is alive and is
// the one in the DC, through solid, dotted and stock pens.
TEST_F(GfxTest, PenOwnershipStaysConsistent) {
  std::vector<HPEN> replaced;
  for (int index : {5, 40, 6, 0, 33, 34, 7}) {
    SCOPED_TRACE(index);
    HPEN before = g_device.created_pen;
    gfx_set_pen(index);
    EXPECT_EQ(gfx_get_pen(), index);
    EXPECT_EQ(GetCurrentObject(dc_, OBJ_PEN), g_device.created_pen);
    EXPECT_EQ(GetObjectType(g_device.created_pen), static_cast<DWORD>(OBJ_PEN));
    if (before != g_device.stock_pen) replaced.push_back(before);
    for (HPEN old : replaced) EXPECT_TRUE(is_deleted(old));
  }
  HPEN last = g_device.created_pen;
  print_offscreen(0);
  gfx_delete_objects();
  EXPECT_TRUE(is_deleted(last));
  EXPECT_EQ(g_device.created_pen, g_device.stock_pen);
  EXPECT_EQ(GetObjectType(g_device.stock_pen), static_cast<DWORD>(OBJ_PEN));
}

TEST_F(GfxTest, StockWhiteBrushIsNeverDeleted) {
  gfx_set_brush(30);
  EXPECT_EQ(g_device.created_brush, g_device.stock_brush);
  gfx_set_brush(4);
  HBRUSH solid = g_device.created_brush;
  gfx_set_brush(30);
  EXPECT_TRUE(is_deleted(solid));
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
  gfx_fill_rect(0, 0, 5, 5);
  EXPECT_EQ(pixel(2, 2), WHITE);
}

// After the objects are rebuilt (as a print job does) the same pen and brush
// numbers must give fresh objects, not the deleted ones.
TEST_F(GfxTest, RebuiltObjectsForgetTheRememberedNumbers) {
  gfx_set_pen(21);
  gfx_set_brush(19);
  gfx_delete_objects();
  gfx_create_pattern_brushes();
  gfx_set_pen(21);
  gfx_set_brush(19);
  EXPECT_EQ(GetObjectType(g_device.created_pen), static_cast<DWORD>(OBJ_PEN));
  EXPECT_EQ(GetObjectType(g_device.created_brush), static_cast<DWORD>(OBJ_BRUSH));
  gfx_set_pixel(1, 1);
  gfx_draw_line(0, 5, 10, 5);
  gfx_fill_rect(0, 10, 10, 20);
  EXPECT_EQ(pixel(1, 1), g_palette.colour[21]);
  EXPECT_EQ(pixel(3, 5), g_palette.colour[21]);
  EXPECT_EQ(pixel(3, 15), g_palette.colour[19]);
}

TEST_F(GfxTest, OutOfRangeNumbersAreRefused) {
  gfx_set_pen(5);
  gfx_set_brush(6);
  HPEN pen = g_device.created_pen;
  HBRUSH brush = g_device.created_brush;
  for (int bad : {-1, -32768, 64, 1000}) {
    gfx_set_pen(bad);
    gfx_set_brush(bad);
    gfx_set_palette_entry(bad, RGB(1, 1, 1));
  }
  EXPECT_EQ(gfx_get_pen(), 5);
  EXPECT_EQ(gfx_get_brush(), 6);
  EXPECT_EQ(g_device.created_pen, pen);
  EXPECT_EQ(g_device.created_brush, brush);
  // Colour brushes beyond the pattern table draw no pattern.
  gfx_set_brush(40);
  gfx_fill_rect_pattern(0, 0, 20, 20);
  POINT p[3] = {{0, 0}, {20, 0}, {0, 20}};
  gfx_fill_polygon_pattern(p, 3);
  EXPECT_EQ(count(WHITE), (WIDTH + 1) * (HEIGHT + 1));
}

TEST_F(GfxTest, NullPenHidesOutlinesAndComesBack) {
  gfx_set_pen(21);
  gfx_set_brush(19);
  gfx_select_null_pen(1);
  RECT r = {10, 10, 20, 20};
  gfx_draw_rect(&r, 1);
  EXPECT_EQ(count(g_palette.colour[21]), 0);
  gfx_select_null_pen(0);
  EXPECT_EQ(GetCurrentObject(dc_, OBJ_PEN), g_device.created_pen);
  // A pen chosen while the outline is off is the one that comes back.
  gfx_select_null_pen(1);
  gfx_set_pen(22);
  gfx_select_null_pen(0);
  EXPECT_EQ(GetCurrentObject(dc_, OBJ_PEN), g_device.created_pen);
  EXPECT_EQ(GetObjectType(g_device.created_pen), static_cast<DWORD>(OBJ_PEN));
}

TEST_F(GfxTest, OffscreenBufferIsCopiedToTheWindow) {
  gfx_set_brush(21);
  gfx_fill_rect(0, 0, WIDTH + 1, HEIGHT + 1);
  ASSERT_EQ(print_offscreen(2), 1);
  EXPECT_EQ(GetPixel(window_.dc, 5, 5), g_palette.colour[21]);
  EXPECT_EQ(GetPixel(window_.dc, WIDTH, HEIGHT), g_palette.colour[21]);
  ASSERT_EQ(print_offscreen(0), 1);
  EXPECT_EQ(gfx_current_dc(), window_.dc);
  EXPECT_EQ(gfx_get_brush(), 30);
}

TEST_F(GfxTest, OffscreenBufferNeedsARealClientArea) {
  print_offscreen(0);
  window_.right = 0;
  EXPECT_EQ(print_offscreen(1), 0);
  EXPECT_EQ(gfx_current_dc(), window_.dc);
}

// The created objects follow the drawing target; the window left behind
// holds only stock objects, so deleting them later is safe.
TEST_F(GfxTest, SwitchingWindowsMovesTheCreatedObjects) {
  print_offscreen(0);
  gfx_set_pen(9);
  gfx_set_brush(10);
  DrawWindow other = {};
  other.window = CreateWindowExA(0, "GFX_TEST", "other", WS_POPUP | WS_VISIBLE, 220, 0, 100, 100,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(other.window);
  EXPECT_EQ(gfx_select_window(&other), &window_);
  EXPECT_EQ(gfx_current_dc(), other.dc);
  EXPECT_EQ(GetCurrentObject(other.dc, OBJ_PEN), g_device.created_pen);
  EXPECT_EQ(GetCurrentObject(other.dc, OBJ_BRUSH), g_device.created_brush);
  EXPECT_EQ(GetCurrentObject(window_.dc, OBJ_PEN), g_device.stock_pen);
  EXPECT_EQ(GetCurrentObject(window_.dc, OBJ_BRUSH), g_device.stock_brush);
  EXPECT_EQ(gfx_select_window(&window_), &other);
  EXPECT_EQ(gfx_select_window(&window_), &window_);  // already current: nothing changes
  ReleaseDC(other.window, other.dc);
  DestroyWindow(other.window);
}

TEST_F(GfxTest, TextStyleDefaultsAndFontText) {
  gfx_reset_text_style();
  EXPECT_STREQ(g_text_style.face, "Arial");
  EXPECT_EQ(g_text_style.width, 8);
  EXPECT_EQ(g_text_style.height, 16);
  EXPECT_EQ(g_text_style.back_mode, OPAQUE);
  gfx_set_text_style("Arial", 20, 0, 900, 21, 30, TRANSPARENT);
  EXPECT_EQ(g_text_style.text_colour, g_palette.colour[21]);
  EXPECT_EQ(g_text_style.escapement, 900);
  SetTextColor(dc_, RGB(7, 7, 7));
  EXPECT_GT(gfx_draw_text(0, 0, WIDTH, HEIGHT, "Höhe", DT_LEFT), 0);
  EXPECT_EQ(GetTextColor(dc_), RGB(7, 7, 7));  // the DC's colours come back
  EXPECT_EQ(gfx_printf("%d m", 12), 4);
}

}  // namespace
