#include "cad/panel_win.h"

// The panel is not part of the program yet: there is no window, so the
// dispatch has nothing to notify and the keys go to the drawing only.
namespace {
HWND g_panel = nullptr;
}

void panel_show(int) {}
void panel_notify() {}
HWND panel_window() { return g_panel; }
