// The viewer's read-only list dialogs: the face list without the buttons
// that change materials.
#pragma once
#include <windows.h>

int viewer_run_face_list();
INT_PTR CALLBACK viewer_face_list_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
