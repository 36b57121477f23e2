#include "framework/gfx_win.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

DeviceState g_device = {};
PatternBrushTable g_patterns = {};
TextStyle g_text_style = {};

namespace {

HPEN stock_black_pen() { return static_cast<HPEN>(GetStockObject(BLACK_PEN)); }
HBRUSH stock_white_brush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

// Drawing may start before win_init took the stock objects (tests, early
// messages); every entry point that selects objects makes sure they are there.
void ensure_stock_objects() {
  if (!g_device.stock_pen) g_device.stock_pen = stock_black_pen();
  if (!g_device.stock_brush) g_device.stock_brush = stock_white_brush();
  if (!g_device.created_pen) g_device.created_pen = g_device.stock_pen;
  if (!g_device.created_brush) g_device.created_brush = g_device.stock_brush;
}

COLORREF palette_colour(int index) { return static_cast<COLORREF>(gfx_palette_colour(index)); }

// Replaces the created pen by a new one (or the stock pen) and deletes the
// old one after it has left the DC, so the record never names a deleted pen.
void replace_created_pen(HPEN pen) {
  HPEN old = g_device.created_pen;
  if (g_device.dc) SelectObject(g_device.dc, pen);
  g_device.created_pen = pen;
  if (old && old != g_device.stock_pen && old != pen) DeleteObject(old);
}

void replace_created_brush(HBRUSH brush) {
  HBRUSH old = g_device.created_brush;
  if (g_device.dc) SelectObject(g_device.dc, brush);
  g_device.created_brush = brush;
  if (old && old != g_device.stock_brush && old != brush) DeleteObject(old);
}

// Pattern brush for the current brush index; null when the index lies
// outside the table or the program has no pattern bitmaps.
HBRUSH current_pattern_brush() {
  int index = g_device.brush_index;
  if (index < 0 || index >= PATTERN_SLOTS) return nullptr;
  return g_patterns.brush[index];
}

void delete_pattern_brushes() {
  for (int i = 0; i < PATTERN_COUNT; ++i) {
    if (g_patterns.brush[i]) DeleteObject(g_patterns.brush[i]);
    if (g_patterns.bitmap[i]) DeleteObject(g_patterns.bitmap[i]);
    g_patterns.bitmap[i] = nullptr;
  }
  for (HBRUSH& slot : g_patterns.brush) slot = nullptr;
}

// Back to the stock objects, with the remembered indices telling the truth
// about them: pen 0 is the stock black pen, brush 30 the stock white brush.
void reset_to_stock_objects() {
  ensure_stock_objects();
  if (g_device.dc) {
    SelectObject(g_device.dc, g_device.stock_pen);
    SelectObject(g_device.dc, g_device.stock_brush);
  }
  replace_created_pen(g_device.stock_pen);
  replace_created_brush(g_device.stock_brush);
  g_device.pen_index = 0;
  g_device.brush_index = BRUSH_STOCK_WHITE;
  g_device.null_pen_save = nullptr;
  g_device.null_pen_owner = nullptr;
}

}  // namespace

// The stock black pen and white brush become both the stock and the created
// objects; the remembered indices start at 0.
void gfx_take_stock_objects() {
  g_device.stock_pen = stock_black_pen();
  g_device.stock_brush = stock_white_brush();
  g_device.created_pen = g_device.stock_pen;
  g_device.created_brush = g_device.stock_brush;
  g_device.pen_index = 0;
  g_device.brush_index = 0;
  g_device.raster_op = ROP_COPY;
}

// Makes the record the drawing target and returns the previous one. Its DC
// is fetched once and kept; the old target gets the stock objects back so
// the created pen and brush are selected into one DC at a time.
DrawWindow* gfx_select_window(DrawWindow* record) {
  DrawWindow* previous = g_device.window;
  if (!record || record == previous) return previous;
  ensure_stock_objects();
  if (!record->dc && record->window) record->dc = GetDC(record->window);
  if (!record->dc) return previous;
  if (previous && previous->dc) {
    SelectObject(previous->dc, g_device.stock_pen);
    SelectObject(previous->dc, g_device.stock_brush);
  }
  g_device.window = record;
  SelectObject(record->dc, g_device.created_pen);
  SelectObject(record->dc, g_device.created_brush);
  if (!g_device.print_job_open) g_device.dc = record->dc;
  return previous;
}

// A record whose window is going away stops being the target; its DC must
// not be drawn on afterwards.
void gfx_forget_window(DrawWindow* record) {
  if (!record || g_device.window != record) return;
  if (record->dc) {
    SelectObject(record->dc, g_device.stock_pen);
    SelectObject(record->dc, g_device.stock_brush);
  }
  if (g_device.dc == record->dc) g_device.dc = nullptr;
  g_device.window = nullptr;
}

