#include "viewer/viewer_main_win.h"

#include <cstdio>

#include "acoustics/cov_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/model_tables.h"
#include "acoustics/point_response.h"
#include "acoustics/refl_cmd_win.h"
#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/map_file.h"
#include "project/model_reset.h"
#include "project/project_file.h"
#include "speakers/legacy_drawing.h"
#include "viewer/viewer_history.h"
#include "viewer/viewer_window_win.h"

namespace {

constexpr const char* PRODUCT_TITLE = "Orvante Viewer ";
constexpr const char* VERSION_TEXT = "2.90";
constexpr const char* NEW_PROJECT = "PROJEKT1.OPR";

void history_file(char* out, size_t size) { viewer_history_path(out, size, win_start_directory()); }

void install_hooks() {
  cad_new_document_hook = viewer_new_project;
  proj_loaded_hook = cad_show_loaded_view;
  mapfile_open_window_hook = cov_show_window;
  cov_reflection_hook = refl_calculate_at_map_point;
  spk_set_calculation_reset(resp_reset_tables);
}

void show_start_screen() {
  HWND main = win_main_window();
  UpdateWindow(main);
  view_set_angles();
  view_update_rotation();
  cad_check_menu_item(604, true);
  cad_check_menu_item(605, false);
  viewer_read_history();
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
  app_free_model_tables();
  cad_free_buffers();
  win_unregister_classes();
}

}  // namespace

// Start-up in the order of the design program's, without the stroke font
// and with the viewer's own history file and window procedure.
int viewer_win_main(HINSTANCE instance) {
  install_hooks();
  if (!cad_alloc_buffers()) return 1;
  if (!app_alloc_model_tables()) {
    cad_free_buffers();
    return 1;
  }
  viewer_new_project();
  view_update_rotation();
  if (!win_init(instance, "ORVANTE", viewer_main_window_proc)) {
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

void viewer_new_project() {
  cad_new_drawing_defaults();
  spk_reset_tables();
  cov_reset();
  std::snprintf(g_project_path, sizeof g_project_path, "%s", NEW_PROJECT);
  view_set_title_path(g_project_path);
}

// The viewer changes nothing it could save: it ends without a question.
void viewer_cmd_exit() {
  cad_new_drawing_defaults();
  DestroyWindow(win_main_window());
}

int viewer_read_history() {
  char path[MAX_PATH + 16];
  history_file(path, sizeof path);
  if (!viewer_read_history_file(path)) return 0;
  g_unit_feet = g_viewer_history.unit_flag;
  return 1;
}

int viewer_write_history() {
  char path[MAX_PATH + 16];
  history_file(path, sizeof path);
  return viewer_write_history_file(path, g_project_path, g_unit_feet);
}
