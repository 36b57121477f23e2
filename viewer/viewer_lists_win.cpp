#include "viewer/viewer_lists_win.h"

#include <initializer_list>

#include "acoustics/face_list_win.h"

// The dialog is the design program's; its two material buttons are taken
// away before it shows, and their commands are never acted on.
INT_PTR CALLBACK viewer_face_list_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    for (int id : {FACELIST_ID_CHANGE, FACELIST_ID_REPLACE})
      if (HWND button = GetDlgItem(dialog, id)) DestroyWindow(button);
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == FACELIST_ID_CHANGE || LOWORD(wparam) == FACELIST_ID_REPLACE))
    return TRUE;
  return mat_face_list_common_proc(dialog, message, wparam, lparam);
}

int viewer_run_face_list() { return mat_run_face_list_dialog(viewer_face_list_dlg_proc); }