DrawWindow* gfx_current_window() { return g_device.window; }
HDC gfx_current_dc() { return g_device.dc; }
void gfx_set_current_dc(HDC dc) { g_device.dc = dc; }
int gfx_client_width() { return g_device.window ? g_device.window->right : 0; }
int gfx_client_height() { return g_device.window ? g_device.window->bottom : 0; }

// Loads the 16 level patterns (slots 16..31 repeat them) and selects the
// black pen and a black brush into the current DC; the brush is recorded as
// the created brush so that it is deleted like any other.
void gfx_create_pattern_brushes() {
  delete_pattern_brushes();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  for (int i = 0; i < PATTERN_COUNT; ++i) {
    char name[8];
    std::snprintf(name, sizeof name, "LEV_%02d", i);
    g_patterns.bitmap[i] = static_cast<HBITMAP>(
        LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (g_patterns.bitmap[i]) g_patterns.brush[i] = CreatePatternBrush(g_patterns.bitmap[i]);
    g_patterns.brush[i + PATTERN_COUNT] = g_patterns.brush[i];
  }
  ensure_stock_objects();
  replace_created_pen(g_device.stock_pen);
  g_device.pen_index = 0;
  HBRUSH black = CreateSolidBrush(palette_colour(0));
  if (black) {
    replace_created_brush(black);
    g_device.brush_index = 0;
  } else {
    replace_created_brush(g_device.stock_brush);
    g_device.brush_index = BRUSH_STOCK_WHITE;
  }
}

// Deletes the created pen and brush and the pattern brushes. The remembered
// indices are reset with them, so the next request creates a fresh object
// instead of trusting a deleted one.
void gfx_delete_objects() {
  reset_to_stock_objects();
  delete_pattern_brushes();
}

// Pens 0..31 are solid, 32..63 dotted on an opaque white background; a
// repeated index costs nothing. Indices outside 0..63 are ignored.
void gfx_set_pen(int index) {
  if (index == g_device.pen_index || !gfx_valid_colour_index(index)) return;
  ensure_stock_objects();
  HDC dc = g_device.dc;
  HPEN pen;
  if (index < PEN_DOTTED_FIRST) {
    if (g_device.pen_index >= PEN_DOTTED_FIRST && dc) {
      SetBkColor(dc, g_device.saved_back_colour);
      SetBkMode(dc, TRANSPARENT);
    }
    pen = index == 0 ? g_device.stock_pen : CreatePen(PS_SOLID, 1, palette_colour(index));
  } else {
    if (g_device.pen_index < PEN_DOTTED_FIRST && dc) {
      g_device.saved_back_colour = GetBkColor(dc);
    }
    if (dc) {
      SetBkColor(dc, RGB(255, 255, 255));
      SetBkMode(dc, OPAQUE);
    }
    pen = CreatePen(PS_DOT, 1, palette_colour(index));
  }
  if (!pen) return;
  replace_created_pen(pen);
  g_device.pen_index = static_cast<int16_t>(index);
}

// Brush 30 is the stock white brush, every other index a solid brush of its
// palette colour. Indices outside 0..63 are ignored.
void gfx_set_brush(int index) {
  if (index == g_device.brush_index || !gfx_valid_colour_index(index)) return;
  ensure_stock_objects();
  HBRUSH brush = index == BRUSH_STOCK_WHITE ? g_device.stock_brush
                                            : CreateSolidBrush(palette_colour(index));
  if (!brush) return;
  replace_created_brush(brush);
  g_device.brush_index = static_cast<int16_t>(index);
}

// Switches the outline off for filled shapes and back on. When a new pen was
// chosen meanwhile, that one is restored instead of the (deleted) old pen.
void gfx_select_null_pen(int on) {
  HDC dc = g_device.dc;
  if (!dc) return;
  if (on) {
    HGDIOBJ replaced = SelectObject(dc, GetStockObject(NULL_PEN));
    if (!g_device.null_pen_save) {
      g_device.null_pen_save = static_cast<HPEN>(replaced);
      g_device.null_pen_owner = g_device.created_pen;
    }
    return;
  }
  HPEN pen = g_device.null_pen_save;
  if (!pen || g_device.null_pen_owner != g_device.created_pen) pen = g_device.created_pen;
  if (pen) SelectObject(dc, pen);
  g_device.null_pen_save = nullptr;
  g_device.null_pen_owner = nullptr;
}

void gfx_set_back_colour(int index) {
  if (index < 0 || index > 30 || !g_device.dc) return;
  SetBkColor(g_device.dc, palette_colour(index));
}

void gfx_set_text_colour(int index) {
  if (index < 0 || index > 30 || !g_device.dc) return;
  SetTextColor(g_device.dc, palette_colour(index));
}

int gfx_get_pen() { return g_device.pen_index; }
int gfx_get_brush() { return g_device.brush_index; }

void gfx_set_raster_op(int mode) {
  if (g_device.dc) SetROP2(g_device.dc, mode);
  g_device.raster_op = static_cast<int16_t>(mode);
}

int gfx_get_raster_op() { return g_device.raster_op; }

void gfx_move_to(int x, int y) { MoveToEx(g_device.dc, x, y, nullptr); }

void gfx_move_by(int dx, int dy) {
  POINT p = {};
  GetCurrentPositionEx(g_device.dc, &p);
  MoveToEx(g_device.dc, p.x + dx, p.y + dy, nullptr);
}

void gfx_line_to(int x, int y) { LineTo(g_device.dc, x, y); }

// Draws the line and puts the current position back where it was.
void gfx_draw_line(int x1, int y1, int x2, int y2) {
  POINT saved = {};
  MoveToEx(g_device.dc, x1, y1, &saved);
  LineTo(g_device.dc, x2, y2);
  MoveToEx(g_device.dc, saved.x, saved.y, nullptr);
}

int gfx_current_x() {
  POINT p = {};
  GetCurrentPositionEx(g_device.dc, &p);
  return p.x;
}

int gfx_current_y() {
  POINT p = {};
  GetCurrentPositionEx(g_device.dc, &p);
  return p.y;
}

void gfx_polyline(const POINT* points, int count) {
  if (count > 0) Polyline(g_device.dc, points, count);
}

// The outline closes itself by writing point 0 behind the last point: the
// array must hold count + 1 points.
void gfx_draw_polygon(POINT* points, int count, int filled) {
  if (count <= 0) return;
  if (filled) {
    Polygon(g_device.dc, points, count);
    return;
  }
  points[count] = points[0];
  Polyline(g_device.dc, points, count + 1);
}

void gfx_fill_polygon(const POINT* points, int count) {
  if (count > 0) Polygon(g_device.dc, points, count);
}

void gfx_fill_polygon_pattern(const POINT* points, int count) {
  HBRUSH pattern = current_pattern_brush();
  if (!pattern || count <= 0 || !g_device.dc) return;
  HGDIOBJ old = SelectObject(g_device.dc, pattern);
  Polygon(g_device.dc, points, count);
  SelectObject(g_device.dc, old);
}

// Right and bottom are inclusive: (10, 10, 20, 20) covers 11 x 11 pixels.
void gfx_draw_rect(const RECT* rect, int filled) {
  HDC dc = g_device.dc;
  if (!dc) return;
  if (filled) {
    Rectangle(dc, rect->left, rect->top, rect->right + 1, rect->bottom + 1);
    return;
  }
  HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, rect->left, rect->top, rect->right + 1, rect->bottom + 1);
  SelectObject(dc, old);
}

