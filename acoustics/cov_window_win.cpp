#include "acoustics/cov_window_win.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "acoustics/cov_export.h"
#include "acoustics/cov_legend.h"
#include "acoustics/cov_values.h"
#include "acoustics/coverage.h"
#include "acoustics/result_window_win.h"
#include "acoustics/rt60.h"
#include "acoustics/sti.h"
#include "cad/input_wait_win.h"
#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/render.h"
#include "cad/render_win.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "project/calc_options.h"
#include "project/map_file.h"
#include "project/project_file.h"

CovReflectionHook cov_reflection_hook = nullptr;
const char* g_cov_top_text = "Orvante Planning Engine ";

namespace {

constexpr int BUTTON_SIZE = 32;
constexpr int MODE_BUTTON_WIDTH = 48;
constexpr int BOTTOM_BUTTON_HEIGHT = 18;
constexpr int SCALE_BUTTON_X = 328;
constexpr int SCALE_BUTTON_WIDTH = 40;
constexpr int PRINT_BUTTON_X = 496;
constexpr int CLEAR_BUTTON_X = 576;
constexpr int TEXT_BUTTON_WIDTH = 80;
constexpr int PANEL_WIDTH = 75;
constexpr int STRIP_HEIGHT = 20;
constexpr int FIT_MARGIN_RIGHT = 80;
constexpr int FIT_MARGIN_TOP = 20;
constexpr int DESCRIPTION_HEIGHT = 17;
constexpr int LEGEND_TOP = 26;
constexpr int LEGEND_ROW_HEIGHT = 13;
constexpr int LEGEND_FROM_RIGHT = 64;
constexpr int COLOUR_BLACK = 0;
constexpr int COLOUR_WHITE = 30;
constexpr int16_t SHAPE_ZOOM_BOX = 3;  // cursor of the interactive zoom
constexpr const char* MSG_NO_WINDOW = "Berechnungsfenster kann nicht erzeugt werden";
constexpr const char* MSG_NO_REFLECTIONS = "Reflexionsberechnung am Punkt: noch nicht verfügbar";
const char* const BAND_LABELS[8] = {"125", "250", "500", " 1k", " 2k", " 4k", " 8k", "\xF8"};
const char* const BAND_ROW_LABELS[7] = {"125", "250", "500", " 1k", " 2k", " 4k", " 8k"};
constexpr double BAND_HZ[7] = {125, 250, 500, 1000, 2000, 4000, 8000};

struct CovWindowState {
  HWND window;
  DrawWindow record;
  HWND close_button, print_button, clear_button;
  HWND band_buttons[8];
  HWND mode_buttons[COV_MODE_BUTTONS];
  HWND scale_buttons[COV_SCALE_BUTTONS];
  int mode_button_count;
  int fit_pending;       // the next drawing fits the model into the window
  int drawing;           // a drawing is in progress
  int printing;
  int monochrome;        // print with the pattern brushes
  int pending_command;   // button id forwarded to the window, 0 = none
  int reflection_running;
  int log_failure_told;  // a failed single-points log is told once per drawing or pick
  ViewState saved_view;  // the drawing window's view, given back on closing
};
CovWindowState g_cov = {};

int16_t& display_mode() { return g_calc_options.display_mode; }
int16_t& scale_index() { return g_calc_options.scale_index; }
int16_t& band_index() { return g_calc_options.band; }

bool is_all_bands() { return band_index() < 0 || band_index() >= COV_BANDS; }

bool model_has_room_surfaces() {
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == LAYER_ROOM && (o->kind & OBJ_KIND_SURFACE_MASK)) return true;
  return false;
}

uint32_t grid_point_count() {
  return g_coverage_grid.point_count > MAX_GRID_POINTS ? MAX_GRID_POINTS : g_coverage_grid.point_count;
}

int main_client_height() {
  RECT r{0, 0, 0, 0};
  GetClientRect(win_main_window(), &r);
  return r.bottom;
}

HWND drawing_hwnd() {
  DrawWindow* w = view_drawing_window();
  return w ? w->window : win_drawing_window();
}

