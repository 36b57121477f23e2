#include "acoustics/speaker_list.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "acoustics/face_table.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "acoustics/speaker_list_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/win_frame_win.h"
#include "project/project_file.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

constexpr int ID_ROWS = 101;
constexpr int ID_CLOSE = 104;
constexpr int ID_PRINT = 105;
constexpr int ID_PLACE_LABEL = 106;
constexpr int ID_ROW_POWER = 201;
constexpr int ID_ELECTRICAL = 301;
constexpr int ID_ACOUSTIC = 401;
constexpr int MAX_WIDTH = 600;
constexpr int MAX_HEIGHT = 254;
constexpr int ROW_CHARS = 96;
// Dialog units: the row number's column, and the least the type column gets.
constexpr int NUMBER_COLUMN_UNITS = 18;
constexpr int TYPE_COLUMN_UNITS = 36;

HWND g_list_dialog = nullptr;
int g_running = 0;
int g_print_requested = 0;
int g_current_row = 0;
INT g_tab_stops[2] = {NUMBER_COLUMN_UNITS, NUMBER_COLUMN_UNITS + TYPE_COLUMN_UNITS};

void set_number(HWND dialog, int id, const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  SetDlgItemTextA(dialog, id, text);
}

void show_row_power(HWND dialog, int row) {
  if (row < 0 || row >= g_spk_list_count) return;
  for (int b = 0; b < SPK_BANDS; ++b)
    set_number(dialog, ID_ROW_POWER + b, "%3.2f", spk_list_shown_power(*g_spk_list[row], b));
}

void show_totals(HWND dialog) {
  float electrical[SPK_BANDS], acoustic[SPK_BANDS];
  spk_list_power_totals(electrical, acoustic);
  for (int b = 0; b < SPK_BANDS; ++b) {
    set_number(dialog, ID_ELECTRICAL + b, "%5.2f", electrical[b]);
    set_number(dialog, ID_ACOUSTIC + b, "%5.2f", acoustic[b]);
  }
}

void put_row_text(HWND dialog, int row, bool replace) {
  char text[ROW_CHARS];
  spk_format_list_row(text, sizeof text, row);
  HWND list = GetDlgItem(dialog, ID_ROWS);
  if (replace) SendMessageA(list, LB_DELETESTRING, WPARAM(row), 0);
  SendMessageA(list, replace ? LB_INSERTSTRING : LB_ADDSTRING, replace ? WPARAM(row) : 0,
               reinterpret_cast<LPARAM>(text));
}

int list_selection(HWND dialog) {
  LRESULT row = SendDlgItemMessageA(dialog, ID_ROWS, LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? g_current_row : int(row);
}

// The list box takes tab stops in quarters of its font's average character
// width, which it measures over the alphabet.
int average_char_width(HDC dc) {
  static const char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size = {};
  GetTextExtentPoint32A(dc, ALPHABET, 52, &size);
  return std::max(1, (int(size.cx) / 26 + 1) / 2);
}

int text_width(HDC dc, const char* text, int length) {
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, length, &size);
  return int(size.cx);
}

