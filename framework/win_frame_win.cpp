#include "framework/win_frame_win.h"

#include <cstdlib>
#include <cstring>

#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/progress_win.h"
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"

namespace {

constexpr const char* MAIN_CLASS = "ZKT_MAINWIN";
constexpr const char* STATUS_CLASS = "ZKT_STATUS";

HINSTANCE g_instance = nullptr;
DrawWindow g_main_record = {};
char g_start_directory[256] = "";
char g_title_text[260] = "";
ScrollParams g_scroll_params = {};

bool register_classes(const char* resource_name, WNDPROC app_proc) {
  WNDCLASSA main_class = {};
  main_class.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  main_class.lpfnWndProc = app_proc;
  main_class.hInstance = g_instance;
  main_class.hIcon = LoadIconA(g_instance, resource_name);
  main_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  main_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  main_class.lpszClassName = MAIN_CLASS;
  if (!RegisterClassA(&main_class)) return false;

  WNDCLASSA status_class = {};
  status_class.style = CS_NOCLOSE;
  status_class.lpfnWndProc = win_status_proc;
  status_class.hInstance = g_instance;
  status_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  status_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  status_class.lpszClassName = STATUS_CLASS;
  if (!RegisterClassA(&status_class)) {
    UnregisterClassA(MAIN_CLASS, g_instance);
    return false;
  }
  return true;
}

void remember_start_directory() {
  DWORD n = GetCurrentDirectoryA(sizeof g_start_directory, g_start_directory);
  if (n == 0 || n >= sizeof g_start_directory) g_start_directory[0] = 0;
  size_t len = std::strlen(g_start_directory);
  // A drive root comes back as "C:\": keep the rule "no trailing separator".
  if (len > 0 && (g_start_directory[len - 1] == '\\' || g_start_directory[len - 1] == '/'))
    g_start_directory[len - 1] = 0;
}

}  // namespace

// Registers the framework's classes and opens the maximised main window with
// the program's menu. Returns 0 when the window cannot be made, so that the
// program can end instead of running on a null window.
int win_init(HINSTANCE instance, const char* resource_name, WNDPROC app_proc) {
  g_instance = instance;
  gfx_init_palette();
  gfx_take_stock_objects();
  if (!register_classes(resource_name, app_proc)) return 0;

  HMENU menu = LoadMenuA(g_instance, resource_name);
  HWND window = CreateWindowExA(0, MAIN_CLASS, g_title_text, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                nullptr, menu, g_instance, nullptr);
  if (!window) {
    if (menu) DestroyMenu(menu);
    win_unregister_classes();
    return 0;
  }
  g_main_record.window = window;
  ui_install_win32_seams();
  ui_set_message_owner(window);
  progress_install_seams();
  gfx_select_window(&g_main_record);
  if (menu) SetMenu(window, menu);

  ShowWindow(window, SW_SHOWMAXIMIZED);
  UpdateWindow(window);
  RECT client;
  GetClientRect(window, &client);
  g_main_record.left = client.left;
  g_main_record.top = client.top;
  g_main_record.right = client.right;
  g_main_record.bottom = client.bottom;

  gfx_create_pattern_brushes();
  SetBkMode(gfx_current_dc(), TRANSPARENT);
  print_init_default();
  remember_start_directory();
  gfx_reset_text_style();
  return 1;
}

void win_shutdown() {
  gfx_select_window(&g_main_record);
  gfx_delete_objects();
  print_free_capture(nullptr);
  print_free_devices();
  if (g_main_record.window && g_main_record.dc) ReleaseDC(g_main_record.window, g_main_record.dc);
  gfx_forget_window(&g_main_record);
  g_main_record.dc = nullptr;
  g_main_record.window = nullptr;
  ui_set_message_owner(nullptr);
  PostQuitMessage(0);
}

void win_unregister_classes() {
  UnregisterClassA(STATUS_CLASS, g_instance);
  UnregisterClassA(MAIN_CLASS, g_instance);
}