// The pressed look: the check-box style long enough to set the check.
void set_pressed(HWND button, bool pressed) {
  if (!button) return;
  SendMessageA(button, BM_SETSTYLE, BS_AUTOCHECKBOX, FALSE);
  SendMessageA(button, BM_SETCHECK, pressed ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
}

void press_only(HWND* buttons, int count, int pressed) {
  for (int i = 0; i < count; ++i) set_pressed(buttons[i], i == pressed);
}

void show_current_buttons() {
  press_only(g_cov.band_buttons, 8, is_all_bands() ? 7 : band_index());
  press_only(g_cov.scale_buttons, COV_SCALE_BUTTONS, scale_index() + 1);
  press_only(g_cov.mode_buttons, g_cov.mode_button_count,
             cov_mode_button_of(display_mode(), g_cov.mode_button_count));
}

void set_scale_labels() {
  for (int i = 0; i < COV_SCALE_BUTTONS; ++i)
    if (g_cov.scale_buttons[i]) SetWindowTextA(g_cov.scale_buttons[i], cov_scale_label(display_mode(), i));
}

// The buttons carry the small dialog font: in the system font "--> exp"
// does not fit its 48 pixels.
HWND make_button(const char* text, int x, int y, int width, int height, int id) {
  HWND button = win_create_button(text, x, y, width, height, id);
  if (!button) {
    OutputDebugStringA("coverage window: button not created\n");
    return nullptr;
  }
  SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  return button;
}

void create_buttons(int top_margin, int left_margin) {
  int y_bottom = main_client_height() - 22;
  g_cov.close_button = make_button("<-", 0, top_margin, BUTTON_SIZE, BUTTON_SIZE, COV_ID_CLOSE);
  for (int i = 0; i < 8; ++i) {
    const char* label = g_band_speaker_counts[i] ? BAND_LABELS[i] : "";
    g_cov.band_buttons[i] = make_button(label, 0, top_margin + BUTTON_SIZE + BUTTON_SIZE * i, BUTTON_SIZE,
                                        BUTTON_SIZE, COV_ID_BAND_FIRST + i);
  }
  for (int i = 0; i < g_cov.mode_button_count; ++i)
    g_cov.mode_buttons[i] = make_button(COV_MODE_LABELS[i], left_margin + MODE_BUTTON_WIDTH * i, y_bottom,
                                        MODE_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, COV_ID_MODE_FIRST + i);
  for (int i = 0; i < COV_SCALE_BUTTONS; ++i)
    g_cov.scale_buttons[i] = make_button(cov_scale_label(display_mode(), i), SCALE_BUTTON_X + SCALE_BUTTON_WIDTH * i,
                                         y_bottom, SCALE_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, COV_ID_SCALE_FIRST + i);
  g_cov.print_button = make_button("DRUCKEN", PRINT_BUTTON_X, y_bottom, TEXT_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, COV_ID_PRINT);
  g_cov.clear_button = make_button("Löschen", CLEAR_BUTTON_X, y_bottom, TEXT_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, COV_ID_CLEAR);
  if (g_cov.clear_button) ShowWindow(g_cov.clear_button, g_map_pick_count > 0 ? SW_SHOW : SW_HIDE);
}

void destroy_button(HWND& button) {
  if (button) DestroyWindow(button);
  button = nullptr;
}

void destroy_buttons() {
  destroy_button(g_cov.close_button);
  destroy_button(g_cov.print_button);
  destroy_button(g_cov.clear_button);
  for (HWND& b : g_cov.band_buttons) destroy_button(b);
  for (HWND& b : g_cov.mode_buttons) destroy_button(b);
  for (HWND& b : g_cov.scale_buttons) destroy_button(b);
}

// Window and bottom buttons follow the main window's size.
void layout_window() {
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  RECT main{0, 0, 0, 0};
  GetClientRect(win_main_window(), &main);
  int width = main.right - left - right, height = main.bottom - top - bottom;
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  MoveWindow(g_cov.window, left, top, width, height, FALSE);
  int y_bottom = main.bottom - 22;
  for (int i = 0; i < g_cov.mode_button_count; ++i)
    if (g_cov.mode_buttons[i]) MoveWindow(g_cov.mode_buttons[i], left + MODE_BUTTON_WIDTH * i, y_bottom, MODE_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, TRUE);
  for (int i = 0; i < COV_SCALE_BUTTONS; ++i)
    if (g_cov.scale_buttons[i]) MoveWindow(g_cov.scale_buttons[i], SCALE_BUTTON_X + SCALE_BUTTON_WIDTH * i, y_bottom, SCALE_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, TRUE);
  if (g_cov.print_button) MoveWindow(g_cov.print_button, PRINT_BUTTON_X, y_bottom, TEXT_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, TRUE);
  if (g_cov.clear_button) MoveWindow(g_cov.clear_button, CLEAR_BUTTON_X, y_bottom, TEXT_BUTTON_WIDTH, BOTTOM_BUTTON_HEIGHT, TRUE);
}

void measure_window() {
  RECT client{0, 0, 0, 0};
  GetClientRect(g_cov.window, &client);
  g_cov.record.left = 0;
  g_cov.record.top = 0;
  g_cov.record.right = client.right;
  g_cov.record.bottom = client.bottom;
}

// The view maps into the window less the legend panel and the top strip;
// when the fit flag is set the whole model is fitted into that area first.
void layout_view() {
  int area_w = g_cov.record.right - FIT_MARGIN_RIGHT, area_h = g_cov.record.bottom - FIT_MARGIN_TOP;
  if (area_w < 1) area_w = 1;
  if (area_h < 1) area_h = 1;
  g_view.window_width = area_w;
  g_view.window_height = area_h;
  g_view.screen_centre_x = static_cast<float>(area_w / 2);
  g_view.screen_centre_y = static_cast<float>(FIT_MARGIN_TOP + area_h / 2);
  view_set_angles();
  view_update_rotation();
  if (!g_cov.fit_pending || !g_obj_head) return;
  g_cov.fit_pending = 0;
  view_fit_into(view_scene_fit_extents(), area_w, area_h, 0.95f, 0);
}

void label_point(int point, bool write_single_points);

// --- drawing -------------------------------------------------------------

void fill_cell(const POINT* corners, int colour) {
  if (g_cov.monochrome) {
    gfx_set_brush(colour - COV_COLOUR_BOTTOM);
    gfx_fill_polygon_pattern(corners, 4);
  } else {
    gfx_set_brush(colour);
    gfx_fill_polygon(corners, 4);
  }
}

void fill_swatch(int left, int top, int right, int bottom, int colour) {
  if (g_cov.monochrome) {
    gfx_set_brush(colour - COV_COLOUR_BOTTOM);
    gfx_fill_rect_pattern(left, top, right, bottom);
  } else {
    gfx_set_brush(colour);
    gfx_fill_rect(left, top, right, bottom);
  }
}

// The cell of a grid point: the square of the half spacing round it, each
// corner lifted onto the point's listener-area plane.
void draw_cell(const GridPoint& p, int colour) {
  const float h = g_grid_half_spacing;
  const float dx[4] = {-h, h, h, -h}, dy[4] = {-h, -h, h, h};
  POINT corners[4];
  for (int i = 0; i < 4; ++i) {
    float x = p.x + dx[i], y = p.y + dy[i];
    view_project_point(WorldPoint{x, y, cov_plane_z(p, x, y)});
    corners[i] = POINT{view_screen_points()[0].x, view_screen_points()[0].y};
  }
  fill_cell(corners, colour);
}

void draw_speakers() {
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == LAYER_SPEAKER) render_objects(o, o, 0);
}

