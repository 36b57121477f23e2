// Start-up and shutdown of the design program.
#pragma once
#include <windows.h>

int app_main(HINSTANCE instance);
void app_install_hooks();
int app_alloc_model_tables();
void app_free_model_tables();
void app_new_project();
void app_cmd_exit();

// Recent projects, last folders and the unit choice (history file).
void app_read_history();
void app_write_history();
void app_show_help(int command_id, const char* help_file);
