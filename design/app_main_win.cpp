#include "design/app_main_win.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "acoustics/cov_window_win.h"
#include "acoustics/etc_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/point_response.h"
#include "acoustics/refl_cmd_win.h"
#include "acoustics/room_check_win.h"
#include "acoustics/rt60_window_win.h"
#include "cad/cad_session.h"
#include "cad/cad_session_win.h"
#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "acoustics/model_tables.h"
#include "design/app_window_win.h"
#include "design/design_dialogs_win.h"
#include "design/eq_dialog.h"
#include "design/eq_rule.h"
#include "design/history.h"
#include "design/project_cmds_win.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "project/map_file.h"
#include "project/model_reset.h"
#include "project/project_file.h"
#include "project/project_undo.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_model.h"

namespace {

constexpr const char* PRODUCT_TITLE = "Orvante Planning Engine ";
constexpr const char* VERSION_TEXT = "2.90";

// The reverberation window's "M": the measured times in the band dialog.
int edit_measured_times(double times[7]) { return opts_run_band_dialog(times, BAND_MODE_RT); }

void set_menu_check(int id, bool on) {
  CheckMenuItem(GetMenu(win_main_window()), id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}


void show_start_screen() {
  HWND main = win_main_window();
  UpdateWindow(main);
  view_set_angles();
  view_update_rotation();
  set_menu_check(604, true);
  set_menu_check(605, false);
  cad_load_stroke_font("STANDARDFONT");
  app_read_history();
  view_set_xy();
  g_view.kind = VIEW_YZ;
  panel_notify();
  g_view.kind = VIEW_XY;
  panel_show(1);
  ValidateRect(main, nullptr);
  win_draw_bitmap_centred("RVBMP290", 1);
  SetFocus(main);
  input_update_cursor(0);
  input_update_cursor(1);
  panel_notify();
  spk_reset_tables();
  char title[64];
  std::snprintf(title, sizeof title, "%s%s", PRODUCT_TITLE, VERSION_TEXT);
  view_set_title_base(title);
  view_update_title();
  legacy_load_builtin_symbols();
}

void release_everything() {
  panel_show(0);
  cad_free_stroke_font();
  app_free_model_tables();
  cad_free_buffers();
  win_unregister_classes();
}

}  // namespace

// Start-up in the fixed order the rest of the program relies on, the one
// message loop, then release of what start-up took.
int app_main(HINSTANCE instance) {
  app_install_hooks();
  if (!cad_alloc_buffers()) return 1;
  if (!app_alloc_model_tables()) {
    cad_free_buffers();
    return 1;
  }
  app_new_project();
  view_update_rotation();
  if (!win_init(instance, "ORVANTE", app_window_proc)) {
    ui_message_box("Das Hauptfenster konnte nicht erstellt werden.", "System Error", UI_MB_OK);
    app_free_model_tables();
    cad_free_buffers();
    return 1;
  }
  if (!cad_create_drawing_window()) {
    ui_message_box("Das Zeichenfenster konnte nicht erstellt werden.", "System Error", UI_MB_OK);
    DestroyWindow(win_main_window());
    release_everything();
    return 1;
  }
  show_start_screen();
  input_wait_event();
  release_everything();
  return 0;
}

// What the lower layers call back into, set once before anything runs.
void app_install_hooks() {
  cad_new_document_hook = app_new_project;
  proj_loaded_hook = cad_show_loaded_view;
  mapfile_open_window_hook = cov_show_window;
  cov_reflection_hook = refl_calculate_at_map_point;
  room_check_install_host();
  rt60_set_edit_hook(edit_measured_times);
  etc_install();
  spk_set_calculation_reset(resp_reset_tables);
  proj_register_undo_parts();
  design_install_win32_dialogs();
}

void app_new_project() {
  cad_new_drawing_defaults();
  spk_reset_tables();
  cov_reset();  // a new project has no level map
  std::snprintf(g_project_path, sizeof g_project_path, "%s", NEW_PROJECT_NAME);
  view_set_title_path(g_project_path);
}

void app_cmd_exit() {
  cad_confirm_discard();
  if (g_abort_flag) {
    input_clear_flags();
    return;
  }
  cad_new_drawing_defaults();
  cad_free_stroke_font();
  DestroyWindow(win_main_window());
}
