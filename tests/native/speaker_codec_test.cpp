#include "speakers/speaker_codec.h"
#include "speakers/speaker_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Image = std::vector<uint8_t>;

uint32_t u32_at(const Image& im, int ofs) {
  return im[ofs] | (im[ofs + 1] << 8) | (im[ofs + 2] << 16) | (uint32_t(im[ofs + 3]) << 24);
}

constexpr uint32_t MASK = 0xF6D8247B;  // key table bytes 4..7, little-endian

Image text_record_image() {
  Image im(SPK_RECORD_SIZE, 0);
  im[0] = 'X';
  im[SPK_OFS_RECORD_KEY] = 'A';
  im[SPK_OFS_RECORD_KEY + 1] = 'B';
  return im;
}

// A record with some of everything, as a clear image.
Image varied_image(const char* key) {
  SpeakerRecord* rec = spk_record_alloc();
  std::strcpy(rec->manufacturer, "Nordklang");
  std::strcpy(rec->type_name, "NK12");
  std::strcpy(rec->description, "Zweiwege-Box");
  rec->format = 2;
  rec->kind = 1;
  for (int b = 0; b < SPK_BANDS; ++b) {
    rec->sensitivity[b] = 95.5f + b;
    rec->rated_power[b] = 200.0f - 10 * b;
    rec->q_factor[b] = static_cast<int16_t>(10 + b);
  }
  std::strcpy(rec->record_key, key);
  rec->time_stamp1 = 0x12345678;
  rec->key_tail[12] = 0x99;
  for (int b = 0; b < SPK_BANDS; ++b)
    for (int r = 0; r < SPK_BALLOON_ROWS; ++r)
      for (int c = 0; c < SPK_BALLOON_COLS; ++c) rec->balloon[b][r][c] = static_cast<uint8_t>(b * 31 + r * 7 + c);
  Image im(SPK_RECORD_SIZE);
  spk_record_to_bytes(*rec, im.data());
  spk_record_free(rec);
  return im;
}

}  // namespace

