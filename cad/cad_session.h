// What New, Open and Exit share: the defaults of a new drawing, the discard
// question and the plane rotation of typed in-plane coordinates; the New
// command itself and the CAD option commands, which ask through the edit
// host and set check marks and repaint through the view host.
#pragma once

void cad_new_drawing_defaults();
void cad_plane_rotation(double angle, double matrix[3][3]);

void cad_new_drawing();
void cad_free_stroke_font();
void cad_refresh_layer_visibility();
void cad_build_grid();
void cad_set_snap_distance();
void cad_set_node_snap();
void cad_set_circle_segments();
void cad_set_grid_size();
void cad_edit_comment();

// Grid lines and layer visibility.
struct DrawObject;
extern DrawObject* g_grid_head;
void cad_grid_push(DrawObject* object);
void cad_grid_free();
void cad_set_line(DrawObject* object, float x1, float x2, float y1, float y2, float z1, float z2);
int cad_build_grid_lines();
void cad_apply_layer_visibility();
