#include <windows.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/units_win.h"
#include "framework/win_frame_win.h"

// The dialogs keep their arguments here while they run.
namespace {

struct LineArgs {
  const char* caption;
  char* buffer;
  int max_length;
  int fix_comma;
} g_line;

struct PointArgs {
  const char* caption;
  double* value[3];
} g_point;

struct PolarArgs {
  double distance, angle;
} g_polar;

struct TextArgs {
  float* height;
  float* angle;
  char* text;
  int max_length;
} g_text;

// Shows a dialog of the resources; a dialog that cannot be created is
// reported and counts as cancelled.
int run_dialog(const char* name, HWND owner, DLGPROC procedure) {
  return win_run_dialog(name, owner, procedure) == 1 ? 1 : 0;
}

bool is_close(UINT message, WPARAM wparam) {
  return (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_CLOSE) ||
         (message == WM_COMMAND && LOWORD(wparam) == IDCANCEL);
}

// Reads at most limit - 1 characters of each edit as a number. An entry that
// is no number is refused with the system's message: false, and the dialog
// stays open with what it shows.
bool read_numbers(HWND dialog, std::initializer_list<int> ids, int limit, float* out) {
  for (int id : ids) {
    char text[64] = "";
    GetDlgItemTextA(dialog, id, text, limit < 64 ? limit : 64);
    units_fix_decimal_comma(text);
    if (!units_scan_float(text, out++)) {
      ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK);
      SetFocus(GetDlgItem(dialog, id));
      return false;
    }
  }
  return true;
}

void show_number(HWND dialog, int id, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  SetDlgItemTextA(dialog, id, text);
}

INT_PTR CALLBACK line_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetWindowTextA(dialog, g_line.caption);
    SetDlgItemTextA(dialog, 105, g_line.buffer);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == 102) {
    GetDlgItemTextA(dialog, 105, g_line.buffer, g_line.max_length);
    EndDialog(dialog, 1);
    return TRUE;
  }
  if (is_close(message, wparam) || (message == WM_COMMAND && LOWORD(wparam) == 103)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  if (g_line.fix_comma) units_fix_decimal_comma(dialog, 105);
  return FALSE;
}

INT_PTR CALLBACK point_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetWindowTextA(dialog, g_point.caption);
    const char* format = g_unit_feet ? "%0.2f" : "%0.3f";
    for (int i = 0; i < 3; ++i) show_number(dialog, 104 + i, format, units_to_display(*g_point.value[i], UNIT_LENGTH));
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == 102) {
    float typed[3];
    if (!read_numbers(dialog, {104, 105, 106}, 15, typed)) return TRUE;
    for (int i = 0; i < 3; ++i) *g_point.value[i] = units_from_entry(typed[i], UNIT_LENGTH);
    EndDialog(dialog, 1);
    return TRUE;
  }
  if (is_close(message, wparam) || (message == WM_COMMAND && LOWORD(wparam) == 103)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  for (int id = 104; id <= 106; ++id) units_fix_decimal_comma(dialog, id);
  return FALSE;
}

INT_PTR CALLBACK polar_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, 101, "0");
    SetDlgItemTextA(dialog, 102, "0");
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == 103) {
    float typed[2];
    if (!read_numbers(dialog, {101, 102}, 64, typed)) return TRUE;
    g_polar.distance = std::fabs(units_from_entry(typed[0], UNIT_LENGTH));
    g_polar.angle = dlg_polar_angle_radians(typed[1]);
    EndDialog(dialog, 1);
    return TRUE;
  }
  if (is_close(message, wparam) || (message == WM_COMMAND && LOWORD(wparam) == 104)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  units_fix_decimal_comma(dialog, 101);
  units_fix_decimal_comma(dialog, 102);
  return FALSE;
}

INT_PTR CALLBACK text_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    show_number(dialog, 104, "%3.2f", units_to_display(*g_text.height, UNIT_LENGTH));
    show_number(dialog, 105, "%3.2f", *g_text.angle);
    SetDlgItemTextA(dialog, 106, g_text.text);
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wparam) == 102) {
    float height = 0, angle = 0;
    if (!read_numbers(dialog, {104}, 21, &height) || !read_numbers(dialog, {105}, 64, &angle)) return TRUE;
    *g_text.height = static_cast<float>(units_from_entry(height, UNIT_LENGTH));
    *g_text.angle = angle;
    GetDlgItemTextA(dialog, 106, g_text.text, g_text.max_length);
    EndDialog(dialog, g_text.text[0] != 0 ? 1 : 0);
    return TRUE;
  }
  if (is_close(message, wparam) || (message == WM_COMMAND && LOWORD(wparam) == 103)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  units_fix_decimal_comma(dialog, 104);
  units_fix_decimal_comma(dialog, 105);
  return FALSE;
}

}  // namespace

// One line of text, read into buffer (at most max_length - 1 characters);
// with fix_comma the decimal comma of the entry becomes a point.
int dlg_input_line(const char* caption, char* buffer, int max_length, int fix_comma) {
  if (!buffer || max_length < 1) return 0;
  g_line = {caption ? caption : "", buffer, max_length, fix_comma};
  return run_dialog("DIALOG_3", win_main_window(), line_proc);
}

// A point in metres (shown and typed in feet when the unit flag says so).
int dlg_point_absolute(double& x, double& y, double& z, const char* caption) {
  g_point = {caption ? caption : "", {&x, &y, &z}};
  return run_dialog("DIALOG_1", win_main_window(), point_proc);
}

// A polar offset: distance (taken as its absolute value) and angle, typed in
// degrees, returned in radians.
int dlg_point_polar(double& distance, double& angle) {
  g_polar = {0.0, 0.0};
  if (!run_dialog("DIALOG_2", GetActiveWindow(), polar_proc)) return 0;
  distance = g_polar.distance;
  angle = g_polar.angle;
  return 1;
}

// Text with its height and angle; OK with an empty text counts as cancel.
int dlg_text(float& height, float& angle, char* text, int max_length) {
  if (!text || max_length < 1) return 0;
  g_text = {&height, &angle, text, max_length};
  return run_dialog("DIALOG_6", win_main_window(), text_proc);
}
