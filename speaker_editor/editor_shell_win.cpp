#include "speaker_editor/editor_shell_win.h"

#include <cstdio>
#include <cstring>

#include "cad/body_cmds.h"
#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/draw_cmds.h"
#include "cad/drawing_window_win.h"
#include "cad/edit_cmds.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/main_window_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/render.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"
#include "framework/win_frame_win.h"
#include "speaker_editor/balloon_data.h"
#include "speaker_editor/drawing_file.h"
#include "speaker_editor/record_table.h"
#include "speakers/legacy_drawing.h"

const char SPKED_CAPTION[] = "OSB V2.90";

namespace {

const char* const MSG_NOT_SAVED = "Datenbank ist noch nicht gesichert !";
const char* const MSG_NO_PASSWORD = "Ohne Paßwort produzierte Daten sind ungeschützt.Wiederholen?";

HMENU g_database_menu = nullptr;
HMENU g_drawing_menu = nullptr;
bool g_drawing_mode = false;
char g_caption[SPKED_PATH_CHARS + 16];

HMENU current_menu() { return GetMenu(win_main_window()); }

void enable_item(int id, bool on) { EnableMenuItem(current_menu(), id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); }

// Hidden until drawing mode.
bool create_drawing_window() {
  if (!cad_create_drawing_window()) return false;
  ShowWindow(win_drawing_window(), SW_HIDE);
  UpdateWindow(win_main_window());
  return true;
}

void ask_session_password() {
  for (;;) {
    g_spked_session_password[0] = '\0';
    dlg_input_line("Sitzungs-Paßwort(max.20 Stellen):", g_spked_session_password, SPKED_PASSWORD_CHARS, 0);
    if (g_spked_session_password[0]) return;
    if (ui_message_box(MSG_NO_PASSWORD, "WARNUNG", UI_MB_OKCANCEL) != UI_IDOK) return;
  }
}

void show_start_screen() {
  HWND main = win_main_window();
  view_update_rotation();
  g_view.kind = VIEW_YZ;
  panel_notify();
  g_view.kind = VIEW_XY;
  ValidateRect(main, nullptr);
  // The drawing window is hidden until drawing mode: the picture goes on
  // the main window.
  gfx_select_window(win_main_record());
  win_draw_bitmap_centred("OSBBMP290", 1);
  gfx_select_window(view_drawing_window());
  SetFocus(main);
  input_update_cursor(0);
  input_update_cursor(1);
  panel_notify();
}

void select_selector_refresh() {
  if (HWND bar = spked_record_selector()) SendMessageA(bar, WM_COMMAND, SPKED_SELECTOR_REBUILD, 0);
}

// ---- drawing-mode commands ----

void run_drawing_edit(int id) {
  undo_push();
  switch (id) {
    case 2301: cad_cmd_delete(); break;
    case 2302: cad_cmd_move(); break;
    case 2303: cad_cmd_copy(); break;
    case 2304: cad_cmd_rotate(); break;
    case 2305: cad_cmd_scale(); break;
    case 2306: cad_cmd_mirror(); break;
    case 2307: cad_cmd_extrude(); break;
    case 2308: cad_cmd_lathe(); break;
    case 2309: cad_cmd_explode(); break;
    case 2310: cad_cmd_join(); break;
    case 2311: cad_cmd_move_nodes(); break;
    case 2312: cad_cmd_insert_nodes(); break;
    case 2313: cad_cmd_split_face(); break;
    case 2314: cad_cmd_invert_face(); break;
    case 2315: cad_cmd_delete_face(); break;
  }
}

void open_drawing_after_question() {
  cad_confirm_discard();
  if (g_abort_flag) {
    input_clear_flags();
    return;
  }
  undo_clear();
  spked_open_drawing_file();
  input_clear_flags();
  g_modified = 0;
}

void run_drawing_command(int id) {
  switch (id) {
    case 104: cad_new_drawing(); break;
    case 101: open_drawing_after_question(); break;
    case 102: spked_save_drawing_file(); break;
    case 105: if (spked_confirm_discard()) spked_close_editor(); break;
    case 2201: undo_push(); cad_cmd_lines(); break;
    case 2202: undo_push(); cad_cmd_polygon(); break;
    case 2203: undo_push(); cad_cmd_circle(); break;
    case 2204: undo_push(); cad_cmd_rectangle(); break;
    case 2206: undo_push(); spked_insert_drawing_file(); break;
    case 4205: undo_push(); cad_cmd_text(); break;
    case 201: undo_undo(); break;
    case 602: view_zoom_all(); break;
    case 603: view_zoom_window(); break;
    case 604: case 605: cad_cmd_render_mode(id); break;
    case 614: cad_cmd_toggle_layer(id); break;
    case 508: case 509: cad_cmd_point_snap(id); break;
    case 511: case 512: cad_cmd_coordinate_snap(id); break;
    case 510: cad_set_node_snap(); break;
    case 513: cad_set_snap_distance(); break;
    case 514: cad_set_grid_size(); break;
    case 506: cad_set_circle_segments(); break;
    case 606: view_pick_eye_point(); g_view.kind = VIEW_EYE; view_relayout(); break;
    case 607: g_view.kind = VIEW_EYE; view_relayout(); break;
    case 210: view_copy_window(); break;
    case 6302: spked_leave_drawing_mode(); break;
    default:
      if (id >= 2301 && id <= 2315) run_drawing_edit(id);
      break;
  }
}

// ---- database-mode commands ----

void refresh_with_index(int index) {
  g_spked_current_index = index < 0 ? 0 : index;
  select_selector_refresh();
}

void run_database_command(int id) {
  switch (id) {
    case 6001: spked_new_database(); refresh_with_index(0); break;
    case 6002: spked_open_database(); refresh_with_index(0); break;
    case 6003: spked_save_database(); break;
    case 6004: if (spked_confirm_discard()) spked_close_editor(); break;
    case 6107: spked_append_database(); refresh_with_index(g_spked_table.count - 1); break;
    case 6108: spked_delete_record(); select_selector_refresh(); break;
    case 6109: spked_sort_records_cmd(); refresh_with_index(0); break;
    case 6110: spked_edit_record(); break;
    case 6111: spked_rotate_balloons(18); break;
    case 6112: spked_rotate_balloons(1); break;
    case 6113: spked_rotate_balloons(71); break;
    case 6104: spked_import_acoustacadd(); refresh_with_index(g_spked_table.count - 1); break;
    case 6105: spked_import_lsp_catalog(); refresh_with_index(g_spked_table.count - 1); break;
    case 6115: spked_import_spk_speaker(); refresh_with_index(g_spked_table.count - 1); break;
    case 6106: spked_import_gdf(); refresh_with_index(g_spked_table.count - 1); break;
    case 6114: spked_import_onf(); refresh_with_index(g_spked_table.count - 1); break;
    case 6201: if (g_spked_table.count > 0) spked_open_data_sheet_window(); break;
    case 6202: if (g_spked_table.count > 0) spked_open_polar_window(); break;
    case 6203: if (g_spked_table.count > 0) spked_open_balloon_window(); break;
    case 6301: spked_enter_drawing_mode(); break;
  }
}

void run_command(int id) {
  if (!g_drawing_mode) {
    run_database_command(id);
    return;
  }
  if (id >= 1000 && id <= 4999 && id != 1004 && id != 2502) cad_show_ok_stop_buttons(1);
  run_drawing_command(id);
}

void switch_back_to_database() {
  SetMenu(win_main_window(), g_database_menu);
  g_drawing_mode = false;
  ShowWindow(win_drawing_window(), SW_HIDE);
  panel_show(0);
  gfx_select_window(win_main_record());
  if (HWND bar = spked_record_selector()) {
    ShowWindow(bar, SW_SHOW);
    SendMessageA(bar, WM_COMMAND, SPKED_SELECTOR_REBUILD, 0);
  }
  spked_set_caption(g_spked_db_path[0] ? g_spked_db_path : nullptr);
  InvalidateRect(win_main_window(), nullptr, TRUE);
  UpdateWindow(win_main_window());
}

}  // namespace

