// The record selector bar (DIALOG_12) and the characteristics dialog
// (DIALOG_5, "Lautsprecher Kenndaten").
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/units_win.h"
#include "framework/win_frame_win.h"
#include "speaker_editor/balloon_data.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/record_table.h"
#include "speakers/speaker_codec.h"

namespace {

constexpr int ID_LIST = 101;
constexpr int ID_MANUFACTURER = 102;
constexpr int ID_PRINT = 103;
constexpr int ID_COPY = 104;

HWND g_selector = nullptr;
SpeakerHead g_head_copy;  // the characteristics dialog edits this copy

// ---- selector ----

void type_name_of_slot(int index, char out[9]) {
  std::memset(out, 0, 9);
  if (index < 0 || index >= g_spked_table.count) return;
  uint8_t head[SPK_HEAD_SIZE];
  std::memcpy(head, g_spked_table.images[index], sizeof head);
  if (sdb_decode_record_header(head)) std::memcpy(out, head + SPK_OFS_TYPE_NAME, 8);
}

void show_current(HWND bar) {
  SetDlgItemTextA(bar, ID_MANUFACTURER, g_spked_table.count > 0 ? g_spked_current.manufacturer : "");
  SendDlgItemMessageA(bar, ID_LIST, CB_SETCURSEL, g_spked_table.count > 0 ? WPARAM(g_spked_current_index) : WPARAM(-1), 0);
}

void rebuild(HWND bar) {
  SendDlgItemMessageA(bar, ID_LIST, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < g_spked_table.count; ++i) {
    char name[9];
    type_name_of_slot(i, name);
    SendDlgItemMessageA(bar, ID_LIST, CB_ADDSTRING, 0, LPARAM(name));
  }
  if (g_spked_current_index >= g_spked_table.count) g_spked_current_index = 0;
  if (g_spked_table.count > 0) spked_load_current(g_spked_current_index);
  show_current(bar);
}

void add_current(HWND bar) {
  char name[9];
  type_name_of_slot(g_spked_current_index, name);
  SendDlgItemMessageA(bar, ID_LIST, CB_ADDSTRING, 0, LPARAM(name));
  spked_load_current(g_spked_current_index);
  show_current(bar);
}

void replace_current(HWND bar) {
  char name[9];
  type_name_of_slot(g_spked_current_index, name);
  SendDlgItemMessageA(bar, ID_LIST, CB_DELETESTRING, WPARAM(g_spked_current_index), 0);
  SendDlgItemMessageA(bar, ID_LIST, CB_INSERTSTRING, WPARAM(g_spked_current_index), LPARAM(name));
  show_current(bar);
}

const char* const MSG_PRINT_FAILED = "Das Fenster konnte nicht gedruckt werden.";
const char* const MSG_COPY_FAILED = "Das Fenster konnte nicht in die Zwischenablage kopiert werden.";

// The open view (or the main window) as a bitmap on the chosen printer,
// the page turned to the window's shape.
void print_current_window() {
  if (print_window_on_page() == PRINT_FAILED) ui_message_box(MSG_PRINT_FAILED, "DRUCKEN", UI_MB_OK);
}

void selection_changed(HWND bar) {
  LRESULT index = SendDlgItemMessageA(bar, ID_LIST, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR || g_spked_table.count < 1) return;
  g_spked_current_index = int(index);
  spked_load_current(g_spked_current_index);
  show_current(bar);
  spked_repaint_view_window();
}

INT_PTR CALLBACK selector_proc(HWND bar, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      rebuild(bar);
      SetFocus(win_main_window());
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case SPKED_SELECTOR_ADD: add_current(bar); return TRUE;
        case SPKED_SELECTOR_REPLACE: replace_current(bar); return TRUE;
        case SPKED_SELECTOR_REBUILD: rebuild(bar); return TRUE;
        case ID_LIST:
          if (HIWORD(wparam) == CBN_SELCHANGE) selection_changed(bar);
          return TRUE;
        case ID_PRINT: print_current_window(); return TRUE;
        case ID_COPY:
          if (!print_copy_to_clipboard()) ui_message_box(MSG_COPY_FAILED, nullptr, UI_MB_OK);
          return TRUE;
      }
      break;
    case WM_SHOWWINDOW:
      if (wparam) show_current(bar);
      break;
  }
  return FALSE;
}

void notify_selector(int message) {
  if (g_selector) SendMessageA(g_selector, WM_COMMAND, WPARAM(message), 0);
}

// ---- characteristics ----

void set_text(HWND dialog, int id, const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  SetDlgItemTextA(dialog, id, text);
}

void copy_first_to_row(HWND dialog, int first_id) {
  char text[32];
  GetDlgItemTextA(dialog, first_id, text, sizeof text);
  for (int i = 1; i < SPK_BANDS; ++i) SetDlgItemTextA(dialog, first_id + i, text);
}

bool read_float(HWND dialog, int id, float& out) {
  char text[32];
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return std::sscanf(text, "%f", &out) == 1;
}

