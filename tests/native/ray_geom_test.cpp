#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/ray_geom.h"

using namespace acoustic_model;

namespace {

class RayGeom : public ::testing::Test {
 protected:
  std::vector<std::string> messages;
  static RayGeom* current;
  void SetUp() override {
    clear_model();
    current = this;
    ui_seams().message_box = [](const char* text, const char*, unsigned) {
      current->messages.push_back(text);
      return int(UI_IDOK);
    };
  }
  void TearDown() override { clear_model(); }
};
RayGeom* RayGeom::current = nullptr;

// A closed box 0..sx, 0..sy, 0..sz as one body, normals pointing inward.
DrawObject* add_box_room(float sx, float sy, float sz, int material) {
  DrawObject* o = obj_create(0, 8, 6 * 5);
  WorldPoint n[8] = {{0, 0, 0}, {sx, 0, 0}, {sx, sy, 0}, {0, sy, 0},
                     {0, 0, sz}, {sx, 0, sz}, {sx, sy, sz}, {0, sy, sz}};
  for (int i = 0; i < 8; ++i) o->nodes[i] = n[i];
  int faces[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1}, {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 5, 6, 2}};
  int e = 0;
  for (auto& f : faces) {
    o->elements[e++] = ElementCode{EL_START, uint16_t(f[0])};
    o->elements[e++] = ElementCode{EL_MATERIAL, uint16_t(material)};
    o->elements[e++] = ElementCode{EL_LINE, uint16_t(f[1])};
    o->elements[e++] = ElementCode{EL_LINE, uint16_t(f[2])};
    o->elements[e++] = ElementCode{EL_CLOSE, uint16_t(f[3])};
  }
  o->kind = OBJ_KIND_BODY;
  o->layer = LAYER_ROOM;
  obj_append(o);
  return o;
}

// The point (p, q, w) with w along `axis` and (p, q) the other two in the
// order of the point test's projection.
WorldPoint on_axis(int axis, float p, float q, float w) {
  switch (axis) {
    case 0: return WorldPoint{w, p, q};
    case 1: return WorldPoint{p, w, q};
    default: return WorldPoint{p, q, w};
  }
}

TEST_F(RayGeom, FaceTableHoldsPlaneBoxAxisAndSigns) {
  set_materials(0.3f);
  add_box_room(10, 8, 4, 1);
  ASSERT_EQ(refl_build_face_table(), 6);
  const FaceEntry& floor = g_face_table[0];
  EXPECT_FLOAT_EQ(floor.nz, 160.0f);  // twice the area, pointing up into the room
  EXPECT_FLOAT_EQ(floor.nx, 0.0f);
  EXPECT_FLOAT_EQ(floor.d, 0.0f);
  EXPECT_FLOAT_EQ(floor.mirror_divisor, 0.5f * 160 * 160);
  EXPECT_EQ(floor.dominant_axis, 2u);
  EXPECT_EQ(floor.sign_bits, 1u << 4);
  EXPECT_FLOAT_EQ(floor.x_max, 10.0f);
  EXPECT_FLOAT_EQ(floor.y_max, 8.0f);
  const FaceEntry& ceiling = g_face_table[1];
  EXPECT_FLOAT_EQ(ceiling.nz, -160.0f);
  EXPECT_FLOAT_EQ(ceiling.d, 640.0f);  // -n . p = 160 x 4
  EXPECT_EQ(ceiling.sign_bits, 3u << 4);
  EXPECT_EQ(g_face_table[4].dominant_axis, 0u);  // wall x = 0
  EXPECT_EQ(g_face_table[2].dominant_axis, 1u);  // wall y = 0
  EXPECT_EQ(refl_face_material(floor), 1);
}

