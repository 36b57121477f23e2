#include "acoustics/program_start_win.h"

#include "acoustics/model_tables.h"
#include "cad/cad_session.h"
#include "cad/cad_session_win.h"
#include "cad/cad_state.h"
#include "cad/drawing_window_win.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "cad/view_cmds_win.h"
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"
#include "framework/win_frame_win.h"
#include "speakers/legacy_drawing.h"
#include "project/model_reset.h"

namespace {

void show_start_screen(const ProgramStart& program) {
  HWND main = win_main_window();
  UpdateWindow(main);
  view_set_angles();
  view_update_rotation();
  cad_check_menu_item(604, true);
  cad_check_menu_item(605, false);
  if (program.stroke_font) cad_load_stroke_font(program.stroke_font);
  program.read_history();
  view_set_xy();
  g_view.kind = VIEW_YZ;
  panel_notify();
  g_view.kind = VIEW_XY;
  panel_show(1);
  ValidateRect(main, nullptr);
  win_draw_bitmap_centred("RVBMP290", 1);
  SetFocus(main);
  input_update_cursor(0);
  input_update_cursor(1);
  panel_notify();
  spk_reset_tables();
  view_set_title_base(program.title);
  view_update_title();
  legacy_load_builtin_symbols();
}

void release_everything() {
  panel_show(0);
  cad_free_stroke_font();
  app_free_model_tables();
  cad_free_buffers();
  win_unregister_classes();
}

}  // namespace

// Start-up in the fixed order the rest of the program relies on, the one
// message loop, then release of what start-up took.
int program_run(HINSTANCE instance, const ProgramStart& program) {
  if (!cad_alloc_buffers()) return 1;
  if (!app_alloc_model_tables()) {
    cad_free_buffers();
    return 1;
  }
  program.new_project();
  view_update_rotation();
  if (!win_init(instance, program.resource_name, program.window_proc)) {
    ui_message_box("Das Hauptfenster konnte nicht erstellt werden.", "System Error", UI_MB_OK);
    app_free_model_tables();
    cad_free_buffers();
    return 1;
  }
  ui_set_program_caption(program.title);
  if (!cad_create_drawing_window()) {
    ui_message_box("Das Zeichenfenster konnte nicht erstellt werden.", "System Error", UI_MB_OK);
    DestroyWindow(win_main_window());
    release_everything();
    return 1;
  }
  show_start_screen(program);
  input_wait_event();
  release_everything();
  return 0;
}
