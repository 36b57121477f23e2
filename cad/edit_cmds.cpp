#include "cad/edit_cmds.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "cad/drag_preview.h"
#include "cad/edit_geom.h"
#include "cad/edit_host.h"
#include "cad/edit_steps.h"
#include "cad/face_pick.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "framework/ui_seam.h"
#include "framework/units.h"

namespace {

constexpr uint32_t BACKGROUND_COLOUR = 30;
constexpr int ANGLE_CHARS = 40;  // 39 characters and the terminator
const char* const MSG_NO_MEMORY_FOR_COPY = "FEHLER : Zu wenig Speicher";

bool selected(const DrawObject* o) { return (o->attributes & OBJ_ATTR_SELECTED) != 0; }

void abandon() { cad_deselect_and_end(); }

// The rotation and scale centre: a clicked or typed point.
bool ask_centre(WorldPoint* centre) {
  view_show_prompt("Basispunkt :");
  cad_wait_event();
  if (g_abort_flag) return false;
  *centre = g_last_point;
  return true;
}

// Draws every selected object again after its nodes were changed in place:
// erased where it was, deselected, changed, drawn where it is.
template <typename Change>
void redraw_changed_selection(Change change) {
  cad_show_cursor(0);
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!selected(o)) continue;
    o->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
    cad_erase_object(o);
    change(o);
    cad_draw_object(o);
  }
  cad_show_cursor(1);
}

// Copies of the selection, when they fit, made once the base point is
// given; false after the size message or STOP.
bool duplicate_at_base_point() {
  if (!cad_selection_fits_memory()) {
    ui_message_box(MSG_NO_MEMORY_FOR_COPY, nullptr, UI_MB_OK);
    return false;
  }
  input_ask_base_point();
  if (g_abort_flag) return false;
  cad_show_cursor(0);
  cad_duplicate_selected();
  return true;
}

bool in_plane_view() { return cad_in_plane_view(); }

// The selection, or the copies of it, follow the cursor from the base point
// to the displacement point; true after STOP.
bool drag_selection_stopped() {
  cad_start_preview(DRAG_TRANSLATE);
  float dx = 0, dy = 0, dz = 0;
  input_ask_displacement(&dx, &dy, &dz);
  cad_stop_preview();
  return g_abort_flag != 0;
}

// The selection and the centre of a rotation or scale; false when the
// command has ended without them.
bool select_around_centre(const char* prefix, WorldPoint* centre) {
  cad_set_prefix(prefix);
  if (edit_host().select_objects() == 0) {
    cad_end_command();
    return false;
  }
  if (ask_centre(centre)) return true;
  abandon();
  return false;
}

// The mirror line's length in the view plane, from the base point to the
// point given.
double mirror_line_length2() {
  double du = 0, dv = 0;
  const WorldPoint &b = g_base_point, &p = g_last_point;
  switch (g_view.kind) {
    case VIEW_YZ: du = double(p.y) - b.y; dv = double(p.z) - b.z; break;
    case VIEW_XZ: du = double(p.x) - b.x; dv = double(p.z) - b.z; break;
    default: du = double(p.x) - b.x; dv = double(p.y) - b.y; break;
  }
  return du * du + dv * dv;
}

}  // namespace

// ---------------------------------------------------------------- shared steps

// A command that found nothing or was stopped ends with nothing selected.
void cad_deselect_and_end() {
  cad_deselect_all();
  cad_end_command();
}

bool cad_in_plane_view() { return g_view.kind == VIEW_XY || g_view.kind == VIEW_YZ || g_view.kind == VIEW_XZ; }

void cad_set_prefix(const char* prefix) {
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", prefix);
  view_show_prompt("");
}

void cad_redraw_all() {
  cad_show_cursor(0);
  render_objects(g_obj_head, g_obj_tail, 1);
  cad_show_cursor(1);
}

void cad_draw_object(DrawObject* object) { render_objects(object, object, 0); }

void cad_erase_object(DrawObject* object) {
  uint32_t colour = object->colour, attributes = object->attributes;
  object->colour = BACKGROUND_COLOUR;
  object->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
  render_objects(object, object, 0);
  object->colour = colour;
  object->attributes = attributes;
}

void cad_start_preview(int mode) {
  cad_show_cursor(0);
  cad_set_drag_transform(mode);
  g_view.drag_preview = 1;
  cad_show_cursor(1);
}

void cad_stop_preview() {
  cad_show_cursor(0);
  g_view.drag_preview = 0;
  cad_set_drag_transform(DRAG_TRANSLATE);
}

