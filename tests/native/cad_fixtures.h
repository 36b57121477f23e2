// Small objects for the tests of the editing geometry, the model as bytes
// (every object's stored chunk in list order) to compare whole drawings, and
// the plan view the command tests draw in.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "cad/obj_store.h"
#include "cad/view.h"

namespace fixtures {

// A new drawing's view seen from above at 10 pixels per metre, the origin at
// pixel (100, 100), new objects on `layer`.
inline void plan_view(int32_t layer = 0) {
  view_new_drawing_defaults();
  g_view.kind = VIEW_XY;
  g_view.scale = 10;
  g_view.screen_centre_x = g_view.screen_centre_y = 100;
  g_view.current_layer = layer;
  view_set_angles();
  view_update_rotation();
}

inline DrawObject* make(uint32_t kind, const std::vector<WorldPoint>& nodes, const std::vector<ElementCode>& elements,
                        uint32_t layer = 0) {
  DrawObject* o = obj_create(0, uint32_t(nodes.size()), uint32_t(elements.size()));
  std::copy(nodes.begin(), nodes.end(), o->nodes);
  std::copy(elements.begin(), elements.end(), o->elements);
  o->kind = kind;
  o->layer = layer;
  return o;
}

// The closed polygon through nodes first ... first + n - 1 with a material.
inline std::vector<ElementCode> ring(uint16_t first, uint16_t n, uint16_t material = 0) {
  std::vector<ElementCode> e{{EL_START, first}, {EL_MATERIAL, material}};
  for (uint16_t k = 1; k + 1 < n; ++k) e.push_back({EL_LINE, uint16_t(first + k)});
  e.push_back({EL_CLOSE, uint16_t(first + n - 1)});
  return e;
}

// Rectangle face in the XY plane from (x0, y0) to (x1, y1) at height z,
// counter-clockwise seen from above.
inline DrawObject* rect_face(float x0, float y0, float x1, float y1, float z = 0, uint16_t material = 0) {
  return make(OBJ_KIND_FACE, {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, ring(0, 4, material));
}

// A box a x b x c from the origin as one body, each side facing inward
// (positive volume); the bottom carries material 4.
inline DrawObject* box_body(float a, float b, float c) {
  std::vector<WorldPoint> nodes;
  for (int i = 0; i < 8; ++i) nodes.push_back({(i & 1) * a, ((i >> 1) & 1) * b, ((i >> 2) & 1) * c});
  const int sides[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  std::vector<ElementCode> elements;
  for (int s = 0; s < 6; ++s) {
    elements.push_back({EL_START, uint16_t(sides[s][0])});
    elements.push_back({EL_MATERIAL, uint16_t(s == 0 ? 4 : 0)});
    elements.push_back({EL_LINE, uint16_t(sides[s][1])});
    elements.push_back({EL_LINE, uint16_t(sides[s][2])});
    elements.push_back({EL_CLOSE, uint16_t(sides[s][3])});
  }
  return make(OBJ_KIND_BODY, nodes, elements);
}

inline std::vector<uint8_t> model_bytes() {
  std::vector<uint8_t> out;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    ObjChunkHeader header = obj_chunk_header(o, o->next != nullptr);
    size_t at = out.size();
    out.resize(at + obj_chunk_size(header));
    obj_put_chunk(header, o, out.data() + at, out.size() - at);
  }
  return out;
}

inline std::vector<ElementCode> elements_of(const DrawObject* o) {
  return std::vector<ElementCode>(o->elements, o->elements + o->element_count);
}

inline std::vector<DrawObject*> list() {
  std::vector<DrawObject*> out;
  for (DrawObject* o = g_obj_head; o; o = o->next) out.push_back(o);
  return out;
}

// Number of polygons and closes of an object.
inline int polygons(const DrawObject* o) {
  int n = 0;
  for (uint32_t i = 0; i < o->element_count; ++i) n += o->elements[i].code == EL_START;
  return n;
}

}  // namespace fixtures

inline bool operator==(const ElementCode& a, const ElementCode& b) { return a.code == b.code && a.value == b.value; }
