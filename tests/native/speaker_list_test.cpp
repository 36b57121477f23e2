#include "acoustics/speaker_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acoustics/face_table.h"
#include "design/cluster_balloon.h"
#include "framework/units.h"
#include "speakers/speaker_db.h"
#include "tests/native/acoustic_model.h"
#include "tests/native/run_folder.h"

namespace {

using namespace acoustic_model;

class SpeakerList : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    g_unit_feet = 0;
    SpeakerRecord* t = add_flat_type();
    std::strcpy(t->type_name, "ABC");
    std::strcpy(t->manufacturer, "Hersteller");
    for (int b = 0; b < SPK_BANDS; ++b) t->rated_power[b] = 100.0f, t->sensitivity[b] = 90.0f;
    add_flat_type();
    std::strcpy(g_speaker_types.records[1]->type_name, "XYZ");
  }
  void TearDown() override {
    spk_list_free();
    g_unit_feet = 0;
    clear_model();
  }
  PlacedSpeaker& place(float x, float y, float z, int type = 0) {
    PlacedSpeaker& ps = speaker_of(add_speaker(x, y, z, 0.0f, type));
    ps.object = nullptr;
    for (float& g : ps.eq_gain) g = -10.0f;
    return ps;
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (int i = 0; i < g_spk_list_count; ++i) {
      char text[80];
      spk_format_list_row(text, sizeof text, i);
      out.push_back(text);
    }
    return out;
  }
};

TEST_F(SpeakerList, RowsAreSortedByXThenYThenZ) {
  const struct {
    std::vector<WorldPoint> placed;
    std::vector<std::string> expected;
  } cases[] = {
      {{{0, 0, 5}, {0, 0, 1}, {0, 0, 3}},
       {"001\tABC\t0.0,0.0,1.0", "002\tABC\t0.0,0.0,3.0", "003\tABC\t0.0,0.0,5.0"}},
      {{{1, 0, 0}, {0, 5, 0}}, {"001\tABC\t0.0,5.0,0.0", "002\tABC\t1.0,0.0,0.0"}},
      {{{1, 2.26f, 3}}, {"001\tABC\t1.0,2.3,3.0"}},
  };
  for (const auto& c : cases) {
    obj_free_all();
    for (const WorldPoint& p : c.placed) place(p.x, p.y, p.z);
    ASSERT_EQ(spk_list_fill(), int(c.placed.size()));
    spk_sort_list();
    EXPECT_EQ(rows(), c.expected);
  }
}

TEST_F(SpeakerList, RowsInFeetAndOnlyObjectsWithABlock) {
  place(1, 0, 0);
  DrawObject* bare = obj_create(0, 0, 0);  // a layer-2 object that is no loudspeaker
  bare->layer = LAYER_SPEAKER;
  obj_append(bare);
  g_unit_feet = 1;
  ASSERT_EQ(spk_list_fill(), 1);
  EXPECT_EQ(rows(), std::vector<std::string>{"001\tABC\t3.3,0.0,0.0"});
  EXPECT_EQ(g_spk_list[0]->object, g_obj_head);  // the back pointer is set
}

TEST_F(SpeakerList, NothingToListGivesNoTable) {
  EXPECT_EQ(spk_list_fill(), 0);
  EXPECT_EQ(g_spk_list, nullptr);
}

TEST_F(SpeakerList, SwitchedOffLoudspeakerShowsAndAddsNothing) {
  PlacedSpeaker& on = place(0, 0, 0);
  PlacedSpeaker& off = place(1, 0, 0);
  off.switched_on = 0;
  spk_update_band_power(off);
  ASSERT_EQ(spk_list_fill(), 2);
  float electrical[7], acoustic[7];
  spk_list_power_totals(electrical, acoustic);
  for (int b = 0; b < SPK_BANDS; ++b) {
    EXPECT_NEAR(electrical[b], 10.0f, 1e-4f) << b;  // 100 W at -10 dB
    EXPECT_FLOAT_EQ(spk_list_shown_power(off, b), 0.0f);
    EXPECT_NEAR(spk_list_shown_power(on, b), 10.0f, 1e-4f);
    // 10 W at 90 dB radiates 4 pi 1e10 x 1e-12 W with Q = 1.
    EXPECT_NEAR(acoustic[b], 12.566370616 * 1e10 * 1e-12, 1e-3) << b;
  }
}

