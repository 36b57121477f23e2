#include "design/cluster_balloon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/le_bytes.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_db.h"
#include "tests/native/acoustic_model.h"
#include "tests/native/run_folder.h"

namespace {

using namespace acoustic_model;
namespace fs = std::filesystem;

std::vector<std::string> g_boxes;
int g_answer = UI_IDYES;
int record_box(const char* text, const char*, unsigned) {
  g_boxes.push_back(text);
  return g_answer;
}

// A smooth directional band: 0 dB on the axis, falling with the polar angle
// and a little with the azimuth, so that neighbouring cells differ by little.
void fill_directional(SpeakerRecord& r) {
  for (int b = 0; b < SPK_BANDS; ++b)
    for (int row = 0; row < SPK_BALLOON_ROWS; ++row)
      for (int col = 0; col < SPK_BALLOON_COLS; ++col) {
        double around = row == 0 || row == 36 ? 0.0 : 1.5 * (1 - std::cos(col * 5.0 * 3.14159265 / 180));
        r.balloon[b][row][col] = spk_db_to_balloon_byte(-0.6 * (1 + 0.1 * b) * row - around);
      }
}

class Cluster : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    ui_seams().message_box = record_box;
    g_boxes.clear();
    g_answer = UI_IDYES;
    dir_ = run_folder::fresh("cluster");
  }
  void TearDown() override {
    clear_model();
    fs::remove_all(dir_);
  }
  // A loudspeaker with power and intensity in every band and a small shape:
  // one triangle and the two axis nodes.
  DrawObject* speaker(float x, float y, float z, float power = 10.0f, float intensity = 1e10f) {
    DrawObject* o = add_speaker(x, y, z, intensity);
    PlacedSpeaker& ps = speaker_of(o);
    for (float& p : ps.band_power) p = power;
    o->nodes = obj_alloc_nodes(5);
    o->node_count = 5;
    const WorldPoint n[5] = {{x, y, z}, {x + 1, y, z}, {x, y + 1, z}, {x + 1, y, z}, {x, y, z + 1}};
    std::memcpy(o->nodes, n, sizeof n);
    o->elements = obj_alloc_elements(3);
    o->element_count = 3;
    o->elements[0] = {EL_START, 0};
    o->elements[1] = {EL_LINE, 1};
    o->elements[2] = {EL_CLOSE, 2};
    o->attributes = OBJ_ATTR_SELECTED;
    return o;
  }
  SpeakerRecord& cluster_of(const std::vector<DrawObject*>& objects, int mode = CLUSTER_SUMMATION_MODE) {
    spk_cluster_group(objects, group_);
    EXPECT_EQ(spk_cluster_measure(group_, mode), 1);
    spk_cluster_fill_record(group_, "Testcluster", record_);
    return record_;
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
  ClusterGroup group_;
  SpeakerRecord record_;
};

TEST_F(Cluster, OneLoudspeakerGivesBackItsOwnBalloon) {
  SpeakerRecord* type = add_flat_type();
  fill_directional(*type);
  DrawObject* o = speaker(2, 3, 4);
  const SpeakerRecord& r = cluster_of({o});
  int worst = 0;
  for (int b = 0; b < SPK_BANDS; ++b)
    for (int row = 0; row < SPK_BALLOON_ROWS; ++row)
      for (int col = 0; col < SPK_BALLOON_COLS; ++col)
        worst = std::max(worst, std::abs(int(r.balloon[b][row][col]) - int(type->balloon[b][row][col])));
  EXPECT_LE(worst, 1);
  for (int b = 0; b < SPK_BANDS; ++b) {
    EXPECT_EQ(r.balloon[b][0][0], 225) << b;  // the loudest point
    EXPECT_FLOAT_EQ(r.rated_power[b], 10.0f);
  }
}