bool cad_ask_number(const char* caption, char* text, int max_length, double* value) {
  cad_show_cursor(0);
  int ok = edit_host().input_line(caption, text, max_length, 1);
  cad_show_cursor(1);
  return ok && units_read_entry_double(text, value);
}

// ---------------------------------------------------------------- commands

void cad_cmd_delete() {
  cad_set_prefix("LÖSCHEN > ");
  if (edit_host().select_objects() > 0) {
    cad_erase_selected();
    cad_delete_selected();
  }
  g_modified = 1;
  cad_end_command();
}

// The selection follows the cursor from the base point; STOP moves it back.
void cad_cmd_move() {
  cad_set_prefix("SCHIEBEN > ");
  if (edit_host().select_objects() == 0) return cad_end_command();
  input_ask_base_point();
  if (g_abort_flag) return abandon();
  cad_erase_selected();
  if (drag_selection_stopped())
    cad_translate_selected(double(g_base_point.x) - g_last_point.x, double(g_base_point.y) - g_last_point.y,
                           double(g_base_point.z) - g_last_point.z);
  else
    g_modified = 1;
  abandon();
}

// Copies of the selection follow the cursor; STOP deletes them.
void cad_cmd_copy() {
  cad_set_prefix("KOPIEREN > ");
  if (edit_host().select_objects() == 0) return cad_end_command();
  if (!duplicate_at_base_point()) return abandon();
  if (drag_selection_stopped())
    cad_delete_selected();
  else
    g_modified = 1;
  abandon();
}

void cad_cmd_rotate() {
  WorldPoint centre;
  if (!select_around_centre("DREHEN >", &centre)) return;
  char text[ANGLE_CHARS] = "0";
  double degrees = 0;
  if (!cad_ask_number("Drehwinkel (Grad) : ", text, ANGLE_CHARS, &degrees)) return abandon();
  double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  cad_view_rotation(g_view.kind, degrees * 3.141592654 / 180, m);  // the eye view keeps the identity
  redraw_changed_selection([&](DrawObject* o) { cad_rotate_object(o, centre, m); });
  g_modified = 1;
  cad_end_command();
}

// Factors are never taken in feet: the unit is metres while they are typed.
void cad_cmd_scale() {
  WorldPoint centre;
  if (!select_around_centre("SKALIEREN > ", &centre)) return;
  double f[3] = {1, 1, 1};
  int32_t unit = g_unit_feet;
  g_unit_feet = 0;
  cad_show_cursor(0);
  int ok = edit_host().point_dialog(f[0], f[1], f[2], "Faktoren X,Y,Z :");
  cad_show_cursor(1);
  g_unit_feet = unit;
  if (!ok) return abandon();
  redraw_changed_selection([&](DrawObject* o) { cad_scale_object(o, centre, f[0], f[1], f[2]); });
  g_modified = 1;
  cad_end_command();
}

// Mirrored copies follow the line from the base point to the cursor. A line
// of no length in the view plane gives no mirror and counts as STOP, and
// the views without a plane have no mirror line at all.
void cad_cmd_mirror() {
  cad_set_prefix("SPIEGELN > ");
  if (!in_plane_view()) {
    ui_message_box("Bitte schalten Sie in eine Orthogonalansicht", "Spiegeln nicht möglich in 3D-Ansicht", UI_MB_OK);
    return cad_end_command();
  }
  if (edit_host().select_objects() == 0) return cad_end_command();
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (selected(o)) o->attributes |= OBJ_ATTR_CREATED;
  if (!duplicate_at_base_point()) return abandon();
  cad_start_preview(DRAG_MIRROR);
  float dx = 0, dy = 0, dz = 0;
  input_ask_displacement(&dx, &dy, &dz);
  if (!g_abort_flag && mirror_line_length2() <= 1e-6) g_abort_flag = 1;
  cad_stop_preview();
  if (g_abort_flag) {
    cad_delete_selected();
    return abandon();
  }
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!selected(o)) continue;
    o->attributes |= OBJ_ATTR_CREATED;
    cad_orient_mirrored(o);
  }
  g_modified = 1;
  abandon();
}

