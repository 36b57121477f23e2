#include "design/app_main_win.h"

#include <cstdio>

#include "acoustics/cov_window_win.h"
#include "acoustics/etc_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/point_response.h"
#include "acoustics/program_start_win.h"
#include "acoustics/refl_cmd_win.h"
#include "acoustics/room_check_win.h"
#include "acoustics/rt60_window_win.h"
#include "cad/cad_session.h"
#include "cad/cad_session_win.h"
#include "cad/cad_state.h"
#include "cad/input.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/win_frame_win.h"
#include "design/app_window_win.h"
#include "design/design_dialogs_win.h"
#include "design/eq_dialog.h"
#include "design/eq_rule.h"
#include "design/history.h"
#include "design/project_cmds_win.h"
#include "project/map_file.h"
#include "project/model_reset.h"
#include "project/project_file.h"
#include "project/project_undo.h"
#include "speakers/speaker_model.h"

namespace {

// The reverberation window's "M": the measured times in the band dialog.
int edit_measured_times(double times[7]) { return opts_run_band_dialog(times, BAND_MODE_RT); }

const ProgramStart DESIGN_PROGRAM = {
    .resource_name = "ORVANTE",
    .window_proc = app_window_proc,
    .title = "Orvante Planning Engine 2.90",
    .stroke_font = "STANDARDFONT",
    .new_project = app_new_project,
    .read_history = app_read_history,
};

}  // namespace

int app_main(HINSTANCE instance) {
  app_install_hooks();
  return program_run(instance, DESIGN_PROGRAM);
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
