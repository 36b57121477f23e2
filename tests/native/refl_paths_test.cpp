#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/ray_file.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_assign.h"
#include "acoustics/refl_calc.h"
#include "acoustics/refl_search.h"
#include "framework/le_bytes.h"

using namespace acoustic_model;

namespace {

std::vector<std::string> g_messages;

int record(const char* text, const char* caption, unsigned) {
  g_messages.push_back(std::string(caption ? caption : "") + "|" + (text ? text : ""));
  return int(UI_IDOK);
}

class ReflPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    g_messages.clear();
    ui_seams().message_box = record;
    g_refl_mean_free_path = 0.0;
  }
  void TearDown() override { clear_model(); }
  static std::string temp(const char* name) { return ::testing::TempDir() + name; }
};

PathRecord make_path(std::initializer_list<PathEntry> entries) {
  PathRecord p{};
  int n = 0;
  for (const PathEntry& e : entries) p.entries[n++] = e;
  p.reflection_count = int16_t(n - 2);
  p.rx = p.entries[n - 1].x, p.ry = p.entries[n - 1].y, p.rz = p.entries[n - 1].z;
  return p;
}

TEST_F(ReflPaths, SpoolFileReadsBackAsRayPathObjects) {
  std::string name = temp("spool.tmp");
  PathSpool spool;
  ASSERT_EQ(refl_spool_open(spool, name.c_str()), 1);
  // Enough paths to pass the 64000-byte buffer several times.
  for (int i = 0; i < 3000; ++i) {
    PathRecord p = make_path({{PATH_TAG_SOURCE, 0, 0, 0}, {uint16_t(i % 7), float(i), 1, 2}, {PATH_TAG_RECEIVER, 5, 5, 5}});
    ASSERT_EQ(refl_spool_path(spool, p, 3), 1);
  }
  PathRecord direct = make_path({{PATH_TAG_SOURCE, 0, 0, 0}, {PATH_TAG_RECEIVER, 5, 5, 5}});
  refl_spool_path(spool, direct, 2);
  ASSERT_EQ(refl_spool_close(spool), 1);
  EXPECT_EQ(spool.path_count, 3001u);
  EXPECT_EQ(refl_read_path_spool(name.c_str()), 3001u);
  EXPECT_EQ(std::fopen(name.c_str(), "rb"), nullptr);  // deleted
  // The last path read comes first.
  DrawObject* first = g_obj_head;
  ASSERT_TRUE(rpath_is_path(first));
  EXPECT_EQ(first->node_count, 2u);
  EXPECT_EQ(first->kind, RAYPATH_KIND);
  EXPECT_EQ(first->colour, 23u);
  EXPECT_EQ(first->aux_size, 66u);
  EXPECT_EQ(rpath_tag(first, 0), PATH_TAG_SOURCE);
  EXPECT_EQ(rpath_tag(first, 1), PATH_TAG_RECEIVER);
  DrawObject* second = first->next;
  EXPECT_EQ(second->node_count, 3u);
  EXPECT_EQ(rpath_reflections(second), 1);
  EXPECT_EQ(rpath_tag(second, 1), 2999 % 7);
  EXPECT_FLOAT_EQ(second->nodes[1].x, 2999.0f);
  EXPECT_EQ(second->elements[0].code, EL_START);
  EXPECT_EQ(second->elements[2].code, EL_LINE);
  EXPECT_EQ(second->elements[2].value, 2);
  EXPECT_EQ(g_obj_tail->nodes[1].x, 0.0f);
  refl_remove_paths();
  EXPECT_EQ(g_obj_head, nullptr);
}

