#include "cad/body_cmds.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cad/body_geom.h"
#include "cad/edit_cmds.h"
#include "cad/edit_host.h"
#include "cad/edit_steps.h"
#include "cad/face_geom.h"
#include "cad/face_pick.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/ui_seam.h"

namespace {

constexpr int ENTRY_CHARS = 40;  // 39 characters and the terminator
const char* const MSG_TOO_BIG_EXTRUDE = "Objekt zu groß für Extrusion";
const char* const MSG_TOO_BIG_LATHE = "Objekt zu groß oder zu viele Segmente";
const char* const MSG_TOO_BIG = "Objekt zu groß, Operation abgebrochen";
const char* const MSG_NOT_IN_3D = "Schnittpunkt nicht ermittelbar in 3D-Ansicht";
const char* const MSG_NO_CUT = "Keine Schnittpunkte gefunden, Operation abgebrochen";
const char* const MSG_ONE_CUT = "Nur 1 Schnittpunkt gefunden, Operation abgebrochen";
const char* const MSG_LAST_CLOSED_POLYGON = "Fläche kann nicht gelöscht werden, Operation abgebrochen";

void message(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

void abandon() { cad_deselect_and_end(); }

bool in_plane_view() { return cad_in_plane_view(); }

std::vector<DrawObject*> selection() {
  std::vector<DrawObject*> out;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o->attributes & OBJ_ATTR_SELECTED) out.push_back(o);
  return out;
}

// The new body takes the place of its source in the list and on the screen.
void replace(DrawObject* source, DrawObject* body) {
  obj_insert_before(body, source);
  cad_erase_object(source);
  obj_free(source);
  cad_draw_object(body);
  g_modified = 1;
}

// Builds a body from every selected object that can give one, in list
// order; a body too big stops the walk with its message, the bodies built
// so far stay.
template <typename Build>
void build_from_selection(const char* too_big, Build build) {
  cad_show_cursor(0);
  for (DrawObject* source : selection()) {
    if (!cad_can_build_from(source)) continue;
    BuildStatus status = BuildStatus::ok;
    DrawObject* body = build(source, &status);
    if (status == BuildStatus::too_big) {
      message(too_big);
      break;
    }
    if (!body) {
      g_modified = 1;  // a body that cannot be made skips its source
      continue;
    }
    replace(source, body);
  }
  cad_show_cursor(1);
}

}  // namespace

void cad_cmd_extrude() {
  cad_set_prefix("EXTRUDIEREN >");
  if (edit_host().select_objects() == 0) return cad_end_command();
  input_ask_base_point();
  if (g_abort_flag) return abandon();
  float dx = 0, dy = 0, dz = 0;
  input_ask_displacement(&dx, &dy, &dz);
  if (g_abort_flag) return abandon();  // a zero displacement included
  build_from_selection(MSG_TOO_BIG_EXTRUDE, [&](DrawObject* source, BuildStatus* status) {
    return cad_extrude_object(source, dx, dy, dz, status);
  });
  abandon();
}

// The axis runs through the base point along the view direction; the angle
// counts as a full turn only when typed as "360".
void cad_cmd_lathe() {
  cad_set_prefix("ROTIEREN >");
  if (edit_host().select_objects() == 0) return cad_end_command();
  view_show_prompt("Basispunkt :");
  cad_wait_event();
  if (g_abort_flag) return abandon();
  LatheSpec spec{g_view.kind, g_last_point, 0, 0, false};
  char text[ENTRY_CHARS] = "360";
  if (!cad_ask_number("Rotationswinkel :", text, ENTRY_CHARS, &spec.angle)) return abandon();
  spec.full_turn = std::strcmp(text, "360") == 0;
  spec.angle = static_cast<float>(spec.angle);  // read as "%f"
  std::snprintf(text, sizeof text, "%3.0f", std::fabs(spec.angle / 10));
  double segments = 0;
  if (!cad_ask_number("Anzahl der Segmente :", text, ENTRY_CHARS, &segments)) return abandon();
  segments = std::floor(static_cast<float>(segments));
  if (segments < 1) {
    message("Ungültige Eingabe !");
    return abandon();
  }
  spec.segments = segments > 65535 ? 65535 : static_cast<int>(segments);  // far beyond what fits
  if (!in_plane_view()) return abandon();
  build_from_selection(MSG_TOO_BIG_LATHE, [&](DrawObject* source, BuildStatus* status) {
    return cad_lathe_object(source, spec, status);
  });
  abandon();
}