bool spked_in_drawing_mode() { return g_drawing_mode; }

void spked_set_caption(const char* path) {
  if (path && *path)
    std::snprintf(g_caption, sizeof g_caption, "%s > %s", SPKED_CAPTION, path);
  else
    std::snprintf(g_caption, sizeof g_caption, "%s", SPKED_CAPTION);
  if (HWND main = win_main_window()) SetWindowTextA(main, g_caption);
}

bool spked_confirm_discard() {
  if (!g_spked_modified) return true;
  return ui_message_box(MSG_NOT_SAVED, "WARNUNG", UI_MB_OKCANCEL) == UI_IDOK;
}

// The record's drawing becomes the CAD object list; a record without one
// (or no record at all) starts from an empty drawing.
void spked_enter_drawing_mode() {
  obj_free_all();
  RecordDrawing* drawing = spked_record_drawing(g_spked_current_index);
  if (drawing && g_spked_table.count > 0) {
    g_obj_head = drawing->head;
    g_obj_tail = drawing->tail;
  }
  undo_clear();
  g_modified = 0;
  SetMenu(win_main_window(), g_drawing_menu);
  g_drawing_mode = true;
  gfx_select_window(view_drawing_window());
  if (HWND bar = spked_record_selector()) ShowWindow(bar, SW_HIDE);
  ShowWindow(win_drawing_window(), SW_SHOW);
  panel_show(1);
  view_update_title();
  view_relayout();
  UpdateWindow(win_main_window());
  SetFocus(win_main_window());
}

