#include "design/app_commands_win.h"

#include <windows.h>

#include <cstdio>

#include "acoustics/audio_cmd_win.h"
#include "acoustics/cov_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/ray_file.h"
#include "acoustics/refl_cmd_win.h"
#include "acoustics/room_check_win.h"
#include "acoustics/result_cmds_win.h"
#include "acoustics/rt60.h"
#include "acoustics/rt60_window_win.h"
#include "acoustics/speaker_aim.h"
#include "acoustics/speaker_list.h"
#include "cad/body_cmds.h"
#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/draw_cmds.h"
#include "cad/edit_cmds.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "design/app_main_win.h"
#include "design/app_window_win.h"
#include "design/cluster_balloon.h"
#include "design/ease_cmds_win.h"
#include "design/face_list_dlg_win.h"
#include "design/history.h"
#include "design/listener_faces.h"
#include "design/material_cmds.h"
#include "design/material_win.h"
#include "design/plot_cmd_win.h"
#include "design/project_cmds_win.h"
#include "design/speaker_aiming.h"
#include "design/speaker_cmds.h"
#include "design/speaker_list_dlg_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "materials/material.h"
#include "project/face_materials.h"
#include "project/map_file.h"
#include "project/project_file.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

void run_new(int) { cad_new_drawing(); }
void run_exit(int) { app_cmd_exit(); }
void run_undo(int) { undo_undo(); }
void run_redo(int) { undo_redo(); }
void run_nothing(int) {}
void run_level_time(int) { cov_cmd_level_time(); }
void run_rays(int) { refl_cmd_rays(); }
void run_load_ray_file(int) { rayfile_cmd_load(); }
void run_room_check(int) { room_check_command(); }
void run_plot(int) { plot_command(); }
void run_audio(int id) { audio_command(id); }

void run_copy_to_clipboard(int) { view_copy_window(); }

void run_point_snap(int id) { cad_cmd_point_snap(id); }
void run_coordinate_snap(int id) { cad_cmd_coordinate_snap(id); }

void run_unit(int id) {
  cad_cmd_unit(id);
  app_write_history();
}

void run_render_mode(int id) { cad_cmd_render_mode(id); }
void run_pick_eye_point(int) { cad_cmd_pick_eye_point(); }
void run_toggle_layer(int id) { cad_cmd_toggle_layer(id); }

void run_toggle_node_boxes(int) {
  g_view.node_boxes = !g_view.node_boxes;
  cad_check_menu_item(615, g_view.node_boxes);
  cad_build_grid();
}


void run_assign_material(int) { mat_cmd_assign(); }
void run_listener_over_faces(int) { listener_cmd_create_over_faces(); }
void run_face_list(int) { mat_run_face_list(); }
void run_load_absorber_db(int) { mat_cmd_load_absorber_db(); }
void run_edit_absorber_db(int) { mat_run_database_dialog(); }

// The selection edit and body commands of the room, listener-area and
// auxiliary ranges, by their last two digits.
void run_edit_command(int id) {
  switch (id % 100) {
    case 1: cad_cmd_delete(); break;
    case 2: cad_cmd_move(); break;
    case 3: cad_cmd_copy(); break;
    case 4: cad_cmd_rotate(); break;
    case 5: cad_cmd_scale(); break;
    case 6: cad_cmd_mirror(); break;
    case 7: cad_cmd_extrude(); break;
    case 8: cad_cmd_lathe(); break;
    case 9: cad_cmd_explode(); break;
    case 10: cad_cmd_join(); break;
    case 11: cad_cmd_move_nodes(); break;
    case 12: cad_cmd_insert_nodes(); break;
    case 13: cad_cmd_split_face(); break;
    case 14: cad_cmd_invert_face(); break;
    case 15: cad_cmd_delete_face(); break;
    case 19: cad_cmd_group(); break;
    case 20: cad_cmd_ungroup(); break;
  }
}

void run_lines(int) { cad_cmd_lines(); }
void run_polygon(int) { cad_cmd_polygon(); }
void run_circle(int) { cad_cmd_circle(); }
void run_rectangle(int) { cad_cmd_rectangle(); }
void run_text(int) { cad_cmd_text(); }

// Menu 110-113: one of the recent projects, after the discard question.
void run_recent_project(int id) {
  cad_confirm_discard();
  if (g_abort_flag) {
    g_abort_flag = 0;
    return;
  }
  char path[HISTORY_PATH_CHARS];
  std::snprintf(path, sizeof path, "%s", history_recent(id - 110));
  if (path[0] && proj_load(path)) app_write_history();
}

