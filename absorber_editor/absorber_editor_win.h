// The absorber-database editor's window: start-up, the main window's
// commands and the record panel inside it.
#pragma once
#include <windows.h>

// Registers the classes and opens the main window with its panel; false
// when the window cannot be made.
bool absed_start(HINSTANCE instance);
int absed_win_main(HINSTANCE instance);
LRESULT CALLBACK absed_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
bool absed_confirm_discard();
// Opens path as the command does after its dialog: messages, title, panel.
void absed_open_database_path(const char* path);
void absed_save_database_as();
void absed_open_database();
void absed_print_database();
void absed_show_record_dialog();
void absed_destroy_record_dialog();
HWND absed_record_dialog();
INT_PTR CALLBACK absed_record_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
