// Listener areas made from room faces: each picked room polygon is copied
// onto the listener-area layer, raised by a height along z.
#pragma once
#include <cstdint>

struct DrawObject;

// Menu 2601: asks for the height, then copies picked polygons until STOP or
// an OK without a pick.
void listener_cmd_create_over_faces();

// The listener face copied from the polygon at start_element, raised by
// height metres: one node per element that is no material entry, the
// material entry (if any) set to 0. Null for a polygon that is not closed,
// names a node the object lacks, or when memory runs out.
DrawObject* listener_copy_polygon(const DrawObject* source, uint32_t start_element, float height);

// The height remembered between calls, in metres.
extern float g_listener_height;
