// The design program's face list: the shared dialog with the two buttons
// that change materials.
#pragma once
#include <windows.h>

int mat_run_face_list();
INT_PTR CALLBACK mat_face_list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
