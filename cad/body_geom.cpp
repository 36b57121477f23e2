#include "cad/body_geom.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/geom2d.h"

namespace {

constexpr double DEGREES_TO_RADIANS = 0.017453292522222223;
constexpr double JOIN_DISTANCE2 = 4e-6;   // squared distance of corners taken as one
constexpr double CUT_NODE_DISTANCE = 0.001;  // a crossing this near a node is that node

uint16_t node_value(uint32_t v) { return static_cast<uint16_t>(v); }

ElementCode element(uint16_t code, uint32_t value) { return ElementCode{code, node_value(value)}; }

bool is_node_code(uint16_t code) { return code <= EL_CLOSE; }

void append_quad(ElementCode*& out, uint32_t a, uint32_t b, uint32_t lower, uint32_t upper, bool closing) {
  if (closing) {
    *out++ = element(EL_START, a + lower);
    *out++ = element(EL_MATERIAL, 0);
    *out++ = element(EL_LINE, a + upper);
    *out++ = element(EL_LINE, b + upper);
    *out++ = element(EL_CLOSE, b + lower);
  } else {
    *out++ = element(EL_START, a + upper);
    *out++ = element(EL_MATERIAL, 0);
    *out++ = element(EL_LINE, b + upper);
    *out++ = element(EL_LINE, b + lower);
    *out++ = element(EL_CLOSE, a + lower);
  }
}

// Calls edge(a, b, closing) for every edge of every polygon: a line is the
// edge from the previous node, a close that edge and the one back to the
// polygon's start.
template <typename Edge>
void for_each_edge(const ElementCode* e, uint32_t count, Edge edge) {
  bool started = false;
  uint32_t first = 0, previous = 0;
  for (uint32_t i = 0; i < count; ++i) {
    switch (e[i].code) {
      case EL_START:
        started = true;
        first = previous = e[i].value;
        break;
      case EL_LINE:
      case EL_CLOSE:
        if (!started) break;
        edge(previous, uint32_t(e[i].value), false);
        previous = e[i].value;
        if (e[i].code == EL_CLOSE) edge(previous, first, true);
        break;
      default: break;
    }
  }
}

// The signed volume decides the orientation of a new body: its faces turn
// so that the volume is not negative.
void orient_outward(DrawObject* body) {
  double area = 0, volume = 0;
  cad_area_volume(body, &area, &volume);
  if (volume < 0) cad_reverse_all_polygons(body);
}

// A body built from a source takes its attributes (unselected), layer and
// colour, and faces outward.
void finish_body(DrawObject* body, const DrawObject* source) {
  body->kind = OBJ_KIND_BODY;
  body->attributes = source->attributes & ~uint32_t(OBJ_ATTR_SELECTED);
  body->layer = source->layer;
  body->colour = source->colour;
  orient_outward(body);
}

// Copies elements, raising node values (not materials) by offset.
void copy_raised(const ElementCode* in, uint32_t count, uint32_t offset, ElementCode* out) {
  for (uint32_t i = 0; i < count; ++i) {
    out[i] = in[i];
    if (in[i].code != EL_MATERIAL) out[i].value = node_value(in[i].value + offset);
  }
}

void reverse_each(ElementCode* e, uint32_t count) {
  for (uint32_t k = 0; k < count; ++k)
    if (e[k].code == EL_START) cad_reverse_polygon_in(e, count, int(k));
}

// The node values of the elements must name nodes of the object.
bool elements_in_range(const DrawObject* o) {
  for (uint32_t i = 0; i < o->element_count; ++i)
    if (is_node_code(o->elements[i].code) && o->elements[i].value >= o->node_count) return false;
  return true;
}

// Shrinks the arrays of an object built in larger work arrays.
void shrink(DrawObject* o, uint32_t node_capacity, uint32_t element_capacity) {
  if (o->node_count < node_capacity) {
    WorldPoint* nodes = obj_realloc_nodes(o->nodes, node_capacity, o->node_count);
    if (nodes || o->node_count == 0) o->nodes = nodes;
  }
  if (o->element_count < element_capacity) {
    ElementCode* elements = obj_realloc_elements(o->elements, element_capacity, o->element_count);
    if (elements || o->element_count == 0) o->elements = elements;
  }
}

// A new object from node and element lists, or null.
DrawObject* object_from(const std::vector<WorldPoint>& nodes, const std::vector<ElementCode>& elements) {
  DrawObject* o = obj_create(0, uint32_t(nodes.size()), uint32_t(elements.size()));
  if (!o) return nullptr;
  if (!nodes.empty()) std::memcpy(o->nodes, nodes.data(), nodes.size() * sizeof(WorldPoint));
  if (!elements.empty()) std::memcpy(o->elements, elements.data(), elements.size() * sizeof(ElementCode));
  return o;
}

bool fits_object(size_t nodes, size_t elements) {
  return nodes <= MAX_OBJECT_NODES && elements <= MAX_OBJECT_ELEMENTS;
}

double distance(const WorldPoint& p, double x, double y, double z) {
  double dx = p.x - x, dy = p.y - y, dz = p.z - z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The view's two axes of a point, and the third.
void plane_axes(int view_kind, const WorldPoint& p, double& u, double& v) {
  switch (view_kind) {
    case VIEW_YZ: u = p.y; v = p.z; break;
    case VIEW_XZ: u = p.x; v = p.z; break;
    default: u = p.x; v = p.y; break;
  }
}

}  // namespace

uint32_t cad_side_quad_count(const ElementCode* source, uint32_t element_count) {
  uint32_t edges = 0;
  for_each_edge(source, element_count, [&](uint32_t, uint32_t, bool) { ++edges; });
  return edges;
}

uint32_t cad_build_side_quads(const ElementCode* source, ElementCode* out, uint32_t element_count,
                              uint32_t lower_base, uint32_t upper_base) {
  ElementCode* start = out;
  for_each_edge(source, element_count, [&](uint32_t a, uint32_t b, bool closing) {
    append_quad(out, a, b, lower_base, upper_base, closing);
  });
  return uint32_t(out - start);
}

bool cad_can_build_from(const DrawObject* o) {
  if (o->kind == OBJ_KIND_BODY || o->kind == OBJ_KIND_TEXT) return false;
  if (o->kind & (OBJ_KIND_GROUP_BEGIN | OBJ_KIND_GROUP_END)) return false;
  return o->node_count > 0 && o->nodes && o->element_count > 0;
}

// Ring 0 is the source, ring 1 the source moved by the displacement; a face
// gets its own elements as the bottom cap and a reversed copy on ring 1 as
// the top cap, then the side quads follow.
DrawObject* cad_extrude_object(const DrawObject* s, double dx, double dy, double dz, BuildStatus* status) {
  uint32_t n = s->node_count, e = s->element_count;
  *status = BuildStatus::too_big;
  if (2ull * n > MAX_OBJECT_NODES || 8ull * e > MAX_OBJECT_ELEMENTS || !elements_in_range(s)) return nullptr;
  *status = BuildStatus::no_memory;
  DrawObject* body = obj_create(0, 2 * n, 8 * e);
  if (!body) return nullptr;
  for (uint32_t k = 0; k < n; ++k) {
    const WorldPoint& p = s->nodes[k];
    body->nodes[k] = p;
    body->nodes[k + n] = {static_cast<float>(p.x + dx), static_cast<float>(p.y + dy), static_cast<float>(p.z + dz)};
  }
  uint32_t count = 0;
  if (s->kind == OBJ_KIND_FACE) {
    std::memcpy(body->elements, s->elements, e * sizeof(ElementCode));
    std::memcpy(body->elements + e, s->elements, e * sizeof(ElementCode));
    reverse_each(body->elements + e, e);
    copy_raised(body->elements + e, e, n, body->elements + e);
    count = 2 * e;
  }
  count += cad_build_side_quads(s->elements, body->elements + count, e, 0, n);
  body->element_count = count;
  shrink(body, 2 * n, 8 * e);
  finish_body(body, s);
  *status = BuildStatus::ok;
  return body;
}

namespace {

// One step of the turn about the centre, in the view's axes.
void turn(int view_kind, double c, double s, const WorldPoint& centre, double p[3]) {
  double x = p[0] - centre.x, y = p[1] - centre.y, z = p[2] - centre.z;
  switch (view_kind) {
    case VIEW_XY: p[0] = centre.x + x * c - y * s; p[1] = centre.y + x * s + y * c; break;
    case VIEW_YZ: p[1] = centre.y + y * c - z * s; p[2] = centre.z + y * s + z * c; break;
    case VIEW_XZ: p[0] = centre.x + x * c + z * s; p[2] = centre.z - x * s + z * c; break;
    default: break;
  }
}

}  // namespace

// Ring r is the source turned r steps about the axis; the side quads join
// each ring to the next. A full turn, or a source that is not a face, keeps
// only the side surface; a partial turn of a face closes with the face as
// its start cap and a reversed copy on the last ring as its end cap.
DrawObject* cad_lathe_object(const DrawObject* s, const LatheSpec& spec, BuildStatus* status) {
  uint64_t n = s->node_count, e = s->element_count, rings = uint64_t(spec.segments) + 1;
  *status = BuildStatus::too_big;
  if (spec.segments < 1 || rings * n > MAX_OBJECT_NODES || 7 * e * rings > MAX_OBJECT_ELEMENTS ||
      !elements_in_range(s))
    return nullptr;
  if (spec.view_kind != VIEW_XY && spec.view_kind != VIEW_YZ && spec.view_kind != VIEW_XZ) return nullptr;
  *status = BuildStatus::no_memory;
  uint32_t node_capacity = uint32_t(rings * n), element_capacity = uint32_t(7 * e * rings);
  DrawObject* body = obj_create(0, node_capacity, element_capacity);
  std::vector<double> ring;
  if (!body) return nullptr;
  ring.resize(3 * n);
  for (uint32_t k = 0; k < n; ++k) {
    body->nodes[k] = s->nodes[k];
    ring[3 * k] = s->nodes[k].x;
    ring[3 * k + 1] = s->nodes[k].y;
    ring[3 * k + 2] = s->nodes[k].z;
  }
  std::memcpy(body->elements, s->elements, e * sizeof(ElementCode));
  uint32_t count = uint32_t(e);
  double step = spec.angle * DEGREES_TO_RADIANS / spec.segments;
  double c = std::cos(step), sn = std::sin(step);
  uint32_t segments = uint32_t(spec.segments);
  for (uint32_t r = 1; r <= segments; ++r) {
    count += cad_build_side_quads(s->elements, body->elements + count, uint32_t(e), uint32_t((r - 1) * n),
                                  uint32_t(r * n));
    for (uint32_t k = 0; k < n; ++k) {
      turn(spec.view_kind, c, sn, spec.centre, &ring[3 * k]);
      body->nodes[r * n + k] = {static_cast<float>(ring[3 * k]), static_cast<float>(ring[3 * k + 1]),
                                static_cast<float>(ring[3 * k + 2])};
    }
  }
  if (spec.full_turn || s->kind != OBJ_KIND_FACE) {
    std::memmove(body->elements, body->elements + e, (count - e) * sizeof(ElementCode));
    count -= uint32_t(e);
  } else {
    copy_raised(s->elements, uint32_t(e), uint32_t(segments * n), body->elements + count);
    reverse_each(body->elements + count, uint32_t(e));
    count += uint32_t(e);
  }
  body->element_count = count;
  shrink(body, node_capacity, element_capacity);
  obj_optimise(body);
  finish_body(body, s);
  *status = BuildStatus::ok;
  return body;
}

// Every polygon of a body becomes an object of its own, with a node per
// element, inserted before the list head; the body is freed. Anything else
// is answered unchanged.
DrawObject* cad_explode_body_in(DrawObject*& head, DrawObject*& tail, DrawObject* body) {
  if (!body || body->kind != OBJ_KIND_BODY) return body;
  DrawObject* last = nullptr;
  uint32_t count = body->element_count;
  for (uint32_t i = 0; i < count;) {
    if (body->elements[i].code != EL_START) {
      ++i;
      continue;
    }
    std::vector<WorldPoint> nodes;
    std::vector<ElementCode> elements;
    bool closed = false;
    uint32_t k = i;
    for (; k < count && (k == i || body->elements[k].code != EL_START); ++k) {
      ElementCode el = body->elements[k];
      if (el.code == EL_MATERIAL) {
        elements.push_back(el);
        continue;
      }
      if (!is_node_code(el.code) || el.value >= body->node_count) continue;
      elements.push_back(element(el.code, uint32_t(nodes.size())));
      nodes.push_back(body->nodes[el.value]);
      if (el.code == EL_CLOSE) closed = true;
    }
    i = k;
    DrawObject* piece = object_from(nodes, elements);
    if (!piece) continue;
    piece->kind = closed ? OBJ_KIND_FACE : OBJ_KIND_POLYLINE;
    piece->layer = body->layer;
    piece->colour = body->colour;
    piece->attributes = OBJ_ATTR_SELECTED;
    obj_list_insert_before(head, tail, piece, head);
    last = piece;
  }
  obj_list_free(head, tail, body);
  return last;
}

DrawObject* cad_explode_body(DrawObject* object) { return cad_explode_body_in(g_obj_head, g_obj_tail, object); }

namespace {

uint32_t find_or_add(std::vector<WorldPoint>& nodes, const WorldPoint& p) {
  for (size_t k = 0; k < nodes.size(); ++k) {
    double dx = double(nodes[k].x) - p.x, dy = double(nodes[k].y) - p.y, dz = double(nodes[k].z) - p.z;
    if (dx * dx + dy * dy + dz * dz < JOIN_DISTANCE2) return uint32_t(k);
  }
  nodes.push_back(p);
  return uint32_t(nodes.size() - 1);
}

}  // namespace

// Every selected face goes into one body, corners closer than the join
// distance becoming one node. A face is taken only while the nodes it really
// adds and its elements still fit; the faces taken are freed once the body
// exists, so a failure leaves the list as it was.
DrawObject* cad_join_faces_in(DrawObject*& head, DrawObject*& tail, int current_layer, BuildStatus* status) {
  std::vector<WorldPoint> nodes;
  std::vector<ElementCode> elements;
  std::vector<DrawObject*> taken;
  for (DrawObject* o = head; o; o = o->next) {
    if (!(o->attributes & OBJ_ATTR_SELECTED) || o->kind != OBJ_KIND_FACE) continue;
    std::vector<WorldPoint> trial = nodes;
    std::vector<ElementCode> added;
    for (uint32_t i = 0; i < o->element_count; ++i) {
      ElementCode el = o->elements[i];
      if (el.code == EL_MATERIAL || !is_node_code(el.code)) {
        added.push_back(el);
        continue;
      }
      if (el.value >= o->node_count) continue;
      added.push_back(element(el.code, find_or_add(trial, o->nodes[el.value])));
    }
    if (trial.size() >= MAX_OBJECT_NODES || elements.size() + added.size() >= MAX_OBJECT_ELEMENTS) continue;
    nodes.swap(trial);
    elements.insert(elements.end(), added.begin(), added.end());
    taken.push_back(o);
  }
  if (status) *status = BuildStatus::all_open;
  if (nodes.empty() || elements.empty()) return nullptr;
  if (status) *status = BuildStatus::no_memory;
  DrawObject* body = object_from(nodes, elements);
  if (!body) return nullptr;
  for (DrawObject* o : taken) obj_list_free(head, tail, o);
  body->kind = OBJ_KIND_BODY;
  body->colour = current_layer == int(LAYER_AUX) ? 14 : 0;
  body->layer = uint32_t(current_layer);
  body->attributes = 0;
  obj_list_insert_before(head, tail, body, head);
  if (status) *status = BuildStatus::ok;
  return body;
}

DrawObject* cad_join_faces(int current_layer) {
  return cad_join_faces_in(g_obj_head, g_obj_tail, current_layer, nullptr);
}

// The 2D crossing in the view's axes; the third coordinate is interpolated
// along the edge over its axis of larger extent (a tie takes the view's
// second axis).
int cad_intersect_cut_line(int view_kind, const WorldPoint& a, const WorldPoint& b, const WorldPoint& c1,
                           const WorldPoint& c2, double* x, double* y, double* z) {
  double au, av, bu, bv, pu, pv, qu, qv, u = 0, v = 0;
  plane_axes(view_kind, a, au, av);
  plane_axes(view_kind, b, bu, bv);
  plane_axes(view_kind, c1, pu, pv);
  plane_axes(view_kind, c2, qu, qv);
  if (!gfx_intersect_segments(au, av, bu, bv, pu, pv, qu, qv, &u, &v)) return 0;
  double t = 0;
  if (std::fabs(bv - av) >= std::fabs(bu - au)) {
    if (bv != av) t = (v - av) / (bv - av);
  } else {
    t = (u - au) / (bu - au);
  }
  double third_a, third_b;
  switch (view_kind) {
    case VIEW_YZ: third_a = a.x; third_b = b.x; break;
    case VIEW_XZ: third_a = a.y; third_b = b.y; break;
    default: third_a = a.z; third_b = b.z; break;
  }
  double w = third_a + t * (third_b - third_a);
  switch (view_kind) {
    case VIEW_YZ: *x = w; *y = u; *z = v; break;
    case VIEW_XZ: *x = u; *y = w; *z = v; break;
    default: *x = u; *y = v; *z = w; break;
  }
  return 1;
}

namespace {

struct Edge {
  uint32_t from, to;
  bool closing;
};

// The picked polygon's edges in element order, the closing edge last.
std::vector<Edge> polygon_edges(const DrawObject* o, uint32_t start, uint32_t* end) {
  std::vector<Edge> edges;
  uint32_t stop = start + 1;
  while (stop < o->element_count && o->elements[stop].code != EL_START) ++stop;
  for_each_edge(o->elements + start, stop - start, [&](uint32_t a, uint32_t b, bool closing) {
    edges.push_back({a, b, closing});
  });
  *end = stop;
  return edges;
}

// Copies the elements [from, to) of another polygon, with the cut point
// inserted where an edge is one of the cut edges (in either direction).
void copy_with_cut_nodes(const ElementCode* e, uint32_t from, uint32_t to, const Edge cuts[2],
                         const uint32_t points[2], std::vector<ElementCode>& out) {
  auto cut_on = [&](uint32_t a, uint32_t b) -> int {
    for (int c = 0; c < 2; ++c)
      if ((cuts[c].from == a && cuts[c].to == b) || (cuts[c].from == b && cuts[c].to == a)) return c;
    return -1;
  };
  uint32_t first = 0, previous = 0;
  bool started = false;
  for (uint32_t i = from; i < to; ++i) {
    ElementCode el = e[i];
    if (el.code == EL_START) {
      started = true;
      first = previous = el.value;
    } else if (started && (el.code == EL_LINE || el.code == EL_CLOSE)) {
      int c = cut_on(previous, el.value);
      if (c >= 0) out.push_back(element(EL_LINE, points[c]));
      previous = el.value;
      if (el.code == EL_CLOSE) {
        int back = cut_on(el.value, first);
        if (back >= 0) {
          out.push_back(element(EL_LINE, el.value));
          out.push_back(element(EL_CLOSE, points[back]));
          continue;
        }
      }
    }
    out.push_back(el);
  }
}

}  // namespace

BuildStatus cad_split_polygon(DrawObject* o, int start_element, int view_kind, const WorldPoint& c1,
                              const WorldPoint& c2, DrawObject** out_result) {
  *out_result = nullptr;
  if (start_element < 0 || uint32_t(start_element) >= o->element_count ||
      o->elements[start_element].code != EL_START || !elements_in_range(o))
    return BuildStatus::no_cut;
  uint32_t start = uint32_t(start_element), end = 0;
  std::vector<Edge> edges = polygon_edges(o, start, &end);
  std::vector<WorldPoint> nodes(o->nodes, o->nodes + o->node_count);
  uint32_t cut_node[2] = {0, 0};
  size_t cut_edge[2] = {0, 0};
  int cuts = 0;
  for (size_t i = 0; i < edges.size() && cuts < 2; ++i) {
    const WorldPoint &a = o->nodes[edges[i].from], &b = o->nodes[edges[i].to];
    double x, y, z;
    if (!cad_intersect_cut_line(view_kind, a, b, c1, c2, &x, &y, &z)) continue;
    uint32_t node;
    if (distance(b, x, y, z) <= CUT_NODE_DISTANCE) {
      node = edges[i].to;
    } else if (distance(a, x, y, z) <= CUT_NODE_DISTANCE) {
      node = edges[i].from;
    } else {
      node = uint32_t(nodes.size());
      nodes.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    }
    if (cuts == 1 && node == cut_node[0]) continue;
    cut_node[cuts] = node;
    cut_edge[cuts] = i;
    ++cuts;
  }
  if (cuts == 0) return BuildStatus::no_cut;
  if (cuts == 1) return BuildStatus::one_cut;

  std::vector<ElementCode> out;
  uint32_t first = o->elements[start].value;
  // The part that keeps the polygon's start, and the part between the cuts.
  out.push_back(element(EL_START, first));
  out.push_back(element(EL_MATERIAL, 0));
  for (size_t i = 0; i < cut_edge[0]; ++i) out.push_back(element(EL_LINE, edges[i].to));
  out.push_back(element(EL_LINE, cut_node[0]));
  out.push_back(element(EL_LINE, cut_node[1]));
  for (size_t i = cut_edge[1]; i < edges.size(); ++i) {
    if (edges[i].closing)
      out.back().code = EL_CLOSE;  // the edge back to the start closes the polygon
    else
      out.push_back(element(EL_LINE, edges[i].to));
  }
  out.push_back(element(EL_START, cut_node[0]));
  out.push_back(element(EL_MATERIAL, 0));
  for (size_t i = cut_edge[0]; i < cut_edge[1]; ++i) out.push_back(element(EL_LINE, edges[i].to));
  out.push_back(element(EL_CLOSE, cut_node[1]));
  // Neighbouring polygons get the cut points on the cut edges, so a body
  // stays joined along them.
  const Edge cut_edges[2] = {edges[cut_edge[0]], edges[cut_edge[1]]};
  copy_with_cut_nodes(o->elements, 0, start, cut_edges, cut_node, out);
  copy_with_cut_nodes(o->elements, end, o->element_count, cut_edges, cut_node, out);
  if (!fits_object(nodes.size(), out.size())) return BuildStatus::too_big;
  DrawObject* result = object_from(nodes, out);
  if (!result) return BuildStatus::no_memory;
  result->kind = OBJ_KIND_BODY;
  result->layer = o->layer;
  result->colour = o->colour;
  obj_insert_before(result, o);
  obj_free(o);
  obj_optimise(result);
  *out_result = result;
  return BuildStatus::ok;
}

// Before a line whose edge crosses the cut line the crossing becomes a node
// and a line to it; a close does the same for its edge and for the edge back
// to the polygon's start.
DrawObject* cad_insert_cut_nodes(const DrawObject* s, int view_kind, const WorldPoint& c1, const WorldPoint& c2,
                                 BuildStatus* status) {
  *status = BuildStatus::no_cut;
  if (!elements_in_range(s)) return nullptr;
  std::vector<WorldPoint> nodes(s->nodes, s->nodes + s->node_count);
  std::vector<ElementCode> out;
  auto crossing = [&](uint32_t a, uint32_t b, uint32_t* node) {
    double x, y, z;
    if (!cad_intersect_cut_line(view_kind, s->nodes[a], s->nodes[b], c1, c2, &x, &y, &z)) return false;
    *node = uint32_t(nodes.size());
    nodes.push_back({static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)});
    return true;
  };
  bool started = false;
  uint32_t first = 0, previous = 0, node = 0;
  for (uint32_t i = 0; i < s->element_count; ++i) {
    ElementCode el = s->elements[i];
    if (el.code == EL_START) {
      started = true;
      first = previous = el.value;
    } else if (started && (el.code == EL_LINE || el.code == EL_CLOSE)) {
      if (crossing(previous, el.value, &node)) out.push_back(element(EL_LINE, node));
      previous = el.value;
      if (el.code == EL_CLOSE && crossing(el.value, first, &node)) {
        out.push_back(element(EL_LINE, el.value));
        out.push_back(element(EL_CLOSE, node));
        continue;
      }
    }
    out.push_back(el);
  }
  *status = BuildStatus::too_big;
  if (!fits_object(nodes.size(), out.size())) return nullptr;
  *status = BuildStatus::no_memory;
  DrawObject* result = object_from(nodes, out);
  if (!result) return nullptr;
  result->kind = s->kind;
  result->attributes = s->attributes;
  result->layer = s->layer;
  result->colour = s->colour;
  obj_optimise(result);
  *status = BuildStatus::ok;
  return result;
}

