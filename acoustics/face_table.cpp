#include "acoustics/face_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "acoustics/face_bvh.h"
#include "acoustics/ray_geom.h"
#include "cad/obj_store.h"
#include "framework/ui_seam.h"
#include "materials/material.h"

FaceEntry g_face_table[MAX_FACES];
int32_t g_face_count = 0;
FaceTreeNode* g_face_tree = nullptr;
int32_t g_face_tree_nodes = 0;
int32_t* g_face_tree_order = nullptr;

namespace {

constexpr int TREE_LEAF_FACES = 4;

std::vector<FaceTreeNode> g_tree;
std::vector<int32_t> g_order;

// Each face's polygon in its dominant projection: vertex pairs (p, q) with
// the first vertex repeated at the end; an empty run means "never inside".
struct ProjectedPoint {
  float p, q;
};
std::vector<ProjectedPoint> g_projected;
std::vector<uint32_t> g_projected_start;  // g_face_count + 1 offsets

bool node_ok(const DrawObject* o, uint16_t index) { return index < o->node_count; }

uint32_t dominant_axis_of(float nx, float ny, float nz) {
  float ax = std::fabs(nx), ay = std::fabs(ny), az = std::fabs(nz);
  if (ax >= ay && ax >= az) return 0;
  if (ay >= az) return 1;
  return 2;
}

uint32_t sign_bits_of(float nx, float ny, float nz) {
  auto bits = [](float v) -> uint32_t { return std::fabs(v) < 0.01f ? 0u : (v > 0 ? 1u : 3u); };
  return bits(nx) | (bits(ny) << 2) | (bits(nz) << 4);
}

void fill_entry(FaceEntry& f, DrawObject* o, uint32_t start, const double n[3]) {
  f.polygon_start = &o->elements[start];
  f.owner = o;
  int count = std::max<int16_t>(g_material_table.count, 0);
  if (obj_has_polygon_material(o, start) && o->elements[start + 1].value >= count)
    obj_set_polygon_material(o, start, 0);
  f.mirror_divisor = float(0.5 * (n[0] * n[0] + n[1] * n[1] + n[2] * n[2]));
  float box[6];
  refl_face_bounds(o, start, box);
  f.x_min = box[0], f.x_max = box[1], f.y_min = box[2], f.y_max = box[3];
  f.z_min = box[4], f.z_max = box[5];
  f.nx = float(n[0]), f.ny = float(n[1]), f.nz = float(n[2]);
  const WorldPoint& p0 = o->nodes[o->elements[start].value];
  f.x0 = p0.x, f.y0 = p0.y, f.z0 = p0.z;
  refl_plane_offset(f);
  f.dominant_axis = dominant_axis_of(f.nx, f.ny, f.nz);
  f.sign_bits = sign_bits_of(f.nx, f.ny, f.nz);
}

ProjectedPoint project(const WorldPoint& w, uint32_t axis) {
  switch (axis) {
    case 0: return {w.y, w.z};
    case 1: return {w.x, w.z};
    default: return {w.x, w.y};
  }
}

// The same walk as refl_point_in_face, done once per face.
void project_face(const FaceEntry& f) {
  size_t mark = g_projected.size();
  const DrawObject* o = f.owner;
  uint32_t start = uint32_t(f.polygon_start - o->elements);
  const WorldPoint& first = o->nodes[f.polygon_start->value];
  g_projected.push_back(project(first, f.dominant_axis));
  for (uint32_t i = start + 1; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_START) break;
    if (e.code != EL_LINE && e.code != EL_CLOSE) continue;
    if (!node_ok(o, e.value)) break;
    g_projected.push_back(project(o->nodes[e.value], f.dominant_axis));
    if (e.code == EL_CLOSE) {
      g_projected.push_back(project(first, f.dominant_axis));
      return;
    }
  }
  g_projected.resize(mark);  // not closed: never inside
}

void box_of_face(const FaceEntry& f, float box[6]) {
  box[0] = f.x_min, box[1] = f.x_max, box[2] = f.y_min;
  box[3] = f.y_max, box[4] = f.z_min, box[5] = f.z_max;
}

