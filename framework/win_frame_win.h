// Framework start-up, the main window and the small window services every
// program uses: child windows and controls, modal and modeless dialogs, cursors,
// resources and the start-up directory. Message boxes go through the seam
// (framework/ui_seam.h), owned by the main window.
#pragma once
#include <windows.h>

#include <cstddef>

struct DrawWindow;

struct ScrollParams {
  HWND control;
  int code;
  int position;
};

int win_init(HINSTANCE instance, const char* resource_name, WNDPROC app_proc);
void win_shutdown();
void win_unregister_classes();
HWND win_create_child(const char* title, DWORD extra_style, int x, int y, int width, int height, int id);
HWND win_create_button(const char* text, int x, int y, int width, int height, int id);
HWND win_create_hscroll(const char* text, int x, int y, int width, int height, int id);
ScrollParams* win_unpack_scroll(WPARAM wparam, LPARAM lparam);
// Runs a dialog of the program's resources modally; answers the value it
// ended with, or 0 once a dialog that could not be made has been reported.
INT_PTR win_run_dialog(const char* name, HWND owner, DLGPROC procedure);
// Opens a modeless dialog of the program's resources and shows it with the
// given show command; null once a dialog that could not be made has been
// reported, the same way as above.
HWND win_open_dialog(const char* name, HWND owner, DLGPROC procedure, int show_command = SW_SHOW);
void win_arrow_cursor();
void win_hide_cursor();
void win_set_title_text(const char* text);
const char* win_start_directory();
void win_draw_bitmap_centred(const char* bitmap_name, int mode);
void win_draw_icon(int x, int y, const char* icon_name);
void* win_load_data_resource(const char* name, size_t* size = nullptr);

HINSTANCE win_instance();
HWND win_main_window();
DrawWindow* win_main_record();