void cad_cmd_explode() {
  cad_set_prefix("KÖRPER ZERLEGEN > ");
  edit_host().select_objects();
  if (!g_abort_flag) {
    for (DrawObject* o : selection()) {
      if (o->kind != OBJ_KIND_BODY) continue;
      cad_explode_body(o);
      g_modified = 1;
    }
  }
  cad_end_command();
  cad_redraw_all();
}

void cad_cmd_join() {
  cad_set_prefix("KÖRPER ZUSAMMENFÜGEN > ");
  if (edit_host().select_objects() > 0 && !g_abort_flag) {
    BuildStatus status = BuildStatus::ok;
    if (cad_join_faces_in(g_obj_head, g_obj_tail, g_view.current_layer, &status))
      g_modified = 1;
    else if (status == BuildStatus::no_memory)
      obj_warn_no_memory();
  }
  cad_end_command();
  cad_redraw_all();
}

// Every edge of the selection that the cut line crosses gets a node there.
void cad_cmd_insert_nodes() {
  cad_set_prefix("KNOTEN EINFÜGEN > ");
  int32_t boxes = g_view.node_boxes;
  g_view.node_boxes = 1;
  cad_redraw_all();
  WorldPoint c1, c2;
  if (edit_host().select_objects() > 0 && !g_abort_flag && input_cut_line(1, &c1, &c2)) {
    if (!in_plane_view()) {
      message(MSG_NOT_IN_3D);
    } else {
      for (DrawObject* source : selection()) {
        BuildStatus status = BuildStatus::ok;
        DrawObject* result = cad_insert_cut_nodes(source, g_view.kind, c1, c2, &status);
        if (status == BuildStatus::too_big) {
          message(MSG_TOO_BIG);
          break;
        }
        if (!result) continue;
        obj_insert_before(result, source);
        obj_free(source);
        g_modified = 1;
      }
    }
  }
  g_view.node_boxes = boxes;
  cad_deselect_all();
  cad_end_command();
  cad_redraw_all();
}

void cad_cmd_split_face() {
  cad_set_prefix("FLÄCHE TEILEN >");
  FaceSelection picked;
  WorldPoint c1, c2;
  if (input_pick_face(&picked) && input_cut_line(0, &c1, &c2)) {
    if (!in_plane_view()) {
      message(MSG_NOT_IN_3D);
    } else {
      DrawObject* result = nullptr;
      switch (cad_split_polygon(picked.object, picked.start_element, g_view.kind, c1, c2, &result)) {
        case BuildStatus::ok: g_modified = 1; break;
        case BuildStatus::one_cut: message(MSG_ONE_CUT); break;
        case BuildStatus::too_big: message(MSG_TOO_BIG); break;
        case BuildStatus::no_memory: obj_warn_no_memory(); break;
        default: message(MSG_NO_CUT); break;
      }
    }
  }
  cad_end_command();
  cad_redraw_all();
}

void cad_cmd_invert_face() {
  cad_set_prefix("Fläche invertieren : ");
  FaceSelection picked;
  if (input_pick_face(&picked))
    cad_reverse_polygon_in(picked.object->elements, picked.object->element_count, picked.start_element);
  g_modified = 1;
  cad_end_command();
  cad_redraw_all();
}

void cad_cmd_delete_face() {
  cad_set_prefix("Fläche Löschen : ");
  FaceSelection picked;
  if (input_pick_face(&picked)) {
    cad_show_cursor(0);
    cad_erase_object(picked.object);
    DrawObject* result = nullptr;
    switch (cad_delete_polygon(picked.object, picked.start_element, g_view.current_layer, &result)) {
      case BuildStatus::ok: g_modified = 1; break;
      case BuildStatus::no_memory: obj_warn_no_memory(); break;
      default: message(MSG_LAST_CLOSED_POLYGON); break;
    }
    cad_show_cursor(1);
  }
  cad_deselect_all();
  cad_end_command();
  cad_redraw_all();
}
