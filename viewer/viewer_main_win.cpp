#include "viewer/viewer_main_win.h"

#include <cstdio>

#include "acoustics/cov_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/point_response.h"
#include "acoustics/program_start_win.h"
#include "acoustics/refl_cmd_win.h"
#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/map_file.h"
#include "project/model_reset.h"
#include "project/project_file.h"
#include "viewer/viewer_history.h"
#include "viewer/viewer_window_win.h"

namespace {

constexpr const char* NEW_PROJECT = "PROJEKT1.OPR";

void history_file(char* out, size_t size) { viewer_history_path(out, size, win_start_directory()); }

// What the lower layers call back into, set once before anything runs.
void install_hooks() {
  cad_new_document_hook = viewer_new_project;
  proj_loaded_hook = cad_show_loaded_view;
  mapfile_open_window_hook = cov_show_window;
  cov_reflection_hook = refl_calculate_at_map_point;
  spk_set_calculation_reset(resp_reset_tables);
}

// No stroke font: the viewer never runs the text command.
const ProgramStart VIEWER_PROGRAM = {
    .resource_name = "ORVANTE",
    .window_proc = viewer_main_window_proc,
    .title = "Orvante Viewer 2.90",
    .new_project = viewer_new_project,
    .read_history = [] { viewer_read_history(); },
};

}  // namespace

int viewer_win_main(HINSTANCE instance) {
  install_hooks();
  return program_run(instance, VIEWER_PROGRAM);
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