TEST_F(RayGeom, OutOfRangeMaterialIsResetAndTinyPolygonsSkipped) {
  set_materials(0.3f);
  DrawObject* o = add_floor(LAYER_ROOM, 0, 1, 0, 1, 0, 7);
  add_floor(LAYER_ROOM, 0, 0.001f, 0, 0.001f, 0, 1);  // Newell vector below 0.01
  add_floor(LAYER_LISTENER, 0, 5, 0, 5, 1);             // not a room face
  EXPECT_EQ(refl_build_face_table(), 1);
  EXPECT_EQ(o->elements[1].value, 0);
}

TEST_F(RayGeom, SixteenThousandFacesFitAndOneMoreEmptiesTheTable) {
  auto add_many = [](int polygons) {
    DrawObject* o = obj_create(0, 4, uint32_t(5 * polygons));
    o->nodes[0] = {0, 0, 0}, o->nodes[1] = {1, 0, 0}, o->nodes[2] = {1, 1, 0}, o->nodes[3] = {0, 1, 0};
    for (int p = 0; p < polygons; ++p) {
      ElementCode* e = o->elements + 5 * p;
      e[0] = {EL_START, 0}, e[1] = {EL_MATERIAL, 0}, e[2] = {EL_LINE, 1}, e[3] = {EL_LINE, 2}, e[4] = {EL_CLOSE, 3};
    }
    o->kind = OBJ_KIND_BODY;
    o->layer = LAYER_ROOM;
    obj_append(o);
  };
  set_materials(0.1f);
  for (int i = 0; i < 4; ++i) add_many(4000);
  EXPECT_EQ(refl_build_face_table(), MAX_FACES);
  EXPECT_TRUE(messages.empty());
  add_many(1);
  EXPECT_EQ(refl_build_face_table(), 0);
  EXPECT_EQ(g_face_count, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Zuviele Raumfl\xE4" "chen"), std::string::npos);
}

TEST_F(RayGeom, PointInFaceCountsBoxEdgesAndSkipsVerticalEdgeLines) {
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {2, 4, 0}, {0, 2, 0}}, 0);  // pentagon
  ASSERT_EQ(refl_build_face_table(), 1);
  const FaceEntry& f = g_face_table[0];
  struct Case {
    WorldPoint h;
    int inside;
  } cases[] = {
      {{1, 1, 0}, 1}, {{3.9f, 1, 0}, 1}, {{3.5f, 3.5f, 0}, 0}, {{2, 3.9f, 0}, 1},
      {{-0.1f, 1, 0}, 0}, {{5, 1, 0}, 0}, {{2, 1, 7}, 1},  // z is not tested for a floor
  };
  for (const Case& c : cases) {
    EXPECT_EQ(refl_point_in_face(f, c.h), c.inside) << c.h.x << "," << c.h.y;
    EXPECT_EQ(face_point_in_polygon(0, c.h), c.inside);
  }
  // Edge crossing: a vertical edge on the point's own x does not count.
  EXPECT_EQ(refl_edge_cross_xy({1, 0, 0}, {1, 2, 0}, {1, 1, 0}), 0);
  EXPECT_EQ(refl_edge_cross_xy({2, 0, 0}, {2, 2, 0}, {1, 1, 0}), 1);
  EXPECT_EQ(refl_edge_cross_xy({0, 0, 0}, {2, 2, 0}, {0.5f, 1, 0}), 1);
  EXPECT_EQ(refl_edge_cross_xy({0, 0, 0}, {2, 2, 0}, {1.5f, 1, 0}), 0);
}

