// The New command, the stroke-font loader and the CAD option commands.
#pragma once

void cad_new_drawing();
void cad_load_stroke_font(const char* resource_name);
void cad_free_stroke_font();
void cad_refresh_layer_visibility();
void cad_build_grid();
void cad_set_snap_distance();
void cad_set_node_snap();
void cad_set_circle_segments();
void cad_set_grid_size();
void cad_empty_command();
void cad_edit_comment();
