// The design program's loudspeaker list: the shared dialog with the buttons
// that change a loudspeaker's type or replace a type everywhere.
#pragma once
#include <windows.h>

int spk_cmd_list();
INT_PTR CALLBACK spk_list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
