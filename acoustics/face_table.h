// The face table: every room polygon with its plane, bounding box and
// dominant axis, rebuilt from the room faces by each user right before use;
// and a box tree over it that the coverage calculation uses to find the
// faces a segment can reach.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"  // WorldPoint

struct DrawObject;
struct ElementCode;

constexpr int MAX_FACES = 16000;

struct FaceEntry {
  ElementCode* polygon_start;  // the polygon's start element (code 0) in owner's elements
  DrawObject* owner;
  float x0, y0, z0;            // first node
  float nx, ny, nz;            // Newell vector, not normalised
  float d;                     // plane constant: n . p + d = 0 on the plane
  float mirror_divisor;        // 0.5 |n|^2
  float x_min, x_max, y_min, y_max, z_min, z_max;
  uint32_t dominant_axis;      // 0, 1, 2: axis of the largest |n| component
  uint32_t sign_bits;          // two bits per axis: 0 about zero, 1 positive, 3 negative
};

extern FaceEntry g_face_table[MAX_FACES];
extern int32_t g_face_count;

int refl_build_face_table();
int refl_face_material(const FaceEntry& face);
void refl_sort_face_table();
// Orders of the room check: bounding-box minimum x, y or z, ascending, equal
// keys equal (the sort keeps their order).
bool refl_compare_faces_x(const FaceEntry& a, const FaceEntry& b);
bool refl_compare_faces_y(const FaceEntry& a, const FaceEntry& b);
bool refl_compare_faces_z(const FaceEntry& a, const FaceEntry& b);
void refl_sort_faces_by(bool (*less)(const FaceEntry&, const FaceEntry&));

// Box tree over the built table, rebuilt by refl_build_face_table. A node
// box is the union of its faces' boxes; its reach box also holds every point
// of its faces' planes over their polygons, widened by a rounding margin, so
// that a segment missing the reach box cannot hit any of its faces. A leaf
// lists its faces in g_face_tree_order[first .. first + count).
struct FaceTreeNode {
  float box[6];    // x min, x max, y min, y max, z min, z max
  float reach[6];
  int32_t first;   // leaf: first slot in the order array; inner: -1
  int32_t count;   // leaf: face count; inner: 0
  int32_t left, right;
};
extern FaceTreeNode* g_face_tree;       // root at index 0, null when empty
extern int32_t g_face_tree_nodes;
extern int32_t* g_face_tree_order;

int face_tree_build();

// Point in a built face, on the polygon's dominant projection kept with the
// table; gives the same answer as refl_point_in_face on that entry.
int face_point_in_polygon(int face, const WorldPoint& h);
