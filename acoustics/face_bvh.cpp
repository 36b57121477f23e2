#include "acoustics/face_bvh.h"

#include <algorithm>

FaceBvh g_face_bvh[3];

namespace {

constexpr int LEAF_FACES = 4;

// The two coordinates a face of this dominant axis is tested on.
void projection_axes(int axis, int* p, int* q) {
  *p = axis == 0 ? 1 : 0;
  *q = axis == 2 ? 1 : 2;
}

void face_box(const FaceEntry& f, float box[6]) {
  box[0] = f.x_min, box[1] = f.x_max, box[2] = f.y_min;
  box[3] = f.y_max, box[4] = f.z_min, box[5] = f.z_max;
}

int32_t build_node(FaceBvh& tree, int32_t first, int32_t count) {
  int32_t index = int32_t(tree.nodes.size());
  tree.nodes.push_back(FaceBvhNode{});
  float box[6] = {1e30f, -1e30f, 1e30f, -1e30f, 1e30f, -1e30f};
  float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
  for (int32_t i = first; i < first + count; ++i) {
    float fb[6];
    face_box(g_face_table[tree.faces[size_t(i)]], fb);
    for (int k = 0; k < 3; ++k) {
      box[2 * k] = std::min(box[2 * k], fb[2 * k]);
      box[2 * k + 1] = std::max(box[2 * k + 1], fb[2 * k + 1]);
      float centre = 0.5f * (fb[2 * k] + fb[2 * k + 1]);
      lo[k] = std::min(lo[k], centre);
      hi[k] = std::max(hi[k], centre);
    }
  }
  std::copy(box, box + 6, tree.nodes[size_t(index)].box);
  if (count <= LEAF_FACES) {
    FaceBvhNode& n = tree.nodes[size_t(index)];
    n.first = first, n.count = count, n.left = n.right = -1;
    return index;
  }
  // Split on the projection axis where the face centres spread most: the
  // prism of a node is open along the dominant axis anyway.
  int p, q;
  projection_axes(tree.axis, &p, &q);
  int split = hi[p] - lo[p] >= hi[q] - lo[q] ? p : q;
  auto centre = [&](int32_t face) {
    float fb[6];
    face_box(g_face_table[face], fb);
    return fb[2 * split] + fb[2 * split + 1];
  };
  int32_t half = count / 2;
  auto begin = tree.faces.begin() + first;
  std::nth_element(begin, begin + half, begin + count, [&](int32_t a, int32_t b) {
    float ca = centre(a), cb = centre(b);
    return ca < cb || (ca == cb && a < b);
  });
  int32_t left = build_node(tree, first, half);
  int32_t right = build_node(tree, first + half, count - half);
  FaceBvhNode& n = tree.nodes[size_t(index)];
  n.first = -1, n.count = 0, n.left = left, n.right = right;
  return index;
}

bool slab(double a, double u, double lo, double hi, double* t0, double* t1) {
  if (u == 0.0) return a >= lo && a <= hi;
  double ta = (lo - a) / u, tb = (hi - a) / u;
  if (ta > tb) std::swap(ta, tb);
  if (ta > *t0) *t0 = ta;
  if (tb < *t1) *t1 = tb;
  return *t0 <= *t1;
}

uint32_t sign_on_axis(const FaceEntry& f, int axis) { return (f.sign_bits >> (2 * axis)) & 3u; }

int cell_index(float value, float origin, float cell, int cells) {
  float at = (value - origin) / cell;
  if (!(at >= 0.0f)) return -1;
  int i = int(at);
  return i < cells ? i : cells;  // cells = beyond the grid
}

}  // namespace

void face_bvh_build() {
  for (int axis = 0; axis < 3; ++axis) {
    FaceBvh& tree = g_face_bvh[axis];
    tree.nodes.clear();
    tree.faces.clear();
    tree.axis = axis;
    for (int32_t i = 0; i < g_face_count; ++i)
      if (int(g_face_table[i].dominant_axis) == axis) tree.faces.push_back(i);
    if (tree.faces.empty()) continue;
    tree.nodes.reserve(tree.faces.size() / 2 + 2);
    build_node(tree, 0, int32_t(tree.faces.size()));
  }
}

int face_bvh_face_count() {
  size_t n = 0;
  for (const FaceBvh& t : g_face_bvh) n += t.faces.size();
  return int(n);
}