HWND win_create_child(const char* title, DWORD extra_style, int x, int y, int width, int height,
                      int id) {
  return CreateWindowExA(0, MAIN_CLASS, title ? title : "",
                         extra_style | WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height,
                         g_main_record.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         g_instance, nullptr);
}

HWND win_create_button(const char* text, int x, int y, int width, int height, int id) {
  return CreateWindowExA(0, "button", text, WS_CHILD | WS_VISIBLE, x, y, width, height,
                         g_main_record.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         g_instance, nullptr);
}

HWND win_create_hscroll(const char* text, int x, int y, int width, int height, int id) {
  return CreateWindowExA(0, "SCROLLBAR", text, WS_CHILD | WS_VISIBLE, x, y, width, height,
                         g_main_record.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         g_instance, nullptr);
}

ScrollParams* win_unpack_scroll(WPARAM wparam, LPARAM lparam) {
  g_scroll_params.control = reinterpret_cast<HWND>(lparam);
  g_scroll_params.code = LOWORD(wparam);
  g_scroll_params.position = static_cast<short>(HIWORD(wparam));
  return &g_scroll_params;
}

namespace {

HINSTANCE dialog_instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

void report_dialog_failure() {
  ui_message_box("Unable to display dialog", "System Error", UI_MB_OK | UI_MB_ICONHAND | UI_MB_SYSTEMMODAL);
}

}  // namespace

INT_PTR win_run_dialog(const char* name, HWND owner, DLGPROC procedure) {
  INT_PTR result = DialogBoxParamA(dialog_instance(), name, owner, procedure, 0);
  // 0 without a dialog: the owner was no window.
  if (result == -1 || (result == 0 && owner && !IsWindow(owner))) {
    report_dialog_failure();
    return 0;
  }
  return result;
}

HWND win_open_dialog(const char* name, HWND owner, DLGPROC procedure, int show_command) {
  HWND dialog = CreateDialogParamA(dialog_instance(), name, owner, procedure, 0);
  if (!dialog) {
    report_dialog_failure();
    return nullptr;
  }
  ShowWindow(dialog, show_command);
  return dialog;
}

void win_arrow_cursor() { SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW))); }
void win_hide_cursor() { SetCursor(nullptr); }

void win_set_title_text(const char* text) {
  std::strncpy(g_title_text, text ? text : "", sizeof g_title_text - 1);
  g_title_text[sizeof g_title_text - 1] = 0;
}

const char* win_start_directory() { return g_start_directory; }

void win_draw_bitmap_centred(const char* bitmap_name, int mode) {
  HBITMAP bitmap = LoadBitmapA(g_instance, bitmap_name);
  if (!bitmap) return;
  HDC target = gfx_current_dc();
  HDC memory = CreateCompatibleDC(target);
  BITMAP info = {};
  if (memory && GetObjectA(bitmap, sizeof info, &info) == sizeof info) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    int x = gfx_client_width() / 2 - info.bmWidth / 2;
    int y = gfx_client_height() / 2 - info.bmHeight / 2;
    BitBlt(target, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, mode == 1 ? SRCCOPY : SRCINVERT);
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
  DeleteObject(bitmap);
}

void win_draw_icon(int x, int y, const char* icon_name) {
  HICON icon = LoadIconA(g_instance, icon_name);
  if (!icon) return;
  DrawIcon(gfx_current_dc(), x, y, icon);
  DestroyIcon(icon);
}

// A heap copy of a raw-data resource, or null when it is missing. The caller
// frees it with free().
void* win_load_data_resource(const char* name, size_t* size) {
  HRSRC found = FindResourceA(g_instance, name, reinterpret_cast<LPCSTR>(RT_RCDATA));
  if (!found) return nullptr;
  DWORD bytes = SizeofResource(g_instance, found);
  HGLOBAL loaded = LoadResource(g_instance, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data || bytes == 0) return nullptr;
  void* copy = std::malloc(bytes);
  if (!copy) return nullptr;
  std::memcpy(copy, data, bytes);
  if (size) *size = bytes;
  return copy;
}

HINSTANCE win_instance() { return g_instance; }
HWND win_main_window() { return g_main_record.window; }
DrawWindow* win_main_record() { return &g_main_record; }
