#include "design/eq_dialog.h"

#include <windows.h>

#include "design/eq_dialog_win.h"
#include "design/eq_rule.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int ID_UNIT = 301;
constexpr int ID_SUMMARY_LABEL = 302;
constexpr int ID_OK = 401;
constexpr int ID_CANCEL = 402;
constexpr int FIELD_OF_SLIDER = 100;  // field id = slider id - 100
constexpr int SLIDER_RANGE = 100;
constexpr double NO_CHANGE = -1e9;

// The dialog is modal: one caller's array and one working state at a time.
double* g_caller_values = nullptr;
int g_mode = BAND_MODE_EQ;
BandDialogState g_state;

void show_changes(HWND dialog) {
  for (int i = 0; i < BAND_VALUES; ++i) {
    if (!(g_state.changed & (1u << i))) continue;
    int slider = BAND_SLIDER_FIRST + i;
    SetScrollPos(GetDlgItem(dialog, slider), SB_CTL, g_state.position[i], TRUE);
    SetDlgItemTextA(dialog, slider - FIELD_OF_SLIDER, g_state.text[i]);
  }
  SetDlgItemTextA(dialog, BAND_FIELD_SUMMARY, g_state.summary);
  g_state.changed = 0;
}

void open_dialog(HWND dialog) {
  for (int i = 0; i < BAND_VALUES; ++i)
    SetScrollRange(GetDlgItem(dialog, BAND_SLIDER_FIRST + i), SB_CTL, 0, SLIDER_RANGE, FALSE);
  bool rt = g_mode == BAND_MODE_RT;
  SetWindowTextA(dialog, rt ? "RT 60" : "Equalizer");
  SetDlgItemTextA(dialog, ID_UNIT, rt ? " s" : "dB");
  SetDlgItemTextA(dialog, ID_SUMMARY_LABEL, rt ? "mean" : "total");
  opts_band_state_open(g_state, g_caller_values, g_mode);
  show_changes(dialog);
}

void scroll(HWND dialog, HWND slider, int action, int thumb) {
  int id = GetDlgCtrlID(slider);
  int old_position = GetScrollPos(slider, SB_CTL);
  double value = opts_band_scroll_value(g_state, id, action, old_position, thumb);
  if (value != NO_CHANGE) opts_band_dialog_update(dialog, id, value);
}

void accept(HWND dialog) {
  for (int b = 0; b < EQ_BANDS; ++b) g_caller_values[b] = g_state.value[b];
  EndDialog(dialog, 1);
}

}  // namespace

// One change of a slider: the working values, their sliders and fields.
void opts_band_dialog_update(HWND dialog, int slider_id, double value) {
  opts_band_state_update(g_state, slider_id, value);
  show_changes(dialog);
}

INT_PTR CALLBACK opts_band_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      open_dialog(dialog);
      return TRUE;
    case WM_VSCROLL:
      if (lparam) scroll(dialog, reinterpret_cast<HWND>(lparam), LOWORD(wparam), static_cast<short>(HIWORD(wparam)));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case ID_OK:
        case IDOK:
          accept(dialog);
          return TRUE;
        case ID_CANCEL:
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

// Edits seven band values (equaliser gains in dB or reverberation times in
// s); the array is overwritten only on OK (1). 0 on cancel.
int opts_run_band_dialog(double values[7], int mode) {
  g_caller_values = values;
  g_mode = mode == BAND_MODE_RT ? BAND_MODE_RT : BAND_MODE_EQ;
  INT_PTR result = win_run_dialog("EQ_DLG", GetActiveWindow(), opts_band_dialog_proc);
  g_caller_values = nullptr;
  return result == 1 ? 1 : 0;
}