TEST_F(ReflPaths, SpoolWriteFailureIsReported) {
  // The spool of a calculation in a folder that does not exist.
  add_floor(LAYER_ROOM, 0, 10, 0, 10, 0, 1);
  add_speaker(2, 2, 2, 1e6f);
  refl_build_face_table();
  cov_build_active_speakers();
  std::string name = temp("no such folder/RF1.TMP");
  EXPECT_EQ(refl_calculate_rays({5, 5, 1}, 1, name.c_str()), -1);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "|Datei kann nicht auf Laufwerk geschrieben werden");
  // A file that takes no more writes (the last flush fails).
  PathSpool spool;
  ASSERT_EQ(refl_spool_open(spool, temp("ro.tmp").c_str()), 1);
  std::fclose(spool.file);
  spool.file = std::fopen(temp("ro.tmp").c_str(), "rb");
  PathRecord direct = make_path({{PATH_TAG_SOURCE, 0, 0, 0}, {PATH_TAG_RECEIVER, 5, 5, 5}});
  refl_spool_path(spool, direct, 2);
  EXPECT_EQ(refl_spool_close(spool), 0);
  EXPECT_EQ(spool.write_failed, 1);
  std::remove(temp("ro.tmp").c_str());
  char out[64];
  refl_spool_name(out, sizeof out, "C:\\ORV", 1234);
  EXPECT_STREQ(out, "C:\\ORV\\RF1234.TMP");
  refl_spool_name(out, sizeof out, "C:\\ORV\\", 7);
  EXPECT_STREQ(out, "C:\\ORV\\RF7.TMP");
}

// The ray command's orders in a room of 2030 faces (a floor of 2025 tiles):
// 2029^3 passes 8e9, so image sources give orders 0 to 2 and rays the
// orders from 3 up to the one asked for; asked for 2, only image sources.
TEST_F(ReflPaths, RayCommandSplitsItsOrdersBetweenImagesAndRays) {
  set_materials(0.1f);
  for (int i = 0; i < 45; ++i)
    for (int j = 0; j < 45; ++j) add_floor(LAYER_ROOM, 0.4f * i, 0.4f * (i + 1), 0.3f * j, 0.3f * (j + 1), 0, 1);
  add_box(0, 0, 0, 18, 13.5f, 5);
  obj_free(g_obj_tail->prev->prev->prev->prev->prev);  // the box's own floor
  add_speaker(3, 4, 2.5f, 1e6f);
  refl_build_face_table();
  refl_sort_face_table();
  ASSERT_EQ(g_face_count, 2030);
  cov_build_active_speakers();
  std::string name = temp("RF9.TMP");
  for (int order : {2, 4}) {
    SCOPED_TRACE(testing::Message() << "order " << order);
    long spooled = refl_calculate_rays({12, 9, 1.2f}, order, name.c_str());
    ASSERT_GT(spooled, 0);
    ASSERT_EQ(refl_read_path_spool(name.c_str()), uint32_t(spooled));
    int per_order[6] = {};
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (rpath_is_path(o)) per_order[std::min<int>(rpath_reflections(o), 5)] += 1;
    EXPECT_EQ(per_order[0], 1);
    EXPECT_GT(per_order[1], 0);
    EXPECT_GT(per_order[2], 0);
    EXPECT_EQ(per_order[3] > 0 && per_order[4] > 0, order == 4);
    EXPECT_EQ(per_order[5], 0);
    EXPECT_GT(g_refl_mean_free_path, 1.0);
    refl_remove_paths();
  }
}

// A path object with the given points, as the read-back makes it.
DrawObject* add_path(std::initializer_list<WorldPoint> points, std::initializer_list<uint16_t> faces) {
  DrawObject* o = rpath_create(uint32_t(points.size()));
  uint32_t i = 0;
  for (const WorldPoint& p : points) o->nodes[i++] = p;
  i = 1;
  for (uint16_t f : faces) rpath_set_tag(o, i++, f);
  rpath_set_tag(o, o->node_count - 1, PATH_TAG_RECEIVER);
  obj_insert_before(o, g_obj_head);
  return o;
}