void gfx_fill_rect(int left, int top, int right, int bottom) {
  RECT r = {left, top, right, bottom};
  if (g_device.dc && g_device.created_brush) FillRect(g_device.dc, &r, g_device.created_brush);
}

void gfx_fill_rect_pattern(int left, int top, int right, int bottom) {
  HBRUSH pattern = current_pattern_brush();
  RECT r = {left, top, right, bottom};
  if (pattern && g_device.dc) FillRect(g_device.dc, &r, pattern);
}

void gfx_set_pixel(int x, int y) { SetPixel(g_device.dc, x, y, palette_colour(g_device.pen_index)); }

void gfx_text_out(int x, int y, const char* text) {
  TextOutA(g_device.dc, x, y, text, static_cast<int>(std::strlen(text)));
}

// Formats into 96 characters (longer results are cut) and writes the text at
// the current position.
int gfx_printf(const char* format, ...) {
  char buffer[96];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return 0;
  int len = static_cast<int>(std::strlen(buffer));
  POINT p = {};
  GetCurrentPositionEx(g_device.dc, &p);
  TextOutA(g_device.dc, p.x, p.y, buffer, len);
  return len;
}

void gfx_set_text_style(const char* face, int height, int width, int escapement,
                        int text_colour_index, int back_colour_index, int back_mode) {
  g_text_style.face = face;
  g_text_style.height = height;
  g_text_style.width = width;
  g_text_style.escapement = escapement;
  g_text_style.text_colour = palette_colour(text_colour_index);
  g_text_style.back_colour = palette_colour(back_colour_index);
  g_text_style.back_mode = back_mode;
}

