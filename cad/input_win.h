// Win32 side of pointer input: the drawing window's mouse moves and clicks,
// the keys of the drawing and main windows, the XOR cursor with rubber line
// and drag preview, and the selection loops of the editing commands.
#pragma once
#include <cstdint>

#include "cad/input.h"

void input_track_mouse(int32_t x, int32_t y);
void input_handle_key(int virtual_key);
void input_update_cursor(int show);
void input_draw_cursor(int32_t x, int32_t y);
void input_enable_cursor(int on);
bool input_cursor_enabled();
void input_install_view_hooks();
void input_install_edit_host();
int32_t input_last_mouse_x();
int32_t input_last_mouse_y();
int input_select_objects();
int input_select_nodes();
void input_deselect_all();
