#include "cad/view_cmds_win.h"

#include <windows.h>

#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"

namespace {

void refresh_panel() {
  if (panel_window()) PostMessageA(panel_window(), WM_COMMAND, PANEL_REFRESH_BUTTONS, 0);
}

void redraw_with_cursor_hidden() {
  input_update_cursor(0);
  cad_refresh_layer_visibility();
  input_update_cursor(1);
}

}  // namespace

void cad_check_menu_item(int id, bool on) {
  HWND main = win_main_window();
  if (HMENU menu = main ? GetMenu(main) : nullptr)
    CheckMenuItem(menu, UINT(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void cad_cmd_point_snap(int id) {
  g_view.point_snap = id == 509;
  cad_check_menu_item(509, g_view.point_snap);
  cad_check_menu_item(508, !g_view.point_snap);
  refresh_panel();
}

void cad_cmd_coordinate_snap(int id) {
  g_view.coord_snap = id == 512;
  cad_check_menu_item(512, g_view.coord_snap);
  cad_check_menu_item(511, !g_view.coord_snap);
  refresh_panel();
}

void cad_cmd_render_mode(int id) {
  bool hidden = id == 605;
  if (g_view.hidden_mode == (hidden ? 1 : 0)) return;
  g_view.hidden_mode = hidden ? 1 : 0;
  cad_check_menu_item(605, hidden);
  cad_check_menu_item(604, !hidden);
  refresh_panel();
  view_relayout();
}

void cad_cmd_pick_eye_point() {
  view_pick_eye_point();
  g_view.coord_snap = 0;
  cad_check_menu_item(511, true);
  cad_check_menu_item(512, false);
  refresh_panel();
}

void cad_cmd_toggle_layer(int id) {
  int layer = id == 613 ? 7 : id == 614 ? 8 : id - 610;
  g_layers[layer].visible = !g_layers[layer].visible;
  cad_check_menu_item(id, g_layers[layer].visible);
  if (id == 614) {
    cad_build_grid();
    return;
  }
  redraw_with_cursor_hidden();
}

void cad_cmd_grid_size() {
  cad_set_grid_size();
  input_update_cursor(0);
  view_relayout();
  input_update_cursor(1);
}

// The readouts are refreshed as in the 3D view, where all three show.
void cad_cmd_unit(int id) {
  g_unit_feet = id == 517;
  int16_t kind = g_view.kind;
  g_view.kind = VIEW_3D;
  panel_notify();
  g_view.kind = kind;
}

void cad_show_loaded_view() {
  cad_check_menu_item(604, true);
  cad_check_menu_item(605, false);
  refresh_panel();
}

void cad_select_command_layer(int id, bool set_snap_layer) {
  struct Range { int first, last, layer, colour; };
  static const Range ranges[] = {
      {1000, 1999, 2, 27}, {2000, 2999, 0, 0}, {3000, 3999, 1, 21}, {4000, 4999, 7, 14}};
  for (const Range& r : ranges) {
    if (id < r.first || id > r.last) continue;
    g_view.current_layer = r.layer;
    g_view.current_colour = static_cast<int16_t>(r.colour);
    if (set_snap_layer && r.layer != 1) g_view.snap_layer = r.layer;
    if (!g_layers[r.layer].visible) {
      g_layers[r.layer].visible = 1;
      for (DrawObject* o = g_obj_head; o; o = o->next)
        if (o->layer == static_cast<uint32_t>(r.layer)) o->attributes &= ~OBJ_ATTR_LAYER_HIDDEN;
      view_relayout();
    }
    return;
  }
}

void cad_forward_command_button(int id, LPARAM lparam) {
  g_click_flag = 1;
  if (id == CAD_ID_OK) {
    g_finish_flag = 1;
  } else if (id == CAD_ID_STOP) {
    g_abort_flag = 1;
  } else {
    DrawWindow* target = gfx_current_window();
    if (target && target->window) PostMessageA(target->window, WM_COMMAND, id, lparam);
  }
}
