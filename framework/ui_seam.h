// Thin seams between the portable core and the Win32 layer: the message box,
// the progress box, the file dialogs and the tick counter. The Win32 layer
// installs the real routines at start-up; the native build and the tests run
// with the headless defaults or install recorders of their own.
#pragma once
#include <cstdint>

// Button styles and answers with the values of the Win32 API.
enum : unsigned {
  UI_MB_OK = 0x0, UI_MB_OKCANCEL = 0x1, UI_MB_YESNOCANCEL = 0x3, UI_MB_YESNO = 0x4,
  UI_MB_ICONHAND = 0x10, UI_MB_ICONQUESTION = 0x20, UI_MB_ICONEXCLAMATION = 0x30,
  UI_MB_ICONASTERISK = 0x40, UI_MB_DEFBUTTON2 = 0x100, UI_MB_SYSTEMMODAL = 0x1000, UI_MB_TASKMODAL = 0x2000,
};
enum : int { UI_IDOK = 1, UI_IDCANCEL = 2, UI_IDYES = 6, UI_IDNO = 7 };

struct UiSeams {
  // Shows text with a caption (null: the system's default) and returns the button pressed.
  int (*message_box)(const char* text, const char* caption, unsigned flags);
  // Progress box: open with a title, update with a percentage (returns
  // non-zero once cancelled), close.
  void (*progress_open)(const char* title);
  int (*progress_update)(int percent);
  void (*progress_close)();
  // Milliseconds of the system tick counter.
  uint32_t (*tick_count)();
  // Progress with the box's text line given by the caller; null: as
  // progress_update.
  int (*progress_update_text)(int percent, const char* text);
};

UiSeams& ui_seams();
void ui_reset_seams();  // back to the headless defaults

int ui_message_box(const char* text, const char* caption, unsigned flags);
void ui_progress_open(const char* title);
int ui_progress_update(int percent);
int ui_progress_update_text(int percent, const char* text);
void ui_progress_close();
uint32_t ui_tick_count();
