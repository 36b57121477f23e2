#include "viewer/viewer_window_win.h"

#include <cstdio>

#include "acoustics/face_list_win.h"
#include "acoustics/ray_file.h"
#include "acoustics/result_cmds_win.h"
#include "acoustics/rt60_window_win.h"
#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/main_window_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/filesel_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/coverage_grid.h"
#include "project/project_file.h"
#include "viewer/viewer_lists_win.h"
#include "viewer/viewer_main_win.h"
#include "viewer/viewer_menu_state.h"

namespace {

constexpr const char* OPEN_FILTER = "Orvante Projekt|*.opr|";

// Menu 101: a project, read only; the file is never written.
void open_project() {
  filedlg_set_directory(win_start_directory());
  if (!filedlg_open(OPEN_FILTER, nullptr)) return;
  char path[PROJECT_PATH_CHARS + FILESEL_BUFFER];
  std::snprintf(path, sizeof path, "%s%s", filedlg_directory(), filedlg_file_title());
  proj_load(path);
}

// The viewer's commands; any other id does nothing.
void run_command(int id) {
  switch (id) {
    case 101: open_project(); break;
    case 105: viewer_cmd_exit(); break;
    case 2502: viewer_run_face_list(); break;
    case 1004: viewer_run_speaker_list(); break;
    case 602: view_zoom_all(); break;
    case 603: view_zoom_window(); break;
    case 604:
    case 605: cad_cmd_render_mode(id); break;
    case 608: spk_cmd_toggle_aim_lines(); break;
    case 610: case 611: case 612: case 613: case 614: cad_cmd_toggle_layer(id); break;
    case 5101: cov_cmd_map(id); break;
    case 5010: case 5011: case 5012: case 5013:
      input_update_cursor(0);
      rt60_show_window(id - 5010);
      input_update_cursor(1);
      break;
    case 5021: rayfile_cmd_load(); break;
    case 508: case 509: cad_cmd_point_snap(id); break;
    case 510: cad_set_node_snap(); break;
    case 511: case 512: cad_cmd_coordinate_snap(id); break;
    case 513: cad_set_snap_distance(); break;
    case 514: cad_cmd_grid_size(); break;
    case 516: case 517:
      cad_cmd_unit(id);
      viewer_write_history();
      break;
    case 503: break;
    case 506: cad_set_circle_segments(); break;
    case 606: cad_cmd_pick_eye_point(); break;
    case 5102: case 5103: cov_cmd_map(id); break;
    default: break;
  }
}

// The layer of the command's range, then the command.
void run_selected_command(int id) {
  viewer_select_command_layer(id);
  run_command(id);
}

ViewerMenuFacts gather_facts() {
  ViewerMenuFacts f = {};
  f.room_objects = obj_count_room(&f.room_surfaces);
  f.listener_objects = obj_count_listener();
  f.speaker_objects = obj_count_speaker();
  for (int layer = 0; layer < 9; ++layer) f.layer_visible[layer] = g_layers[layer].visible != 0;
  f.level_map_loaded = g_coverage_valid == 1;
  f.coordinate_snap = g_view.coord_snap != 0;
  f.point_snap = g_view.point_snap != 0;
  f.unit_feet = g_unit_feet != 0;
  return f;
}

}  // namespace

int viewer_runs_command(int id) {
  static const int ids[] = {101, 105, 2502, 1004, 602, 603, 604, 605, 608, 610, 611, 612, 613, 614, 5101, 5010,
                            5011, 5012, 5013, 5021, 508, 509, 510, 511, 512, 513, 514, 516, 517, 503, 506, 606,
                            5102, 5103};
  for (int known : ids)
    if (known == id) return 1;
  return 0;
}

LRESULT CALLBACK viewer_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // No history on the way out: the viewer writes it with the unit commands only.
  static const MainWindowProgram viewer = {
      .help_file = "OV_D.HLP",
      .starts_command = [](int id) { return viewer_runs_command(id) != 0; },
      .run_command = run_selected_command,
      .update_menu_state = viewer_update_menu_state,
      .exit = viewer_cmd_exit,
      .drawing_window_proc = viewer_drawing_window_proc,
      .menu_state_on_show = true,
      .menu_state_after_command = true,
      .keeps_prompt_line = true,
  };
  return cad_program_window_message(viewer, window, message, wparam, lparam);
}

// As the design program's, but the mouse has no Ctrl mode and the eye view
// is not turned with the scroll bars.
LRESULT viewer_drawing_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!print_is_printing())
        input_track_mouse(static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (g_view.busy || g_view.kind > VIEW_3D) return 0;
      return cad_drawing_window_proc(window, message, wparam, lparam);
    default:
      return cad_drawing_window_proc(window, message, wparam, lparam);
  }
}

void viewer_update_menu_state() {
  HWND main = win_main_window();
  HMENU menu = main ? GetMenu(main) : nullptr;
  if (!menu) return;
  for (const ViewerMenuItem& item : viewer_menu_state(gather_facts())) {
    if (item.kind == ViewerMenuItem::ENABLE)
      EnableMenuItem(menu, item.id, MF_BYCOMMAND | (item.on ? MF_ENABLED : MF_GRAYED));
    else
      CheckMenuItem(menu, item.id, MF_BYCOMMAND | (item.on ? MF_CHECKED : MF_UNCHECKED));
  }
  DrawMenuBar(main);
}

void viewer_select_command_layer(int id) { cad_select_command_layer(id, false); }

void viewer_show_ok_stop_buttons(int show) { cad_show_ok_stop_buttons(show); }
