// Win32 side of the materials: dialog procedures and the save step the
// database editor needs in full.
#pragma once
#include <windows.h>

enum class AbsorberDbSave { saved, cancelled, failed };

AbsorberDbSave mat_save_absorber_db_as_chosen();
INT_PTR CALLBACK mat_database_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK mat_absorber_select_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// Commands and dialogs of the design program (Win32).
void mat_cmd_load_absorber_db();
int mat_save_absorber_db();
int mat_run_database_dialog();
int mat_run_absorber_select(int preset_index, int* database_index);
