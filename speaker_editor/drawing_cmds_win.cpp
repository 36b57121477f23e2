// The drawing menu's file commands: open, insert and save speaker drawings.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/drawing_file.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/record_table.h"

namespace {

const char* const MSG_INVALID = "Ungültige Datei, kann nicht geladen werden !";
constexpr UINT PANEL_REFRESH = 400;

bool read_chosen(const char* filter, const char* initial, std::vector<uint8_t>& data, char* path, size_t capacity) {
  if (!filedlg_open(filter, initial)) return false;
  std::snprintf(path, capacity, "%s%s", filedlg_directory(), filedlg_file_title());
  return le_read_file(path, data, LEGACY_DRAWING_FILE_MAX_BYTES);
}

void show_loaded_drawing() {
  g_view.hidden_mode = 0;
  cad_check_menu_item(604, true);
  cad_check_menu_item(605, false);
  switch (g_view.kind) {
    case VIEW_XY: view_set_xy(); break;
    case VIEW_YZ: view_set_yz(); break;
    case VIEW_XZ: view_set_xz(); break;
    default: view_set_3d(); break;
  }
  if (panel_window()) PostMessageA(panel_window(), WM_COMMAND, PANEL_REFRESH, 0);
  view_set_title_path(g_spked_drawing_name);
  view_update_title();
  view_zoom_all();
}

}  // namespace

void spked_open_drawing_file() {
  std::vector<uint8_t> data;
  char path[SPKED_DRAWING_NAME_CHARS];
  if (!read_chosen("TCF|*.tcf|PVD|*.pvd|", nullptr, data, path, sizeof path)) return;
  if (spked_is_drawing_file(data.data(), data.size())) {
    if (!spked_load_drawing_bytes(data.data(), data.size())) {
      ui_message_box(MSG_INVALID, nullptr, UI_MB_OK);
      return;
    }
    std::snprintf(g_spked_drawing_name, sizeof g_spked_drawing_name, "%s", path);
    show_loaded_drawing();
    return;
  }
  RecordDrawing* list = spked_read_legacy_drawing(data.data(), data.size(), false);
  if (!list) {
    ui_message_box(MSG_INVALID, nullptr, UI_MB_OK);
    return;
  }
  while (DrawObject* o = list->head) {
    obj_list_unlink(list->head, list->tail, o);
    obj_append(o);
  }
  spked_free_drawing(list);
  g_view.kind = VIEW_3D;
  show_loaded_drawing();
}

void spked_insert_drawing_file() {
  std::vector<uint8_t> data;
  char path[SPKED_DRAWING_NAME_CHARS];
  if (!read_chosen("TCF|*.tcf|", nullptr, data, path, sizeof path)) return;
  bool inserted = false;
  if (spked_is_drawing_file(data.data(), data.size())) {
    inserted = spked_insert_drawing_bytes(data.data(), data.size());
  } else if (DrawObject* merged = spked_read_legacy_drawing_merged(data.data(), data.size())) {
    obj_insert_before(merged, g_obj_head);
    inserted = true;
  }
  if (!inserted) {
    ui_message_box(MSG_INVALID, nullptr, UI_MB_OK);
    return;
  }
  g_modified = 1;
  view_relayout();
}

bool spked_save_drawing_file() {
  char filter[] = "TCF|*.tcf|";
  const char* name = g_spked_drawing_name;
  if (g_spked_table.count > 0 && g_spked_current.type_name[0]) name = g_spked_current.type_name;
  if (!filedlg_save(filter, name)) {
    input_clear_flags();
    return false;
  }
  char path[SPKED_DRAWING_NAME_CHARS];
  std::snprintf(path, sizeof path, "%s%s", filedlg_directory(), filedlg_file_title());
  if (!file_ext_ensure(path, sizeof path, ".TCF") || !spked_write_drawing_file(path)) {
    ui_message_box("Datei kann nicht geschrieben werden", nullptr, UI_MB_OK);  // the old file is kept
    input_clear_flags();
    return false;
  }
  std::snprintf(g_spked_drawing_name, sizeof g_spked_drawing_name, "%s", path);
  g_modified = 0;
  view_update_title();
  input_clear_flags();
  return true;
}