void show_efficiencies(HWND dialog, const char* format, bool from_edits) {
  for (int i = 0; i < SPK_BANDS; ++i) {
    float sensitivity = g_head_copy.sensitivity[i];
    if (from_edits) read_float(dialog, 501 + i, sensitivity);
    double q = spked_q_from_field(g_head_copy.q_factor[i]);
    set_text(dialog, 801 + i, format, spked_efficiency(sensitivity, q) * 100.0);
  }
}

void fill_characteristics(HWND dialog) {
  const SpeakerHead& h = g_head_copy;
  SendDlgItemMessageA(dialog, 101, EM_LIMITTEXT, 20, 0);
  SendDlgItemMessageA(dialog, 102, EM_LIMITTEXT, 8, 0);
  SendDlgItemMessageA(dialog, 901, EM_LIMITTEXT, 40, 0);
  SetDlgItemTextA(dialog, 101, h.manufacturer);
  SetDlgItemTextA(dialog, 102, h.type_name);
  SetDlgItemTextA(dialog, 901, h.description);
  for (int i = 0; i < 6; ++i) CheckDlgButton(dialog, 300 + i, (h.crossover_mask >> i) & 1 ? BST_CHECKED : BST_UNCHECKED);
  for (int i = 0; i < SPK_BANDS; ++i) {
    set_text(dialog, 401 + i, "%4.1f", h.rated_power[i]);
    set_text(dialog, 501 + i, "%3.1f", h.sensitivity[i]);
    char text[16];
    std::snprintf(text, sizeof text, "%3d", h.impedance[i]);
    SetDlgItemTextA(dialog, 601 + i, text);
    set_text(dialog, 701 + i, "%2.1f", h.q_factor[i] / 10.0);
  }
  show_efficiencies(dialog, "%2.1f", false);
}

void read_text(HWND dialog, int id, char* out, int limit) {
  char text[64];
  GetDlgItemTextA(dialog, id, text, sizeof text);
  text[limit] = '\0';
  std::memset(out, 0, size_t(limit) + 1);
  std::memcpy(out, text, std::strlen(text));
}

// Only a single loudspeaker's record is changed here.
bool accept_characteristics(HWND dialog) {
  SpeakerHead& h = g_head_copy;
  if (h.kind != 1) return false;
  read_text(dialog, 102, h.type_name, 8);
  read_text(dialog, 101, h.manufacturer, 20);
  read_text(dialog, 901, h.description, 40);
  h.crossover_mask = 0;
  for (int i = 0; i < 6; ++i)
    if (IsDlgButtonChecked(dialog, 300 + i) == BST_CHECKED) h.crossover_mask |= uint16_t(1u << i);
  for (int i = 0; i < SPK_BANDS; ++i) {
    read_float(dialog, 501 + i, h.sensitivity[i]);
    read_float(dialog, 401 + i, h.rated_power[i]);
    char text[32];
    GetDlgItemTextA(dialog, 601 + i, text, sizeof text);
    int impedance;
    if (std::sscanf(text, "%d", &impedance) == 1) h.impedance[i] = int16_t(impedance);
    GetDlgItemTextA(dialog, 801 + i, text, sizeof text);
    h.efficiency[i] = spked_percent_text_field(text, h.efficiency[i]);
  }
  return true;
}

INT_PTR CALLBACK characteristics_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      fill_characteristics(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case 1001: copy_first_to_row(dialog, 401); return TRUE;
        case 1002: copy_first_to_row(dialog, 501); return TRUE;
        case 1003: copy_first_to_row(dialog, 601); return TRUE;
        case 1004: show_efficiencies(dialog, "%3.1f", true); return TRUE;
        case 2001:
        case IDOK:
          if (accept_characteristics(dialog)) EndDialog(dialog, 1);
          return TRUE;
        case 2002:
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    default:
      for (int i = 0; i < SPK_BANDS; ++i) {
        units_fix_decimal_comma(dialog, 401 + i);
        units_fix_decimal_comma(dialog, 501 + i);
      }
      return FALSE;
  }
}

}  // namespace

bool spked_create_record_selector() {
  if (g_selector) return true;
  g_spked_current_index = 0;
  spked_selector_hook = notify_selector;
  g_selector = win_open_dialog("DIALOG_12", win_main_window(), selector_proc);
  return g_selector != nullptr;
}

void spked_destroy_record_selector() {
  spked_selector_hook = nullptr;
  if (g_selector) DestroyWindow(g_selector);
  g_selector = nullptr;
}

HWND spked_record_selector() { return g_selector; }

// The dialog works on a copy of the head; OK copies it back.
int spked_show_characteristics_dialog() {
  g_head_copy = g_spked_current;
  INT_PTR result = win_run_dialog("DIALOG_5", win_main_window(), characteristics_proc);
  if (result == 1) static_cast<SpeakerHead&>(g_spked_current) = g_head_copy;
  return int(result);
}
