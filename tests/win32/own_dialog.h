// Finds dialogs of the calling thread: tests run beside other programs on
// one display, so FindWindow could answer another test's dialog.
#pragma once
#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

namespace own_dialog {

constexpr int FILE_NAME_COMBO = 0x47c;  // the file dialog's name field (explorer style)
constexpr int FILE_NAME_EDIT = 0x480;   // the same in the old style
constexpr int BOX_TEXT = 0xFFFF;        // a message box's text (the dialogs' labels have it too)
constexpr int BOX_ICON = 0x440;         // a message box's icon, shown or not

struct Search {
  std::function<bool(HWND)> wanted;
  HWND found;
};

inline BOOL CALLBACK match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !search->wanted(window)) return TRUE;
  search->found = window;
  return FALSE;
}

// The first dialog of this thread that is wanted.
inline HWND first(std::function<bool(HWND)> wanted) {
  Search search{std::move(wanted), nullptr};
  EnumThreadWindows(GetCurrentThreadId(), match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline bool has_caption(HWND window, const char* caption) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return std::strcmp(text, caption) == 0;
}

// The dialog with the caption, shown or not yet.
inline HWND find(const char* caption) {
  return first([caption](HWND window) { return has_caption(window, caption); });
}

// The shown dialog with the caption; with none, any shown dialog.
inline HWND shown(const char* caption = nullptr) {
  return first([caption](HWND window) {
    return IsWindowVisible(window) && (!caption || has_caption(window, caption));
  });
}

inline HWND file_name_field(HWND dialog) {
  HWND field = GetDlgItem(dialog, FILE_NAME_COMBO);
  return field ? field : GetDlgItem(dialog, FILE_NAME_EDIT);
}

// The standard open or save dialog (its caption depends on the system).
inline HWND file_dialog() {
  return first([](HWND window) { return IsWindowVisible(window) && file_name_field(window); });
}

// A message box (its caption may be the system's).
inline HWND message_box() {
  return first([](HWND window) {
    return IsWindowVisible(window) && GetDlgItem(window, BOX_TEXT) && GetDlgItem(window, BOX_ICON) &&
           !file_name_field(window);
  });
}

inline std::string box_text(HWND box) {
  char text[512] = "";
  GetDlgItemTextA(box, BOX_TEXT, text, sizeof text);
  return text;
}

}  // namespace own_dialog
