// Finds a dialog of the calling thread by its caption. Tests run in parallel
// on one display, so FindWindow could answer another test's dialog.
#pragma once
#include <windows.h>

#include <cstring>

namespace own_dialog {

struct Search {
  const char* caption;
  HWND found;
};

inline BOOL CALLBACK match(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char cls[16] = "", text[256] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::strcmp(cls, "#32770") != 0 || std::strcmp(text, search->caption) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

inline HWND find(const char* caption) {
  Search search{caption, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace own_dialog
