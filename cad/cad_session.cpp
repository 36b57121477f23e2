#include "cad/cad_session.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/edit_host.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/title_block.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "framework/ui_seam.h"
#include "framework/units.h"

DrawObject* g_grid_head = nullptr;

namespace {

void free_work_buffers() {
  std::free(g_eye_sort_buffer);
  std::free(g_scratch_buffer);
  std::free(g_eye_view_buffer);
  std::free(g_screen_point_buffer);
  g_eye_sort_buffer = g_scratch_buffer = g_eye_view_buffer = g_screen_point_buffer = nullptr;
}

}  // namespace

// The four CAD work buffers, in this order; on a failure nothing stays allocated.
int cad_alloc_buffers() {
  undo_reset();
  g_screen_point_buffer = obj_alloc_or_warn(SCREEN_POINT_BUFFER_BYTES);
  if (g_screen_point_buffer) g_eye_view_buffer = obj_alloc_or_warn(EYE_VIEW_BUFFER_BYTES);
  if (g_eye_view_buffer) g_scratch_buffer = std::calloc(1, SCRATCH_BUFFER_BYTES);
  if (g_scratch_buffer) g_eye_sort_buffer = std::calloc(1, EYE_SORT_BUFFER_BYTES);
  if (g_eye_sort_buffer) return 1;
  free_work_buffers();
  undo_release();
  return 0;
}

int cad_free_buffers() {
  free_work_buffers();
  undo_release();
  return 1;
}

// Asks before unsaved work would be lost; any answer but OK sets STOP.
void cad_confirm_discard() {
  g_abort_flag = 0;
  if (g_modified && g_obj_head) {
    int answer = ui_message_box("Daten sind noch nicht gesichert", "WARNUNG",
                                UI_MB_OKCANCEL | UI_MB_DEFBUTTON2 | UI_MB_ICONEXCLAMATION);
    if (answer != UI_IDOK) g_abort_flag = 1;
  }
  if (!g_abort_flag) undo_clear();
}

void cad_new_drawing_defaults() {
  view_new_drawing_defaults();
  g_abort_flag = 0;
  obj_free_all();
  input_node_list_free();
  g_repeat_command = 0;
  g_running_command = 0;
  obj_reset_layers();
  cad_set_drag_transform(cad_translate_object);
  cad_grid_free();
  std::memset(&g_title_block, 0, sizeof g_title_block);
}

void cad_plane_rotation(double angle, double m[3][3]) {
  std::memset(m, 0, sizeof(double) * 9);
  double c = std::cos(angle), s = std::sin(angle);
  int first, second;  // world axes of the plane's u and v
  switch (g_view.kind) {
    case VIEW_XY:
    case VIEW_3D: first = 0; second = 1; break;
    case VIEW_YZ: first = 1; second = 2; break;
    case VIEW_XZ: first = 0; second = 2; break;
    default: return;
  }
  m[first][0] = c;
  m[first][1] = -s;
  m[second][0] = s;
  m[second][1] = c;
}

void cad_grid_push(DrawObject* object) {
  object->next = g_grid_head;
  g_grid_head = object;
  g_render_refs.grid_head = g_grid_head;
}

void cad_grid_free() {
  while (g_grid_head) {
    DrawObject* next = g_grid_head->next;
    g_grid_head->next = nullptr;
    obj_free(g_grid_head);
    g_grid_head = next;
  }
  g_render_refs.grid_head = nullptr;
}

void cad_set_line(DrawObject* o, float x1, float x2, float y1, float y2, float z1, float z2) {
  o->nodes[0] = {x1, y1, z1};
  o->nodes[1] = {x2, y2, z2};
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_LINE, 1};
}

namespace {

struct Box {
  float min[3], max[3];
};

Box grid_box(float g) {
  Box b = {{1e10f, 1e10f, 1e10f}, {-1e10f, -1e10f, -1e10f}};
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer == LAYER_BLOCK) continue;
    for (uint32_t i = 0; i < o->node_count; ++i) {
      const float p[3] = {o->nodes[i].x, o->nodes[i].y, o->nodes[i].z};
      for (int a = 0; a < 3; ++a) {
        if (p[a] < b.min[a]) b.min[a] = p[a];
        if (p[a] > b.max[a]) b.max[a] = p[a];
      }
    }
  }
  bool found = true;
  for (int a = 0; a < 3; ++a) found = found && b.max[a] > -1e10f && b.min[a] < 1e10f;
  for (int a = 0; a < 3; ++a) {
    if (found) {
      b.min[a] = static_cast<float>((std::floor(b.min[a] / g) - 1) * g);
      b.max[a] = static_cast<float>((std::ceil(b.max[a] / g) + 1) * g);
    } else {
      b.min[a] = -100;
      b.max[a] = 100;
    }
  }
  return b;
}

void add_grid_line(float x1, float y1, float z1, float x2, float y2, float z2) {
  DrawObject* o = obj_create(0, 2, 2);
  if (!o) return;  // a line that cannot be allocated is left out
  o->kind = OBJ_KIND_GRID_LINE;
  o->layer = LAYER_GRID;
  o->colour = 5;
  cad_set_line(o, x1, x2, y1, y2, z1, z2);
  cad_grid_push(o);
}

}  // namespace

