#include "acoustics/etc_window_win.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "acoustics/audio_cmd_win.h"
#include "acoustics/audio_profile.h"
#include "acoustics/echogram.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_assign.h"
#include "acoustics/refl_calc.h"
#include "acoustics/refl_cmd_win.h"
#include "acoustics/result_window_win.h"
#include "cad/cad_state.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/gfx_win.h"
#include "framework/input_dialogs.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "project/calc_options.h"
#include "project/coverage_grid.h"
#include "project/project_file.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

namespace {

constexpr int BAR_RANGE = 1000;
constexpr int VIEW_SCROLL_RANGE = 50;
constexpr int BOTTOM_BUTTON_WIDTH = 60;
constexpr int BOTTOM_HEIGHT = 18;
constexpr int BAR_ROOM = 180;
constexpr int SIDE = 32;
constexpr int COLOUR_BLACK = 0;
constexpr int COLOUR_PATH = 19;
constexpr int COLOUR_DECAY = 29;
constexpr int COLOUR_WHITE = 30;
constexpr int COLOUR_MARKER = 31;
constexpr int TEXT_HEIGHT = 14;
constexpr int ATTR_HIDDEN = 128;
constexpr const char* MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden";
constexpr const char* MSG_NO_BROWSER = "Kann Ray-Fenster nicht erzeugen";
constexpr const char* MSG_NO_ECHOGRAM = "Kann ETC-Fenster nicht erzeugen";
const char* const BAND_LABELS[ETC_BANDS] = {"125", "250", "500", " 1k", " 2k", " 4k", " 8k", "ø"};
const char* const BAND_NAMES[ETC_BANDS] = {"125 Hz", "250 Hz", "500 Hz", "1000 Hz", "2000 Hz", "4000 Hz", "8000 Hz", "125 Hz - 8 kHz"};

struct Marker {
  int shown;
  int x, y, baseline, left;
};

struct EtcDisplay {
  ResultWindow result;
  int echogram;  // which of the two windows is open
  HWND bar, mode_button, print_button, copy_button, leave_button;
  HWND band_buttons[ETC_BANDS], auralise_button, profile_button;
  DrawWindow* previous_drawing;
  int selected;
  int count;
  double step;
  int printing;
  Marker marker;
};
EtcDisplay g_etc = {};

RECT main_client() {
  RECT r{0, 0, 0, 0};
  GetClientRect(win_main_window(), &r);
  return r;
}

int band() { return std::clamp<int>(g_calc_options.band, 0, ETC_BANDS - 1); }

DrawObject* path_at(int index) {
  int i = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == RAYPATH_LAYER && rpath_is_path(o) && i++ == index) return o;
  return nullptr;
}

// --- controls ------------------------------------------------------------

int bar_width() { return std::max(1, int(main_client().right) - SIDE - SIDE - BAR_ROOM); }
int bottom_y() { return main_client().bottom - 22; }

void place_common_controls() {
  int y = bottom_y(), w = bar_width();
  MoveWindow(g_etc.bar, SIDE, y, w, BOTTOM_HEIGHT, TRUE);
  MoveWindow(g_etc.mode_button, SIDE + w, y, BOTTOM_BUTTON_WIDTH, BOTTOM_HEIGHT, TRUE);
  MoveWindow(g_etc.print_button, SIDE + w + 60, y, BOTTOM_BUTTON_WIDTH, BOTTOM_HEIGHT, TRUE);
  MoveWindow(g_etc.copy_button, SIDE + w + 120, y, BOTTOM_BUTTON_WIDTH, BOTTOM_HEIGHT, TRUE);
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  RECT m = main_client();
  if (g_etc.result.window)
    MoveWindow(g_etc.result.window, left, top, std::max(1, int(m.right) - left - right),
               std::max(1, int(m.bottom) - top - bottom), TRUE);
}

