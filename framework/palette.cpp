#include "framework/palette.h"

Palette g_palette = {};

namespace {

// Greys and the object colours (0..36), then the level-map ramp from black
// over blue, cyan, green and yellow to red (37..63).
constexpr uint32_t DEFAULT_COLOURS[PALETTE_SIZE] = {
    0x000000, 0x808080, 0x909090, 0xA0A0A0, 0xB0B0B0, 0xC0C0C0, 0xD0D0D0, 0xE0E0E0,
    0xF0F0F0, 0x0000E1, 0x00AFEA, 0x00D5D5, 0x00D56A, 0xC0C00A, 0xD50000, 0xD500D5,
    0x0000EE, 0x00BFFF, 0x10EFEF, 0x00E600, 0xE0E000, 0xFF0000, 0xFF00FF, 0x0000FF,
    0xB3DDFF, 0x00FFFF, 0xAAFFD5, 0xFFFF00, 0xFFF4AC, 0xFFBFFF, 0xFFFFFF, 0x808000,
    0x0000FF, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x200000, 0x400000,
    0x600000, 0x800000, 0xA40000, 0xC30000, 0xFF0000, 0xFF3B00, 0xFF6800, 0xFF9E00,
    0xFFC300, 0xFFE700, 0xFFFF00, 0xE1FF00, 0xB0FF00, 0x7AFF00, 0x00FF00, 0x00FFA4,
    0x00FFDB, 0x00FFFF, 0x00E1FF, 0x00C3FF, 0x00A4FF, 0x006EFF, 0x0037FF, 0x0000FF,
};

}  // namespace

void gfx_init_palette() {
  for (int i = 0; i < PALETTE_SIZE; ++i) g_palette.colour[i] = DEFAULT_COLOURS[i];
}

bool gfx_valid_colour_index(int index) { return index >= 0 && index < PALETTE_SIZE; }

// Out-of-range indices (negative ones included) leave the table alone.
void gfx_set_palette_entry(int index, uint32_t colour) {
  if (gfx_valid_colour_index(index)) g_palette.colour[index] = colour;
}

// Black for an index outside the table, so a bad colour number never reads
// past it.
uint32_t gfx_palette_colour(int index) {
  return gfx_valid_colour_index(index) ? g_palette.colour[index] : 0;
}
