// The drawing device: one current device context that all primitives draw
// on, pens and brushes chosen by palette index, the pattern brushes, font
// text and the off-screen double buffer.
#pragma once
#include <windows.h>

#include <cstdint>

#include "framework/palette.h"
#include "framework/printf_format.h"

// A framework window that is drawn into.
struct DrawWindow {
  HWND window;
  HDC dc;  // fetched once when first made the drawing target, kept for the window's life
  int32_t left, top, right, bottom;  // client rectangle as last measured
  int32_t hscroll, vscroll;          // 1: the window carries that scroll bar
};

constexpr int PEN_DOTTED_FIRST = 32;  // pens 32..63 are dotted
constexpr int BRUSH_STOCK_WHITE = 30;
constexpr int PATTERN_COUNT = 16;
constexpr int PATTERN_SLOTS = 32;     // slots 16..31 repeat slots 0..15
constexpr int ROP_COPY = R2_COPYPEN;  // 13
constexpr int ROP_XOR = R2_XORPEN;    // 7

struct DeviceState {
  DrawWindow* window;  // current drawing window
  HDC dc;              // current DC: the window's, the printer's or the off-screen one
  int16_t pen_index, brush_index, raster_op;
  HPEN created_pen;      // the pen selected by gfx_set_pen, or the stock one
  HBRUSH created_brush;  // the brush selected by gfx_set_brush, or the stock one
  HPEN stock_pen;
  HBRUSH stock_brush;
  COLORREF saved_back_colour;  // background before a dotted pen was chosen
  HPEN null_pen_save;          // pen replaced by gfx_select_null_pen
  HPEN null_pen_owner;         // created pen at that moment
  int32_t print_job_open, printer_dc, print_error;
  HDC capture_dc;
  HDC offscreen_dc;
  HBITMAP offscreen_bitmap;
};

struct PatternBrushTable {
  HBRUSH brush[PATTERN_SLOTS];
  HBITMAP bitmap[PATTERN_COUNT];
};

struct TextStyle {
  const char* face;
  int32_t width, height;
  int32_t escapement;  // tenths of a degree, also the orientation
  COLORREF text_colour, back_colour;
  int32_t back_mode;  // 1 transparent, 2 opaque
};

extern DeviceState g_device;
extern PatternBrushTable g_patterns;
extern TextStyle g_text_style;

// Target and state
void gfx_take_stock_objects();
DrawWindow* gfx_select_window(DrawWindow* record);
void gfx_forget_window(DrawWindow* record);
DrawWindow* gfx_current_window();
HDC gfx_current_dc();
void gfx_set_current_dc(HDC dc);
int gfx_client_width();
int gfx_client_height();
void gfx_create_pattern_brushes();
void gfx_delete_objects();

// Pens, brushes, modes
void gfx_set_pen(int index);
void gfx_set_brush(int index);
void gfx_select_null_pen(int on);
void gfx_set_back_colour(int index);
void gfx_set_text_colour(int index);
int gfx_get_pen();
int gfx_get_brush();
void gfx_set_raster_op(int mode);
int gfx_get_raster_op();

// Primitives on the current DC
void gfx_move_to(int x, int y);
void gfx_move_by(int dx, int dy);
void gfx_line_to(int x, int y);
void gfx_draw_line(int x1, int y1, int x2, int y2);
int gfx_current_x();
int gfx_current_y();
void gfx_polyline(const POINT* points, int count);
void gfx_draw_polygon(POINT* points, int count, int filled);
void gfx_fill_polygon(const POINT* points, int count);
void gfx_fill_polygon_pattern(const POINT* points, int count);
void gfx_draw_rect(const RECT* rect, int filled);
void gfx_fill_rect(int left, int top, int right, int bottom);
void gfx_fill_rect_pattern(int left, int top, int right, int bottom);
void gfx_set_pixel(int x, int y);
void gfx_text_out(int x, int y, const char* text);
int gfx_printf(const char* format, ...) ORV_PRINTF_LIKE(1, 2);

// Font text
void gfx_set_text_style(const char* face, int height, int width, int escapement,
                        int text_colour_index, int back_colour_index, int back_mode);
void gfx_reset_text_style();
int gfx_draw_text(int left, int top, int right, int bottom, const char* text, UINT flags);
// Width in pixels of a single line of text in the text style on the current DC.
int gfx_text_width(const char* text);

// Off-screen double buffer: 1 begin, 2 show, 0 end
int print_offscreen(int mode);