// The face's plane over the rectangle of its polygon's projection: the
// dominant coordinate of every point a hit inside the polygon can have.
void reach_of_face(const FaceEntry& f, float reach[6]) {
  box_of_face(f, reach);
  int w = int(f.dominant_axis);
  int p = w == 0 ? 1 : 0, q = w == 2 ? 1 : 2;
  double n[3] = {f.nx, f.ny, f.nz};
  double lo = reach[2 * w], hi = reach[2 * w + 1];
  for (int i = 0; i < 4; ++i) {
    double cp = reach[2 * p + (i & 1)], cq = reach[2 * q + (i >> 1)];
    double v = -(n[p] * cp + n[q] * cq + f.d) / n[w];
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  reach[2 * w] = float(lo);
  reach[2 * w + 1] = float(hi);
  float extent = 0.0f;
  for (int k = 0; k < 6; ++k) extent = std::max(extent, std::fabs(reach[k]));
  float margin = 1e-3f + 1e-4f * extent;
  for (int k = 0; k < 3; ++k) {
    reach[2 * k] -= margin;
    reach[2 * k + 1] += margin;
  }
}

std::vector<float> g_face_reach;  // 6 per face, for the build

void grow(float into[6], const float* box) {
  for (int a = 0; a < 3; ++a) {
    into[2 * a] = std::min(into[2 * a], box[2 * a]);
    into[2 * a + 1] = std::max(into[2 * a + 1], box[2 * a + 1]);
  }
}

double half_area(const float b[6]) {
  double x = double(b[1]) - b[0], y = double(b[3]) - b[2], z = double(b[5]) - b[4];
  return x * y + y * z + z * x;
}

// The split a ray pays least for: over the three axes, faces sorted by box
// centre, the cut that minimises the reach-box areas times face counts.
void best_split(int32_t first, int32_t count, int* axis_out, int32_t* cut_out) {
  double best = INFINITY;
  *axis_out = 0;
  *cut_out = count / 2;
  std::vector<double> left_cost(static_cast<size_t>(count));
  for (int axis = 0; axis < 3; ++axis) {
    auto centre = [axis](int32_t face) { return g_face_reach[size_t(face) * 6 + 2 * axis] + g_face_reach[size_t(face) * 6 + 2 * axis + 1]; };
    std::sort(g_order.begin() + first, g_order.begin() + first + count, [&](int32_t a, int32_t b) {
      float ca = centre(a), cb = centre(b);
      return ca < cb || (ca == cb && a < b);
    });
    float grown[6] = {1e30f, -1e30f, 1e30f, -1e30f, 1e30f, -1e30f};
    for (int32_t i = 0; i < count; ++i) {
      grow(grown, &g_face_reach[size_t(g_order[size_t(first + i)]) * 6]);
      left_cost[size_t(i)] = half_area(grown) * double(i + 1);
    }
    float right[6] = {1e30f, -1e30f, 1e30f, -1e30f, 1e30f, -1e30f};
    for (int32_t i = count - 1; i >= 1; --i) {
      grow(right, &g_face_reach[size_t(g_order[size_t(first + i)]) * 6]);
      double cost = left_cost[size_t(i - 1)] + half_area(right) * double(count - i);
      if (cost < best) {
        best = cost;
        *axis_out = axis;
        *cut_out = i;
      }
    }
  }
  int axis = *axis_out;
  auto centre = [axis](int32_t face) { return g_face_reach[size_t(face) * 6 + 2 * axis] + g_face_reach[size_t(face) * 6 + 2 * axis + 1]; };
  std::sort(g_order.begin() + first, g_order.begin() + first + count, [&](int32_t a, int32_t b) {
    float ca = centre(a), cb = centre(b);
    return ca < cb || (ca == cb && a < b);
  });
}

// Past this depth the cut is the median, so that the depth stays within the
// walkers' fixed stacks (24 + log2 of 16000 levels at most).
constexpr int TREE_AREA_DEPTH = 24;

int32_t build_node(int32_t first, int32_t count, int depth) {
  int32_t index = int32_t(g_tree.size());
  g_tree.push_back(FaceTreeNode{});
  float box[6] = {1e30f, -1e30f, 1e30f, -1e30f, 1e30f, -1e30f};
  float reach[6] = {1e30f, -1e30f, 1e30f, -1e30f, 1e30f, -1e30f};
  for (int32_t i = first; i < first + count; ++i) {
    float fb[6];
    box_of_face(g_face_table[g_order[size_t(i)]], fb);
    grow(box, fb);
    grow(reach, &g_face_reach[size_t(g_order[size_t(i)]) * 6]);
  }
  std::copy(box, box + 6, g_tree[size_t(index)].box);
  std::copy(reach, reach + 6, g_tree[size_t(index)].reach);
  if (count <= TREE_LEAF_FACES) {
    g_tree[size_t(index)].first = first;
    g_tree[size_t(index)].count = count;
    g_tree[size_t(index)].left = g_tree[size_t(index)].right = -1;
    return index;
  }
  int axis;
  int32_t cut;
  best_split(first, count, &axis, &cut);
  if (depth >= TREE_AREA_DEPTH) cut = count / 2;
  int32_t left = build_node(first, cut, depth + 1);
  int32_t right = build_node(first + cut, count - cut, depth + 1);
  g_tree[size_t(index)].first = -1;
  g_tree[size_t(index)].count = 0;
  g_tree[size_t(index)].left = left;
  g_tree[size_t(index)].right = right;
  return index;
}

void clear_derived() {
  g_tree.clear();
  g_order.clear();
  g_projected.clear();
  g_projected_start.assign(1, 0);
  g_face_tree = nullptr;
  g_face_tree_nodes = 0;
  g_face_tree_order = nullptr;
}

// Projections and the box tree follow the table whenever it changes.
void finish_table() {
  clear_derived();
  g_projected_start.clear();
  for (int32_t i = 0; i < g_face_count; ++i) {
    g_projected_start.push_back(uint32_t(g_projected.size()));
    project_face(g_face_table[i]);
  }
  g_projected_start.push_back(uint32_t(g_projected.size()));
  face_tree_build();
}

}  // namespace

