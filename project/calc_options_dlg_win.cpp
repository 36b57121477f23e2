// The calculation options dialog DIALOG_10: summation mode, room effects and
// the receiver grid spacing, edited in place in the project's options.
#include <windows.h>

#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/calc_options.h"
#include "project/calc_options_dlg_win.h"

namespace {

constexpr int ID_SUMMATION_FIRST = 101, ID_SUMMATION_LAST = 103;
constexpr int ID_SHADOWING = 104, ID_FIRST_REFLECTION = 105;
constexpr int ID_GRID_MINIMUM = 301, ID_GRID_FIRST = 302, ID_GRID_LAST = 307;
constexpr int ID_START = 501, ID_CANCEL = 502;

// Feet labels of the radios 302-307; the spacings stay in metres.
const char* const FEET_LABELS[] = {"    .8 ft.", "  1.6 ft.", "  3.3 ft.", "  6.6 ft.", "16.4 ft.", "32.8 ft."};

void toggle_flag(HWND dialog, int id, int16_t bit) {
  g_calc_options.flags = static_cast<int16_t>(g_calc_options.flags ^ bit);
  CheckDlgButton(dialog, id, (g_calc_options.flags & bit) ? BST_CHECKED : BST_UNCHECKED);
}

void init_dialog(HWND dialog) {
  SetWindowTextA(dialog, "Berechnungsoptionen");
  int summation = ID_SUMMATION_FIRST - 1 + g_calc_options.summation_mode;
  if (summation >= ID_SUMMATION_FIRST && summation <= ID_SUMMATION_LAST)
    CheckRadioButton(dialog, ID_SUMMATION_FIRST, ID_SUMMATION_LAST, summation);
  CheckDlgButton(dialog, ID_SHADOWING, (g_calc_options.flags & CALC_FLAG_SHADOWING) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, ID_FIRST_REFLECTION,
                 (g_calc_options.flags & CALC_FLAG_FIRST_REFLECTION) ? BST_CHECKED : BST_UNCHECKED);
  if (g_unit_feet != 0)
    for (int id = ID_GRID_FIRST; id <= ID_GRID_LAST; ++id) SetDlgItemTextA(dialog, id, FEET_LABELS[id - ID_GRID_FIRST]);
  int grid = ID_GRID_FIRST + g_calc_options.grid_spacing_index;
  if (grid >= ID_GRID_MINIMUM && grid <= ID_GRID_LAST) CheckRadioButton(dialog, ID_GRID_MINIMUM, ID_GRID_LAST, grid);
}

}  // namespace

// Every click changes the options at once, so "Abbruch" keeps what was
// clicked; only "Start" lets the calculation run.
INT_PTR CALLBACK opts_calc_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      init_dialog(dialog);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wparam);
      if (id >= ID_SUMMATION_FIRST && id <= ID_SUMMATION_LAST) {
        g_calc_options.summation_mode = static_cast<int16_t>(id - 100);
      } else if (id == ID_SHADOWING) {
        toggle_flag(dialog, id, CALC_FLAG_SHADOWING);
      } else if (id == ID_FIRST_REFLECTION) {
        toggle_flag(dialog, id, CALC_FLAG_FIRST_REFLECTION);
      } else if (id >= ID_GRID_MINIMUM && id <= ID_GRID_LAST) {
        g_calc_options.grid_spacing_index = static_cast<int16_t>(id - ID_GRID_FIRST);
      } else if (id == ID_START) {
        EndDialog(dialog, 1);
      } else if (id == ID_CANCEL || id == IDCANCEL) {
        EndDialog(dialog, 0);
      }
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

int opts_run_calc_dialog() {
  return win_run_dialog("DIALOG_10", win_main_window(), opts_calc_dialog_proc) == 1 ? 1 : 0;
}
