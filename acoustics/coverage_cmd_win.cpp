// Menu command 5001 "Pegel + Zeit": the options dialog, the wait cursor and
// the drawing window around the portable coverage calculation.
#include <windows.h>

#include "acoustics/cov_window_win.h"
#include "acoustics/coverage.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/ui_seam.h"
#include "project/calc_options.h"
#include "project/calc_options_dlg_win.h"
#include "speakers/speaker_model.h"

namespace {

HCURSOR show_wait_cursor() { return SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT))); }

void redraw_drawing_window() {
  DrawWindow* w = view_drawing_window();
  if (w && w->window) InvalidateRect(w->window, nullptr, TRUE);
}

}  // namespace

void cov_cmd_level_time() {
  if (obj_count_speaker() == 0) return;
  if (!opts_run_calc_dialog()) return;
  HCURSOR previous = show_wait_cursor();
  spk_link_balloons();
  SetCursor(previous);
  if (!cov_start_level_time()) return;
  view_zoom_all();
  previous = show_wait_cursor();
  int laid = cov_build_grid();
  SetCursor(previous);
  if (!laid) return;
  if (!cov_calculate_grid()) {
    redraw_drawing_window();
    return;
  }
  cov_show_window();
  redraw_drawing_window();
}
