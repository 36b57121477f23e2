// Start-up and shutdown of the viewer OV, and its recent-project file
// against the live state.
#pragma once
#include <windows.h>

int viewer_win_main(HINSTANCE instance);
void viewer_new_project();
void viewer_cmd_exit();
int viewer_read_history();
int viewer_write_history();
