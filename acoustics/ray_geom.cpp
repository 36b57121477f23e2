#include "acoustics/ray_geom.h"

#include <cmath>
#include <cstring>

#include "acoustics/face_bvh.h"
#include "acoustics/face_table.h"
#include "cad/obj_store.h"

namespace {

float dot(const WorldPoint& a, float nx, float ny, float nz) { return a.x * nx + a.y * ny + a.z * nz; }

void grow_box(float box[6], const WorldPoint& p) {
  if (p.x < box[0]) box[0] = p.x;
  if (p.x > box[1]) box[1] = p.x;
  if (p.y < box[2]) box[2] = p.y;
  if (p.y > box[3]) box[3] = p.y;
  if (p.z < box[4]) box[4] = p.z;
  if (p.z > box[5]) box[5] = p.z;
}

// Shared edge test on the projection (p, q): does the edge cross the line
// through h, parallel to p, strictly beyond h?
int edge_cross(float e0p, float e0q, float e1p, float e1q, float hp, float hq) {
  if (e1p != e0p) {
    float m = (e1q - e0q) / (e1p - e0p);
    float pc = (hq - (e0q - e0p * m)) / m;
    return hp < pc ? 1 : 0;
  }
  return e0p > hp ? 1 : 0;
}

int edge_counts(uint32_t axis, const WorldPoint& a, const WorldPoint& b, const WorldPoint& h) {
  switch (axis) {
    case 0:
      return (a.z - h.z) * (b.z - h.z) < 0 && refl_edge_cross_yz(a, b, h);
    case 1:
      return (a.z - h.z) * (b.z - h.z) < 0 && refl_edge_cross_xz(a, b, h);
    default:
      return (a.y - h.y) * (b.y - h.y) < 0 && refl_edge_cross_xy(a, b, h);
  }
}

bool inside_face_box(const FaceEntry& f, const WorldPoint& h) {
  switch (f.dominant_axis) {
    case 0:
      return h.y >= f.y_min && h.y <= f.y_max && h.z >= f.z_min && h.z <= f.z_max;
    case 1:
      return h.x >= f.x_min && h.x <= f.x_max && h.z >= f.z_min && h.z <= f.z_max;
    case 2:
      return h.x >= f.x_min && h.x <= f.x_max && h.y >= f.y_min && h.y <= f.y_max;
    default:
      return false;
  }
}

bool node_valid(const DrawObject* o, uint16_t index) { return index < o->node_count; }

}  // namespace

// Newell vector of the polygon that starts at `start_element`, in double:
// twice its area along its normal, the direction following the node order.
void refl_polygon_normal(const DrawObject* o, uint32_t start, double n[3]) {
  n[0] = n[1] = n[2] = 0.0;
  if (start >= o->element_count || !node_valid(o, o->elements[start].value)) return;
  const WorldPoint& first = o->nodes[o->elements[start].value];
  const WorldPoint* prev = &first;
  auto add_edge = [&](const WorldPoint& i, const WorldPoint& j) {
    n[0] += (double(i.y) - j.y) * (double(i.z) + j.z);
    n[1] += (double(i.z) - j.z) * (double(i.x) + j.x);
    n[2] += (double(i.x) - j.x) * (double(i.y) + j.y);
  };
  for (uint32_t k = start + 1; k < o->element_count; ++k) {
    const ElementCode& e = o->elements[k];
    if (e.code == EL_START) return;
    if ((e.code != EL_LINE && e.code != EL_CLOSE) || !node_valid(o, e.value)) continue;
    const WorldPoint& node = o->nodes[e.value];
    add_edge(*prev, node);
    prev = &node;
    if (e.code == EL_CLOSE) {
      add_edge(node, first);
      return;
    }
  }
}

