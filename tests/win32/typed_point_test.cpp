// A point typed during a command (A, R or P and the point dialog) in the
// running design program: exactly one crosshair stays on the screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_harness.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/app_window_win.h"
#include "framework/child_windows_win.h"
#include "tests/win32/dialog_script.h"

namespace {

HWND main_window() { return win_main_window(); }

// Columns and rows of the empty drawing window that are mostly not white:
// the crosshair's lines (the drawing holds nothing else).
struct Lines {
  std::vector<int> columns, rows;
};

Lines crosshair_lines() {
  HWND w = win_drawing_window();
  RECT r;
  GetClientRect(w, &r);
  HDC dc = GetDC(w);
  const COLORREF white = RGB(255, 255, 255);
  Lines lines;
  for (int x = 1; x < r.right - 1; ++x) {  // the window's frame lines aside
    int marked = 0;
    for (int y = 1; y < r.bottom - 1; y += 7) marked += GetPixel(dc, x, y) != white;
    if (marked * 7 > r.bottom * 3 / 4) lines.columns.push_back(x);
  }
  for (int y = 1; y < r.bottom - 1; ++y) {
    int marked = 0;
    for (int x = 1; x < r.right - 1; x += 7) marked += GetPixel(dc, x, y) != white;
    if (marked * 7 > r.right * 3 / 4) lines.rows.push_back(y);
  }
  ReleaseDC(w, dc);
  return lines;
}

void answer_point_dialog(HWND dialog) {
  SetDlgItemTextA(dialog, 104, "3");
  SetDlgItemTextA(dialog, 105, "2");
  SetDlgItemTextA(dialog, 106, "0");
  // The drawing behind the dialog repaints while it is up.
  InvalidateRect(win_drawing_window(), nullptr, TRUE);
  UpdateWindow(win_drawing_window());
  PostMessageA(dialog, WM_COMMAND, 102, 0);
}

LPARAM pixel_of(float x, float y) { return MAKELPARAM(view_world_to_screen(x, 1), view_world_to_screen(y, 0)); }

}  // namespace

TEST(TypedPoint, LeavesExactlyOneCrosshairAtThePoint) {
  Lines before, after, later;
  LPARAM typed_at = 0;
  int code = harness::run({
      [] { PostMessageA(main_window(), WM_COMMAND, 2201, 0); },  // lines: waits for points
      [] { PostMessageA(win_drawing_window(), WM_MOUSEMOVE, 0, pixel_of(-4, -3)); },
      [&] {
        before = crosshair_lines();
        dialog_script::run_all({{"Punkt absolut :", answer_point_dialog}},  // returns once the dialog is answered
                               [] { SendMessageA(main_window(), WM_KEYDOWN, 'A', 0); });
      },
      [&] {
        after = crosshair_lines();
        typed_at = pixel_of(3, 2);
        view_zoom_out();  // a redraw afterwards keeps one as well
      },
      [&] {
        later = crosshair_lines();
        PostMessageA(main_window(), WM_COMMAND, 20999, 0);  // STOP
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(before.columns.size(), 1u);
  ASSERT_EQ(before.rows.size(), 1u);
  ASSERT_EQ(after.columns.size(), 1u) << "columns " << after.columns.size();
  ASSERT_EQ(after.rows.size(), 1u) << "rows " << after.rows.size();
  EXPECT_NEAR(after.columns[0], LOWORD(typed_at), 1);
  EXPECT_NEAR(after.rows[0], HIWORD(typed_at), 1);
  EXPECT_EQ(later.columns.size(), 1u);
  EXPECT_EQ(later.rows.size(), 1u);
}
