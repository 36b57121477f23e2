// Win32 side of the materials: dialog procedures and the save step the
// database editor needs in full.
#pragma once
#include <windows.h>

enum class AbsorberDbSave { saved, cancelled, failed };

AbsorberDbSave mat_save_absorber_db_as_chosen();
INT_PTR CALLBACK mat_database_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK mat_absorber_select_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