// Minima start high and maxima low so that the first node sets both; a
// second start ends the walk, a close ends it after its node.
void refl_face_bounds(const DrawObject* object, uint32_t start_element, float box[6]) {
  box[0] = box[2] = box[4] = 1e30f;
  box[1] = box[3] = box[5] = -1e30f;
  for (uint32_t i = start_element; i < object->element_count; ++i) {
    const ElementCode& e = object->elements[i];
    if (e.code == EL_START && i != start_element) break;
    if (e.code == EL_MATERIAL) continue;
    if (node_valid(object, e.value)) grow_box(box, object->nodes[e.value]);
    if (e.code == EL_CLOSE) break;
  }
}

// Computed in double so that the plane passes through the first node as
// closely as single precision allows.
void refl_plane_offset(FaceEntry& face) {
  double d = -(double(face.nx) * face.x0 + double(face.ny) * face.y0 + double(face.nz) * face.z0);
  face.d = float(d);
}

int refl_edge_cross_xy(const WorldPoint& e0, const WorldPoint& e1, const WorldPoint& h) {
  return edge_cross(e0.x, e0.y, e1.x, e1.y, h.x, h.y);
}
int refl_edge_cross_yz(const WorldPoint& e0, const WorldPoint& e1, const WorldPoint& h) {
  return edge_cross(e0.y, e0.z, e1.y, e1.z, h.y, h.z);
}
int refl_edge_cross_xz(const WorldPoint& e0, const WorldPoint& e1, const WorldPoint& h) {
  return edge_cross(e0.x, e0.z, e1.x, e1.z, h.x, h.z);
}

// Crossing count in the face's dominant projection over its element list; a
// second start before the close, or a list without a close, is outside.
int refl_point_in_face(const FaceEntry& face, const WorldPoint& h) {
  if (!inside_face_box(face, h)) return 0;
  const DrawObject* o = face.owner;
  if (!o || !face.polygon_start) return 0;
  uint32_t start = uint32_t(face.polygon_start - o->elements);
  if (start >= o->element_count || !node_valid(o, face.polygon_start->value)) return 0;
  const WorldPoint& first = o->nodes[face.polygon_start->value];
  const WorldPoint* previous = &first;
  int crossings = 0;
  for (uint32_t i = start + 1; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_START) return 0;
    if (e.code == EL_MATERIAL) continue;
    if (e.code != EL_LINE && e.code != EL_CLOSE) continue;
    if (!node_valid(o, e.value)) return 0;
    const WorldPoint& node = o->nodes[e.value];
    crossings += edge_counts(face.dominant_axis, *previous, node, h);
    previous = &node;
    if (e.code == EL_CLOSE) {
      crossings += edge_counts(face.dominant_axis, node, first, h);
      return crossings & 1;
    }
  }
  return 0;
}

// Line through a along d against the face's plane, then the point test. The
// whole line counts here; refl_ray_hits_face_ahead keeps only hits ahead.
int refl_intersect_face(const FaceEntry& face, const WorldPoint& a, const WorldPoint& d,
                        WorldPoint* hit) {
  float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (length < 0.001f) return 0;
  WorldPoint u{d.x / length, d.y / length, d.z / length};
  float q = dot(u, face.nx, face.ny, face.nz);
  if (q == 0.0f) return 0;
  float t = (dot(a, face.nx, face.ny, face.nz) + face.d) / q;
  WorldPoint h{a.x - t * u.x, a.y - t * u.y, a.z - t * u.z};
  if (hit) *hit = h;
  return refl_point_in_face(face, h);
}

// A ray only meets faces in front of it: the hit must lie a positive
// distance along d from a.
int refl_ray_hits_face_ahead(const FaceEntry& face, const WorldPoint& a, const WorldPoint& d,
                             WorldPoint* hit) {
  WorldPoint h;
  if (!refl_intersect_face(face, a, d, &h)) return 0;
  float along = (h.x - a.x) * d.x + (h.y - a.y) * d.y + (h.z - a.z) * d.z;
  if (!(along > 0.0f)) return 0;
  if (hit) *hit = h;
  return 1;
}

