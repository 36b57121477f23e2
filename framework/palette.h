// The 64 indexed colours every drawing call and object refers to. Portable:
// colours are 0x00BBGGRR values, the same bits as a Win32 COLORREF.
#pragma once
#include <cstdint>

constexpr int PALETTE_SIZE = 64;
constexpr int PALETTE_RAMP_FIRST = 37;  // 37..63: colour ramp of the level maps
constexpr int PALETTE_RAMP_LAST = 63;

struct Palette {
  uint32_t colour[PALETTE_SIZE];
};

extern Palette g_palette;

void gfx_init_palette();
void gfx_set_palette_entry(int index, uint32_t colour);
uint32_t gfx_palette_colour(int index);
bool gfx_valid_colour_index(int index);
