// The view on real windows: the drawing window is laid out inside the main
// window's margins, its scroll bars are reset, the prompt line and the title
// reach the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "framework/gfx_win.h"

namespace {

constexpr int MAIN_W = 640;
constexpr int MAIN_H = 480;

LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

class ViewWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plain_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VIEW_TEST";
    RegisterClassA(&wc);
    main_ = CreateWindowExA(0, "VIEW_TEST", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, MAIN_W,
                            MAIN_H, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(main_);
    record_ = {};
    record_.window = CreateWindowExA(0, "VIEW_TEST", "", WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL,
                                     32, 24, 100, 100, main_, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(record_.window);
    record_.hscroll = record_.vscroll = 1;
    gfx_init_palette();
    gfx_take_stock_objects();
    gfx_select_window(&record_);
    obj_free_all();
    obj_reset_layers();
    view_new_drawing_defaults();
    g_view.kind = VIEW_XY;
    previous_ = view_set_drawing_window(&record_);
  }
  void TearDown() override {
    view_reset_host();
    render_set_target(nullptr);
    view_set_drawing_window_record(previous_);
    gfx_delete_objects();
    gfx_forget_window(&record_);
    DestroyWindow(main_);
  }
  HWND main_ = nullptr;
  DrawWindow record_{};
  DrawWindow* previous_ = nullptr;
};

TEST_F(ViewWinTest, RelayoutFitsTheDrawingWindowIntoTheMargins) {
  SetScrollRange(record_.window, SB_HORZ, 0, 10, FALSE);
  SetScrollPos(record_.window, SB_HORZ, 7, FALSE);
  view_relayout();
  RECT r;
  ASSERT_TRUE(GetWindowRect(record_.window, &r));
  POINT origin{r.left, r.top};
  ASSERT_TRUE(ScreenToClient(main_, &origin));
  EXPECT_EQ(origin.x, 32);
  EXPECT_EQ(origin.y, 24);
  EXPECT_EQ(r.right - r.left, MAIN_W - 64);
  EXPECT_EQ(r.bottom - r.top, MAIN_H - 48);
  RECT client;
  ASSERT_TRUE(GetClientRect(record_.window, &client));
  EXPECT_EQ(g_view.window_width, client.right);
  EXPECT_EQ(record_.right, client.right);
  EXPECT_EQ(g_view.screen_centre_x, static_cast<float>(client.right / 2));
  int low = 0, high = 0;
  ASSERT_TRUE(GetScrollRange(record_.window, SB_HORZ, &low, &high));
  EXPECT_EQ(low, -50);
  EXPECT_EQ(high, 50);
  EXPECT_EQ(GetScrollPos(record_.window, SB_HORZ), 0);
  // The full redraw left the drawing window white.
  EXPECT_EQ(GetPixel(record_.dc, 5, 5), RGB(255, 255, 255));
}

TEST_F(ViewWinTest, PromptLineAndTitleReachTheMainWindow) {
  view_relayout();
  view_show_prompt("Objekte wählen");
  HDC dc = GetDC(main_);
  EXPECT_EQ(GetPixel(dc, 5, MAIN_H - 5), gfx_palette_colour(5));
  EXPECT_EQ(GetPixel(dc, MAIN_W - 5, MAIN_H - 22), gfx_palette_colour(5));
  ReleaseDC(main_, dc);
  char path[32] = "c:\\saal.opr";
  view_set_title_base("Orvante Planning Engine 2.90");
  view_set_title_path(path);
  view_update_title();
  char title[128] = {};
  GetWindowTextA(main_, title, sizeof title);
  EXPECT_STREQ(title, "Orvante Planning Engine 2.90 > C:\\SAAL.OPR");
  view_set_title_path(nullptr);
}

TEST_F(ViewWinTest, ARecordWithoutWindowIsRefused) {
  DrawWindow empty{};
  EXPECT_EQ(view_set_drawing_window(&empty), &record_);
  EXPECT_EQ(view_drawing_window(), &record_);
}

}  // namespace
