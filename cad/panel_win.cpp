#include "cad/panel_win.h"

#include <cstdio>

#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/input.h"
#include "cad/input_win.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"

namespace {

enum : int {
  ID_XY = 101, ID_YZ = 102, ID_XZ = 103, ID_3D = 104,
  ID_ZOOM_OUT = 105, ID_ZOOM_IN = 106, ID_ZOOM_ALL = 107,
  ID_HIDDEN = 108, ID_COORD_SNAP = 109, ID_POINT_SNAP = 110,
  ID_PRINT = 111, ID_COPY = 112, ID_COMMENT = 113,
  ID_READ_X = 201, ID_READ_Y = 202, ID_READ_Z = 203,
};

constexpr COLORREF LIGHT_GREY = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF RED = RGB(0xFF, 0, 0);

HWND g_panel = nullptr;
HFONT g_normal_font = nullptr;

// The key each button posts to the main window.
int key_of(int id) {
  switch (id) {
    case ID_XY: return VK_F1;
    case ID_YZ: return VK_F2;
    case ID_XZ: return VK_F3;
    case ID_3D: return VK_F4;
    case ID_ZOOM_OUT: return VK_F5;
    case ID_ZOOM_IN: return VK_F6;
    case ID_ZOOM_ALL: return VK_F7;
    case ID_HIDDEN: return VK_F8;
    case ID_COORD_SNAP: return VK_F9;
    case ID_POINT_SNAP: return VK_F11;
  }
  return 0;
}

void check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void check_view_radio(HWND dialog) {
  for (int id = ID_XY; id <= ID_3D; ++id) check(dialog, id, g_view.kind == id - ID_XY);
}

void check_switches(HWND dialog) {
  check(dialog, ID_HIDDEN, g_view.hidden_mode != 0);
  check(dialog, ID_COORD_SNAP, g_view.coord_snap != 0);
  check(dialog, ID_POINT_SNAP, g_view.point_snap != 0);
}

// Metres with three decimals; feet with two.
void show_value(HWND dialog, int id, float metres) {
  char text[32];
  if (g_unit_feet)
    std::snprintf(text, sizeof text, "%0.2f", units_to_display(metres, UNIT_LENGTH));
  else
    std::snprintf(text, sizeof text, "%0.3f", double(metres));
  SetDlgItemTextA(dialog, id, text);
}

// The coordinates the view shows; the others keep their text.
void show_readouts(HWND dialog) {
  const WorldPoint& p = g_last_point;
  switch (g_view.kind) {
    case VIEW_XY: show_value(dialog, ID_READ_X, p.x), show_value(dialog, ID_READ_Y, p.y); break;
    case VIEW_YZ: show_value(dialog, ID_READ_Y, p.y), show_value(dialog, ID_READ_Z, p.z); break;
    case VIEW_XZ: show_value(dialog, ID_READ_X, p.x), show_value(dialog, ID_READ_Z, p.z); break;
    case VIEW_3D:
      show_value(dialog, ID_READ_X, p.x), show_value(dialog, ID_READ_Y, p.y), show_value(dialog, ID_READ_Z, p.z);
      break;
    default: break;
  }
}

void give_main_the_focus() {
  if (HWND main = win_main_window()) SetFocus(main);
}

void set_normal_font(HWND dialog) {
  if (!g_normal_font) {
    LOGFONTA font = {};
    HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (dialog_font && GetObjectA(dialog_font, sizeof font, &font)) {
      font.lfWeight = FW_NORMAL;
      g_normal_font = CreateFontIndirectA(&font);
    }
  }
  if (!g_normal_font) return;
  for (int id = ID_HIDDEN; id <= ID_COMMENT; ++id)
    SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(g_normal_font), FALSE);
  for (int id = ID_READ_X; id <= ID_READ_Z; ++id)
    SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(g_normal_font), FALSE);
}

void on_init(HWND dialog) {
  set_normal_font(dialog);
  check_view_radio(dialog);
  const WorldPoint& p = g_last_point;
  char text[32];
  const float values[3] = {p.x, p.y, p.z};
  for (int i = 0; i < 3; ++i) {
    std::snprintf(text, sizeof text, "%0.3f", double(values[i]));
    SetDlgItemTextA(dialog, ID_READ_X + i, text);
  }
  check_switches(dialog);
  give_main_the_focus();
}

