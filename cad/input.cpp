#include "cad/input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/view.h"

int32_t g_cursor_screen_x = 0, g_cursor_screen_y = 0;
int32_t g_last_mouse_x = 0, g_last_mouse_y = 0;
WorldPoint g_base_point = {0, 0, 0};
int32_t g_window_anchor_x = 0, g_window_anchor_y = 0;
int32_t g_drawn_cursor_x = 0, g_drawn_cursor_y = 0;
bool g_cursor_on_screen = false;
bool g_cursor_suppressed = false;
PickRect g_pick_rect = {0, 0, 0, 0};

WorldPoint** g_node_list = nullptr;
int32_t g_node_count = 0;
int32_t g_node_capacity = 0;

// The node list of the commands that move or follow nodes; any earlier list
// is released first so a command never inherits another's pointers.
bool input_node_list_alloc(int32_t capacity) {
  input_node_list_free();
  if (capacity <= 0 || capacity > NODE_LIST_CAPACITY) return false;
  g_node_list = static_cast<WorldPoint**>(std::calloc(static_cast<size_t>(capacity), sizeof(WorldPoint*)));
  if (!g_node_list) return false;
  g_node_capacity = capacity;
  return true;
}

void input_node_list_free() {
  std::free(g_node_list);
  g_node_list = nullptr;
  g_node_count = 0;
  g_node_capacity = 0;
}

// Appends a node unless the list is full or already holds it.
bool input_node_list_add(WorldPoint* node) {
  if (!g_node_list || g_node_count >= g_node_capacity) return false;
  for (int32_t i = 0; i < g_node_count; ++i)
    if (g_node_list[i] == node) return false;
  g_node_list[g_node_count++] = node;
  return true;
}

// Cuts a coordinate toward zero to a whole multiple of the snap distance
// (0.001 with the snap off). A quotient within a millionth below a whole
// number counts as that number: 0.3 / 0.1 is 2.9999999999999996 in binary,
// and a plain cut would turn an exact multiple into the one below it.
float input_snap_coordinate(double value, double distance) {
  if (!(distance > 0.0)) distance = 0.001;
  double q = value / distance;
  double tolerance = 1e-6 * std::fmax(1.0, std::fabs(q));
  double whole = q >= 0.0 ? std::floor(q + tolerance) : std::ceil(q - tolerance);
  return static_cast<float>(whole * distance);
}

// Point snap: a node closer than best in both axes becomes the candidate and
// best shrinks to the smaller of its two distances.
bool input_snap_candidate(int32_t mouse_x, int32_t mouse_y, int32_t node_x, int32_t node_y, int32_t& best) {
  int32_t dx = std::abs(mouse_x - node_x);
  int32_t dy = std::abs(mouse_y - node_y);
  if (dx >= best || dy >= best) return false;
  best = dx < dy ? dx : dy;
  return true;
}

WorldPoint input_relative_point(const WorldPoint& from, double dx, double dy, double dz) {
  return {static_cast<float>(from.x + dx), static_cast<float>(from.y + dy), static_cast<float>(from.z + dz)};
}

// Polar entry: distance and angle laid into the plane of the view; the 3D and
// eye views take the XY plane. Only cos and sin of the angle are used, so an
// angle outside +-pi needs no reduction.
WorldPoint input_polar_point(const WorldPoint& from, int view_kind, double distance, double angle) {
  double du = distance * std::cos(angle);
  double dv = distance * std::sin(angle);
  switch (view_kind) {
    case 1: return input_relative_point(from, 0.0, du, dv);
    case 2: return input_relative_point(from, du, 0.0, dv);
    default: return input_relative_point(from, du, dv, 0.0);
  }
}

void input_request_finish() {
  if (g_running_command != 0) g_finish_flag = 1;
}

void input_request_abort() {
  if (g_running_command != 0) g_abort_flag = 1;
}

// ---- Hit tests on the projected current object ----

namespace {

bool point_in_pick_rect(int32_t x, int32_t y) {
  const PickRect& r = g_pick_rect;
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

bool box_overlaps_pick_rect() {
  const PickRect& r = g_pick_rect;
  const ObjectScreenBox& b = g_object_box;
  return !(b.max_x < r.left || b.min_x > r.right || b.max_y < r.top || b.min_y > r.bottom);
}

void project(DrawObject* object) {
  obj_make_current(OBJ_MC_LOAD, object);
  view_project_object();
}

bool is_group_marker(const DrawObject* o) {
  return o->kind == OBJ_KIND_GROUP_BEGIN || o->kind == OBJ_KIND_GROUP_END;
}

}  // namespace

// A group-begin marker answers its matching end marker (nesting counted,
// null when the list ends first); any other record answers itself.
DrawObject* input_group_end(DrawObject* object) {
  if (!object || object->kind != OBJ_KIND_GROUP_BEGIN) return object;
  int depth = 0;
  for (DrawObject* o = object; o; o = o->next) {
    if (o->kind == OBJ_KIND_GROUP_BEGIN) ++depth;
    if (o->kind == OBJ_KIND_GROUP_END && --depth == 0) return o;
  }
  return nullptr;
}

// Steps along the segment with an integer line walk until a raster point
// lies in the pick rectangle.
bool input_segment_in_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const PickRect& r = g_pick_rect;
  if (x2 < r.left || x1 > r.right) return false;
  if (std::max(y1, y2) < r.top || std::min(y1, y2) > r.bottom) return false;
  int32_t dx = x2 - x1, dy = std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int32_t x = x1, y = y1;
  if (dx >= dy) {
    int32_t error = dx / 2;
    for (int32_t i = 0; i <= dx; ++i) {
      if (point_in_pick_rect(x, y)) return true;
      ++x;
      error -= dy;
      if (error < 0) { y += sy; error += dx; }
    }
  } else {
    int32_t error = dy / 2;
    for (int32_t i = 0; i <= dy; ++i) {
      if (point_in_pick_rect(x, y)) return true;
      y += sy;
      error -= dx;
      if (error < 0) { ++x; error += dy; }
    }
  }
  return false;
}

