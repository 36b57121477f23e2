// The two dialogs on the loaded absorber database: the database editor
// MATERIAL_BASE_DLG and the absorber selection DIALOG_11.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "design/material_win.h"
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"
#include "framework/units.h"
#include "framework/units_win.h"
#include "framework/win_frame_win.h"
#include "materials/material.h"

namespace {

// Database editor controls.
constexpr int ID_DB_LIST = 101, ID_DB_NAME = 102, ID_DB_DESCRIPTION = 103, ID_DB_FIRST_COEFF = 104;
constexpr int ID_DB_LAST_COEFF = 110, ID_DB_NEW_OK = 111, ID_DB_EDIT_CANCEL = 112, ID_DB_QUIT = 113;
constexpr int ID_DB_CATEGORY = 114;

// Selection controls.
constexpr int ID_SEL_LIST = 101, ID_SEL_DESCRIPTION = 102, ID_SEL_FIRST_COEFF = 103, ID_SEL_OK = 110;
constexpr int ID_SEL_CANCEL = 111;

enum class DbMode { browse, adding, editing };

struct DatabaseDialogState {
  DbMode mode;
  int current;
  bool changed;
};
DatabaseDialogState g_db_dialog;

int g_select_preset;
int g_select_chosen;

void set_coefficients(HWND dialog, int first_id, const float* values) {
  char text[32];
  for (int band = 0; band < MATERIAL_BANDS; ++band) {
    std::snprintf(text, sizeof text, "%1.2f", values ? values[band] : 1.0);
    SetDlgItemTextA(dialog, first_id + band, text);
  }
}

void fill_list(HWND dialog, int list_id) {
  HWND list = GetDlgItem(dialog, list_id);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (int i = 0; i < g_absorber_db.count; ++i)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_absorber_db.records[i].name));
}

int list_selection(HWND dialog, int list_id) {
  return static_cast<int>(SendDlgItemMessageA(dialog, list_id, LB_GETCURSEL, 0, 0));
}

bool valid_db_index(int index) { return index >= 0 && index < g_absorber_db.count; }

// ---- database editor -------------------------------------------------------

void show_db_record(HWND dialog, int index) {
  const MaterialRecord& record = g_absorber_db.records[index];
  SetDlgItemTextA(dialog, ID_DB_NAME, record.name);
  SetDlgItemTextA(dialog, ID_DB_DESCRIPTION, record.description);
  SetDlgItemTextA(dialog, ID_DB_CATEGORY, record.category);
  set_coefficients(dialog, ID_DB_FIRST_COEFF, record.absorption);
}

// Name, description and coefficients become read-only while browsing; the
// category field stays writable, its content is taken only by "OK".
void set_fields_writable(HWND dialog, bool writable) {
  for (int id = ID_DB_NAME; id <= ID_DB_LAST_COEFF; ++id)
    SendDlgItemMessageA(dialog, id, EM_SETREADONLY, writable ? FALSE : TRUE, 0);
}

void show_browse_buttons(HWND dialog) {
  SetDlgItemTextA(dialog, ID_DB_NEW_OK, "Neu");
  SetDlgItemTextA(dialog, ID_DB_EDIT_CANCEL, "Editieren");
  ShowWindow(GetDlgItem(dialog, ID_DB_EDIT_CANCEL), g_absorber_db.count > 0 ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(dialog, ID_DB_QUIT), SW_SHOW);
}

void enter_entry_mode(HWND dialog, DbMode mode) {
  ShowWindow(GetDlgItem(dialog, ID_DB_QUIT), SW_HIDE);
  SetDlgItemTextA(dialog, ID_DB_NEW_OK, "OK");
  SetDlgItemTextA(dialog, ID_DB_EDIT_CANCEL, "Abbruch");
  ShowWindow(GetDlgItem(dialog, ID_DB_EDIT_CANCEL), SW_SHOW);
  g_db_dialog.mode = mode;
  set_fields_writable(dialog, true);
}

void back_to_browse(HWND dialog) {
  g_db_dialog.mode = DbMode::browse;
  set_fields_writable(dialog, false);
  show_browse_buttons(dialog);
}

void init_database_dialog(HWND dialog) {
  g_db_dialog = DatabaseDialogState{DbMode::browse, 0, false};
  fill_list(dialog, ID_DB_LIST);
  set_coefficients(dialog, ID_DB_FIRST_COEFF, nullptr);
  // Show the first record: "Editieren" right away then edits what is shown.
  if (g_absorber_db.count > 0) {
    SendDlgItemMessageA(dialog, ID_DB_LIST, LB_SETCURSEL, 0, 0);
    show_db_record(dialog, 0);
  }
  back_to_browse(dialog);
}

