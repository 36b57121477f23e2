// The view's window-level services on the real windows: layout of the
// drawing window in the main window, scroll bars, prompt line, title, menus.
#include <windows.h>

#include <cstring>

#include "cad/input_win.h"
#include "cad/render.h"
#include "cad/render_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/gfx_win.h"
#include "framework/palette.h"

namespace {

constexpr int SCROLL_RANGE = 50;
constexpr int MENU_POSITIONS = 9;

HWND drawing_hwnd() {
  DrawWindow* w = view_drawing_window();
  return w ? w->window : nullptr;
}
HWND main_hwnd() {
  HWND child = drawing_hwnd();
  return child ? GetParent(child) : nullptr;
}

void client_size(HWND window, int* width, int* height) {
  RECT r{0, 0, 0, 0};
  if (window && GetClientRect(window, &r)) {
    *width = r.right;
    *height = r.bottom;
  } else {
    *width = 0;
    *height = 0;
  }
}

void win_main_size(int* width, int* height) { client_size(main_hwnd(), width, height); }

// The record keeps the measured client rectangle: the gfx_ client size reads it.
void win_place(int x, int y, int width, int height, int* client_width, int* client_height) {
  DrawWindow* w = view_drawing_window();
  if (!w || !w->window) {
    *client_width = *client_height = 0;
    return;
  }
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  if (!MoveWindow(w->window, x, y, width, height, TRUE)) OutputDebugStringA("MoveWindow failed\n");
  client_size(w->window, client_width, client_height);
  w->left = 0;
  w->top = 0;
  w->right = *client_width;
  w->bottom = *client_height;
}

void win_reset_scroll_bars() {
  DrawWindow* w = view_drawing_window();
  if (!w || !w->window) return;
  const int bars[2] = {SB_HORZ, SB_VERT};
  const int32_t present[2] = {w->hscroll, w->vscroll};
  for (int i = 0; i < 2; ++i) {
    if (!present[i]) continue;
    SetScrollRange(w->window, bars[i], -SCROLL_RANGE, SCROLL_RANGE, FALSE);
    SetScrollPos(w->window, bars[i], 0, TRUE);
  }
}

// The bottom 24 pixels of the main window, in palette colour 5, with the text
// in black at x 32. Own DC, so no pen, brush or target of the drawing changes.
void win_draw_prompt(const char* text) {
  HWND main = main_hwnd();
  if (!main) return;
  int w, h;
  client_size(main, &w, &h);
  HDC dc = GetDC(main);
  if (!dc) return;
  RECT line{0, h - PROMPT_LINE_HEIGHT, w, h};
  HBRUSH brush = CreateSolidBrush(gfx_palette_colour(5));
  if (brush) {
    FillRect(dc, &line, brush);
    DeleteObject(brush);
  }
  if (text && text[0]) {
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF colour = SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, VIEW_MARGIN_LEFT, h - 20, text, static_cast<int>(std::strlen(text)));
    SetTextColor(dc, colour);
    SetBkMode(dc, mode);
  }
  ReleaseDC(main, dc);
}

void win_set_title(const char* text) {
  HWND main = main_hwnd();
  if (main) SetWindowTextA(main, text);
}

void win_enable_menus(int on) {
  HWND main = main_hwnd();
  HMENU menu = main ? GetMenu(main) : nullptr;
  if (!menu) return;
  for (int i = 0; i < MENU_POSITIONS; ++i)
    EnableMenuItem(menu, i, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(main);
}

// White over the drawing window's client area; the current target stays.
void win_clear_drawing_window() {
  DrawWindow* w = view_drawing_window();
  if (!w || !w->window) return;
  DrawWindow* previous = gfx_select_window(w);
  render_gdi_target().fill_rect(0, 0, w->right, w->bottom, 30);
  if (previous) gfx_select_window(previous);
}

void win_repaint_drawing_window() {
  if (HWND w = drawing_hwnd()) InvalidateRect(w, nullptr, FALSE);
}

void install_win32_host() {
  ViewHost& host = view_host();
  host.main_client_size = win_main_size;
  host.place_drawing_window = win_place;
  host.reset_scroll_bars = win_reset_scroll_bars;
  host.draw_prompt = win_draw_prompt;
  host.set_title = win_set_title;
  host.enable_menus = win_enable_menus;
  host.clear_drawing_window = win_clear_drawing_window;
  host.check_menu_item = cad_check_menu_item;
  host.repaint_drawing_window = win_repaint_drawing_window;
  input_install_view_hooks();
  render_set_target(&render_gdi_target());
}

}  // namespace

// A record without a window is refused: the view keeps the one it has.
DrawWindow* view_set_drawing_window(DrawWindow* window) {
  if (!window || !window->window) return view_drawing_window();
  install_win32_host();
  return view_set_drawing_window_record(window);
}
