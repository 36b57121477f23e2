// The record's views: balloon window, polar plot and data sheet. Each is a
// child window of the main window that runs the message loop until its
// "<-" button (or closing the main window) sets the STOP flag.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "cad/cad_state.h"
#include "cad/input_wait_win.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/render_win.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "speaker_editor/balloon_mesh.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/record_table.h"
#include "speaker_editor/record_views.h"

namespace {

constexpr int VIEW_WINDOW_ID = 10002;
constexpr int ID_BACK = 20030;
constexpr int ID_FIRST_BAND = 20031;
constexpr int ID_MODE = 20038;
constexpr int PEN_BLACK = 0;
constexpr int PEN_GREY = 5;
constexpr int PEN_HORIZONTAL = 21;
constexpr int PEN_VERTICAL = 32;
constexpr int BACKGROUND = BRUSH_STOCK_WHITE;
constexpr double DEG = 3.14159265358979323846 / 180.0;

enum ViewKindShown { SHOWN_NONE, SHOWN_BALLOON, SHOWN_POLAR, SHOWN_SHEET };

struct ViewWindow {
  DrawWindow record;
  ViewKindShown kind = SHOWN_NONE;
  bool first_paint = true;
  HWND buttons[9] = {};
};
ViewWindow g_window;

// Balloon state kept for the run.
float g_turn = -50.0f * float(DEG);
float g_tilt = -85.0f * float(DEG);
int g_band = 3;
bool g_single_view = false;
DrawObject* g_mesh = nullptr;

int client_width() { return g_window.record.right - g_window.record.left; }
int client_height() { return g_window.record.bottom - g_window.record.top; }

void measure() {
  RECT r;
  GetClientRect(g_window.record.window, &r);
  g_window.record.left = r.left;
  g_window.record.top = r.top;
  g_window.record.right = r.right;
  g_window.record.bottom = r.bottom;
}

void text(int left, int top, int right, int bottom, const char* s, UINT flags) {
  gfx_draw_text(left, top, right, bottom, s, flags | DT_SINGLELINE | DT_VCENTER | DT_NOCLIP);
}

void arial(int height, int width) { gfx_set_text_style("Arial", height, width, 0, 0, 30, 1); }

void fill_background() {
  gfx_set_brush(BACKGROUND);
  gfx_select_null_pen(1);
  gfx_fill_rect(0, 0, client_width() + 1, client_height() + 1);
  gfx_select_null_pen(0);
}

void draw_title() {
  char title[64];
  std::snprintf(title, sizeof title, "%s : %s", g_spked_current.manufacturer, g_spked_current.type_name);
  arial(18, 0);
  text(0, 10, client_width(), 30, title, DT_CENTER);
}

void circle(int cx, int cy, double radius, bool spokes, bool lead_line) {
  POINT p[73];
  for (int i = 0; i <= 72; ++i)
    p[i] = POINT{LONG(cx + std::cos(5.0 * i * DEG) * radius), LONG(cy - std::sin(5.0 * i * DEG) * radius)};
  if (lead_line) gfx_draw_line(cx, cy, p[0].x, p[0].y);
  gfx_polyline(p, 73);
  if (spokes)
    for (int i = 0; i < 72; i += 2) gfx_draw_line(cx, cy, p[i].x, p[i].y);
}

void panel_title(int x, int y, int size, int band, int font_divisor) {
  char label[48];
  std::snprintf(label, sizeof label, "%sRef: %3.1f dB", SPKED_PANEL_BAND_LABELS[band], g_spked_current.sensitivity[band]);
  gfx_set_pen(PEN_BLACK);
  RECT bar = {x, y, x + size, y + 20};
  gfx_draw_rect(&bar, 0);
  int h = size / font_divisor;
  arial(h < 8 ? 8 : h > 18 ? 18 : h, 0);
  text(x, y, x + size, y + 20, label, DT_CENTER);
}

// ---- balloon ----

void draw_mesh(int kind, int cx, int cy, float scale) {
  ViewState saved = g_view;
  g_view.kind = int16_t(kind);
  if (kind == VIEW_3D) {
    g_view.angle_a = g_tilt;
    g_view.angle_b = g_turn;
  } else {
    view_set_angles();
  }
  view_update_rotation();
  g_view.scale = scale;
  g_view.aspect = 1.0f;
  g_view.centre_x = g_view.centre_y = 0.0f;
  g_view.screen_centre_x = float(cx);
  g_view.screen_centre_y = float(cy);
  g_view.hidden_mode = 1;
  RenderTarget* previous = render_set_target(&render_gdi_target());
  gfx_set_pen(PEN_HORIZONTAL);
  render_objects(g_mesh, g_mesh, 0);
  render_set_target(previous);
  g_view = saved;
}

void level_circles(int cx, int cy, double k, bool front) {
  for (int j = 1; j <= 6; ++j) {
    gfx_set_pen(j % 2 ? PEN_GREY : PEN_BLACK);
    circle(cx, cy, j * 25 * k, j == 6, false);
  }
  double r = 150 * k;
  arial(12, 0);
  text(int(cx - r - 40), cy - 8, int(cx - r - 2), cy + 8, front ? "-90°" : "180°", DT_RIGHT);
  text(int(cx + r + 2), cy - 8, int(cx + r + 40), cy + 8, front ? "+90°" : "0°", DT_LEFT);
  text(cx - 20, int(cy - r - 16), cx + 20, int(cy - r), "+90°", DT_CENTER);
  text(cx - 20, int(cy + r), cx + 20, int(cy + r + 16), "-90°", DT_CENTER);
}

void paint_four_panels(bool full) {
  int s = (client_height() - 48) / 2;
  if (s < 40) return;
  double k = (s / 2.0 - 32) / 150.0;
  static const char* const names[4] = {"Horiz.", "Vert.", "Front", "3D"};
  static const int kinds[4] = {VIEW_XY, VIEW_XZ, VIEW_YZ, VIEW_3D};
  int x0 = (client_width() - 2 * s) / 2;
  for (int i = 0; i < 4; ++i) {
    int x = x0 + (i % 2) * s, y = 24 + (i / 2) * s;
    if (!full) {
      gfx_set_brush(BACKGROUND);
      gfx_select_null_pen(1);
      gfx_fill_rect(x + 1, y + 21, x + s, y + s);
      gfx_select_null_pen(0);
    }
    panel_title(x, y, s, g_band, 16);
    int cx = x + s / 2, cy = y + 20 + (s - 20) / 2;
    if (i < 3) level_circles(cx, cy, k, i == 2);
    arial(12, 0);
    text(x + 4, y + 22, x + 80, y + 38, names[i], DT_LEFT);
    draw_mesh(kinds[i], cx, cy, float(k));
  }
  int y = 24 + 2 * s + 4;
  gfx_set_pen(PEN_BLACK);
  gfx_draw_line(x0, y + 6, x0 + 30, y + 6);
  text(x0 + 36, y, x0 + 200, y + 12, "-0/-10/-20 dB", DT_LEFT);
  gfx_set_pen(PEN_GREY);
  gfx_draw_line(x0 + 220, y + 6, x0 + 250, y + 6);
  text(x0 + 256, y, x0 + 420, y + 12, "-5/-15/-25 dB", DT_LEFT);
}

// The axis cross as a small figure in the lower left corner, turned with
// the balloon: the drawing window's 3D legend at the balloon's angles.
void draw_axis_edges() {
  ViewState saved = g_view;
  g_view.kind = VIEW_3D;
  g_view.angle_a = g_tilt;
  g_view.angle_b = g_turn;
  view_update_rotation();
  RenderTarget* previous = render_set_target(&render_gdi_target());
  render_axis_legend();
  render_set_target(previous);
  g_view = saved;
}

void paint_single_view(bool full) {
  int s = client_height() - 48;
  if (s < 40) return;
  int x = (client_width() - s) / 2;
  if (!full) {
    gfx_set_brush(BACKGROUND);
    gfx_select_null_pen(1);
    gfx_fill_rect(x + 1, 45, x + s, 24 + s);
    gfx_fill_rect(0, client_height() - 90, 90, client_height());
    gfx_select_null_pen(0);
  }
  panel_title(x, 24, s, g_band, 30);
  arial(12, 0);
  text(x + 4, 46, x + 80, 62, "3D", DT_LEFT);
  draw_mesh(VIEW_3D, x + s / 2, 24 + 20 + (s - 20) / 2, float((s / 2.0 - 32) / 150.0));
  draw_axis_edges();
}

void paint_balloon(bool full) {
  if (full) {
    spked_build_balloon_mesh(g_mesh, g_spked_current, g_band);
    fill_background();
    draw_title();
  }
  if (g_single_view)
    paint_single_view(full);
  else
    paint_four_panels(full);
}

void create_balloon_buttons() {
  static const char* const labels[7] = {"125", "250", "500", "1k", "2k", "4k", "8k"};
  g_window.buttons[0] = win_create_button("<-", 0, 24, 32, 32, ID_BACK);
  for (int i = 0; i < 7; ++i) g_window.buttons[1 + i] = win_create_button(labels[i], 0, 56 + 32 * i, 32, 32, ID_FIRST_BAND + i);
  g_window.buttons[8] = win_create_button(g_single_view ? "3D-" : "3D+", 0, 280, 32, 32, ID_MODE);
}

void set_scroll_positions() {
  SetScrollPos(g_window.record.window, SB_HORZ, int(g_turn * 100), TRUE);
  SetScrollPos(g_window.record.window, SB_VERT, int(g_tilt * 100), TRUE);
}

void balloon_command(int id) {
  if (id == ID_BACK) {
    g_abort_flag = 1;
  } else if (id >= ID_FIRST_BAND && id < ID_FIRST_BAND + 7) {
    g_band = id - ID_FIRST_BAND;
    paint_balloon(true);
  } else if (id == ID_MODE) {
    g_single_view = !g_single_view;
    SetWindowTextA(g_window.buttons[8], g_single_view ? "3D-" : "3D+");
    paint_balloon(true);
  }
}

// ---- polar plot ----

void polar_panel(int x, int y, int s, int band) {
  double k = (s / 2.0 - 32) / 225.0;
  panel_title(x, y, s, band, 12);
  int cx = x + s / 2, cy = y + 20 + (s - 20) / 2;
  for (int j = 1; j <= 8; ++j) {
    gfx_set_pen(j % 2 ? PEN_GREY : PEN_BLACK);
    circle(cx, cy, (25 * j + 25) * k, j == 8, j == 8);
  }
  double r = 225 * k;
  gfx_set_text_style("Arial", 10, 6, 0, 0, 30, 1);
  text(cx - 20, int(cy - r - 12), cx + 20, int(cy - r), "0°", DT_CENTER);
  text(cx - 20, int(cy + r), cx + 20, int(cy + r + 12), "180°", DT_CENTER);
  text(int(cx - r - 30), cy - 6, int(cx - r - 1), cy + 6, "+90°", DT_RIGHT);
  text(int(cx + r + 1), cy - 6, int(cx + r + 30), cy + 6, "-90°", DT_LEFT);
  struct Plane {
    int pen, left, right;
  } planes[2] = {{PEN_HORIZONTAL, 36, 0}, {PEN_VERTICAL, 18, 54}};
  for (const Plane& p : planes) {
    std::vector<PlotPoint> curve = spked_polar_curve(g_spked_current, band, p.left, p.right, cx, cy, k);
    std::vector<POINT> points;
    for (const PlotPoint& q : curve) points.push_back(POINT{LONG(std::lround(q.x)), LONG(std::lround(q.y))});
    gfx_set_pen(p.pen);
    gfx_polyline(points.data(), int(points.size()));
  }
}

void paint_polar() {
  fill_background();
  draw_title();
  int s = (client_width() - 16) / 4;
  if (s < 40) return;
  int x0 = (client_width() - 4 * s) / 2;
  for (int band = 0; band < 7; ++band) polar_panel(x0 + (band % 4) * s, 40 + (band / 4) * s, s, band);
  int x = x0 + 3 * s + 16, y = 40 + s + 40;
  struct Legend {
    int pen;
    const char* label;
  } legend[4] = {{PEN_HORIZONTAL, "Hor."}, {PEN_VERTICAL, "Vert."}, {PEN_BLACK, "-0/-10/-20 dB"}, {PEN_GREY, "-5/-15/-25 dB"}};
  arial(12, 0);
  for (int i = 0; i < 4; ++i) {
    gfx_set_pen(legend[i].pen);
    gfx_draw_line(x, y + 20 * i + 6, x + 30, y + 20 * i + 6);
    text(x + 36, y + 20 * i, x + s, y + 20 * i + 12, legend[i].label, DT_LEFT);
  }
}

// ---- data sheet ----

void cell(int left, int top, int width, int height, const std::string& s, UINT align) {
  RECT r = {left, top, left + width, top + height};
  gfx_set_pen(PEN_BLACK);
  gfx_draw_rect(&r, 0);
  text(left + 3, top, left + width - 3, top + height, s.c_str(), align);
}

void paint_sheet() {
  fill_background();
  // The title takes a row of its own above the 16 rows of the table.
  int c = (client_width() - 16) / 12, h = (client_height() - 16) / 17;
  if (c < 8 || h < 8) return;
  arial(h - 5, c / 6);
  int y0 = (client_height() - 17 * h) / 2 + h, x0 = (client_width() - 12 * c) / 2;
  text(0, y0 - h, client_width(), y0, "Orvante Lautsprecher Datenblatt", DT_CENTER);
  std::vector<SheetRow> rows = spked_data_sheet_rows(g_spked_current);
  for (size_t i = 0; i < rows.size(); ++i) {
    const SheetRow& row = rows[i];
    int y = y0 + int(i) * h;
    if (row.label.empty()) continue;
    cell(x0, y, 5 * c, h, row.label, DT_LEFT);
    if (row.values.size() == 1) {
      cell(x0 + 5 * c, y, 7 * c, h, row.values[0], row.label == "Kommentar" ? DT_LEFT : DT_CENTER);
    } else {
      for (size_t b = 0; b < row.values.size(); ++b) cell(x0 + 5 * c + int(b) * c, y, c, h, row.values[b], DT_RIGHT);
    }
  }
}

// ---- shared ----

void paint(bool full) {
  DrawWindow* previous = gfx_current_window();
  gfx_select_window(&g_window.record);
  switch (g_window.kind) {
    case SHOWN_BALLOON: paint_balloon(full); break;
    case SHOWN_POLAR: paint_polar(); break;
    case SHOWN_SHEET: paint_sheet(); break;
    default: break;
  }
  gfx_reset_text_style();
  if (previous) gfx_select_window(previous);
}

void destroy_buttons() {
  for (HWND& b : g_window.buttons)
    if (b) {
      DestroyWindow(b);
      b = nullptr;
    }
}

void on_paint(HWND window) {
  ValidateRect(window, nullptr);
  if (IsIconic(win_main_window()) || print_is_printing()) return;
  measure();
  if (g_window.first_paint) {
    g_window.first_paint = false;
    if (g_window.kind == SHOWN_BALLOON) {
      create_balloon_buttons();
      g_band = 3;
      SetScrollRange(window, SB_HORZ, -314, 314, FALSE);
      SetScrollRange(window, SB_VERT, -314, 0, FALSE);
      set_scroll_positions();
    } else {
      g_window.buttons[0] = win_create_button("<-", 0, 24, 32, 32, ID_BACK);
    }
    UpdateWindow(win_main_window());
  }
  paint(true);
}

void on_scroll(UINT message, WPARAM wparam) {
  if (g_window.kind != SHOWN_BALLOON) return;
  int code = LOWORD(wparam);
  int position = short(HIWORD(wparam));
  int shown = code == SB_THUMBTRACK || code == SB_THUMBPOSITION ? SPKED_THUMB : code;
  if (shown > SPKED_PAGE_ON && shown != SPKED_THUMB) return;
  bool repaint = true;
  if (message == WM_HSCROLL)
    g_turn = spked_balloon_turn(g_turn, shown, position);
  else
    g_tilt = spked_balloon_tilt(g_tilt, shown, position, &repaint);
  if (repaint) paint(false);
  set_scroll_positions();
}

LRESULT view_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      on_paint(window);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == ID_BACK)
        g_abort_flag = 1;
      else if (g_window.kind == SHOWN_BALLOON)
        balloon_command(LOWORD(wparam));
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      on_scroll(message, wparam);
      return 0;
    case WM_SETCURSOR:
      win_arrow_cursor();
      return TRUE;
    case WM_DESTROY:
      destroy_buttons();
      win_unregister_child_window(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wparam, lparam);
  }
}