// The drawing goes back into the current record; a drawing left empty
// clears the record's drawing.
bool spked_leave_drawing_mode() {
  int index = g_spked_current_index;
  bool has_record = g_spked_table.count > 0 && index < g_spked_table.count;
  if (!g_obj_head) {
    if (has_record && g_spked_table.drawings[index]) {
      delete g_spked_table.drawings[index];  // its objects were the CAD list, now empty
      g_spked_table.drawings[index] = nullptr;
      if (spked_load_current(index)) {
        g_spked_current.shape_ref = 0;
        spked_store_current();
      }
      g_spked_modified = 1;
    }
    switch_back_to_database();
    return true;
  }
  if (has_record) {
    RecordDrawing*& drawing = g_spked_table.drawings[index];
    if (!drawing) drawing = new (std::nothrow) RecordDrawing{};
    if (!drawing) {
      obj_warn_no_memory();
      return false;
    }
    drawing->head = g_obj_head;
    drawing->tail = g_obj_tail;
    g_obj_head = g_obj_tail = nullptr;  // the record owns the objects again
    if (g_modified) g_spked_modified = 1;
    switch_back_to_database();
    return true;
  }
  // A save the user asked for and then cancelled (or that failed) keeps
  // the drawing on screen: it belongs to no record and would be lost.
  if (ui_message_box("Zeichnung als Datei sichern ?", "Warnung : Kein Lautsprecher zugeordnet", UI_MB_OKCANCEL) ==
          UI_IDOK &&
      !spked_save_drawing_file())
    return false;
  obj_free_all();
  switch_back_to_database();
  return true;
}

void spked_update_menu_state() {
  HMENU menu = current_menu();
  if (!menu) return;
  if (g_drawing_mode) {
    enable_item(201, undo_can_undo());
    bool any = g_obj_head != nullptr;
    for (int id : {102, 103, 602, 603}) enable_item(id, any);
    for (int id = 2301; id <= 2315; ++id) enable_item(id, any);
    cad_check_menu_item(512, g_view.coord_snap);
    cad_check_menu_item(511, !g_view.coord_snap);
    cad_check_menu_item(509, g_view.point_snap);
    cad_check_menu_item(508, !g_view.point_snap);
    cad_check_menu_item(614, g_layers[LAYER_GRID].visible);
  } else {
    bool any = g_spked_table.count >= 1;
    for (int id : {6201, 6202, 6203, 6003}) enable_item(id, any);
    for (int id = 6108; id <= 6113; ++id) enable_item(id, any);
  }
  DrawMenuBar(win_main_window());
}

void spked_close_editor() {
  if (g_drawing_mode) {
    cad_confirm_discard();
    if (g_abort_flag) {
      input_clear_flags();
      return;
    }
    if (!spked_leave_drawing_mode()) return;
  }
  obj_free_all();
  DestroyWindow(win_main_window());
}

// The view windows route themselves as child windows while they are open.
LRESULT CALLBACK spked_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  static const MainWindowProgram editor = {
      .run_command = run_command,
      .update_menu_state = spked_update_menu_state,
      .exit = spked_close_editor,
      .may_close = spked_confirm_discard,
      .takes_keys = spked_in_drawing_mode,
      .drawing_window_proc = cad_drawing_window_proc,
      .main_window_keeps_cursor = true,
  };
  return cad_program_window_message(editor, window, message, wparam, lparam);
}

int spked_win_main(HINSTANCE instance) {
  cad_new_document_hook = spked_init_drawing_defaults;
  if (!cad_alloc_buffers()) return 1;
  std::memset(&g_spked_current, 0, sizeof g_spked_current);
  spked_clear_table();
  g_spked_modified = 0;
  g_spked_db_path[0] = '\0';
  spked_init_drawing_defaults();
  view_update_rotation();
  if (!win_init(instance, "OSB", spked_main_window_proc)) {
    cad_free_buffers();
    return 1;
  }
  ui_set_program_caption(SPKED_CAPTION);
  g_view.grid_size = 0.1f;
  if (!create_drawing_window()) {
    DestroyWindow(win_main_window());
    cad_free_buffers();
    win_unregister_classes();
    return 1;
  }
  show_start_screen();
  g_database_menu = LoadMenuA(instance, "OSB_ENH");
  HMENU initial = GetMenu(win_main_window());
  SetMenu(win_main_window(), g_database_menu);
  if (initial) DestroyMenu(initial);
  g_drawing_menu = LoadMenuA(instance, "DRAWMENU");
  g_drawing_mode = false;
  view_set_title_base(SPKED_CAPTION);
  spked_set_caption(nullptr);
  g_axis_cross = legacy_load_drawing_resource("XYZ_CROSS");
  if (g_axis_cross) g_axis_cross->node_count -= 2;
  g_render_refs.axis_cross = g_axis_cross;
  DrawMenuBar(win_main_window());
  spked_create_record_selector();
  ask_session_password();
  input_wait_event();
  // Clean-up: the database menu went with the window (closing leaves
  // drawing mode first); the drawing menu is ours to destroy.
  if (g_drawing_menu) DestroyMenu(g_drawing_menu);
  g_drawing_menu = g_database_menu = nullptr;
  spked_destroy_record_selector();
  panel_show(0);
  spked_clear_table();
  obj_free(g_axis_cross);
  g_axis_cross = nullptr;
  g_render_refs.axis_cross = nullptr;
  cad_free_buffers();
  win_unregister_classes();
  return 0;
}