void on_command(HWND dialog, int id) {
  switch (id) {
    case PANEL_REFRESH_READOUTS: show_readouts(dialog); return;
    case PANEL_REFRESH_BUTTONS:
      check_view_radio(dialog);
      check_switches(dialog);
      return;
    case ID_PRINT: view_print_window(); break;
    case ID_COPY: view_copy_window(); break;
    case ID_COMMENT: cad_edit_comment(); return;
    default:
      if (int key = key_of(id)) PostMessageA(win_main_window(), WM_KEYDOWN, WPARAM(key), 0);
      break;
  }
  give_main_the_focus();
}

// A key that reached the main window: the buttons follow the state it left.
void on_key(HWND dialog, int key) {
  if (key >= VK_F1 && key <= VK_F4) check_view_radio(dialog);
  if (key == VK_F8) check(dialog, ID_HIDDEN, g_view.hidden_mode != 0);
  if (key == VK_F9) check(dialog, ID_COORD_SNAP, g_view.coord_snap != 0);
  if (key == VK_F11) check(dialog, ID_POINT_SNAP, g_view.point_snap != 0);
  if (key >= VK_F1 && key <= VK_F11) give_main_the_focus();
}

INT_PTR colour(HWND control, HDC dc) {
  int id = GetDlgCtrlID(control);
  if (id >= ID_READ_X && id <= ID_READ_Z) {
    SetTextColor(dc, RED);
    SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
  }
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, LIGHT_GREY);
  return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
}

}  // namespace

INT_PTR CALLBACK panel_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init(dialog);
      return FALSE;  // the focus stays where on_init put it
    case WM_COMMAND:
      on_command(dialog, LOWORD(wparam));
      return TRUE;
    case WM_KEYDOWN:
      on_key(dialog, int(wparam));
      return TRUE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      return colour(reinterpret_cast<HWND>(lparam), reinterpret_cast<HDC>(wparam));
    case WM_CTLCOLORDLG:
      SetBkColor(reinterpret_cast<HDC>(wparam), LIGHT_GREY);
      return reinterpret_cast<INT_PTR>(GetStockObject(LTGRAY_BRUSH));
  }
  return FALSE;
}

HWND panel_show(int show) {
  if (!show) {
    if (g_panel) DestroyWindow(g_panel);
    g_panel = nullptr;
    if (g_normal_font) DeleteObject(g_normal_font);
    g_normal_font = nullptr;
    return nullptr;
  }
  if (g_panel) return g_panel;
  g_panel = win_open_dialog("3DPANEL", win_main_window(), panel_dialog_proc, SW_SHOWNA);
  return g_panel;
}

void panel_notify() {
  if (g_panel) SendMessageA(g_panel, WM_COMMAND, PANEL_REFRESH_READOUTS, 0);
}

HWND panel_window() { return g_panel; }

namespace {

void outline_drawing_window() {
  DrawWindow* w = view_drawing_window();
  gfx_select_window(w);
  gfx_set_pen(0);
  RECT outline = {0, 0, w->right - w->left - 1, w->bottom - w->top - 1};
  gfx_draw_rect(&outline, 0);
}

}  // namespace

void view_print_window() {
  DrawWindow* w = view_drawing_window();
  if (!w || !w->window) return;
  input_update_cursor(0);
  outline_drawing_window();
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  if (print_window_on_page() == PRINT_FAILED)
    ui_message_box("Die Zeichnung konnte nicht gedruckt werden.", nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
  SetCursor(previous);
  input_update_cursor(1);
}

void view_copy_window() {
  DrawWindow* w = view_drawing_window();
  if (!w || !w->window) return;
  input_update_cursor(0);
  outline_drawing_window();
  if (!print_copy_to_clipboard())
    ui_message_box("Die Zeichnung konnte nicht in die Zwischenablage kopiert werden.", nullptr,
                    UI_MB_OK | UI_MB_ICONEXCLAMATION);
  input_update_cursor(1);
}