// An L-shaped (concave) polygon in each of the three axis planes, tested
// on its projection: arms inside, the notch outside; on the outline only
// the edges toward smaller p count as inside (crossings are counted
// strictly beyond the point).
TEST_F(RayGeom, PointInConcaveFaceOnEveryDominantAxis) {
  // (p, q) of the L: 0..4 by 0..1 and 0..1 by 0..4.
  const float l_shape[6][2] = {{0, 0}, {4, 0}, {4, 1}, {1, 1}, {1, 4}, {0, 4}};
  struct Case {
    float p, q;
    int inside;
  } cases[] = {{0.5f, 0.5f, 1}, {3.5f, 0.5f, 1}, {0.5f, 3.5f, 1}, {2.5f, 2.5f, 0}, {1.5f, 1.5f, 0},
               {0.0f, 0.5f, 1}, {4.0f, 0.5f, 0}, {1.0f, 2.5f, 0}, {4.1f, 0.5f, 0}, {-0.1f, 2.0f, 0}};
  for (int axis = 0; axis < 3; ++axis) {
    // Plane axis = 2, the projection axes in the order of the point test.
    auto at = [axis](float p, float q, float w) { return on_axis(axis, p, q, w); };
    clear_model();
    add_polygon(LAYER_ROOM, {at(l_shape[0][0], l_shape[0][1], 2), at(l_shape[1][0], l_shape[1][1], 2),
                             at(l_shape[2][0], l_shape[2][1], 2), at(l_shape[3][0], l_shape[3][1], 2),
                             at(l_shape[4][0], l_shape[4][1], 2), at(l_shape[5][0], l_shape[5][1], 2)});
    ASSERT_EQ(refl_build_face_table(), 1);
    const FaceEntry& f = g_face_table[0];
    EXPECT_EQ(int(f.dominant_axis), axis);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "axis " << axis << " at " << c.p << ", " << c.q);
      EXPECT_EQ(refl_point_in_face(f, at(c.p, c.q, 2)), c.inside);
      EXPECT_EQ(face_point_in_polygon(0, at(c.p, c.q, 2)), c.inside);
      // A line across the plane finds the same answer at its crossing.
      WorldPoint h;
      WorldPoint a = at(c.p, c.q, -3), d = at(0, 0, 8);
      EXPECT_EQ(refl_intersect_face(f, a, d, &h), c.inside);
      EXPECT_NEAR(axis == 0 ? h.x : axis == 1 ? h.y : h.z, 2.0f, 1e-5);
    }
  }
}

TEST_F(RayGeom, FastPolygonTestAgreesWithTheElementWalk) {
  set_materials(0.1f);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {6, 1, 0.5f}, {5, 5, 1}, {3, 2, 0.7f}, {1, 6, 0.2f}}, 1);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 5, 1}, {0.5f, 5, 5}, {0.2f, 1, 4}}, 1);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 0, 5}, {5, 1, 5}, {5, 1, 0}}, 1);
  ASSERT_EQ(refl_build_face_table(), 3);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coord(-1.0f, 7.0f);
  for (int i = 0; i < 20000; ++i) {
    WorldPoint h{coord(random), coord(random), coord(random)};
    for (int f = 0; f < 3; ++f) ASSERT_EQ(refl_point_in_face(g_face_table[f], h), face_point_in_polygon(f, h));
  }
}

TEST_F(RayGeom, LineAgainstFace) {
  add_floor(LAYER_ROOM, 0, 4, 0, 4, 0, 0);
  ASSERT_EQ(refl_build_face_table(), 1);
  const FaceEntry& f = g_face_table[0];
  WorldPoint h;
  EXPECT_EQ(refl_intersect_face(f, {1, 1, 3}, {1, 1, -3}, &h), 1);
  EXPECT_FLOAT_EQ(h.x, 2.0f);
  EXPECT_FLOAT_EQ(h.y, 2.0f);
  EXPECT_NEAR(h.z, 0.0f, 1e-6);
  EXPECT_EQ(refl_intersect_face(f, {1, 1, 3}, {1, 0, 0}, &h), 0);           // parallel
  EXPECT_EQ(refl_intersect_face(f, {1, 1, 3}, {0, 0, -0.0009f}, &h), 0);    // too short
  // The line counts behind the start too; a ray only ahead of it.
  EXPECT_EQ(refl_intersect_face(f, {1, 1, 3}, {0, 0, 1}, &h), 1);
  EXPECT_EQ(refl_ray_hits_face_ahead(f, {1, 1, 3}, {0, 0, 1}, &h), 0);
  EXPECT_EQ(refl_ray_hits_face_ahead(f, {1, 1, 3}, {0, 0, -1}, &h), 1);
}

