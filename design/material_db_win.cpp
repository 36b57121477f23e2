// Choosing the absorber database (menu 2801) and saving it under a chosen
// name for the database editor.
#include <windows.h>

#include <cstdio>

#include "design/history.h"
#include "design/material_win.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "materials/material.h"

namespace {

// Directory + file title of the last dialog choice, with ".OAB" made sure.
bool chosen_path(char* path, size_t size) {
  int written = std::snprintf(path, size, "%s%s", filedlg_directory(), filedlg_file_title());
  if (written < 0 || static_cast<size_t>(written) >= size) return false;
  return file_ext_ensure(path, size, ".OAB");
}

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
    ui_message_box("Kann Datei nicht speichern -Schreibschutz?", nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
    return AbsorberDbSave::failed;
  }
  return mat_save_absorber_db_to(path) ? AbsorberDbSave::saved : AbsorberDbSave::failed;
}

int mat_save_absorber_db() { return mat_save_absorber_db_as_chosen() == AbsorberDbSave::saved ? 1 : 0; }