void start_new_record(HWND dialog) {
  if (g_absorber_db.count >= MAX_MATERIALS) {
    ui_message_box_over(dialog, "Die Kapazität der Datenbank ist auf 200 Materialien begrenzt", nullptr, UI_MB_OK);
    return;
  }
  enter_entry_mode(dialog, DbMode::adding);
  g_db_dialog.current = g_absorber_db.count;
  HWND name = GetDlgItem(dialog, ID_DB_NAME);
  SetWindowTextA(name, "Neu");
  SendMessageA(name, EM_SETSEL, 0, -1);
  SetFocus(name);
}

// Editing always starts from the record shown in the list, never from
// whatever the fields happen to hold.
void start_edit(HWND dialog) {
  int selected = list_selection(dialog, ID_DB_LIST);
  if (valid_db_index(selected)) g_db_dialog.current = selected;
  if (!valid_db_index(g_db_dialog.current)) return;
  show_db_record(dialog, g_db_dialog.current);
  enter_entry_mode(dialog, DbMode::editing);
}

bool read_coefficients(HWND dialog, float* values) {
  for (int band = 0; band < MATERIAL_BANDS; ++band) {
    char text[5];  // at most 4 characters are taken
    GetDlgItemTextA(dialog, ID_DB_FIRST_COEFF + band, text, sizeof text);
    float value = NAN;
    if (std::sscanf(text, "%f", &value) != 1 || !(value >= 0.0f && value <= 1.0f)) return false;
    values[band] = value;
  }
  return true;
}

void read_text_field(HWND dialog, int id, char* field, size_t field_size, int max_chars) {
  char text[256];
  GetDlgItemTextA(dialog, id, text, max_chars + 1);
  std::memset(field, 0, field_size);
  std::snprintf(field, field_size, "%s", text);
}

void confirm_entry(HWND dialog) {
  float values[MATERIAL_BANDS];
  if (!read_coefficients(dialog, values)) {
    ui_message_box_over(dialog, "Koeffizienten nur von 0...1 gültig", nullptr, UI_MB_OK);
    return;
  }
  MaterialRecord& record = g_absorber_db.records[g_db_dialog.current];
  read_text_field(dialog, ID_DB_NAME, record.name, sizeof record.name, MATERIAL_NAME_CHARS);
  read_text_field(dialog, ID_DB_DESCRIPTION, record.description, sizeof record.description, MATERIAL_TEXT_CHARS);
  read_text_field(dialog, ID_DB_CATEGORY, record.category, sizeof record.category, MATERIAL_TEXT_CHARS);
  std::memcpy(record.absorption, values, sizeof values);
  HWND list = GetDlgItem(dialog, ID_DB_LIST);
  if (g_db_dialog.mode == DbMode::editing) {
    SendMessageA(list, LB_DELETESTRING, g_db_dialog.current, 0);
    SendMessageA(list, LB_INSERTSTRING, g_db_dialog.current, reinterpret_cast<LPARAM>(record.name));
  } else {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(record.name));
    ++g_absorber_db.count;
  }
  SendMessageA(list, LB_SETCURSEL, g_db_dialog.current, 0);
  g_db_dialog.changed = true;
  back_to_browse(dialog);
}

void cancel_entry(HWND dialog) {
  if (g_db_dialog.mode == DbMode::adding) {
    SetDlgItemTextA(dialog, ID_DB_NAME, "");
    SetDlgItemTextA(dialog, ID_DB_DESCRIPTION, "");
    set_coefficients(dialog, ID_DB_FIRST_COEFF, nullptr);
  } else if (valid_db_index(g_db_dialog.current)) {
    const MaterialRecord& record = g_absorber_db.records[g_db_dialog.current];
    SetDlgItemTextA(dialog, ID_DB_NAME, record.name);
    SetDlgItemTextA(dialog, ID_DB_DESCRIPTION, record.description);
    set_coefficients(dialog, ID_DB_FIRST_COEFF, record.absorption);
  }
  back_to_browse(dialog);
}

// Leaving asks to save a changed database. A save that failed keeps the
// dialog open so the edits can still be saved elsewhere.
void close_database_dialog(HWND dialog, INT_PTR result) {
  if (g_db_dialog.changed &&
      ui_message_box_over(dialog, "Datenbank wurde geändert.Jetzt speichern ?", "Warnung", UI_MB_OKCANCEL) == UI_IDOK &&
      mat_save_absorber_db_as_chosen() == AbsorberDbSave::failed)
    return;
  SendDlgItemMessageA(dialog, ID_DB_LIST, LB_RESETCONTENT, 0, 0);
  EndDialog(dialog, result);
}

void fix_coefficient_commas(HWND dialog) {
  for (int id = ID_DB_FIRST_COEFF; id <= ID_DB_LAST_COEFF; ++id) units_fix_decimal_comma(dialog, id);
}

bool is_close_request(UINT message, WPARAM wparam) {
  return message == WM_CLOSE || (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_CLOSE);
}