void create_common_controls() {
  int y = bottom_y(), w = bar_width();
  g_etc.bar = win_create_hscroll("", SIDE, y, w, BOTTOM_HEIGHT, ETC_ID_BAR);
  SetScrollRange(g_etc.bar, SB_CTL, 0, BAR_RANGE, FALSE);
  g_etc.mode_button = win_create_button("ETC", SIDE + w, y, BOTTOM_BUTTON_WIDTH, BOTTOM_HEIGHT, ETC_ID_MODE);
  g_etc.print_button = win_create_button("DRUCK", SIDE + w + 60, y, BOTTOM_BUTTON_WIDTH, BOTTOM_HEIGHT, ETC_ID_PRINT);
  g_etc.copy_button = win_create_button("KOPIE", SIDE + w + 120, y, BOTTOM_BUTTON_WIDTH, BOTTOM_HEIGHT, ETC_ID_COPY);
  g_etc.leave_button = win_create_button("<-", 0, 24, SIDE, SIDE, ETC_ID_LEAVE);
}

void destroy_common_controls() {
  for (HWND* b : {&g_etc.bar, &g_etc.mode_button, &g_etc.print_button, &g_etc.copy_button, &g_etc.leave_button})
    result_destroy_button(*b);
}

void create_echogram_buttons() {
  for (int i = 0; i < ETC_BANDS; ++i)
    g_etc.band_buttons[i] = win_create_button(BAND_LABELS[i], 0, 24 + 32 + 32 * i, SIDE, SIDE, ETC_ID_BAND_FIRST + i);
  g_etc.auralise_button = win_create_button("RTA", 0, 24 + 320, SIDE, SIDE, ETC_ID_AURALISE);
  g_etc.profile_button = win_create_button("APF", 0, 24 + 352, SIDE, SIDE, ETC_ID_SAVE_PROFILE);
}

void destroy_echogram_buttons() {
  for (HWND& b : g_etc.band_buttons) result_destroy_button(b);
  result_destroy_button(g_etc.auralise_button);
  result_destroy_button(g_etc.profile_button);
}

void set_thumb() {
  int position = g_etc.selected < 0 ? 0 : int(std::trunc(g_etc.selected * g_etc.step));
  SetScrollPos(g_etc.bar, SB_CTL, std::min(position, BAR_RANGE), TRUE);
}

// --- path selection ------------------------------------------------------------

// The bar's steps; the browser may go back to -1 (every path), the echogram
// stops at the first path.
void step_selection(int code, int position, int lowest) {
  int last = g_etc.count - 1;
  int& s = g_etc.selected;
  switch (code) {
    case SB_LINELEFT: if (s > lowest) --s; break;
    case SB_LINERIGHT: if (s < last) ++s; break;
    case SB_PAGELEFT: if (s > lowest + 9) s -= 10; break;
    case SB_PAGERIGHT: s = s >= last - 10 ? last : s + 10; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      s = g_etc.step > 0.0 ? std::min(last, int(std::trunc(position / g_etc.step))) : 0;
      break;
    default: return;
  }
}

void relayout_with_cursor_hidden() {
  input_update_cursor(0);
  view_relayout();
  input_update_cursor(1);
}

// --- drawing the echogram ---------------------------------------------------------

struct Plot {
  int left, right, top, baseline, height;
  float upper, y_scale, x_scale;
  int axis_ms;
  int x_of(float t) const { return left + 1 + int(t * x_scale); }
  int y_of(float level) const { return baseline - int((level - (upper - 60.0f)) * y_scale); }
};

Plot plot_frame(const EchogramBuffer& e) {
  RECT c{0, 0, 0, 0};
  GetClientRect(g_etc.result.window, &c);
  Plot p{};
  p.left = 32;
  p.right = c.right - 16;
  p.top = 60;
  p.baseline = c.bottom / 2 + 60;
  p.height = c.bottom;
  p.upper = 10.0f * std::ceil(e.max_level_db / 10.0f);
  p.y_scale = float(p.baseline - p.top) / 60.0f;
  p.axis_ms = etc_time_axis_ms(e.max_time);
  p.x_scale = float(p.right - p.left) / float(p.axis_ms);
  return p;
}

