// Drawing commands: polylines, polygons, circles, rectangles and stroke text.
// Points come through the view's wait for input, the text's height, angle
// and content through the edit host's text dialog.
#pragma once
#include "cad/cad_state.h"

constexpr int DRAW_MAX_ELEMENTS = 360;  // elements of one polyline or polygon
constexpr int TEXT_MAX_CHARS = 80;      // text buffer of the text command

void cad_cmd_lines();
void cad_cmd_polygon();
void cad_cmd_circle();
void cad_cmd_rectangle();
void cad_cmd_text();
bool cad_points_coincide(const WorldPoint& a, const WorldPoint& b);
