// The face list dialog "FACELIST_DLG" that the design program and the viewer
// share: its own message loop, the list and its fields, the highlighted face
// with its normal marker, and the printout once the dialog has closed. Each
// program passes its own dialog procedure, which hands everything it does
// not handle itself to mat_face_list_common_proc.
#pragma once
#include <windows.h>

enum : int {
  FACELIST_ID_LIST = 101,
  FACELIST_ID_CHANGE = 102,
  FACELIST_ID_REPLACE = 103,
  FACELIST_ID_CLOSE = 104,
  FACELIST_ID_PRINT = 105,
};

// Builds the face table and runs the dialog until it is gone; 1 when it was
// shown, 0 with no room face or when it could not be created.
int mat_run_face_list_dialog(DLGPROC proc);
INT_PTR mat_face_list_common_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

// For the editing procedure: the list position shown, its row rebuilt and
// reselected, and the blocks filled again.
int mat_face_list_current();
void mat_face_list_rebuild_row(HWND dialog, int entry);
void mat_face_list_show_selection(HWND dialog);
void mat_face_list_show_room(HWND dialog);
void mat_highlight_face(int entry, int on);

// The list on the printer, portrait, after the print dialog.
void mat_print_face_list();