void text_at(int x, int y, const char* text) {
  gfx_set_text_style("Arial", TEXT_HEIGHT, 0, 0, COLOUR_BLACK, COLOUR_WHITE, TRANSPARENT);
  gfx_text_out(x, y, text);
}

void format_at(int x, int y, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  text_at(x, y, text);
}

const char* project_name() {
  const char* slash = std::strrchr(g_project_path, '\\');
  return slash ? slash + 1 : g_project_path;
}

void draw_path_lines(const EchogramBuffer& e, const Plot& p) {
  gfx_set_pen(COLOUR_PATH);
  int index = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != RAYPATH_LAYER || !rpath_is_path(o)) continue;
    if (index++ == g_etc.selected) continue;
    int x = p.x_of(rpath_time_ms(o));
    int y = std::max(p.top, p.y_of(etc_path_level_db(o, band())));
    gfx_draw_line(x, p.baseline, x, y < p.baseline ? y : p.baseline - 1);
  }
}

void draw_decay_curve(const EchogramBuffer& e, const Plot& p) {
  float curve[ETC_BINS];
  etc_decay_curve(e, band(), curve);
  gfx_set_pen(COLOUR_DECAY);
  gfx_move_to(p.right, p.baseline);
  for (int i = ETC_BINS - 1; i >= 0; --i) {
    float t = e.min_time + float(i) * e.bin_width;
    int x = std::clamp(p.x_of(t), p.left, p.right);
    int y = std::clamp(p.y_of(curve[i]), p.top, p.baseline);
    gfx_line_to(x, y);
  }
}

void draw_axes(const EchogramBuffer& e, const Plot& p) {
  gfx_set_pen(COLOUR_BLACK);
  RECT frame{p.left, p.top, p.right, p.baseline};
  gfx_draw_rect(&frame, 0);
  text_at(p.left - 31, p.top - 8, "dB");
  for (int k = 1; k < 6; ++k) {
    int y = p.top + int(10.0f * k * p.y_scale);
    gfx_draw_line(p.left, y, p.right, y);
    format_at(p.left - 31, y - 6, "%3.0f", double(p.upper - 10.0f * k));
  }
  text_at(p.right - 8, p.baseline + 4, "ms");
  for (int k = 1; k < 10; ++k) {
    int ms = p.axis_ms * k / 10;
    int x = p.x_of(float(ms));
    gfx_draw_line(x, p.top, x, p.baseline);
    char label[16];
    std::snprintf(label, sizeof label, "%d", ms);
    text_at(x - 12, p.baseline + 4, label);
  }
}

void draw_values(const EchogramBuffer& e, const Plot& p) {
  int b = band();
  int centre = (p.left + p.right) / 2;
  format_at(p.left, p.top - 20, "Ld-Lr : %1.1f dB", double(etc_direct_reverberant(e, b)));
  format_at(centre - 40, p.top - 20, "RT 60 : %1.1f s", double(e.decay_time[b]));
  char text[64];
  std::snprintf(text, sizeof text, "Alcons : %1.1f %%", double(etc_alcons(e, b)));
  text_at(p.right - 112, p.top - 20, text);
  text_at(p.left, p.top - 58, "Orvante Planning Engine ");
  gfx_set_text_style("Arial", TEXT_HEIGHT, 0, 0, COLOUR_BLACK, COLOUR_WHITE, TRANSPARENT);
  gfx_draw_text(centre - 300, p.top - 58, centre + 300, p.top - 40, project_name(), DT_SINGLELINE | DT_NOCLIP | DT_CENTER);
  text_at(centre - 112, p.top - 38, "Impulsantwort");
  text_at(centre, p.top - 38, BAND_NAMES[b]);
  if (g_view.comment[0])
    gfx_draw_text(0, p.height - 16, p.right + 16, p.height, g_view.comment, DT_SINGLELINE | DT_NOCLIP | DT_CENTER);
}

void draw_marker(const Marker& m) {
  gfx_set_raster_op(ROP_XOR);
  gfx_set_pen(COLOUR_MARKER);
  if (m.y < m.baseline) {
    gfx_draw_line(m.left - 4, m.y, m.x, m.y);
    gfx_draw_line(m.x, m.y, m.x, m.baseline + 38);
  } else {
    gfx_draw_line(m.x, m.baseline, m.x, m.baseline + 38);
  }
  gfx_set_raster_op(ROP_COPY);
}

