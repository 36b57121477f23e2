#include "framework/print_win.h"

#include <gtest/gtest.h>

#include "framework/gfx_win.h"
#include "framework/progress_win.h"
#include "framework/ui_seam.h"
#include "pdf_printer.h"

namespace {

constexpr int CLIENT_W = 200, CLIENT_H = 150;  // client.right, client.bottom
constexpr UINT WM_CANCEL_PROGRESS = WM_APP + 1;

// What the test window shows, in window pixels (right and bottom excluded).
struct Block {
  int left, top, right, bottom;
  COLORREF colour;
};
constexpr Block BLOCKS[] = {
    {20, 40, 180, 42, RGB(0, 0, 0)},      // horizontal bar
    {100, 10, 102, 140, RGB(0, 0, 0)},    // vertical bar
    {150, 100, 160, 110, RGB(255, 0, 0)}, // red square
};

void draw_pattern(HDC dc) {
  RECT all = {0, 0, CLIENT_W + 1, CLIENT_H + 1};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  for (const Block& b : BLOCKS) {
    HBRUSH brush = CreateSolidBrush(b.colour);
    RECT r = {b.left, b.top, b.right, b.bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
}

// Painting only validates: whatever is drawn over the window stays until
// someone puts the picture back, so the tests see whether printing did.
LRESULT CALLBACK test_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(w, &ps);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_CANCEL_PROGRESS:  // presses the progress box's cancel once it is there
      if (g_progress.cancel) SendMessageA(g_progress.cancel, BM_CLICK, 0, 0);
      else PostMessageA(w, WM_CANCEL_PROGRESS, 0, 0);
      return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

class PrintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = test_proc;
    wc.hInstance = instance;
    wc.lpszClassName = "PRINT_TEST";
    RegisterClassA(&wc);
    WNDCLASSA status_class = {};
    status_class.lpfnWndProc = win_status_proc;
    status_class.hInstance = instance;
    status_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    status_class.lpszClassName = "ZKT_STATUS";
    RegisterClassA(&status_class);
    window_.window = CreateWindowExA(0, "PRINT_TEST", "print", WS_POPUP | WS_VISIBLE, 0, 0, CLIENT_W, CLIENT_H,
                                     nullptr, nullptr, instance, nullptr);
    window_.right = CLIENT_W;
    window_.bottom = CLIENT_H;
    gfx_init_palette();
    gfx_take_stock_objects();
    gfx_select_window(&window_);
    print_init_default();
  }
  static void TearDownTestSuite() {
    print_free_devices();
    gfx_delete_objects();
    gfx_forget_window(&window_);
    ReleaseDC(window_.window, window_.dc);
    DestroyWindow(window_.window);
    window_ = {};
  }
  void SetUp() override {
    ASSERT_TRUE(window_.window);
    ASSERT_GT(print_caps().horz_res, 0) << "the test run's PDF printer is missing";
    gfx_select_window(&window_);
    draw_pattern(window_.dc);
    print_set_landscape(0);
  }
  void TearDown() override {
    print_end_job_plain();
    ui_reset_seams();
  }

  // The print dialog, answered with button; 1 when a printer was chosen.
  static int choose_printer(int button = IDOK, void (*before)(HWND) = nullptr) {
    pdf_printer::answer_next_dialog(button, before);
    return print_dialog();
  }

  static bool window_shows_pattern() {
    const POINT probes[] = {{60, 80}, {100, 75}, {155, 105}, {30, 41}, {5, 5}, {CLIENT_W / 2, CLIENT_H / 2}};
    HDC check = CreateCompatibleDC(window_.dc);
    HBITMAP expected = CreateCompatibleBitmap(window_.dc, CLIENT_W + 1, CLIENT_H + 1);
    HGDIOBJ old = SelectObject(check, expected);
    draw_pattern(check);
    bool same = true;
    for (const POINT& p : probes) same = same && GetPixel(window_.dc, p.x, p.y) == GetPixel(check, p.x, p.y);
    SelectObject(check, old);
    DeleteObject(expected);
    DeleteDC(check);
    return same;
  }

  static DrawWindow window_;
};

DrawWindow PrintTest::window_ = {};

// 201 x 151 window pixels on the 2479 x 3508 page: 11 printer pixels each,
// centred; every block lands where the scale says, white stays white, and
// the window shows its own picture again afterwards.
TEST_F(PrintTest, WindowBitmapLandsAtItsScaleOnThePage) {
  std::string job = pdf_printer::next_job_name();
  ASSERT_EQ(choose_printer(), 1);
  const PrinterCaps& caps = print_caps();
  HDC printer = caps.dialog.hDC;
  ASSERT_TRUE(printer);
  const int dpi = GetDeviceCaps(printer, LOGPIXELSX);
  const int off_x = GetDeviceCaps(printer, PHYSICALOFFSETX), off_y = GetDeviceCaps(printer, PHYSICALOFFSETY);
  const double s = print_bitmap_scale(CLIENT_W + 1, CLIENT_H + 1, caps.horz_res, caps.vert_res);
  ASSERT_GE(s, 2.0);
  const int x0 = print_centred_origin(caps.horz_res, CLIENT_W, s) + off_x;
  const int y0 = print_centred_origin(caps.vert_res, CLIENT_H, s) + off_y;

  ASSERT_EQ(print_window_bitmap(), PRINT_DONE);
  EXPECT_FALSE(print_is_printing());
  EXPECT_EQ(gfx_current_dc(), window_.dc);
  EXPECT_FALSE(print_caps().dialog.hDC);
  EXPECT_TRUE(window_shows_pattern());

  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << "no PDF for " << job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, dpi, page));
  auto px = [&](int window_x) { return x0 + static_cast<int>(window_x * s); };
  auto py = [&](int window_y) { return y0 + static_cast<int>(window_y * s); };
  for (const Block& b : BLOCKS) {
    SCOPED_TRACE(testing::Message() << "block at " << b.left << ", " << b.top);
    // A third of the way in: clear of the other blocks.
    const int cx = px(b.left) + (px(b.right) - px(b.left)) / 3, cy = py(b.top) + (py(b.bottom) - py(b.top)) / 3;
    EXPECT_TRUE(page.dark(cx, cy));
    EXPECT_TRUE(page.dark(px(b.left) + 2, py(b.top) + 2));
    EXPECT_TRUE(page.dark(px(b.right) - 3, py(b.bottom) - 3));
    EXPECT_FALSE(page.dark(px(b.left) - 3, cy));
    EXPECT_FALSE(page.dark(px(b.right) + 2, cy));
    EXPECT_FALSE(page.dark(cx, py(b.top) - 3));
    EXPECT_FALSE(page.dark(cx, py(b.bottom) + 2));
  }
  pdf_printer::Box box = pdf_printer::dark_box(page);
  EXPECT_NEAR(box.left, px(20), 2);
  EXPECT_NEAR(box.right, px(180) - 1, 2);
  EXPECT_NEAR(box.top, py(10), 2);
  EXPECT_NEAR(box.bottom, py(140) - 1, 2);
  if (!HasFailure()) DeleteFileA(pdf.c_str());
}

