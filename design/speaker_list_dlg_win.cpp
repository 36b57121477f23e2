#include "design/speaker_list_dlg_win.h"

#include <cstdio>

#include "acoustics/speaker_list.h"
#include "acoustics/speaker_list_win.h"
#include "cad/cad_state.h"
#include "design/speaker_cmds.h"
#include "framework/ui_seam.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

constexpr int ID_ROWS = 101;

// The name of the index entry the selection dialog chose.
bool chosen_type(int preselected, char* name, size_t capacity) {
  int chosen = 0;
  if (sdb_select_type(preselected, &chosen) != 1 || chosen < 0 || chosen >= g_sdb_index.count) return false;
  std::snprintf(name, capacity, "%.*s", int(sizeof g_sdb_index.names[0]), g_sdb_index.names[chosen]);
  return true;
}

void change_one(HWND dialog) {
  int row = spk_list_current_row();
  if (row < 0 || row >= g_spk_list_count) return;
  char name[16];
  if (chosen_type(g_spk_list[row]->type_index, name, sizeof name)) {
    if (!spk_list_change_type(row, name)) {
      ui_message_box("Lautsprecher kann nicht geladen werden", nullptr, UI_MB_OK);
    } else {
      spk_list_after_type_change(dialog, row);
      SendDlgItemMessageA(dialog, ID_ROWS, LB_SETCURSEL, WPARAM(row), 0);
      spk_set_list_selection(row, 1);
      g_modified = 1;
    }
  }
  spk_list_show_totals(dialog);
}

HWND g_changing_dialog = nullptr;
void row_changed(int row) { spk_list_after_type_change(g_changing_dialog, row); }

void replace_all(HWND dialog) {
  int row = spk_list_current_row();
  if (row < 0 || row >= g_spk_list_count) return;
  char name[16];
  if (!chosen_type(g_spk_list[row]->type_index, name, sizeof name)) return;
  g_changing_dialog = dialog;
  spk_list_replace_type(row, name, row_changed);
  g_changing_dialog = nullptr;
  spk_list_show_totals(dialog);
  SendDlgItemMessageA(dialog, ID_ROWS, LB_SETCURSEL, WPARAM(row), 0);
  spk_set_list_selection(row, 1);
  spk_list_show_row_power(dialog, row);
  g_modified = 1;
}

}  // namespace

INT_PTR CALLBACK spk_list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == SPK_LIST_ID_CHANGE_ONE) {
    change_one(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == SPK_LIST_ID_REPLACE_ALL) {
    replace_all(dialog);
    return TRUE;
  }
  return spk_list_common_proc(dialog, message, wparam, lparam);
}

// Menu 1004; types no loudspeaker uses any more go once the list is closed.
int spk_cmd_list() {
  if (!spk_run_list_dialog(spk_list_dialog_proc)) return 0;
  spk_prune_unused_types();
  return 1;
}
