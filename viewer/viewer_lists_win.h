// The viewer's read-only list dialogs: the face list and the loudspeaker
// list without the buttons that change materials or types.
#pragma once
#include <windows.h>

int viewer_run_face_list();
int viewer_run_speaker_list();
INT_PTR CALLBACK viewer_face_list_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK viewer_speaker_list_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
