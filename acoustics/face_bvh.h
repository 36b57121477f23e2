// Acceleration structures over the built face table, shared by the
// reflection search, the ray tracer and the room check: the face box tree of
// the table (one tree, its nodes' reach boxes widened so that every hit
// point the plain scan can accept lies well inside them) walked by rays and
// segments, and a grid of faces for axis-parallel lines.
//
// Why reach boxes: the point-in-face test looks only at the two coordinates
// of the face's projection, so a computed hit point lies inside the face's
// box on those two axes exactly, while its third coordinate carries the
// rounding of the plane intersection; the reach box holds the face's plane
// over that rectangle, widened far beyond the rounding, and the exact line
// through an accepted hit passes within a rounding distance of it. A ray
// that misses a node's reach box therefore cannot hit any of its faces in
// the plain scan's sense, and the nearest hit cannot lie nearer than the
// point where the ray enters the box.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

#include "acoustics/face_table.h"
#include "cad/cad_state.h"  // WorldPoint

// A line a + t u (u unit) with what its box tests need precomputed.
struct FaceTreeLine {
  double a[3], u[3], inv[3];
  FaceTreeLine(const WorldPoint& from, const WorldPoint& d, double length) {
    const double p[3] = {from.x, from.y, from.z}, v[3] = {d.x / length, d.y / length, d.z / length};
    for (int k = 0; k < 3; ++k) {
      a[k] = p[k];
      u[k] = v[k];
      inv[k] = v[k] != 0.0 ? 1.0 / v[k] : 0.0;
    }
  }
};

// Range of the line inside the box, clipped to [t_min, t_max]; false when
// empty.
inline bool face_tree_line_range(const float box[6], const FaceTreeLine& l, double t_min, double t_max,
                                 double* enter) {
  for (int k = 0; k < 3; ++k) {
    double lo = box[2 * k], hi = box[2 * k + 1];
    if (l.u[k] == 0.0) {
      if (l.a[k] < lo || l.a[k] > hi) return false;
      continue;
    }
    double ta = (lo - l.a[k]) * l.inv[k], tb = (hi - l.a[k]) * l.inv[k];
    if (ta > tb) std::swap(ta, tb);
    if (ta > t_min) t_min = ta;
    if (tb < t_max) t_max = tb;
    if (t_min > t_max) return false;
  }
  *enter = t_min;
  return true;
}

// Rounding allowance between a computed hit and the exact line, in metres:
// far above the few units in the last place single precision leaves.
inline double face_tree_slack(const WorldPoint& a, double reach) {
  double m = std::fmax(std::fabs(a.x), std::fmax(std::fabs(a.y), std::fabs(a.z)));
  return 1e-5 * (m + reach + 1.0);
}

// Visits the leaves whose node box passes `box_ok` and whose reach box the
// segment a .. a + d meets; `visit(face)` returns true to stop. Returns
// true when stopped.
template <typename BoxOk, typename Visit>
bool face_bvh_any(const WorldPoint& a, const WorldPoint& d, BoxOk box_ok, Visit visit) {
  double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
  if (!(length > 0.0) || !g_face_tree) return false;
  const FaceTreeLine line(a, d, length);
  double slack = face_tree_slack(a, length);
  int32_t stack[128];
  int top = 0;
  stack[top++] = 0;
  while (top > 0) {
    const FaceTreeNode& n = g_face_tree[stack[--top]];
    double enter;
    if (!box_ok(n.box) || !face_tree_line_range(n.reach, line, -slack, length + slack, &enter)) continue;
    if (n.count > 0) {
      for (int32_t k = n.first; k < n.first + n.count; ++k)
        if (visit(g_face_tree_order[k])) return true;
    } else {
      stack[top++] = n.right;
      stack[top++] = n.left;
    }
  }
  return false;
}

// Nearest accepted face along the ray from a in direction d (no end): the
// order of the plain scan is kept exactly. A face replaces the best when it
// is strictly nearer, or equally near with a lower index than a best face;
// best_face -1 (the receiver, or nothing yet) is never replaced by a face
// at the same distance. `hit(face, &dist_sq)` applies the scan's own test.
// Nodes are taken nearest entry first and passed over once their entry
// lies beyond the best distance.
template <typename BoxOk, typename Hit>
void face_bvh_nearest(const WorldPoint& a, const WorldPoint& d, BoxOk box_ok, Hit hit, float* best_sq,
                      int* best_face) {
  double length = std::sqrt(double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z);
  if (!(length > 0.0) || !g_face_tree) return;
  const FaceTreeLine line(a, d, length);
  double bound = 0.0;
  auto set_bound = [&] {
    double best = std::sqrt(double(*best_sq));
    bound = best * (1.0 + 1e-5) + face_tree_slack(a, best);
  };
  set_bound();
  struct Entry {
    int32_t node;
    double enter;
  } stack[128];
  int top = 0;
  double enter;
  double slack = face_tree_slack(a, 0.0);
  if (!box_ok(g_face_tree[0].box) || !face_tree_line_range(g_face_tree[0].reach, line, -slack, INFINITY, &enter))
    return;
  stack[top++] = Entry{0, enter};
  while (top > 0) {
    Entry e = stack[--top];
    if (e.enter > bound) continue;
    const FaceTreeNode& n = g_face_tree[e.node];
    if (n.count > 0) {
      for (int32_t k = n.first; k < n.first + n.count; ++k) {
        int face = g_face_tree_order[k];
        float dist_sq;
        if (!hit(face, &dist_sq)) continue;
        if (dist_sq < *best_sq || (dist_sq == *best_sq && *best_face >= 0 && face < *best_face)) {
          *best_sq = dist_sq;
          *best_face = face;
          set_bound();
        }
      }
      continue;
    }
    Entry near[2];
    int found = 0;
    for (int32_t child : {n.left, n.right}) {
      const FaceTreeNode& c = g_face_tree[child];
      if (box_ok(c.box) && face_tree_line_range(c.reach, line, -slack, bound, &enter))
        near[found++] = Entry{child, enter};
    }
    if (found == 2 && near[0].enter < near[1].enter) std::swap(near[0], near[1]);
    for (int i = 0; i < found; ++i) stack[top++] = near[i];
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
