#include "cad/edit_geom.h"

#include <cmath>
#include <cstdlib>

#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "cad/view.h"

namespace {

bool selected(const DrawObject* o) { return (o->attributes & OBJ_ATTR_SELECTED) != 0; }

void multiply(const double a[3][3], const double b[3][3], double out[3][3]) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
}

}  // namespace

// One 3x3 matrix from three angles, only the one of the view non-zero: the
// XY and 3D views turn about z, YZ about x and XZ about y, each so that the
// view's first axis turns towards its second (in XZ: x towards z).
bool cad_view_rotation(int view_kind, double angle, double m[3][3]) {
  double ax = 0, ay = 0, az = 0;
  switch (view_kind) {
    case VIEW_XY:
    case VIEW_3D: az = angle; break;
    case VIEW_YZ: ax = angle; break;
    case VIEW_XZ: ay = angle; break;
    default: return false;
  }
  double ca = std::cos(ax), sa = std::sin(ax), cb = std::cos(ay), sb = std::sin(ay), cc = std::cos(az),
         sc = std::sin(az);
  const double rx[3][3] = {{1, 0, 0}, {0, ca, -sa}, {0, sa, ca}};
  const double ry[3][3] = {{cb, 0, -sb}, {0, 1, 0}, {sb, 0, cb}};
  const double rz[3][3] = {{cc, -sc, 0}, {sc, cc, 0}, {0, 0, 1}};
  double zy[3][3];
  multiply(rz, ry, zy);
  multiply(zy, rx, m);
  return true;
}

void cad_rotate_object(DrawObject* object, const WorldPoint& centre, const double m[3][3]) {
  for (uint32_t i = 0; i < object->node_count; ++i) {
    WorldPoint& n = object->nodes[i];
    double x = double(n.x) - centre.x, y = double(n.y) - centre.y, z = double(n.z) - centre.z;
    n.x = static_cast<float>(centre.x + m[0][0] * x + m[0][1] * y + m[0][2] * z);
    n.y = static_cast<float>(centre.y + m[1][0] * x + m[1][1] * y + m[1][2] * z);
    n.z = static_cast<float>(centre.z + m[2][0] * x + m[2][1] * y + m[2][2] * z);
  }
}

// Factors are taken as they are, 0 and negative ones included.
void cad_scale_object(DrawObject* object, const WorldPoint& centre, double fx, double fy, double fz) {
  for (uint32_t i = 0; i < object->node_count; ++i) {
    WorldPoint& n = object->nodes[i];
    n.x = static_cast<float>(centre.x + (double(n.x) - centre.x) * fx);
    n.y = static_cast<float>(centre.y + (double(n.y) - centre.y) * fy);
    n.z = static_cast<float>(centre.z + (double(n.z) - centre.z) * fz);
  }
}

void cad_translate_nodes(DrawObject* object, double dx, double dy, double dz) {
  for (uint32_t i = 0; i < object->node_count; ++i) {
    WorldPoint& n = object->nodes[i];
    n.x = static_cast<float>(n.x + dx);
    n.y = static_cast<float>(n.y + dy);
    n.z = static_cast<float>(n.z + dz);
  }
}

void cad_translate_selected(double dx, double dy, double dz) {
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (selected(o)) cad_translate_nodes(o, dx, dy, dz);
}

// Open polylines and other kinds stay as mirrored.
void cad_orient_mirrored(DrawObject* object) {
  if (object->kind != OBJ_KIND_FACE && object->kind != OBJ_KIND_BODY) return;
  cad_reverse_all_polygons(object);
}

float cad_selection_flat_size() {
  float sum = 0.0f;
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if (selected(o)) sum = std::trunc(sum + static_cast<float>(obj_flat_size(o)));
  return sum;
}

bool cad_selection_fits_memory() { return cad_selection_flat_size() <= static_cast<float>(COPY_MEMORY_LIMIT); }

DrawObject* cad_new_marker(uint32_t kind) {
  DrawObject* marker = obj_create(0, 0, 0);
  if (marker) marker->kind = kind;
  return marker;
}

bool cad_group_selected(int current_layer) {
  DrawObject *first = nullptr, *last = nullptr;
  int count = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!selected(o)) continue;
    if (!first) first = o;
    last = o;
    ++count;
  }
  if (count < 2) return false;
  DrawObject* begin = cad_new_marker(OBJ_KIND_GROUP_BEGIN);
  if (!begin) return false;
  DrawObject* end = cad_new_marker(OBJ_KIND_GROUP_END);
  if (!end) {
    DrawObject *head = begin, *tail = begin;
    obj_list_free(head, tail, begin);
    return false;
  }
  begin->layer = first->layer;
  begin->attributes = OBJ_ATTR_SELECTED;
  end->layer = static_cast<uint32_t>(current_layer);
  end->attributes = OBJ_ATTR_SELECTED;
  obj_insert_before(begin, first);
  obj_insert_before(end, last->next);  // null: appended at the tail
  // The selection, markers included, becomes the first run of the drawing.
  DrawObject *group_head = nullptr, *group_tail = nullptr;
  for (DrawObject* o = g_obj_head; o;) {
    DrawObject* next = o->next;
    if (selected(o)) {
      obj_unlink(o);
      obj_list_append(group_head, group_tail, o);
    }
    o = next;
  }
  obj_prepend_list(group_head, group_tail);
  return true;
}

bool cad_ungroup_selected() {
  int begins = 0, ends = 0;
  DrawObject *begin = nullptr, *end = nullptr;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!selected(o)) continue;
    if (o->kind == OBJ_KIND_GROUP_BEGIN) {
      if (!begin) begin = o;
      ++begins;
    } else if (o->kind == OBJ_KIND_GROUP_END) {
      end = o;
      ++ends;
    }
    if (begins > 0 && begins == ends) {
      obj_free(begin);
      obj_free(end);
      return true;
    }
  }
  return false;
}