void text_at(int x, int y, const char* text) { gfx_text_out(x, y, text); }

void draw_frame(int width, int height) {
  gfx_set_pen(COLOUR_BLACK);
  gfx_set_brush(COLOUR_WHITE);
  RECT strip{0, 0, width - 1, STRIP_HEIGHT};
  gfx_draw_rect(&strip, 1);
  RECT panel{width - PANEL_WIDTH, STRIP_HEIGHT, width - 1, height - 1};
  gfx_draw_rect(&panel, 1);
  HDC dc = gfx_current_dc();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  text_at(8, 4, g_cov_top_text);
  int length = static_cast<int>(std::strlen(g_project_path));
  text_at(width / 2 - 4 * length, 4, g_project_path);
}

void panel_line(int x, int y, const char* text) {
  gfx_draw_text(x, y, x + PANEL_WIDTH, y + 16, text, DT_LEFT | DT_NOCLIP);
}

void draw_panel_texts(int width, int height) {
  int x = width - PANEL_WIDTH + 4;
  gfx_set_text_style("Arial", 14, 0, 0, COLOUR_BLACK, COLOUR_WHITE, TRANSPARENT);
  panel_line(x, 3, cov_mode_title(display_mode()));
  int y = LEGEND_TOP + COV_LEGEND_ROWS * LEGEND_ROW_HEIGHT + 8;
  char text[40];
  if (is_all_bands()) {
    panel_line(x, y, "125 Hz -");
    panel_line(x, y + 14, "8000 Hz");
  } else {
    panel_line(x, y, cov_summation_label(g_calc_options.summation_mode));
    std::snprintf(text, sizeof text, "%4.0f Hz", BAND_HZ[band_index()]);
    panel_line(x, y + 14, text);
  }
  y += 32;
  int mode = display_mode();
  if (mode != COV_MODE_LD && mode != COV_MODE_TIME) {
    std::snprintf(text, sizeof text, "RT60%s", cov_rt_method_label(g_rt60_method));
    panel_line(x, y, text);
    y += 14;
  }
  if (mode == COV_MODE_LT || mode == COV_MODE_STI || mode == COV_MODE_STI_EXPORT || mode == COV_MODE_LD_LR) {
    if (is_all_bands()) {
      for (int b = 0; b < COV_BANDS; ++b, y += 14) {
        std::snprintf(text, sizeof text, "%s %2.1lf s", BAND_ROW_LABELS[b], g_reverb_time[b]);
        panel_line(x, y, text);
      }
    } else {
      std::snprintf(text, sizeof text, "%2.1lf s", g_reverb_time[band_index()]);
      panel_line(x, y, text);
    }
  }
  gfx_reset_text_style();
}

