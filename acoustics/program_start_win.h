// Start-up, message loop and shutdown of the programs that open projects in
// the CAD drawing window and show the shared result windows (the design
// program and the viewer). Each program hands in what is its own.
#pragma once
#include <windows.h>

struct ProgramStart {
  const char* resource_name = nullptr;  // icon and menu
  WNDPROC window_proc = nullptr;
  const char* title = nullptr;          // the window title before the project name
  const char* stroke_font = nullptr;    // resource of the text command's font; null: none
  void (*new_project)() = nullptr;
  void (*read_history)() = nullptr;
};

// The program's hooks are installed before; returns the exit code.
int program_run(HINSTANCE instance, const ProgramStart& program);
