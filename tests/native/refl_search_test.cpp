#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/ray_geom.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "framework/le_bytes.h"

using namespace acoustic_model;

namespace {

struct Path {
  int reflections;
  std::vector<PathEntry> entries;
  double length() const {
    double l = 0;
    for (size_t i = 1; i < entries.size(); ++i)
      l += std::hypot(double(entries[i].x) - entries[i - 1].x, double(entries[i].y) - entries[i - 1].y,
                      double(entries[i].z) - entries[i - 1].z);
    return l;
  }
};

std::vector<Path> decode(const std::vector<uint8_t>& bytes) {
  std::vector<Path> paths;
  size_t at = 0;
  while (at + PATH_HEAD_BYTES <= bytes.size()) {
    Path p;
    p.reflections = int16_t(le_get_u16(&bytes[at]));
    at += PATH_HEAD_BYTES;
    for (int i = 0; i < p.reflections + 2; ++i, at += PATH_ENTRY_BYTES)
      p.entries.push_back(PathEntry{le_get_u16(&bytes[at]), le_get_f32(&bytes[at + 2]), le_get_f32(&bytes[at + 6]),
                                    le_get_f32(&bytes[at + 10])});
    paths.push_back(p);
  }
  return paths;
}

class ReflSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    set_materials(0.2f);
    g_refl_run_settings = ReflRunSettings{1, 0};
  }
  void TearDown() override {
    g_refl_run_settings = ReflRunSettings{0, 1};
    clear_model();
  }
  std::vector<uint8_t> search(const WorldPoint& r, int image_order, int ray_order = 0, int ray_min = 0) {
    return search_paths(r, image_order, ray_order, ray_min);
  }
};

// Image lattice of a box 0..L: per axis the images 2aL + s (2|a|
// reflections) and 2aL - s (|2a - 1| reflections).
std::vector<double> lattice_lengths(const double box[3], const double s[3], const double r[3], int order) {
  std::vector<double> out;
  for (int a = -3; a <= 3; ++a)
    for (int b = -3; b <= 3; ++b)
      for (int c = -3; c <= 3; ++c)
        for (int signs = 0; signs < 8; ++signs) {
          int ints[3] = {a, b, c};
          int n = 0;
          double d2 = 0;
          for (int k = 0; k < 3; ++k) {
            bool minus = signs & (1 << k);
            double x = 2.0 * ints[k] * box[k] + (minus ? -s[k] : s[k]);
            n += minus ? std::abs(2 * ints[k] - 1) : 2 * std::abs(ints[k]);
            d2 += (x - r[k]) * (x - r[k]);
          }
          if (n == order) out.push_back(std::sqrt(d2));
        }
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(ReflSearch, ShoeboxImageSourcesMatchTheLattice) {
  const double box[3] = {10, 8, 4}, s[3] = {2.5, 3.0, 1.7}, r[3] = {7.2, 5.1, 1.2};
  add_box(0, 0, 0, 10, 8, 4);
  add_speaker(float(s[0]), float(s[1]), float(s[2]), 1e6f);
  std::vector<Path> paths = decode(search({float(r[0]), float(r[1]), float(r[2])}, 3));
  const size_t expected[4] = {1, 6, 18, 38};
  for (int order = 0; order <= 3; ++order) {
    std::vector<double> found;
    for (const Path& p : paths)
      if (p.reflections == order) found.push_back(p.length());
    std::sort(found.begin(), found.end());
    std::vector<double> lattice = lattice_lengths(box, s, r, order);
    ASSERT_EQ(lattice.size(), expected[order]);
    ASSERT_EQ(found.size(), expected[order]) << "order " << order;
    for (size_t i = 0; i < found.size(); ++i) EXPECT_NEAR(found[i], lattice[i], 1e-3) << "order " << order;
  }
  // Every path runs source -> faces -> receiver, each reflection on its own face.
  for (const Path& p : paths) {
    EXPECT_EQ(p.entries.front().tag, PATH_TAG_SOURCE);
    EXPECT_EQ(p.entries.back().tag, PATH_TAG_RECEIVER);
    for (int i = 1; i <= p.reflections; ++i) EXPECT_LT(p.entries[size_t(i)].tag, 6);
  }
}

TEST_F(ReflSearch, FreeStandingWallHidesTheReceiver) {
  add_box(0, 0, 0, 20, 10, 5);
  // A two-sided wall across the middle (both faces), from floor to 4 m.
  add_polygon(LAYER_ROOM, {{10, 2, 0}, {10, 8, 0}, {10, 8, 4}, {10, 2, 4}}, 1);
  add_polygon(LAYER_ROOM, {{10, 2, 0}, {10, 2, 4}, {10, 8, 4}, {10, 8, 0}}, 1);
  add_speaker(5, 5, 2, 1e6f);
  std::vector<Path> paths = decode(search({14, 5, 2}, 1));
  for (const Path& p : paths) EXPECT_NE(p.reflections, 0) << "direct path through the wall";
  // The ceiling reflection passes over the wall; the floor one is blocked.
  auto via = [&](float z) {
    return std::any_of(paths.begin(), paths.end(), [&](const Path& p) {
      return p.reflections == 1 && std::fabs(p.entries[1].z - z) < 1e-3;
    });
  };
  EXPECT_TRUE(via(5.0f));
  EXPECT_FALSE(via(0.0f));
  // Without the wall the direct path is there.
  for (int i = 0; i < 2; ++i) obj_free(g_obj_tail->prev);
  paths = decode(search({14, 5, 2}, 1));
  EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const Path& p) { return p.reflections == 0; }));
}

