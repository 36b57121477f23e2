// The Win32 side of the seams: the real message box and tick counter.
#include "framework/ui_seam_win.h"

#include <windows.h>

#include "framework/ui_seam.h"

namespace {
HWND g_owner = nullptr;

int win32_message_box(const char* text, const char* caption, unsigned flags) {
  return MessageBoxA(g_owner, text, caption, flags);
}
uint32_t win32_tick_count() { return GetTickCount(); }
}  // namespace

void ui_install_win32_seams() {
  ui_seams().message_box = win32_message_box;
  ui_seams().tick_count = win32_tick_count;
}

void ui_set_message_owner(void* window) { g_owner = static_cast<HWND>(window); }

int ui_message_box_over(void* owner, const char* text, const char* caption, unsigned flags) {
  HWND usual = g_owner;
  g_owner = static_cast<HWND>(owner);
  int answer = ui_message_box(text, caption, flags);
  g_owner = usual;
  return answer;
}
