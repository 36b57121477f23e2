#include "cad/projection.h"

#include <cmath>

#include "cad/obj_store.h"
#include "cad/view.h"

ObjectScreenBox g_object_box = {32767, 32767, -32768, -32768};
int g_projected_count = 0;
WorldPoint g_eye_nodes[MAX_SCREEN_POINTS];
PolyPoint g_polygon_points[MAX_POLYGON_POINTS + 1];
int32_t g_polygon_depth_max = 0, g_polygon_depth_min = 0;

namespace {

ScreenPoint g_own_screen_points[MAX_SCREEN_POINTS];
float g_eye_focal = 1.0f;
float g_eye_centre_x = 0.0f, g_eye_centre_y = 0.0f;

int32_t clamp_pixel(double v) {
  if (v >= SCREEN_CLAMP) return SCREEN_CLAMP;
  if (v <= -SCREEN_CLAMP) return -SCREEN_CLAMP;
  if (v != v) return 0;
  return static_cast<int32_t>(v);
}

// Depths far beyond any drawing are held inside the int32 range.
int32_t truncate_depth(double v) {
  if (v >= 2e9) return 2000000000;
  if (v <= -2e9) return -2000000000;
  if (v != v) return 0;
  return static_cast<int32_t>(v);
}

float row_dot(int row, const WorldPoint& p) {
  const double* r = g_view.rotation[row];
  return static_cast<float>(r[0] * p.x + r[1] * p.y + r[2] * p.z);
}

void widen_box(const ScreenPoint& p) {
  if (p.x < g_object_box.min_x) g_object_box.min_x = p.x;
  if (p.x > g_object_box.max_x) g_object_box.max_x = p.x;
  if (p.y < g_object_box.min_y) g_object_box.min_y = p.y;
  if (p.y > g_object_box.max_y) g_object_box.max_y = p.y;
}

ScreenPoint project_parallel(const WorldPoint& p, float ox, float oy) {
  const float s = g_view.scale;
  float x, y;
  double depth = 0.0;
  switch (g_view.kind) {
    case VIEW_XY: x = s * p.x + ox; y = oy - s * p.y; depth = p.z * 1000.0f; break;
    case VIEW_YZ: x = s * p.y + ox; y = oy - s * p.z; depth = p.x * 1000.0f; break;
    case VIEW_XZ: x = s * p.x + ox; y = oy - s * p.z; depth = -p.y * 1000.0f; break;
    default: x = ox + s * row_dot(0, p); y = oy - s * row_dot(1, p); break;
  }
  return ScreenPoint{clamp_pixel(x), clamp_pixel(y), truncate_depth(depth)};
}

// The eye view picks with the same fisheye it draws with, so a click hits
// what is on the screen; the depth is the distance along the view direction.
ScreenPoint project_eye(const WorldPoint& p) {
  WorldPoint e = render_to_eye(p);
  PolyPoint q = render_project_fisheye(e);
  int32_t depth = e.z >= 0.0f ? truncate_depth(1000.0 * e.z) : 0;
  return ScreenPoint{clamp_pixel(q.x), clamp_pixel(q.y), depth};
}

void project_nodes(const WorldPoint* nodes, uint32_t count) {
  ScreenPoint* out = view_screen_points();
  if (count > static_cast<uint32_t>(MAX_SCREEN_POINTS)) count = MAX_SCREEN_POINTS;
  g_projected_count = static_cast<int>(count);
  g_object_box = ObjectScreenBox{32767, 32767, -32768, -32768};
  if (g_view.kind == VIEW_EYE) {
    render_eye_setup();
    for (uint32_t i = 0; i < count; ++i) {
      out[i] = project_eye(nodes[i]);
      widen_box(out[i]);
    }
    return;
  }
  const float ox = g_view.screen_centre_x - g_view.scale * g_view.centre_x;
  const float oy = g_view.centre_y * g_view.scale + g_view.screen_centre_y;
  for (uint32_t i = 0; i < count; ++i) {
    out[i] = project_parallel(nodes[i], ox, oy);
    widen_box(out[i]);
  }
}

// One polygon walk of the eye view: from the code 0 at start to the next
// code 2, cut at the eye plane. Returns the number of points written.
struct ClipWalk {
  int count = 0;
  bool with_depth = false;
  bool overflow = false;  // more points than the buffer holds: the polygon is refused
  void add(const WorldPoint& e) {
    if (count >= MAX_POLYGON_POINTS) {
      overflow = true;
      return;
    }
    g_polygon_points[count++] = render_project_fisheye(e);
    if (with_depth) {
      int32_t d = truncate_depth(1000.0 * e.z);
      if (d > g_polygon_depth_max) g_polygon_depth_max = d;
      if (d < g_polygon_depth_min) g_polygon_depth_min = d;
    }
  }
};

template <typename EyeOf>
int clip_walk(const DrawObject* object, int start_element, ClipWalk& walk, EyeOf eye_of) {
  const uint32_t elements = object->element_count;
  if (start_element < 0 || static_cast<uint32_t>(start_element) >= elements) return 0;
  const ElementCode* el = object->elements;
  if (el[start_element].code != EL_START) return 0;
  uint32_t limit = object->node_count;
  if (limit > static_cast<uint32_t>(MAX_SCREEN_POINTS)) limit = MAX_SCREEN_POINTS;
  uint32_t start_node = el[start_element].value;
  if (start_node >= limit) return 0;
  const WorldPoint first = eye_of(start_node);
  WorldPoint a = first;
  if (render_in_front(a)) walk.add(a);
  bool closed_by_walk_end = true;
  for (uint32_t i = start_element + 1; i < elements; ++i) {
    uint16_t code = el[i].code;
    if (code == EL_MATERIAL) continue;
    if (code == EL_START) {
      closed_by_walk_end = false;
      break;
    }
    if (code != EL_LINE && code != EL_CLOSE) continue;
    if (el[i].value < limit) {
      WorldPoint b = eye_of(el[i].value);
      bool a_in = render_in_front(a), b_in = render_in_front(b);
      if (!a_in && b_in) {
        walk.add(render_clip_near(a, b));
        walk.add(b);
      } else if (a_in && b_in) {
        walk.add(b);
      } else if (a_in && !b_in) {
        walk.add(render_clip_near(a, b));
      }
      a = b;
    }
    if (code == EL_CLOSE) break;
  }
  if (closed_by_walk_end && render_in_front(a) != render_in_front(first))
    walk.add(render_clip_near(a, first));
  return walk.overflow ? 0 : walk.count;
}

}  // namespace

