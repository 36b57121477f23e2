#include "cad/cad_session_win.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"

namespace {

void check_item(int id, bool on) {
  CheckMenuItem(GetMenu(win_main_window()), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void redraw_all() {
  input_update_cursor(0);
  view_relayout();
  input_update_cursor(1);
}

void refuse() { ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK); }

// Asks for a length shown in the display unit; true with the new value in metres.
bool ask_length(const char* prompt, double current_m, double low, double high, double* out) {
  char text[22];
  if (g_unit_feet)
    std::snprintf(text, sizeof text, "%0.2lf", units_to_display(current_m, UNIT_LENGTH));
  else
    std::snprintf(text, sizeof text, "%lf", current_m);
  if (!dlg_input_line(prompt, text, 21, 1)) return false;
  double value;
  if (std::sscanf(text, "%lf", &value) != 1) {
    refuse();
    return false;
  }
  value = units_from_entry(value, UNIT_LENGTH);
  if (!(value >= low && value <= high)) {
    refuse();
    return false;
  }
  *out = value;
  return true;
}

bool ask_integer(const char* prompt, int current, int low, int high, int* out) {
  char text[22];
  std::snprintf(text, sizeof text, "%d", current);
  if (!dlg_input_line(prompt, text, 21, 0)) return false;
  int value;
  if (std::sscanf(text, "%d", &value) != 1 || value < low || value > high) {
    refuse();
    return false;
  }
  *out = value;
  return true;
}

}  // namespace

// Menu 104: a new drawing, after the discard question when there is one to ask.
void cad_new_drawing() {
  if (g_obj_head) {
    cad_confirm_discard();
    if (!g_abort_flag) {
      input_update_cursor(0);
      if (cad_new_document_hook) cad_new_document_hook();
      check_item(604, true);
      check_item(605, false);
      g_last_point = {0, 0, 0};
      view_set_xy();
      input_update_cursor(1);
    }
  }
  input_clear_flags();
  view_update_title();
}

void cad_load_stroke_font(const char* resource_name) {
  cad_free_stroke_font();
  size_t size = 0;
  g_stroke_font = static_cast<unsigned char*>(win_load_data_resource(resource_name, &size));
  g_stroke_font_size = g_stroke_font ? size : 0;
}

void cad_free_stroke_font() {
  std::free(g_stroke_font);
  g_stroke_font = nullptr;
  g_stroke_font_size = 0;
}

void cad_refresh_layer_visibility() {
  cad_apply_layer_visibility();
  view_relayout();
}

void cad_build_grid() {
  cad_build_grid_lines();
  redraw_all();
}

void cad_set_snap_distance() {
  double value;
  if (ask_length("FANGWEITE SETZEN ( 0 .. 1000 )", g_view.snap_distance, 0.001, 1000, &value))
    g_view.snap_distance = static_cast<float>(value);
  view_clear_prompt_line();
}

void cad_set_node_snap() {
  int value;
  if (ask_integer("Knoten-Fangweite (1 - 100):", static_cast<int>(g_view.node_snap_distance), 1, 100,
                  &value))
    g_view.node_snap_distance = value;
}

void cad_set_circle_segments() {
  int value;
  if (ask_integer("ANZAHL DER KREIS-SEGMENTE (3 - 360)", g_view.circle_segments, 3, 360, &value))
    g_view.circle_segments = static_cast<int16_t>(value);
}

void cad_set_grid_size() {
  double value;
  if (ask_length("Rastergröße(0.1 - 100) :", g_view.grid_size, 0.1, 100, &value))
    g_view.grid_size = static_cast<float>(value);
  cad_build_grid_lines();
}

void cad_empty_command() {}

// The drawing comment, shown at the bottom of the drawing window.
void cad_edit_comment() {
  char text[VIEW_COMMENT_CHARS + 1];
  std::snprintf(text, sizeof text, "%s", g_view.comment);
  if (!dlg_input_line("Kommentar (max. 80 Zeichen):", text, int(sizeof text), 0)) return;
  std::snprintf(g_view.comment, sizeof g_view.comment, "%s", text);
  if (DrawWindow* w = view_drawing_window()) InvalidateRect(w->window, nullptr, FALSE);
}
