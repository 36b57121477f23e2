#include "acoustics/rt60_window_win.h"

#include "acoustics/result_window_win.h"
#include "acoustics/rt60.h"
#include "acoustics/rt60_chart.h"
#include "cad/cad_state.h"
#include "cad/view.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int SIDE_BUTTON_SIZE = 32;
constexpr int BOTTOM_BUTTON_WIDTH = 80;
constexpr int BOTTOM_BUTTON_HEIGHT = 20;
constexpr int BOTTOM_BUTTON_FROM_BOTTOM = 22;
constexpr int METHOD_BUTTONS = 4;
constexpr int COLOUR_BLACK = 0;
constexpr int COLOUR_GRID = 5;
constexpr int COLOUR_WHITE = 30;
constexpr int TEXT_HEIGHT = 14;
constexpr int TITLE_HEIGHT = 24;
constexpr int TEXT_BOX = 400;  // room either side of a text's anchor
constexpr int POINT_BOX = 2;   // half the 4 x 4 box at a curve's points
constexpr UINT MSG_WARN = WM_APP + 17;
constexpr const char* MSG_NO_WINDOW = "RT60-Fenster kann nicht erzeugt werden";
constexpr const char* MSG_UNREALISTIC = "Werteingabe unrealistisch";
constexpr const char* CAPTION_UNREALISTIC = "Bitte korrigieren";
const char* const METHOD_LABELS[METHOD_BUTTONS] = {"Sa", "Ey", "Fi", "M"};

struct Rt60WindowState {
  ResultWindow result;
  HWND close_button, print_button, copy_button;
  HWND method_buttons[METHOD_BUTTONS];
  int painting;
  int printing;
  int warned;           // "Werteingabe unrealistisch" shown for the current input
};
Rt60WindowState g_rt = {};
Rt60EditHook g_edit_hook = nullptr;

RECT main_client() {
  RECT r{0, 0, 0, 0};
  GetClientRect(win_main_window(), &r);
  return r;
}

int bottom_button_y() { return main_client().bottom - BOTTOM_BUTTON_FROM_BOTTOM; }
int bottom_button_x(int index) { return main_client().right / 2 - BOTTOM_BUTTON_WIDTH + BOTTOM_BUTTON_WIDTH * index; }

void create_buttons(int top_margin) {
  g_rt.close_button = win_create_button("<-", 0, top_margin, SIDE_BUTTON_SIZE, SIDE_BUTTON_SIZE, RT60_ID_CLOSE);
  for (int i = 0; i < METHOD_BUTTONS; ++i)
    g_rt.method_buttons[i] = win_create_button(METHOD_LABELS[i], 0, top_margin + SIDE_BUTTON_SIZE * (i + 1),
                                               SIDE_BUTTON_SIZE, SIDE_BUTTON_SIZE, RT60_ID_METHOD_FIRST + i);
  int y = bottom_button_y();
  g_rt.print_button = win_create_button("DRUCKEN", bottom_button_x(0), y, BOTTOM_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, RT60_ID_PRINT);
  g_rt.copy_button = win_create_button("KOPIE", bottom_button_x(1), y, BOTTOM_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, RT60_ID_COPY);
}

void destroy_buttons() {
  result_destroy_button(g_rt.close_button);
  result_destroy_button(g_rt.print_button);
  result_destroy_button(g_rt.copy_button);
  for (HWND& b : g_rt.method_buttons) result_destroy_button(b);
}

// The window covers the drawing area of the main window; the two bottom
// buttons stay centred under it.
void fit_to_main_window() {
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  RECT main = main_client();
  int width = main.right - left - right, height = main.bottom - top - bottom;
  MoveWindow(g_rt.result.window, left, top, width > 1 ? width : 1, height > 1 ? height : 1, FALSE);
  int y = bottom_button_y();
  if (g_rt.print_button) MoveWindow(g_rt.print_button, bottom_button_x(0), y, BOTTOM_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, TRUE);
  if (g_rt.copy_button) MoveWindow(g_rt.copy_button, bottom_button_x(1), y, BOTTOM_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, TRUE);
}

