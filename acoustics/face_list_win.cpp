#include "acoustics/face_list_win.h"

#include <cstdio>
#include <string>

#include "acoustics/face_list.h"
#include "acoustics/face_table.h"
#include "cad/edit_cmds.h"
#include "cad/face_pick.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

namespace {

constexpr uint32_t MARKER_COLOUR = 22;
constexpr int MAX_WIDTH = 580, MAX_HEIGHT = 254;
constexpr int BACKGROUND_COLOUR = 30;

HWND g_dialog = nullptr;
bool g_running = false;
bool g_print_requested = false;
int g_current = -1;
DrawObject* g_marker = nullptr;

void set_text(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

void show_block(HWND dialog, int first_id, int area_id, int share_id, const FaceBlockTexts& t) {
  for (int b = 0; b < FACE_LIST_BANDS; ++b) set_text(dialog, first_id + b, t.band[b]);
  set_text(dialog, area_id, t.area);
  if (share_id) set_text(dialog, share_id, t.share);
}

void free_marker() {
  if (!g_marker) return;
  obj_free(g_marker);
  g_marker = nullptr;
}

void show_pick(int entry) {
  bool on = entry >= 0 && entry < g_face_count;
  g_render_refs.first_pick_object = on ? g_face_table[entry].owner : nullptr;
  g_render_refs.first_pick_element = on ? int(g_face_table[entry].polygon_start - g_face_table[entry].owner->elements) : -1;
  g_render_refs.face_pick_count = on ? 2 : 0;
}

void fill_list(HWND dialog) {
  HWND list = GetDlgItem(dialog, FACELIST_ID_LIST);
  const INT tabs[2] = {18, 54};
  SendMessageA(list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(tabs));
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  char row[96];
  for (int i = 0; i < g_face_count; ++i) {
    mat_format_face_row(row, sizeof row, i);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
  }
  SendMessageA(list, LB_SETCURSEL, 0, 0);
}

void close_dialog(HWND dialog) {
  SendDlgItemMessageA(dialog, FACELIST_ID_LIST, LB_RESETCONTENT, 0, 0);
  DestroyWindow(dialog);
}

void on_init(HWND dialog) {
  g_dialog = dialog;
  mat_sort_face_table();
  fill_list(dialog);
  mat_face_list_show_room(dialog);
  g_current = -1;
  mat_face_list_show_selection(dialog);
}

// Every message goes to the dialog first; a left press on the drawing is
// dropped so that nothing of the drawing reacts while the list is open.
void run_loop() {
  MSG msg;
  while (g_running) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(int(msg.wParam));
      break;
    }
    if (got < 0) break;
    if (g_dialog && IsDialogMessageA(g_dialog, &msg)) continue;
    if (msg.message == WM_LBUTTONDOWN && msg.hwnd == win_drawing_window()) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace

int mat_face_list_current() { return g_current; }

void mat_face_list_show_room(HWND dialog) {
  FaceBlockTexts room = mat_room_texts();
  show_block(dialog, 401, 501, 0, room);
}

void mat_face_list_show_selection(HWND dialog) {
  int selected = int(SendDlgItemMessageA(dialog, FACELIST_ID_LIST, LB_GETCURSEL, 0, 0));
  if (selected < 0 || selected >= g_face_count) return;
  if (g_current >= 0 && g_current != selected) mat_highlight_face(g_current, 0);
  if (g_current != selected) mat_highlight_face(selected, 1);
  g_current = selected;
  show_block(dialog, 201, 208, 209, mat_face_texts(selected));
  show_block(dialog, 301, 308, 309, mat_material_texts(refl_face_material(g_face_table[selected])));
}

void mat_face_list_rebuild_row(HWND dialog, int entry) {
  HWND list = GetDlgItem(dialog, FACELIST_ID_LIST);
  char row[96];
  mat_format_face_row(row, sizeof row, entry);
  SendMessageA(list, LB_DELETESTRING, WPARAM(entry), 0);
  SendMessageA(list, LB_INSERTSTRING, WPARAM(entry), reinterpret_cast<LPARAM>(row));
  SendMessageA(list, LB_SETCURSEL, WPARAM(g_current >= 0 ? g_current : entry), 0);
}

void mat_highlight_face(int entry, int on) {
  if (entry < 0 || entry >= g_face_count) return;
  const FaceEntry& face = g_face_table[entry];
  int start = int(face.polygon_start - face.owner->elements);
  if (on) {
    show_pick(entry);
    free_marker();
    g_marker = obj_create(0, 2, 2);
    if (g_marker) {
      mat_face_marker_points(face, &g_marker->nodes[0], &g_marker->nodes[1]);
      g_marker->elements[0] = {EL_START, 0};
      g_marker->elements[1] = {EL_LINE, 1};
      g_marker->kind = OBJ_KIND_GRID_LINE;
      g_marker->layer = LAYER_ROOM;
      g_marker->colour = MARKER_COLOUR;
      obj_insert_before(g_marker, g_obj_head);
      cad_draw_object(g_marker);
    }
  } else {
    show_pick(-1);
    if (g_marker) cad_erase_object(g_marker);
    free_marker();
  }
  cad_highlight_polygon(face.owner, start, on);
}

INT_PTR mat_face_list_common_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case FACELIST_ID_LIST:
          if (HIWORD(wparam) == LBN_SELCHANGE) mat_face_list_show_selection(dialog);
          return TRUE;
        case FACELIST_ID_PRINT:
          g_print_requested = true;
          close_dialog(dialog);
          return TRUE;
        case FACELIST_ID_CLOSE:
        case IDCANCEL:
          close_dialog(dialog);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      close_dialog(dialog);
      return TRUE;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMaxSize.x = MAX_WIDTH;
      info->ptMaxSize.y = MAX_HEIGHT;
      return TRUE;
    }
    case WM_DESTROY:
      g_running = false;
      g_dialog = nullptr;
      return TRUE;
  }
  return FALSE;
}

