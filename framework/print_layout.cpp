#include "framework/print_layout.h"

#include <cmath>

#include "framework/rand15.h"

double print_bitmap_scale(int width, int height, int horz_res, int vert_res) {
  if (width <= 0 || height <= 0 || horz_res <= 0 || vert_res <= 0) return 0.0;
  const double page_ratio = static_cast<double>(vert_res) / horz_res;
  const double bitmap_ratio = std::fabs(static_cast<double>(height) / width);
  const double fill = page_ratio < bitmap_ratio ? 0.9 * vert_res / height : 0.9 * horz_res / width;
  const double whole = std::floor(fill);
  return whole >= 1.0 ? whole : fill;
}

int print_scaled_position(int origin, int index, double scale) {
  return origin + static_cast<int>(std::floor(index * scale));
}

int print_centred_origin(int res, int size, double scale) {
  return static_cast<int>((res - scale * size) * 0.5);
}

int print_copies_to_draw(int dialog_copies, int driver_copies) {
  return dialog_copies > driver_copies ? dialog_copies + 1 - driver_copies : 1;
}

void print_job_name(char* out) {
  const char prefix[] = "JOB_";
  for (int i = 0; i < 4; ++i) out[i] = prefix[i];
  for (int i = 4; i < PRINT_JOB_NAME_CHARS; ++i) out[i] = static_cast<char>(64 + rand15() * 27 / RAND15_MAX);
  out[PRINT_JOB_NAME_CHARS] = '\0';
}
