// Menu commands on materials: assign a database material to room faces
// (2501) and choose the absorber database (2801); saving the database for
// the database editor.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "cad/cad_state.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "design/history.h"
#include "design/material.h"
#include "design/material_win.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/win_frame_win.h"

namespace {

// Directory + file title of the last dialog choice, with ".OAB" made sure.
bool chosen_path(char* path, size_t size) {
  int written = std::snprintf(path, size, "%s%s", filedlg_directory(), filedlg_file_title());
  if (written < 0 || static_cast<size_t>(written) >= size) return false;
  return file_ext_ensure(path, size, ".OAB");
}

void redraw_without_clearing() { render_objects(g_obj_head, nullptr, 0); }

}  // namespace

// Menu 2801: the chosen file becomes the absorber database unless it is
// refused; the folder is remembered either way.
void mat_cmd_load_absorber_db() {
  const char* folder = g_history_folders[FOLDER_ABSORBER_DB];
  filedlg_set_directory(folder[0] ? folder : win_start_directory());
  if (!filedlg_open(ABSORBER_DB_FILTER, nullptr)) return;
  std::snprintf(g_history_folders[FOLDER_ABSORBER_DB], HISTORY_PATH_CHARS, "%s", filedlg_directory());
  char path[MAX_PATH + 8];
  if (!chosen_path(path, sizeof path)) return;
  mat_load_absorber_db(path);
}

// Save dialog, then the whole loaded database under the chosen name. A
// failed write has been reported by then; the table keeps its edits.
AbsorberDbSave mat_save_absorber_db_as_chosen() {
  char filter[32];
  std::snprintf(filter, sizeof filter, "%s", ABSORBER_DB_FILTER);
  if (!filedlg_save(filter, g_absorber_db_path[0] ? g_absorber_db_path : nullptr)) return AbsorberDbSave::cancelled;
  char path[MAX_PATH + 8];
  if (!chosen_path(path, sizeof path)) {
    win_message_box("Kann Datei nicht speichern -Schreibschutz?", nullptr, MB_OK | MB_ICONEXCLAMATION);
    return AbsorberDbSave::failed;
  }
  return mat_save_absorber_db_to(path) ? AbsorberDbSave::saved : AbsorberDbSave::failed;
}

int mat_save_absorber_db() { return mat_save_absorber_db_as_chosen() == AbsorberDbSave::saved ? 1 : 0; }

// Menu 2501: choose a database material, then give it to the faces the
// user selects, selection after selection, until STOP or an empty choice.
void mat_cmd_assign() {
  input_clear_flags();
  int database_index = 0;
  if (!mat_run_absorber_select(0, &database_index)) return;
  int material = mat_add_from_database(database_index);
  if (material < 0) {
    win_message_box("Absorber kann nicht geladen werden", "Fehler: Speicher reicht nicht aus", MB_OK);
    return;
  }
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s zuweisen > ", g_material_table.records[material].name);
  while (!g_abort_flag) {
    int selected = input_select_objects();
    if (g_abort_flag || selected == 0) break;
    mat_assign_selected(material);
    input_deselect_all();
    redraw_without_clearing();
    g_finish_flag = 0;
  }
  input_clear_flags();
  if (g_modified) mat_purge_unused();
  g_prompt_prefix[0] = 0;
  view_clear_prompt_line();
}
