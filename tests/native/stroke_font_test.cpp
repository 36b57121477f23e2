#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cad/stroke_font.h"

namespace {

std::vector<uint8_t> load_font() {
  const char* dir = std::getenv("ORV_GENERATED");
  std::ifstream f(std::string(dir ? dir : ".") + "/STANDARDFONT.bin", std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(StrokeFont, WordCodecRoundTripsSignedCoordinates) {
  for (int code = 0; code < 4; ++code)
    for (int x = -64; x < 64; x += 9)
      for (int y = -64; y < 64; y += 7) {
        StrokeWord w = stroke_word_decode(stroke_word_encode(code, x, y));
        EXPECT_EQ(w.code, code);
        EXPECT_EQ(w.x, x);
        EXPECT_EQ(w.y, y);
      }
  EXPECT_EQ(stroke_word_encode(1, -1, -4), 1 | (127 << 2) | (124 << 9));
}

TEST(StrokeFont, BuiltFontHasTheFormatAndEveryGlyphInItsCell) {
  std::vector<uint8_t> font = load_font();
  ASSERT_GT(font.size(), static_cast<size_t>(STROKE_FONT_HEAD_BYTES));
  ASSERT_TRUE(stroke_font_check(font.data(), font.size()));
  int words = stroke_font_word_count(font.data());
  EXPECT_EQ(font.size(), static_cast<size_t>(STROKE_FONT_HEAD_BYTES + 2 * words));
  for (int c = 0; c < 256; ++c) {
    int i = stroke_font_glyph_start(font.data(), c);
    if (c < 33 || c > 126) {
      EXPECT_EQ(i, -1) << "code " << c;
      continue;
    }
    ASSERT_GE(i, 0) << "no glyph for " << static_cast<char>(c);
    EXPECT_EQ(stroke_font_word(font.data(), i).code, STROKE_CODE_START) << static_cast<char>(c);
    int strokes = 0;
    for (StrokeWord w; (w = stroke_font_word(font.data(), i)).code != STROKE_CODE_END; ++i) {
      EXPECT_TRUE(w.x >= 0 && w.x <= 7 && w.y >= -4 && w.y <= 8) << static_cast<char>(c) << " word " << i;
      if (w.code == STROKE_CODE_START) ++strokes;
    }
    StrokeWord end = stroke_font_word(font.data(), i);
    EXPECT_TRUE(end.x >= 2 && end.x <= 9) << static_cast<char>(c);
    EXPECT_EQ(end.y, 0);
    EXPECT_GT(strokes, 0);
  }
}

TEST(StrokeFont, DamagedBlocksAreRefused) {
  std::vector<uint8_t> font = load_font();
  ASSERT_TRUE(stroke_font_check(font.data(), font.size()));
  EXPECT_FALSE(stroke_font_check(font.data(), font.size() - 1));  // word count beyond the size
  EXPECT_FALSE(stroke_font_check(font.data(), 100));
  std::vector<uint8_t> bad = font;
  bad[4] = 3;  // format number
  EXPECT_FALSE(stroke_font_check(bad.data(), bad.size()));
  bad = font;
  int words = stroke_font_word_count(font.data());
  bad[STROKE_FONT_INDEX_OFFSET + 2 * 'A'] = static_cast<uint8_t>(words & 0xFF);  // index past the table
  bad[STROKE_FONT_INDEX_OFFSET + 2 * 'A' + 1] = static_cast<uint8_t>(words >> 8);
  EXPECT_FALSE(stroke_font_check(bad.data(), bad.size()));
}

TEST(StrokeFont, TextNodeCountSkipsSpacesAndCharactersWithoutGlyph) {
  std::vector<uint8_t> font = load_font();
  ASSERT_TRUE(stroke_font_check(font.data(), font.size()));
  // A: two strokes of 3 and 2 points; B: 7 + 5 points; L: 3 points.
  EXPECT_EQ(stroke_text_node_count(font.data(), "A"), 5);
  EXPECT_EQ(stroke_text_node_count(font.data(), "A B"), 17);
  EXPECT_EQ(stroke_text_node_count(font.data(), "A\xE4L"), 8);
  EXPECT_EQ(stroke_text_node_count(font.data(), ""), 0);
}

}  // namespace