// The type comes from a database written for the test: the cluster format
// is a one-record database like any other.
TEST_F(SpeakerList, ReplacingATypeChangesEveryLoudspeakerOfThatTypeOnly) {
  namespace fs = std::filesystem;
  fs::path file = run_folder::path() / "speaker_list.OSB";
  ClusterGroup none{};
  SpeakerRecord* r = spk_record_alloc();
  spk_cluster_fill_record(none, "", *r);
  for (int b = 0; b < SPK_BANDS; ++b) r->rated_power[b] = 50.0f + b;
  std::vector<uint8_t> image;
  spk_cluster_file_image(none, *r, image);
  spk_record_free(r);
  fs::remove(file);
  ASSERT_EQ(spk_cluster_save(file.string().c_str(), image, 1), 1);
  ASSERT_EQ(sdb_open_path(file.string().c_str()), 1);
  ASSERT_EQ(sdb_read_type_head(0), 1);

  place(0, 0, 0, 0), place(1, 0, 0, 1), place(2, 0, 0, 0);
  ASSERT_EQ(spk_list_fill(), 3);
  std::vector<int> changed;
  static std::vector<int>* seen;
  seen = &changed;
  EXPECT_EQ(spk_list_replace_type(0, "CLUSTER", [](int row) { seen->push_back(row); }), 2);
  EXPECT_EQ(changed, (std::vector<int>{0, 2}));
  for (int row : {0, 2}) {
    const PlacedSpeaker& ps = *g_spk_list[row];
    EXPECT_EQ(ps.type_index, 2);
    EXPECT_FLOAT_EQ(ps.nominal_power, 56.0f);
    for (int b = 0; b < SPK_BANDS; ++b) EXPECT_FLOAT_EQ(ps.eq_gain[b], -9.0f);
  }
  EXPECT_EQ(g_spk_list[1]->type_index, 1);
  EXPECT_FLOAT_EQ(g_spk_list[1]->eq_gain[0], -10.0f);
  EXPECT_EQ(spk_list_change_type(1, "NOSUCH"), 0);
  EXPECT_EQ(g_spk_list[1]->type_index, 1);
  fs::remove(file);
}

TEST_F(SpeakerList, PrintedCharacterSizeFollowsThePageWidth) {
  const struct {
    int horz_res, h, w;
  } cases[] = {{6000, 72, 32}, {5999, 42, 18}, {3600, 42, 18}, {3599, 36, 16}, {3000, 36, 16}, {2479, 18, 8}};
  for (const auto& c : cases) {
    int h, w;
    spk_list_char_size(c.horz_res, &h, &w);
    EXPECT_EQ(h, c.h) << c.horz_res;
    EXPECT_EQ(w, c.w) << c.horz_res;
  }
}

TEST_F(SpeakerList, FortyFifthRowStartsPageTwo) {
  EXPECT_EQ(spk_list_page_of_row(43), 1);
  EXPECT_EQ(spk_list_page_of_row(44), 2);
  EXPECT_EQ(spk_list_row_top(44, 18), 180);
  EXPECT_EQ(spk_list_row_top(43, 18), 180 + 43 * 22);
}

TEST_F(SpeakerList, PrintedRowHasItsCellsUnderTheTitles) {
  add_floor(LAYER_ROOM, -50, 50, -50, 50, 0);
  refl_build_face_table();
  PlacedSpeaker& ps = place(1, 2, 3);
  ps.vertical_angle = float(-3.141592654 / 2);
  ps.delay_ms = 1.5f;
  spk_update_band_power(ps);
  place(5, 0, 3);  // aimed along +x: meets no face
  ASSERT_EQ(spk_list_fill(), 2);
  const int w = 8;
  SpkPrintCell titles[SPK_LIST_MAX_CELLS], row[SPK_LIST_MAX_CELLS], other[SPK_LIST_MAX_CELLS];
  ASSERT_EQ(spk_list_title_cells(w, titles), 21);
  ASSERT_EQ(spk_list_row_cells(0, w, row), 21);
  ASSERT_EQ(spk_list_row_cells(1, w, other), 21);
  const std::vector<std::string> expected = {"  1", "Hersteller", "ABC", "", " 1.0", " 2.0", " 3.0", "0 °", "-90 °",
                                             "0 °", "1.500", " 1.0", " 2.0", " 0.0", "10.0", "10.0", "10.0", "10.0",
                                             "10.0", "10.0", "10.0"};
  for (int i = 0; i < 21; ++i) {
    EXPECT_EQ(row[i].text, expected[i]) << i;
    if (i > 0) {
      EXPECT_EQ(row[i].left, titles[i].left) << titles[i].text;
    }
  }
  EXPECT_EQ(row[0].left, 100 - 2 * w);
  EXPECT_EQ(row[0].align, SPK_CELL_RIGHT);
  EXPECT_EQ(std::string(titles[20].text), "W 8 k");
  EXPECT_EQ(titles[20].left, 100 + 175 * w);
  EXPECT_EQ(spk_list_frame_right(w), titles[20].left + 8 * w);
  for (int i = 11; i < 14; ++i) {
    EXPECT_EQ(std::string(other[i].text), "---");
    EXPECT_EQ(other[i].align, SPK_CELL_CENTRE);
  }
}

TEST_F(SpeakerList, WideElectricalTotalsLoseTheirDecimalPlace) {
  const float totals[7] = {10000.0f, 9999.96f, 12.34f, 0, 0, 0, 123456.0f};
  SpkPrintCell cells[SPK_LIST_MAX_CELLS];
  ASSERT_EQ(spk_list_total_cells("Leistungsaufnahme Total :", totals, 1, 8, cells), 8);
  EXPECT_EQ(cells[0].left, 100 + 84 * 8);
  EXPECT_EQ(cells[0].right, 100 + 114 * 8);
  EXPECT_EQ(std::string(cells[1].text), "10000");
  EXPECT_EQ(std::string(cells[2].text), "10000.0");
  EXPECT_EQ(std::string(cells[3].text), "12.3");
  EXPECT_EQ(std::string(cells[7].text), "123456");
  EXPECT_EQ(cells[1].left, 100 + 127 * 8);
  ASSERT_EQ(spk_list_total_cells("Akustische Leistung Total :", totals, 0, 8, cells), 8);
  EXPECT_EQ(std::string(cells[1].text), "10000.0");
}

}  // namespace
