// Acceleration structures over the built face table, shared by the
// reflection search, the ray tracer and the room check: three bounding-volume
// hierarchies, one per dominant axis of the faces, and a grid of faces for
// axis-parallel lines.
//
// Why one tree per dominant axis: the point-in-face test of a hit looks only
// at the two coordinates of the face's projection, so a computed hit point
// lies inside the face's box on those two axes exactly, while its third
// coordinate carries the rounding of the plane intersection. A tree of faces
// that share the dominant axis can therefore bound where an accepted hit
// can lie by a box that is exact on two axes and open on the third (a prism),
// and prune with it without ever rejecting a face that the plain scan of the
// table would accept. Node boxes also hold the full three-axis box of their
// faces, for the box prefilters that the plain scan applies.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "acoustics/face_table.h"
#include "cad/cad_state.h"  // WorldPoint

struct FaceBvhNode {
  float box[6];   // x min, x max, y min, y max, z min, z max of the faces below
  int32_t first;  // leaf: first slot in the face order; inner: -1
  int32_t count;  // leaf: number of faces
  int32_t left, right;
};

struct FaceBvh {
  std::vector<FaceBvhNode> nodes;  // root at 0, empty when the axis has no face
  std::vector<int32_t> faces;      // face indices, leaf by leaf
  int axis = 0;                    // the dominant axis of its faces
};

extern FaceBvh g_face_bvh[3];
void face_bvh_build();  // from the current face table; run by every table build and sort
int face_bvh_face_count();

// Line through a along direction u (unit, double) against the node's prism
// (its box without the dominant axis), widened by margin: the range of the
// line parameter inside it, clipped to [t_min, t_max]. False when empty.
bool face_bvh_prism_range(const FaceBvhNode& node, int axis, const double a[3], const double u[3],
                          double margin, double t_min, double t_max, double* enter);

// Rounding allowance of a computed hit point against the exact line, in
// metres: far above the few units in the last place of single precision
// that the plane intersection can add to a point at this distance.
inline double face_bvh_margin(const WorldPoint& a, double reach) {
  double m = std::fmax(std::fabs(a.x), std::fmax(std::fabs(a.y), std::fabs(a.z)));
  return 1e-5 * (m + reach + 1.0);
}

// Visits, for every tree, the leaves whose node box passes `box_ok` and
// whose prism the segment a .. a + d meets; `visit(face)` returns true to
// stop. Returns true when stopped.
template <typename BoxOk, typename Visit>
bool face_bvh_any(const WorldPoint& a, const WorldPoint& d, BoxOk box_ok, Visit visit) {
  double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
  if (!(length > 0.0)) return false;
  const double pa[3] = {a.x, a.y, a.z};
  const double u[3] = {d.x / length, d.y / length, d.z / length};
  double margin = face_bvh_margin(a, length);
  for (const FaceBvh& tree : g_face_bvh) {
    if (tree.nodes.empty()) continue;
    int32_t stack[64];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
      const FaceBvhNode& n = tree.nodes[size_t(stack[--top])];
      double enter;
      if (!box_ok(n.box) || !face_bvh_prism_range(n, tree.axis, pa, u, margin, 0.0, length + margin, &enter))
        continue;
      if (n.count > 0) {
        for (int32_t k = n.first; k < n.first + n.count; ++k)
          if (visit(tree.faces[size_t(k)])) return true;
      } else {
        stack[top++] = n.right;
        stack[top++] = n.left;
      }
    }
  }
  return false;
}

// Nearest accepted face along the ray from a in direction d (no end): the
// order of the plain scan is kept exactly. A face replaces the best when it
// is strictly nearer, or equally near with a lower index than a best face;
// best_face -1 (the receiver, or nothing yet) is never replaced by a face
// at the same distance. `hit(face, &dist_sq)` applies the scan's own test.
template <typename BoxOk, typename Hit>
void face_bvh_nearest(const WorldPoint& a, const WorldPoint& d, BoxOk box_ok, Hit hit, float* best_sq,
                      int* best_face) {
  double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
  if (!(length > 0.0)) return;
  const double pa[3] = {a.x, a.y, a.z};
  const double u[3] = {d.x / length, d.y / length, d.z / length};
  auto bound = [&](double enter) {
    double reach = enter - face_bvh_margin(a, std::sqrt(double(*best_sq)));
    return reach > 0.0 ? reach * reach * (1.0 - 1e-4) : 0.0;
  };
  for (const FaceBvh& tree : g_face_bvh) {
    if (tree.nodes.empty()) continue;
    struct Entry {
      int32_t node;
      double enter;
    } stack[64];
    int top = 0;
    double enter;
    double margin = face_bvh_margin(a, std::sqrt(double(*best_sq)));
    if (!box_ok(tree.nodes[0].box) ||
        !face_bvh_prism_range(tree.nodes[0], tree.axis, pa, u, margin, 0.0, INFINITY, &enter))
      continue;
    stack[top++] = Entry{0, enter};
    while (top > 0) {
      Entry e = stack[--top];
      if (bound(e.enter) > double(*best_sq)) continue;
      const FaceBvhNode& n = tree.nodes[size_t(e.node)];
      if (n.count > 0) {
        for (int32_t k = n.first; k < n.first + n.count; ++k) {
          int face = tree.faces[size_t(k)];
          float dist_sq;
          if (!hit(face, &dist_sq)) continue;
          if (dist_sq < *best_sq || (dist_sq == *best_sq && *best_face >= 0 && face < *best_face)) {
            *best_sq = dist_sq;
            *best_face = face;
          }
        }
        continue;
      }
      margin = face_bvh_margin(a, std::sqrt(double(*best_sq)));
      Entry near[2];
      int found = 0;
      for (int32_t child : {n.left, n.right}) {
        const FaceBvhNode& c = tree.nodes[size_t(child)];
        if (box_ok(c.box) && face_bvh_prism_range(c, tree.axis, pa, u, margin, 0.0, INFINITY, &enter))
          near[found++] = Entry{child, enter};
      }
      if (found == 2 && near[0].enter < near[1].enter) std::swap(near[0], near[1]);
      for (int i = 0; i < found; ++i) stack[top++] = near[i];
    }
  }
}

// Faces for lines parallel to one axis: a grid over the two other axes whose
// cells list, in table order, the faces whose box strictly contains some
// point of the cell on those axes and whose normal is not almost
// perpendicular to the line (sign field non-zero on the axis).
struct FaceAxisGrid {
  int axis = 0;
  int p_axis = 1, q_axis = 2;
  float p_min = 0, q_min = 0, cell = 1;
  int p_cells = 0, q_cells = 0;
  std::vector<uint32_t> cell_start;  // p_cells * q_cells + 1 offsets
  std::vector<int32_t> faces;
};
void face_axis_grid_build(FaceAxisGrid& grid, int axis);
// The faces listed for the cell of the point (p, q); empty outside the grid.
void face_axis_grid_cell(const FaceAxisGrid& grid, float p, float q, const int32_t** faces, int* count);
