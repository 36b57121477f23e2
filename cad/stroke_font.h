// The stroke font of the text command: a block of a 524-byte head (format
// number, word count, 256 glyph indices, table slot) and 16-bit stroke words.
// The table address is always computed from the block, never read from the
// slot, so the layout stays the same in the 32- and 64-bit builds.
#pragma once
#include <cstddef>
#include <cstdint>

struct DrawObject;

constexpr int STROKE_FONT_FORMAT = 2;
constexpr int STROKE_FONT_INDEX_OFFSET = 8;
constexpr int STROKE_FONT_SLOT_OFFSET = 520;
constexpr int STROKE_FONT_HEAD_BYTES = 524;
constexpr int STROKE_CODE_START = 0, STROKE_CODE_LINE = 1, STROKE_CODE_CLOSE = 2, STROKE_CODE_END = 3;
constexpr int STROKE_SPACE_ADVANCE = 6;  // cells of a space
constexpr int STROKE_CELLS_PER_HEIGHT = 8;

struct StrokeWord {
  int code;  // 0 start, 1 line, 2 line and close, 3 end of glyph
  int x, y;  // cells, -64..63; in the end word x is the advance
};

StrokeWord stroke_word_decode(uint16_t word);
uint16_t stroke_word_encode(int code, int x, int y);

bool stroke_font_check(const uint8_t* block, size_t size);
int stroke_font_word_count(const uint8_t* block);
int stroke_font_glyph_start(const uint8_t* block, int character);
StrokeWord stroke_font_word(const uint8_t* block, int index);

int stroke_text_node_count(const uint8_t* font, const char* text);
void stroke_text_build(const uint8_t* font, const char* text, const double origin[3], const double u[3],
                       const double v[3], double cell, DrawObject* object);
