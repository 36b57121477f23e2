// Options of the coverage calculation, kept in the project header and edited
// in the calculation options dialog.
#pragma once
#include <cstdint>

constexpr int CALC_OPTIONS_BYTES = 12;   // six int16 in the project header
constexpr int16_t CALC_FLAG_SHADOWING = 1;
constexpr int16_t CALC_FLAG_FIRST_REFLECTION = 2;
constexpr int CALC_GRID_SPACINGS = 8;
constexpr double CALC_GRID_SPACING_M[CALC_GRID_SPACINGS] = {0.25, 0.5, 1, 2, 5, 10, 25, 50};

// Field order is the stored order.
struct CalcOptions {
  int16_t display_mode;        // coverage display mode
  int16_t scale_index;         // scale of the coverage legend, -1 = "Auto"
  int16_t grid_spacing_index;  // index into CALC_GRID_SPACING_M, -1 = "Minimum"
  int16_t band;                // 0-6 octave band, 7 = all bands
  int16_t summation_mode;      // 1 energetic, 2 octave band, 3 single frequency
  int16_t flags;               // CALC_FLAG_*
};

extern CalcOptions g_calc_options;

void opts_reset_calc_options();
void opts_encode_calc_options(const CalcOptions& options, uint8_t* out);
void opts_decode_calc_options(const uint8_t* in, CalcOptions& options);