void draw_legend(const CovScale& scale, int width) {
  int x = width - LEGEND_FROM_RIGHT;
  HDC dc = gfx_current_dc();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (int r = 0; r < COV_LEGEND_ROWS; ++r) {
    int y = LEGEND_TOP + r * LEGEND_ROW_HEIGHT;
    fill_swatch(x, y, x + 24, y + LEGEND_ROW_HEIGHT, COV_COLOUR_TOP - r);
    char text[16];
    if (cov_legend_row_text(scale, r, text, sizeof text)) text_at(x + 28, y, text);
  }
}

void draw_description(int width, int height) {
  if (!g_map_description[0]) return;
  gfx_set_pen(COLOUR_BLACK);
  gfx_set_brush(COLOUR_WHITE);
  RECT strip{0, height - DESCRIPTION_HEIGHT, width - PANEL_WIDTH, height - 1};
  gfx_draw_rect(&strip, 1);
  text_at(4, height - DESCRIPTION_HEIGHT + 1, g_map_description);
}

// The values the map shows, one per grid point; the legend is ranged by them.
std::vector<double> shown_values(int mode, int band, uint32_t count) {
  std::vector<double> values(count);
  for (uint32_t i = 0; i < count; ++i) values[i] = cov_shown_value(mode, band, g_coverage_grid.points[i]);
  return values;
}

// The whole window content; in the export mode the STI export too.
void draw_map(bool allow_export) {
  uint32_t count = grid_point_count();
  size_t cells = (count ? count : 1) * static_cast<size_t>(COV_BANDS);
  double* mti = static_cast<double*>(std::malloc(cells * sizeof(double)));
  double* level = static_cast<double*>(std::malloc(cells * sizeof(double)));
  if (!mti || !level) {
    std::fprintf(stderr, "Speicherreservierung fehlgeschlagen!\n");
    std::free(mti);
    std::free(level);
    return;
  }
  g_cov.drawing = 1;
  g_cov.log_failure_told = 0;
  if (band_index() < 0 || band_index() > COV_BANDS) band_index() = COV_ALL_BANDS;
  DrawWindow* previous = gfx_select_window(&g_cov.record);
  measure_window();
  layout_view();
  RenderTarget* previous_target = render_set_target(&render_gdi_target());
  render_objects(g_obj_head, g_obj_tail, 1);
  cov_compute_reverberant_field();
  char export_name[COV_EXPORT_NAME_CHARS];
  cov_export_file_name(COV_EXPORT_NAME_FORMAT, std::time(nullptr), export_name, sizeof export_name);
  const int mode = display_mode();
  const int band = is_all_bands() ? COV_ALL_BANDS : band_index();
  const bool collect = mode == COV_MODE_STI_EXPORT && band == COV_ALL_BANDS;
  std::vector<double> values = shown_values(mode, band, count);
  CovScale scale = cov_legend_scale_of_values(mode, is_all_bands(), values.data(), count, scale_index());
  gfx_select_null_pen(1);
  for (uint32_t i = 0; i < count; ++i) {
    const GridPoint& p = g_coverage_grid.points[i];
    draw_cell(p, cov_colour_index(scale, values[i]));
    if (collect) sti_band_values(p.energy, mti + i * COV_BANDS, level + i * COV_BANDS);
  }
  gfx_select_null_pen(0);
  draw_speakers();
  if (g_cov.clear_button) ShowWindow(g_cov.clear_button, g_map_pick_count > 0 ? SW_SHOW : SW_HIDE);
  for (int k = 0; k < g_map_pick_count && k < static_cast<int>(MAP_MAX_PICKS); ++k)
    label_point(g_map_picks[k], allow_export);
  int width = g_cov.record.right, height = g_cov.record.bottom;
  draw_frame(width, height);
  draw_panel_texts(width, height);
  draw_legend(scale, width);
  draw_description(width, height);
  render_set_target(previous_target);
  g_cov.drawing = 0;
  if (allow_export && mode == COV_MODE_STI_EXPORT)
    cov_export_sti(band, g_project_path, export_name, mti, level, count);
  std::free(mti);
  std::free(level);
  if (previous && previous != &g_cov.record) gfx_select_window(previous);
}