namespace {

uint32_t count_closes(const DrawObject* o) {
  uint32_t closes = 0;
  for (uint32_t i = 0; i < o->element_count; ++i)
    if (o->elements[i].code == EL_CLOSE) ++closes;
  return closes;
}

}  // namespace

// The polygon's elements run from its start to its close (or to the next
// start). What remains is rebuilt on a copy in a list of its own: a body is
// exploded there and its closed polygons joined again; only when that gives
// an object does it replace the source in the drawing, at the list head with
// the open polygons as polylines after it, as explode and join would leave
// them.
BuildStatus cad_delete_polygon(DrawObject* o, int start_element, int current_layer, DrawObject** out_result) {
  *out_result = nullptr;
  if (start_element < 0 || uint32_t(start_element) >= o->element_count ||
      o->elements[start_element].code != EL_START)
    return BuildStatus::no_cut;
  uint32_t start = uint32_t(start_element), end = start + 1;
  while (end < o->element_count && o->elements[end].code != EL_START)
    if (o->elements[end++].code == EL_CLOSE) break;
  uint32_t removed = end - start;
  if (removed >= o->element_count) {
    obj_free(o);
    return BuildStatus::ok;
  }
  DrawObject* copy = obj_duplicate(o);
  if (!copy) return BuildStatus::no_memory;
  std::memmove(copy->elements + start, copy->elements + end, (copy->element_count - end) * sizeof(ElementCode));
  copy->element_count -= removed;
  DrawObject *head = nullptr, *tail = nullptr;
  obj_list_append(head, tail, copy);
  if (copy->kind == OBJ_KIND_BODY)
    cad_explode_body_in(head, tail, copy);
  else if (copy->kind == OBJ_KIND_FACE)
    copy->attributes |= OBJ_ATTR_SELECTED;
  BuildStatus status = BuildStatus::all_open;
  DrawObject* joined = cad_join_faces_in(head, tail, current_layer, &status);
  if (!joined) {
    obj_list_free_all(head, tail);
    return status;
  }
  uint32_t closes = count_closes(joined);
  joined->kind = closes == 0 ? OBJ_KIND_POLYLINE : closes == 1 ? OBJ_KIND_FACE : OBJ_KIND_BODY;
  obj_optimise(joined);
  obj_free(o);
  obj_prepend_list(head, tail);
  *out_result = joined;
  return BuildStatus::ok;
}
