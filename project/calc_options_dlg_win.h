// Dialog procedure of the calculation options dialog.
#pragma once
#include <windows.h>

INT_PTR CALLBACK opts_calc_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
int opts_run_calc_dialog();
