#include "cad/render_win.h"

#include <windows.h>

#include "cad/render.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"

static_assert(sizeof(PolyPoint) == sizeof(POINT), "polygon points are handed to GDI as they are");

namespace {

const POINT* as_points(const PolyPoint* p) { return reinterpret_cast<const POINT*>(p); }

class GdiTarget : public RenderTarget {
 public:
  // While a job is open the page is the client area.
  int client_width() override { return print_is_printing() ? print_caps().horz_res : gfx_client_width(); }
  int client_height() override { return print_is_printing() ? print_caps().vert_res : gfx_client_height(); }
  void set_pen(int index) override { gfx_set_pen(index); }
  int pen() override { return gfx_get_pen(); }
  void set_brush(int index) override { gfx_set_brush(index); }
  void set_back_colour(int index) override { gfx_set_back_colour(index); }
  void set_text_colour(int index) override { gfx_set_text_colour(index); }
  void move_to(int x, int y) override { gfx_move_to(x, y); }
  void line_to(int x, int y) override { gfx_line_to(x, y); }
  void polyline(const PolyPoint* points, int count) override { gfx_polyline(as_points(points), count); }
  void polygon(PolyPoint* points, int count, bool filled) override {
    gfx_draw_polygon(reinterpret_cast<POINT*>(points), count, filled ? 1 : 0);
  }
  void rect_outline(int left, int top, int right, int bottom) override {
    RECT r{left, top, right, bottom};
    gfx_draw_rect(&r, 0);
  }
  // The brush is put back so that the caller's fill colour survives a clear.
  void fill_rect(int left, int top, int right, int bottom, int colour) override {
    int saved = gfx_get_brush();
    gfx_set_brush(colour);
    gfx_fill_rect(left, top, right, bottom);
    gfx_set_brush(saved);
  }
  void text_out(int x, int y, const char* text) override { gfx_text_out(x, y, text); }
  void text_centred(int left, int top, int right, int bottom, const char* text, int) override {
    gfx_draw_text(left, top, right, bottom, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  bool begin_offscreen() override { return print_offscreen(1) == 1; }
  void end_offscreen() override {
    print_offscreen(2);
    print_offscreen(0);
  }
  void set_raster_op(int mode) override { gfx_set_raster_op(mode); }
  int raster_op() override { return gfx_get_raster_op(); }
};

GdiTarget g_gdi_target;

}  // namespace

RenderTarget& render_gdi_target() { return g_gdi_target; }
