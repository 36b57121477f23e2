#include "speaker_editor/balloon_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "cad/obj_store.h"
#include "speaker_editor/balloon_data.h"
#include "speakers/speaker_record.h"

namespace {

TEST(BalloonMesh, NodesAndPolygonsOfEveryBand) {
  static SpeakerRecord r{};
  std::memset(r.balloon, 225, sizeof r.balloon);
  std::memset(r.balloon[2], 60, sizeof r.balloon[2]);  // at or below -30 dB: the centre
  r.balloon[4][10][7] = 200;
  DrawObject* mesh = spked_create_balloon_mesh();
  ASSERT_NE(mesh, nullptr);
  for (int band = 0; band < SPK_BANDS; ++band) {
    spked_build_balloon_mesh(mesh, r, band);
    ASSERT_EQ(mesh->node_count, 2522u);
    ASSERT_EQ(mesh->element_count, 10224u);
    int polygons = 0;
    for (uint32_t i = 0; i < mesh->element_count; ++i) {
      ASSERT_LT(mesh->elements[i].value, 2522);
      if (mesh->elements[i].code == EL_START) ++polygons;
    }
    EXPECT_EQ(polygons, 2592);
    EXPECT_EQ(mesh->elements[mesh->element_count - 1].code, EL_CLOSE);
    EXPECT_EQ(mesh->kind, uint32_t(OBJ_KIND_FACE));
    EXPECT_EQ(mesh->layer, 6u);
    EXPECT_EQ(mesh->colour, 21u);
    for (uint32_t i = 0; i < mesh->node_count; ++i) {
      const WorldPoint& p = mesh->nodes[i];
      double radius = std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z);
      double expected = band == 2 ? 0.0 : 150.0;
      if (band == 4 && i == 2 + 72 * 9 + 7) expected = 125.0;
      ASSERT_NEAR(radius, expected, 1e-3) << band << " node " << i;
    }
  }
  // The front pole on +x, the back pole on -x; ring 18 (90 degrees) upright.
  spked_build_balloon_mesh(mesh, r, 0);
  EXPECT_FLOAT_EQ(mesh->nodes[0].x, 150.0f);
  EXPECT_FLOAT_EQ(mesh->nodes[1].x, -150.0f);
  EXPECT_NEAR(mesh->nodes[2 + 72 * 17 + 18].z, 150.0f, 1e-3);
  obj_free(mesh);
}

// A rotation followed by its inverse gives the same bytes.
TEST(BalloonMesh, RotationAndItsInverse) {
  static SpeakerRecord r{};
  for (int i = 0; i < SPK_BALLOON_SIZE; ++i) (&r.balloon[0][0][0])[i] = uint8_t(i * 31 + 7);
  static SpeakerRecord start;
  start = r;
  spked_rotate_balloon_bytes(&r.balloon[0][0][0], 1);
  EXPECT_NE(std::memcmp(r.balloon, start.balloon, sizeof r.balloon), 0);
  spked_rotate_balloon_bytes(&r.balloon[0][0][0], 71);
  EXPECT_EQ(std::memcmp(r.balloon, start.balloon, sizeof r.balloon), 0);
}

}  // namespace