// The start-up work buffer when it exists, otherwise a buffer of our own.
ScreenPoint* view_screen_points() {
  return g_screen_point_buffer ? static_cast<ScreenPoint*>(g_screen_point_buffer)
                               : g_own_screen_points;
}

void view_project_object() {
  if (!g_cur_nodes) {
    g_projected_count = 0;
    g_object_box = ObjectScreenBox{32767, 32767, -32768, -32768};
    return;
  }
  project_nodes(g_cur_nodes, g_cur_node_count);
}

void view_project_object_nodes(const DrawObject* object) {
  project_nodes(object->nodes, object->nodes ? object->node_count : 0);
}

void view_project_point(const WorldPoint& p) {
  if (g_view.kind == VIEW_EYE) return;
  const double s = g_view.scale, sx = g_view.screen_centre_x, sy = g_view.screen_centre_y;
  const double cx = g_view.centre_x, cy = g_view.centre_y;
  double h, v;
  switch (g_view.kind) {
    case VIEW_XY: h = p.x; v = p.y; break;
    case VIEW_YZ: h = p.y; v = p.z; break;
    case VIEW_XZ: h = p.x; v = p.z; break;
    default: {
      const double(&r)[3][3] = g_view.rotation;
      h = r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z;
      v = r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z;
      break;
    }
  }
  float x = static_cast<float>(sx + (h - cx) * s);
  float y = static_cast<float>(sy - (v - cy) * s);
  ScreenPoint* out = view_screen_points();
  out[0].x = clamp_pixel(x);
  out[0].y = clamp_pixel(y);
}

void render_eye_setup() {
  float w = static_cast<float>(g_view.window_width), h = static_cast<float>(g_view.window_height);
  g_eye_focal = (w > h ? w : h) / 1.5708f;
  g_eye_centre_x = w * 0.5f;
  g_eye_centre_y = h * 0.5f;
}