bool face_bvh_prism_range(const FaceBvhNode& node, int axis, const double a[3], const double u[3],
                          double margin, double t_min, double t_max, double* enter) {
  int p, q;
  projection_axes(axis, &p, &q);
  double t0 = t_min, t1 = t_max;
  if (!slab(a[p], u[p], double(node.box[2 * p]) - margin, double(node.box[2 * p + 1]) + margin, &t0, &t1)) return false;
  if (!slab(a[q], u[q], double(node.box[2 * q]) - margin, double(node.box[2 * q + 1]) + margin, &t0, &t1)) return false;
  *enter = t0;
  return true;
}

void face_axis_grid_build(FaceAxisGrid& g, int axis) {
  g = FaceAxisGrid{};
  g.axis = axis;
  projection_axes(axis, &g.p_axis, &g.q_axis);
  std::vector<int32_t> listed;
  float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
  for (int32_t i = 0; i < g_face_count; ++i) {
    const FaceEntry& f = g_face_table[i];
    if (sign_on_axis(f, axis) == 0) continue;
    float box[6];
    face_box(f, box);
    listed.push_back(i);
    lo[0] = std::min(lo[0], box[2 * g.p_axis]), hi[0] = std::max(hi[0], box[2 * g.p_axis + 1]);
    lo[1] = std::min(lo[1], box[2 * g.q_axis]), hi[1] = std::max(hi[1], box[2 * g.q_axis + 1]);
  }
  if (listed.empty()) return;
  float extent = std::max(std::max(hi[0] - lo[0], hi[1] - lo[1]), 1e-3f);
  int along = std::clamp(int(8.0 * std::sqrt(double(listed.size()))), 16, 1024);
  g.cell = extent / float(along);
  g.p_min = lo[0], g.q_min = lo[1];
  g.p_cells = std::clamp(int((hi[0] - lo[0]) / g.cell) + 1, 1, 1025);
  g.q_cells = std::clamp(int((hi[1] - lo[1]) / g.cell) + 1, 1, 1025);
  // Two passes: count the faces per cell, then fill in table order.
  std::vector<uint32_t> count(size_t(g.p_cells) * size_t(g.q_cells) + 1, 0);
  auto span = [&](int32_t face, int* p0, int* p1, int* q0, int* q1) {
    float box[6];
    face_box(g_face_table[face], box);
    *p0 = std::max(cell_index(box[2 * g.p_axis], g.p_min, g.cell, g.p_cells), 0);
    *p1 = std::min(cell_index(box[2 * g.p_axis + 1], g.p_min, g.cell, g.p_cells), g.p_cells - 1);
    *q0 = std::max(cell_index(box[2 * g.q_axis], g.q_min, g.cell, g.q_cells), 0);
    *q1 = std::min(cell_index(box[2 * g.q_axis + 1], g.q_min, g.cell, g.q_cells), g.q_cells - 1);
  };
  for (int32_t face : listed) {
    int p0, p1, q0, q1;
    span(face, &p0, &p1, &q0, &q1);
    for (int i = p0; i <= p1; ++i)
      for (int j = q0; j <= q1; ++j) count[size_t(i) * size_t(g.q_cells) + size_t(j)] += 1;
  }
  g.cell_start.assign(count.size(), 0);
  for (size_t c = 1; c < count.size(); ++c) g.cell_start[c] = g.cell_start[c - 1] + count[c - 1];
  g.faces.assign(g.cell_start.back(), 0);
  std::vector<uint32_t> next(g.cell_start.begin(), g.cell_start.end() - 1);
  for (int32_t face : listed) {
    int p0, p1, q0, q1;
    span(face, &p0, &p1, &q0, &q1);
    for (int i = p0; i <= p1; ++i)
      for (int j = q0; j <= q1; ++j) g.faces[next[size_t(i) * size_t(g.q_cells) + size_t(j)]++] = face;
  }
}

void face_axis_grid_cell(const FaceAxisGrid& g, float p, float q, const int32_t** faces, int* count) {
  *faces = nullptr;
  *count = 0;
  if (g.cell_start.empty()) return;
  int i = cell_index(p, g.p_min, g.cell, g.p_cells), j = cell_index(q, g.q_min, g.cell, g.q_cells);
  if (i < 0 || j < 0 || i >= g.p_cells || j >= g.q_cells) return;
  size_t c = size_t(i) * size_t(g.q_cells) + size_t(j);
  *faces = g.faces.data() + g.cell_start[c];
  *count = int(g.cell_start[c + 1] - g.cell_start[c]);
}
