#include "cad/face_geom.h"

#include <cmath>
#include <utility>

#include "cad/obj_store.h"

namespace {

struct Vec {
  double x = 0, y = 0, z = 0;
};

// Newell's sums over the polygon that starts at element `start`: each edge
// adds its cross terms; the close adds its edge and the edge back to the
// start. A second start or the end of the array ends the walk without
// closing. Entries naming nodes the object does not hold are passed over.
Vec newell(const WorldPoint* nodes, uint32_t node_count, const ElementCode* elements, uint32_t element_count,
           int start) {
  Vec n;
  if (start < 0 || uint32_t(start) >= element_count) return n;
  auto edge = [&](uint32_t i, uint32_t j) {
    const WorldPoint &a = nodes[i], &b = nodes[j];
    n.x += (double(a.y) - b.y) * (double(a.z) + b.z);
    n.y += (double(a.z) - b.z) * (double(a.x) + b.x);
    n.z += (double(a.x) - b.x) * (double(a.y) + b.y);
  };
  bool started = false;
  uint32_t first = 0, previous = 0;
  for (uint32_t k = uint32_t(start); k < element_count; ++k) {
    const ElementCode& e = elements[k];
    if (e.code > EL_CLOSE || e.value >= node_count) continue;
    if (!started) {
      started = true;
      first = previous = e.value;
      continue;
    }
    if (e.code == EL_START) break;
    edge(previous, e.value);
    previous = e.value;
    if (e.code == EL_CLOSE) {
      edge(previous, first);
      break;
    }
  }
  return n;
}

}  // namespace

// Newell normal of a polygon of the current object: twice the polygon's
// area along its normal, pointing where the nodes run counter-clockwise.
void cad_polygon_normal(int start_element, double* nx, double* ny, double* nz) {
  Vec n = newell(g_cur_nodes, g_cur_node_count, g_cur_elements, g_cur_element_count, start_element);
  *nx = n.x;
  *ny = n.y;
  *nz = n.z;
}

// Area and enclosed volume of a face (answers 1) or a body (answers 2); 0
// for anything else, with both 0. The volume is positive for a closed body
// whose polygons face inward; for an open face it is the signed cone to the
// origin.
int cad_area_volume(const DrawObject* object, double* area, double* volume) {
  *area = 0;
  *volume = 0;
  if (!object || !(object->kind & OBJ_KIND_SURFACE_MASK)) return 0;
  for (uint32_t k = 0; k < object->element_count; ++k) {
    const ElementCode& e = object->elements[k];
    if (e.code != EL_START || e.value >= object->node_count) continue;
    Vec n = newell(object->nodes, object->node_count, object->elements, object->element_count, int(k));
    n.x /= 2.0;
    n.y /= 2.0;
    n.z /= 2.0;
    const WorldPoint& p0 = object->nodes[e.value];
    *area += std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    *volume += -(p0.x * n.x + p0.y * n.y + p0.z * n.z) / 3.0;
  }
  return (object->kind & OBJ_KIND_FACE) ? 1 : 2;
}

// Runs the polygon of the current object that starts at start_element the
// other way round, keeping its start node and its material.
void cad_reverse_polygon(int start_element) {
  cad_reverse_polygon_in(g_cur_elements, g_cur_element_count, start_element);
}

// The same on any element array: the node values after the start (or its
// material) up to the close are exchanged from both ends inward. A polygon
// without a close is left alone.
void cad_reverse_polygon_in(ElementCode* e, uint32_t element_count, int start_element) {
  if (!e || start_element < 0 || uint32_t(start_element) >= element_count) return;
  uint32_t first = uint32_t(start_element);
  if (e[first].code != EL_START) return;
  if (first + 1 < element_count && e[first + 1].code == EL_MATERIAL) ++first;
  uint32_t last = first + 1;
  while (last < element_count && e[last].code != EL_CLOSE && e[last].code != EL_START) ++last;
  if (last >= element_count || e[last].code != EL_CLOSE) return;
  for (uint32_t lo = first + 1, hi = last; lo < hi; ++lo, --hi) std::swap(e[lo].value, e[hi].value);
}

// Every polygon of the object turned round.
void cad_reverse_all_polygons(DrawObject* object) {
  for (uint32_t k = 0; k < object->element_count; ++k)
    if (object->elements[k].code == EL_START) cad_reverse_polygon_in(object->elements, object->element_count, int(k));
}