void run_open_speaker_db(int) { sdb_cmd_open(); }
void run_open_project(int) { proj_cmd_open(); }
void run_save_project_as(int) { proj_cmd_save_as(); }
void run_import_room(int) { proj_cmd_import_room(); }
void run_insert_drawing(int) { proj_cmd_insert_drawing(); }

void run_map_command(int id) { cov_cmd_map(id); }

// Menu 5010-5013: the reverberation window with Sabine, Eyring, Fitzroy or,
// once the measured times were accepted, the measured times.
void run_reverberation(int id) {
  if (id == 5013 && !rt60_edit_measured()) return;
  input_update_cursor(0);
  rt60_show_window(id - 5010);
  input_update_cursor(1);
}

void run_snap_distance(int) { cad_set_snap_distance(); }
void run_node_snap(int) { cad_set_node_snap(); }
void run_circle_segments(int) { cad_set_circle_segments(); }
void run_refresh_layers(int) { cad_refresh_layer_visibility(); }

void run_grid_size(int) { cad_cmd_grid_size(); }
void run_toggle_aim_lines(int) { spk_cmd_toggle_aim_lines(); }

// The loudspeaker commands of 1002-1018, by id.
void run_speaker_command(int id) {
  switch (id) {
    case 1002: spk_cmd_new(); break;
    case 1003: spk_cmd_edit(); break;
    case 1004: spk_cmd_list(); break;
    case 1005: spk_cmd_move(); break;
    case 1006: spk_cmd_copy(); break;
    case 1007: spk_cmd_delete(); break;
    case 1008: spk_cmd_switch_on(); break;
    case 1009: spk_cmd_switch_off(); break;
    case 1010: spk_cmd_align_times(); break;
    case 1011: spk_cmd_set_delay(); break;
    case 1013: spk_cmd_mirror(); break;
    case 1014: spk_cmd_equalizer(); break;
    case 1012: spk_cmd_aim_at_target(); break;
    case 1015: spk_cmd_aim_central(); break;
    case 1016: spk_cmd_cluster_balloon(); break;
    case 1017: spk_cmd_rotate_array(); break;
    case 1018: spk_cmd_tilt_array(); break;
  }
}

void run_ease_command(int id) {
  switch (id) {
    case 120: ease_import_faces_v3(); break;
    case 121: ease_export_faces_v3(); break;
    case 122: ease_import_faces_v2(); break;
    case 123: ease_export_faces_v2(); break;
    case 124: ease_import_speakers_v3(); break;
    case 125: ease_export_speakers_v3(); break;
    case 126: ease_import_speakers_v2(); break;
    case 127: ease_export_speakers_v2(); break;
  }
}

void run_zoom_all(int) { view_zoom_all(); }
void run_zoom_window(int) { view_zoom_window(); }

