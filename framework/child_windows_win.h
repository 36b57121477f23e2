// The windows of the framework class beside the main window: the drawing
// window, and the result and view windows that route their messages to a
// handler of their own while they are open. The program's window procedure
// asks here where a message goes.
#pragma once
#include <windows.h>

using ChildHandler = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
void win_register_child_window(HWND window, ChildHandler handler);
void win_unregister_child_window(HWND window);
ChildHandler win_child_handler(HWND window);  // null when none is registered

HWND win_drawing_window();
void win_set_drawing_window(HWND window);