// --- printing ------------------------------------------------------------

// Landscape, the print dialog, the map redrawn for the printer (patterns on
// a printer without colours) and the window printed as a bitmap.
void print_window() {
  g_cov.printing = 1;
  print_set_landscape(1);
  if (print_dialog()) {
    int colours = print_caps().num_colors;
    g_cov.monochrome = colours >= 0 && colours < 2;
    g_cov.printing = 0;
    draw_map(false);
    g_cov.printing = 1;
    result_window_print_bitmap(g_cov.record);
    g_cov.monochrome = 0;
  }
  print_set_landscape(0);
  g_cov.printing = 0;
  draw_map(false);
}

// --- controls ------------------------------------------------------------

void on_band_button(int band) {
  if (g_band_speaker_counts[band] == 0) return;
  band_index() = static_cast<int16_t>(band);
  draw_map(true);
  press_only(g_cov.band_buttons, 8, band);
}

void on_scale_button(int button) {
  scale_index() = static_cast<int16_t>(button - 1);
  draw_map(true);
  press_only(g_cov.scale_buttons, COV_SCALE_BUTTONS, button);
}

void on_mode_button(int button) {
  if (button >= g_cov.mode_button_count) return;
  display_mode() = static_cast<int16_t>(COV_MODE_OF_BUTTON[button]);
  set_scale_labels();
  draw_map(true);
  press_only(g_cov.mode_buttons, g_cov.mode_button_count, button);
}

void act_on_control(int id) {
  if (id == COV_ID_CLOSE) {
    g_abort_flag = 1;
  } else if (id == COV_ID_PRINT) {
    print_window();
  } else if (id == COV_ID_CLEAR) {
    g_map_pick_count = 0;
    draw_map(true);
  } else if (id >= COV_ID_BAND_FIRST && id < COV_ID_BAND_FIRST + 8) {
    on_band_button(id - COV_ID_BAND_FIRST);
  } else if (id >= COV_ID_SCALE_FIRST && id < COV_ID_SCALE_FIRST + COV_SCALE_BUTTONS) {
    on_scale_button(id - COV_ID_SCALE_FIRST);
  } else if (id >= COV_ID_MODE_FIRST && id < COV_ID_MODE_FIRST + COV_MODE_BUTTONS) {
    on_mode_button(id - COV_ID_MODE_FIRST);
  }
}

// A stored mode that no shown button carries starts as Ld.
void check_display_state() {
  if (cov_mode_button_of(display_mode(), g_cov.mode_button_count) < 0) display_mode() = COV_MODE_LD;
  if (scale_index() < COV_SCALE_AUTO || scale_index() > 2) scale_index() = COV_SCALE_AUTO;
  if (band_index() < 0 || band_index() > COV_BANDS) band_index() = COV_ALL_BANDS;
}

