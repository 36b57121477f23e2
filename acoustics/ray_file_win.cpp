// The ray file's dialogs: the offer to save after the ray command's
// display, and command 5021 "Ray Datei laden".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "acoustics/ray_file.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_calc.h"
#include "acoustics/refl_cmd_win.h"
#include "acoustics/refl_search.h"
#include "cad/input_win.h"
#include "cad/view.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/input_dialogs.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"

namespace {

constexpr const char* MSG_NOT_RAY_FILE = "Kein gültiges Ray File";
constexpr const char* MSG_READ_FAILED = "Fehler beim Einlesen der Daten";

void chosen_path(char* out, size_t size) {
  std::snprintf(out, size, "%s%s", filedlg_directory(), filedlg_file_title());
}

}  // namespace

void rayfile_save() {
  if (refl_count_paths() == 0) return;
  if (ui_message_box("Reflexionsberechnung in Datei speichern ?", "", UI_MB_OKCANCEL) != UI_IDOK) return;
  char filter[] = "Orvante Ray File|*.orf|";
  if (!filedlg_save(filter, "*.ORF")) return;
  char path[2 * FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  file_ext_ensure(path, sizeof path, ".ORF");
  char description[RAYFILE_DESCRIPTION_CHARS + 1] = "";
  if (!dlg_input_line("Beschreibung :", description, RAYFILE_DESCRIPTION_CHARS, 0)) return;
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
  bool written = rayfile_write(path, description, g_refl_mean_free_path);
  SetCursor(previous);
  if (!written) ui_message_box(REFL_MSG_NOT_WRITABLE, nullptr, UI_MB_OK);
}

// The whole file is read and checked before the description is offered; a
// refused file leaves the model as it was.
int rayfile_load() {
  if (!filedlg_open("*.Orvante Ray File|*.orf|", nullptr)) return 0;
  char path[2 * FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  std::vector<uint8_t> data;
  if (!le_read_file(path, data, RAYFILE_MAX_BYTES)) {
    ui_message_box(MSG_READ_FAILED, nullptr, UI_MB_OK);
    return 0;
  }
  RayFileContents contents;
  if (rayfile_decode_header(data.data(), data.size(), contents) == RAYFILE_NOT_RAY_FILE) {
    ui_message_box(MSG_NOT_RAY_FILE, nullptr, UI_MB_OK);
    return 0;
  }
  RayFileResult result = rayfile_decode(data.data(), data.size(), contents);
  if (result != RAYFILE_OK) {
    ui_message_box(result == RAYFILE_NO_MEMORY ? "Nicht genügend Speicher vorhanden" : MSG_READ_FAILED, nullptr,
                   UI_MB_OK);
    return 0;
  }
  if (ui_message_box(contents.description, "Beschreibung :", UI_MB_OKCANCEL) != UI_IDOK) {
    rayfile_free(contents);
    return 0;
  }
  rayfile_commit(contents);
  return 1;
}

void rayfile_cmd_load() {
  if (!rayfile_load()) return;
  refl_result_display();
  refl_remove_paths();
  input_update_cursor(0);
  view_relayout();
  input_update_cursor(1);
}
