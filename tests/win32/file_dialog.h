// The system's open and save dialogs of the calling thread: found by their
// file-name field, answered by typing a name and pressing OK.
#pragma once
#include <windows.h>

#include <cstring>

namespace file_dialog {

constexpr int NAME_EDIT = 0x480;
constexpr int NAME_COMBO = 0x47c;  // the explorer-style dialog

inline BOOL CALLBACK match(HWND window, LPARAM result) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window) &&
      (GetDlgItem(window, NAME_EDIT) || GetDlgItem(window, NAME_COMBO))) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

inline HWND find() {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), match, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

inline void type_name(HWND dialog, const char* name) {
  HWND edit = GetDlgItem(dialog, NAME_EDIT);
  if (!edit) edit = GetDlgItem(dialog, NAME_COMBO);
  SetWindowTextA(edit, name);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace file_dialog
