#include "acoustics/result_cmds_win.h"

#include "acoustics/cov_window_win.h"
#include "acoustics/speaker_aim.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "project/coverage_grid.h"
#include "project/map_file.h"

void cov_cmd_map(int id) {
  if (id != 5103 && g_coverage_valid != 1) return;  // show and save need a valid map
  input_update_cursor(0);
  if (id == 5101)
    cov_show_window();
  else if (id == 5102)
    mapfile_cmd_save();
  else if (id == 5103)
    mapfile_cmd_load();
  input_update_cursor(1);
}

void spk_cmd_toggle_aim_lines() {
  g_layers[LAYER_AIM].visible = !g_layers[LAYER_AIM].visible;
  cad_check_menu_item(608, g_layers[LAYER_AIM].visible);
  if (!g_layers[LAYER_AIM].visible || obj_count_speaker() > 0) {
    spk_rebuild_aim_lines();
    view_relayout();
  }
}
