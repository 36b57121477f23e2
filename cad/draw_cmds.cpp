#include "cad/draw_cmds.h"

#include <cmath>
#include <cstdio>

#include "cad/drag_preview.h"
#include "cad/edit_cmds.h"
#include "cad/edit_host.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/stroke_font.h"
#include "cad/view.h"
#include "framework/ui_seam.h"

namespace {

constexpr uint32_t LINE_NODE_CAPACITY = 360;
constexpr uint32_t LINE_ELEMENT_CAPACITY = 361;

// Text height and angle (radians) live as long as the program runs.
float g_text_height = 1.0f;
float g_text_angle = 0.0f;

void set_prefix(const char* prefix) {
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", prefix);
}

// While a command draws, its object sits on layer 1 when the room layer is
// current, so it is not taken as part of the room before it is finished.
uint32_t drawing_layer() { return g_view.current_layer == 0 ? 1u : static_cast<uint32_t>(g_view.current_layer); }

// The cursor stays off after these; the end of the command brings it back.
void redraw_all() {
  cad_show_cursor(0);
  render_objects(g_obj_head, g_obj_tail, 1);
}

void draw_object(DrawObject* object) {
  cad_show_cursor(0);
  cad_draw_object(object);
}

// The end of every drawing command: no preview, translate again, flags and
// prompt cleared, cursor back.
void end_command() {
  cad_stop_preview();
  input_node_list_free();
  input_clear_flags();
  view_show_prompt("");
  view_clear_prompt_line();
  cad_show_cursor(1);
}

void show_count(uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "%u", n);
  view_show_prompt(text);
}

void finish_object(DrawObject* o, uint32_t attributes) {
  o->layer = static_cast<uint32_t>(g_view.current_layer);
  o->colour = static_cast<uint32_t>(g_view.current_colour);
  o->attributes = attributes;
  g_modified = 1;
}

// Shrinks the work arrays of a polyline or polygon to their counts.
void shrink_to_counts(DrawObject* o) {
  if (o->node_count) o->nodes = obj_realloc_nodes(o->nodes, LINE_NODE_CAPACITY, o->node_count);
  if (o->element_count) o->elements = obj_realloc_elements(o->elements, LINE_ELEMENT_CAPACITY, o->element_count);
}

// Lines and polygons share their loop: the first point starts the object
// with a rubber node that follows the cursor; every click fixes it and adds
// the next. STOP removes the whole object.
void draw_point_by_point(bool polygon) {
  if (!input_node_list_alloc(1)) return;
  DrawObject* o = obj_create(0, LINE_NODE_CAPACITY, LINE_ELEMENT_CAPACITY);
  if (!o) {
    input_node_list_free();
    return;
  }
  o->node_count = 0;
  o->element_count = 0;
  o->layer = drawing_layer();
  set_prefix(polygon ? "POLYGON > Punkt #" : "LINIEN > Punkt #");
  view_show_prompt("1");
  cad_wait_event();
  if (g_abort_flag) {
    obj_free(o);
    end_command();
    return;
  }
  WorldPoint p = g_accepted_point;
  o->nodes[0] = p;
  o->nodes[1] = p;
  if (!polygon) g_base_point = p;
  o->node_count = 2;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, 0};
  o->elements[2] = {EL_LINE, 1};
  o->element_count = 3;
  o->kind = OBJ_KIND_POLYLINE;
  o->attributes = OBJ_ATTR_SELECTED;
  obj_insert_before(o, g_obj_head);
  g_node_list[0] = &o->nodes[1];
  g_node_count = 1;
  cad_start_preview(DRAG_MOVE_NODES);

  bool stopped = false;
  while (o->element_count < DRAW_MAX_ELEMENTS) {
    show_count(o->node_count);
    cad_wait_event();
    if (g_abort_flag) {
      stopped = true;
      break;
    }
    if (g_finish_flag) break;
    if (!g_click_flag) continue;
    cad_show_cursor(0);
    uint32_t n = o->node_count;
    o->nodes[n - 1] = g_accepted_point;  // the rubber node ends exactly on the click
    if (polygon) {
      o->elements[o->element_count - 1].code = EL_LINE;
      o->elements[o->element_count] = {EL_CLOSE, static_cast<uint16_t>(n)};
      o->kind = OBJ_KIND_FACE;
    } else {
      o->elements[o->element_count] = {EL_LINE, static_cast<uint16_t>(n)};
    }
    o->nodes[n] = g_accepted_point;
    o->node_count = n + 1;
    o->element_count += 1;
    g_node_list[0] = &o->nodes[n];
    cad_show_cursor(1);
  }
  cad_stop_preview();
  if (stopped) {
    obj_free(o);
  } else {
    // A polygon closes from the last clicked node when the rubber node still
    // lies on it; one clicked point alone stays a degenerate polyline.
    bool full = o->element_count >= DRAW_MAX_ELEMENTS;
    if (polygon && !full && o->element_count > 4 &&
        cad_points_coincide(g_accepted_point, o->nodes[o->node_count - 1])) {
      o->element_count -= 1;
      o->elements[o->element_count - 1].code = EL_CLOSE;
      o->node_count -= 1;
    }
    shrink_to_counts(o);
    finish_object(o, OBJ_ATTR_CREATED);
    obj_optimise(o);
  }
  redraw_all();
  end_command();
}

// The start of a shape of one preview step (circle, rectangle): its object
// made current on the drawing layer, and the first point asked for. Null
// when there is no object or after STOP, with the command ended.
DrawObject* begin_shape(uint32_t nodes, uint32_t elements, const char* prefix, const char* prompt) {
  DrawObject* o = obj_create(0, nodes, elements);
  if (!o) return nullptr;
  o->layer = drawing_layer();
  obj_make_current(OBJ_MC_LOAD, o);
  set_prefix(prefix);
  view_show_prompt(prompt);
  cad_wait_event();
  if (!g_abort_flag) return o;
  obj_free(o);
  end_command();
  return nullptr;
}

