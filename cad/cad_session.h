// What New, Open and Exit share: the defaults of a new drawing, the discard
// question and the plane rotation of typed in-plane coordinates.
#pragma once

void cad_new_drawing_defaults();
void cad_plane_rotation(double angle, double matrix[3][3]);

// Grid lines and layer visibility.
struct DrawObject;
extern DrawObject* g_grid_head;
void cad_grid_push(DrawObject* object);
void cad_grid_free();
void cad_set_line(DrawObject* object, float x1, float x2, float y1, float y2, float z1, float z2);
int cad_build_grid_lines();
void cad_apply_layer_visibility();