// Cancel in the dialog asks for no printer; cancel in the progress box
// aborts the document: the queue never gets it (a job printed after it
// arrives alone) and the window gets its picture back.
TEST_F(PrintTest, CancelPrintsNothing) {
  EXPECT_EQ(choose_printer(IDCANCEL), 0);
  EXPECT_FALSE(print_caps().dialog.hDC);
  EXPECT_EQ(print_start_job(), 0);

  std::string cancelled = pdf_printer::next_job_name();
  ASSERT_EQ(choose_printer(), 1);
  PostMessageA(window_.window, WM_CANCEL_PROGRESS, 0, 0);
  EXPECT_EQ(print_window_bitmap(), PRINT_CANCELLED);
  EXPECT_FALSE(print_is_printing());
  EXPECT_EQ(gfx_current_dc(), window_.dc);
  EXPECT_FALSE(g_progress.box);
  EXPECT_TRUE(window_shows_pattern());

  std::string printed = pdf_printer::next_job_name();
  ASSERT_EQ(choose_printer(), 1);
  ASSERT_EQ(print_window_bitmap(), PRINT_DONE);
  std::string pdf = pdf_printer::wait_for_pdf(printed);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(pdf_printer::find_now(cancelled), "");
  DeleteFileA(pdf.c_str());
}

// Two copies asked for in the dialog: the driver makes one, so the program
// draws the bitmap once on each of two pages.
TEST_F(PrintTest, CopiesTheDriverDoesNotMakeAreDrawnAsPages) {
  std::string job = pdf_printer::next_job_name();
  ASSERT_EQ(choose_printer(IDOK, [](HWND dialog) { SetDlgItemTextA(dialog, 0x482, "2"); }), 1);  // the copies edit
  ASSERT_EQ(print_caps().dialog.nCopies, 2);
  ASSERT_EQ(print_caps().driver_copies, 1);
  const PrinterCaps& caps = print_caps();
  const double s = print_bitmap_scale(CLIENT_W + 1, CLIENT_H + 1, caps.horz_res, caps.vert_res);
  const int x = print_centred_origin(caps.horz_res, CLIENT_W, s) + static_cast<int>(100.5 * s);
  const int y = print_centred_origin(caps.vert_res, CLIENT_H, s) + static_cast<int>(75.5 * s);
  ASSERT_EQ(print_window_bitmap(), PRINT_DONE);
  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(pdf_printer::page_count(pdf), 2);
  pdf_printer::Page second;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, second, 2));
  EXPECT_TRUE(second.dark(x, y));  // the vertical bar
  DeleteFileA(pdf.c_str());
}

