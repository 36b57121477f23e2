// Geometry of the face and body construction commands as plain operations
// on objects and on the object list: extrusion and rotation bodies built ring
// by ring, explode and join, the crossing of an edge with a cut line, the
// split of a polygon, nodes inserted along a cut line and the removal of one
// polygon.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"

struct DrawObject;
struct ElementCode;

// Outcome of a construction step.
enum class BuildStatus { ok, too_big, no_memory, no_cut, one_cut, all_open };

// One side quad (5 elements) for every edge of every polygon of the source
// elements, joining node k of the lower ring (k + lower_base) with node k of
// the upper ring (k + upper_base). Returns the number of elements written.
uint32_t cad_build_side_quads(const ElementCode* source, ElementCode* out, uint32_t element_count,
                              uint32_t lower_base, uint32_t upper_base);
uint32_t cad_side_quad_count(const ElementCode* source, uint32_t element_count);

// Objects a body can be built from: no body, text or group marker, and nodes.
bool cad_can_build_from(const DrawObject* object);

// The body swept by an object along a displacement (null and a status when
// it is too big or memory is short). Not linked; the source is unchanged.
DrawObject* cad_extrude_object(const DrawObject* source, double dx, double dy, double dz, BuildStatus* status);

struct LatheSpec {
  int view_kind;       // the axis follows the plane view; none in views 3 and 4
  WorldPoint centre;   // a point on the axis
  double angle;        // degrees
  int segments;        // at least 1
  bool full_turn;      // the angle was entered as exactly "360"
};
DrawObject* cad_lathe_object(const DrawObject* source, const LatheSpec& spec, BuildStatus* status);

// Explode and join on the object list given by head and tail, and on the
// drawing's own list.
DrawObject* cad_explode_body_in(DrawObject*& head, DrawObject*& tail, DrawObject* object);
DrawObject* cad_explode_body(DrawObject* object);
DrawObject* cad_join_faces_in(DrawObject*& head, DrawObject*& tail, int current_layer, BuildStatus* status);
DrawObject* cad_join_faces(int current_layer);

// Where the edge a-b crosses the cut line c1-c2 in the axes of a plane view;
// the third coordinate follows the edge.
int cad_intersect_cut_line(int view_kind, const WorldPoint& a, const WorldPoint& b, const WorldPoint& c1,
                           const WorldPoint& c2, double* x, double* y, double* z);

// Splits the polygon of object starting at start_element along the cut line;
// the object is replaced in the drawing's list by the new body (out_result).
BuildStatus cad_split_polygon(DrawObject* object, int start_element, int view_kind, const WorldPoint& c1,
                              const WorldPoint& c2, DrawObject** out_result);

// An object with a node added wherever one of its edges crosses the cut
// line; not linked, the source unchanged.
DrawObject* cad_insert_cut_nodes(const DrawObject* source, int view_kind, const WorldPoint& c1,
                                 const WorldPoint& c2, BuildStatus* status);

// Removes one polygon. With polygons left the object is rebuilt from them
// (its closed polygons joined again, open ones as polylines of their own);
// with none left it is deleted. The drawing is unchanged unless ok.
BuildStatus cad_delete_polygon(DrawObject* object, int start_element, int current_layer, DrawObject** out_result);
