#include "cad/edit_steps.h"

#include "cad/cad_state.h"
#include "cad/edit_host.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"

namespace {

constexpr uint32_t BACKGROUND_COLOUR = 30;

void redraw(DrawObject* object) { render_objects(object, object, 0); }

}  // namespace

// Every command ends with nothing selected, no pending flag and an empty prompt.
void cad_end_command() {
  g_finish_flag = 0;
  g_abort_flag = 0;
  cad_deselect_all();
  view_clear_prompt_line();
}

// The reference point of a move or copy. The drag preview stays off while
// the point is picked and comes back only when one was given.
void input_ask_base_point() {
  int32_t preview = g_view.drag_preview;
  g_view.drag_preview = 0;
  view_show_prompt("Basispunkt :");
  cad_wait_event();
  if (g_abort_flag) return;
  g_base_point = g_last_point;
  g_view.drag_preview = preview;
}

// The displacement from the base point; exactly zero counts as STOP.
void input_ask_displacement(float* dx, float* dy, float* dz) {
  view_show_prompt("Versatzpunkt :");
  cad_wait_event();
  if (g_abort_flag) return;
  *dx = g_last_point.x - g_base_point.x;
  *dy = g_last_point.y - g_base_point.y;
  *dz = g_last_point.z - g_base_point.z;
  if (*dx == 0.0f && *dy == 0.0f && *dz == 0.0f) g_abort_flag = 1;
}

// Copies every selected object to the list head; the copies become the
// selection (marked as created) and the sources are drawn unselected. The
// walk runs from the tail to the old head, so the copies are not visited.
void cad_duplicate_selected() {
  DrawObject* old_head = g_obj_head;
  cad_show_cursor(0);
  for (DrawObject* o = g_obj_tail; o;) {
    DrawObject* previous = o->prev;  // before a copy goes in front of the old head
    if (o->attributes & OBJ_ATTR_SELECTED) {
      uint32_t attributes = o->attributes;
      o->attributes &= ~OBJ_ATTR_SELECTED;
      redraw(o);
      if (DrawObject* copy = obj_duplicate(o)) {
        obj_insert_before(copy, g_obj_head);
        copy->attributes = attributes | OBJ_ATTR_CREATED;
        copy->layer = static_cast<uint32_t>(g_view.current_layer);
      }
    }
    if (o == old_head) break;
    o = previous;
  }
  cad_show_cursor(1);
}

// Draws the selection once in the background colour, unselected.
void cad_erase_selected() {
  cad_show_cursor(0);
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!(o->attributes & OBJ_ATTR_SELECTED)) continue;
    uint32_t colour = o->colour;
    o->attributes &= ~OBJ_ATTR_SELECTED;
    o->colour = BACKGROUND_COLOUR;
    redraw(o);
    o->colour = colour;
    o->attributes |= OBJ_ATTR_SELECTED;
  }
  cad_show_cursor(1);
}

void cad_delete_selected() {
  cad_show_cursor(0);
  for (DrawObject* o = g_obj_head; o;) {
    DrawObject* next = o->next;
    if (o->attributes & OBJ_ATTR_SELECTED) {
      obj_unlink(o);
      obj_free(o);
    }
    o = next;
  }
}
