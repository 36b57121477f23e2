// The reverberation window: the room's reverberation time per band by the
// chosen method, with and without air absorption, its absorption figures,
// volume, surface and closure check; buttons for the method, the measured
// times, printing and the clipboard. A child of the main window over the
// drawing area that runs its own wait loop while its command counts as running.
#pragma once
#include <windows.h>

constexpr int RT60_WINDOW_ID = 10003;
constexpr int RT60_ID_CLOSE = 20030;
constexpr int RT60_ID_PRINT = 20031;
constexpr int RT60_ID_COPY = 20032;
constexpr int RT60_ID_METHOD_FIRST = 20040;  // "Sa", "Ey", "Fi", "M"

// Edits the seven measured times in place and returns 1 when the user
// accepted them. The design program installs its band dialog; without one
// (the viewer) the stored times are taken as they are.
using Rt60EditHook = int (*)(double times[7]);
void rt60_set_edit_hook(Rt60EditHook hook);

// 1 when the measured times may be used (after an accepted edit).
int rt60_edit_measured();
// Opens the window with the method, runs until "<-", STOP or a close request
// of the main window, then shows the drawing again.
void rt60_show_window(int method);
void rt60_paint();
LRESULT rt60_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The open window and its buttons (null while closed), for tests.
HWND rt60_window();
HWND rt60_control(int id);
