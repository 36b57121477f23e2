#include "project/map_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "tests/native/run_folder.h"

namespace {

std::vector<std::string> g_save_texts;

MapData two_point_map() {
  MapData m;
  m.summation_mode = 3;
  m.half_spacing = 0.25f;
  for (int b = 0; b < 8; ++b) m.band_speaker_counts[b] = static_cast<uint16_t>(b + 1);
  m.areas.push_back({1234, 0.f, 0.f, 2.f, 1.5f, -1.f, 4.f, -2.f, 3.f, 0.75f});
  for (int b = 0; b < MAP_BANDS; ++b) {
    m.grid.min_energy[b] = 1.f;
    m.grid.max_energy[b] = 1e6f;
    m.grid.min_time[b] = 3.f;
    m.grid.max_time[b] = 40.5f;
  }
  MapPoint p = {};
  p.x = 1.f;
  p.y = 2.f;
  p.z = 0.75f;
  for (int b = 0; b < MAP_BANDS; ++b) {
    p.energy[b] = 1e6f;
    p.time[b] = 12.7f;
  }
  m.points.push_back(p);
  p.x = 3.f;
  for (int b = 0; b < MAP_BANDS; ++b) {
    p.energy[b] = 0.5f;  // at or below 1.0: stored as level 0
    p.time[b] = 10000.f;
  }
  m.points.push_back(p);
  return m;
}

std::vector<uint8_t> encode(const MapData& m, const char* text) {
  ByteWriter w;
  mapfile_encode(m, text, w);
  return w.buffer();
}

}  // namespace

TEST(MapFile, LayoutOfHeaderAreasGridAndPoints) {
  std::vector<uint8_t> f = encode(two_point_map(), "Saal");
  ASSERT_EQ(f.size(), 266u + 40 + 2 * 42);  // no picks: ends after the last point
  EXPECT_STREQ(reinterpret_cast<const char*>(f.data()), "ORVANTE MAP FILE V2.80");
  for (int i = 23; i < 32; ++i) EXPECT_EQ(f[i], 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(f.data() + 32), "Saal");
  EXPECT_EQ(le_get_u16(&f[128]), 1);
  EXPECT_EQ(le_get_u16(&f[130]), 3);
  EXPECT_FLOAT_EQ(le_get_f32(&f[132]), 0.25f);
  EXPECT_EQ(le_get_u16(&f[136 + 14]), 8);
  EXPECT_EQ(le_get_u32(&f[152]), 0u);  // object reference not carried
  EXPECT_FLOAT_EQ(le_get_f32(&f[152 + 12]), 2.f);
  const size_t grid = 152 + 40;
  EXPECT_EQ(le_get_u32(&f[grid]), 2u);
  const size_t p0 = grid + 114;
  EXPECT_FLOAT_EQ(le_get_f32(&f[p0 + 4]), 2.f);
  EXPECT_EQ(le_get_u16(&f[p0 + 12]), 600);  // 1e6 -> 600
  EXPECT_EQ(le_get_u16(&f[p0 + 26]), 12);   // 12.7 ms -> 12
  EXPECT_EQ(le_get_u16(&f[p0 + 42 + 12]), 0);
  EXPECT_EQ(le_get_u16(&f[p0 + 42 + 26]), 10000);
  // Band-6 maximum time: only its low-order half is stored.
  uint8_t full[4];
  le_put_f32(full, 40.5f);
  EXPECT_EQ(f[grid + 112], full[0]);
  EXPECT_EQ(f[grid + 113], full[1]);
}

TEST(MapFile, ReadsBackLevelsTimesAndPicksAndSavesTheSameBytes) {
  MapData m = two_point_map();
  m.picks = {1, 0};
  std::vector<uint8_t> f = encode(m, "Saal");
  EXPECT_EQ(f.size(), 266u + 40 + 2 * 42 + 4 + 4);
  MapData r;
  ByteReader in(f.data(), f.size());
  ASSERT_TRUE(mapfile_decode(in, r));
  EXPECT_STREQ(r.description, "Saal");
  EXPECT_EQ(r.summation_mode, 3);
  ASSERT_EQ(r.points.size(), 2u);
  EXPECT_FLOAT_EQ(r.points[0].energy[0], 1e6f);
  EXPECT_FLOAT_EQ(r.points[0].time[3], 12.f);
  EXPECT_FLOAT_EQ(r.points[1].energy[6], 1.f);
  EXPECT_EQ(r.picks, (std::vector<uint16_t>{1, 0}));
  // The band-6 maximum is completed from the points (largest time below 10000).
  EXPECT_NEAR(r.grid.max_time[6], 12.f, 0.1f);
  EXPECT_EQ(encode(r, "Saal"), f);
}