// Energies add in the energetic mode; in the octave-band mode two equal
// sources at one place add in phase.
TEST_F(Cluster, TwoCoincidentEqualLoudspeakersAddUpAtEverySpherePoint) {
  add_flat_type();
  DrawObject* a = speaker(0, 0, 0);
  std::vector<float> single[2];
  const int modes[2] = {1, CLUSTER_SUMMATION_MODE};
  const double gain_db[2] = {10 * std::log10(2.0), 10 * std::log10(4.0)};
  for (int m = 0; m < 2; ++m) {
    spk_cluster_group({a}, group_);
    ASSERT_EQ(spk_cluster_measure(group_, modes[m]), 1);
    for (int i = 0; i < CLUSTER_SPHERE_POINTS; ++i) single[m].push_back(g_coverage_grid.points[i].energy[3]);
  }
  DrawObject* b = speaker(0, 0, 0);
  for (int m = 0; m < 2; ++m) {
    spk_cluster_group({a, b}, group_);
    ASSERT_EQ(spk_cluster_measure(group_, modes[m]), 1);
    ASSERT_EQ(g_coverage_grid.point_count, uint32_t(CLUSTER_SPHERE_POINTS));
    double worst = 0;
    for (int i = 0; i < CLUSTER_SPHERE_POINTS; ++i)
      worst = std::max(worst, std::fabs(10 * std::log10(g_coverage_grid.points[i].energy[3] / single[m][i]) - gain_db[m]));
    EXPECT_LT(worst, 0.01) << "mode " << modes[m];
  }
  spk_cluster_fill_record(group_, "", record_);
  for (int band = 0; band < SPK_BANDS; ++band) EXPECT_FLOAT_EQ(record_.rated_power[band], 20.0f);
}

TEST_F(Cluster, SwitchedOffMemberCountsForCentrePowerAndShapeOnly) {
  add_flat_type();
  DrawObject* on = speaker(0, 0, 0);
  DrawObject* off = speaker(4, 0, 0);
  speaker_of(off).switched_on = 0;
  spk_cluster_group({on, off}, group_);
  EXPECT_DOUBLE_EQ(group_.centre[0], 2.0);
  EXPECT_EQ(spk_cluster_build_active(group_), 1);
  EXPECT_EQ(g_active_speakers[0].speaker, &speaker_of(on));
  spk_cluster_fill_record(group_, "", record_);
  EXPECT_FLOAT_EQ(record_.rated_power[0], 20.0f);
  EXPECT_EQ(record_.shape_ref, 2 * (48 + 12 * 3 + 4 * 3));
}

// The cluster takes a band above 1, the coverage one above 1000: the same
// loudspeaker serves different bands in the two tables.
TEST_F(Cluster, MembersServeBandsAboveOneWhereTheCoverageAsksForAThousand) {
  add_flat_type();
  DrawObject* o = speaker(0, 0, 0);
  const float intensity[7] = {0.5f, 1.5f, 999.0f, 1001.0f, -500.0f, 0.0f, 2e6f};
  for (int b = 0; b < 7; ++b) speaker_of(o).intensity[b] = intensity[b];
  spk_cluster_group({o}, group_);
  struct Case {
    bool cluster;
    uint16_t mask;
  };
  for (const Case& c : {Case{true, 0x5E}, Case{false, 0x48}}) {
    ASSERT_EQ(c.cluster ? spk_cluster_build_active(group_) : cov_build_active_speakers(), 1) << c.cluster;
    EXPECT_EQ(g_active_speakers[0].band_mask, c.mask) << c.cluster;
    EXPECT_EQ(g_band_speaker_counts[2], c.cluster ? 1 : 0);
    EXPECT_EQ(g_band_speaker_counts[7], 1);  // band 3 is served in both
  }
}

TEST_F(Cluster, BandNobodyServesGivesAFlatBalloon) {
  add_flat_type();
  DrawObject* a = speaker(0, 0, 0);
  DrawObject* b = speaker(1, 0, 0);
  speaker_of(a).intensity[5] = speaker_of(b).intensity[5] = 0.5f;
  const SpeakerRecord& r = cluster_of({a, b});
  for (int row = 0; row < SPK_BALLOON_ROWS; ++row)
    for (int col = 0; col < SPK_BALLOON_COLS; ++col) ASSERT_EQ(r.balloon[5][row][col], 225);
}