// Known answers worked out from the key table: with an empty key every byte
// of a region is the table byte at 7 x (position in region) mod 32.
TEST(SpeakerCodec, AllZeroRecordKnownAnswer) {
  Image im(SPK_RECORD_SIZE, 0);
  sdb_encode_record(im.data());
  const uint8_t expected_start[6] = {0x5e, 0xf6, 0x4c, 0xb1, 0x1b, 0xa0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(im[i], expected_start[i]) << i;
  EXPECT_EQ(im[71], 0);                 // format byte stays in clear
  EXPECT_EQ(im[72], 0x5e);              // region 2 restarts both positions
  EXPECT_EQ(im[73], 0xf6);
  EXPECT_EQ(im[512], 0x5e);             // so does region 3
  EXPECT_EQ(im[513], 0xf6);
  // Region 4 byte 0: key byte = scrambled byte 21 = table[147 % 32 = 19] = 0x2d, table[0] = 0x5e.
  EXPECT_EQ(im[462], 0x2d ^ 0x5e);
  EXPECT_EQ(u32_at(im, SPK_OFS_CHECKSUM_TOTAL), (71u + 382 + 18648 + 50) * 255);
  EXPECT_EQ(u32_at(im, SPK_OFS_CHECKSUM_KEY), (50u * 255) ^ MASK);
}

TEST(SpeakerCodec, TextRecordKnownAnswer) {
  Image im = text_record_image();
  sdb_encode_record(im.data());
  EXPECT_EQ(im[0], 'X' ^ 'A' ^ 0x5e);
  EXPECT_EQ(im[1], 'B' ^ 0xf6);
  EXPECT_EQ(im[2], 0x4c);                // key byte 2 is 0
  EXPECT_EQ(im[20], 'A' ^ 0x17);         // key wraps after 20, table at 140 % 32 = 12
  EXPECT_EQ(im[72], 'A' ^ 0x5e);
  uint32_t s1 = 71 * 255 - 'X', s2 = 382 * 255, s3 = 18648 * 255, s4 = 50 * 255 - 'A' - 'B';
  EXPECT_EQ(u32_at(im, SPK_OFS_CHECKSUM_TOTAL), s1 + s2 + s3 + s4);
  EXPECT_EQ(u32_at(im, SPK_OFS_CHECKSUM_KEY), s4 ^ MASK);
}

TEST(SpeakerCodec, RoundTripRestoresEveryByte) {
  for (const char* key : {"", "geheim", "ABCDEFGHIJKLMNOPQRST"}) {
    Image clear = varied_image(key);
    Image im = clear;
    sdb_encode_record(im.data());
    EXPECT_EQ(im[71], clear[71]);
    Image after = im;
    ASSERT_EQ(sdb_decode_record(after.data()), 1) << key;
    for (int i = 0; i < SPK_RECORD_SIZE; ++i) {
      if (i >= SPK_OFS_CHECKSUM_TOTAL && i < SPK_OFS_KEY_REGION) continue;  // written by encoding
      ASSERT_EQ(after[i], clear[i]) << key << " byte " << i;
    }
    // The checksums are never scrambled.
    EXPECT_TRUE(std::equal(after.begin() + 454, after.begin() + 462, im.begin() + 454));
  }
}

TEST(SpeakerCodec, DifferentKeysScrambleDifferently) {
  Image a = varied_image("eins"), b = varied_image("zwei");
  sdb_encode_record(a.data());
  sdb_encode_record(b.data());
  EXPECT_NE(std::memcmp(a.data(), b.data(), 71), 0);
  EXPECT_NE(std::memcmp(a.data() + 512, b.data() + 512, 100), 0);
}

TEST(SpeakerCodec, AnyChangedScrambledByteIsDetected) {
  Image good = varied_image("pw");
  sdb_encode_record(good.data());
  for (int pos : {0, 25, 70, 72, 300, 453, 462, 470, 511, 512, 9000, SPK_RECORD_SIZE - 1}) {
    Image bad = good;
    bad[pos] ^= 0x01;
    EXPECT_EQ(sdb_decode_record(bad.data()), 0) << pos;
  }
  // Key region and bytes 21..70 are caught before anything else is decoded.
  for (int pos : {30, 470, 500}) {
    Image bad = good;
    bad[pos] ^= 0x40;
    Image before = bad;
    EXPECT_EQ(sdb_decode_record_header(bad.data()), 0) << pos;
    EXPECT_EQ(std::memcmp(bad.data(), before.data(), 462), 0) << pos;
  }
}

TEST(SpeakerCodec, ClearRecordIsRejectedByBothDecoders) {
  Image clear = varied_image("pw");
  Image a = clear, b = clear;
  EXPECT_EQ(sdb_decode_record(a.data()), 0);
  EXPECT_EQ(sdb_decode_record_header(b.data()), 0);
  EXPECT_EQ(std::memcmp(b.data(), clear.data(), 462), 0);
}

TEST(SpeakerCodec, HeaderDecodeGivesHeadOnly) {
  Image clear = varied_image("pw");
  Image im = clear;
  sdb_encode_record(im.data());
  Image scrambled = im;
  ASSERT_EQ(sdb_decode_record_header(im.data()), 1);
  EXPECT_EQ(std::memcmp(im.data(), clear.data(), 454), 0);
  EXPECT_EQ(std::memcmp(im.data() + 512, scrambled.data() + 512, SPK_BALLOON_SIZE), 0);
}

TEST(SpeakerRecordImage, FieldsLandAtTheirOffsets) {
  Image im = varied_image("k");
  EXPECT_STREQ(reinterpret_cast<const char*>(&im[21]), "NK12");
  EXPECT_STREQ(reinterpret_cast<const char*>(&im[30]), "Zweiwege-Box");
  EXPECT_EQ(im[71], 2);
  EXPECT_EQ(im[72], 1);
  float s0;
  std::memcpy(&s0, &im[76], 4);
  EXPECT_EQ(s0, 95.5f);
  float p6;
  std::memcpy(&p6, &im[104 + 24], 4);
  EXPECT_EQ(p6, 140.0f);
  EXPECT_EQ(im[146], 10);
  EXPECT_EQ(u32_at(im, 188), 0u);
  EXPECT_EQ(u32_at(im, 192), 0u);
  EXPECT_EQ(im[470], 'k');
  EXPECT_EQ(u32_at(im, 491), 0x12345678u);
  EXPECT_EQ(im[511], 0x99);
  EXPECT_EQ(im[512 + 2664 + 72 + 3], (31 + 7 + 3) & 0xFF);

  SpeakerRecord* back = spk_record_alloc();
  back->symbol = reinterpret_cast<DrawObject*>(&im);  // replaced by reading
  spk_record_from_bytes(*back, im.data());
  EXPECT_EQ(back->symbol, nullptr);
  Image again(SPK_RECORD_SIZE);
  spk_record_to_bytes(*back, again.data());
  EXPECT_EQ(again, im);
  spk_record_free(back);
}

TEST(SpeakerRecordImage, OlderRecordGetsThe180DegreeRow) {
  Image old(SPK_V11_RECORD_SIZE, 0);
  std::strcpy(reinterpret_cast<char*>(&old[21]), "ALT1");
  for (int b = 0; b < 7; ++b)
    for (int r = 0; r < 36; ++r) std::memset(&old[200 + b * 2592 + r * 72], b * 36 + r, 72);
  SpeakerRecord* rec = spk_record_alloc();
  spk_record_from_v11_bytes(*rec, old.data());
  EXPECT_STREQ(rec->type_name, "ALT1");
  EXPECT_EQ(rec->format, 2);
  for (int b = 0; b < 7; ++b) {
    EXPECT_EQ(rec->balloon[b][0][0], b * 36);
    EXPECT_EQ(rec->balloon[b][35][71], b * 36 + 35);
    EXPECT_EQ(rec->balloon[b][36][0], b * 36 + 35);
  }
  spk_record_free(rec);
}

TEST(SpeakerBalloonBytes, ConversionTable) {
  struct Case { double db; int byte; } cases[] = {
      {-60.0, 0}, {-45.0, 0}, {-44.95, 0}, {-44.85, 1}, {-0.15, 224}, {0.0, 225},
      {0.09, 225}, {0.11, 226}, {5.8, 254}, {6.0, 255}, {12.0, 255}};
  for (const Case& c : cases) EXPECT_EQ(spk_db_to_balloon_byte(c.db), c.byte) << c.db;
  EXPECT_DOUBLE_EQ(spk_balloon_byte_to_db(225), 0.0);
  EXPECT_DOUBLE_EQ(spk_balloon_byte_to_db(0), -45.0);
  EXPECT_DOUBLE_EQ(spk_balloon_byte_to_db(255), 6.0);
  EXPECT_DOUBLE_EQ(spk_balloon_byte_to_power(225), 1.0);
  EXPECT_NEAR(spk_balloon_byte_to_power(175), 0.1, 1e-12);  // -10 dB
  for (int b = 0; b < 256; ++b) EXPECT_EQ(spk_db_to_balloon_byte(spk_balloon_byte_to_db(b)), b);
}
