#include "design/speaker_dialog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "design/eq_dialog.h"
#include "design/eq_rule.h"
#include "design/speaker_dialog_win.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/units_win.h"
#include "framework/win_frame_win.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

enum : int {
  ID_TYPE_NAME = 101, ID_GROUP = 102, ID_NAME = 103, ID_X = 104, ID_H_ANGLE = 107, ID_DELAY = 111,
  ID_ON = 112, ID_OFF = 113, ID_GAIN = 114, ID_OK = 121, ID_CANCEL = 122, ID_CHOOSE_TYPE = 123,
  ID_EQ = 124, ID_PLUS = 130, ID_MINUS = 131, ID_POWER = 134, ID_TOTAL_POWER = 141, ID_TOTAL_GAIN = 143,
};
constexpr int NAME_CHARS = 10;
constexpr int READ_CHARS = 19;  // numeric fields are read from at most this many characters
constexpr double RADIANS_TO_DEGREES = 180.0 / 3.141592654;

// The dialog works on copies; only OK hands them to the caller, so Cancel
// leaves the loudspeaker (and the type-head buffer) exactly as they were.
struct InputDialog {
  PlacedSpeaker* caller;
  char* caller_type;
  PlacedSpeaker work;
  char type[SPK_TYPE_NAME_CHARS + 1];
  SpeakerHead head_before;
};
InputDialog g_dialog;

void set_number(HWND dialog, int id, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  SetDlgItemTextA(dialog, id, text);
}

void show_bands(HWND dialog) {
  const PlacedSpeaker& ps = g_dialog.work;
  for (int b = 0; b < SPK_BANDS; ++b) {
    set_number(dialog, ID_GAIN + b, "%3.1f", ps.eq_gain[b]);
    set_number(dialog, ID_POWER + b, "%3.2f", ps.band_power[b]);
  }
  double total_db, total_power;
  spk_dialog_totals(ps, &total_db, &total_power);
  set_number(dialog, ID_TOTAL_GAIN, "%3.2f", total_db);
  set_number(dialog, ID_TOTAL_POWER, "%3.2f", total_power);
}

void show_position(HWND dialog, int axis) {
  set_number(dialog, ID_X + axis, "%3.3f", units_to_display(g_dialog.work.position[axis], UNIT_LENGTH));
}

float* angle_field(PlacedSpeaker& ps, int i) {
  return i == 0 ? &ps.horizontal_angle : i == 1 ? &ps.vertical_angle : &ps.rotation_angle;
}

void show_angle(HWND dialog, int i) {
  set_number(dialog, ID_H_ANGLE + i, "%3.0f", *angle_field(g_dialog.work, i) * RADIANS_TO_DEGREES);
}

void open_dialog(HWND dialog) {
  const PlacedSpeaker& ps = g_dialog.work;
  SendDlgItemMessageA(dialog, ID_TYPE_NAME, EM_LIMITTEXT, SPK_TYPE_NAME_CHARS, 0);
  SendDlgItemMessageA(dialog, ID_GROUP, EM_LIMITTEXT, NAME_CHARS, 0);
  SendDlgItemMessageA(dialog, ID_NAME, EM_LIMITTEXT, NAME_CHARS, 0);
  SetDlgItemTextA(dialog, ID_TYPE_NAME, g_dialog.type);
  SetDlgItemTextA(dialog, ID_GROUP, ps.group);
  SetDlgItemTextA(dialog, ID_NAME, ps.name);
  for (int i = 0; i < 3; ++i) show_position(dialog, i);
  for (int i = 0; i < 3; ++i) show_angle(dialog, i);
  set_number(dialog, ID_DELAY, "%3.3f", ps.delay_ms);
  CheckRadioButton(dialog, ID_ON, ID_OFF, (ps.switched_on & 1) ? ID_ON : ID_OFF);
  CheckRadioButton(dialog, ID_PLUS, ID_MINUS, ps.polarity < 0 ? ID_MINUS : ID_PLUS);
  show_bands(dialog);
}

void choose_type(HWND dialog) {
  int chosen = 0;
  if (sdb_select_type(0, &chosen) != 1 || chosen < 0 || chosen >= g_sdb_index.count) return;
  std::memset(g_dialog.type, 0, sizeof g_dialog.type);
  std::memcpy(g_dialog.type, g_sdb_index.names[chosen], SPK_TYPE_NAME_CHARS);
  SetDlgItemTextA(dialog, ID_TYPE_NAME, g_dialog.type);
  spk_dialog_choose_type(g_dialog.work);
  show_bands(dialog);
}

