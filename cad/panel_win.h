// The 3D view panel beside the drawing window.
#pragma once
#include <windows.h>

void panel_show(int show);
void panel_notify();
HWND panel_window();
