// Small steps the selection editing commands are built from: the end of a
// command, the base point and displacement prompts, duplicating, erasing and
// deleting the selection.
#pragma once

void cad_end_command();
void input_ask_base_point();
void input_ask_displacement(float* dx, float* dy, float* dz);
void cad_duplicate_selected();
void cad_erase_selected();
void cad_delete_selected();
