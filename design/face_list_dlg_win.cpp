#include "design/face_list_dlg_win.h"

#include "acoustics/face_list_win.h"
#include "acoustics/face_table.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "design/material_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "materials/material.h"
#include "project/face_materials.h"

namespace {

void say_table_full() {
  ui_message_box("Absorber kann nicht geladen werden", "Fehler: Speicher reicht nicht aus", UI_MB_OK);
}

// A database material chosen with preset as the first choice, in the
// project's table; -1 after Cancel or when the table is full (said).
int choose_material(int preset) {
  int database_index = 0;
  if (!mat_run_absorber_select(preset, &database_index)) return -1;
  int material = mat_add_from_database(database_index);
  if (material < 0) say_table_full();
  return material;
}

bool set_material(int entry, int material) {
  FaceEntry& face = g_face_table[entry];
  return obj_set_polygon_material(face.owner, uint32_t(face.polygon_start - face.owner->elements),
                                  uint16_t(material));
}

// "Flächenmaterial ändern": the selected face only. A polygon without a
// material entry has nowhere to keep one and stays as it is.
void change_face(HWND dialog) {
  int entry = mat_face_list_current();
  if (entry < 0 || entry >= g_face_count) return;
  int material = choose_material(refl_face_material(g_face_table[entry]));
  if (material >= 0 && set_material(entry, material)) {
    mat_face_list_rebuild_row(dialog, entry);
    g_modified = 1;
    mat_purge_unused();
  }
  mat_face_list_show_room(dialog);
}

// "Material ersetzen": every face of the selected face's material.
void replace_material(HWND dialog) {
  int entry = mat_face_list_current();
  if (entry < 0 || entry >= g_face_count) return;
  int old_material = refl_face_material(g_face_table[entry]);
  int material = choose_material(old_material);
  if (material < 0) return;
  for (int i = 0; i < g_face_count; ++i) {
    if (refl_face_material(g_face_table[i]) != old_material || !set_material(i, material)) continue;
    mat_face_list_rebuild_row(dialog, i);
  }
  g_modified = 1;
  mat_purge_unused();
  mat_face_list_show_selection(dialog);
  mat_face_list_show_room(dialog);
}

}  // namespace

INT_PTR CALLBACK mat_face_list_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == FACELIST_ID_CHANGE) {
    change_face(dialog);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == FACELIST_ID_REPLACE) {
    replace_material(dialog);
    return TRUE;
  }
  return mat_face_list_common_proc(dialog, message, wparam, lparam);
}

int mat_run_face_list() { return mat_run_face_list_dialog(mat_face_list_dialog_proc); }
