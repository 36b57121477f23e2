#include "acoustics/face_bvh.h"

#include <algorithm>

namespace {

// The two coordinates a line along this axis is placed by.
void projection_axes(int axis, int* p, int* q) {
  *p = axis == 0 ? 1 : 0;
  *q = axis == 2 ? 1 : 2;
}

void face_box(const FaceEntry& f, float box[6]) {
  box[0] = f.x_min, box[1] = f.x_max, box[2] = f.y_min;
  box[3] = f.y_max, box[4] = f.z_min, box[5] = f.z_max;
}

uint32_t sign_on_axis(const FaceEntry& f, int axis) { return (f.sign_bits >> (2 * axis)) & 3u; }

int cell_index(float value, float origin, float cell, int cells) {
  float at = (value - origin) / cell;
  if (!(at >= 0.0f)) return -1;
  int i = int(at);
  return i < cells ? i : cells;  // cells = beyond the grid
}

}  // namespace

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