// A one-sided wall leaning over the receiver: the line from the source's
// image through the receiver meets the wall beyond the receiver, inside the
// wall's box, but no sound reflects off its back.
TEST_F(ReflSearch, ReceiverBehindALeaningWallGetsNoReflectionOffIt) {
  add_box(0, 0, 0, 14, 10, 6);
  add_polygon(LAYER_ROOM, {{4, 6, 0}, {7, 6, 3}, {7, 9.2f, 3}, {4, 9.2f, 0}}, 1);  // facing up and toward -x
  add_speaker(2.5f, 7.3f, 1.7f, 1e6f);
  std::vector<Path> paths = decode(search({6.2f, 7.6f, 1.3f}, 2));
  ASSERT_FALSE(paths.empty());
  for (const Path& p : paths)
    for (int i = 1; i <= p.reflections; ++i) {
      const PathEntry& e = p.entries[size_t(i)];
      EXPECT_FALSE(std::fabs(e.z - (e.x - 4.0f)) < 1e-3f && e.y > 6.0f && e.y < 9.2f)
          << "reflected off the leaning wall at " << e.x << ", " << e.y << ", " << e.z;
    }
  EXPECT_FALSE(std::any_of(paths.begin(), paths.end(), [](const Path& p) { return p.reflections == 0; }));
}

// Rays that find the same image source each bring their own path: in a
// shoebox the same sequence of faces comes back from neighbouring rays,
// through slightly different points.
TEST_F(ReflSearch, PathsFoundByNeighbouringRaysAreKeptApart) {
  add_box(0, 0, 0, 10, 8, 4);
  add_speaker(2.5f, 3.0f, 1.7f, 1e6f);
  std::vector<Path> paths = decode(search({7.2f, 5.1f, 1.2f}, 1, 5, 3));
  std::map<std::vector<uint16_t>, std::vector<const Path*>> by_faces;
  for (const Path& p : paths) {
    if (p.reflections < 3) continue;
    std::vector<uint16_t> faces;
    for (int i = 1; i <= p.reflections; ++i) faces.push_back(p.entries[size_t(i)].tag);
    by_faces[faces].push_back(&p);
  }
  ASSERT_FALSE(by_faces.empty());
  int repeated = 0;
  for (const auto& [faces, found] : by_faces) {
    if (found.size() < 2) continue;
    repeated += 1;
    EXPECT_NE(found[0]->entries[1].x + found[0]->entries[1].y + found[0]->entries[1].z,
              found[1]->entries[1].x + found[1]->entries[1].y + found[1]->entries[1].z);
  }
  EXPECT_GT(repeated, 0);
}

TEST_F(ReflSearch, OrderRules) {
  struct {
    int faces, speakers, order;
  } point[] = {{1, 1, 3}, {2, 1, 3}, {28, 1, 3}, {29, 1, 2}, {148, 1, 2}, {149, 1, 1}, {22027, 1, 1}, {7, 4, 3}, {300, 3, 1}};
  for (auto& c : point) EXPECT_EQ(refl_point_order(c.faces, c.speakers), c.order) << c.faces << " x " << c.speakers;
  struct {
    int faces, order, image, rays_from;
  } split[] = {{100, 1, 1, 0}, {100, 2, 2, 0}, {100, 3, 3, 0}, {100, 10, 4, 5}, {300, 10, 4, 5},
               {300, 4, 4, 0}, {3000, 40, 2, 3}, {6, 40, 14, 15}};
  for (auto& c : split) {
    int image, rays_from;
    refl_split_orders(c.faces, c.order, &image, &rays_from);
    EXPECT_EQ(image, c.image) << c.faces << " faces, order " << c.order;
    EXPECT_EQ(rays_from, c.rays_from) << c.faces << " faces, order " << c.order;
  }
}

