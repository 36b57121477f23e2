#include "speakers/speaker_db_win.h"

#include <cstdio>
#include <cstring>

#include "framework/filesel_win.h"
#include "framework/last_folders.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "speakers/speaker_db.h"

namespace {

constexpr int ID_NAMES = 101;
constexpr int ID_DESCRIPTION = 102;
constexpr int ID_OK = 110;
constexpr int ID_CANCEL = 111;

void show_description(HWND dialog, int index) {
  sdb_read_type_head(index);
  SetDlgItemTextA(dialog, ID_DESCRIPTION, g_type_head.description);
}

void fill_names(HWND dialog) {
  HWND list = GetDlgItem(dialog, ID_NAMES);
  for (int i = 0; i < g_sdb_index.count; ++i) {
    char name[sizeof g_sdb_index.names[0] + 1] = {};
    std::memcpy(name, g_sdb_index.names[i], sizeof g_sdb_index.names[0]);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  }
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(g_sdb_current_selection), 0);
  show_description(dialog, g_sdb_current_selection);
}

int highlighted(HWND dialog) {
  LRESULT index = SendDlgItemMessageA(dialog, ID_NAMES, LB_GETCURSEL, 0, 0);
  return index == LB_ERR ? g_sdb_current_selection : static_cast<int>(index);
}

void close_dialog(HWND dialog, INT_PTR result) {
  SendDlgItemMessageA(dialog, ID_NAMES, LB_RESETCONTENT, 0, 0);
  EndDialog(dialog, result);
}

}  // namespace

// The type list of the open database; the description of the highlighted
// type comes from its head, read into the type-head buffer.
INT_PTR CALLBACK sdb_select_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      fill_names(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case ID_NAMES:
          if (HIWORD(wparam) == LBN_SELCHANGE) {
            show_description(dialog, highlighted(dialog));
          } else if (HIWORD(wparam) == LBN_DBLCLK) {
            g_sdb_current_selection = highlighted(dialog);
            show_description(dialog, g_sdb_current_selection);
            close_dialog(dialog, IDOK);
          }
          return TRUE;
        case ID_OK:
        case IDOK:  // Enter
          g_sdb_current_selection = highlighted(dialog);
          close_dialog(dialog, IDOK);
          return TRUE;
        case ID_CANCEL:
        case IDCANCEL:  // Escape and the close box
          close_dialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
    case WM_CLOSE:
      close_dialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

// Menu 1021: choose a database file and index it.
void sdb_cmd_open() {
  filedlg_set_directory(g_history_folders[FOLDER_SPEAKER_DB]);
  if (!filedlg_open("*.OSB|*.osb|", "")) return;
  char path[FILESEL_BUFFER * 2];
  std::snprintf(path, sizeof path, "%s%s", filedlg_directory(), filedlg_file_title());
  sdb_open_path(path);
}

// Lets the user choose a type of the open database (opening one first when
// none is); 1 with the chosen index on OK, 0 otherwise.
int sdb_select_type(int preselected, int* chosen) {
  if (!g_sdb_index.path[0]) sdb_cmd_open();
  if (!g_sdb_index.path[0]) {
    ui_message_box("Keine Lautsprecherdatenbank geladen", nullptr, UI_MB_OK);
    return 0;
  }
  if (preselected != 0 && preselected < g_sdb_index.count) g_sdb_current_selection = preselected;
  if (g_sdb_current_selection >= g_sdb_index.count || g_sdb_current_selection < 0) g_sdb_current_selection = 0;
  if (win_run_dialog("DIALOG_12", GetActiveWindow(), sdb_select_dialog_proc) != IDOK) return 0;
  if (chosen) *chosen = g_sdb_current_selection;
  return 1;
}
