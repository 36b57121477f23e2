#include "project/face_materials.h"

#include <cstdlib>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "materials/material.h"

namespace {

bool is_surface(const DrawObject* object) { return (object->kind & OBJ_KIND_SURFACE_MASK) != 0; }

}  // namespace

// Frees the names of materials no room face uses. The count stays, so the
// indexes of used materials never change. Record 0 is kept: it is the
// material every newly drawn face carries.
void mat_purge_unused() {
  int count = g_material_table.count;
  if (count < 1) return;
  if (count > MAX_MATERIALS) count = MAX_MATERIALS;
  bool* used = static_cast<bool*>(std::calloc(static_cast<size_t>(count), sizeof(bool)));
  if (!used) return;
  for (const DrawObject* object = g_obj_head; object; object = object->next) {
    if (object->layer != LAYER_ROOM || !is_surface(object)) continue;
    for (uint32_t k = 0; k < object->element_count; ++k) {
      const ElementCode& element = object->elements[k];
      if (element.code == EL_MATERIAL && element.value < count) used[element.value] = true;
    }
  }
  used[0] = true;
  for (int i = 0; i < count; ++i)
    if (!used[i]) g_material_table.records[i].name[0] = 0;
  std::free(used);
}

// Gives every polygon of the selected faces and bodies the material: the
// material entry right after each polygon start takes the index; a polygon
// without that entry keeps what it has. Returns the polygons changed and
// marks the drawing modified when there were any.
int mat_assign_selected(int material_index) {
  if (material_index < 0 || material_index >= g_material_table.count) return 0;
  int changed = 0;
  for (DrawObject* object = g_obj_head; object; object = object->next) {
    if (!(object->attributes & OBJ_ATTR_SELECTED) || !is_surface(object)) continue;
    for (uint32_t k = 0; k < object->element_count; ++k)
      if (obj_set_polygon_material(object, k, static_cast<uint16_t>(material_index))) ++changed;
  }
  if (changed) g_modified = 1;
  return changed;
}
