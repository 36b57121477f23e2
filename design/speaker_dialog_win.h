// Win32 side of the loudspeaker input dialog.
#pragma once
#include <windows.h>

INT_PTR CALLBACK spk_input_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