void draw_source_and_faces(const DrawObject* path, int baseline) {
  int x = 8;
  uint16_t source = rpath_tag(path, 0);
  if (source < uint16_t(g_active_speaker_count) && g_active_speakers[source].speaker) {
    const PlacedSpeaker& s = *g_active_speakers[source].speaker;
    const WorldPoint& r = path->nodes[path->node_count - 1];
    char name[sizeof(SpeakerHead::type_name) + 1] = {};
    if (s.type_index < g_speaker_types.count && g_speaker_types.records[s.type_index])
      std::memcpy(name, g_speaker_types.records[s.type_index]->type_name, sizeof(SpeakerHead::type_name));
    text_at(x, baseline + 78, "Quelle : ");
    text_at(x + 80, baseline + 78, name);
    format_at(x + 176, baseline + 78, "X: %3.1f", s.position[0]);
    format_at(x + 240, baseline + 78, "Y: %3.1f", s.position[1]);
    format_at(x + 304, baseline + 78, "Z: %3.1f", s.position[2]);
    text_at(x + 400, baseline + 78, "Ziel   : ");
    format_at(x + 480, baseline + 78, "X: %3.1f", r.x);
    format_at(x + 544, baseline + 78, "Y: %3.1f", r.y);
    format_at(x + 608, baseline + 78, "Z: %3.1f", r.z);
  }
  uint16_t reflections = rpath_reflections(path);
  if (reflections == 0) return;
  text_at(x, baseline + 98, "Beteiligte Flächen : ");
  std::string faces;
  for (uint32_t i = 1; i + 1 < path->node_count; ++i) {
    char one[16];
    std::snprintf(one, sizeof one, "%s#%d", faces.empty() ? "" : ",", int(rpath_tag(path, i)) + 1);
    faces += one;
  }
  text_at(x + 168, baseline + 98, faces.c_str());
}

void draw_path_info(const EchogramBuffer& e, const Plot& p, int redraw_marker) {
  DrawObject* path = path_at(g_etc.selected);
  if (!path) return;
  RECT c{0, 0, 0, 0};
  GetClientRect(g_etc.result.window, &c);
  gfx_set_pen(COLOUR_WHITE);
  gfx_set_brush(COLOUR_WHITE);
  gfx_fill_rect(0, p.baseline + 40, c.right, c.bottom);
  if (redraw_marker && g_etc.marker.shown) draw_marker(g_etc.marker);
  int b = band();
  float level = etc_path_level_db(path, b);
  float time = rpath_time_ms(path);
  Marker m{1, p.x_of(time), p.y_of(level), p.baseline, p.left};
  draw_marker(m);
  g_etc.marker = m;
  int x = std::min(m.x, p.right - 56) - 32;
  format_at(x, p.baseline + 40, "dE : %1.1f dB", double(level - e.peak_5ms[b]));
  format_at(x, p.baseline + 58, "dT : %1.2f ms", double(time - e.first_arrival[b]));
  draw_source_and_faces(path, p.baseline);
}

// --- printing and the clipboard ---------------------------------------------------

void copy_window() { result_window_copy(g_etc.result.record); }

void print_window() { result_window_print(g_etc.result.record, g_etc.printing); }

// --- the two windows --------------------------------------------------------------

void act_in_browser(int id) {
  switch (id) {
    case ETC_ID_MODE: g_finish_flag = 1; break;
    case ETC_ID_PRINT: print_window(); break;
    case ETC_ID_LEAVE: g_abort_flag = 1; break;
    case ETC_ID_COPY: copy_window(); break;
  }
}

