#include "framework/child_windows_win.h"

namespace {

struct ChildSlot {
  HWND window;
  ChildHandler handler;
};
ChildSlot g_child_slots[8] = {};
HWND g_drawing_window = nullptr;

}  // namespace

void win_register_child_window(HWND window, ChildHandler handler) {
  for (ChildSlot& slot : g_child_slots) {
    if (slot.window == window || slot.window == nullptr) {
      slot = {window, handler};
      return;
    }
  }
}

void win_unregister_child_window(HWND window) {
  for (ChildSlot& slot : g_child_slots)
    if (slot.window == window) slot = {nullptr, nullptr};
}

ChildHandler win_child_handler(HWND window) {
  for (const ChildSlot& slot : g_child_slots)
    if (slot.window == window) return slot.handler;
  return nullptr;
}

HWND win_drawing_window() { return g_drawing_window; }
void win_set_drawing_window(HWND window) { g_drawing_window = window; }