// A tilted rectangle whose normal leans toward each axis in turn, met by
// oblique lines from both sides: the hit is where the line crosses the
// plane, inside or outside as it falls; a ray only meets it ahead.
TEST_F(RayGeom, ObliqueLinesAgainstTiltedFacesOnEveryDominantAxis) {
  // The plane w = 1 + 0.25 p + 0.1 q over p 0..4, q 0..3; each line passes
  // the plane at (p, q) along its direction in (p, q, w).
  struct Case {
    float p, q;
    float dp, dq, dw;
    int inside;
  } cases[] = {
      {1.0f, 1.0f, 0.3f, -0.2f, -1.0f, 1}, {3.5f, 2.5f, -0.5f, 0.4f, 1.0f, 1}, {2.0f, 0.2f, 1.0f, 1.0f, -0.5f, 1},
      {4.5f, 1.0f, 0.1f, 0.1f, -1.0f, 0},  {2.0f, -0.5f, 0.0f, 0.2f, -1.0f, 0}, {-0.3f, 2.9f, 0.2f, 0.0f, 1.0f, 0},
      {2.0f, 3.4f, -1.0f, 0.3f, 0.7f, 0},
  };
  auto w_at = [](float p, float q) { return 1.0f + 0.25f * p + 0.1f * q; };
  for (int axis = 0; axis < 3; ++axis) {
    auto at = [axis](float p, float q, float w) { return on_axis(axis, p, q, w); };
    clear_model();
    add_polygon(LAYER_ROOM, {at(0, 0, w_at(0, 0)), at(4, 0, w_at(4, 0)), at(4, 3, w_at(4, 3)), at(0, 3, w_at(0, 3))});
    ASSERT_EQ(refl_build_face_table(), 1);
    const FaceEntry& f = g_face_table[0];
    EXPECT_EQ(int(f.dominant_axis), axis);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "axis " << axis << " through " << c.p << ", " << c.q);
      WorldPoint through = at(c.p, c.q, w_at(c.p, c.q)), dir = at(c.dp, c.dq, c.dw);
      WorldPoint start{through.x - 3 * dir.x, through.y - 3 * dir.y, through.z - 3 * dir.z};
      WorldPoint h{}, fast{};
      EXPECT_EQ(refl_intersect_face(f, start, dir, &h), c.inside);
      EXPECT_EQ(refl_intersect_table_face(0, start, dir, &fast), c.inside);
      EXPECT_NEAR(h.x, through.x, 1e-4);
      EXPECT_NEAR(h.y, through.y, 1e-4);
      EXPECT_NEAR(h.z, through.z, 1e-4);
      EXPECT_EQ(fast.x, h.x);
      EXPECT_EQ(refl_ray_hits_face_ahead(f, start, dir, &h), c.inside);
      WorldPoint back{-dir.x, -dir.y, -dir.z};
      EXPECT_EQ(refl_ray_hits_face_ahead(f, start, back, &h), 0);
    }
  }
}

class Tracer : public RayGeom {
 protected:
  RayTracer tracer{};
  void start(WorldPoint receiver, int order, int min_order) {
    tracer = RayTracer{};
    tracer.receiver = receiver;
    tracer.order_limit = order;
    tracer.min_order = min_order;
    tracer.capture_radius_sq = RAY_CAPTURE_RADIUS_SQ;
    tracer.path.entries[0] = PathEntry{PATH_TAG_SOURCE, 0, 0, 0};
  }
};

