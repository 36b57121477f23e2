#include "cad/stroke_font.h"

#include "cad/obj_store.h"

namespace {

int read_u16(const uint8_t* p) { return p[0] | (p[1] << 8); }

int sign_extend7(int v) { return (v & 64) ? v - 128 : v; }

}  // namespace

StrokeWord stroke_word_decode(uint16_t word) {
  return {word & 3, sign_extend7((word >> 2) & 127), sign_extend7((word >> 9) & 127)};
}

uint16_t stroke_word_encode(int code, int x, int y) {
  return static_cast<uint16_t>((code & 3) | ((x & 127) << 2) | ((y & 127) << 9));
}

int stroke_font_word_count(const uint8_t* block) { return read_u16(block + 6); }

int stroke_font_glyph_start(const uint8_t* block, int character) {
  if (character < 0 || character > 255) return -1;
  int v = read_u16(block + STROKE_FONT_INDEX_OFFSET + 2 * character);
  return v >= 32768 ? v - 65536 : v;
}

// The words start right after the head; the slot at 520 is never read.
StrokeWord stroke_font_word(const uint8_t* block, int index) {
  return stroke_word_decode(static_cast<uint16_t>(read_u16(block + STROKE_FONT_HEAD_BYTES + 2 * index)));
}

// A block is usable when its head and all W words fit the size, the format
// is 2, and every glyph index points into the table and reaches an end word
// before the table ends, so the text command can walk glyphs unchecked.
bool stroke_font_check(const uint8_t* block, size_t size) {
  if (!block || size < static_cast<size_t>(STROKE_FONT_HEAD_BYTES)) return false;
  if (read_u16(block + 4) != STROKE_FONT_FORMAT) return false;
  int words = stroke_font_word_count(block);
  if (static_cast<size_t>(STROKE_FONT_HEAD_BYTES) + 2u * static_cast<size_t>(words) > size) return false;
  for (int c = 0; c < 256; ++c) {
    int start = stroke_font_glyph_start(block, c);
    if (start < 0) continue;
    int i = start;
    while (i < words && stroke_font_word(block, i).code != STROKE_CODE_END) ++i;
    if (i >= words) return false;
  }
  return true;
}

// Nodes (and elements) of a text: one per stroke word of each glyph, the end
// words not counted; characters without a glyph add nothing.
int stroke_text_node_count(const uint8_t* font, const char* text) {
  int count = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    int i = stroke_font_glyph_start(font, *p);
    if (i < 0) continue;
    for (; stroke_font_word(font, i).code != STROKE_CODE_END; ++i) ++count;
  }
  return count;
}

// Lays the text out along u from the origin, one node and one element per
// stroke word: a space advances 6 cells, a character without a glyph nothing.
// The object must hold stroke_text_node_count nodes and elements.
void stroke_text_build(const uint8_t* font, const char* text, const double origin[3], const double u[3],
                       const double v[3], double cell, DrawObject* object) {
  double advance = 0.0;
  uint32_t n = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
    if (*p == ' ') {
      advance += STROKE_SPACE_ADVANCE * cell;
      continue;
    }
    int i = stroke_font_glyph_start(font, *p);
    if (i < 0) continue;
    StrokeWord w;
    for (; (w = stroke_font_word(font, i)).code != STROKE_CODE_END; ++i, ++n) {
      if (n >= object->node_count || n >= object->element_count) return;
      double a = advance + w.x * cell, b = w.y * cell;
      WorldPoint& node = object->nodes[n];
      node.x = static_cast<float>(origin[0] + a * u[0] + b * v[0]);
      node.y = static_cast<float>(origin[1] + a * u[1] + b * v[1]);
      node.z = static_cast<float>(origin[2] + a * u[2] + b * v[2]);
      object->elements[n] = {static_cast<uint16_t>(w.code), static_cast<uint16_t>(n)};
    }
    advance += w.x * cell;
  }
}
