#include "speaker_editor/ease_imports.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/record_table.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Box {
  std::string text, caption;
};
std::vector<Box> g_boxes;
int record_box(const char* text, const char* caption, unsigned) {
  g_boxes.push_back({text, caption ? caption : ""});
  return UI_IDOK;
}

class EaseImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_reset_seams();
    ui_seams().message_box = record_box;
    g_boxes.clear();
    spked_clear_table();
  }
  void TearDown() override {
    spked_clear_table();
    ui_reset_seams();
  }
};

// A catalog entry: attenuation 40 (-10 dB) at row 1 column 0 and 8 (-2 dB)
// at row 0 column 18 of every band; sensitivity in tenths of a dB.
Bytes lsp_entry(const char* name, uint16_t sensitivity) {
  Bytes e(4096, 0);
  std::memcpy(&e[0], name, std::strlen(name));
  std::memcpy(&e[10], "Katalog GmbH        ", 20);
  for (int b = 0; b < 7; ++b) {
    uint8_t* band = &e[548 + 508 * b];
    le_put_u16(band, sensitivity);
    le_put_u16(band + 2, 77);
    le_put_u16(band + 4, 250);
    band[8] = 16;
    band[24 + 1 * 19 + 0] = 40;
    band[24 + 0 * 19 + 18] = 8;
  }
  return e;
}

TEST_F(EaseImport, CatalogRecordsBecomeRecords) {
  Bytes catalog = lsp_entry("AB      ", 900);
  Bytes second = lsp_entry("LOUD", 1400);  // far above 50 % efficiency
  catalog.insert(catalog.end(), second.begin(), second.end());
  catalog.resize(catalog.size() + 1000, 0xEE);  // a partial block is no record
  EXPECT_EQ(spked_import_lsp_bytes(catalog.data(), catalog.size()), 2);
  ASSERT_EQ(g_spked_table.count, 2);
  SpeakerRecord r;
  ASSERT_TRUE(spked_decode_slot(0, r));
  EXPECT_STREQ(r.type_name, "AB");
  EXPECT_STREQ(r.manufacturer, "Katalog GmbH");
  EXPECT_FLOAT_EQ(r.sensitivity[0], 90.0f);
  EXPECT_FLOAT_EQ(r.rated_power[2], 250.0f);
  EXPECT_EQ(r.impedance[6], 16);
  EXPECT_EQ(r.import_format, 2);
  EXPECT_EQ(r.kind, 1);
  EXPECT_EQ(r.balloon[0][0][0], 225);    // byte 0: 0 dB
  EXPECT_EQ(r.balloon[0][2][54], 175);   // column 0 at 270 degrees: -10 dB
  EXPECT_EQ(r.balloon[0][0][18], 215);   // column 18 at 90 degrees: -2 dB
  EXPECT_EQ(r.balloon[0][2][53], 212);   // power mean of -10 dB and 0 dB: -2.6 dB, truncated
  EXPECT_EQ(r.balloon[0][1][54], 212);   // odd ring: power mean of its neighbours
  EXPECT_GE(r.q_factor[0], 10);
  EXPECT_EQ(r.efficiency[0], int16_t(std::pow(10.0, (90.0 - 10 * std::log10(r.q_factor[0] / 10.0) - 109) / 10) * 1000));
  EXPECT_EQ(r.band_mask, 127);
  // The loud one is kept, with one warning per band.
  ASSERT_EQ(g_boxes.size(), 7u);
  EXPECT_EQ(g_boxes[0].text, "Check balloon and SPL at 125 Hz");
  EXPECT_EQ(g_boxes[6].text, "Check balloon and SPL at 8 kHz");
  EXPECT_EQ(g_boxes[0].caption, "Efficiency exceeds 50% !");
  ASSERT_TRUE(spked_decode_slot(1, r));
  EXPECT_EQ(r.band_mask, 0);
  EXPECT_EQ(r.efficiency[0], 32767);  // held in its field
}

TEST_F(EaseImport, CatalogsStopAtAFullTable) {
  Bytes catalog = lsp_entry("A", 900);
  Bytes second = lsp_entry("B", 900);
  catalog.insert(catalog.end(), second.begin(), second.end());
  for (int i = 0; i < 499; ++i) spked_insert_record(SpeakerRecord{}, nullptr);
  EXPECT_EQ(spked_import_lsp_bytes(catalog.data(), catalog.size()), 1);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].text, "Nicht genügend Speicherlatz für alle Datensätze");
  g_boxes.clear();
  EXPECT_EQ(spked_import_lsp_bytes(catalog.data(), catalog.size()), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].text, "Datenbank kann max. 500 LS enthalten");
}

Bytes spk_file(float di) {
  Bytes f(10520, 0);
  std::memcpy(&f[30], "SPK3    rest....", 16);
  std::memcpy(&f[46], "Drei GmbH   ", 12);
  for (int b = 0; b < 7; ++b) {
    uint8_t* used = &f[188 + 1476 * b + 492];
    le_put_f32(used + 4, di);
    le_put_f32(used + 8, 95.0f);
    le_put_f32(used + 12, 1.5f);
    le_put_f32(used + 16, 400.0f);
    le_put_f32(used + 20, 7.9f);
  }
  return f;
}

Bytes lob_file() {
  Bytes f(118038, 0);
  for (int b = 0; b < 7; ++b) {
    size_t grid = 5394 + 5364 * 3 * size_t(b) + 5364 + 36;
    le_put_u16(&f[grid + 2 * (37 * 3 + 2)], 1000);  // azimuth 15, polar 10 degrees: -10 dB
    le_put_u16(&f[5394 + 5364 * 3 * size_t(b) + 2 * (37 * 3 + 2) + 36], 500);  // the first block is not used
  }
  return f;
}

TEST_F(EaseImport, SpeakerFileWithItsBalloon) {
  Bytes spk = spk_file(-20.0f), lob = lob_file();
  SpeakerRecord r;
  ASSERT_TRUE(spked_spk_to_record(spk.data(), spk.size(), lob.data(), lob.size(), r));
  EXPECT_STREQ(r.type_name, "SPK3");
  EXPECT_STREQ(r.manufacturer, "Drei GmbH");
  EXPECT_EQ(r.q_factor[0], 1);  // an index of -20 dB stores at least 1
  EXPECT_FLOAT_EQ(r.sensitivity[4], 95.0f);
  EXPECT_EQ(r.impedance[4], 7);
  EXPECT_EQ(r.efficiency[4], 150);
  EXPECT_EQ(r.import_format, 1);
  EXPECT_EQ(r.balloon[5][2][3], 175);
  EXPECT_EQ(r.balloon[5][3][2], 225);
  spk = spk_file(6.0f);
  ASSERT_TRUE(spked_spk_to_record(spk.data(), spk.size(), lob.data(), lob.size(), r));
  EXPECT_EQ(r.q_factor[0], 39);
  EXPECT_TRUE(g_boxes.empty());
  struct Case {
    size_t spk, lob;
  } shorts[] = {{10519, 118038}, {10520, 118037}, {0, 0}};
  for (const Case& c : shorts) {
    g_boxes.clear();
    EXPECT_FALSE(spked_spk_to_record(spk.data(), c.spk, lob.data(), c.lob, r));
    EXPECT_EQ(g_boxes.size(), 1u);
  }
}

}  // namespace