TEST_F(ReflPaths, AssignmentGivesTimesLevelsAndSources) {
  set_materials(0.25f);
  add_floor(LAYER_ROOM, 0, 20, 0, 20, 0, 1);
  DrawObject* ls = add_speaker(2, 2, 3, 2e6f);
  speaker_of(ls).delay_ms = 5.0f;
  add_speaker(2.05f, 2, 3, 1e6f);  // within 0.1 of the first: shares its paths
  g_refl_mean_free_path = 4.0;
  DrawObject* direct = add_path({{2, 2, 3}, {8, 10, 3}}, {});
  DrawObject* reflected = add_path({{2.05f, 2, 3}, {5, 6, 0}, {8, 10, 3}}, {0});
  add_path({{9, 9, 9}, {8, 10, 3}}, {});          // no loudspeaker there
  add_path({{2, 2, 3}, {5, 6, 0}, {8, 10, 3}}, {1});  // face beyond the table
  EXPECT_EQ(refl_assign_paths(), 2u);
  EXPECT_EQ(refl_count_paths(), 2u);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Information :|2 Pfade wurden nicht zugeordnet");
  // Direct: from the first loudspeaker, 10 m, 5 ms delay.
  EXPECT_EQ(rpath_tag(direct, 0), 0);
  EXPECT_NEAR(rpath_time_ms(direct), 5.0 + 1000.0 * 10.0 / 343.0, 1e-3);
  EXPECT_NEAR(rpath_level(direct, 0), 2e6 / 100.0, 1.0);
  EXPECT_NEAR(rpath_level(direct, 6), 2e6 / 100.0 * std::pow(0.965, 10.0), 1.0);
  // Reflected: from the second loudspeaker (no delay), one reflection off alpha 0.25.
  EXPECT_EQ(rpath_tag(reflected, 0), 1);
  double l = std::sqrt(2.95 * 2.95 + 16.0 + 9.0) + std::sqrt(34.0);
  EXPECT_NEAR(rpath_time_ms(reflected), 1000.0 * l / 343.0, 1e-3);
  EXPECT_NEAR(rpath_level(reflected, 0), 1e6 / (l * l) * 0.75, 0.5);
  EXPECT_EQ(g_refl_decay.band_values, 1);
  EXPECT_FLOAT_EQ(g_refl_decay.mean_absorption[0], 0.25f);
  EXPECT_FLOAT_EQ(g_refl_decay.mean_free_path, 4.0f);
  EXPECT_FLOAT_EQ(g_refl_decay.reflection_rate, 343.0f / 4.0f);
  // Air absorption goes into the exponent of the decay.
  double t6 = 6 * std::log(10.0) * 4.0 / (343.0 * (-std::log(0.75) - 4.0 * std::log(0.965)));
  EXPECT_NEAR(g_refl_decay.decay_time[6], t6, 1e-5);
  EXPECT_NEAR(refl_decay_time(0.25, 4.0, 1.0), 6 * std::log(10.0) * 4.0 / (343.0 * -std::log(0.75)), 1e-9);
}

TEST_F(ReflPaths, AssignmentWithoutPathsOrMeanFreePath) {
  set_materials(0.25f);
  add_floor(LAYER_ROOM, 0, 20, 0, 20, 0, 1);
  add_speaker(2, 2, 3, 2e6f);
  add_path({{2, 2, 3}, {8, 10, 3}}, {});
  g_refl_mean_free_path = 0.05;
  EXPECT_EQ(refl_assign_paths(), 1u);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Info :|Mittlere freie Wegstrecke nicht ermittelbar");
  EXPECT_EQ(g_refl_decay.band_values, 0);
  EXPECT_FLOAT_EQ(g_refl_decay.mean_free_path, 0.1f);
  EXPECT_FLOAT_EQ(g_refl_decay.decay_time[0], 0.0f);
  // Only direct paths: every mean absorption is 0.01.
  g_messages.clear();
  g_refl_mean_free_path = 5.0;
  EXPECT_EQ(refl_assign_paths(), 1u);
  EXPECT_FLOAT_EQ(g_refl_decay.mean_absorption[3], 0.01f);
  refl_remove_paths();
  add_path({{9, 9, 9}, {8, 10, 3}}, {});
  g_messages.clear();
  EXPECT_EQ(refl_assign_paths(), 0u);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "|Keine gültigen Pfade gefunden, Vorgang abgebrochen");
}

TEST_F(ReflPaths, TimeSortKeepsTheOrderOfTies) {
  // Read-back order (head first) and the times; the expected order by name.
  struct Case {
    std::vector<float> times;
    std::vector<int> sorted;  // indices into times
  } cases[] = {
      {{3, 1, 2}, {1, 2, 0}},
      {{1, 2, 2, 3}, {0, 1, 2, 3}},     // equal to the latest: behind
      {{2, 3, 2, 1}, {3, 2, 0, 1}},     // below the latest: in front of its equals
      {{5, 5, 5}, {0, 1, 2}},
      {{4, 1, 1, 1}, {3, 2, 1, 0}},     // each goes first: the last one read leads
  };
  for (const Case& c : cases) {
    obj_free_all();
    DrawObject* tail_object = add_floor(LAYER_ROOM, 0, 1, 0, 1, 0);
    std::vector<DrawObject*> made;
    for (size_t i = 0; i < c.times.size(); ++i) {
      DrawObject* o = rpath_create(2);
      rpath_set_time_ms(o, c.times[i]);
      obj_insert_before(o, tail_object);
      made.push_back(o);
    }
    refl_sort_paths_by_time();
    DrawObject* o = g_obj_head;
    for (int index : c.sorted) {
      ASSERT_EQ(o, made[size_t(index)]) << "case starting " << c.times[0];
      o = o->next;
    }
    EXPECT_EQ(o, tail_object);
  }
}