TEST_F(Tracer, RayReflectsOnlyOffFacesAheadAndIsCapturedNearTheReceiver) {
  set_materials(0.1f);
  add_box_room(10, 10, 10, 1);
  ASSERT_EQ(refl_build_face_table(), 6);
  // From (2, 5, 5) toward -x: wall x = 0 at 2 m, back to the receiver at (8, 5.05, 5).
  start({8, 5.05f, 5}, 1, 1);
  tracer.path.entries[0] = PathEntry{PATH_TAG_SOURCE, 2, 5, 5};
  tracer.direction = {-1000, 0, 0};
  refl_trace_ray(tracer, {2, 5, 5}, -1);
  ASSERT_EQ(tracer.captured, 1u);
  EXPECT_EQ(tracer.path.reflection_count, 1);
  EXPECT_EQ(tracer.path.entries[1].tag, 4);  // wall x = 0
  EXPECT_FLOAT_EQ(tracer.path.entries[1].x, 0.0f);
  EXPECT_EQ(tracer.path.entries[2].tag, PATH_TAG_RECEIVER);
  EXPECT_EQ(tracer.depth, 0);
  // The first segment ended on the wall 2 m away.
  EXPECT_GE(tracer.free_path_segments, 1.0);
}

TEST_F(Tracer, CaptureTakesRaysThatPassWithinTheRadiusFromAnyDirection) {
  // Open space, no faces: the receiver lies 0.055 m beside the ray, on the
  // side where one coordinate product is negative.
  ASSERT_EQ(refl_build_face_table(), 0);
  start({5, -0.05f, 0}, 3, 0);
  tracer.direction = {1000, 1, 0};
  refl_trace_ray(tracer, {0, 0, 0}, -1);
  EXPECT_EQ(tracer.captured, 1u);
  // Behind the start: not captured.
  start({-5, 0, 0}, 3, 0);
  tracer.direction = {1000, 0, 0};
  refl_trace_ray(tracer, {0, 0, 0}, -1);
  EXPECT_EQ(tracer.captured, 0u);
  // Exactly at the radius: not captured.
  start({5, 0.15f, 0}, 3, 0);
  tracer.capture_radius_sq = 0.15f * 0.15f;
  tracer.direction = {1000, 0, 0};
  refl_trace_ray(tracer, {0, 0, 0}, -1);
  EXPECT_EQ(tracer.captured, 0u);
}

TEST_F(Tracer, RayMovingAwayFromAFaceBehindItDoesNotHitIt) {
  set_materials(0.1f);
  // A ramp z = 0.2 x + 10, normal up: its box reaches above the start,
  // which lies 1 m over the ramp; the ray leaves straight up.
  add_polygon(LAYER_ROOM, {{-50, -50, 0}, {50, -50, 20}, {50, 50, 20}, {-50, 50, 0}}, 1);
  ASSERT_EQ(refl_build_face_table(), 1);
  start({0, 0, 50}, 2, 0);
  tracer.direction = {0, 0, 1000};
  refl_trace_ray(tracer, {0, 0, 11}, -1);
  EXPECT_EQ(tracer.free_path_segments, 0.0);
  EXPECT_EQ(tracer.captured, 1u);
  EXPECT_EQ(tracer.path.reflection_count, 0);
}

TEST_F(Tracer, SpoolWritesHeadAndEntriesLittleEndian) {
  std::vector<uint8_t> buffer(PATH_SPOOL_BYTES);
  PathSpool spool{buffer.data(), 0, nullptr, 0, 0};
  PathRecord path{};
  path.reflection_count = 1;
  path.rx = 1.0f;
  path.entries[0] = {PATH_TAG_SOURCE, 0, 0, 0};
  path.entries[1] = {3, 2.0f, 0, 0};
  path.entries[2] = {PATH_TAG_RECEIVER, 1.0f, 0, 0};
  ASSERT_EQ(refl_spool_path(spool, path, 3), 1);
  EXPECT_EQ(spool.fill, 14u + 3 * 14u);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(buffer[5], 0x3F);  // 1.0f = 00 00 80 3F
  EXPECT_EQ(buffer[14], 0xFE);
  EXPECT_EQ(buffer[15], 0xFF);
  EXPECT_EQ(buffer[28], 3);
  EXPECT_EQ(spool.path_count, 1u);
}

}  // namespace
