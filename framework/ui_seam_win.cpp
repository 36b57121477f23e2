// The Win32 side of the seams: the real message box and tick counter.
#include "framework/ui_seam_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "framework/ui_seam.h"

namespace {
HWND g_owner = nullptr;
char g_program_caption[128] = "";
HHOOK g_caption_hook = nullptr;

int caption_extent(HWND box, const char* caption) {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
  HFONT font = CreateFontIndirectA(&metrics.lfCaptionFont);
  HDC dc = GetDC(box);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32A(dc, caption, int(std::strlen(caption)), &size);
  SelectObject(dc, old);
  ReleaseDC(box, dc);
  DeleteObject(font);
  return size.cx;
}

// The system sizes a message box by its text and buttons only, so a short
// text under a longer caption cuts the caption. Widened about its centre,
// room is left for the close button and, as some systems draw one, the
// window icon; the contents move along to stay centred.
void fit_caption(HWND box) {
  char caption[256] = "";
  GetWindowTextA(box, caption, sizeof caption);
  int needed = caption_extent(box, caption) + GetSystemMetrics(SM_CXSIZE) + GetSystemMetrics(SM_CXSMICON) +
               4 * GetSystemMetrics(SM_CXEDGE);
  RECT outer, client;
  GetWindowRect(box, &outer);
  GetClientRect(box, &client);
  int frame = (outer.right - outer.left) - client.right;
  int grow = std::min(needed, GetSystemMetrics(SM_CXSCREEN) - frame) - client.right;
  if (grow <= 0) return;
  int left = std::max(0, int(outer.left) - grow / 2);
  SetWindowPos(box, nullptr, left, outer.top, outer.right - outer.left + grow, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(child, nullptr, r.left + grow / 2, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// Catches the box once it has laid itself out, before it is shown.
LRESULT CALLBACK after_box_message(int code, WPARAM wparam, LPARAM lparam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lparam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG) {
    char cls[16] = "";
    GetClassNameA(call->hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") == 0) {
      UnhookWindowsHookEx(g_caption_hook);
      g_caption_hook = nullptr;
      fit_caption(call->hwnd);
      return 0;
    }
  }
  return CallNextHookEx(g_caption_hook, code, wparam, lparam);
}

// A box whose caller gives no caption carries the program's name, not the
// system's "Error", which would misname plain information.
int win32_message_box(const char* text, const char* caption, unsigned flags) {
  if (!caption && g_program_caption[0]) caption = g_program_caption;
  bool hooked = false;
  if (!g_caption_hook) {
    g_caption_hook = SetWindowsHookExA(WH_CALLWNDPROCRET, after_box_message, nullptr, GetCurrentThreadId());
    hooked = g_caption_hook != nullptr;
  }
  int answer = MessageBoxA(g_owner, text, caption, flags);
  if (hooked && g_caption_hook) {
    UnhookWindowsHookEx(g_caption_hook);
    g_caption_hook = nullptr;
  }
  return answer;
}
uint32_t win32_tick_count() { return GetTickCount(); }
}  // namespace

void ui_install_win32_seams() {
  ui_seams().message_box = win32_message_box;
  ui_seams().tick_count = win32_tick_count;
}

void ui_set_message_owner(void* window) { g_owner = static_cast<HWND>(window); }

void ui_set_program_caption(const char* name) {
  std::snprintf(g_program_caption, sizeof g_program_caption, "%s", name ? name : "");
}

int ui_message_box_over(void* owner, const char* text, const char* caption, unsigned flags) {
  HWND usual = g_owner;
  g_owner = static_cast<HWND>(owner);
  int answer = ui_message_box(text, caption, flags);
  g_owner = usual;
  return answer;
}
