#include "viewer/viewer_lists_win.h"

#include <initializer_list>

#include "acoustics/face_list_win.h"
#include "acoustics/speaker_list_win.h"

namespace {

// The design program's dialogs are shown without the buttons that change
// the project; their commands are never acted on.
void remove_buttons(HWND dialog, std::initializer_list<int> ids) {
  for (int id : ids)
    if (HWND button = GetDlgItem(dialog, id)) DestroyWindow(button);
}

}  // namespace

INT_PTR CALLBACK viewer_face_list_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) remove_buttons(dialog, {FACELIST_ID_CHANGE, FACELIST_ID_REPLACE});
  if (message == WM_COMMAND && (LOWORD(wparam) == FACELIST_ID_CHANGE || LOWORD(wparam) == FACELIST_ID_REPLACE))
    return TRUE;
  return mat_face_list_common_proc(dialog, message, wparam, lparam);
}

// "Einzeltyp ändern" stays and does nothing; there is no "Typ ersetzen".
INT_PTR CALLBACK viewer_speaker_list_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) remove_buttons(dialog, {SPK_LIST_ID_REPLACE_ALL});
  if (message == WM_COMMAND &&
      (LOWORD(wparam) == SPK_LIST_ID_CHANGE_ONE || LOWORD(wparam) == SPK_LIST_ID_REPLACE_ALL))
    return TRUE;
  return spk_list_common_proc(dialog, message, wparam, lparam);
}

int viewer_run_face_list() { return mat_run_face_list_dialog(viewer_face_list_dlg_proc); }
int viewer_run_speaker_list() { return spk_run_list_dialog(viewer_speaker_list_dlg_proc); }
