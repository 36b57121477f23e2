// Geometry of the selection edit commands as plain operations on objects and
// on the object list: turning and scaling about a centre, the orientation of
// mirrored copies, the size check of copies, moving the selection, and the
// forming and dissolving of groups.
#pragma once
#include <cstddef>
#include <cstdint>

#include "cad/cad_state.h"

struct DrawObject;

constexpr size_t COPY_MEMORY_LIMIT = 0x100000;  // the framework's free-memory figure

// Rotation counter-clockwise by angle (radians) in the axes of a view, about
// its viewing direction; false in the eye view, which has no such axis.
bool cad_view_rotation(int view_kind, double angle, double m[3][3]);
void cad_rotate_object(DrawObject* object, const WorldPoint& centre, const double m[3][3]);
void cad_scale_object(DrawObject* object, const WorldPoint& centre, double fx, double fy, double fz);
void cad_translate_nodes(DrawObject* object, double dx, double dy, double dz);
void cad_translate_selected(double dx, double dy, double dz);

// A mirrored face or body runs its closed polygons the other way round, so
// that its faces keep the orientation of their sources.
void cad_orient_mirrored(DrawObject* object);

// Flat size of the selection, summed as the framework does (single precision,
// cut to a whole number after each object), and whether copies of it fit.
float cad_selection_flat_size();
bool cad_selection_fits_memory();

// Zeroed group marker record, or null.
DrawObject* cad_new_marker(uint32_t kind);

// Encloses two or more selected objects in group markers and moves them to
// the front of the list; false (list unchanged) with fewer or without memory.
bool cad_group_selected(int current_layer);
// Removes the outermost marker pair of the first selected group; false when
// the selection holds no complete group.
bool cad_ungroup_selected();