// Picked nodes follow the cursor; STOP moves them back to where they were.
void cad_cmd_move_nodes() {
  if (!input_node_list_alloc(NODE_LIST_CAPACITY)) {
    obj_warn_no_memory();
    return;
  }
  cad_set_prefix("KNOTEN VERSCHIEBEN >");
  int32_t boxes = g_view.node_boxes;
  g_view.node_boxes = 1;
  cad_redraw_all();
  if (edit_host().select_nodes() == 0 || g_abort_flag) {
    cad_deselect_all();
  } else {
    input_clear_flags();
    input_ask_base_point();
    WorldPoint start = g_base_point;
    if (g_abort_flag) {
      cad_deselect_all();
    } else {
      cad_erase_selected();
      cad_start_preview(DRAG_MOVE_NODES);
      float dx = 0, dy = 0, dz = 0;
      input_ask_displacement(&dx, &dy, &dz);
      cad_stop_preview();
      if (g_abort_flag) {
        cad_arm_node_move(1);
        cad_move_nodes_preview(nullptr, double(start.x) - g_last_point.x, double(start.y) - g_last_point.y,
                               double(start.z) - g_last_point.z);
      }
      g_modified = 1;
    }
  }
  input_node_list_free();
  g_view.node_boxes = boxes;
  cad_end_command();
  cad_redraw_all();
}

void cad_cmd_group() {
  cad_set_prefix("GRUPPE BILDEN > ");
  int count = edit_host().select_objects();
  if (!g_abort_flag && count >= 2 && cad_group_selected(g_view.current_layer)) g_modified = 1;
  abandon();
}

void cad_cmd_ungroup() {
  cad_set_prefix("GRUPPE ZERLEGEN > ");
  if (edit_host().select_objects() > 0 && !g_abort_flag && cad_ungroup_selected()) g_modified = 1;
  abandon();
}

// ---------------------------------------------------------------- face pick and cut line

namespace {

void highlight(const FaceSelection& polygon, int on) {
  cad_highlight_polygon(polygon.object, polygon.start_element, on);
}

// While a polygon is picked, redraws outline it too.
void show_pick(const FaceSelection& picked) {
  g_render_refs.first_pick_object = picked.object;
  g_render_refs.first_pick_element = picked.start_element;
  g_render_refs.face_pick_count = picked.start_element >= 0 ? 2 : 0;
}

}  // namespace

int input_pick_face(FaceSelection* picked) {
  *picked = FaceSelection{nullptr, -1};
  if (!g_obj_head) return 0;
  input_clear_flags();
  view_show_prompt("Fläche wählen");
  for (;;) {
    cad_wait_event();
    if (g_finish_flag || g_abort_flag) break;
    if (!g_click_flag) continue;
    cad_show_cursor(0);
    cad_face_pick_click(*picked, g_cursor_screen_x, g_cursor_screen_y, highlight);
    show_pick(*picked);
    cad_show_cursor(1);
  }
  bool stopped = g_abort_flag != 0;
  if (stopped && picked->start_element >= 0) {
    cad_show_cursor(0);
    highlight(*picked, 0);
    cad_show_cursor(1);
  }
  show_pick(FaceSelection{nullptr, -1});
  view_clear_prompt_line();
  if (stopped || picked->start_element < 0) {
    *picked = FaceSelection{nullptr, -1};
    return 0;
  }
  return 1;
}

namespace {

// Waits for a clicked or typed point; false after STOP or an OK without one.
bool wait_point(WorldPoint* point) {
  do {
    cad_wait_event();
    if (g_abort_flag || g_finish_flag) return false;
  } while (!g_click_flag);
  *point = g_accepted_point;
  return true;
}

}  // namespace

int input_cut_line(int with_limit, WorldPoint* first, WorldPoint* second) {
  DrawObject* line = obj_create(0, 2, 3);
  if (!line) return 0;
  view_show_prompt("Schnittlinie 1. Punkt");
  bool ok = wait_point(first);
  if (ok) {
    cad_show_cursor(0);
    g_view.rubber_line = 1;
    cad_show_cursor(1);
    view_show_prompt(with_limit ? "Schnittlinie 2. Punkt" : "Schnittlinie 2. Punkt, max. 2 Schnittpunkte");
    ok = wait_point(second);
    cad_show_cursor(0);
    g_view.rubber_line = 0;
    if (ok) {
      line->nodes[0] = *first;
      line->nodes[1] = *second;
      line->elements[0] = {EL_START, 0};
      line->elements[1] = {EL_MATERIAL, 0};
      line->elements[2] = {EL_LINE, 1};
      line->kind = OBJ_KIND_POLYLINE;
      line->colour = static_cast<uint32_t>(g_view.current_colour);
      cad_draw_object(line);
    }
    cad_show_cursor(1);
  }
  DrawObject *head = line, *tail = line;
  obj_list_free(head, tail, line);
  if (!ok) g_abort_flag = 1;
  return ok ? 1 : 0;
}
