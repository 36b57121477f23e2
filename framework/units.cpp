#include "framework/units.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "framework/ui_seam.h"

int32_t g_unit_feet = 0;

namespace {

// Feet, square feet and cubic feet per metre unit; any other kind is a length.
double imperial_factor(int kind) {
  switch (kind) {
    case UNIT_AREA: return 10.76391;
    case UNIT_VOLUME: return 35.31467;
    default: return 3.28084;
  }
}

}  // namespace

double units_metric_to_imperial(double value, int kind) { return value * imperial_factor(kind); }
double units_imperial_to_metric(double value, int kind) { return value / imperial_factor(kind); }

// A stored metric value as the dialogs show it under the unit flag.
double units_to_display(double metric, int kind) {
  return g_unit_feet ? units_metric_to_imperial(metric, kind) : metric;
}

// A typed value back to metres under the unit flag.
double units_from_entry(double shown, int kind) {
  return g_unit_feet ? units_imperial_to_metric(shown, kind) : shown;
}

// Turns every decimal comma into a point so "%f" reads the whole number;
// answers how many were replaced.
int units_fix_decimal_comma(char* text) {
  int replaced = 0;
  for (char* c = text; c && *c; ++c)
    if (*c == ',') {
      *c = '.';
      ++replaced;
    }
  return replaced;
}

// Reads a number the way "%f" does (leading number, rest ignored); 1 on
// success. Infinity and NaN are no entry anybody typed as a length, and the
// range checks of the callers would let NaN through.
int units_scan_float(const char* text, float* value) {
  float read = 0;
  if (!text || std::sscanf(text, "%f", &read) != 1 || !std::isfinite(read)) return 0;
  *value = read;
  return 1;
}

// A typed entry, decimal comma allowed. An entry that is no number is refused
// with the system's message and the old value stays.
int units_read_entry(const char* text, float* value) {
  char fixed[257] = {0};
  if (text) std::strncpy(fixed, text, sizeof fixed - 1);
  units_fix_decimal_comma(fixed);
  if (units_scan_float(fixed, value)) return 1;
  ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK);
  return 0;
}

// The same for entries read as "%lf" and kept in double precision.
int units_read_entry_double(const char* text, double* value) {
  char fixed[257] = {0};
  if (text) std::strncpy(fixed, text, sizeof fixed - 1);
  units_fix_decimal_comma(fixed);
  double read = 0;
  if (std::sscanf(fixed, "%lf", &read) == 1 && std::isfinite(read)) {
    *value = read;
    return 1;
  }
  ui_message_box("Ungültige Eingabe !", nullptr, UI_MB_OK);
  return 0;
}
