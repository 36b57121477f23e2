// The progress box of long operations: a bar, a line of text and an
// optional cancel button; updating it keeps the application responsive.
#pragma once
#include <windows.h>

constexpr int PROGRESS_BOX_ID = 32760;
constexpr int PROGRESS_CANCEL_ID = 32761;

struct ProgressBox {
  HWND box;     // null while closed
  HWND cancel;  // null without a cancel button
  unsigned char cancelled;
  int last_percent;
};

extern ProgressBox g_progress;

LRESULT CALLBACK win_status_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
int progress_open(const char* caption, const char* text, const char* cancel_text);
int progress_update(int percent, const char* text);
int progress_close();
void progress_install_seams();
