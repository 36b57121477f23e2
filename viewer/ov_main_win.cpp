// Entry of the viewer.
#include <windows.h>

#include "viewer/viewer_main_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return viewer_win_main(instance); }
