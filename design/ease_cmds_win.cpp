#include "design/ease_cmds_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "acoustics/speaker_aim.h"
#include "cad/cad_state.h"
#include "cad/edit_steps.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/speaker_dialog.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "project/ease_exchange.h"
#include "project/model_reset.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

constexpr size_t PATH_CHARS = 2 * FILESEL_BUFFER;

void set_prefix(const char* prefix) {
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", prefix);
  view_show_prompt("");
}

void redraw_drawing() {
  view_clear_drawing_window();
  if (HWND main = win_main_window()) InvalidateRect(main, nullptr, FALSE);
}

void chosen_path(char* out) { std::snprintf(out, PATH_CHARS, "%s%s", filedlg_directory(), filedlg_file_title()); }

bool choose_to_read(const char* filter, char* path) {
  if (!filedlg_open(filter, nullptr)) return false;
  chosen_path(path);
  return true;
}

bool choose_to_write(const char* filter, char* path) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s", filter);
  if (!filedlg_save(buffer, nullptr)) return false;
  chosen_path(path);
  return true;
}

bool any_face_selected() {
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if ((o->attributes & OBJ_ATTR_SELECTED) && (o->kind == OBJ_KIND_FACE || o->kind == OBJ_KIND_BODY)) return true;
  return false;
}

void import_faces(int version, const char* filter) {
  char path[PATH_CHARS];
  if (choose_to_read(filter, path) && ease_import_faces_file(path, version) > 0) redraw_drawing();
  input_clear_flags();
}

// The user selects the faces; only the 3.x export gives the name its extension.
void export_faces(int version, const char* filter) {
  set_prefix("EASE-Flächen exportieren >");
  input_select_objects();
  char path[PATH_CHARS];
  if (any_face_selected() && choose_to_write(filter, path)) {
    if (version == EASE_V3) file_ext_ensure(path, sizeof path, ".xfc");
    ease_export_faces_file(path, version);
  }
  cad_end_command();
  redraw_drawing();
}

// The type of an imported loudspeaker chosen in the input dialog.
int ask_type_in_dialog(PlacedSpeaker* ps, char* type_name) { return spk_run_input_dialog(ps, type_name); }

// A database must be open to find the types in: the user may open one now.
bool database_ready() {
  if (g_sdb_index.path[0]) return true;
  int answer = ui_message_box("Es muß eine Lautsprecher-Datenbank geladen sein.Jetzt laden ?", "WARNUNG",
                              UI_MB_OKCANCEL);
  if (answer != UI_IDOK) return false;
  sdb_cmd_open();
  return g_sdb_index.path[0] != 0;
}

void import_speakers(int version, const char* filter) {
  if (!g_model_ready) spk_reset_tables();
  if (!g_model_ready || !database_ready()) {
    input_clear_flags();
    return;
  }
  set_prefix("Lautsprecher aus EASE importieren >");
  char path[PATH_CHARS];
  if (choose_to_read(filter, path) && ease_import_speakers_file(path, version, ask_type_in_dialog) > 0) {
    spk_rebuild_aim_lines();
    redraw_drawing();
  }
  cad_end_command();
}

void export_speakers(int version, const char* filter) {
  if (obj_count_speaker() == 0) return;
  set_prefix("Lautsprecher nach EASE exportieren >");
  char path[PATH_CHARS];
  if (choose_to_write(filter, path)) ease_export_speakers_file(path, version);
  cad_end_command();
}

}  // namespace

void ease_import_faces_v2() { import_faces(EASE_V2, "EASE-Export|*.exp|"); }
void ease_import_faces_v3() { import_faces(EASE_V3, "EASE-Export|*.xfc|"); }
void ease_export_faces_v2() { export_faces(EASE_V2, "EASE-Import|*.imp|"); }
void ease_export_faces_v3() { export_faces(EASE_V3, "EASE-Import|*.xfc|"); }
void ease_import_speakers_v2() { import_speakers(EASE_V2, "EASE-Export|*.exp|"); }
void ease_import_speakers_v3() { import_speakers(EASE_V3, "EASE-Export|*.xld|"); }
void ease_export_speakers_v2() { export_speakers(EASE_V2, "EASE-Import|*.imp|"); }
void ease_export_speakers_v3() { export_speakers(EASE_V3, "EASE-Import|*.xld|"); }