// A wall between the group and half the sphere shadowed the last coverage
// run; the cluster is measured in the free field all the same.
TEST_F(Cluster, ShadowingOfAnEarlierCoverageRunIsNotUsed) {
  add_flat_type();
  add_polygon(LAYER_ROOM, {{1, -500, -500}, {1, 500, -500}, {1, 500, 500}, {1, -500, 500}}, 1);
  refl_build_face_table();
  g_resp_flags = RESP_SHADOWING | RESP_FIRST_REFLECTION;
  DrawObject* o = speaker(0, 0, 0);
  spk_cluster_group({o}, group_);
  ASSERT_EQ(spk_cluster_measure(group_, 1), 1);
  float front = g_coverage_grid.points[CLUSTER_FRONT_POLE].energy[2];
  float back = g_coverage_grid.points[CLUSTER_BACK_POLE].energy[2];
  EXPECT_NEAR(front / back, 1.0f, 1e-3f);
  EXPECT_GT(front, 1e4f);
  EXPECT_EQ(g_coverage_valid, 0);
}

TEST_F(Cluster, CancelInTheProgressBoxEndsTheMeasurement) {
  add_flat_type();
  DrawObject* o = speaker(0, 0, 0);
  ui_seams().progress_update = [](int) { return 1; };
  spk_cluster_group({o}, group_);
  EXPECT_EQ(spk_cluster_measure(group_, 1), 0);
  EXPECT_LT(g_coverage_grid.point_count, uint32_t(CLUSTER_SPHERE_POINTS));
}

// On the pool's threads the sphere gets the plain loop's bytes at every
// point, and a cancel at the same progress step leaves the same points.
TEST_F(Cluster, ThreadsMeasureTheSphereAsThePlainLoop) {
  fill_directional(*add_flat_type());
  std::vector<DrawObject*> group = {speaker(0, 0, 0), speaker(3, 1, 0), speaker(-2, 4, 1)};
  spk_cluster_group(group, group_);
  struct Run {
    std::vector<GridPoint> points;
    uint32_t cancelled_count;
  };
  static int updates_left;
  auto measure = [&](int threads, int mode) {
    g_cov_run_settings.threads = threads;
    Run r;
    ui_reset_seams();
    EXPECT_EQ(spk_cluster_measure(group_, mode), 1);
    r.points.assign(g_coverage_grid.points, g_coverage_grid.points + CLUSTER_SPHERE_POINTS);
    updates_left = 40;
    ui_seams().progress_update = [](int) { return --updates_left < 0 ? 1 : 0; };
    EXPECT_EQ(spk_cluster_measure(group_, mode), 0);
    r.cancelled_count = g_coverage_grid.point_count;
    return r;
  };
  for (int mode : {1, CLUSTER_SUMMATION_MODE}) {
    Run plain = measure(1, mode);
    EXPECT_LT(plain.cancelled_count, uint32_t(CLUSTER_SPHERE_POINTS));
    for (int threads : {3, 8}) {
      Run pooled = measure(threads, mode);
      for (int i = 0; i < CLUSTER_SPHERE_POINTS; ++i)
        ASSERT_EQ(std::memcmp(pooled.points[size_t(i)].energy, plain.points[size_t(i)].energy, sizeof plain.points[0].energy), 0)
            << "mode " << mode << ", " << threads << " threads, point " << i;
      EXPECT_EQ(pooled.cancelled_count, plain.cancelled_count) << threads;
    }
  }
}

TEST_F(Cluster, DirectivityAndEfficiencyStayInTheirFields) {
  add_flat_type();
  DrawObject* loud = speaker(0, 0, 0, 1.0f, 1e30f);
  const SpeakerRecord& r = cluster_of({loud});
  for (int b = 0; b < SPK_BANDS; ++b) {
    EXPECT_EQ(r.q_factor[b], 10) << b;         // a flat balloon radiates evenly
    EXPECT_EQ(r.efficiency[b], 32767) << b;   // far beyond the field
  }
  speaker_of(loud).switched_on = 0;  // nothing sounds: 0 dB at 1 W, no efficiency
  const SpeakerRecord& q = cluster_of({loud});
  EXPECT_FLOAT_EQ(q.sensitivity[0], 0.0f);
  EXPECT_EQ(q.efficiency[0], 0);
  EXPECT_EQ(q.balloon[0][10][10], 225);
}

