// The arithmetic of printing a window as a bitmap: how much one window
// pixel is enlarged on the page, how many copies the program must draw
// itself, the job's name and the runs of equal colour along a pixel row.
#pragma once
#include <cstdint>

constexpr uint32_t PRINT_WHITE = 0xFFFFFF;
constexpr int PRINT_JOB_NAME_CHARS = 10;  // "JOB_" and six characters

// Printer pixels per window pixel for a bitmap of width x height pixels on
// a page of horz_res x vert_res: the whole-numbered enlargement that fills
// 90 % of the limiting page side. A bitmap too large for even one printer
// pixel per window pixel is scaled down by the real factor instead. Zero
// when either size is not positive.
double print_bitmap_scale(int width, int height, int horz_res, int vert_res);

// Page position of window pixel index along one axis: origin + floor(index x scale).
int print_scaled_position(int origin, int index, double scale);

// Offset that centres size window pixels on a page side of res pixels.
int print_centred_origin(int res, int size, double scale);

// Copies the program draws itself when the dialog asked for dialog_copies
// and the driver makes driver_copies on its own.
int print_copies_to_draw(int dialog_copies, int driver_copies);

// "JOB_" followed by six characters of codes 64 to 91 from the suite's
// generator; out holds PRINT_JOB_NAME_CHARS + 1 characters.
void print_job_name(char* out);

// One run of equal colour along a row, colours as 0x00BBGGRR.
struct PrintRun {
  int start, length;
  uint32_t colour;
};

// Splits a row into runs of equal colour and hands every run that is not
// white to emit; returns how many were emitted.
template <typename Emit>
int print_row_runs(const uint32_t* row, int width, Emit&& emit) {
  int emitted = 0;
  for (int x = 0; x < width;) {
    const uint32_t colour = row[x] & 0xFFFFFF;  // the top byte carries nothing
    int end = x + 1;
    while (end < width && (row[end] & 0xFFFFFF) == colour) ++end;
    if (colour != PRINT_WHITE) {
      emit(PrintRun{x, end - x, colour});
      ++emitted;
    }
    x = end;
  }
  return emitted;
}