void gfx_reset_text_style() {
  g_text_style.face = "Arial";
  g_text_style.width = 8;
  g_text_style.height = 16;
  g_text_style.escapement = 0;
  g_text_style.text_colour = RGB(0, 0, 0);
  g_text_style.back_colour = RGB(255, 255, 255);
  g_text_style.back_mode = OPAQUE;
}

namespace {

HFONT create_style_font() {
  return CreateFontA(g_text_style.height, g_text_style.width, g_text_style.escapement, g_text_style.escapement,
                     FW_DONTCARE, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH, g_text_style.face);
}

}  // namespace

int gfx_text_width(const char* text) {
  HDC dc = g_device.dc;
  if (!dc || !text) return 0;
  HFONT font = create_style_font();
  if (!font) return 0;
  HGDIOBJ old_font = SelectObject(dc, font);
  SIZE size = {};
  if (!GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &size)) size.cx = 0;
  SelectObject(dc, old_font);
  DeleteObject(font);
  return int(size.cx);
}

// Draws with a font made for this call from the text style; the DC's
// colours, mode and font are put back afterwards. Returns 0 when no font
// can be made.
int gfx_draw_text(int left, int top, int right, int bottom, const char* text, UINT flags) {
  HDC dc = g_device.dc;
  if (!dc || !text) return 0;
  HFONT font = create_style_font();
  if (!font) return 0;
  HGDIOBJ old_font = SelectObject(dc, font);
  COLORREF old_text = SetTextColor(dc, g_text_style.text_colour);
  COLORREF old_back = GetBkColor(dc);
  int old_mode = GetBkMode(dc);
  if (!g_device.print_job_open) {
    SetBkColor(dc, g_text_style.back_colour);
    SetBkMode(dc, g_text_style.back_mode);
  }
  RECT r = {left, top, right, bottom};
  int result = DrawTextA(dc, text, -1, &r, flags | DT_NOPREFIX);
  SetBkMode(dc, old_mode);
  SetBkColor(dc, old_back);
  SetTextColor(dc, old_text);
  SelectObject(dc, old_font);
  DeleteObject(font);
  return result;
}

namespace {

HGDIOBJ g_offscreen_original_bitmap = nullptr;  // the memory DC's own 1 x 1 bitmap

int offscreen_begin() {
  DrawWindow* window = g_device.window;
  if (!window || !window->dc || g_device.offscreen_dc) return 0;
  int width = gfx_client_width() + 1;
  int height = gfx_client_height() + 1;
  if (width < 2 || height < 2) return 0;
  HDC memory = CreateCompatibleDC(window->dc);
  if (!memory) return 0;
  HBITMAP bitmap = CreateCompatibleBitmap(window->dc, width, height);
  if (!bitmap) {
    DeleteDC(memory);
    return 0;
  }
  gfx_set_pen(0);
  gfx_set_brush(BRUSH_STOCK_WHITE);
  g_device.offscreen_dc = memory;
  g_device.offscreen_bitmap = bitmap;
  g_device.dc = memory;
  g_offscreen_original_bitmap = SelectObject(memory, bitmap);
  return 1;
}

int offscreen_show() {
  DrawWindow* window = g_device.window;
  if (!window || !window->dc || !g_device.offscreen_dc) return 0;
  BITMAP info = {};
  if (GetObjectA(g_device.offscreen_bitmap, sizeof info, &info) != sizeof info) return 0;
  return BitBlt(window->dc, 0, 0, info.bmWidth, info.bmHeight, g_device.offscreen_dc, 0, 0,
                SRCCOPY)
             ? 1
             : 0;
}

int offscreen_end() {
  HDC memory = g_device.offscreen_dc;
  if (!memory) return 0;
  gfx_set_pen(0);
  gfx_set_brush(BRUSH_STOCK_WHITE);
  if (g_offscreen_original_bitmap) SelectObject(memory, g_offscreen_original_bitmap);
  g_offscreen_original_bitmap = nullptr;
  DeleteObject(g_device.offscreen_bitmap);
  DeleteDC(memory);
  g_device.offscreen_dc = nullptr;
  g_device.offscreen_bitmap = nullptr;
  g_device.dc = g_device.window ? g_device.window->dc : nullptr;
  return 1;
}

}  // namespace

// Off-screen double buffer of the current window: 1 begins drawing into a
// memory bitmap of the client size, 2 copies it to the window, 0 ends it.
int print_offscreen(int mode) {
  switch (mode) {
    case 1: return offscreen_begin();
    case 2: return offscreen_show();
    case 0: return offscreen_end();
    default: return 0;
  }
}