int refl_intersect_table_face(int face, const WorldPoint& a, const WorldPoint& d, WorldPoint* hit) {
  const FaceEntry& f = g_face_table[face];
  float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
  if (length < 0.001f) return 0;
  WorldPoint u{d.x / length, d.y / length, d.z / length};
  float q = dot(u, f.nx, f.ny, f.nz);
  if (q == 0.0f) return 0;
  float t = (dot(a, f.nx, f.ny, f.nz) + f.d) / q;
  WorldPoint h{a.x - t * u.x, a.y - t * u.y, a.z - t * u.z};
  if (hit) *hit = h;
  return face_point_in_polygon(face, h);
}

namespace {

// The ray passes the receiver when the receiver lies ahead of the start and
// the ray's closest approach to it is within the capture radius.
bool ray_captures(const RayTracer& tr, const WorldPoint& a, const WorldPoint& d, float d_sq) {
  WorldPoint w{a.x - tr.receiver.x, a.y - tr.receiver.y, a.z - tr.receiver.z};
  float t = -(w.x * d.x + w.y * d.y + w.z * d.z) / d_sq;
  if (t < 0.0f) return false;
  WorldPoint q{w.x + t * d.x, w.y + t * d.y, w.z + t * d.z};
  return q.x * q.x + q.y * q.y + q.z * q.z < tr.capture_radius_sq;
}

bool probe_overlaps(const float probe[6], const FaceEntry& f) {
  return probe[1] >= f.x_min && probe[0] < f.x_max && probe[3] >= f.y_min && probe[2] < f.y_max &&
         probe[5] >= f.z_min && probe[4] < f.z_max;
}

// A face is a candidate of the tracer only when the ray starts in front of
// it and moves toward it, its box meets the probe box, and the ray meets it
// inside, ahead of the start. Leaves the squared distance and the hit.
bool tracer_candidate(const RayTracer& tr, int i, int skip_face, const WorldPoint& a, const WorldPoint& d,
                      const float probe[6], bool fast, float* dist_sq, WorldPoint* hit, float* s_out) {
  if (i == skip_face) return false;
  const FaceEntry& f = g_face_table[i];
  float s = (f.x0 - a.x) * f.nx + (f.y0 - a.y) * f.ny + (f.z0 - a.z) * f.nz;
  if (!(s < 0.0f) || !(d.x * f.nx + d.y * f.ny + d.z * f.nz < 0.0f) || !probe_overlaps(probe, f)) return false;
  WorldPoint h;
  if (!(fast ? refl_intersect_table_face(i, a, d, &h) : refl_intersect_face(f, a, d, &h))) return false;
  float hx = h.x - a.x, hy = h.y - a.y, hz = h.z - a.z;
  if (!(hx * d.x + hy * d.y + hz * d.z > 0.0f)) return false;
  *dist_sq = hx * hx + hy * hy + hz * hz;
  *hit = h;
  *s_out = s;
  return true;
}

// Counts face visits for the progress; false once the run is cancelled.
bool count_visits(RayTracer& tr, uint32_t visits) {
  tr.visit_counter += visits;
  if (tr.visit_counter <= 60000) return true;
  tr.visit_counter = 0;
  if (tr.progress && tr.progress(tr.progress_user)) tr.cancelled = 1;
  return !tr.cancelled;
}

// The nearest candidate by the plain scan in index order: a face replaces
// the best only when strictly nearer.
int nearest_plain(RayTracer& tr, const WorldPoint& a, const WorldPoint& d, const float probe[6], int skip_face,
                  float* nearest_sq) {
  int nearest = -1;
  for (int i = 0; i < g_face_count; ++i) {
    if (!count_visits(tr, 1)) return -1;
    float dist_sq, s;
    WorldPoint h;
    if (tracer_candidate(tr, i, skip_face, a, d, probe, false, &dist_sq, &h, &s) && dist_sq < *nearest_sq) {
      *nearest_sq = dist_sq;
      nearest = i;
    }
  }
  return nearest;
}

int nearest_tree(RayTracer& tr, const WorldPoint& a, const WorldPoint& d, const float probe[6], int skip_face,
                 float* nearest_sq) {
  int nearest = -1;
  uint32_t visits = 0;
  // The probe box of a ray 1000 long holds nearly every node: each face's
  // own test applies it.
  auto box_ok = [](const float*) { return true; };
  auto hit = [&](int i, float* dist_sq) {
    ++visits;
    float s;
    WorldPoint h;
    return tracer_candidate(tr, i, skip_face, a, d, probe, true, dist_sq, &h, &s);
  };
  face_bvh_nearest(a, d, box_ok, hit, nearest_sq, &nearest);
  if (!count_visits(tr, visits)) return -1;
  return nearest;
}

}  // namespace