bool open_window() {
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  if (g_coverage_grid.point_count != g_map_pick_point_count) {
    g_map_pick_count = 0;
    g_map_pick_point_count = g_coverage_grid.point_count;
  }
  g_cov.mode_button_count = model_has_room_surfaces() ? COV_MODE_BUTTONS : 2;
  check_display_state();
  HWND drawing = drawing_hwnd();
  if (drawing) ShowWindow(drawing, SW_HIDE);
  RECT main{0, 0, 0, 0};
  GetClientRect(win_main_window(), &main);
  g_cov.window = win_create_child("", WS_BORDER, left, top, main.right - left - right, main.bottom - top - bottom,
                                  COV_WINDOW_ID);
  if (!g_cov.window) {
    ui_message_box(MSG_NO_WINDOW, nullptr, UI_MB_OK);
    if (drawing) ShowWindow(drawing, SW_SHOW);
    return false;
  }
  win_register_child_window(g_cov.window, cov_window_proc);
  g_cov.record = DrawWindow{};
  g_cov.record.window = g_cov.window;
  measure_window();
  g_cov.saved_view = g_view;
  if (g_view.kind == VIEW_EYE) g_view.kind = VIEW_XY;  // the map needs a parallel view
  g_cov.fit_pending = 1;
  g_cov.pending_command = 0;
  create_buttons(top, left);
  show_current_buttons();
  gfx_select_window(&g_cov.record);
  SetFocus(win_main_window());
  return true;
}

void close_window() {
  destroy_buttons();
  DrawWindow* main_record = win_main_record();
  if (gfx_current_window() == &g_cov.record) {
    DrawWindow* drawing = view_drawing_window();
    gfx_select_window(drawing ? drawing : main_record);
  }
  gfx_forget_window(&g_cov.record);
  win_unregister_child_window(g_cov.window);
  if (g_cov.record.dc) ReleaseDC(g_cov.window, g_cov.record.dc);
  DestroyWindow(g_cov.window);
  g_cov.window = nullptr;
  g_cov.record = DrawWindow{};
  g_view = g_cov.saved_view;
  HWND drawing = drawing_hwnd();
  if (drawing) ShowWindow(drawing, SW_SHOW);
  g_finish_flag = 0;
  g_abort_flag = 0;
  view_relayout();
}

}  // namespace

// Opens the window on the current result, runs until "<-", STOP or a close
// request of the main window ends the wait, and shows the drawing again.
void cov_show_window() {
  if (g_cov.window || !win_main_window()) return;
  int16_t running = g_running_command;
  if (running == 0) g_running_command = 5101;  // the wait loop only returns while a command runs
  if (open_window()) {
    g_finish_flag = 0;
    g_abort_flag = 0;
    draw_map(false);
    while (!g_finish_flag && !g_abort_flag && g_cov.window) {
      input_wait_event();
      int id = g_cov.pending_command;
      g_cov.pending_command = 0;
      if (id && !g_abort_flag) act_on_control(id);
      if (win_main_window()) SetFocus(win_main_window());
    }
    if (g_cov.window) close_window();
  }
  g_running_command = running;
}

void cov_draw_map() { draw_map(true); }

// Writes the point's value in the current mode and band beside it with a
// leader and a small square; in the export mode over all bands the point's
// band values go to the single-points file.
void cov_show_point_value(int point) {
  g_cov.log_failure_told = 0;
  label_point(point, true);
}

namespace {

void label_point(int point, bool write_single_points) {
  if (point < 0 || static_cast<uint32_t>(point) >= grid_point_count()) return;
  const GridPoint& p = g_coverage_grid.points[point];
  char name[COV_EXPORT_NAME_CHARS];
  cov_export_file_name(COV_SINGLE_POINTS_NAME_FORMAT, std::time(nullptr), name, sizeof name);
  ScreenPoint s = cov_project_grid_point(p);
  const int mode = display_mode();
  const int band = is_all_bands() ? COV_ALL_BANDS : band_index();
  int logged = COV_EXPORT_DONE;
  double value = write_single_points && mode == COV_MODE_STI_EXPORT && band == COV_ALL_BANDS
                     ? sti_export_all_bands(p.energy, g_project_path, name, &logged)
                     : cov_point_value(mode, band, p);
  if (logged != COV_EXPORT_DONE && !g_cov.log_failure_told) {
    g_cov.log_failure_told = 1;
    cov_export_report(logged, (std::string(g_project_path) + name).c_str());
  }
  if (mode == COV_MODE_STI || mode == COV_MODE_STI_EXPORT) value *= 0.01;
  DrawWindow* previous = gfx_select_window(&g_cov.record);
  char text[32];
  std::snprintf(text, sizeof text, "%3.2f", value);
  HDC dc = gfx_current_dc();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  text_at(s.x + 4, s.y - 20, text);
  gfx_set_pen(COLOUR_BLACK);
  int length = static_cast<int>(std::strlen(text));
  // Leader and underline start at the point, never at a pen position left
  // behind by earlier drawing.
  gfx_draw_line(s.x, s.y, s.x + 4, s.y - 4);
  gfx_draw_line(s.x + 4, s.y - 4, s.x + 4 + 7 * length, s.y - 4);
  RECT box{s.x - 1, s.y - 1, s.x + 1, s.y + 1};
  gfx_draw_rect(&box, 0);
  if (previous && previous != &g_cov.record) gfx_select_window(previous);
}

}  // namespace