// The label "Ort" over the place column, wherever that starts.
void move_place_label(HWND dialog, HWND list, int place_x) {
  HWND label = GetDlgItem(dialog, ID_PLACE_LABEL);
  if (!label) return;
  POINT origin = {0, 0};
  MapWindowPoints(list, dialog, &origin, 1);
  RECT r;
  GetWindowRect(label, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  SetWindowPos(label, nullptr, origin.x + place_x, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The type column as wide as the longest type name of the rows and one
// average character more, so that no type runs into its place; rows
// wider than the list can be scrolled to.
void fit_columns(HWND dialog) {
  HWND list = GetDlgItem(dialog, ID_ROWS);
  HDC dc = GetDC(list);
  HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  int average = average_char_width(dc);
  char text[ROW_CHARS];
  int widest_type = 0;
  for (int i = 0; i < g_spk_list_count; ++i) {
    spk_format_list_row(text, sizeof text, i);
    const char* type = std::strchr(text, '\t');
    if (!type) continue;
    ++type;
    const char* end = std::strchr(type, '\t');
    widest_type = std::max(widest_type, text_width(dc, type, int(end ? end - type : std::strlen(type))));
  }
  int type_units = ((widest_type + average) * 4 + average - 1) / average;
  g_tab_stops[0] = NUMBER_COLUMN_UNITS;
  g_tab_stops[1] = NUMBER_COLUMN_UNITS + std::max(TYPE_COLUMN_UNITS, type_units);
  SendMessageA(list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(g_tab_stops));
  INT pixels[2] = {MulDiv(g_tab_stops[0], average, 4), MulDiv(g_tab_stops[1], average, 4)};
  int widest_row = 0;
  for (int i = 0; i < g_spk_list_count; ++i) {
    spk_format_list_row(text, sizeof text, i);
    widest_row = std::max(widest_row, int(LOWORD(GetTabbedTextExtentA(dc, text, int(std::strlen(text)), 2, pixels))));
  }
  SendMessageA(list, LB_SETHORIZONTALEXTENT, WPARAM(widest_row + average), 0);
  SelectObject(dc, old_font);
  ReleaseDC(list, dc);
  InvalidateRect(list, nullptr, TRUE);
  move_place_label(dialog, list, pixels[1]);
}

void fill_rows(HWND dialog) {
  spk_sort_list();
  fit_columns(dialog);
  for (int i = 0; i < g_spk_list_count; ++i) {
    spk_update_band_power(*g_spk_list[i]);
    put_row_text(dialog, i, false);
  }
  g_current_row = 0;
  SendDlgItemMessageA(dialog, ID_ROWS, LB_SETCURSEL, 0, 0);
  show_totals(dialog);
  spk_set_list_selection(0, 1);
  show_row_power(dialog, 0);
}

void selection_changed(HWND dialog) {
  spk_set_list_selection(g_current_row, 0);
  g_current_row = list_selection(dialog);
  spk_set_list_selection(g_current_row, 1);
  show_row_power(dialog, g_current_row);
}

}  // namespace

void spk_list_after_type_change(HWND dialog, int row) {
  show_row_power(dialog, row);
  fit_columns(dialog);
  put_row_text(dialog, row, true);
}

void spk_list_tab_stops(int stops[2]) {
  stops[0] = g_tab_stops[0];
  stops[1] = g_tab_stops[1];
}

void spk_list_show_totals(HWND dialog) { show_totals(dialog); }
void spk_list_show_row_power(HWND dialog, int row) { show_row_power(dialog, row); }
int spk_list_current_row() { return g_current_row; }

namespace {

void close_list(HWND dialog) {
  SendDlgItemMessageA(dialog, ID_ROWS, LB_RESETCONTENT, 0, 0);
  DestroyWindow(dialog);
}

// Runs the main window's messages until the list is gone; it waits for
// them instead of polling.
void run_local_loop(HWND dialog) {
  g_running = 1;
  MSG message;
  while (g_running) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(int(message.wParam));  // the program's own loop ends too
      if (g_list_dialog) DestroyWindow(g_list_dialog);
      break;
    }
    if (g_list_dialog && IsDialogMessageA(g_list_dialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  (void)dialog;
}

// Printer page: text cells of one line between top and bottom.
void draw_cells(const SpkPrintCell* cells, int count, int top, int bottom) {
  for (int i = 0; i < count; ++i) {
    UINT flags = cells[i].align == SPK_CELL_RIGHT ? DT_RIGHT : cells[i].align == SPK_CELL_CENTRE ? DT_CENTER : DT_LEFT;
    gfx_draw_text(cells[i].left, top, cells[i].right, bottom, cells[i].text, flags | DT_SINGLELINE | DT_NOPREFIX);
  }
}

const char* project_file_name() {
  const char* name = g_project_path;
  for (const char* p = g_project_path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

void print_frame(int h, int w) {
  int right = spk_list_frame_right(w), left = SPK_LIST_MARGIN - w;
  int top = 8 * h - h / 2, under = 9 * h + 1 + h / 2, bottom = 8 * h + 45 * (h + 4) + h;
  gfx_draw_line(right, top, left, top);
  gfx_draw_line(right, under, left, under);
  gfx_move_to(right, top);
  gfx_line_to(right, bottom);
  gfx_line_to(left, bottom);
  gfx_line_to(left, top);
}

void print_totals_line(const char* label, const float totals[7], int wide, int y, int h, int w) {
  SpkPrintCell cells[SPK_LIST_MAX_CELLS];
  int n = spk_list_total_cells(label, totals, wide, w, cells);
  draw_cells(cells, n, y, y + h);
}

}  // namespace

// Marks the row's loudspeaker as selected (on) or not and redraws it.
void spk_set_list_selection(int row, int on) {
  if (!g_spk_list || row < 0 || row >= g_spk_list_count) return;
  DrawObject* o = g_spk_list[row]->object;
  if (!o) return;
  if (on)
    o->attributes |= OBJ_ATTR_SELECTED;
  else
    o->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
  input_update_cursor(0);
  render_objects(o, o, 0);
  input_update_cursor(1);
}

INT_PTR spk_list_common_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      g_list_dialog = dialog;
      fill_rows(dialog);
      return TRUE;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMaxSize.x = MAX_WIDTH;
      info->ptMaxSize.y = MAX_HEIGHT;
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case ID_ROWS:
          if (HIWORD(wparam) == LBN_SELCHANGE) selection_changed(dialog);
          return TRUE;
        case ID_PRINT:
          g_print_requested = 1;
          close_list(dialog);
          return TRUE;
        case ID_CLOSE:
        case IDOK:
        case IDCANCEL: close_list(dialog); return TRUE;
      }
      break;
    case WM_CLOSE:
      close_list(dialog);
      return TRUE;
    case WM_DESTROY:
      g_running = 0;
      g_list_dialog = nullptr;
      return TRUE;
  }
  return FALSE;
}

// The modeless list over the main window, which keeps working meanwhile;
// printing follows when the list was closed with "Drucken".
int spk_run_list_dialog(DLGPROC proc) {
  if (!spk_list_fill()) return 0;
  g_print_requested = 0;
  HWND dialog = win_open_dialog("SPKRLIST_DLG", win_main_window(), proc);
  if (!dialog) {
    spk_list_free();
    return 0;
  }
  run_local_loop(dialog);
  input_deselect_all();
  if (g_print_requested) {
    spk_print_list();
    g_print_requested = 0;
  }
  spk_list_free();
  return 1;
}

// The list on landscape pages: 44 rows a page under a page line and the
// column titles, then the electrical and acoustic totals.
void spk_print_list() {
  print_set_landscape(1);
  if (!print_dialog() || !print_start_job_gdi()) {
    print_end_job();
    return;
  }
  refl_build_face_table();
  int h, w;
  spk_list_char_size(print_caps().horz_res, &h, &w);
  gfx_set_text_style("Arial", h, w, 0, 0, 30, OPAQUE);
  SpkPrintCell cells[SPK_LIST_MAX_CELLS];
  int y = 10 * h;
  for (int row = 0; row < g_spk_list_count; ++row) {
    if (row % SPK_LIST_ROWS_PER_PAGE == 0) {
      if (row > 0) print_next_page();
      int n = spk_list_page_head_cells(spk_list_page_of_row(row), project_file_name(), w, cells);
      draw_cells(cells, n, 6 * h, 7 * h + 2);
      n = spk_list_title_cells(w, cells);
      draw_cells(cells, n, 8 * h, 9 * h + 1);
      print_frame(h, w);
    }
    y = spk_list_row_top(row, h);
    int n = spk_list_row_cells(row, w, cells);
    draw_cells(cells, n, y, y + h);
  }
  float electrical[SPK_BANDS], acoustic[SPK_BANDS];
  spk_list_power_totals(electrical, acoustic);
  y += 2 * (h + 4);
  print_totals_line("Leistungsaufnahme Total :", electrical, 1, y, h, w);
  y += h + 4;
  print_totals_line("Akustische Leistung Total :", acoustic, 0, y, h, w);
  gfx_reset_text_style();
  print_end_job();
}