// Follows the ray from start along tracer.direction to the nearest face in
// front of it and recurses with the mirrored direction; records the path
// when the ray passes the receiver before it meets a face.
void refl_trace_ray(RayTracer& tr, const WorldPoint& start, int skip_face) {
  tr.depth += 1;
  int depth = tr.depth;
  struct Restore {
    RayTracer& tr;
    ~Restore() { tr.depth -= 1; }
  } restore{tr};
  if (depth >= PATH_MAX_ENTRIES) return;
  WorldPoint d = tr.direction;
  float d_sq = d.x * d.x + d.y * d.y + d.z * d.z;
  if (d_sq < 0.001f) return;
  float scale = 1e6f / d_sq;
  d = WorldPoint{d.x * scale, d.y * scale, d.z * scale};
  d_sq = d.x * d.x + d.y * d.y + d.z * d.z;
  WorldPoint end{start.x + d.x, start.y + d.y, start.z + d.z};
  float probe[6] = {std::fmin(start.x, end.x), std::fmax(start.x, end.x),
                    std::fmin(start.y, end.y), std::fmax(start.y, end.y),
                    std::fmin(start.z, end.z), std::fmax(start.z, end.z)};
  float nearest_sq = 1e10f;
  bool captured = false;
  if (depth > tr.min_order && ray_captures(tr, start, d, d_sq)) {
    float rx = tr.receiver.x - start.x, ry = tr.receiver.y - start.y, rz = tr.receiver.z - start.z;
    nearest_sq = rx * rx + ry * ry + rz * rz;
    captured = true;
  }
  if (!captured && depth > tr.order_limit) return;
  int nearest = tr.use_tree ? nearest_tree(tr, start, d, probe, skip_face, &nearest_sq)
                            : nearest_plain(tr, start, d, probe, skip_face, &nearest_sq);
  if (tr.cancelled) return;
  if (nearest >= 0) {
    // The winner's hit and mirror point, computed again exactly as the scan did.
    float dist_sq = 0.0f, s = 0.0f;
    WorldPoint hit;
    tracer_candidate(tr, nearest, skip_face, start, d, probe, tr.use_tree != 0, &dist_sq, &hit, &s);
    const FaceEntry& f = g_face_table[nearest];
    float k = s / f.mirror_divisor;
    WorldPoint mirror{start.x + k * f.nx, start.y + k * f.ny, start.z + k * f.nz};
    tr.path.entries[depth] = PathEntry{uint16_t(nearest), hit.x, hit.y, hit.z};
    tr.free_path_sum += std::sqrt(double(nearest_sq));
    tr.free_path_segments += 1.0;
    if (depth <= tr.order_limit) {
      tr.direction = WorldPoint{hit.x - mirror.x, hit.y - mirror.y, hit.z - mirror.z};
      refl_trace_ray(tr, hit, nearest);
    }
  } else if (captured) {
    tr.path.entries[depth] = PathEntry{PATH_TAG_RECEIVER, tr.receiver.x, tr.receiver.y, tr.receiver.z};
    tr.path.reflection_count = int16_t(depth - 1);
    tr.captured += 1;
    if (tr.spool) refl_spool_path(*tr.spool, tr.path, depth + 1);
  }
}
