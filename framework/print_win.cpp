#include "framework/print_win.h"

#include <cstring>

#include "framework/gfx_win.h"
#include "framework/win_frame_win.h"

namespace {
PrinterCaps g_caps = {};
int g_job_open = 0;

void read_caps(HDC dc) {
  g_caps.horz_res = GetDeviceCaps(dc, HORZRES);
  g_caps.vert_res = GetDeviceCaps(dc, VERTRES);
  g_caps.horz_size = GetDeviceCaps(dc, HORZSIZE);
  g_caps.vert_size = GetDeviceCaps(dc, VERTSIZE);
  g_caps.is_plotter = GetDeviceCaps(dc, TECHNOLOGY) == DT_PLOTTER;
  g_caps.planes = GetDeviceCaps(dc, PLANES);
  g_caps.num_colors = GetDeviceCaps(dc, NUMCOLORS);
  g_caps.num_pens = GetDeviceCaps(dc, NUMPENS);
  g_caps.num_brushes = GetDeviceCaps(dc, NUMBRUSHES);
}
}  // namespace

// Reads the default printer's capabilities; with no printer the caps stay
// zero and every print path reports that there is nothing to print on.
void print_init_default() {
  std::memset(&g_caps.dialog, 0, sizeof g_caps.dialog);
  g_caps.dialog.lStructSize = sizeof g_caps.dialog;
  g_caps.dialog.hwndOwner = win_main_window();
  g_caps.dialog.nFromPage = g_caps.dialog.nToPage = g_caps.dialog.nMinPage = 1;
  g_caps.dialog.nMaxPage = 100;
  g_caps.dialog.nCopies = 1;
  g_caps.dialog.Flags = PD_RETURNDEFAULT | PD_RETURNIC;
  g_caps.landscape = 0;
  g_caps.scale_percent = 100;
  if (PrintDlgA(&g_caps.dialog) && g_caps.dialog.hDC) {
    read_caps(g_caps.dialog.hDC);
    DeleteDC(g_caps.dialog.hDC);
  }
  g_caps.dialog.hDC = nullptr;
}

void print_free_devices() {
  if (g_caps.dialog.hDevMode) GlobalFree(g_caps.dialog.hDevMode);
  if (g_caps.dialog.hDevNames) GlobalFree(g_caps.dialog.hDevNames);
  g_caps.dialog.hDevMode = nullptr;
  g_caps.dialog.hDevNames = nullptr;
}

int print_is_printing() { return g_job_open; }
const PrinterCaps& print_caps() { return g_caps; }

// Copies the current drawing window's client area to the clipboard as a bitmap.
int print_copy_to_clipboard() {
  DrawWindow* target = gfx_current_window();
  if (!target || !target->window) return 0;
  RECT client;
  GetClientRect(target->window, &client);
  int width = client.right + 1, height = client.bottom + 1;
  if (width < 2 || height < 2) return 0;
  HDC window_dc = GetDC(target->window);
  HDC memory = CreateCompatibleDC(window_dc);
  HBITMAP bitmap = CreateCompatibleBitmap(window_dc, width, height);
  int ok = 0;
  if (memory && bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    if (OpenClipboard(target->window)) {
      EmptyClipboard();
      ok = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
      CloseClipboard();
    }
  }
  if (!ok && bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(target->window, window_dc);
  return ok;
}
