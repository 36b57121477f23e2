#include "cad/drag_preview.h"

#include <cmath>

#include "cad/edit_geom.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"

namespace {

int g_drag_mode = DRAG_TRANSLATE;
bool g_node_move_armed = false;

constexpr double TWO_PI = 6.283185308;

// In-plane coordinates (u, v) of a node in a plane view.
void to_plane(int kind, const WorldPoint& p, double& u, double& v) {
  switch (kind) {
    case VIEW_YZ: u = p.y; v = p.z; break;
    case VIEW_XZ: u = p.x; v = p.z; break;
    default: u = p.x; v = p.y; break;
  }
}

void from_plane(int kind, WorldPoint& p, double u, double v) {
  switch (kind) {
    case VIEW_YZ: p.y = static_cast<float>(u); p.z = static_cast<float>(v); break;
    case VIEW_XZ: p.x = static_cast<float>(u); p.z = static_cast<float>(v); break;
    default: p.x = static_cast<float>(u); p.y = static_cast<float>(v); break;
  }
}

bool is_plane_view(int kind) { return kind == VIEW_XY || kind == VIEW_YZ || kind == VIEW_XZ; }

// The print frame follows the cursor as a rectangle centred on it.
void place_print_frame(DrawObject* object) {
  if (is_plane_view(g_view.kind)) cad_place_print_frame(object, g_view.kind, g_cursor_point);
}

// Reflects every node about the line through the base point along (du, dv).
void reflect_nodes(DrawObject* object, double du, double dv) {
  int kind = g_view.kind;
  double bu, bv;
  to_plane(kind, g_base_point, bu, bv);
  double length2 = du * du + dv * dv;
  for (uint32_t i = 0; i < object->node_count; ++i) {
    double pu, pv;
    to_plane(kind, object->nodes[i], pu, pv);
    double t = 2.0 * ((bv - pv) * du - (bu - pu) * dv) / length2;
    from_plane(kind, object->nodes[i], pu - t * dv, pv + t * du);
  }
}

}  // namespace

// Corners 0-3 of the print frame around centre in the plane of the view
// (the 3D and eye views use the XY plane); half width and height are kept
// in node 4.
void cad_place_print_frame(DrawObject* object, int view_kind, const WorldPoint& centre) {
  if (object->node_count < 5) return;
  WorldPoint* n = object->nodes;
  double u, v;
  to_plane(view_kind, centre, u, v);
  double hw = n[4].x, hh = n[4].y;
  from_plane(view_kind, n[0], u - hw, v + hh);
  from_plane(view_kind, n[1], u - hw, v - hh);
  from_plane(view_kind, n[2], u + hw, v - hh);
  from_plane(view_kind, n[3], u + hw, v + hh);
}

void cad_set_drag_transform(int mode) {
  switch (mode) {
    case DRAG_CIRCLE: cad_drag_transform_hook = cad_circle_preview; break;
    case DRAG_RECTANGLE: cad_drag_transform_hook = cad_rectangle_preview; break;
    case DRAG_MOVE_NODES: cad_drag_transform_hook = cad_move_nodes_preview; break;
    case DRAG_MIRROR: cad_drag_transform_hook = cad_mirror_preview; break;
    default: mode = DRAG_TRANSLATE; cad_drag_transform_hook = cad_translate_object; break;
  }
  g_drag_mode = mode;
}

int cad_drag_mode() { return cad_drag_transform_hook == cad_translate_object ? DRAG_TRANSLATE : g_drag_mode; }

void input_cursor_delta(double& dx, double& dy, double& dz) {
  dx = static_cast<double>(g_cursor_point.x) - g_last_point.x;
  dy = static_cast<double>(g_cursor_point.y) - g_last_point.y;
  dz = static_cast<double>(g_cursor_point.z) - g_last_point.z;
}

void cad_view_plane_delta(double& dx, double& dy, double& dz) {
  double ex = static_cast<double>(g_cursor_point.x) - g_base_point.x;
  double ey = static_cast<double>(g_cursor_point.y) - g_base_point.y;
  double ez = static_cast<double>(g_cursor_point.z) - g_base_point.z;
  dx = dy = dz = 0.0;
  switch (g_view.kind) {
    case VIEW_XY: dx = ex; dy = ey; break;
    case VIEW_YZ: dy = ey; dz = ez; break;
    case VIEW_XZ: dx = ex; dz = ez; break;
    default: break;
  }
}

// World directions of the view's two in-plane axes; zero in the eye view,
// which has no drawing plane.
void cad_view_plane_axes(int view_kind, double u[3], double v[3]) {
  for (int i = 0; i < 3; ++i) u[i] = v[i] = 0.0;
  switch (view_kind) {
    case VIEW_XY:
    case VIEW_3D: u[0] = 1; v[1] = 1; break;
    case VIEW_YZ: u[1] = 1; v[2] = 1; break;
    case VIEW_XZ: u[0] = 1; v[2] = 1; break;
    default: break;
  }
}

