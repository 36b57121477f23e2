// Colour scale of the coverage map: the legend range and step of each display
// mode, the palette colour of a value, the legend row texts and the labels of
// the window's mode and scale buttons.
#pragma once
#include <cstddef>

// Display modes (2 is not used).
constexpr int COV_MODE_LD = 0, COV_MODE_LT = 1, COV_MODE_TIME = 3, COV_MODE_STI = 4,
              COV_MODE_STI_EXPORT = 5, COV_MODE_LD_LR = 6;
constexpr int COV_MODE_BUTTONS = 6;
constexpr int COV_SCALE_AUTO = -1;
constexpr int COV_SCALE_BUTTONS = 4;  // "Auto" and the three fixed scales
constexpr int COV_LEGEND_ROWS = 20;
constexpr int COV_COLOUR_TOP = 63;
constexpr int COV_COLOUR_BOTTOM = 37;
constexpr double COV_STI_TOP_LIMIT = 95.0;

// Legend range and step as the map uses them (whole numbers); a scale of a
// map that shows no value at all writes no legend values.
struct CovScale {
  int mode;
  double top, bottom, step;
  bool empty = false;
};

extern const int COV_MODE_OF_BUTTON[COV_MODE_BUTTONS];
extern const char* const COV_MODE_LABELS[COV_MODE_BUTTONS];

double cov_round_half_up(double value);
CovScale cov_legend_scale(int mode, int all_bands, double top, double bottom, int scale_index);
CovScale cov_legend_scale_of_values(int mode, int all_bands, const double* values, unsigned count,
                                    int scale_index);
int cov_colour_index(const CovScale& scale, double value);
bool cov_legend_row_text(const CovScale& scale, int row, char* out, size_t size);
const char* cov_scale_label(int mode, int button);
const char* cov_mode_title(int mode);
const char* cov_rt_method_label(int method);
const char* cov_summation_label(int summation_mode);
int cov_mode_button_of(int mode, int button_count);
