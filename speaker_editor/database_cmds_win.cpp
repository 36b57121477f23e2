// The database commands: New, Open, Append, Save as, Delete, Sort and the
// balloon rotations, with their dialogs and messages.
#include <cstdio>
#include <cstring>

#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/ui_seam.h"
#include "speaker_editor/balloon_data.h"
#include "speaker_editor/database_file.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/record_table.h"

namespace {

const char* const MSG_INCOMPLETE = "Datenbank kann nicht vollständig geladen werden";
const char* const MSG_NOT_SAVED = "Konnte Daten nicht speichern !";
const char* const MSG_NO_PERMISSION = "Keine Berechtigung, diesen Datensatz zu ändern";
const char* const CAPTION_DENIED = "ZUGRIFF VERWEIGERT";
const char* const CAPTION_OLD_FORMAT = "Veraltetes Datenbankformat";

void message(const char* text, const char* caption = nullptr) { ui_message_box(text, caption, UI_MB_OK); }

bool choose_database(char* path, size_t capacity) {
  if (!filedlg_open("OSB|*.osb|", "*.osb")) return false;
  std::snprintf(path, capacity, "%s%s", filedlg_directory(), filedlg_file_title());
  return file_ext_ensure(path, capacity, ".OSB");
}

void remember_path(const char* path) {
  std::snprintf(g_spked_db_path, sizeof g_spked_db_path, "%s", path);
  spked_set_caption(g_spked_db_path);
}

// Open and Append share the reading; an older file is converted in place
// first. True when records were taken over.
bool load_database(bool replace, const char* conversion_notice) {
  char path[SPKED_PATH_CHARS];
  if (!spked_confirm_discard() || !choose_database(path, sizeof path)) return false;
  int result = spked_read_database(path, replace);
  if (result == SPKED_READ_OLD_VERSION) {
    message(conversion_notice, CAPTION_OLD_FORMAT);
    if (!spked_convert_v130_database(path)) return false;
    result = spked_read_database(path, replace);
  }
  switch (result) {
    case SPKED_READ_CANNOT_OPEN:
      return false;
    case SPKED_READ_INVALID:
      message("Invalid file");
      return false;
    case SPKED_READ_DAMAGED:
      message(MSG_INCOMPLETE);
      return false;
    case SPKED_READ_TABLE_FULL:
      message(MSG_INCOMPLETE);
      break;
  }
  remember_path(path);
  return true;
}

bool current_record_changeable() {
  if (spked_record_changeable(g_spked_current)) return true;
  message(MSG_NO_PERMISSION, CAPTION_DENIED);
  return false;
}

}  // namespace

void spked_new_database() {
  if (!spked_confirm_discard()) return;
  spked_clear_table();
  std::memset(&g_spked_current, 0, sizeof g_spked_current);
  remember_path("LS001.OSB");
}

void spked_open_database() {
  if (load_database(true, "Datenbank wird in V2.30-Format konvertiert")) g_spked_modified = 0;
}

// The appended records are changes of the open table.
void spked_append_database() {
  int before = g_spked_table.count;
  load_database(false, "Datenbank wird in V2.xx-Format konvertiert");
  if (g_spked_table.count != before) g_spked_modified = 1;
}

void spked_save_database() {
  if (g_spked_table.count < 1) return;
  char filter[] = "OSB|*.osb|";
  if (!filedlg_save(filter, g_spked_db_path[0] ? g_spked_db_path : nullptr)) return;
  char path[SPKED_PATH_CHARS];
  std::snprintf(path, sizeof path, "%s%s", filedlg_directory(), filedlg_file_title());
  if (!file_ext_ensure(path, sizeof path, ".OSB") || !spked_write_database(path)) {
    message(MSG_NOT_SAVED);  // path, caption and modified flag stay as they were
    return;
  }
  remember_path(path);
  g_spked_modified = 0;
}

void spked_delete_record() {
  if (g_spked_table.count < 1) return;
  if (ui_message_box("Markierten Datensatz löschen ?", "WARNUNG", UI_MB_OKCANCEL) != UI_IDOK) return;
  spked_delete_current_record();
}

void spked_sort_records_cmd() { spked_sort_records(); }

void spked_rotate_balloons(int steps) {
  if (g_spked_table.count < 1 || !current_record_changeable()) return;
  spked_rotate_balloon_bytes(&g_spked_current.balloon[0][0][0], steps);
  spked_store_current();
  g_spked_modified = 1;
}

void spked_edit_record() {
  if (g_spked_table.count < 1 || !current_record_changeable()) return;
  if (spked_show_characteristics_dialog() != 1) return;
  spked_stamp_owner(g_spked_current);
  spked_stamp_edit_time(g_spked_current, ui_tick_count());
  spked_store_current();
  g_spked_modified = 1;
  spked_notify_selector(SPKED_SELECTOR_REPLACE);
}