void database_command(HWND dialog, int id, int code) {
  if (id == ID_DB_LIST) {
    if (code == LBN_SELCHANGE && g_db_dialog.mode == DbMode::browse) {
      int selected = list_selection(dialog, ID_DB_LIST);
      if (valid_db_index(selected)) {
        g_db_dialog.current = selected;
        show_db_record(dialog, selected);
        SetDlgItemTextA(dialog, ID_DB_EDIT_CANCEL, "Editieren");
      }
    }
    return;
  }
  if (id == ID_DB_NEW_OK) {
    if (g_db_dialog.mode == DbMode::browse) start_new_record(dialog);
    else confirm_entry(dialog);
  } else if (id == ID_DB_EDIT_CANCEL) {
    if (g_db_dialog.mode == DbMode::browse) start_edit(dialog);
    else cancel_entry(dialog);
  } else if (id == ID_DB_QUIT) {
    if (g_db_dialog.mode == DbMode::browse) close_database_dialog(dialog, 1);
  } else if (id == IDCANCEL) {  // Escape counts as the close box
    close_database_dialog(dialog, 0);
  }
}

// ---- absorber selection ----------------------------------------------------

void show_select_record(HWND dialog, const MaterialRecord& record) {
  SetDlgItemTextA(dialog, ID_SEL_DESCRIPTION, record.description);
  set_coefficients(dialog, ID_SEL_FIRST_COEFF, record.absorption);
}

// The record shown is always the one selected in the list, which is what
// "OK" returns: the preset's own record when the database holds its name,
// else the first.
void init_select_dialog(HWND dialog) {
  fill_list(dialog, ID_SEL_LIST);
  g_select_chosen = 0;
  if (g_select_preset >= 0 && g_select_preset < g_material_table.count) {
    const MaterialRecord& preset = g_material_table.records[g_select_preset];
    for (int j = 0; j < g_absorber_db.count; ++j) {
      if (std::strcmp(g_absorber_db.records[j].name, preset.name) == 0) {
        g_select_chosen = j;
        break;
      }
    }
  }
  if (!valid_db_index(g_select_chosen)) return;
  SendDlgItemMessageA(dialog, ID_SEL_LIST, LB_SETCURSEL, g_select_chosen, 0);
  show_select_record(dialog, g_absorber_db.records[g_select_chosen]);
}

void end_select_dialog(HWND dialog, INT_PTR result) {
  SendDlgItemMessageA(dialog, ID_SEL_LIST, LB_RESETCONTENT, 0, 0);
  EndDialog(dialog, result);
}

}  // namespace

// Browses the loaded database and adds or edits records; changes reach a
// file only when the user agrees to save on leaving.
INT_PTR CALLBACK mat_database_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    init_database_dialog(dialog);
    return TRUE;
  }
  if (is_close_request(message, wparam)) {
    close_database_dialog(dialog, 0);
    return TRUE;
  }
  if (message == WM_COMMAND) {
    int id = LOWORD(wparam), code = HIWORD(wparam);
    HWND control = reinterpret_cast<HWND>(lparam);
    char class_name[16] = "";
    if (control) GetClassNameA(control, class_name, sizeof class_name);
    if (lstrcmpiA(class_name, "Edit") == 0) return FALSE;  // edit notifications pass untouched
    if (id == ID_DB_LIST) fix_coefficient_commas(dialog);
    database_command(dialog, id, code);
    return TRUE;
  }
  fix_coefficient_commas(dialog);
  return FALSE;
}

int mat_run_database_dialog() {
  return static_cast<int>(win_run_dialog("MATERIAL_BASE_DLG", win_main_window(), mat_database_dialog_proc));
}

// Lets the user pick one database record; the preset project material is
// shown and, when the database holds its name, preselected.
INT_PTR CALLBACK mat_absorber_select_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      init_select_dialog(dialog);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wparam), code = HIWORD(wparam);
      if (id == ID_SEL_LIST && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
        int selected = list_selection(dialog, ID_SEL_LIST);
        if (valid_db_index(selected)) {
          g_select_chosen = selected;
          show_select_record(dialog, g_absorber_db.records[selected]);
          if (code == LBN_DBLCLK) end_select_dialog(dialog, 1);
        }
      } else if (id == ID_SEL_OK || id == IDOK) {
        end_select_dialog(dialog, 1);
      } else if (id == ID_SEL_CANCEL || id == IDCANCEL) {
        end_select_dialog(dialog, 0);
      }
      return TRUE;
    }
    case WM_CLOSE:
      end_select_dialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

int mat_run_absorber_select(int preset_index, int* database_index) {
  if (g_absorber_db_path[0] == 0 || g_absorber_db.count <= 0) {
    if (ui_message_box("Jetzt laden ?", "Keine Absorber-Datenbank geladen", UI_MB_OKCANCEL) == UI_IDOK)
      mat_cmd_load_absorber_db();
    if (g_absorber_db_path[0] == 0 || g_absorber_db.count <= 0) return 0;
  }
  g_select_preset = preset_index;
  INT_PTR result = win_run_dialog("DIALOG_11", GetActiveWindow(), mat_absorber_select_proc);
  if (result != 1 || !valid_db_index(g_select_chosen)) return 0;
  *database_index = g_select_chosen;
  return 1;
}