// Every command of the menu; a null routine is a command whose component is
// not part of the program yet.
const AppCommand COMMANDS[] = {
    {101, 101, run_open_project, CMD_WRITE_HISTORY},
    {102, 102, run_save_project_as, CMD_WRITE_HISTORY},
    {103, 103, run_plot, 0},
    {104, 104, run_new, 0},
    {105, 105, run_exit, 0},
    {110, 113, run_recent_project, 0},
    {120, 120, run_ease_command, CMD_SNAPSHOT},
    {121, 121, run_ease_command, 0},
    {122, 122, run_ease_command, CMD_SNAPSHOT},
    {123, 123, run_ease_command, 0},
    {124, 124, run_ease_command, CMD_SNAPSHOT},
    {125, 125, run_ease_command, 0},
    {126, 126, run_ease_command, CMD_SNAPSHOT},
    {127, 127, run_ease_command, 0},
    {201, 201, run_undo, 0},
    {202, 202, run_redo, 0},
    {210, 210, run_copy_to_clipboard, 0},
    {2201, 2201, run_lines, CMD_SNAPSHOT},
    {4201, 4201, run_lines, CMD_SNAPSHOT},
    {2202, 2202, run_polygon, CMD_SNAPSHOT},
    {3202, 3202, run_polygon, CMD_SNAPSHOT},
    {4202, 4202, run_polygon, CMD_SNAPSHOT},
    {2203, 2203, run_circle, CMD_SNAPSHOT},
    {3203, 3203, run_circle, CMD_SNAPSHOT},
    {4203, 4203, run_circle, CMD_SNAPSHOT},
    {2204, 2204, run_rectangle, CMD_SNAPSHOT},
    {3204, 3204, run_rectangle, CMD_SNAPSHOT},
    {4204, 4204, run_rectangle, CMD_SNAPSHOT},
    {4205, 4205, run_text, CMD_SNAPSHOT},
    {2206, 2206, run_import_room, CMD_SNAPSHOT},
    {4206, 4206, run_insert_drawing, CMD_SNAPSHOT},
    {2301, 2301, run_edit_command, CMD_SNAPSHOT | CMD_PURGE_MATERIALS},
    {3301, 3301, run_edit_command, CMD_SNAPSHOT | CMD_PURGE_MATERIALS},
    {4301, 4301, run_edit_command, CMD_SNAPSHOT | CMD_PURGE_MATERIALS},
    {2302, 2306, run_edit_command, CMD_SNAPSHOT},
    {3302, 3306, run_edit_command, CMD_SNAPSHOT},
    {4302, 4306, run_edit_command, CMD_SNAPSHOT},
    {2307, 2314, run_edit_command, CMD_SNAPSHOT},
    {4307, 4314, run_edit_command, CMD_SNAPSHOT},
    {3311, 3311, run_edit_command, CMD_SNAPSHOT},
    {2315, 2315, run_edit_command, CMD_SNAPSHOT | CMD_PURGE_MATERIALS},
    {4315, 4315, run_edit_command, CMD_SNAPSHOT | CMD_PURGE_MATERIALS},
    {1019, 1020, run_edit_command, CMD_SNAPSHOT},
    {2319, 2320, run_edit_command, CMD_SNAPSHOT},
    {2501, 2501, run_assign_material, CMD_SNAPSHOT},
    {2502, 2502, run_face_list, CMD_SNAPSHOT},
    {2601, 2601, run_listener_over_faces, CMD_SNAPSHOT},
    {2801, 2801, run_load_absorber_db, CMD_WRITE_HISTORY},
    {2802, 2802, run_edit_absorber_db, 0},
    {2803, 2803, run_room_check, CMD_SNAPSHOT},
    {1002, 1015, run_speaker_command, CMD_SNAPSHOT},
    {1016, 1016, run_speaker_command, 0},
    {1017, 1018, run_speaker_command, CMD_SNAPSHOT},
    {1021, 1021, run_open_speaker_db, CMD_WRITE_HISTORY},
    {503, 503, run_nothing, 0},
    {506, 506, run_circle_segments, 0},
    {507, 507, run_refresh_layers, 0},
    {508, 509, run_point_snap, 0},
    {510, 510, run_node_snap, 0},
    {511, 512, run_coordinate_snap, 0},
    {513, 513, run_snap_distance, 0},
    {514, 514, run_grid_size, 0},
    {516, 517, run_unit, 0},
    {602, 602, run_zoom_all, 0},
    {603, 603, run_zoom_window, 0},
    {604, 605, run_render_mode, 0},
    {606, 606, run_pick_eye_point, 0},
    {608, 608, run_toggle_aim_lines, 0},
    {610, 613, run_toggle_layer, 0},
    {614, 614, run_toggle_layer, 0},
    {615, 615, run_toggle_node_boxes, 0},
    {5001, 5001, run_level_time, 0},
    {5010, 5013, run_reverberation, 0},
    {5020, 5020, run_rays, 0},
    {5021, 5021, run_load_ray_file, 0},
    {5030, 5035, run_audio, CMD_WRITE_HISTORY},
    {5101, 5103, run_map_command, 0},
};

}  // namespace

const AppCommand* app_find_command(int id) {
  for (const AppCommand& c : COMMANDS)
    if (id >= c.first_id && id <= c.last_id) return &c;
  return nullptr;
}

void app_not_available() {
  ui_message_box("Diese Funktion ist noch nicht verfügbar.", "Hinweis", UI_MB_OK | UI_MB_ICONASTERISK);
}

// Runs one command with what the table says goes before and after it.
void app_run_command(int id) {
  const AppCommand* command = app_find_command(id);
  if (!command) return;
  if (!command->run) {
    app_not_available();
    return;
  }
  if (command->flags & CMD_SNAPSHOT) undo_push();
  command->run(id);
  if (!win_main_window()) return;
  if (command->flags & CMD_PURGE_MATERIALS) mat_purge_unused();
  if (command->flags & CMD_WRITE_HISTORY) app_write_history();
}
