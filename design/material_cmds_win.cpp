// Menu 2501: assign a database material to room faces.
#include <windows.h>

#include <cstdio>

#include "cad/cad_state.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "design/material_win.h"
#include "framework/win_frame_win.h"
#include "materials/material.h"
#include "project/face_materials.h"

namespace {

void redraw_without_clearing() { render_objects(g_obj_head, nullptr, 0); }

}  // namespace

// Menu 2501: choose a database material, then give it to the faces the
// user selects, selection after selection, until STOP or an empty choice.
void mat_cmd_assign() {
  input_clear_flags();
  int database_index = 0;
  if (!mat_run_absorber_select(0, &database_index)) return;
  int material = mat_add_from_database(database_index);
  if (material < 0) {
    win_message_box("Absorber kann nicht geladen werden", "Fehler: Speicher reicht nicht aus", MB_OK);
    return;
  }
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s zuweisen > ", g_material_table.records[material].name);
  while (!g_abort_flag) {
    int selected = input_select_objects();
    if (g_abort_flag || selected == 0) break;
    mat_assign_selected(material);
    input_deselect_all();
    redraw_without_clearing();
    g_finish_flag = 0;
  }
  input_clear_flags();
  if (g_modified) mat_purge_unused();
  g_prompt_prefix[0] = 0;
  view_clear_prompt_line();
}
