// The selection edit commands (delete, move, copy, rotate, scale, mirror,
// move nodes, group, ungroup) and the steps the face and body commands share
// with them: the prompt prefix, redraws, typed numbers, the face pick and the
// cut line.
#pragma once
#include "cad/cad_state.h"

struct FaceSelection;

void cad_cmd_delete();
void cad_cmd_move();
void cad_cmd_copy();
void cad_cmd_rotate();
void cad_cmd_scale();
void cad_cmd_mirror();
void cad_cmd_move_nodes();
void cad_cmd_group();
void cad_cmd_ungroup();

// Shared steps.
void cad_deselect_and_end();
bool cad_in_plane_view();
void cad_set_prefix(const char* prefix);
void cad_redraw_all();
void cad_draw_object(DrawObject* object);
void cad_erase_object(DrawObject* object);
void cad_start_preview(int mode);
void cad_stop_preview();
// One-line entry of a number (decimal comma taken); false after Cancel or,
// with "Ungültige Eingabe !", when the text is no number.
bool cad_ask_number(const char* caption, char* text, int max_length, double* value);

// Picks one polygon of a face or body on the current layer: each click picks
// or steps to the next polygon under it, OK confirms. 1 with the pick filled.
int input_pick_face(FaceSelection* picked);
// The two points of a cut line, with a rubber line to the second; 0 after STOP.
int input_cut_line(int with_limit, WorldPoint* first, WorldPoint* second);
