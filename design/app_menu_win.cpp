#include <windows.h>

#include "acoustics/audio_cmd_win.h"
#include "acoustics/coverage.h"
#include "cad/obj_store.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "design/app_window_win.h"
#include "design/history.h"
#include "design/menu_state.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "speakers/speaker_db.h"

namespace {

MenuFacts gather_facts() {
  MenuFacts f = {};
  f.room_objects = obj_count_room(&f.room_faces);
  f.listener_objects = obj_count_listener();
  f.speaker_objects = obj_count_speaker();
  f.aux_objects = obj_count_aux();
  f.can_undo = undo_can_undo();
  f.can_redo = undo_can_redo();
  for (int layer = 0; layer < 9; ++layer) f.layer_visible[layer] = g_layers[layer].visible != 0;
  f.audio_input_chosen = audio_has_input_wav();
  f.audio_profile_chosen = audio_has_profile();
  f.level_map_valid = g_coverage_valid != 0;
  f.speaker_db_open = g_sdb_index.path[0] != 0;
  f.coordinate_snap = g_view.coord_snap != 0;
  f.point_snap = g_view.point_snap != 0;
  f.unit_feet = g_unit_feet != 0;
  f.recent_count = g_history.recent_count;
  return f;
}

void show_recent_projects(HMENU menu) {
  if (!g_history.recent_changed) return;
  for (int i = 0; i < g_history.recent_count; ++i)
    ModifyMenuA(menu, 110 + i, MF_BYCOMMAND | MF_STRING, 110 + i, history_recent(i));
  g_history.recent_changed = false;
}

}  // namespace

// Recomputes enabled and checked items whenever a menu opens.
void app_update_menu_state() {
  HWND main = win_main_window();
  HMENU menu = main ? GetMenu(main) : nullptr;
  if (!menu) return;
  for (const MenuItemState& item : menu_state_compute(gather_facts())) {
    if (item.kind == MenuItemState::ENABLE)
      EnableMenuItem(menu, item.id, MF_BYCOMMAND | (item.on ? MF_ENABLED : MF_GRAYED));
    else
      CheckMenuItem(menu, item.id, MF_BYCOMMAND | (item.on ? MF_CHECKED : MF_UNCHECKED));
  }
  show_recent_projects(menu);
  DrawMenuBar(main);
}