void cad_translate_object(DrawObject* object, double dx, double dy, double dz) {
  if (object->kind == OBJ_KIND_PLOT_FRAME) {
    place_print_frame(object);
    return;
  }
  cad_translate_nodes(object, dx, dy, dz);
}

// The radius is the cursor's distance from the base point in the view plane;
// the first node lies at angle 2 pi, the others follow clockwise.
void cad_circle_preview(DrawObject* object, double, double, double) {
  double dx, dy, dz;
  cad_view_plane_delta(dx, dy, dz);
  double r = std::sqrt(dx * dx + dy * dy + dz * dz);
  int n = g_view.circle_segments;
  if (n < 1 || object->node_count < static_cast<uint32_t>(n)) return;
  double u[3], v[3];
  cad_view_plane_axes(g_view.kind, u, v);
  double step = TWO_PI / n;
  for (int k = 0; k < n; ++k) {
    double t = (n - k) * step;
    double c = r * std::cos(t), s = r * std::sin(t);
    WorldPoint& p = object->nodes[k];
    p.x = static_cast<float>(g_base_point.x + c * u[0] + s * v[0]);
    p.y = static_cast<float>(g_base_point.y + c * u[1] + s * v[1]);
    p.z = static_cast<float>(g_base_point.z + c * u[2] + s * v[2]);
  }
}

// Node 0 is the fixed corner, node 2 follows the cursor in the view plane.
void cad_rectangle_preview(DrawObject* object, double, double, double) {
  if (object->node_count < 4) return;
  WorldPoint* n = object->nodes;
  n[2] = g_cursor_point;
  float x0 = n[0].x, y0 = n[0].y, z0 = n[0].z;
  switch (g_view.kind) {
    case VIEW_XY:
      n[2].z = z0;
      n[1] = {x0, n[2].y, z0};
      n[3] = {n[2].x, y0, z0};
      break;
    case VIEW_YZ:
      n[2].x = x0;
      n[1] = {x0, y0, n[2].z};
      n[3] = {x0, n[2].y, z0};
      break;
    case VIEW_XZ:
      n[2].y = y0;
      n[1] = {x0, y0, n[2].z};
      n[3] = {n[2].x, y0, z0};
      break;
    default: break;
  }
}

// Moves the listed nodes once per preview pass, whichever selected object
// the pass meets first.
void cad_move_nodes_preview(DrawObject*, double dx, double dy, double dz) {
  if (!g_node_move_armed) return;
  g_node_move_armed = false;
  if (!g_node_list) return;
  for (int32_t i = 0; i < g_node_count; ++i) {
    WorldPoint& n = *g_node_list[i];
    n.x = static_cast<float>(n.x + dx);
    n.y = static_cast<float>(n.y + dy);
    n.z = static_cast<float>(n.z + dz);
  }
}

// Mirror about the line from the base point to the cursor. An object not
// marked as created shows the previous pass's mirror and is reflected back
// first, so the result depends only on the base point and the cursor.
void cad_mirror_preview(DrawObject* object, double, double, double) {
  int kind = g_view.kind;
  if (!is_plane_view(kind)) return;
  if (!(object->attributes & OBJ_ATTR_CREATED)) {
    double bu, bv, lu, lv;
    to_plane(kind, g_base_point, bu, bv);
    to_plane(kind, g_last_point, lu, lv);
    double du = lu - bu, dv = lv - bv;
    if (du * du + dv * dv > 1e-6) reflect_nodes(object, du, dv);
  }
  double bu, bv, cu, cv;
  to_plane(kind, g_base_point, bu, bv);
  to_plane(kind, g_cursor_point, cu, cv);
  double du = cu - bu, dv = cv - bv;
  if (du * du + dv * dv <= 1e-6) return;
  reflect_nodes(object, du, dv);
  object->attributes &= ~static_cast<uint32_t>(OBJ_ATTR_CREATED);
}

void cad_arm_node_move(int on) { g_node_move_armed = on != 0; }

// One XOR pass over the selected objects: without apply it draws them as
// they are (erasing the last picture), with apply it first moves them by the
// cursor's movement since the last update.
void cad_draw_drag_preview(int apply) {
  double dx = 0, dy = 0, dz = 0;
  if (apply) input_cursor_delta(dx, dy, dz);
  RenderTarget& target = render_target();
  target.set_raster_op(7);
  cad_arm_node_move(1);
  int32_t hidden = g_view.hidden_mode;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!(o->attributes & OBJ_ATTR_SELECTED)) continue;
    if (apply && cad_drag_transform_hook) cad_drag_transform_hook(o, dx, dy, dz);
    render_objects(o, o, 0);
    g_view.hidden_mode = hidden;
  }
  cad_arm_node_move(0);
  target.set_raster_op(13);
}
