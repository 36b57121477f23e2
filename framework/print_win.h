// Printing: the printer set-up read at start-up and chosen in the print
// dialog, the print job (start, next page, end) on a printer DC that is
// swapped in as the current drawing DC, a window's client area printed as a
// bitmap, the capture of a window rectangle into a memory bitmap and the copy
// of a window to the clipboard.
//
// While a job is open every gfx_* primitive draws on the printer page in
// printer pixels (print_caps().horz_res x vert_res).
#pragma once
#include <windows.h>

struct PrinterCaps {
  int horz_res, vert_res;    // printable pixels
  int horz_size, vert_size;  // millimetres
  int is_plotter;
  int planes, num_colors, num_pens, num_brushes;
  int landscape;      // for the next print dialog
  int scale_percent;  // for the next print dialog
  int driver_copies;  // copies the driver makes itself
  PRINTDLGA dialog;   // device-mode and device-names handles live until shutdown;
                      // hDC holds the printer DC from the dialog to the end of the job
};

// Start-up and shutdown (the framework calls them).
void print_init_default();
void print_free_devices();

// Printer choice: 1 when the user chose a printer, 0 when cancelled or no
// printer exists. The landscape flag and the scale percent are handed to
// the dialog through the kept device mode.
int print_dialog();
void print_set_landscape(int flag);
int print_is_printing();
const PrinterCaps& print_caps();

// The job. The start routines return 0 when there is no printer DC or the
// system refuses the document; otherwise the printer DC is the current DC
// and the first page has begun. The _gdi form rebuilds the framework's
// pens, brushes and pattern brushes on the printer (gfx_set_pen, patterns).
int print_start_job();
int print_start_job_gdi();
void print_next_page();
void print_cancel_job();    // the user stopped: the document is aborted, nothing is printed
// The end routines return 1 when the document went to the printer; they
// also give back a printer DC that a dialog left without a job.
int print_end_job();        // ends the job begun by print_start_job_gdi
int print_end_job_plain();  // ends the job begun by print_start_job

// Capture of a rectangle of the current window (edges included) into a
// memory bitmap kept in the capture DC, and back.
int print_capture_rect(const RECT& rect, HBITMAP* bitmap);
void print_blit_capture(const RECT& source, const RECT& target, DWORD raster_op);
void print_free_capture(HBITMAP bitmap);

// The current window's client area to the clipboard as a bitmap.
int print_copy_to_clipboard();

// Prints the current window's client area as a bitmap, centred and enlarged
// to 90 % of the page, after print_dialog returned 1. The window is given
// back its captured picture afterwards.
enum : int { PRINT_FAILED = 0, PRINT_DONE = 1, PRINT_CANCELLED = 2 };
int print_window_bitmap();

// The current window's client area on a page turned to its shape (landscape
// when it is wider than high, so a wide window fills more of the page): the
// print dialog, then print_window_bitmap. PRINT_CANCELLED when the dialog
// was cancelled; the next dialog starts in portrait again.
int print_window_on_page();