// The file is decoded here field by field, and then opened and loaded the
// way the design program opens any database.
TEST_F(Cluster, SavedDatabaseReadsBackAsOneClusterType) {
  add_flat_type();
  DrawObject* a = speaker(0, 0, 3);
  DrawObject* b = speaker(2, 0, 3);
  cluster_of({a, b});
  std::vector<uint8_t> image;
  spk_cluster_file_image(group_, record_, image);
  std::string file = path("C1.OSB");
  ASSERT_EQ(spk_cluster_save(file.c_str(), image, 1), 1);
  EXPECT_TRUE(g_boxes.empty());

  std::vector<uint8_t> data;
  ASSERT_TRUE(le_read_file(file.c_str(), data, 1 << 20));
  size_t shapes = 2 * (48 + 3 * 12 + 3 * 4);
  ASSERT_EQ(data.size(), 32u + SPK_RECORD_SIZE + shapes);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.data())), "ORVANTE SPEAKER DATABASE V140");
  EXPECT_EQ(le_get_u16(&data[30]), 1);
  std::vector<uint8_t> rec(data.begin() + 32, data.begin() + 32 + SPK_RECORD_SIZE);
  ASSERT_EQ(sdb_decode_record(rec.data()), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&rec[0])), "LS ARRAY");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&rec[21])), "CLUSTER");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&rec[30])), "Testcluster");
  EXPECT_EQ(rec[71], 2);
  EXPECT_EQ(le_get_u16(&rec[72]), 1);
  EXPECT_FLOAT_EQ(le_get_f32(&rec[104]), 20.0f);
  EXPECT_EQ(le_get_u32(&rec[196]), shapes);
  size_t chunk = 32 + SPK_RECORD_SIZE;
  EXPECT_EQ(le_get_u32(&data[chunk + 4]), 1u);                       // another follows
  EXPECT_EQ(le_get_u32(&data[chunk + 9 * 4]), 3u);                   // axis nodes left out
  EXPECT_EQ(le_get_u32(&data[chunk + 6 * 4]) & OBJ_ATTR_SELECTED, 0u);
  EXPECT_FLOAT_EQ(le_get_f32(&data[chunk + 48]), -1.0f);             // centred on (1, 0, 3)
  EXPECT_FLOAT_EQ(le_get_f32(&data[chunk + 48 + 8]), 0.0f);
  EXPECT_EQ(le_get_u32(&data[chunk + 96 + 4]), 0u);                  // the last one

  ASSERT_EQ(sdb_open_path(file.c_str()), 1);
  EXPECT_EQ(g_sdb_version, SDB_VERSION_140);
  ASSERT_EQ(g_sdb_index.count, 1);
  EXPECT_EQ(std::string(g_sdb_index.names[0]), "CLUSTER");
  ASSERT_EQ(sdb_load_type(1, "CLUSTER"), 1);
  const SpeakerRecord* loaded = g_speaker_types.records[1];
  g_speaker_types.count = 2;
  EXPECT_EQ(std::memcmp(loaded->balloon, record_.balloon, sizeof record_.balloon), 0);
  ASSERT_NE(loaded->symbol, nullptr);
  EXPECT_EQ(loaded->symbol->node_count, 3u * 2 + 2);
  EXPECT_EQ(loaded->symbol->element_count, 6u);
  EXPECT_FLOAT_EQ(loaded->symbol->nodes[3].x, 1.0f);  // the second member, centred
}

TEST_F(Cluster, SavingOverAFileAsksAndKeepsABackup) {
  std::string file = path("C2.OSB");
  const std::vector<uint8_t> old_data = {1, 2, 3}, new_data = {4, 5};
  FILE* f = std::fopen(file.c_str(), "wb");
  std::fwrite(old_data.data(), 1, old_data.size(), f);
  std::fclose(f);
  std::vector<uint8_t> read;
  g_answer = UI_IDNO;
  EXPECT_EQ(spk_cluster_save(file.c_str(), new_data, 1), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  ASSERT_TRUE(le_read_file(file.c_str(), read, 100));
  EXPECT_EQ(read, old_data);
  g_answer = UI_IDYES;
  EXPECT_EQ(spk_cluster_save(file.c_str(), new_data, 1), 1);
  ASSERT_TRUE(le_read_file(file.c_str(), read, 100));
  EXPECT_EQ(read, new_data);
  ASSERT_TRUE(le_read_file(path("C2_old.OSB").c_str(), read, 100));
  EXPECT_EQ(read, old_data);
}

TEST_F(Cluster, FailedWriteIsReported) {
  std::string file = path("missing/C3.OSB");
  EXPECT_EQ(spk_cluster_save(file.c_str(), {1, 2}, 1), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Kann Datei nicht speichern -Schreibschutz?");
  EXPECT_FALSE(fs::exists(file));
}

}  // namespace
