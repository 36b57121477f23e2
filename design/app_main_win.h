// Start-up and shutdown of the design program.
#pragma once
#include <windows.h>

int app_main(HINSTANCE instance);
void app_install_hooks();
void app_new_project();
void app_cmd_exit();

// Recent projects, last folders and the unit choice (history file).
void app_read_history();
void app_write_history();
