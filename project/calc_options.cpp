#include "project/calc_options.h"

CalcOptions g_calc_options = {0, -1, 2, 7, 2, 0};

// Defaults of a new project: all bands, octave-band summation, 1 m grid,
// automatic legend scale, no shadowing or reflections.
void opts_reset_calc_options() { g_calc_options = CalcOptions{0, -1, 2, 7, 2, 0}; }

// The six values as stored in the project header, little-endian int16.
void opts_encode_calc_options(const CalcOptions& options, uint8_t* out) {
  const int16_t values[6] = {options.display_mode, options.scale_index, options.grid_spacing_index,
                             options.band, options.summation_mode, options.flags};
  for (int i = 0; i < 6; ++i) {
    uint16_t bits = static_cast<uint16_t>(values[i]);
    out[2 * i] = static_cast<uint8_t>(bits);
    out[2 * i + 1] = static_cast<uint8_t>(bits >> 8);
  }
}

void opts_decode_calc_options(const uint8_t* in, CalcOptions& options) {
  int16_t values[6];
  for (int i = 0; i < 6; ++i)
    values[i] = static_cast<int16_t>(static_cast<uint16_t>(in[2 * i] | (in[2 * i + 1] << 8)));
  options = CalcOptions{values[0], values[1], values[2], values[3], values[4], values[5]};
}
