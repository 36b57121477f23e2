// Win32 side of the band dialog.
#pragma once
#include <windows.h>

void opts_band_dialog_update(HWND dialog, int slider_id, double value);
INT_PTR CALLBACK opts_band_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
