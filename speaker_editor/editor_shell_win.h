// The speaker-database editor's shell: start-up, the window procedure with
// the command table of both menus, menu state, drawing mode and shutdown.
#pragma once
#include <windows.h>

int spked_win_main(HINSTANCE instance);
LRESULT CALLBACK spked_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void spked_update_menu_state();
bool spked_confirm_discard();
void spked_close_editor();
void spked_set_caption(const char* path);  // null: the start-up caption
bool spked_in_drawing_mode();
void spked_enter_drawing_mode();
// False when the drawing stays: its save was asked for and did not happen.
bool spked_leave_drawing_mode();

extern const char SPKED_CAPTION[];  // "OSB V2.90"

// Commands of the other editor files.
void spked_new_database();
void spked_open_database();
void spked_append_database();
void spked_save_database();
void spked_delete_record();
void spked_sort_records_cmd();
void spked_rotate_balloons(int steps);
void spked_edit_record();
int spked_show_characteristics_dialog();
bool spked_create_record_selector();
void spked_destroy_record_selector();
HWND spked_record_selector();
void spked_import_acoustacadd();
int spked_show_acoustacadd_dialog();
void spked_import_lsp_catalog();
void spked_import_spk_speaker();
void spked_import_gdf();
void spked_import_onf();
void spked_open_balloon_window();
void spked_open_polar_window();
void spked_open_data_sheet_window();
HWND spked_view_window();  // null: no view is open
void spked_repaint_view_window();
int spked_balloon_band();
bool spked_balloon_single_view();
const struct DrawObject* spked_balloon_mesh();
void spked_open_drawing_file();
void spked_insert_drawing_file();
bool spked_save_drawing_file();  // false: cancelled or not written
