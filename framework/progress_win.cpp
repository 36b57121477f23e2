#include "framework/progress_win.h"

#include <cstdio>
#include <cstring>

#include "framework/gfx_win.h"
#include "framework/ui_seam.h"

ProgressBox g_progress = {};

namespace {

constexpr int BOX_WIDTH = 160;
constexpr int BOX_HEIGHT = 100;
constexpr int BAR_WIDTH = 140;
constexpr RECT BAR_FRAME = {9, 19, 151, 41};
constexpr COLORREF BAR_COLOUR = 0xFF0000;  // blue

HWND drawing_window() {
  DrawWindow* record = gfx_current_window();
  return record ? record->window : nullptr;
}

void validate_drawing_window() {
  if (HWND window = drawing_window()) ValidateRect(window, nullptr);
}

void draw_text_line(HDC dc, const char* text) {
  if (text) TextOutA(dc, 10, 50, text, static_cast<int>(std::strlen(text)));
}

void draw_bar_frame(HDC dc) {
  Rectangle(dc, BAR_FRAME.left, BAR_FRAME.top, BAR_FRAME.right, BAR_FRAME.bottom);
}

// Fills the bar up to the percentage (150 percent still ends at the frame).
void draw_bar(HDC dc, int percent) {
  int width = percent * BAR_WIDTH / 100;
  if (width > BAR_WIDTH) width = BAR_WIDTH;
  if (width < 0) width = 0;
  draw_bar_frame(dc);
  HBRUSH brush = CreateSolidBrush(BAR_COLOUR);
  if (!brush) return;
  HGDIOBJ old_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  HGDIOBJ old_brush = SelectObject(dc, brush);
  Rectangle(dc, 10, 20, 10 + width, 41);
  SelectObject(dc, old_pen);
  SelectObject(dc, old_brush);
  DeleteObject(brush);
}

// Dispatches everything pending so the user can act (and press cancel). A
// quit request is put back for the main loop instead of being swallowed.
void pump_messages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// The portable calculations know only a title and a percentage: they get
// the suite's usual cancel button and a "percent %" line.
void seam_open(const char* title) { progress_open(title, "0 %", "Abbrechen"); }

int seam_update(int percent) {
  char text[24];
  std::snprintf(text, sizeof text, "%d %%", percent);
  return progress_update(percent, text);
}

int seam_update_text(int percent, const char* text) { return progress_update(percent, text); }

void seam_close() { progress_close(); }

}  // namespace

// The box's own procedure: its cancel button sets the flag.
LRESULT CALLBACK win_status_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == PROGRESS_CANCEL_ID) {
    g_progress.cancelled = 1;
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

// Opens the box centred in the current drawing window. A box that is
// already open is left alone, its cancel flag included: an operation the
// user cancelled must stay cancelled.
int progress_open(const char* caption, const char* text, const char* cancel_text) {
  if (g_progress.box) return 0;
  g_progress.cancelled = 0;
  HWND parent = drawing_window();
  if (!parent) return 0;
  RECT client = {};
  GetClientRect(parent, &client);
  int x = client.right / 2 - BOX_WIDTH / 2;
  int y = client.bottom / 2 - 40;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND box = CreateWindowExA(0, "ZKT_STATUS", caption ? caption : "",
                             WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION, x, y,
                             BOX_WIDTH, BOX_HEIGHT, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(PROGRESS_BOX_ID)),
                             instance, nullptr);
  if (!box) return 0;
  g_progress.box = box;
  g_progress.cancel = nullptr;
  g_progress.last_percent = 0;  // the new bar starts empty whatever the last box showed
  if (cancel_text) {
    g_progress.cancel = CreateWindowExA(
        0, "button", cancel_text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 64, 50, 90, 22, box,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(PROGRESS_CANCEL_ID)), instance, nullptr);
    ShowWindow(box, SW_SHOW);
    validate_drawing_window();
    if (g_progress.cancel) SetFocus(g_progress.cancel);
  }
  if (HDC dc = GetDC(box)) {
    draw_bar_frame(dc);
    draw_text_line(dc, text);
    ReleaseDC(box, dc);
  }
  return 1;
}

// Keeps the application responsive and reports a cancel (1). The bar is
// redrawn only for a new percentage other than 0; 0 just polls.
int progress_update(int percent, const char* text) {
  if (!g_progress.box) {
    g_progress.last_percent = percent;
    return 0;
  }
  pump_messages();
  if (g_progress.cancelled) return 1;
  if (!g_progress.box) return 0;  // closed by a handler meanwhile
  ShowWindow(g_progress.box, SW_SHOW);
  validate_drawing_window();
  if (percent != 0 && percent != g_progress.last_percent) {
    if (HDC dc = GetDC(g_progress.box)) {
      draw_text_line(dc, text);
      draw_bar(dc, percent);
      ReleaseDC(g_progress.box, dc);
    }
    UpdateWindow(g_progress.box);
    validate_drawing_window();
  }
  g_progress.last_percent = percent;
  return 0;
}

// Destroys the button and the box; returns the result of destroying the box.
int progress_close() {
  if (!g_progress.box) return 0;
  if (g_progress.cancel) DestroyWindow(g_progress.cancel);
  int result = DestroyWindow(g_progress.box) ? 1 : 0;
  g_progress.box = nullptr;
  g_progress.cancel = nullptr;
  g_progress.cancelled = 0;
  return result;
}

void progress_install_seams() {
  ui_seams().progress_open = seam_open;
  ui_seams().progress_update = seam_update;
  ui_seams().progress_close = seam_close;
  ui_seams().progress_update_text = seam_update_text;
}