int mat_run_face_list_dialog(DLGPROC proc) {
  if (refl_build_face_table() <= 0) return 0;
  g_print_requested = false;
  g_current = -1;
  input_update_cursor(0);
  input_enable_cursor(0);
  g_running = true;
  if (!win_open_dialog("FACELIST_DLG", win_main_window(), proc)) {
    g_running = false;
    input_enable_cursor(1);
    return 0;
  }
  run_loop();
  g_running = false;
  g_dialog = nullptr;
  show_pick(-1);
  free_marker();
  g_current = -1;
  view_relayout();
  input_enable_cursor(1);
  if (g_print_requested) {
    g_print_requested = false;
    mat_print_face_list();
  }
  return 1;
}

void mat_print_face_list() {
  print_set_landscape(0);
  if (!print_dialog()) return;
  if (!print_start_job_gdi()) {
    ui_message_box("System verweigert Zugriff auf Drucker", nullptr, UI_MB_OK);
    return;
  }
  FacePrintLayout layout = mat_layout_face_print(print_caps().horz_res);
  gfx_set_text_style("Arial", layout.text_height, layout.char_width, 0, 0, BACKGROUND_COLOUR, OPAQUE);
  gfx_set_pen(0);
  for (int page = 0; page < layout.pages; ++page) {
    if (page > 0) print_next_page();
    for (const FacePrintLine& l : layout.lines)
      if (l.page == page) gfx_draw_line(l.x1, l.y1, l.x2, l.y2);
    for (const FacePrintText& t : layout.texts) {
      if (t.page != page) continue;
      UINT align = t.align == FACE_PRINT_RIGHT ? DT_RIGHT : t.align == FACE_PRINT_CENTRE ? DT_CENTER : DT_LEFT;
      gfx_draw_text(t.left, t.top, t.right, t.bottom, t.text.c_str(), align | DT_SINGLELINE | DT_NOPREFIX);
    }
  }
  gfx_reset_text_style();
  print_end_job();
}