// Landscape goes to the dialog through the kept device mode; what else the
// device mode holds stays.
TEST_F(PrintTest, DialogKeepsTheDeviceModeAndAsksForLandscape) {
  HGLOBAL kept = print_caps().dialog.hDevMode;
  ASSERT_TRUE(kept);
  auto* mode = static_cast<DEVMODEA*>(GlobalLock(kept));
  ASSERT_TRUE(mode);
  mode->dmFields |= DM_COLOR;
  mode->dmColor = DMCOLOR_MONOCHROME;
  GlobalUnlock(kept);
  print_set_landscape(1);
  ASSERT_EQ(choose_printer(), 1);
  const PrinterCaps& caps = print_caps();
  EXPECT_GT(caps.horz_res, caps.vert_res);
  EXPECT_GT(caps.horz_size, caps.vert_size);
  mode = static_cast<DEVMODEA*>(GlobalLock(caps.dialog.hDevMode));
  ASSERT_TRUE(mode);
  EXPECT_TRUE(mode->dmFields & DM_COLOR);
  EXPECT_EQ(mode->dmColor, DMCOLOR_MONOCHROME);
  EXPECT_EQ(mode->dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(mode->dmScale, 100);
  GlobalUnlock(caps.dialog.hDevMode);
  EXPECT_EQ(caps.driver_copies, 1);
  print_end_job_plain();  // gives the printer DC back without a job
  EXPECT_FALSE(print_caps().dialog.hDC);

  print_set_landscape(0);
  ASSERT_EQ(choose_printer(), 1);
  EXPECT_LT(print_caps().horz_res, print_caps().vert_res);
}

// The capture holds the rectangle edges included, gives it back with any
// raster operation and lets go of its DC when freed.
TEST_F(PrintTest, CaptureGivesTheRectangleBack) {
  HBITMAP bitmap = nullptr;
  const RECT area = {90, 30, 119, 49};  // 30 x 20 with the edges
  ASSERT_EQ(print_capture_rect(area, &bitmap), 1);
  ASSERT_TRUE(bitmap);
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 38);
  EXPECT_EQ(info.bmHeight, 28);
  RECT all = {0, 0, CLIENT_W + 1, CLIENT_H + 1};
  FillRect(window_.dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  const RECT captured = {0, 0, 29, 19};  // where the capture keeps it
  print_blit_capture(captured, area, SRCCOPY);
  EXPECT_EQ(GetPixel(window_.dc, 100, 35), RGB(0, 0, 0));    // the vertical bar
  EXPECT_EQ(GetPixel(window_.dc, 90, 30), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(window_.dc, 119, 49), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(window_.dc, 120, 49), GetPixel(window_.dc, 5, 5));  // outside stays grey
  const RECT elsewhere = {0, 0, 29, 19};
  print_blit_capture(captured, elsewhere, NOTSRCCOPY);
  EXPECT_EQ(GetPixel(window_.dc, 10, 5), RGB(255, 255, 255));  // the bar, inverted
  EXPECT_EQ(GetPixel(window_.dc, 0, 0), RGB(0, 0, 0));
  print_free_capture(bitmap);
  EXPECT_FALSE(g_device.capture_dc);
  EXPECT_EQ(GetObjectType(bitmap), 0u);
  print_blit_capture(captured, area, SRCCOPY);  // nothing held: nothing happens
}

// The clipboard gets a bitmap of the client size plus one that no DC holds
// any longer, with the window's picture.
TEST_F(PrintTest, ClipboardGetsTheWindowAsABitmap) {
  ASSERT_EQ(print_copy_to_clipboard(), 1);
  ASSERT_TRUE(OpenClipboard(window_.window));
  auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  ASSERT_TRUE(bitmap);
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, CLIENT_W + 1);
  EXPECT_EQ(info.bmHeight, CLIENT_H + 1);
  HDC memory = CreateCompatibleDC(window_.dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  EXPECT_TRUE(old) << "the bitmap is still selected elsewhere";
  EXPECT_EQ(GetPixel(memory, 101, 75), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(memory, 155, 105), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(memory, 60, 80), RGB(255, 255, 255));
  SelectObject(memory, old);
  DeleteDC(memory);
  CloseClipboard();
}

// Without a printer DC nothing starts; the end routines are harmless.
TEST_F(PrintTest, NoPrinterNoJob) {
  EXPECT_EQ(print_start_job(), 0);
  EXPECT_EQ(print_start_job_gdi(), 0);
  EXPECT_EQ(print_window_bitmap(), PRINT_FAILED);
  print_next_page();
  EXPECT_EQ(print_end_job(), 0);
  EXPECT_EQ(print_end_job_plain(), 0);
  EXPECT_EQ(gfx_current_dc(), window_.dc);
  EXPECT_TRUE(window_shows_pattern());
}

}  // namespace