void run_view(ViewKindShown kind, DWORD style, int width_less, int height_less, const char* failure) {
  DrawWindow* main = win_main_record();
  int width = main->right - main->left - width_less, height = main->bottom - main->top - height_less;
  HWND window = win_create_child(nullptr, WS_BORDER | style, 32, 24, width, height, VIEW_WINDOW_ID);
  if (!window) {
    ui_message_box(failure, nullptr, UI_MB_OK);
    return;
  }
  g_window.record = DrawWindow{};
  g_window.record.window = window;
  g_window.record.hscroll = (style & WS_HSCROLL) ? 1 : 0;
  g_window.record.vscroll = (style & WS_VSCROLL) ? 1 : 0;
  g_window.kind = kind;
  g_window.first_paint = true;
  win_register_child_window(window, view_window_proc);
  measure();
  gfx_select_window(&g_window.record);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  g_abort_flag = 0;
  while (!g_abort_flag && win_main_window()) input_wait_event();
  // Ended with the program, the window went with the main window; nothing
  // of it may route messages of a later start in the same process.
  const bool program_ended = !win_main_window();
  if (!program_ended) {
    gfx_select_window(main);
    DestroyWindow(window);
  }
  gfx_forget_window(&g_window.record);
  g_window = ViewWindow{};
  if (program_ended) return;
  g_abort_flag = 0;
  g_finish_flag = 0;
  InvalidateRect(win_main_window(), nullptr, TRUE);
}

}  // namespace

HWND spked_view_window() { return g_window.kind != SHOWN_NONE ? g_window.record.window : nullptr; }

void spked_repaint_view_window() {
  if (spked_view_window()) paint(true);
}

void spked_open_balloon_window() {
  g_single_view = false;
  g_mesh = spked_create_balloon_mesh();
  if (!g_mesh) return;
  run_view(SHOWN_BALLOON, WS_HSCROLL | WS_VSCROLL, 32, 24, "Balloon-Fenster kann nicht erzeugt werden");
  obj_free(g_mesh);
  g_mesh = nullptr;
}

void spked_open_polar_window() { run_view(SHOWN_POLAR, 0, 64, 48, "Polarplot-Fenster kann nicht erzeugt werden"); }

void spked_open_data_sheet_window() { run_view(SHOWN_SHEET, 0, 64, 48, "Datenfenster kann nicht erzeugt werden"); }

int spked_balloon_band() { return g_band; }
bool spked_balloon_single_view() { return g_single_view; }
const DrawObject* spked_balloon_mesh() { return g_mesh; }