TEST(MapFile, LevelsSurviveRepeatedSaving) {
  for (int level = 0; level <= 3000; ++level) {
    float e = static_cast<float>(std::pow(10.0, level / 100.0));
    ASSERT_EQ(mapfile_level_field(e), level);
  }
  EXPECT_EQ(mapfile_time_field(1e7f), 32767);  // placeholder of an unserved band
  EXPECT_EQ(mapfile_time_field(-0.5f), 0);
}

TEST(MapFile, RefusesDamagedBlocks) {
  MapData m = two_point_map();
  m.picks = {1};
  const std::vector<uint8_t> good = encode(m, "x");
  auto refused = [](std::vector<uint8_t> f) {
    MapData r;
    ByteReader in(f.data(), f.size());
    return !mapfile_decode(in, r);
  };
  for (size_t cut : {size_t(0), size_t(127), size_t(150), size_t(191), size_t(300), good.size() - 1,
                     good.size() - 3})
    EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + cut))) << cut;
  std::vector<uint8_t> f = good;
  f[0] = 'o';
  EXPECT_TRUE(refused(f));
  f = good;
  le_put_u16(&f[128], 0xFFFF);  // negative area count
  EXPECT_TRUE(refused(f));
  f = good;
  le_put_u32(&f[192], 64001);  // more points than the grid holds
  EXPECT_TRUE(refused(f));
  f = good;
  le_put_u32(&f[192], 3);  // more points than the file holds
  EXPECT_TRUE(refused(f));
  f = good;
  le_put_u16(&f[306 + 40], 1);  // area index beyond the table
  EXPECT_TRUE(refused(f));
  f = good;
  le_put_u32(&f[good.size() - 6], 101);  // more picks than the table holds
  EXPECT_TRUE(refused(f));
  f = good;
  le_put_u16(&f[good.size() - 2], 2);  // pick beyond the points
  EXPECT_TRUE(refused(f));
}

// A save that cannot be completed keeps the old map of that name; a
// completed one replaces it, and no temporary file stays behind.
TEST(MapFile, SaveReplacesTheOldFileOnlyWhenTheNewOneIsComplete) {
  ui_seams().message_box = [](const char* text, const char*, unsigned) -> int {
    g_save_texts.push_back(text);
    return UI_IDOK;
  };
  g_save_texts.clear();
  const std::filesystem::path dir = run_folder::fresh("map_save");
  const std::string path = (dir / "SAAL.OMF").string();
  const std::vector<uint8_t> old_map = encode(two_point_map(), "alt");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(old_map.data(), 1, old_map.size(), f);
    std::fclose(f);
  }
  std::filesystem::create_directory(path + ".tmp");  // the new file cannot be created
  EXPECT_EQ(mapfile_save_to(path.c_str(), "neu"), 0);
  ASSERT_EQ(g_save_texts.size(), 1u);
  EXPECT_EQ(g_save_texts[0], "Datei kann nicht auf Laufwerk geschrieben werden");
  std::vector<uint8_t> kept;
  ASSERT_TRUE(le_read_file(path.c_str(), kept, 1 << 20));
  EXPECT_EQ(kept, old_map);
  std::filesystem::remove(path + ".tmp");
  EXPECT_EQ(mapfile_save_to(path.c_str(), "neu"), 1);
  std::vector<uint8_t> saved;
  ASSERT_TRUE(le_read_file(path.c_str(), saved, 1 << 20));
  EXPECT_STREQ(reinterpret_cast<const char*>(saved.data() + 32), "neu");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  ui_reset_seams();
  std::filesystem::remove_all(dir);
}
