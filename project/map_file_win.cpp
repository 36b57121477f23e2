// Menu commands 5102 "Pegelberechnung speichern" and 5103 "Pegelberechnung
// laden": the dialogs around the map file.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "project/map_file.h"

MapWindowHook mapfile_open_window_hook = nullptr;

namespace {

constexpr const char* MSG_READ_FAILED = "Fehler beim Einlesen der Daten";

void chosen_path(char* out, size_t size) {
  std::snprintf(out, size, "%s%s", filedlg_directory(), filedlg_file_title());
}

void open_coverage_window() {
  if (mapfile_open_window_hook) mapfile_open_window_hook();
  else ui_message_box("Pegelanzeige: noch nicht verfügbar", nullptr, UI_MB_OK);
}

}  // namespace

void mapfile_cmd_save() {
  char filter[] = "Orvante Map File|*.omf|";
  if (!filedlg_save(filter, "*.OMF")) return;
  char path[2 * FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  file_ext_ensure(path, sizeof path, ".OMF");
  char description[MAP_DESCRIPTION_CHARS + 1];
  std::snprintf(description, sizeof description, "%s", g_map_description);
  if (!dlg_input_line("Beschreibung :", description, MAP_DESCRIPTION_CHARS, 0)) return;
  mapfile_save_to(path, description);
}

void mapfile_cmd_load() {
  if (!filedlg_open("*.Orvante Map File|*.omf|", nullptr)) return;
  char path[2 * FILESEL_BUFFER];
  chosen_path(path, sizeof path);
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    ui_message_box(MSG_READ_FAILED, nullptr, UI_MB_OK);
    return;
  }
  uint8_t header[MAP_HEADER_BYTES];
  if (std::fread(header, 1, sizeof header, f) != sizeof header || !mapfile_check_magic(header)) {
    std::fclose(f);
    ui_message_box("Kein gültiges Map File", nullptr, UI_MB_OK);
    return;
  }
  char description[MAP_DESCRIPTION_CHARS + 1];
  std::memcpy(description, header + MAP_ID_BYTES, MAP_DESCRIPTION_CHARS);
  description[MAP_DESCRIPTION_CHARS] = 0;
  if (ui_message_box(description, "Beschreibung :", UI_MB_OKCANCEL) != UI_IDOK) {
    std::fclose(f);
    return;
  }
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  int ok = mapfile_read(f);
  SetCursor(previous);
  std::fclose(f);
  if (!ok) {
    ui_message_box(MSG_READ_FAILED, nullptr, UI_MB_OK);
    return;
  }
  std::snprintf(g_map_description, sizeof g_map_description, "%s", description);
  open_coverage_window();
}