// Every polygon of the room faces and bodies with a Newell vector of at
// least 0.01 becomes an entry; the table is checked for room before each
// entry is written.
int refl_build_face_table() {
  g_face_count = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_ROOM || (o->kind != OBJ_KIND_FACE && o->kind != OBJ_KIND_BODY)) continue;
    if (!o->elements || !o->nodes) continue;
    for (uint32_t i = 0; i < o->element_count; ++i) {
      if (o->elements[i].code != EL_START || !node_ok(o, o->elements[i].value)) continue;
      double n[3];
      refl_polygon_normal(o, i, n);
      if (std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) < 0.01) continue;
      if (g_face_count >= MAX_FACES) {
        g_face_count = 0;
        clear_derived();
        ui_message_box("Zuviele Raumflächen", nullptr, UI_MB_OK);
        return 0;
      }
      fill_entry(g_face_table[g_face_count], o, i, n);
      g_face_count += 1;
    }
  }
  finish_table();
  return g_face_count;
}

// The material entry right after the start element; a polygon without one
// counts as the default material.
int refl_face_material(const FaceEntry& face) {
  const DrawObject* o = face.owner;
  if (!o || !face.polygon_start) return 0;
  return obj_polygon_material(o, uint32_t(face.polygon_start - o->elements), g_material_table.count);
}

// Larger faces first, then lower, then by y and x.
void refl_sort_face_table() {
  std::stable_sort(g_face_table, g_face_table + g_face_count, [](const FaceEntry& a, const FaceEntry& b) {
    if (a.mirror_divisor != b.mirror_divisor) return a.mirror_divisor > b.mirror_divisor;
    if (a.z_min != b.z_min) return a.z_min < b.z_min;
    if (a.y_min != b.y_min) return a.y_min < b.y_min;
    return a.x_min < b.x_min;
  });
  finish_table();
}

bool refl_compare_faces_x(const FaceEntry& a, const FaceEntry& b) { return a.x_min < b.x_min; }
bool refl_compare_faces_y(const FaceEntry& a, const FaceEntry& b) { return a.y_min < b.y_min; }
bool refl_compare_faces_z(const FaceEntry& a, const FaceEntry& b) { return a.z_min < b.z_min; }

void refl_sort_faces_by(bool (*less)(const FaceEntry&, const FaceEntry&)) {
  std::stable_sort(g_face_table, g_face_table + g_face_count, less);
  finish_table();
}

int face_tree_build() {
  g_tree.clear();
  g_order.resize(size_t(g_face_count));
  for (int32_t i = 0; i < g_face_count; ++i) g_order[size_t(i)] = i;
  if (g_face_count > 0) {
    g_face_reach.resize(size_t(g_face_count) * 6);
    for (int32_t i = 0; i < g_face_count; ++i) reach_of_face(g_face_table[i], &g_face_reach[size_t(i) * 6]);
    g_tree.reserve(size_t(2 * g_face_count + 2));
    build_node(0, g_face_count, 0);
    std::vector<float>().swap(g_face_reach);
  }
  g_face_tree = g_tree.empty() ? nullptr : g_tree.data();
  g_face_tree_nodes = int32_t(g_tree.size());
  g_face_tree_order = g_order.empty() ? nullptr : g_order.data();
  return g_face_tree_nodes;
}

int face_point_in_polygon(int face, const WorldPoint& h) {
  const FaceEntry& f = g_face_table[face];
  switch (f.dominant_axis) {
    case 0:
      if (!(h.y >= f.y_min && h.y <= f.y_max && h.z >= f.z_min && h.z <= f.z_max)) return 0;
      break;
    case 1:
      if (!(h.x >= f.x_min && h.x <= f.x_max && h.z >= f.z_min && h.z <= f.z_max)) return 0;
      break;
    default:
      if (!(h.x >= f.x_min && h.x <= f.x_max && h.y >= f.y_min && h.y <= f.y_max)) return 0;
      break;
  }
  ProjectedPoint hp = project(h, f.dominant_axis);
  uint32_t begin = g_projected_start[size_t(face)], end = g_projected_start[size_t(face) + 1];
  int crossings = 0;
  for (uint32_t i = begin + 1; i < end; ++i) {
    const ProjectedPoint& a = g_projected[i - 1];
    const ProjectedPoint& b = g_projected[i];
    if (!((a.q - hp.q) * (b.q - hp.q) < 0)) continue;
    if (b.p != a.p) {
      float m = (b.q - a.q) / (b.p - a.p);
      float pc = (hp.q - (a.q - a.p * m)) / m;
      crossings += hp.p < pc;
    } else {
      crossings += a.p > hp.p;
    }
  }
  return crossings & 1;
}
