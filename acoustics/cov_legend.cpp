#include "acoustics/cov_legend.h"

#include <cmath>
#include <cstdio>

#include "acoustics/cov_values.h"

const int COV_MODE_OF_BUTTON[COV_MODE_BUTTONS] = {COV_MODE_LD,    COV_MODE_TIME, COV_MODE_LT,
                                                  COV_MODE_LD_LR, COV_MODE_STI,  COV_MODE_STI_EXPORT};
const char* const COV_MODE_LABELS[COV_MODE_BUTTONS] = {"Ld(Z)", "Zeit", "Lt(Z)", "Ld-Lr", "STI", "--> exp"};

namespace {

bool is_sti_mode(int mode) { return mode == COV_MODE_STI || mode == COV_MODE_STI_EXPORT; }

// Step of the fixed scales 0, 1, 2 per mode family.
double fixed_step(int mode, int scale_index) {
  static const double LEVEL[3] = {1, 2, 3};
  static const double TIME[3] = {5, 10, 30};
  static const double STI[3] = {2, 5, 10};
  if (mode == COV_MODE_TIME) return TIME[scale_index];
  if (is_sti_mode(mode)) return STI[scale_index];
  return LEVEL[scale_index];
}

}  // namespace

double cov_round_half_up(double value) { return std::floor(value + 0.5); }

// Range and step of the legend from the raw extremes of the mode's values.
// STI tops are limited to 95 (and all-band bottoms raised to 0) so that the
// legend's three decimals fit; the Auto step spreads the range over 16 rows.
CovScale cov_legend_scale(int mode, int all_bands, double top, double bottom, int scale_index) {
  if (is_sti_mode(mode)) {
    if (top >= COV_STI_TOP_LIMIT) top = COV_STI_TOP_LIMIT;
    if (all_bands && bottom <= 0.0) bottom = 0.0;
  }
  top = cov_round_half_up(top);
  bottom = cov_round_half_up(bottom);
  double step;
  bool fixed = scale_index >= 0 && scale_index <= 2;
  if (fixed) {
    step = fixed_step(mode, scale_index);
    if (is_sti_mode(mode)) top = std::floor(top / step) * step;
  } else if (mode == COV_MODE_TIME) {
    step = std::ceil((top - bottom) / 16.0);
    if (step < 1.0) step = 1.0;
  } else if (is_sti_mode(mode)) {
    step = 5.0;
  } else {
    step = std::floor((top - bottom) / 16.0);
    if (step < 1.0) step = 1.0;
    if ((mode == COV_MODE_LD || mode == COV_MODE_LT) && bottom < 0.0) bottom = 0.0;
  }
  return CovScale{mode, top, bottom, step};
}

// The legend of the values the map shows (NaN: nothing shown at that
// point), so that the colours always spread over what is on the map.
CovScale cov_legend_scale_of_values(int mode, int all_bands, const double* values, unsigned count,
                                    int scale_index) {
  double top, bottom;
  bool any = cov_shown_range(values, count, &top, &bottom);
  if (!any) top = bottom = 0.0;
  CovScale scale = cov_legend_scale(mode, all_bands, top, bottom, scale_index);
  scale.empty = !any;
  return scale;
}

// 63 for the top value (the earliest arrival in the time mode), one index
// lower per step, never below 37; a point without a value (NaN) is drawn
// like everything below the range.
int cov_colour_index(const CovScale& scale, double value) {
  if (std::isnan(value)) return COV_COLOUR_BOTTOM;
  double offset = scale.mode == COV_MODE_TIME ? value - scale.bottom : scale.top - value;
  double steps = cov_round_half_up(offset / scale.step);
  if (!(steps > 0.0)) return COV_COLOUR_TOP;
  if (steps >= COV_COLOUR_TOP - COV_COLOUR_BOTTOM) return COV_COLOUR_BOTTOM;
  return COV_COLOUR_TOP - static_cast<int>(steps);
}

// Text of legend row r (swatch colour 63 - r); false when the row stays
// blank because its value lies beyond the range.
bool cov_legend_row_text(const CovScale& scale, int row, char* out, size_t size) {
  if (size == 0) return false;
  out[0] = 0;
  if (scale.empty) return false;
  if (scale.mode == COV_MODE_TIME) {
    double value = std::trunc(scale.bottom + row * scale.step);
    if (!(value < scale.top + scale.step)) return false;
    std::snprintf(out, size, "%3d", static_cast<int>(value));
    return true;
  }
  double value = std::trunc(scale.top - row * scale.step);
  if (!(value > scale.bottom - scale.step)) return false;
  if (is_sti_mode(scale.mode)) {
    char text[32];
    std::snprintf(text, sizeof text, "%1.3f", value / 100.0);
    std::snprintf(out, size, "%s", text + 1);  // 0.950 is shown as .950
  } else {
    std::snprintf(out, size, "%3d", static_cast<int>(value));
  }
  return true;
}

const char* cov_scale_label(int mode, int button) {
  static const char* const TIME[COV_SCALE_BUTTONS] = {"Auto", "5 ms", "10ms", "30ms"};
  static const char* const STI[COV_SCALE_BUTTONS] = {"Auto", ".02", ".05", ".1"};
  static const char* const LEVEL[COV_SCALE_BUTTONS] = {"Auto", "1 dB", "2 dB", "3 dB"};
  if (button < 0 || button >= COV_SCALE_BUTTONS) return "";
  if (mode == COV_MODE_TIME) return TIME[button];
  if (is_sti_mode(mode)) return STI[button];
  return LEVEL[button];
}

const char* cov_mode_title(int mode) {
  switch (mode) {
    case COV_MODE_LD: return "Ld[dB]";
    case COV_MODE_LT: return "Lt[dB]";
    case COV_MODE_TIME: return "t0[ms]";
    case COV_MODE_STI: return "STI";
    case COV_MODE_STI_EXPORT: return "STIexp";
    case COV_MODE_LD_LR: return "Ld-Lr[dB]";
    default: return "";
  }
}

// Sabine, Eyring, Fitzroy, measured; anything else counts as Sabine.
const char* cov_rt_method_label(int method) {
  switch (method) {
    case 1: return "(E)";
    case 2: return "(F)";
    case 3: return "(M)";
    default: return "(S)";
  }
}

const char* cov_summation_label(int summation_mode) {
  switch (summation_mode) {
    case 1: return "Energie";
    case 2: return "Oktave";
    case 3: return "Freq.";
    default: return "";
  }
}

// Index of the shown mode button that carries the mode, or -1.
int cov_mode_button_of(int mode, int button_count) {
  for (int i = 0; i < button_count && i < COV_MODE_BUTTONS; ++i)
    if (COV_MODE_OF_BUTTON[i] == mode) return i;
  return -1;
}
