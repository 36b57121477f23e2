#include "acoustics/refl_cmd_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/ray_file.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_assign.h"
#include "acoustics/refl_calc.h"
#include "acoustics/refl_search.h"
#include "cad/cad_state.h"
#include "cad/edit_steps.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "speakers/speaker_model.h"
#include "framework/gfx_win.h"
#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

ReflResultDisplay refl_result_display = refl_show_paths;

namespace {

constexpr int ORDER_CHARS = 9;

HCURSOR show_wait_cursor() { return SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT))); }

void spool_name(char* out, size_t size) { refl_spool_name(out, size, win_start_directory(), GetTickCount()); }

void set_prefix(const char* prefix) {
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", prefix);
  view_show_prompt("");
}

// The search runs with the main window as the drawing target, so that the
// progress box is its child while the drawing window and the panel are
// hidden.
struct HiddenDrawing {
  DrawWindow* drawing = view_drawing_window();
  bool panel = panel_window() && IsWindowVisible(panel_window());
  HiddenDrawing() {
    if (panel) panel_show(0);
    if (drawing && drawing->window) ShowWindow(drawing->window, SW_HIDE);
    gfx_select_window(win_main_record());
  }
  ~HiddenDrawing() {
    if (drawing) gfx_select_window(drawing);
    if (drawing && drawing->window) ShowWindow(drawing->window, SW_SHOW);
    if (panel) panel_show(1);
  }
};

bool ask_order(int* order) {
  char text[ORDER_CHARS + 1] = "3";
  if (!dlg_input_line("Max.Ordnung (1 .. 40):", text, ORDER_CHARS, 1)) return false;
  *order = std::clamp(std::atoi(text), 1, REFL_MAX_ORDER);
  return true;
}

void redraw_drawing() {
  input_update_cursor(0);
  view_relayout();
  input_update_cursor(1);
}

}  // namespace

// The paths drawn over the model in the drawing window until OK or STOP.
void refl_show_paths() {
  if (refl_assign_paths() == 0) return;
  refl_sort_paths_by_time();
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == RAYPATH_LAYER) o->attributes = 0;
  redraw_drawing();
  char prompt[64];
  std::snprintf(prompt, sizeof prompt, "%lu Pfade", static_cast<unsigned long>(g_refl_path_count));
  set_prefix("REFLEXIONEN > ");
  view_show_prompt(prompt);
  do input_wait_event();
  while (!g_finish_flag && !g_abort_flag && win_main_window());
  g_finish_flag = g_abort_flag = 0;
  view_clear_prompt_line();
}

void refl_cmd_rays() {
  refl_build_face_table();
  refl_sort_face_table();
  spk_link_balloons();
  if (cov_build_active_speakers() == 0) {
    ui_message_box("Momentan keine Lautsprecher zur Berechnung konfiguriert", nullptr, UI_MB_OK);
    return;
  }
  g_refl_mean_free_path = 0.0;
  int order;
  if (!ask_order(&order)) return;
  set_prefix("REFLEXIONEN > ");
  view_show_prompt("Zielpunkt");
  input_wait_event();
  if (g_abort_flag) {
    cad_end_command();
    return;
  }
  WorldPoint receiver = g_last_point;
  receiver.z += 0.01f;
  g_finish_flag = g_abort_flag = 0;
  view_clear_prompt_line();
  char spool[MAX_PATH + 32];
  spool_name(spool, sizeof spool);
  long paths;
  {
    HiddenDrawing hidden;
    paths = refl_calculate_rays(receiver, order, spool);
  }
  if (paths > 0) {
    refl_read_path_spool(spool);
    refl_result_display();
    rayfile_save();
    refl_remove_paths();
    redraw_drawing();
  } else {
    std::remove(spool);
  }
  cad_end_command();
}

void refl_calculate_at_map_point(float x, float y, float z, float direct_reverberant) {
  char spool[MAX_PATH + 32];
  spool_name(spool, sizeof spool);
  HCURSOR previous = show_wait_cursor();
  refl_calculate_at_point(WorldPoint{x, y, z}, direct_reverberant, spool);
  SetCursor(previous);
}
