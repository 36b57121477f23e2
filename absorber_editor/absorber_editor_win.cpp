#include "absorber_editor/absorber_editor_win.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "absorber_editor/absorber_db.h"
#include "framework/filesel_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"
#include "framework/units_win.h"
#include "framework/win_frame_win.h"

namespace {

enum : int {
  CMD_NEW = 101, CMD_OPEN = 102, CMD_SAVE_AS = 103, CMD_PRINT = 104, CMD_EXIT = 105,
  CMD_NEW_RECORD = 201, CMD_DELETE_RECORD = 202, CMD_EDIT_RECORD = 203,
  CMD_SORT_CATEGORY = 301, CMD_SORT_NAME = 302,
  ID_LIST = 101, ID_NAME = 102, ID_CATEGORY = 103, ID_DESCRIPTION = 104, ID_FIRST_COEFF = 105,
  ID_LAST_COEFF = 111, ID_OK = 112, ID_CANCEL = 113,
  PANEL_EDIT = 10001, PANEL_NEW = 10002, PANEL_DELETE = 10003,
};
enum PanelMode { MODE_BROWSE = 0, MODE_EDIT = 1, MODE_NEW = 2, MODE_DELETE = 3 };

HWND g_panel = nullptr;
PanelMode g_mode = MODE_BROWSE;
int g_current = 0;

void set_title(const char* path) { SetWindowTextA(win_main_window(), absed_title(path).c_str()); }

// Directory + file title of the dialog's choice with ".OAB" made sure.
bool chosen_path(char* path, size_t size) {
  int written = std::snprintf(path, size, "%s%s", filedlg_directory(), filedlg_file_title());
  if (written < 0 || static_cast<size_t>(written) >= size) return false;
  return absed_ensure_extension(path, size);
}

void enable_menus(bool enable) {
  HMENU menu = GetMenu(win_main_window());
  for (int position = 0; position < 3; ++position)
    EnableMenuItem(menu, position, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(win_main_window());
}

void set_fields_writable(bool writable) {
  for (int id = ID_NAME; id <= ID_LAST_COEFF; ++id)
    SendDlgItemMessageA(g_panel, id, EM_SETREADONLY, writable ? FALSE : TRUE, 0);
}

void show_buttons(bool show) {
  ShowWindow(GetDlgItem(g_panel, ID_OK), show ? SW_SHOW : SW_HIDE);
  ShowWindow(GetDlgItem(g_panel, ID_CANCEL), show ? SW_SHOW : SW_HIDE);
}

// An empty table shows no record's values: those of one opened or deleted
// before would pass for data.
void clear_fields() {
  for (int id : {ID_NAME, ID_DESCRIPTION, ID_CATEGORY}) SetDlgItemTextA(g_panel, id, "");
  for (int id = ID_FIRST_COEFF; id <= ID_LAST_COEFF; ++id) SetDlgItemTextA(g_panel, id, "1.00");
}

void show_selection() {
  int row = int(SendDlgItemMessageA(g_panel, ID_LIST, LB_GETCURSEL, 0, 0));
  if (row < 0 || row >= g_absed_table.count) {
    if (g_absed_table.count <= 0) clear_fields();
    return;
  }
  g_current = row;
  const MaterialRecord& record = g_absed_table.records[row];
  SetDlgItemTextA(g_panel, ID_NAME, record.name);
  SetDlgItemTextA(g_panel, ID_DESCRIPTION, record.description);
  SetDlgItemTextA(g_panel, ID_CATEGORY, record.category);
  for (int band = 0; band < MATERIAL_BANDS; ++band) {
    char text[32];
    std::snprintf(text, sizeof text, "%1.2f", double(record.absorption[band]));
    SetDlgItemTextA(g_panel, ID_FIRST_COEFF + band, text);
  }
}

void refresh_panel() {
  g_mode = MODE_BROWSE;
  show_buttons(false);
  SendDlgItemMessageA(g_panel, ID_LIST, LB_RESETCONTENT, 0, 0);
  for (int k = 0; k < g_absed_table.count; ++k)
    SendDlgItemMessageA(g_panel, ID_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_absed_table.records[k].name));
  if (g_absed_table.count > 0) SendDlgItemMessageA(g_panel, ID_LIST, LB_SETCURSEL, 0, 0);
  for (int id = ID_FIRST_COEFF; id <= ID_LAST_COEFF; ++id) SetDlgItemTextA(g_panel, id, "1.00");
  set_fields_writable(false);
  g_current = 0;
  show_selection();
}

void enter_mode(PanelMode mode, const char* title) {
  // Edit and delete need a record; an empty table offers only new ones.
  if (mode != MODE_NEW && g_absed_table.count == 0) return;
  g_mode = mode;
  SetWindowTextA(g_panel, title);
  set_fields_writable(mode != MODE_DELETE);
  enable_menus(false);
  show_buttons(true);
  if (mode == MODE_NEW) {
    SetDlgItemTextA(g_panel, ID_NAME, "NEU");
    SetFocus(GetDlgItem(g_panel, ID_NAME));
  }
}

void leave_mode() {
  g_mode = MODE_BROWSE;
  show_buttons(false);
  SetWindowTextA(g_panel, "");
  enable_menus(true);
}

std::string field_text(int id) {
  char text[128] = {};
  GetDlgItemTextA(g_panel, id, text, sizeof text);
  return text;
}

// OK in the new and edit modes: false (mode kept) when a coefficient is refused.
bool store_fields() {
  float coefficients[MATERIAL_BANDS];
  for (int band = 0; band < MATERIAL_BANDS; ++band) {
    char text[8] = {};
    GetDlgItemTextA(g_panel, ID_FIRST_COEFF + band, text, 5);  // at most four characters count
    if (!absed_parse_coefficient(text, &coefficients[band])) {
      ui_message_box_over(g_panel, ABSED_MSG_BAD_COEFFICIENT, nullptr, UI_MB_OK);
      return false;
    }
  }
  int index = g_mode == MODE_NEW ? g_absed_table.count : g_current;
  if (!absed_store_record(index, field_text(ID_NAME).c_str(), field_text(ID_DESCRIPTION).c_str(),
                          field_text(ID_CATEGORY).c_str(), coefficients)) {
    ui_message_box_over(g_panel, ABSED_MSG_CAPACITY, nullptr, UI_MB_OK);
    return false;
  }
  const char* name = g_absed_table.records[index].name;
  if (g_mode == MODE_EDIT) SendDlgItemMessageA(g_panel, ID_LIST, LB_DELETESTRING, index, 0);
  SendDlgItemMessageA(g_panel, ID_LIST, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(name));
  SendDlgItemMessageA(g_panel, ID_LIST, LB_SETCURSEL, index, 0);
  g_current = index;
  set_fields_writable(false);
  return true;
}

void delete_current() {
  int next = absed_delete_record(g_current);
  if (next == -2) return;
  SendDlgItemMessageA(g_panel, ID_LIST, LB_DELETESTRING, g_current, 0);
  g_current = next < 0 ? 0 : next;
  if (next >= 0) SendDlgItemMessageA(g_panel, ID_LIST, LB_SETCURSEL, next, 0);
  show_selection();
}

void panel_ok() {
  if (g_mode == MODE_DELETE) {
    delete_current();
  } else if (g_mode == MODE_EDIT || g_mode == MODE_NEW) {
    if (!store_fields()) return;
  }
  leave_mode();
}

// A text wider than its cell is drawn in smaller letters (printer drivers
// may keep a font's own widths, so height and width shrink together) to
// end half a character inside the cell: whole, not cut at the next column.
// True when it shrank.
bool shrink_to_fit(const char* text, int room) {
  const TextStyle full = g_text_style;
  const int target = room - full.width / 2;
  int wide = gfx_text_width(text);
  if (wide <= room || target <= 0 || full.width <= 0 || full.height <= 0) return false;
  for (int tries = 0; tries < 8 && wide > target; ++tries) {
    const double factor = double(target) / wide;
    g_text_style.width = std::max(1, int(g_text_style.width * factor));
    g_text_style.height = std::max(1, int(g_text_style.height * factor));
    wide = gfx_text_width(text);
  }
  return true;
}

void draw_cells(const std::vector<AbsedPrintCell>& cells) {
  const TextStyle style = g_text_style;
  for (const AbsedPrintCell& cell : cells) {
    UINT flags = cell.align == AbsedAlign::right ? DT_RIGHT : cell.align == AbsedAlign::centre ? DT_CENTER : DT_LEFT;
    if (shrink_to_fit(cell.text.c_str(), cell.right - cell.left)) flags |= DT_BOTTOM;  // on the row's baseline
    gfx_draw_text(cell.left, cell.top, cell.right, cell.bottom, cell.text.c_str(), flags | DT_SINGLELINE | DT_NOPREFIX);
    g_text_style = style;
  }
}

void print_page_header(int a, int b, int page) {
  const int width = print_caps().horz_res, height = print_caps().vert_res;
  draw_cells(absed_print_header_cells(a, b, page, width));
  const int h = a / 2, top = 2 * a - h;
  gfx_draw_line(0, top, width, top);
  gfx_draw_line(0, 3 * a + 1 + h, width, 3 * a + 1 + h);
  gfx_move_to(width - 1, top);
  gfx_line_to(width - 1, height - 1);
  gfx_line_to(1, height - 1);
  gfx_line_to(1, top);
}

void select_row(int row) {
  if (!g_panel || g_mode != MODE_BROWSE) return;
  SendDlgItemMessageA(g_panel, ID_LIST, LB_SETCURSEL, row, 0);
  show_selection();
}

// A file may hold coefficients outside 0...1: the first such record is
// shown, and all of them are named, so that they can be corrected.
void show_out_of_range_records() {
  const std::vector<int> records = absed_records_out_of_range();
  if (records.empty()) return;
  select_row(records.front());
  ui_message_box(absed_out_of_range_message(records, false).c_str(), nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
}

void sort_and_refresh(void (*sort)()) {
  sort();
  absed_show_record_dialog();
}

void new_database() {
  if (!absed_confirm_discard()) return;
  absed_new_database();
  g_absed_modified = false;
  set_title("");
  absed_show_record_dialog();
}

bool on_command(int id) {
  switch (id) {
    case CMD_NEW: new_database(); return true;
    case CMD_OPEN: absed_open_database(); return true;
    case CMD_SAVE_AS: absed_save_database_as(); return true;
    case CMD_PRINT: absed_print_database(); return true;
    case CMD_EXIT:
      if (absed_confirm_discard()) DestroyWindow(win_main_window());
      return true;
    case CMD_NEW_RECORD:
      if (g_absed_table.count >= MAX_MATERIALS)
        ui_message_box(ABSED_MSG_CAPACITY, nullptr, UI_MB_OK);
      else if (g_panel)
        SendMessageA(g_panel, WM_COMMAND, PANEL_NEW, 0);
      return true;
    case CMD_DELETE_RECORD:
      if (g_panel) SendMessageA(g_panel, WM_COMMAND, PANEL_DELETE, 0);
      return true;
    case CMD_EDIT_RECORD:
      if (g_panel) SendMessageA(g_panel, WM_COMMAND, PANEL_EDIT, 0);
      return true;
    case CMD_SORT_CATEGORY: sort_and_refresh(absed_sort_by_category); return true;
    case CMD_SORT_NAME: sort_and_refresh(absed_sort_by_name); return true;
    default: return false;
  }
}

}  // namespace

HWND absed_record_dialog() { return g_panel; }

bool absed_confirm_discard() {
  if (!g_absed_modified) return true;
  return ui_message_box("Datenbank wurde noch nicht gesichert", "Warnung", UI_MB_OKCANCEL) == UI_IDOK;
}

void absed_open_database_path(const char* path) {
  switch (absed_open_file(path)) {
    case AbsedOpen::cannot_open:
      ui_message_box("Die Datei kann nicht geöffnet werden.", nullptr, UI_MB_OK);
      return;
    case AbsedOpen::rejected:
      ui_message_box(ABSED_MSG_BAD_DATABASE, nullptr, UI_MB_OK);
      return;
    case AbsedOpen::cut:
      ui_message_box(ABSED_MSG_CUT, nullptr, UI_MB_OK);
      break;
    case AbsedOpen::opened:
      break;
  }
  g_absed_modified = false;
  set_title(g_absed_file_name);
  absed_show_record_dialog();
  show_out_of_range_records();
}

void absed_open_database() {
  if (!absed_confirm_discard()) return;
  if (!filedlg_open(ABSORBER_DB_FILTER, nullptr)) return;
  char path[MAX_PATH + 8];
  if (!chosen_path(path, sizeof path)) return;
  absed_open_database_path(path);
}

void absed_save_database_as() {
  const std::vector<int> out_of_range = absed_records_out_of_range();
  if (!out_of_range.empty()) {
    select_row(out_of_range.front());
    ui_message_box(absed_out_of_range_message(out_of_range, true).c_str(), nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
    return;
  }
  char filter[64];
  std::snprintf(filter, sizeof filter, "%s", ABSORBER_DB_FILTER);
  if (!filedlg_save(filter, g_absed_file_name[0] ? g_absed_file_name : nullptr)) return;
  char path[MAX_PATH + 8];
  if (!chosen_path(path, sizeof path) || !absed_save_file(path)) {
    ui_message_box(ABSED_MSG_SAVE_FAILED, nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
    return;
  }
  set_title(g_absed_file_name);
}

void absed_print_database() {
  print_set_landscape(1);
  if (!print_dialog() || !print_start_job_gdi()) {
    print_end_job();
    return;
  }
  int a, b;
  absed_print_char_size(print_caps().horz_res, &a, &b);
  gfx_set_text_style("Arial", a, b, 0, 0, 30, OPAQUE);
  print_page_header(a, b, 1);
  for (int k = 0; k < g_absed_table.count; ++k) {
    if (k > 0 && k % ABSED_ROWS_PER_PAGE == 0) {
      print_next_page();
      print_page_header(a, b, k / ABSED_ROWS_PER_PAGE + 1);
    }
    draw_cells(absed_print_row_cells(k, g_absed_table.records[k], absed_print_row_y(k, a), a, b));
  }
  gfx_reset_text_style();
  if (!print_end_job()) ui_message_box("Der Druck ist fehlgeschlagen.", nullptr, UI_MB_OK);
}

void absed_show_record_dialog() {
  if (g_panel) {
    SendMessageA(g_panel, WM_INITDIALOG, 0, 0);
    return;
  }
  g_panel = win_open_dialog("MATERIAL_BASE_DLG", win_main_window(), absed_record_dlg_proc);
}

void absed_destroy_record_dialog() {
  if (g_panel) DestroyWindow(g_panel);
  g_panel = nullptr;
}

INT_PTR CALLBACK absed_record_dlg_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    g_panel = dialog;
    refresh_panel();
    return TRUE;
  }
  if (message != WM_COMMAND) {
    if (message != WM_DESTROY && g_panel && g_mode != MODE_BROWSE)
      for (int id = ID_FIRST_COEFF; id <= ID_LAST_COEFF; ++id) units_fix_decimal_comma(dialog, id);
    return FALSE;
  }
  const int id = LOWORD(wparam);
  switch (id) {
    case ID_LIST:
      if (HIWORD(wparam) == LBN_SELCHANGE && g_mode == MODE_BROWSE) show_selection();
      return TRUE;
    case PANEL_EDIT: enter_mode(MODE_EDIT, "Datensatz ändern"); return TRUE;
    case PANEL_NEW: enter_mode(MODE_NEW, "Neuer Datensatz"); return TRUE;
    case PANEL_DELETE: enter_mode(MODE_DELETE, "Datensatz löschen"); return TRUE;
    case ID_OK: panel_ok(); return TRUE;
    case ID_CANCEL: leave_mode(); return TRUE;
    default: return FALSE;
  }
}

LRESULT CALLBACK absed_main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT:
      if (IsIconic(window)) {
        ValidateRect(window, nullptr);
        win_draw_icon(0, 0, "ICON_1");
      } else {
        ShowScrollBar(window, SB_BOTH, FALSE);
        ValidateRect(window, nullptr);
      }
      return 0;
    case WM_CLOSE:
      if (absed_confirm_discard()) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      absed_destroy_record_dialog();
      win_shutdown();
      return 0;
    case WM_COMMAND:
      if (on_command(LOWORD(wparam))) return 0;
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

bool absed_start(HINSTANCE instance) {
  win_set_title_text(ABSED_TITLE_TEXT);
  if (!win_init(instance, "OAB", absed_main_window_proc)) return false;
  ui_set_program_caption(ABSED_TITLE_TEXT);
  absed_new_database();
  g_absed_modified = false;
  win_draw_bitmap_centred("OABBMP290", 1);  // 1: copied as it stands
  absed_show_record_dialog();
  return true;
}

int absed_win_main(HINSTANCE instance) {
  if (!absed_start(instance)) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (g_panel && IsDialogMessageA(g_panel, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  win_unregister_classes();
  return 0;
}