// --- drawing -------------------------------------------------------------

void draw_text(const Rt60ChartText& t) {
  gfx_set_text_style("Arial", t.large ? TITLE_HEIGHT : TEXT_HEIGHT, 0, 0, t.colour, COLOUR_WHITE, TRANSPARENT);
  const int height = t.large ? TITLE_HEIGHT + 4 : TEXT_HEIGHT + 4;
  const UINT flags = DT_SINGLELINE | DT_NOCLIP | DT_TOP;
  switch (t.align) {
    case RT60_ALIGN_LEFT: gfx_draw_text(t.x, t.y, t.x + 2 * TEXT_BOX, t.y + height, t.text.c_str(), flags | DT_LEFT); break;
    case RT60_ALIGN_RIGHT: gfx_draw_text(t.x - 2 * TEXT_BOX, t.y, t.x, t.y + height, t.text.c_str(), flags | DT_RIGHT); break;
    default: gfx_draw_text(t.x - TEXT_BOX, t.y, t.x + TEXT_BOX, t.y + height, t.text.c_str(), flags | DT_CENTER); break;
  }
}

void draw_curve(const Rt60Chart& chart, const int y[RT60_BANDS], int colour) {
  POINT points[RT60_BANDS];
  for (int b = 0; b < RT60_BANDS; ++b) points[b] = POINT{chart.band_x[b], y[b]};
  gfx_set_pen(colour);
  gfx_set_brush(colour);
  gfx_polyline(points, RT60_BANDS);
  for (const POINT& p : points) {
    RECT box{p.x - POINT_BOX, p.y - POINT_BOX, p.x + POINT_BOX - 1, p.y + POINT_BOX - 1};
    gfx_draw_rect(&box, 1);
  }
}

void draw_chart(const Rt60Chart& chart, int width, int height) {
  gfx_set_pen(COLOUR_WHITE);
  gfx_set_brush(COLOUR_WHITE);
  gfx_fill_rect(0, 0, width, height);
  gfx_set_pen(COLOUR_GRID);
  for (int y : chart.line_y) gfx_draw_line(chart.left, y, chart.right, y);
  gfx_set_pen(COLOUR_BLACK);
  RECT frame{chart.left, chart.top, chart.right, chart.bottom};
  gfx_draw_rect(&frame, 0);
  draw_curve(chart, chart.time_y, RT60_COLOUR_WITH_AIR);
  draw_curve(chart, chart.no_air_y, RT60_COLOUR_NO_AIR);
  for (const Rt60ChartText& t : chart.texts) draw_text(t);
}

// Calculates with the current method, draws, and keeps the result for the
// room's later users.
void paint() {
  if (!g_rt.result.window) return;
  g_rt.painting = 1;
  DrawWindow* previous = gfx_select_window(&g_rt.result.record);
  RECT client{0, 0, 0, 0};
  GetClientRect(g_rt.result.window, &client);
  g_rt.result.record.right = client.right;
  g_rt.result.record.bottom = client.bottom;
  Rt60Result result;
  rt60_calculate(g_rt60_method, result);
  Rt60Closure closure;
  rt60_check_closure(closure);
  Rt60Chart chart;
  rt60_layout_chart(result, closure, client.right, client.bottom, g_unit_feet != 0, g_view.comment, chart);
  draw_chart(chart, client.right, client.bottom);
  gfx_reset_text_style();
  rt60_keep_result(result);
  if (previous && previous != &g_rt.result.record) gfx_select_window(previous);
  g_rt.painting = 0;
  // Told once per input, after the painting: a box over the window would
  // otherwise bring the next paint and the next box.
  if (result.unrealistic && !g_rt.warned) {
    g_rt.warned = 1;
    PostMessageA(g_rt.result.window, MSG_WARN, 0, 0);
  }
}

