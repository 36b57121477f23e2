// Entry of the absorber-database editor.
#include <windows.h>

#include "absorber_editor/absorber_editor_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return absed_win_main(instance); }
