// Lengths, areas and volumes are held in metres; the unit flag decides whether
// dialogs show and take them in feet. Numeric entry takes a decimal comma.
#pragma once
#include <cstdint>

enum : int { UNIT_LENGTH = 1, UNIT_AREA = 2, UNIT_VOLUME = 3 };

extern int32_t g_unit_feet;  // unit flag: 0 metres, 1 feet (kept in the history file)

double units_metric_to_imperial(double value, int kind);
double units_imperial_to_metric(double value, int kind);
double units_to_display(double metric, int kind);
double units_from_entry(double shown, int kind);
int units_fix_decimal_comma(char* text);
int units_scan_float(const char* text, float* value);
int units_read_entry(const char* text, float* value);
int units_read_entry_double(const char* text, double* value);
