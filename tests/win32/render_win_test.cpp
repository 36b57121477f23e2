// The renderer on the real device: the eye view in hidden-face mode paints
// into the off-screen bitmap far faces first, so a near face covers the one
// behind it; wireframe mode leaves the inside white.
#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>

#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/render_win.h"
#include "cad/view.h"
#include "framework/gfx_win.h"

namespace {

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;

LRESULT CALLBACK plain_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

// Forwards to the GDI target and reads the off-screen bitmap just before it
// is shown and dropped.
class Probe : public RenderTarget {
 public:
  RenderTarget& gdi = render_gdi_target();
  bool buffered = false;
  COLORREF centre = CLR_INVALID, far_only = CLR_INVALID;
  int client_width() override { return gdi.client_width(); }
  int client_height() override { return gdi.client_height(); }
  void set_pen(int i) override { gdi.set_pen(i); }
  int pen() override { return gdi.pen(); }
  void set_brush(int i) override { gdi.set_brush(i); }
  void set_back_colour(int i) override { gdi.set_back_colour(i); }
  void set_text_colour(int i) override { gdi.set_text_colour(i); }
  void move_to(int x, int y) override { gdi.move_to(x, y); }
  void line_to(int x, int y) override { gdi.line_to(x, y); }
  void polyline(const PolyPoint* p, int n) override { gdi.polyline(p, n); }
  void polygon(PolyPoint* p, int n, bool f) override { gdi.polygon(p, n, f); }
  void rect_outline(int l, int t, int r, int b) override { gdi.rect_outline(l, t, r, b); }
  void fill_rect(int l, int t, int r, int b, int c) override { gdi.fill_rect(l, t, r, b, c); }
  void text_out(int x, int y, const char* s) override { gdi.text_out(x, y, s); }
  void text_centred(int l, int t, int r, int b, const char* s, int c) override {
    gdi.text_centred(l, t, r, b, s, c);
  }
  bool begin_offscreen() override { return buffered = gdi.begin_offscreen(); }
  void end_offscreen() override {
    read(gfx_current_dc());
    gdi.end_offscreen();
  }
  void set_raster_op(int m) override { gdi.set_raster_op(m); }
  int raster_op() override { return gdi.raster_op(); }
  void read(HDC dc) {
    centre = GetPixel(dc, WIDTH / 2, HEIGHT / 2);
    far_only = GetPixel(dc, WIDTH / 2 + 30, HEIGHT / 2);
  }
};

class RenderWinTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = plain_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RENDER_TEST";
    RegisterClassA(&wc);
    window_.window = CreateWindowExA(0, "RENDER_TEST", "render", WS_POPUP | WS_VISIBLE, 0, 0, WIDTH,
                                     HEIGHT, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  static void TearDownTestSuite() {
    if (window_.dc) ReleaseDC(window_.window, window_.dc);
    DestroyWindow(window_.window);
    window_ = {};
  }
  void SetUp() override {
    ASSERT_TRUE(window_.window);
    gfx_init_palette();
    gfx_take_stock_objects();
    window_.right = WIDTH;
    window_.bottom = HEIGHT;
    gfx_select_window(&window_);
    obj_free_all();
    obj_reset_layers();
    view_new_drawing_defaults();
    g_view.window_width = WIDTH;
    g_view.window_height = HEIGHT;
    g_view.screen_centre_x = WIDTH / 2;
    g_view.screen_centre_y = HEIGHT / 2;
    g_view.kind = VIEW_EYE;
    g_view.eye_point = {0, 0, 0};  // looking along +x, z up
    view_set_angles();
    view_update_rotation();
    previous_ = render_set_target(&probe_);
  }
  void TearDown() override {
    render_set_target(previous_);
    obj_free_all();
    gfx_delete_objects();
    gfx_forget_window(&window_);
  }
  // A square across the view at distance x facing the eye, on the block
  // layer, which fills with the object's own colour.
  static void wall(float x, float half, uint32_t colour) {
    DrawObject* o = obj_create(0, 4, 4);
    o->kind = OBJ_KIND_FACE;
    o->layer = LAYER_BLOCK;
    o->colour = colour;
    const WorldPoint nodes[4] = {{x, -half, -half}, {x, -half, half}, {x, half, half}, {x, half, -half}};
    for (uint16_t i = 0; i < 4; ++i) {
      o->nodes[i] = nodes[i];
      o->elements[i] = ElementCode{static_cast<uint16_t>(i == 0 ? EL_START : i == 3 ? EL_CLOSE : EL_LINE), i};
    }
    obj_append(o);
  }
  static DrawWindow window_;
  Probe probe_;
  RenderTarget* previous_ = nullptr;
};
DrawWindow RenderWinTest::window_ = {};

TEST_F(RenderWinTest, NearFaceCoversTheFaceBehindItInHiddenMode) {
  wall(5, 1, 9);    // near, red, first in the list
  wall(20, 8, 14);  // far, blue, drawn later without sorting
  g_view.hidden_mode = 1;
  render_objects(g_obj_head, g_obj_tail, 1);
  ASSERT_TRUE(probe_.buffered);
  EXPECT_EQ(probe_.centre, gfx_palette_colour(9));
  EXPECT_EQ(probe_.far_only, gfx_palette_colour(14));
  // What was shown on the window is the same picture.
  EXPECT_EQ(GetPixel(window_.dc, WIDTH / 2, HEIGHT / 2), gfx_palette_colour(9));
}

TEST_F(RenderWinTest, WireframeOutlinesOnly) {
  wall(5, 1, 9);
  wall(20, 8, 14);
  g_view.hidden_mode = 0;
  render_objects(g_obj_head, g_obj_tail, 1);
  EXPECT_FALSE(probe_.buffered);
  probe_.read(window_.dc);
  EXPECT_EQ(probe_.centre, RGB(255, 255, 255));
}

}  // namespace