bool input_object_touches_rect(DrawObject* object) {
  project(object);
  if (!box_overlaps_pick_rect()) return false;
  const ScreenPoint* p = view_screen_points();
  int32_t start = -1, previous = -1;
  for (uint32_t i = 0; i < object->element_count; ++i) {
    const ElementCode& e = object->elements[i];
    if (e.code == EL_MATERIAL || e.value >= object->node_count) continue;
    int32_t n = e.value;
    if (e.code == EL_START) {
      if (point_in_pick_rect(p[n].x, p[n].y)) return true;
      start = previous = n;
      continue;
    }
    if (e.code != EL_LINE && e.code != EL_CLOSE) continue;
    if (previous >= 0 && input_segment_in_rect(p[previous].x, p[previous].y, p[n].x, p[n].y)) return true;
    if (e.code == EL_CLOSE && start >= 0 && input_segment_in_rect(p[n].x, p[n].y, p[start].x, p[start].y))
      return true;
    previous = n;
  }
  return false;
}

bool input_object_inside_rect(DrawObject* object) {
  project(object);
  if (!box_overlaps_pick_rect()) return false;
  const ScreenPoint* p = view_screen_points();
  for (uint32_t i = 0; i < object->element_count; ++i) {
    const ElementCode& e = object->elements[i];
    if (e.code == EL_MATERIAL || e.value >= object->node_count) continue;
    if (!point_in_pick_rect(p[e.value].x, p[e.value].y)) return false;
  }
  return true;
}

// One selection step over the list in the pick rectangle: groups count as a
// unit; touching mode selects the first group with a member touching the
// rectangle (and with a single pick stops there), inside mode the groups
// lying wholly inside. Returns the number of records selected.
int input_select_in_rect(const PickRect& rect, bool inside_mode, bool single, void (*redraw)(DrawObject*)) {
  g_pick_rect = rect;
  int selected = 0;
  for (DrawObject* o = g_obj_head; o;) {
    DrawObject* last = input_group_end(o);
    if (!last) break;
    bool passed_over = (o->attributes & OBJ_ATTR_UNSELECTABLE_MASK) || o->layer != static_cast<uint32_t>(g_view.current_layer);
    bool take = false;
    if (!passed_over) {
      if (inside_mode) {
        take = true;
        for (DrawObject* m = o;; m = m->next) {
          if (!is_group_marker(m) && !input_object_inside_rect(m)) { take = false; break; }
          if (m == last) break;
        }
      } else {
        for (DrawObject* m = o;; m = m->next) {
          if (!is_group_marker(m) && input_object_touches_rect(m)) { take = true; break; }
          if (m == last) break;
        }
      }
    }
    if (take) {
      for (DrawObject* m = o;; m = m->next) {
        m->attributes |= OBJ_ATTR_SELECTED;
        ++selected;
        if (redraw) redraw(m);
        if (m == last) break;
      }
      if (single && !inside_mode) break;
    }
    o = last->next;
  }
  return selected;
}

// One node-pick step: every node of a visible object on the current layer
// whose screen point lies in the rectangle joins the node list; its object
// becomes selected. mark is called with each new node's screen point.
int input_pick_nodes_in_rect(const PickRect& rect, void (*redraw)(DrawObject*), void (*mark)(int32_t, int32_t)) {
  g_pick_rect = rect;
  int added = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if ((o->attributes & OBJ_ATTR_HIDDEN_MASK) || o->layer != static_cast<uint32_t>(g_view.current_layer)) continue;
    project(o);
    const ScreenPoint* p = view_screen_points();
    for (uint32_t i = 0; i < o->element_count; ++i) {
      const ElementCode& e = o->elements[i];
      if (e.code == EL_MATERIAL || e.value >= o->node_count) continue;
      if (!point_in_pick_rect(p[e.value].x, p[e.value].y)) continue;
      int32_t x = p[e.value].x, y = p[e.value].y;
      if (!input_node_list_add(&o->nodes[e.value])) continue;
      ++added;
      if (!(o->attributes & OBJ_ATTR_SELECTED)) {
        o->attributes |= OBJ_ATTR_SELECTED;
        if (redraw) redraw(o);
        project(o);  // the redraw reused the screen-point buffer
        p = view_screen_points();
      }
      if (mark) mark(x, y);
    }
  }
  return added;
}

// Clears every selection; redraw is called for each object that lost it.
int input_clear_selection(void (*redraw)(DrawObject*)) {
  int cleared = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!(o->attributes & OBJ_ATTR_SELECTED)) continue;
    o->attributes &= ~static_cast<uint32_t>(OBJ_ATTR_SELECTED);
    ++cleared;
    if (redraw) redraw(o);
  }
  return cleared;
}
