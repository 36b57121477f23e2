#include "framework/print_win.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/gfx_win.h"
#include "framework/print_layout.h"
#include "framework/progress_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

namespace {

constexpr const char* MSG_NO_PRINTER = "Kein Drucker verfügbar.";

PrinterCaps g_caps = {};
HGDIOBJ g_capture_replaced = nullptr;  // the capture DC's own bitmap while a capture is held

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

HDC printer_dc() { return g_caps.dialog.hDC; }
HDC window_dc() { return g_device.window ? g_device.window->dc : nullptr; }

// Only the orientation and the scale are asked for; whatever else the user
// or the driver set in the device mode stays.
void prepare_device_mode() {
  if (!g_caps.dialog.hDevMode) return;
  auto* mode = static_cast<DEVMODEA*>(GlobalLock(g_caps.dialog.hDevMode));
  if (!mode) return;
  mode->dmFields |= DM_ORIENTATION | DM_SCALE;
  mode->dmOrientation = static_cast<short>(g_caps.landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT);
  mode->dmScale = static_cast<short>(g_caps.scale_percent);
  GlobalUnlock(g_caps.dialog.hDevMode);
}

int device_mode_copies() {
  if (!g_caps.dialog.hDevMode) return 1;
  auto* mode = static_cast<DEVMODEA*>(GlobalLock(g_caps.dialog.hDevMode));
  if (!mode) return 1;
  int copies = mode->dmCopies;
  GlobalUnlock(g_caps.dialog.hDevMode);
  return copies;
}

void delete_printer_dc() {
  if (printer_dc()) DeleteDC(printer_dc());
  g_caps.dialog.hDC = nullptr;
  g_device.printer_dc = 0;
}

// Opens the document and its first page on the printer DC.
int open_document() {
  HDC dc = printer_dc();
  if (!g_device.printer_dc || !dc) return 0;
  char name[PRINT_JOB_NAME_CHARS + 1];
  print_job_name(name);
  DOCINFOA doc = {};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = name;
  if (StartDocA(dc, &doc) <= 0) return 0;
  if (StartPage(dc) <= 0) {
    AbortDoc(dc);
    return 0;
  }
  gfx_set_current_dc(dc);
  g_device.print_job_open = 1;
  g_device.print_error = 0;
  return 1;
}

// Ends the open page and document, or leaves an aborted one alone; true
// when the document went to the printer.
bool close_document() {
  if (!g_device.print_job_open) return false;
  HDC dc = printer_dc();
  bool printed = false;
  if (!g_device.print_error) {
    printed = EndPage(dc) > 0 && EndDoc(dc) > 0;
    if (!printed) AbortDoc(dc);
  }
  g_device.print_job_open = 0;
  g_device.print_error = 0;
  return printed;
}

// Back from the printer to the current window's DC; with_objects deletes
// the framework's pens and brushes before and rebuilds them after.
void return_to_window(bool with_objects) {
  if (printer_dc() && gfx_current_dc() == printer_dc()) {
    if (with_objects) gfx_delete_objects();
    delete_printer_dc();
    gfx_set_current_dc(window_dc());
    if (with_objects) gfx_create_pattern_brushes();
  }
  if (gfx_current_dc() != window_dc()) {
    if (with_objects) gfx_delete_objects();
    gfx_set_current_dc(window_dc());
    if (with_objects) gfx_create_pattern_brushes();
  }
  delete_printer_dc();
}

int end_job(bool with_objects) {
  bool printed = close_document();
  return_to_window(with_objects);
  return printed ? 1 : 0;
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
  g_caps.driver_copies = 1;
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

int print_dialog() {
  if (g_device.print_job_open) return 0;
  delete_printer_dc();  // a DC left by a dialog whose job never started
  PRINTDLGA& d = g_caps.dialog;
  d.lStructSize = sizeof d;
  d.hwndOwner = GetActiveWindow();
  d.nFromPage = d.nToPage = d.nMinPage = d.nMaxPage = 1;
  d.nCopies = 1;
  d.Flags = PD_RETURNDC;
  prepare_device_mode();
  if (!PrintDlgA(&d)) {
    d.hDC = nullptr;
    if (CommDlgExtendedError() != 0) ui_message_box(MSG_NO_PRINTER, nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
    return 0;
  }
  if (d.hDC) read_caps(d.hDC);
  g_caps.driver_copies = device_mode_copies();
  g_device.printer_dc = d.hDC ? 1 : 0;
  return 1;
}

void print_set_landscape(int flag) { g_caps.landscape = flag; }
int print_is_printing() { return g_device.print_job_open; }
const PrinterCaps& print_caps() { return g_caps; }

int print_start_job() {
  if (g_device.print_job_open) return 0;
  return open_document();
}

int print_start_job_gdi() {
  if (g_device.print_job_open || !g_device.printer_dc || !printer_dc()) return 0;
  gfx_delete_objects();
  if (!open_document()) {
    gfx_create_pattern_brushes();
    return 0;
  }
  gfx_create_pattern_brushes();
  return 1;
}

void print_next_page() {
  if (!g_device.print_job_open || g_device.print_error) return;
  HDC dc = printer_dc();
  if (EndPage(dc) <= 0) {
    g_device.print_error = 1;
    AbortDoc(dc);
    return;
  }
  StartPage(dc);
}

void print_cancel_job() {
  if (!g_device.print_job_open || g_device.print_error) return;
  g_device.print_error = 1;
  AbortDoc(printer_dc());
}

int print_end_job() { return end_job(true); }
int print_end_job_plain() { return end_job(false); }

int print_capture_rect(const RECT& rect, HBITMAP* bitmap) {
  *bitmap = nullptr;
  HDC source = window_dc();
  if (!source) return 0;
  if (!g_device.capture_dc) g_device.capture_dc = CreateCompatibleDC(source);
  if (!g_device.capture_dc) return 0;
  int width = std::abs(rect.right - rect.left) + 1, height = std::abs(rect.bottom - rect.top) + 1;
  HBITMAP made = CreateCompatibleBitmap(source, width + 8, height + 8);
  if (!made) return 0;
  HGDIOBJ replaced = SelectObject(g_device.capture_dc, made);
  if (!g_capture_replaced) g_capture_replaced = replaced;
  StretchBlt(g_device.capture_dc, 0, 0, width, height, source, rect.left, rect.top, width, height, SRCCOPY);
  *bitmap = made;
  return 1;
}

void print_blit_capture(const RECT& source, const RECT& target, DWORD raster_op) {
  HDC dc = window_dc();
  if (!dc || !g_device.capture_dc) return;
  StretchBlt(dc, target.left, target.top, std::abs(target.right - target.left) + 1,
             std::abs(target.bottom - target.top) + 1, g_device.capture_dc, source.left, source.top,
             std::abs(source.right - source.left) + 1, std::abs(source.bottom - source.top) + 1, raster_op);
}

void print_free_capture(HBITMAP bitmap) {
  if (g_device.capture_dc && g_capture_replaced) SelectObject(g_device.capture_dc, g_capture_replaced);
  g_capture_replaced = nullptr;
  if (bitmap) DeleteObject(bitmap);
  if (g_device.capture_dc) DeleteDC(g_device.capture_dc);
  g_device.capture_dc = nullptr;
}

// Copies the current drawing window's client area to the clipboard as a
// bitmap; the bitmap leaves the memory DC before the clipboard takes it.
int print_copy_to_clipboard() {
  DrawWindow* target = gfx_current_window();
  if (!target || !target->window) return 0;
  RECT client;
  GetClientRect(target->window, &client);
  int width = client.right + 1, height = client.bottom + 1;
  if (width < 2 || height < 2) return 0;
  HDC window = GetDC(target->window);
  HDC memory = CreateCompatibleDC(window);
  HBITMAP bitmap = CreateCompatibleBitmap(window, width, height);
  int ok = 0;
  if (memory && bitmap) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    if (OpenClipboard(target->window)) {
      EmptyClipboard();
      ok = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
      CloseClipboard();
    }
  }
  if (!ok && bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(target->window, window);
  return ok;
}

namespace {

// The captured client area as 0x00BBGGRR pixels, row after row.
struct CapturePixels {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  const uint32_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

// The capture holds one column and one row beyond the client area; what
// the window does not cover there counts as white paper.
bool read_capture(int width, int height, CapturePixels& out, int inside_width, int inside_height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(g_device.capture_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section || !bits) return false;
  HDC memory = CreateCompatibleDC(g_device.capture_dc);
  bool ok = false;
  if (memory) {
    HGDIOBJ old = SelectObject(memory, section);
    ok = BitBlt(memory, 0, 0, width, height, g_device.capture_dc, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(memory, old);
    DeleteDC(memory);
  }
  if (ok) {
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * height);
    const auto* source = static_cast<const uint8_t*>(bits);  // blue, green, red, unused
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const size_t i = static_cast<size_t>(y) * width + x;
        const bool inside = x < inside_width && y < inside_height;
        out.pixels[i] = inside ? RGB(source[4 * i + 2], source[4 * i + 1], source[4 * i]) : PRINT_WHITE;
      }
  }
  DeleteObject(section);
  return ok;
}

// One copy of the bitmap on the page: a rectangle per run of colour, white
// left out. Returns false when the user cancelled in the progress box.
bool draw_bitmap_copy(HDC dc, const CapturePixels& capture, double scale, int x0, int y0) {
  HGDIOBJ saved_pen = SelectObject(dc, GetStockObject(NULL_PEN));
  SelectObject(dc, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, 0, 0, g_caps.horz_res - 1, g_caps.vert_res - 1);
  bool cancelled = false;
  for (int y = 0; y < capture.height && !cancelled; ++y) {
    const int top = print_scaled_position(y0, y, scale), bottom = print_scaled_position(y0, y + 1, scale);
    HBRUSH brush = nullptr;
    uint32_t brush_colour = PRINT_WHITE;
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    print_row_runs(capture.row(y), capture.width, [&](const PrintRun& run) {
      if (!brush || run.colour != brush_colour) {
        HBRUSH made = CreateSolidBrush(run.colour);
        if (!made) return;
        SelectObject(dc, made);
        if (brush) DeleteObject(brush);
        brush = made;
        brush_colour = run.colour;
      }
      const int left = print_scaled_position(x0, run.start, scale);
      const int right = print_scaled_position(x0, run.start + run.length, scale);
      Rectangle(dc, left, top, right + 1, bottom + 1);
    });
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    if (brush) DeleteObject(brush);
    char text[24];
    const int percent = y * 100 / capture.height;
    std::snprintf(text, sizeof text, "%d %%", percent);
    cancelled = progress_update(percent, text) != 0;
  }
  SelectObject(dc, saved_pen);
  return !cancelled;
}

}  // namespace

int print_window_bitmap() {
  DrawWindow* window = gfx_current_window();
  if (!window || !window->window || !g_device.printer_dc || !printer_dc()) return PRINT_FAILED;
  RECT client = {};
  GetClientRect(window->window, &client);
  const int width = client.right + 1, height = client.bottom + 1;
  const double scale = print_bitmap_scale(width, height, g_caps.horz_res, g_caps.vert_res);
  if (scale <= 0.0) return PRINT_FAILED;
  const RECT area = {0, 0, client.right, client.bottom};
  HBITMAP captured = nullptr;
  if (!print_capture_rect(area, &captured)) return PRINT_FAILED;
  CapturePixels capture;
  int result = PRINT_FAILED;
  if (!read_capture(width, height, capture, client.right, client.bottom) || !print_start_job()) {
    print_end_job_plain();
  } else {
    const int copies = print_copies_to_draw(g_caps.dialog.nCopies, g_caps.driver_copies);
    HCURSOR saved_cursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    const int x0 = print_centred_origin(g_caps.horz_res, client.right, scale);
    const int y0 = print_centred_origin(g_caps.vert_res, client.bottom, scale);
    progress_open("Drucke Fenster...", "0 %", "Abbruch");
    bool going = true;
    for (int copy = 0; copy < copies && going; ++copy) {
      going = draw_bitmap_copy(printer_dc(), capture, scale, x0, y0);
      if (going && copy + 1 < copies) {
        print_next_page();
        going = progress_update(0, "          ") == 0;
      }
    }
    if (!going) print_cancel_job();
    progress_close();
    SetCursor(saved_cursor);
    if (print_end_job_plain()) result = PRINT_DONE;
    else if (!going) result = PRINT_CANCELLED;
  }
  print_blit_capture(area, area, SRCCOPY);
  print_free_capture(captured);
  return result;
}

int print_window_on_page() {
  DrawWindow* window = gfx_current_window();
  RECT client = {};
  if (window && window->window) GetClientRect(window->window, &client);
  print_set_landscape(client.right > client.bottom ? 1 : 0);
  const int result = print_dialog() ? print_window_bitmap() : PRINT_CANCELLED;
  print_set_landscape(0);
  return result;
}
