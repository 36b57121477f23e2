#include "design/listener_faces.h"

#include <cstdio>

#include "cad/edit_cmds.h"
#include "cad/edit_host.h"
#include "cad/edit_steps.h"
#include "cad/face_pick.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "framework/ui_seam.h"
#include "framework/units.h"

float g_listener_height = 0.0f;

namespace {

constexpr uint32_t LISTENER_COLOUR = 21;
constexpr float MAX_HEIGHT = 10.0f;
constexpr int HEIGHT_CHARS = 21;

// Elements of the polygon from its start through its closing element and
// the nodes among them; false when it never closes or names a missing node.
bool measure_polygon(const DrawObject* o, uint32_t start, uint32_t* elements, uint32_t* nodes) {
  if (!o->elements || start >= o->element_count || o->elements[start].code != EL_START) return false;
  uint32_t node_entries = 0;
  for (uint32_t i = start; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_MATERIAL) continue;
    if (e.code > EL_CLOSE || (e.code == EL_START && i != start)) return false;
    if (e.value >= o->node_count) return false;
    ++node_entries;
    if (e.code == EL_CLOSE) {
      *elements = i - start + 1;
      *nodes = node_entries;
      return true;
    }
  }
  return false;
}

// The height typed in the display unit, in metres; false after Cancel or a
// refused value.
bool ask_height() {
  char text[HEIGHT_CHARS + 1] = "";
  if (!edit_host().input_line("Abstandshöhe ( 0.0 .. 10.0 )", text, int(sizeof text), 1)) return false;
  float typed;
  if (std::sscanf(text, "%f", &typed) == 1) {
    if (!(typed >= 0.0f && typed <= MAX_HEIGHT)) {
      ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK);
      return false;
    }
    g_listener_height = float(units_from_entry(typed, UNIT_LENGTH));
  }
  return true;
}

}  // namespace

DrawObject* listener_copy_polygon(const DrawObject* source, uint32_t start_element, float height) {
  uint32_t element_count = 0, node_count = 0;
  if (!source || !measure_polygon(source, start_element, &element_count, &node_count)) return nullptr;
  DrawObject* copy = obj_create(0, node_count, element_count);
  if (!copy) return nullptr;
  uint16_t next_node = 0;
  for (uint32_t k = 0; k < element_count; ++k) {
    const ElementCode& e = source->elements[start_element + k];
    if (e.code == EL_MATERIAL) {
      copy->elements[k] = {EL_MATERIAL, 0};
      continue;
    }
    WorldPoint p = source->nodes[e.value];
    p.z += height;
    copy->nodes[next_node] = p;
    copy->elements[k] = {e.code, next_node++};
  }
  copy->attributes = OBJ_ATTR_CREATED;
  copy->layer = LAYER_LISTENER;
  copy->kind = OBJ_KIND_FACE;
  copy->colour = LISTENER_COLOUR;
  return copy;
}

void listener_cmd_create_over_faces() {
  if (!ask_height()) {
    cad_end_command();
    return;
  }
  cad_set_prefix("Hörflächen über Raumflächen bilden : ");
  for (;;) {
    FaceSelection picked;
    if (!input_pick_face(&picked)) break;
    DrawObject* copy = listener_copy_polygon(picked.object, uint32_t(picked.start_element), g_listener_height);
    if (copy) {
      obj_insert_before(copy, g_obj_head);
      cad_show_cursor(0);
      cad_draw_object(copy);
      cad_show_cursor(1);
    }
    input_clear_flags();
  }
  g_modified = 1;
  cad_end_command();
}
