// Drag previews: the transform applied to the selected objects while the
// cursor moves, drawn with XOR so that a second drawing erases it.
#pragma once
#include "cad/cad_state.h"

struct DrawObject;

// Modes of cad_set_drag_transform; any other value means translate.
enum : int {
  DRAG_TRANSLATE = 0,
  DRAG_CIRCLE = 1,
  DRAG_RECTANGLE = 2,
  DRAG_MOVE_NODES = 8,
  DRAG_MIRROR = 32,
};

void cad_set_drag_transform(int mode);
int cad_drag_mode();
void cad_draw_drag_preview(int apply);  // Win32 (cad/drag_preview_win.cpp)
void input_cursor_delta(double& dx, double& dy, double& dz);
void cad_view_plane_delta(double& dx, double& dy, double& dz);
void cad_view_plane_axes(int view_kind, double u[3], double v[3]);

void cad_translate_object(DrawObject* object, double dx, double dy, double dz);
void cad_circle_preview(DrawObject* object, double dx, double dy, double dz);
void cad_rectangle_preview(DrawObject* object, double dx, double dy, double dz);
void cad_move_nodes_preview(DrawObject* object, double dx, double dy, double dz);
void cad_mirror_preview(DrawObject* object, double dx, double dy, double dz);
void cad_arm_node_move(int on);
void cad_place_print_frame(DrawObject* object, int view_kind, const WorldPoint& centre);
