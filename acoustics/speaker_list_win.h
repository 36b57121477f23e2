// The loudspeaker list dialog "SPKRLIST_DLG" shared by the design program and
// the viewer: its own message loop, the rows and band fields, the selected
// loudspeaker drawn selected, and the printout once the dialog has closed.
#pragma once
#include <windows.h>

enum : int { SPK_LIST_ID_CHANGE_ONE = 102, SPK_LIST_ID_REPLACE_ALL = 103 };

// Fills the list and runs the dialog until it is gone; 1 when it was shown.
int spk_run_list_dialog(DLGPROC proc);
INT_PTR spk_list_common_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// For the editing procedure.
int spk_list_current_row();
void spk_list_after_type_change(HWND dialog, int row);
void spk_list_show_totals(HWND dialog);
void spk_list_show_row_power(HWND dialog, int row);
// The tab stops of the rows, in dialog units: where the type and the place start.
void spk_list_tab_stops(int stops[2]);
