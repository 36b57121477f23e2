#include "design/material_cmds.h"

#include <cstdio>

#include "cad/cad_state.h"
#include "cad/edit_cmds.h"
#include "cad/face_pick.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "design/design_dialogs.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "project/face_materials.h"

namespace {

void redraw_without_clearing() { render_objects(g_obj_head, nullptr, 0); }

}  // namespace

// Menu 2501: choose a database material, then give it to the polygons the
// user picks one after the other, until STOP. A polygon without a material
// entry is left as it is.
void mat_cmd_assign() {
  input_clear_flags();
  int database_index = 0;
  if (!design_dialogs().absorber_select(0, &database_index)) return;
  int material = mat_add_from_database(database_index);
  if (material < 0) {
    ui_message_box("Absorber kann nicht geladen werden", "Fehler: Speicher reicht nicht aus", UI_MB_OK);
    return;
  }
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s zuweisen > ", g_material_table.records[material].name);
  while (!g_abort_flag) {
    FaceSelection picked;
    if (!g_obj_head) break;
    if (!input_pick_face(&picked)) continue;  // OK without a pick: pick again
    if (obj_set_polygon_material(picked.object, uint32_t(picked.start_element), uint16_t(material)))
      g_modified = 1;
    redraw_without_clearing();
  }
  input_clear_flags();
  if (g_modified) mat_purge_unused();
  g_prompt_prefix[0] = 0;
  view_clear_prompt_line();
}