// Rebuilds the grid lines on the floor and two walls of the drawing's box;
// returns how many lines were made.
int cad_build_grid_lines() {
  cad_grid_free();
  if (!g_layers[LAYER_GRID].visible) return 0;
  float g = g_view.grid_size > 0 ? g_view.grid_size : 1.0f;
  Box b = grid_box(g);
  const float x0 = b.min[0], x1 = b.max[0], y0 = b.min[1], y1 = b.max[1], z0 = b.min[2], z1 = b.max[2];
  // A tiny grid on a large drawing would make millions of objects.
  double lines = (x1 - x0) / g + (y1 - y0) / g + (z1 - z0) / g;
  if (lines * 2 > 200000) return 0;
  for (float x = x0; x <= x1; x += g) add_grid_line(x, y0, z0, x, y1, z0);
  for (float y = y0; y <= y1; y += g) add_grid_line(x0, y, z0, x1, y, z0);
  for (float y = y0; y <= y1; y += g) add_grid_line(x0, y, z0, x0, y, z1);
  for (float z = z0 + g; z <= z1; z += g) add_grid_line(x0, y0, z, x0, y1, z);
  for (float z = z0 + g; z <= z1; z += g) add_grid_line(x0, y1, z, x1, y1, z);
  for (float x = x0 + g; x <= x1; x += g) add_grid_line(x, y1, z0, x, y1, z1);
  int count = 0;
  for (DrawObject* o = g_grid_head; o; o = o->next) ++count;
  return count;
}

// Objects of hidden layers are marked not drawn; inserted blocks once hidden stay so.
void cad_apply_layer_visibility() {
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer >= static_cast<uint32_t>(LAYER_COUNT)) continue;
    if (!g_layers[o->layer].visible)
      o->attributes |= OBJ_ATTR_LAYER_HIDDEN;
    else if (o->layer != LAYER_BLOCK)
      o->attributes &= ~OBJ_ATTR_LAYER_HIDDEN;
  }
}

namespace {

void refuse() { ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK); }

// Asks for a length shown in the display unit; true with the new value in metres.
bool ask_length(const char* prompt, double current_m, double low, double high, double* out) {
  char text[22];
  if (g_unit_feet)
    std::snprintf(text, sizeof text, "%0.2lf", units_to_display(current_m, UNIT_LENGTH));
  else
    std::snprintf(text, sizeof text, "%lf", current_m);
  if (!edit_host().input_line(prompt, text, 21, 1)) return false;
  double value;
  if (std::sscanf(text, "%lf", &value) != 1) {
    refuse();
    return false;
  }
  value = units_from_entry(value, UNIT_LENGTH);
  if (!(value >= low && value <= high)) {
    refuse();
    return false;
  }
  *out = value;
  return true;
}

bool ask_integer(const char* prompt, int current, int low, int high, int* out) {
  char text[22];
  std::snprintf(text, sizeof text, "%d", current);
  if (!edit_host().input_line(prompt, text, 21, 0)) return false;
  int value;
  if (std::sscanf(text, "%d", &value) != 1 || value < low || value > high) {
    refuse();
    return false;
  }
  *out = value;
  return true;
}

}  // namespace

// A new drawing, after the discard question when there is one to ask.
void cad_new_drawing() {
  if (g_obj_head) {
    cad_confirm_discard();
    if (!g_abort_flag) {
      ViewHost& host = view_host();
      host.update_cursor(0);
      if (cad_new_document_hook) cad_new_document_hook();
      host.check_menu_item(604, true);
      host.check_menu_item(605, false);
      g_last_point = {0, 0, 0};
      view_set_xy();
      host.update_cursor(1);
    }
  }
  input_clear_flags();
  view_update_title();
}

void cad_free_stroke_font() {
  std::free(g_stroke_font);
  g_stroke_font = nullptr;
  g_stroke_font_size = 0;
}

void cad_refresh_layer_visibility() {
  cad_apply_layer_visibility();
  view_relayout();
}

void cad_build_grid() {
  cad_build_grid_lines();
  view_host().update_cursor(0);
  view_relayout();
  view_host().update_cursor(1);
}

void cad_set_snap_distance() {
  double value;
  if (ask_length("FANGWEITE SETZEN ( 0 .. 1000 )", g_view.snap_distance, 0.001, 1000, &value))
    g_view.snap_distance = static_cast<float>(value);
  view_clear_prompt_line();
}

void cad_set_node_snap() {
  int value;
  if (ask_integer("Knoten-Fangweite (1 - 100):", static_cast<int>(g_view.node_snap_distance), 1, 100, &value))
    g_view.node_snap_distance = value;
}

void cad_set_circle_segments() {
  int value;
  if (ask_integer("ANZAHL DER KREIS-SEGMENTE (3 - 360)", g_view.circle_segments, 3, 360, &value))
    g_view.circle_segments = static_cast<int16_t>(value);
}

void cad_set_grid_size() {
  double value;
  if (ask_length("Rastergröße(0.1 - 100) :", g_view.grid_size, 0.1, 100, &value))
    g_view.grid_size = static_cast<float>(value);
  cad_build_grid_lines();
}

// The drawing comment, shown at the bottom of the drawing window.
void cad_edit_comment() {
  char text[VIEW_COMMENT_CHARS + 1];
  std::snprintf(text, sizeof text, "%s", g_view.comment);
  if (!edit_host().input_line("Kommentar (max. 80 Zeichen):", text, int(sizeof text), 0)) return;
  std::snprintf(g_view.comment, sizeof g_view.comment, "%s", text);
  view_host().repaint_drawing_window();
}
