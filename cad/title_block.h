// The drawing title block: carried bytes, labelled rows and free lines that
// the plot page prints. Kept with the project; a new drawing clears it.
#pragma once
#include <cstdint>

constexpr int TITLE_BLOCK_BYTES = 742;

struct TitleBlock {
  uint8_t carried[162];
  struct Row {
    char label[11];
    char text[41];
  } rows[8];
  char lines[4][41];
};
static_assert(sizeof(TitleBlock) == TITLE_BLOCK_BYTES);
extern TitleBlock g_title_block;