void act_in_echogram(int id) {
  if (id >= ETC_ID_BAND_FIRST && id < ETC_ID_BAND_FIRST + ETC_BANDS) {
    g_calc_options.band = int16_t(id - ETC_ID_BAND_FIRST);
    etc_draw_echogram();
    return;
  }
  switch (id) {
    case ETC_ID_MODE: g_finish_flag = 1; break;
    case ETC_ID_PRINT: print_window(); break;
    case ETC_ID_LEAVE: g_abort_flag = 1; break;
    case ETC_ID_COPY: copy_window(); break;
    case ETC_ID_SAVE_PROFILE: profile_save(); break;
    case ETC_ID_AURALISE: profile_write_temp_and_play(); break;
  }
}

void browser_scroll_view(UINT message, int code, int position) {
  bool horizontal = message == WM_HSCROLL;
  int32_t& offset = horizontal ? g_view.pending_pan_x : g_view.pending_pan_y;
  input_update_cursor(0);
  switch (code) {
    case SB_LINEUP: offset += 8; view_relayout(); break;
    case SB_LINEDOWN: offset -= 8; view_relayout(); break;
    case SB_PAGEUP: horizontal ? view_pan_half_x(-1) : view_pan_half_y(-1); break;
    case SB_PAGEDOWN: horizontal ? view_pan_half_x(1) : view_pan_half_y(1); break;
    case SB_THUMBPOSITION: horizontal ? view_pan_percent_x(position) : view_pan_percent_y(position); break;
    default: break;
  }
  input_update_cursor(1);
}

void on_path_bar(int code, int position) {
  step_selection(code, position, g_etc.echogram ? 0 : -1);
  if (g_etc.echogram) {
    etc_select_path();
    if (EchogramBuffer* e = etc_buffer()) {
      DrawWindow* previous = gfx_select_window(&g_etc.result.record);
      draw_path_info(*e, plot_frame(*e), 1);
      if (previous && previous != &g_etc.result.record) gfx_select_window(previous);
    }
  } else {
    etc_redraw_paths();
  }
  set_thumb();
}

bool open_child(ChildHandler proc, const char* failure, DWORD style) {
  if (!result_window_open(g_etc.result, ETC_WINDOW_ID, proc, failure)) return false;
  if (style) {
    SetWindowLongA(g_etc.result.window, GWL_STYLE, GetWindowLongA(g_etc.result.window, GWL_STYLE) | style);
    SetWindowPos(g_etc.result.window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  }
  return true;
}

int child_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool echogram) {
  switch (message) {
    case WM_COMMAND:
      result_window_take_command(g_etc.result, wparam);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (HWND(lparam) == g_etc.bar && g_etc.bar)
        on_path_bar(LOWORD(wparam), short(HIWORD(wparam)));
      else if (!echogram)
        browser_scroll_view(message, LOWORD(wparam), short(HIWORD(wparam)));
      if (win_main_window()) SetFocus(win_main_window());
      return 0;
    case WM_PAINT:
      ValidateRect(window, nullptr);
      if (g_etc.printing || print_is_printing() || IsIconic(win_main_window()) || window != g_etc.result.window) return 0;
      place_common_controls();
      if (echogram)
        etc_draw_echogram();
      else
        relayout_with_cursor_hidden();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    default:
      return int(DefWindowProcA(window, message, wparam, lparam));
  }
}

// The calculation at a point: the echogram of its paths with the point's
// Ld-Lr as the late level, then the playback of its temporary profile.
void auralise_point(float direct_reverberant) {
  EchogramBuffer* e = etc_buffer();
  if (!e) {
    ui_message_box(MSG_NO_MEMORY, nullptr, UI_MB_OK);
    return;
  }
  etc_build_echogram(*e);
  for (int b = 0; b < 7; ++b) e->reverberant[b] = e->early[b] - direct_reverberant;
  profile_write_temp_and_play();
}

}  // namespace

void etc_install() {
  refl_result_display = etc_show_result;
  refl_point_result_hook = auralise_point;
}

void etc_select_path() {
  int index = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != RAYPATH_LAYER) continue;
    o->attributes = g_etc.selected < 0 || index == g_etc.selected ? 0 : ATTR_HIDDEN;
    ++index;
  }
}

void etc_redraw_paths() {
  etc_select_path();
  relayout_with_cursor_hidden();
}

