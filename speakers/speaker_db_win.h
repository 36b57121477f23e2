// The selection dialog of the speaker database (DIALOG_12).
#pragma once
#include <windows.h>

INT_PTR CALLBACK sdb_select_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