void cov_pick_point(int x, int y) {
  int found = cov_nearest_grid_point(x, y);
  if (found < 0 || g_map_pick_count >= static_cast<int>(MAP_MAX_PICKS)) return;
  g_map_picks[g_map_pick_count++] = static_cast<uint16_t>(found);
  cov_show_point_value(found);
  if (g_cov.clear_button) ShowWindow(g_cov.clear_button, SW_SHOW);
}

// Like a pick, and returns the grid point with its position on its area's
// plane even when the pick list is full; -1 when no point is near.
int cov_find_nearest_point(int x, int y, WorldPoint* position) {
  int found = cov_nearest_grid_point(x, y);
  if (found < 0) return -1;
  if (g_map_pick_count < static_cast<int>(MAP_MAX_PICKS)) {
    g_map_picks[g_map_pick_count++] = static_cast<uint16_t>(found);
    cov_show_point_value(found);
    if (g_cov.clear_button) ShowWindow(g_cov.clear_button, SW_SHOW);
  }
  const GridPoint& p = g_coverage_grid.points[found];
  if (position) *position = WorldPoint{p.x, p.y, cov_plane_z(p, p.x, p.y)};
  return found;
}

namespace {

void on_right_click(int x, int y) {
  WorldPoint position;
  int found = cov_find_nearest_point(x, y, &position);
  if (found < 0 || g_cov.reflection_running) return;
  if (!cov_reflection_hook) {
    ui_message_box(MSG_NO_REFLECTIONS, "Hinweis", UI_MB_OK | UI_MB_ICONASTERISK);
    return;
  }
  g_cov.reflection_running = 1;
  float ratio = static_cast<float>(cov_direct_reverberant_all(g_coverage_grid.points[found].energy));
  cov_reflection_hook(position.x, position.y, position.z, ratio);
  g_cov.reflection_running = 0;
}

}  // namespace

LRESULT cov_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
  switch (message) {
    case WM_COMMAND:
      // Buttons of the window, forwarded by the main window while it waits.
      g_cov.pending_command = LOWORD(wparam);
      g_click_flag = 1;
      return 0;
    case WM_LBUTTONDOWN:
      if (g_view.cursor_shape == SHAPE_ZOOM_BOX) g_click_flag = 1;
      else cov_pick_point(x, y);
      return 0;
    case WM_RBUTTONDOWN:
      if (g_view.cursor_shape == SHAPE_ZOOM_BOX) g_right_click_flag = 1;
      else on_right_click(x, y);
      return 0;
    case WM_MOUSEMOVE:
      g_cursor_point = WorldPoint{view_screen_to_world(x, 1), view_screen_to_world(y, 0), 0.0f};
      return 0;
    case WM_PAINT: {
      ValidateRect(window, nullptr);
      if (g_cov.drawing || g_cov.printing || IsIconic(win_main_window()) || window != g_cov.window) return 0;
      layout_window();
      // A repaint never exports again.
      draw_map(false);
      return 0;
    }
    default:
      return result_window_default_message(window, message, wparam, lparam);
  }
}

HWND cov_window() { return g_cov.window; }

HWND cov_control(int id) {
  if (id == COV_ID_CLOSE) return g_cov.close_button;
  if (id == COV_ID_PRINT) return g_cov.print_button;
  if (id == COV_ID_CLEAR) return g_cov.clear_button;
  if (id >= COV_ID_BAND_FIRST && id < COV_ID_BAND_FIRST + 8) return g_cov.band_buttons[id - COV_ID_BAND_FIRST];
  if (id >= COV_ID_MODE_FIRST && id < COV_ID_MODE_FIRST + COV_MODE_BUTTONS)
    return g_cov.mode_buttons[id - COV_ID_MODE_FIRST];
  if (id >= COV_ID_SCALE_FIRST && id < COV_ID_SCALE_FIRST + COV_SCALE_BUTTONS)
    return g_cov.scale_buttons[id - COV_ID_SCALE_FIRST];
  return nullptr;
}