// --- controls ------------------------------------------------------------

void set_method(int method) {
  if (method != g_rt60_method) g_rt.warned = 0;
  g_rt60_method = static_cast<int16_t>(method);
  paint();
}

void copy_to_clipboard() { result_window_copy(g_rt.result.record); }

// The window as it stands, printed as a bitmap.
void print_window() { result_window_print(g_rt.result.record, g_rt.printing); }

void act_on_control(int id) {
  switch (id) {
    case RT60_ID_CLOSE: g_abort_flag = 1; break;
    case RT60_ID_PRINT: print_window(); break;
    case RT60_ID_COPY: copy_to_clipboard(); break;
    case RT60_ID_METHOD_FIRST + RT60_MEASURED:
      if (rt60_edit_measured()) {
        g_rt.warned = 0;
        set_method(RT60_MEASURED);
      }
      break;
    default:
      if (id >= RT60_ID_METHOD_FIRST && id < RT60_ID_METHOD_FIRST + RT60_MEASURED) set_method(id - RT60_ID_METHOD_FIRST);
      break;
  }
}

bool open_window() {
  if (!result_window_open(g_rt.result, RT60_WINDOW_ID, rt60_window_proc, MSG_NO_WINDOW)) return false;
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  g_rt.warned = 0;
  create_buttons(top);
  gfx_select_window(&g_rt.result.record);
  SetFocus(win_main_window());
  return true;
}

void close_window() {
  destroy_buttons();
  result_window_close(g_rt.result);
}

}  // namespace

void rt60_set_edit_hook(Rt60EditHook hook) { g_edit_hook = hook; }

int rt60_edit_measured() {
  if (!g_edit_hook) return 1;
  double times[RT60_BANDS];
  for (int b = 0; b < RT60_BANDS; ++b) times[b] = g_rt60_measured[b];
  if (!g_edit_hook(times)) return 0;
  for (int b = 0; b < RT60_BANDS; ++b) {
    if (times[b] != g_rt60_measured[b]) g_modified = 1;
    g_rt60_measured[b] = times[b];
  }
  return 1;
}

void rt60_show_window(int method) {
  g_rt60_method = static_cast<int16_t>(method >= RT60_SABINE && method <= RT60_MEASURED ? method : RT60_SABINE);
  if (g_rt.result.window || !win_main_window()) return;
  int16_t running = g_running_command;
  if (running == 0) g_running_command = static_cast<int16_t>(5010 + g_rt60_method);  // the wait only returns while a command runs
  if (open_window()) {
    paint();
    result_window_run(g_rt.result, act_on_control);
    close_window();
  }
  g_running_command = running;
}

void rt60_paint() { paint(); }

LRESULT rt60_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      result_window_take_command(g_rt.result, wparam);
      return 0;
    case MSG_WARN:
      ui_message_box(MSG_UNREALISTIC, CAPTION_UNREALISTIC, UI_MB_OK | UI_MB_ICONEXCLAMATION);
      return 0;
    case WM_PAINT:
      ValidateRect(window, nullptr);
      if (g_rt.painting || g_rt.printing || print_is_printing() || IsIconic(win_main_window()) ||
          window != g_rt.result.window)
        return 0;
      fit_to_main_window();
      paint();
      return 0;
    default:
      return result_window_default_message(window, message, wparam, lparam);
  }
}

HWND rt60_window() { return g_rt.result.window; }

HWND rt60_control(int id) {
  if (id == RT60_ID_CLOSE) return g_rt.close_button;
  if (id == RT60_ID_PRINT) return g_rt.print_button;
  if (id == RT60_ID_COPY) return g_rt.copy_button;
  if (id >= RT60_ID_METHOD_FIRST && id < RT60_ID_METHOD_FIRST + METHOD_BUTTONS)
    return g_rt.method_buttons[id - RT60_ID_METHOD_FIRST];
  return nullptr;
}