WorldPoint render_to_eye(const WorldPoint& p) {
  WorldPoint d{p.x - g_view.eye_point.x, p.y - g_view.eye_point.y, p.z - g_view.eye_point.z};
  return WorldPoint{-row_dot(0, d), row_dot(1, d), row_dot(2, d)};
}

void render_object_to_eye(const DrawObject* object) {
  uint32_t count = object->nodes ? object->node_count : 0;
  if (count > static_cast<uint32_t>(MAX_SCREEN_POINTS)) count = MAX_SCREEN_POINTS;
  for (uint32_t i = 0; i < count; ++i) g_eye_nodes[i] = render_to_eye(object->nodes[i]);
}

bool render_in_front(const WorldPoint& e) { return e.z >= 0.0f; }

WorldPoint render_clip_near(const WorldPoint& a, const WorldPoint& b) {
  float t = (0.0f - a.z) / (b.z - a.z);
  return WorldPoint{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, 0.0f};
}

PolyPoint render_project_fisheye(const WorldPoint& e) {
  double q = static_cast<double>(e.x) * e.x + static_cast<double>(e.y) * e.y;
  double r = std::sqrt(q + 1e-6 + static_cast<double>(e.z) * e.z);
  double theta = std::acos(e.z / r);
  double k = theta / std::sqrt(q + 1e-6);
  double x = g_eye_focal * k * e.x + g_eye_centre_x;
  double y = g_eye_centre_y - g_eye_focal * k * e.y;
  return PolyPoint{clamp_pixel(x), clamp_pixel(y)};
}

int render_clip_project_depth(const DrawObject* object, int start_element, int sign) {
  g_polygon_depth_max = 0;
  g_polygon_depth_min = 2000000000;
  ClipWalk walk;
  walk.with_depth = true;
  int n = clip_walk(object, start_element, walk, [](uint32_t i) { return g_eye_nodes[i]; });
  if (n == 0) return 0;
  int32_t min_x = 30000, min_y = 30000, max_x = -30000, max_y = -30000;
  double area = 0.0;
  for (int i = 0; i < n; ++i) {
    const PolyPoint& a = g_polygon_points[i];
    const PolyPoint& b = g_polygon_points[(i + 1) % n];
    area += static_cast<double>(a.x - b.x) * (b.y + a.y);
    if (a.x < min_x) min_x = a.x;
    if (a.x > max_x) max_x = a.x;
    if (a.y < min_y) min_y = a.y;
    if (a.y > max_y) max_y = a.y;
  }
  if (sign != 0 && sign * area > -1.0) return 0;
  if (max_x < 0 || max_y < 0) return 0;
  if (min_x > g_view.window_width || min_y > g_view.window_height) return 0;
  return n;
}

int render_clip_project(const DrawObject* object, int start_element) {
  ClipWalk walk;
  return clip_walk(object, start_element, walk,
                   [object](uint32_t i) { return render_to_eye(object->nodes[i]); });
}

// Doubled signed area over the polygon's edges in element order.
bool render_is_back_facing(const DrawObject* object, int start_element, const ScreenPoint* points) {
  const uint32_t elements = object->element_count;
  if (start_element < 0 || static_cast<uint32_t>(start_element) >= elements) return true;
  uint32_t limit = object->node_count;
  if (limit > static_cast<uint32_t>(MAX_SCREEN_POINTS)) limit = MAX_SCREEN_POINTS;
  const ElementCode* el = object->elements;
  uint32_t start = el[start_element].value;
  if (start >= limit) return true;
  uint32_t prev = start;
  double area = 0.0;
  for (uint32_t i = start_element + 1; i < elements; ++i) {
    if (el[i].code == EL_MATERIAL) continue;
    if (el[i].code == EL_START) break;
    uint32_t node = el[i].value;
    if (node >= limit) break;
    const ScreenPoint& a = points[prev];
    const ScreenPoint& b = points[node];
    area += static_cast<double>(a.x - b.x) * (a.y + b.y);
    prev = node;
    if (el[i].code == EL_CLOSE) {
      const ScreenPoint& c = points[start];
      area += static_cast<double>(b.x - c.x) * (b.y + c.y);
      break;
    }
  }
  return area <= 0.0;
}