void etc_draw_echogram() {
  EchogramBuffer* e = etc_buffer();
  if (!e || !g_etc.result.window) return;
  DrawWindow* previous = gfx_select_window(&g_etc.result.record);
  RECT c{0, 0, 0, 0};
  GetClientRect(g_etc.result.window, &c);
  g_etc.result.record.right = c.right;
  g_etc.result.record.bottom = c.bottom;
  gfx_set_pen(COLOUR_WHITE);
  gfx_set_brush(COLOUR_WHITE);
  gfx_fill_rect(0, 0, c.right, c.bottom);
  if (g_etc.selected < 0) {
    g_etc.selected = 0;
    etc_select_path();
  }
  Plot p = plot_frame(*e);
  draw_axes(*e, p);
  draw_path_lines(*e, p);
  draw_decay_curve(*e, p);
  draw_values(*e, p);
  g_etc.marker.shown = 0;
  draw_path_info(*e, p, 0);
  gfx_reset_text_style();
  if (previous && previous != &g_etc.result.record) gfx_select_window(previous);
}

void etc_draw_path_info(int redraw_marker) {
  EchogramBuffer* e = etc_buffer();
  if (!e || !g_etc.result.window) return;
  DrawWindow* previous = gfx_select_window(&g_etc.result.record);
  draw_path_info(*e, plot_frame(*e), redraw_marker);
  if (previous && previous != &g_etc.result.record) gfx_select_window(previous);
}

int etc_run_path_browser() {
  g_etc.previous_drawing = view_drawing_window();
  if (!open_child(etc_path_browser_proc, MSG_NO_BROWSER, WS_HSCROLL | WS_VSCROLL)) return 1;
  g_etc.echogram = 0;
  g_etc.result.record.hscroll = g_etc.result.record.vscroll = 1;
  view_set_drawing_window(&g_etc.result.record);
  gfx_select_window(&g_etc.result.record);
  for (int bar : {SB_HORZ, SB_VERT}) {
    SetScrollRange(g_etc.result.window, bar, -VIEW_SCROLL_RANGE, VIEW_SCROLL_RANGE, FALSE);
    SetScrollPos(g_etc.result.window, bar, 0, TRUE);
  }
  SetWindowTextA(g_etc.mode_button, "ETC");
  set_thumb();
  etc_redraw_paths();
  result_window_run(g_etc.result, act_in_browser);
  int result = g_finish_flag ? 2 : 0;
  if (g_etc.previous_drawing) view_set_drawing_window(g_etc.previous_drawing);
  result_window_close(g_etc.result);
  return result;
}

int etc_run_echogram_window() {
  if (!open_child(etc_echogram_window_proc, MSG_NO_ECHOGRAM, 0)) return 1;
  g_etc.echogram = 1;
  create_echogram_buttons();
  SetWindowTextA(g_etc.mode_button, "RAY");
  gfx_select_window(&g_etc.result.record);
  SetFocus(win_main_window());
  if (g_etc.selected < 0) g_etc.selected = 0;
  etc_select_path();
  set_thumb();
  etc_draw_echogram();
  result_window_run(g_etc.result, act_in_echogram);
  int result = g_finish_flag ? 1 : 0;
  destroy_echogram_buttons();
  result_window_close(g_etc.result);
  g_etc.echogram = 0;
  return result;
}

void etc_show_result() {
  EchogramBuffer* e = etc_buffer();
  if (!e) {
    ui_message_box(MSG_NO_MEMORY, nullptr, UI_MB_OK);
    return;
  }
  etc_clear(*e);
  if (refl_assign_paths() == 0) return;
  refl_sort_paths_by_time();
  etc_build_echogram(*e);
  gfx_select_window(win_main_record());
  create_common_controls();
  g_etc.count = int(refl_count_paths());
  g_etc.step = g_etc.count > 1 ? double(BAR_RANGE) / (g_etc.count - 1) : 0.0;
  g_etc.selected = -1;
  int16_t remembered_band = g_calc_options.band;
  bool browser = true;
  // A browser that cannot be made ends the display rather than being tried again.
  for (;;) {
    if (browser) {
      int r = etc_run_path_browser();
      if (r != 2) break;
      browser = false;
    } else {
      if (etc_run_echogram_window() == 0) break;
      browser = true;
    }
    if (!win_main_window()) break;
  }
  destroy_common_controls();
  g_calc_options.band = remembered_band;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == RAYPATH_LAYER) o->attributes = 0;
  if (DrawWindow* d = view_drawing_window()) gfx_select_window(d);
}