TEST_F(ReflSearch, RayTablesGiveTheDirectionsOfTheSearch) {
  float c[400], s[400];
  int steps[201];
  refl_ray_tables(c, s, steps);
  int rays = 0;
  for (int j = 1; j <= 199; ++j) rays += (399 / steps[j]) + 1;
  EXPECT_EQ(rays, REFL_RAYS_PER_SOURCE);
  EXPECT_EQ(steps[100], 1);
  WorldPoint d = refl_ray_direction(c, s, 100, 100);  // straight along +y
  EXPECT_NEAR(d.x, 0.0f, 1e-3);
  EXPECT_NEAR(d.y, 0.0f, 1e-3);
  EXPECT_NEAR(d.z, 1000.0f, 1e-3);
}

// A room with obstacles, slopes and a concave face, several loudspeakers:
// every way of running the search writes the same bytes.
void build_irregular_room(int speakers) {
  add_box(0, 0, 0, 24, 16, 9);
  add_polygon(LAYER_ROOM, {{3, 3, 0}, {9, 3, 0}, {9, 7, 2.5f}, {3, 7, 2.5f}}, 1);              // ramp
  add_polygon(LAYER_ROOM, {{14, 2, 1}, {20, 2, 1}, {20, 9, 1}, {17, 5, 1}, {14, 9, 1}}, 1);     // concave platform
  add_polygon(LAYER_ROOM, {{6, 12, 0}, {6, 12, 6}, {10, 15, 6}, {10, 15, 0}}, 1);               // slanted wall
  add_polygon(LAYER_ROOM, {{6, 12, 0}, {10, 15, 0}, {10, 15, 6}, {6, 12, 6}}, 1);               // its back
  add_polygon(LAYER_ROOM, {{2, 1, 8}, {2, 15, 8.5f}, {22, 15, 7.5f}, {22, 1, 7}}, 1);          // sloped reflector
  for (int i = 0; i < speakers; ++i) add_speaker(4.0f + 6.5f * i, 10.0f - 2.0f * i, 3.0f + 0.7f * i, 1e6f);
}

TEST_F(ReflSearch, FastPathsWriteTheSameImagePathsAsThePlainLoop) {
  build_irregular_room(3);
  WorldPoint r{18.3f, 11.7f, 1.6f};
  g_refl_run_settings = ReflRunSettings{1, 0};
  std::vector<uint8_t> plain = search(r, 3);
  ASSERT_GT(decode(plain).size(), 100u);
  for (ReflRunSettings s : {ReflRunSettings{1, 1}, ReflRunSettings{4, 1}, ReflRunSettings{3, 0}}) {
    g_refl_run_settings = s;
    EXPECT_EQ(search(r, 3), plain) << "threads " << s.threads << " tree " << s.use_tree;
  }
}

TEST_F(ReflSearch, FastPathsWriteTheSameRayPathsAsThePlainLoop) {
  build_irregular_room(2);
  WorldPoint r{12.5f, 8.2f, 1.4f};
  g_refl_run_settings = ReflRunSettings{1, 0};
  std::vector<uint8_t> plain = search(r, 1, 6, 2);
  std::vector<Path> paths = decode(plain);
  ASSERT_GT(paths.size(), 50u);
  for (const Path& p : paths) EXPECT_TRUE(p.reflections <= 1 || (p.reflections >= 2 && p.reflections <= 6));
  g_refl_run_settings = ReflRunSettings{4, 1};
  EXPECT_EQ(search(r, 1, 6, 2), plain);
  g_refl_run_settings = ReflRunSettings{1, 0};
  double plain_free = refl_estimate_mean_free_path(r);
  g_refl_run_settings = ReflRunSettings{1, 1};
  EXPECT_EQ(refl_estimate_mean_free_path(r), plain_free);
  EXPECT_GT(plain_free, 1.0);
}

TEST_F(ReflSearch, MeanFreePathFollowsSevenSegmentsPerRay) {
  add_box(0, 0, 0, 10, 10, 10);
  refl_build_face_table();
  RayTracer tracer{};
  tracer.receiver = {5, 5, 5};
  tracer.order_limit = 7;
  tracer.min_order = 8;
  tracer.capture_radius_sq = RAY_CAPTURE_RADIUS_SQ;
  tracer.direction = {1000, 300, 100};
  refl_trace_ray(tracer, {5, 5, 5}, -1);
  EXPECT_EQ(tracer.free_path_segments, 7.0);
  EXPECT_EQ(tracer.captured, 0u);
  EXPECT_EQ(tracer.depth, 0);
  // The whole estimate: a cube of 10 m has a mean free path of about 4V/S = 6.7 m.
  EXPECT_NEAR(refl_estimate_mean_free_path({5, 5, 5}), 6.7, 1.5);
  clear_model();
  EXPECT_EQ(refl_estimate_mean_free_path({5, 5, 5}), 0.0);
}

}  // namespace
