// Finds an open dialog of this thread by its title: other test programs may
// show dialogs of the same name at the same time.
#pragma once
#include <windows.h>

#include <cstring>

namespace own_dialog {

struct Search {
  const char* title;
  HWND found;
};

inline BOOL CALLBACK match(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  char cls[16] = "", text[256] = "";
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::strcmp(cls, "#32770") != 0 || std::strcmp(text, s->title) != 0) return TRUE;
  s->found = window;
  return FALSE;
}

}  // namespace own_dialog

inline HWND find_own_dialog(const char* title) {
  own_dialog::Search search{title, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), own_dialog::match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
