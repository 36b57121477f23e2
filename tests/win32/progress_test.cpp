#include "framework/progress_win.h"

#include <gtest/gtest.h>

#include "framework/gfx_win.h"
#include "framework/ui_seam.h"

namespace {

constexpr COLORREF BAR_BLUE = RGB(0, 0, 255);

LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(w, m, wp, lp);
}

// A visible top-level window stands in for the drawing window the box
// belongs to; the box class is registered as the framework does.
class ProgressTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA parent_class = {};
    parent_class.lpfnWndProc = plain_proc;
    parent_class.hInstance = instance;
    parent_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    parent_class.lpszClassName = "PROGRESS_TEST";
    RegisterClassA(&parent_class);
    WNDCLASSA status_class = {};
    status_class.style = CS_NOCLOSE;
    status_class.lpfnWndProc = win_status_proc;
    status_class.hInstance = instance;
    status_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    status_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    status_class.lpszClassName = "ZKT_STATUS";
    RegisterClassA(&status_class);
    window_.window = CreateWindowExA(0, "PROGRESS_TEST", "progress", WS_POPUP | WS_VISIBLE, 0, 0,
                                     400, 300, nullptr, nullptr, instance, nullptr);
    gfx_take_stock_objects();
    gfx_select_window(&window_);
  }
  static void TearDownTestSuite() {
    gfx_forget_window(&window_);
    ReleaseDC(window_.window, window_.dc);
    DestroyWindow(window_.window);
    window_ = {};
  }
  void SetUp() override { ASSERT_TRUE(window_.window); }
  void TearDown() override {
    progress_close();
    ui_reset_seams();
  }
  // Pixel of the box's client area, after pending painting is done.
  COLORREF box_pixel(int x, int y) {
    HDC dc = GetDC(g_progress.box);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(g_progress.box, dc);
    return c;
  }
  void click_cancel() { SendMessageA(g_progress.cancel, BM_CLICK, 0, 0); }

  static DrawWindow window_;
};

DrawWindow ProgressTest::window_ = {};

TEST_F(ProgressTest, OpensOneBoxWithItsButtonInsideTheDrawingWindow) {
  ASSERT_EQ(progress_open("Berechnungsstatus :", "0 %", "Abbrechen"), 1);
  ASSERT_TRUE(g_progress.box);
  EXPECT_EQ(GetParent(g_progress.box), window_.window);
  EXPECT_EQ(GetDlgCtrlID(g_progress.box), PROGRESS_BOX_ID);
  char class_name[32] = "";
  GetClassNameA(g_progress.box, class_name, sizeof class_name);
  EXPECT_STREQ(class_name, "ZKT_STATUS");
  RECT r;
  GetWindowRect(g_progress.box, &r);
  EXPECT_EQ(r.right - r.left, 160);
  EXPECT_EQ(r.bottom - r.top, 100);
  EXPECT_EQ(r.left, 400 / 2 - 80);
  EXPECT_EQ(r.top, 300 / 2 - 40);
  ASSERT_TRUE(g_progress.cancel);
  EXPECT_EQ(GetDlgCtrlID(g_progress.cancel), PROGRESS_CANCEL_ID);
  char text[32] = "";
  GetWindowTextA(g_progress.cancel, text, sizeof text);
  EXPECT_STREQ(text, "Abbrechen");

  HWND first = g_progress.box;
  EXPECT_EQ(progress_open("Zweite", "0 %", nullptr), 0);
  EXPECT_EQ(g_progress.box, first);
  EXPECT_EQ(progress_close(), 1);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(progress_close(), 0);
}

TEST_F(ProgressTest, CancelButtonSetsTheFlagUntilClosed) {
  ASSERT_EQ(progress_open("Suchmodus :", "0 %", "Abbrechen"), 1);
  EXPECT_EQ(progress_update(10, "10 %"), 0);
  click_cancel();
  EXPECT_EQ(g_progress.cancelled, 1);
  EXPECT_EQ(progress_update(20, "20 %"), 1);
  EXPECT_EQ(progress_update(0, nullptr), 1);
  // A second open attempt fails and must not undo the cancel.
  EXPECT_EQ(progress_open("Andere", "0 %", "Abbrechen"), 0);
  EXPECT_EQ(progress_update(30, "30 %"), 1);
  EXPECT_EQ(progress_close(), 1);
  EXPECT_EQ(g_progress.cancelled, 0);
  EXPECT_EQ(progress_update(40, "40 %"), 0);  // no box: nothing to cancel
  ASSERT_EQ(progress_open("Neu", "0 %", "Abbrechen"), 1);
  EXPECT_EQ(progress_update(5, "5 %"), 0);
}

TEST_F(ProgressTest, BarGrowsWithThePercentageAndStopsAtTheFrame) {
  ASSERT_EQ(progress_open("Drucke Fenster...", "0 %", nullptr), 1);
  EXPECT_FALSE(g_progress.cancel);
  progress_update(0, nullptr);
  EXPECT_NE(box_pixel(12, 30), BAR_BLUE);  // 0 only polls
  progress_update(50, "50 %");
  EXPECT_EQ(box_pixel(10, 30), BAR_BLUE);
  // Filled without an outline, the bar ends one pixel short of 10 + 70.
  EXPECT_EQ(box_pixel(78, 30), BAR_BLUE);
  EXPECT_NE(box_pixel(79, 30), BAR_BLUE);
  progress_update(150, "150 %");
  EXPECT_EQ(box_pixel(148, 30), BAR_BLUE);
  EXPECT_NE(box_pixel(150, 30), BAR_BLUE);  // the frame's right edge
  EXPECT_NE(box_pixel(10, 42), BAR_BLUE);
}

TEST_F(ProgressTest, UpdatingDispatchesPendingMessagesButKeepsQuit) {
  ASSERT_EQ(progress_open("Status", "0 %", "Abbrechen"), 1);
  PostMessageA(g_progress.box, WM_COMMAND, PROGRESS_CANCEL_ID, 0);
  PostQuitMessage(3);
  EXPECT_EQ(progress_update(1, nullptr), 1);  // the posted cancel was dispatched
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 3u);
}

TEST_F(ProgressTest, PortableSeamsDriveTheBox) {
  progress_install_seams();
  ui_progress_open("Reflexionsberechnung");
  ASSERT_TRUE(g_progress.box);
  ASSERT_TRUE(g_progress.cancel);
  EXPECT_EQ(ui_progress_update(25), 0);
  EXPECT_EQ(box_pixel(20, 30), BAR_BLUE);
  click_cancel();
  EXPECT_NE(ui_progress_update(26), 0);
  ui_progress_close();
  EXPECT_FALSE(g_progress.box);
}

}  // namespace