// Loudspeakers at one place share their paths: every path goes to the
// first of them; a path further than 0.1 from every loudspeaker has none.
TEST_F(ReflPaths, PathSourceIsTheNearestLoudspeakerWithinATenth) {
  add_speaker(2, 2, 3, 1e6f);
  add_speaker(2, 2, 3, 1e6f);  // at the same place
  add_speaker(5, 5, 3, 1e6f);
  add_speaker(5.06f, 5, 3, 1e6f);
  cov_build_active_speakers();
  ASSERT_EQ(g_active_speaker_count, 4);
  struct {
    WorldPoint at;
    int source;
  } cases[] = {{{2, 2, 3}, 0}, {{2.09f, 2, 3}, 0}, {{2, 2.11f, 3}, -1}, {{5.02f, 5, 3}, 2},
               {{5.04f, 5, 3}, 3}, {{5.025f, 5, 3.05f}, 2}, {{9, 9, 9}, -1}};
  for (const auto& c : cases)
    EXPECT_EQ(refl_find_source_at(c.at), c.source) << c.at.x << ", " << c.at.y << ", " << c.at.z;
}

TEST_F(ReflPaths, BalloonGainFollowsTheAimedAxis) {
  add_speaker(0, 0, 0, 2e6f);
  SpeakerRecord* type = add_flat_type();
  for (int r = 0; r < 37; ++r)
    for (int c = 0; c < 72; ++c) type->balloon[0][r][c] = uint8_t(225 - 5 * r);  // -1 dB per 5 degrees
  cov_build_active_speakers();
  double gain[7];
  refl_balloon_gain({10, 0, 0}, g_active_speakers[0], gain);
  EXPECT_NEAR(gain[0], 1.0, 1e-4);
  EXPECT_NEAR(gain[3], 1.0, 1e-9);  // flat in the other bands
  refl_balloon_gain({0, 10, 0}, g_active_speakers[0], gain);  // 90 degrees off axis: row 18
  EXPECT_NEAR(gain[0], std::pow(10.0, -1.8), 1e-3);
  // Aimed 90 degrees to the left the same point is on axis.
  speaker_of(g_obj_head).horizontal_angle = 1.57079633f;
  cov_build_active_speakers();
  refl_balloon_gain({0, 10, 0}, g_active_speakers[0], gain);
  EXPECT_NEAR(gain[0], 1.0, 1e-3);
}

TEST_F(ReflPaths, PointCalculationWithoutAuralisationSaysSo) {
  set_materials(0.3f);
  add_floor(LAYER_ROOM, 0, 20, 0, 20, 0, 1);
  add_speaker(2, 2, 3, 2e6f);
  cov_build_active_speakers();
  refl_point_result_hook = nullptr;
  std::string name = temp("RF5.TMP");
  EXPECT_EQ(refl_calculate_at_point({10, 10, 1.2f}, 3.0f, name.c_str()), 2u);  // direct and floor
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Hinweis|Diese Funktion ist noch nicht verfügbar.");
  EXPECT_EQ(refl_count_paths(), 0u);
  EXPECT_EQ(std::fopen(name.c_str(), "rb"), nullptr);
  static uint32_t seen;
  static float ratio;
  refl_point_result_hook = [](float dr) {
    seen = refl_count_paths();
    ratio = dr;
  };
  g_messages.clear();
  refl_calculate_at_point({10, 10, 1.2f}, 3.0f, name.c_str());
  EXPECT_EQ(seen, 2u);
  EXPECT_EQ(ratio, 3.0f);
  EXPECT_TRUE(g_messages.empty());
  refl_point_result_hook = nullptr;
}

}  // namespace