// The model in the browser takes the cursor as the drawing window does.
LRESULT etc_path_browser_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!print_is_printing() && !g_etc.printing)
        input_track_mouse(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      return 0;
    case WM_LBUTTONDOWN:
      g_click_flag = 1;
      return 0;
    case WM_RBUTTONDOWN:
      g_right_click_flag = 1;
      return 0;
    case WM_NCMOUSEMOVE:
      input_update_cursor(0);
      input_enable_cursor(0);
      win_arrow_cursor();
      return 0;
    case WM_SETCURSOR:
      win_hide_cursor();
      input_enable_cursor(1);
      return TRUE;
    default:
      return child_message(window, message, wparam, lparam, false);
  }
}

LRESULT etc_echogram_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return child_message(window, message, wparam, lparam, true);
}

// --- audio profiles -----------------------------------------------------------

void profile_save() {
  EchogramBuffer* e = etc_buffer();
  if (!e) return;
  char filter[] = "Orvante Audioprofile|*.OAP|";
  if (!filedlg_save(filter, "*.OAP")) return;
  char path[2 * FILESEL_BUFFER];
  std::snprintf(path, sizeof path, "%s%s", filedlg_directory(), filedlg_file_title());
  file_ext_ensure(path, sizeof path, ".OAP");
  AudioProfile profile;
  char angle[80] = "";
  if (dlg_input_line("Hörwinkel horizontal [ ° ]:", angle, 79, 1) && angle[0]) std::sscanf(angle, "%f", &profile.angle);
  char description[80] = "";
  if (dlg_input_line("Beschreibung :", description, 79, 0)) profile.description = description;
  profile_build_user(*e, profile);
  if (!profile_write_file(path, profile)) ui_message_box(PROFILE_MSG_NOT_WRITABLE, nullptr, UI_MB_OK);
}

void profile_write_temp_and_play() {
  EchogramBuffer* e = etc_buffer();
  if (!e) return;
  if (!audio_has_input_wav()) audio_command(AUDIO_CMD_INPUT);
  if (!audio_has_input_wav()) return;
  char path[MAX_PATH + 32];
  profile_temp_name(path, sizeof path, win_start_directory(), GetTickCount());
  AudioProfile profile;
  profile_build_temp(*e, profile);
  if (!profile_write_file(path, profile)) {
    ui_message_box(PROFILE_MSG_NOT_WRITABLE, nullptr, UI_MB_OK);
    return;
  }
  std::string remembered = audio_get_profile_path();
  audio_set_profile_path(path);
  audio_command(AUDIO_CMD_REALTIME);
  audio_set_profile_path(remembered.c_str());
  std::remove(path);
}

HWND etc_window() { return g_etc.result.window; }
bool etc_is_echogram() { return g_etc.echogram != 0; }
int etc_selected_path() { return g_etc.selected; }
int etc_band() { return band(); }
HWND etc_path_bar() { return g_etc.bar; }

HWND etc_control(int id) {
  if (id >= ETC_ID_BAND_FIRST && id < ETC_ID_BAND_FIRST + ETC_BANDS) return g_etc.band_buttons[id - ETC_ID_BAND_FIRST];
  switch (id) {
    case ETC_ID_MODE: return g_etc.mode_button;
    case ETC_ID_PRINT: return g_etc.print_button;
    case ETC_ID_LEAVE: return g_etc.leave_button;
    case ETC_ID_COPY: return g_etc.copy_button;
    case ETC_ID_SAVE_PROFILE: return g_etc.profile_button;
    case ETC_ID_AURALISE: return g_etc.auralise_button;
  }
  return nullptr;
}
