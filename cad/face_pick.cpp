#include "cad/face_pick.h"

#include <utility>

#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/render.h"
#include "cad/view.h"
#include "framework/geom2d.h"
#include "framework/rand15.h"

bool operator==(const FaceSelection& a, const FaceSelection& b) {
  return a.object == b.object && a.start_element == b.start_element;
}

namespace {

bool pickable(const DrawObject* o) {
  if (o->attributes & OBJ_ATTR_HIDDEN_MASK) return false;
  if (o->layer != static_cast<uint32_t>(g_view.current_layer)) return false;
  return o->kind == OBJ_KIND_FACE || o->kind == OBJ_KIND_BODY;
}

}  // namespace

void cad_face_candidates(int32_t x, int32_t y, std::vector<FaceSelection>& out) {
  out.clear();
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!pickable(o)) continue;
    view_project_object_nodes(o);
    const ObjectScreenBox& box = g_object_box;
    if (x < box.min_x || x > box.max_x || y < box.min_y || y > box.max_y) continue;
    for (uint32_t k = 0; k < o->element_count; ++k) {
      if (o->elements[k].code != EL_START) continue;
      if (g_view.hidden_mode && render_is_back_facing(o, int(k), view_screen_points())) continue;
      out.push_back({o, int(k)});
    }
  }
}

void cad_shuffle_candidates(std::vector<FaceSelection>& c) {
  size_t n = c.size();
  for (size_t i = 0; i < n; ++i) {
    size_t j = static_cast<size_t>(static_cast<uint64_t>(rand15()) * n / 32768);
    if (j != i) std::swap(c[i], c[j]);
  }
}

// The outline takes the start and line nodes and ends with the close's node.
bool cad_polygon_hit(const DrawObject* o, int start, int32_t x, int32_t y) {
  if (start < 0 || uint32_t(start) >= o->element_count) return false;
  view_project_object_nodes(o);
  const ScreenPoint* sp = view_screen_points();
  uint32_t limit = static_cast<uint32_t>(g_projected_count);
  std::vector<GeoPoint> outline;
  for (uint32_t k = uint32_t(start); k < o->element_count; ++k) {
    const ElementCode& e = o->elements[k];
    if (e.code == EL_MATERIAL) continue;
    if (e.code > EL_CLOSE || (e.code == EL_START && k != uint32_t(start))) break;
    if (e.value < limit) outline.push_back({sp[e.value].x, sp[e.value].y});
    if (e.code == EL_CLOSE) break;
  }
  return gfx_point_in_polygon(outline.data(), int(outline.size()), x, y) != 0;
}

// Repeated clicks on stacked polygons step through them in random order.
bool cad_face_pick_click(FaceSelection& picked, int32_t x, int32_t y, FaceHighlight highlight) {
  std::vector<FaceSelection> candidates;
  cad_face_candidates(x, y, candidates);
  cad_shuffle_candidates(candidates);
  bool changed = false;
  for (const FaceSelection& c : candidates) {
    if (!cad_polygon_hit(c.object, c.start_element, x, y)) continue;
    if (picked.start_element < 0) {
      picked = c;
      if (highlight) highlight(c, 1);
      changed = true;
      continue;
    }
    if (c == picked) continue;
    if (highlight) highlight(picked, 0);
    picked = c;
    if (highlight) highlight(c, 1);
    return true;
  }
  return changed;
}

void cad_highlight_polygon(const DrawObject* o, int start, int on) {
  if (!o || start < 0 || uint32_t(start) >= o->element_count) return;
  RenderTarget& t = render_target();
  int saved = t.pen();
  t.set_pen(on ? g_view.selected_pen : static_cast<int>(o->colour));
  view_project_object_nodes(o);
  const ScreenPoint* sp = view_screen_points();
  uint32_t limit = static_cast<uint32_t>(g_projected_count);
  uint32_t first = o->elements[start].value;
  for (uint32_t k = uint32_t(start); k < o->element_count; ++k) {
    const ElementCode& e = o->elements[k];
    if (e.code == EL_MATERIAL) continue;
    if (e.code > EL_CLOSE || e.value >= limit || (e.code == EL_START && k != uint32_t(start))) break;
    if (e.code == EL_START) {
      t.move_to(sp[e.value].x, sp[e.value].y);
      continue;
    }
    t.line_to(sp[e.value].x, sp[e.value].y);
    if (e.code == EL_CLOSE) {
      if (first < limit) t.line_to(sp[first].x, sp[first].y);
      break;
    }
  }
  t.set_pen(saved);
}
