// Entry of the design program.
#include <windows.h>

#include "design/app_main_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return app_main(instance); }