void run_equaliser(HWND dialog) {
  double gains[SPK_BANDS];
  for (int b = 0; b < SPK_BANDS; ++b) gains[b] = g_dialog.work.eq_gain[b];
  if (!opts_run_band_dialog(gains, BAND_MODE_EQ)) return;
  if (!eq_accepts(gains)) {
    eq_report_overload();
    return;
  }
  for (int b = 0; b < SPK_BANDS; ++b) g_dialog.work.eq_gain[b] = static_cast<float>(gains[b]);
  spk_dialog_band_levels(&g_dialog.work);
  show_bands(dialog);
}

// Reads one numeric field; an entry that is no number is refused with the
// system's message, the field shows the old value again and keeps the focus.
bool read_number(HWND dialog, int id, float* value, void (*show_old)(HWND, int), int index) {
  char text[READ_CHARS + 1] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  if (units_read_entry(text, value)) return true;
  show_old(dialog, index);
  SetFocus(GetDlgItem(dialog, id));
  return false;
}

void show_delay(HWND dialog, int) { set_number(dialog, ID_DELAY, "%3.3f", g_dialog.work.delay_ms); }

void accept(HWND dialog) {
  char type[SPK_TYPE_NAME_CHARS + 1] = {};
  GetDlgItemTextA(dialog, ID_TYPE_NAME, type, sizeof type);
  if (!type[0]) {
    ui_message_box("LS-Typ fehlt !", nullptr, UI_MB_OK);
    return;
  }
  float position[3], angle[3], delay;
  for (int i = 0; i < 3; ++i)
    if (!read_number(dialog, ID_X + i, &position[i], show_position, i)) return;
  for (int i = 0; i < 3; ++i)
    if (!read_number(dialog, ID_H_ANGLE + i, &angle[i], show_angle, i)) return;
  if (!read_number(dialog, ID_DELAY, &delay, show_delay, 0)) return;

  PlacedSpeaker& ps = g_dialog.work;
  std::memcpy(g_dialog.type, type, sizeof type);
  GetDlgItemTextA(dialog, ID_GROUP, ps.group, NAME_CHARS + 1);
  GetDlgItemTextA(dialog, ID_NAME, ps.name, NAME_CHARS + 1);
  for (int i = 0; i < 3; ++i) ps.position[i] = static_cast<float>(units_from_entry(position[i], UNIT_LENGTH));
  for (int i = 0; i < 3; ++i) *angle_field(ps, i) = spk_degrees_to_radians(angle[i]);
  ps.delay_ms = delay;
  if (IsDlgButtonChecked(dialog, ID_ON) == BST_CHECKED)
    ps.switched_on |= 1;
  else
    ps.switched_on &= static_cast<uint16_t>(~1u);
  ps.polarity = IsDlgButtonChecked(dialog, ID_PLUS) == BST_CHECKED ? 1 : -1;
  // The gains as shown, to one decimal.
  for (int b = 0; b < SPK_BANDS; ++b) {
    char text[READ_CHARS + 1] = {};
    GetDlgItemTextA(dialog, ID_GAIN + b, text, sizeof text);
    units_scan_float(text, &ps.eq_gain[b]);
  }
  PlacedSpeaker* caller = g_dialog.caller;
  ps.object = caller->object;
  *caller = ps;
  std::memcpy(g_dialog.caller_type, g_dialog.type, sizeof g_dialog.type);
  EndDialog(dialog, 1);
}

void cancel(HWND dialog) {
  g_type_head = g_dialog.head_before;
  EndDialog(dialog, 0);
}

// A comma typed in a numeric field becomes a decimal point at once.
void fix_commas(HWND dialog) {
  static const int NUMERIC[] = {104, 105, 106, 107, 108, 109, 111, 114, 115, 116, 117, 118, 119, 120};
  for (int id : NUMERIC) units_fix_decimal_comma(dialog, id);
}

}  // namespace

INT_PTR CALLBACK spk_input_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      open_dialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case ID_CHOOSE_TYPE: choose_type(dialog); return TRUE;
        case ID_EQ: run_equaliser(dialog); return TRUE;
        case ID_OK:
        case IDOK: accept(dialog); return TRUE;
        case ID_CANCEL:
        case IDCANCEL: cancel(dialog); return TRUE;
      }
      break;
    case WM_CLOSE:
      cancel(dialog);
      return TRUE;
  }
  fix_commas(dialog);
  return FALSE;
}

// Shows and edits one placed loudspeaker and the caller's type-name buffer
// (8 characters + zero); 1 on OK, 0 on cancel.
int spk_run_input_dialog(PlacedSpeaker* ps, char* type_name) {
  if (!ps || !type_name) return 0;
  g_dialog.caller = ps;
  g_dialog.caller_type = type_name;
  g_dialog.work = *ps;
  std::memset(g_dialog.type, 0, sizeof g_dialog.type);
  std::strncpy(g_dialog.type, type_name, SPK_TYPE_NAME_CHARS);
  g_dialog.head_before = g_type_head;
  return win_run_dialog("DIALOG_9", GetActiveWindow(), spk_input_dialog_proc) == 1 ? 1 : 0;
}