// The shape follows the cursor until its second point; STOP unlinks and
// frees it, otherwise it is finished in the current layer and colour.
void drag_shape(DrawObject* o, const char* prompt, int preview) {
  o->kind = OBJ_KIND_FACE;
  o->attributes |= OBJ_ATTR_SELECTED;
  obj_insert_before(o, g_obj_head);
  view_show_prompt(prompt);
  cad_start_preview(preview);
  cad_wait_event();
  cad_stop_preview();
  if (g_abort_flag) {
    obj_free(o);
  } else {
    o->attributes &= ~static_cast<uint32_t>(OBJ_ATTR_SELECTED);
    finish_object(o, o->attributes);
    draw_object(o);
  }
  end_command();
}

// In-plane axes of the text: the view plane turned by the text angle; the
// eye view has no plane of its own and writes into the XY plane.
void text_axes(double angle, double u[3], double v[3]) {
  double pu[3], pv[3];
  cad_view_plane_axes(g_view.kind == VIEW_EYE ? static_cast<int>(VIEW_XY) : g_view.kind, pu, pv);
  double c = std::cos(angle), s = std::sin(angle);
  for (int i = 0; i < 3; ++i) {
    u[i] = c * pu[i] + s * pv[i];
    v[i] = -s * pu[i] + c * pv[i];
  }
}

}  // namespace

bool cad_points_coincide(const WorldPoint& a, const WorldPoint& b) {
  double dx = static_cast<double>(a.x) - b.x;
  double dy = static_cast<double>(a.y) - b.y;
  double dz = static_cast<double>(a.z) - b.z;
  return dx * dx + dy * dy + dz * dz < 1e-6;
}

void cad_cmd_lines() { draw_point_by_point(false); }

void cad_cmd_polygon() { draw_point_by_point(true); }

// A regular polygon of the circle segment count around a centre; the
// radius point gives its size in the view plane.
void cad_cmd_circle() {
  int n = g_view.circle_segments;
  if (n < 3 || n > 360) n = 36;
  DrawObject* o = begin_shape(static_cast<uint32_t>(n), static_cast<uint32_t>(n + 1), "KREIS > ", "Mittelpunkt :");
  if (!o) return;
  WorldPoint c = g_accepted_point;
  g_base_point = c;
  for (int k = 0; k < n; ++k) o->nodes[k] = c;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, 0};
  for (int k = 2; k < n; ++k) o->elements[k] = {EL_LINE, static_cast<uint16_t>(k - 1)};
  o->elements[n] = {EL_CLOSE, static_cast<uint16_t>(n - 1)};
  drag_shape(o, "Radiuspunkt :", DRAG_CIRCLE);
}

// An axis-parallel rectangle from two corners in the view plane.
void cad_cmd_rectangle() {
  DrawObject* o = begin_shape(4, 5, "RECHTECK > ", "1.Punkt :");
  if (!o) return;
  WorldPoint p1 = g_accepted_point;
  if (g_view.kind == VIEW_3D)
    ui_message_box("Bitte schalten Sie jetzt in eine Orthogonalansicht", "Rechteck kann nicht in 3D erstellt werden",
                   UI_MB_OK);
  for (int k = 0; k < 4; ++k) o->nodes[k] = p1;
  g_base_point = p1;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, 0};
  o->elements[2] = {EL_LINE, 1};
  o->elements[3] = {EL_LINE, 2};
  o->elements[4] = {EL_CLOSE, 3};
  drag_shape(o, "2.Punkt :", DRAG_RECTANGLE);
}

// Text in the stroke font at a start point, with height and angle from the
// text dialog; the result is a set of polylines.
void cad_cmd_text() {
  if (!g_stroke_font || !stroke_font_check(g_stroke_font, g_stroke_font_size)) {
    ui_message_box("Kein Font geladen", nullptr, UI_MB_OK);
    return;
  }
  g_prompt_prefix[0] = 0;
  view_show_prompt("TEXT > Startpunkt :");
  cad_wait_event();
  if (!g_abort_flag) {
    WorldPoint start = g_accepted_point;
    if (g_text_height == 0.0f) g_text_height = 1.0f;
    float height = g_text_height;
    float degrees = static_cast<float>(g_text_angle * 180.0 / 3.141592654);
    char text[TEXT_MAX_CHARS] = "";
    int ok = edit_host().text_dialog(height, degrees, text, TEXT_MAX_CHARS);
    g_text_height = height;
    g_text_angle = static_cast<float>(degrees * 3.141592654 / 180.0);
    int count = ok ? stroke_text_node_count(g_stroke_font, text) : 0;
    if (ok && height >= 0.001f && count > 0) {
      cad_show_cursor(0);
      DrawObject* o = obj_create(0, static_cast<uint32_t>(count), static_cast<uint32_t>(count));
      if (o) {
        double origin[3] = {start.x, start.y, start.z}, u[3], v[3];
        text_axes(g_text_angle, u, v);
        stroke_text_build(g_stroke_font, text, origin, u, v, height / 8.0, o);
        o->kind = OBJ_KIND_TEXT;
        finish_object(o, OBJ_ATTR_CREATED);
        obj_insert_before(o, g_obj_head);
        draw_object(o);
      }
    }
  }
  g_abort_flag = 0;
  g_prompt_prefix[0] = 0;
  view_show_prompt("");
  view_clear_prompt_line();
  cad_show_cursor(1);
}
