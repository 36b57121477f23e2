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

// The letters and signs of German beyond ASCII, as the program's texts
// carry them (code page 1252): ä ö ü Ä Ö Ü ß ° ².
constexpr unsigned char GERMAN[] = {0xE4, 0xF6, 0xFC, 0xC4, 0xD6, 0xDC, 0xDF, 0xB0, 0xB2};

bool is_german(int c) {
  for (unsigned char g : GERMAN)
    if (g == c) return true;
  return false;
}

TEST(StrokeFont, BuiltFontHasTheFormatAndEveryGlyphInItsCell) {
  std::vector<uint8_t> font = load_font();
  ASSERT_GT(font.size(), static_cast<size_t>(STROKE_FONT_HEAD_BYTES));
  ASSERT_TRUE(stroke_font_check(font.data(), font.size()));
  int words = stroke_font_word_count(font.data());
  EXPECT_EQ(font.size(), static_cast<size_t>(STROKE_FONT_HEAD_BYTES + 2 * words));
  for (int c = 0; c < 256; ++c) {
    int i = stroke_font_glyph_start(font.data(), c);
    bool german = is_german(c);
    if ((c < 33 || c > 126) && !german) {
      EXPECT_EQ(i, -1) << "code " << c;
      continue;
    }
    ASSERT_GE(i, 0) << "no glyph for " << static_cast<char>(c);
    EXPECT_EQ(stroke_font_word(font.data(), i).code, STROKE_CODE_START) << static_cast<char>(c);
    int strokes = 0;
    for (StrokeWord w; (w = stroke_font_word(font.data(), i)).code != STROKE_CODE_END; ++i) {
      // Only the dots of the capital umlauts rise above the capital height.
      int top = c == 0xC4 || c == 0xD6 || c == 0xDC ? 10 : 8;
      EXPECT_TRUE(w.x >= 0 && w.x <= 7 && w.y >= -4 && w.y <= top) << "code " << c << " word " << i;
      if (w.code == STROKE_CODE_START) ++strokes;
    }
    StrokeWord end = stroke_font_word(font.data(), i);
    EXPECT_TRUE(end.x >= 2 && end.x <= 9) << static_cast<char>(c);
    EXPECT_EQ(end.y, 0);
    EXPECT_GT(strokes, 0);
  }
}

// "Bühne" is drawn with its ü, not as "Bhne": each German letter adds the
// strokes of its base letter and its marks.
TEST(StrokeFont, GermanWordsKeepTheirLetters) {
  std::vector<uint8_t> font = load_font();
  ASSERT_TRUE(stroke_font_check(font.data(), font.size()));
  struct Case {
    const char* with;
    const char* base;
    int marks;  // words the marks add: two dots of two words each
  } cases[] = {
      {"B\xFChne", "Buhne", 4}, {"\xC4rger", "Arger", 4}, {"\xD6l", "Ol", 4},  {"\xDC" "bung", "Ubung", 4},
      {"sch\xF6n", "schon", 4}, {"B\xE4r", "Bar", 4},
  };
  for (const Case& c : cases)
    EXPECT_EQ(stroke_text_node_count(font.data(), c.with), stroke_text_node_count(font.data(), c.base) + c.marks)
        << c.base;
  for (const char* sign : {"\xDF", "\xB0", "\xB2"}) EXPECT_GT(stroke_text_node_count(font.data(), sign), 3) << int(sign[0] & 255);
  EXPECT_GT(stroke_text_node_count(font.data(), "Stra\xDF" "e"), stroke_text_node_count(font.data(), "Strae"));
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
  EXPECT_EQ(stroke_text_node_count(font.data(), "A\x80L"), 8);  // the euro sign has no glyph
  EXPECT_EQ(stroke_text_node_count(font.data(), ""), 0);
}

}  // namespace
