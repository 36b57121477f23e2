// Menu commands of the project file: open (101), save as (102), insert a
// drawing (4206) and import room geometry (2206), with their file dialogs.
#include "design/project_cmds_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "design/history.h"
#include "framework/filesel_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "project/project_file.h"

namespace {

constexpr const char* OPEN_FILTER = "Orvante Projekt|*.opr|";

const char* project_folder() {
  const char* folder = g_history_folders[FOLDER_PROJECT];
  return folder[0] ? folder : win_start_directory();
}

void chosen_path(char* out, size_t size) {
  std::snprintf(out, size, "%s%s", filedlg_directory(), filedlg_file_title());
}

void remember_chosen_folder() {
  std::snprintf(g_history_folders[FOLDER_PROJECT], HISTORY_PATH_CHARS, "%s", filedlg_directory());
}

const char* file_title_of(const char* path) {
  const char* title = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') title = p + 1;
  return title;
}

// Base point and displacement of the placing step, the way every moving
// command asks for them: a zero displacement counts as STOP.
int ask_base_point() {
  int32_t preview = g_view.drag_preview;
  g_view.drag_preview = 0;
  view_show_prompt("Basispunkt :");
  input_wait_event();
  if (g_abort_flag) return 0;
  g_base_point = g_last_point;
  g_view.drag_preview = preview;
  return 1;
}

int ask_displacement(float* d) {
  view_show_prompt("Versatzpunkt :");
  input_wait_event();
  if (g_abort_flag) return 0;
  d[0] = g_last_point.x - g_base_point.x;
  d[1] = g_last_point.y - g_base_point.y;
  d[2] = g_last_point.z - g_base_point.z;
  if (d[0] == 0.0f && d[1] == 0.0f && d[2] == 0.0f) {
    g_abort_flag = 1;
    return 0;
  }
  return 1;
}

void move_selected(float dx, float dy, float dz) {
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!(o->attributes & OBJ_ATTR_SELECTED)) continue;
    for (uint32_t i = 0; i < o->node_count; ++i) {
      o->nodes[i].x += dx;
      o->nodes[i].y += dy;
      o->nodes[i].z += dz;
    }
  }
}

void redraw_drawing() {
  view_clear_drawing_window();
  if (HWND main = win_main_window()) InvalidateRect(main, nullptr, FALSE);
}

// Inserts the room or auxiliary objects of a chosen project onto `layer`
// and lets the user place them.
void place_merged_objects(int layer) {
  filedlg_set_directory(project_folder());
  if (!filedlg_open(OPEN_FILTER, nullptr)) {
    input_clear_flags();
    return;
  }
  char path[PROJECT_PATH_CHARS + FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  if (proj_merge_objects(path, layer) == 0) {
    input_clear_flags();
    return;
  }
  redraw_drawing();
  if (!ask_base_point()) {
    input_deselect_all();
  } else {
    cad_set_drag_transform(0);
    g_view.drag_preview = 1;
    float d[3];
    int placed = ask_displacement(d);
    g_view.drag_preview = 0;
    if (!placed) {
      // The preview moved the objects with the cursor: take them back.
      move_selected(g_base_point.x - g_last_point.x, g_base_point.y - g_last_point.y,
                    g_base_point.z - g_last_point.z);
    }
    input_deselect_all();
  }
  input_clear_flags();
  view_clear_prompt_line();
  g_modified = 1;
  redraw_drawing();
}

}  // namespace

// Open dialog in the last project folder; 1 when a project was loaded.
int proj_open_dialog() {
  filedlg_set_directory(project_folder());
  if (!filedlg_open(OPEN_FILTER, nullptr)) return 0;
  remember_chosen_folder();
  char path[PROJECT_PATH_CHARS + FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  return proj_load(path);
}

// Menu 101. The modified flag stays as it was unless a project was loaded,
// so cancelling or a refused file never hides unsaved changes.
void proj_cmd_open() {
  cad_confirm_discard();
  if (!g_abort_flag) {
    undo_clear();
    proj_open_dialog();
  }
  input_clear_flags();
}

// Menu 102.
void proj_cmd_save_as() {
  char filter[] = "*.OPR|*.opr|";
  filedlg_set_directory(project_folder());
  if (!filedlg_save(filter, file_title_of(g_project_path))) {
    view_update_title();
    input_clear_flags();
    return;
  }
  char path[PROJECT_PATH_CHARS + FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  proj_ensure_extension(path, PROJECT_PATH_CHARS);
  if (std::strlen(path) >= PROJECT_PATH_CHARS) {
    ui_message_box("Kann Datei nicht speichern -Schreibschutz?", nullptr, UI_MB_OK);
  } else {
    proj_save_to(path);
  }
  input_clear_flags();
}

void proj_cmd_insert_drawing() { place_merged_objects(LAYER_AUX); }
void proj_cmd_import_room() { place_merged_objects(LAYER_ROOM); }
