// Printer set-up read at start-up and the copy of a window to the clipboard.
#pragma once
#include <windows.h>

struct PrinterCaps {
  int horz_res, vert_res;    // printable pixels
  int horz_size, vert_size;  // millimetres
  int is_plotter;
  int planes, num_colors, num_pens, num_brushes;
  int landscape;      // for the next print dialog
  int scale_percent;  // for the next print dialog
  int driver_copies;
  PRINTDLGA dialog;   // device-mode and device-names handles live until shutdown
};

void print_init_default();
void print_free_devices();
int print_is_printing();
const PrinterCaps& print_caps();
int print_copy_to_clipboard();
