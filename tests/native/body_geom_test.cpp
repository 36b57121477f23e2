#include "cad/body_geom.h"

#include <gtest/gtest.h>

#include <cmath>

#include "cad/face_geom.h"
#include "cad/view.h"
#include "cad_fixtures.h"

using namespace fixtures;

namespace {

class BodyGeom : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    view_new_drawing_defaults();
    g_view.kind = VIEW_XY;
  }
  void TearDown() override { obj_free_all(); }
};

double volume_of(const DrawObject* o) {
  double area = 0, volume = 0;
  cad_area_volume(o, &area, &volume);
  return volume;
}

// Every node value names a node, and every edge of the closed body is used
// once in each direction (a watertight, consistently wound surface).
void expect_closed_surface(const DrawObject* body) {
  ASSERT_TRUE(obj_elements_valid(body));
  std::vector<std::pair<int, int>> directed;
  uint32_t first = 0, previous = 0;
  for (uint32_t i = 0; i < body->element_count; ++i) {
    const ElementCode& e = body->elements[i];
    if (e.code == EL_START) first = previous = e.value;
    if (e.code != EL_LINE && e.code != EL_CLOSE) continue;
    directed.push_back({int(previous), int(e.value)});
    previous = e.value;
    if (e.code == EL_CLOSE) directed.push_back({int(e.value), int(first)});
  }
  for (auto [a, b] : directed) {
    auto same = std::count(directed.begin(), directed.end(), std::make_pair(a, b));
    auto back = std::count(directed.begin(), directed.end(), std::make_pair(b, a));
    EXPECT_EQ(same, 1) << a << "-" << b;
    EXPECT_EQ(back, 1) << a << "-" << b;
  }
}

TEST_F(BodyGeom, SideQuadsJoinEachEdgeOfTheLowerRingToTheUpper) {
  std::vector<ElementCode> square = ring(0, 4);
  std::vector<ElementCode> out(20);
  ASSERT_EQ(cad_build_side_quads(square.data(), out.data(), 5, 8, 12), 20u);
  // Edge 0-1: starts on the upper ring; the closing edge 3-0 on the lower.
  std::vector<ElementCode> first(out.begin(), out.begin() + 5), last(out.begin() + 15, out.end());
  EXPECT_EQ(first, (std::vector<ElementCode>{{EL_START, 12}, {EL_MATERIAL, 0}, {EL_LINE, 13}, {EL_LINE, 9},
                                              {EL_CLOSE, 8}}));
  EXPECT_EQ(last, (std::vector<ElementCode>{{EL_START, 11}, {EL_MATERIAL, 0}, {EL_LINE, 15}, {EL_LINE, 12},
                                             {EL_CLOSE, 8}}));
  std::vector<ElementCode> open{{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}};
  EXPECT_EQ(cad_side_quad_count(open.data(), 4), 2u);
}

TEST_F(BodyGeom, ExtrudedSquareIsAClosedBoxOfNonNegativeVolume) {
  DrawObject* face = rect_face(0, 0, 2, 1, 0, 7);
  face->attributes = OBJ_ATTR_SELECTED | OBJ_ATTR_CREATED;
  face->layer = 7;
  face->colour = 5;
  // Both directions of the sweep give the same positive volume.
  for (double dz : {3.0, -3.0}) {
    BuildStatus status;
    DrawObject* body = cad_extrude_object(face, 0, 0, dz, &status);
    ASSERT_EQ(status, BuildStatus::ok);
    EXPECT_EQ(body->node_count, 8u);
    EXPECT_EQ(body->element_count, 30u);
    EXPECT_EQ(body->kind, OBJ_KIND_BODY);
    EXPECT_EQ(body->attributes, uint32_t(OBJ_ATTR_CREATED));
    EXPECT_EQ(body->layer, 7u);
    EXPECT_EQ(body->colour, 5u);
    EXPECT_FLOAT_EQ(body->nodes[6].z, float(dz));
    EXPECT_NEAR(volume_of(body), 6.0, 1e-9);
    EXPECT_EQ(body->elements[1], (ElementCode{EL_MATERIAL, 7}));  // the caps keep the material
    EXPECT_EQ(body->elements[6], (ElementCode{EL_MATERIAL, 7}));
    EXPECT_EQ(body->elements[11], (ElementCode{EL_MATERIAL, 0}));  // side quads carry 0
    expect_closed_surface(body);
    DrawObject *h = body, *t = body;
    obj_list_free(h, t, body);
  }
  obj_append(face);
}

TEST_F(BodyGeom, ExtrudedPolylineIsASideSurfaceOnly) {
  DrawObject* line = make(OBJ_KIND_POLYLINE, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}},
                          {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}});
  BuildStatus status;
  DrawObject* body = cad_extrude_object(line, 0, 0, 1, &status);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->node_count, 6u);
  EXPECT_EQ(body->element_count, 10u);
  EXPECT_EQ(fixtures::polygons(body), 2);
  obj_append(body);
  obj_append(line);
}

// An outline that closes on its own start node (3 nodes, 5 elements): the
// quads index the element's own node, so the body stays closed.
TEST_F(BodyGeom, OutlineClosingOnAnEarlierNodeExtrudesClosed) {
  DrawObject* face = make(OBJ_KIND_FACE, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
                          {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 0}});
  BuildStatus status;
  DrawObject* body = cad_extrude_object(face, 0, 0, 2, &status);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->node_count, 6u);
  EXPECT_TRUE(obj_elements_valid(body));
  for (uint32_t i = 10; i < body->element_count; ++i)  // side quads
    if (body->elements[i].code != EL_MATERIAL) {
      EXPECT_LT(body->elements[i].value, 6) << i;
    }
  EXPECT_NEAR(volume_of(body), 1.0, 1e-9);
  obj_append(body);
  obj_append(face);
}

TEST_F(BodyGeom, WhatCannotBeSweptIsRefused) {
  DrawObject* marker = obj_create(0, 0, 0);
  marker->kind = OBJ_KIND_GROUP_BEGIN;
  DrawObject* text = rect_face(0, 0, 1, 1);
  text->kind = OBJ_KIND_TEXT;
  DrawObject* body = box_body(1, 1, 1);
  DrawObject* empty = obj_create(0, 0, 0);
  empty->kind = OBJ_KIND_FACE;
  for (DrawObject* o : {marker, text, body, empty}) {
    EXPECT_FALSE(cad_can_build_from(o));
    obj_append(o);
  }
  DrawObject* face = rect_face(0, 0, 1, 1);
  EXPECT_TRUE(cad_can_build_from(face));
  obj_append(face);

  // 2N > 5400 and 8E > 32760 are too big.
  struct Case {
    uint32_t nodes, elements;
    bool fits;
  } cases[] = {{2700, 4095, true}, {2701, 5, false}, {4, 4096, false}};
  for (const Case& c : cases) {
    DrawObject* big = obj_create(0, c.nodes, c.elements);
    big->kind = OBJ_KIND_POLYLINE;
    BuildStatus status;
    DrawObject* result = cad_extrude_object(big, 0, 0, 1, &status);
    EXPECT_EQ(result != nullptr, c.fits) << c.nodes << " " << c.elements;
    if (!c.fits) {
      EXPECT_EQ(status, BuildStatus::too_big);
    }
    if (result) obj_append(result);
    obj_append(big);
  }
}

// A 1 x 1 square in the XZ plane from x = 1 to 2, turned about the z axis.
DrawObject* profile() {
  return make(OBJ_KIND_FACE, {{1, 0, 0}, {2, 0, 0}, {2, 0, 1}, {1, 0, 1}}, ring(0, 4, 3));
}

TEST_F(BodyGeom, LatheTurnsRingAfterRingAndCapsOnlyAPartialTurn) {
  struct Case {
    double angle;
    int segments;
    bool full;
    uint32_t nodes, elements;
  } cases[] = {
      {360, 36, true, 144, 720},        // closes on itself, no caps
      {180, 18, false, 76, 370},        // start cap, end cap on ring 18
      {360, 36, false, 144, 730},       // "360.0": two coincident caps
  };
  for (const Case& c : cases) {
    DrawObject* face = profile();
    LatheSpec spec{VIEW_XY, {0, 0, 0}, c.angle, c.segments, c.full};
    BuildStatus status;
    DrawObject* body = cad_lathe_object(face, spec, &status);
    ASSERT_EQ(status, BuildStatus::ok) << c.angle;
    EXPECT_EQ(body->node_count, c.nodes) << c.angle;
    EXPECT_EQ(body->element_count, c.elements) << c.angle;
    EXPECT_GT(volume_of(body), 0) << c.angle;
    int caps = 0;
    for (uint32_t k = 0; k + 1 < body->element_count; ++k)
      if (body->elements[k].code == EL_START && body->elements[k + 1].value == 3) ++caps;
    EXPECT_EQ(caps, c.full ? 0 : 2) << c.angle;
    if (c.full) expect_closed_surface(body);
    obj_append(body);
    obj_append(face);
  }
  // Half a turn: the last ring lies mirrored through the axis, at x = -1 ... -2.
  DrawObject* face = profile();
  BuildStatus status;
  DrawObject* half = cad_lathe_object(face, LatheSpec{VIEW_XY, {0, 0, 0}, 180, 18, false}, &status);
  float min_x = 0;
  for (uint32_t k = 0; k < half->node_count; ++k) min_x = std::min(min_x, half->nodes[k].x);
  EXPECT_NEAR(min_x, -2, 1e-5);
  // 18 wedges of (2² - 1²) / 2 x sin 10 degrees, one unit high.
  EXPECT_NEAR(volume_of(half), 27 * std::sin(3.14159265358979 / 18), 1e-4);
  obj_append(half);
  obj_append(face);
}

TEST_F(BodyGeom, LatheAxisFollowsThePlaneView) {
  // One node one unit from the centre along the view's first axis goes a
  // quarter turn to the second (XZ turns the other way, as its formula says).
  struct Case {
    int view;
    WorldPoint node, expected;
  } cases[] = {
      {VIEW_XY, {1, 0, 5}, {0, 1, 5}},
      {VIEW_YZ, {5, 1, 0}, {5, 0, 1}},
      {VIEW_XZ, {1, 5, 0}, {0, 5, -1}},
  };
  for (const Case& c : cases) {
    DrawObject* line = make(OBJ_KIND_POLYLINE, {c.node, {c.node.x * 2, c.node.y * 2, c.node.z * 2}},
                            {{EL_START, 0}, {EL_LINE, 1}});
    BuildStatus status;
    DrawObject* body = cad_lathe_object(line, LatheSpec{c.view, {0, 0, 0}, 90, 1, false}, &status);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->element_count, 5u);  // one quad, no caps for a polyline
    bool found = false;
    for (uint32_t k = 0; k < body->node_count; ++k) {
      const WorldPoint& p = body->nodes[k];
      found = found || (std::fabs(p.x - c.expected.x) < 1e-6 && std::fabs(p.y - c.expected.y) < 1e-6 &&
                        std::fabs(p.z - c.expected.z) < 1e-6);
    }
    EXPECT_TRUE(found) << c.view;
    obj_append(body);
    obj_append(line);
  }
  DrawObject* face = profile();
  BuildStatus status;
  for (int view : {int(VIEW_3D), int(VIEW_EYE)})
    EXPECT_EQ(cad_lathe_object(face, LatheSpec{view, {0, 0, 0}, 90, 9, false}, &status), nullptr);
  EXPECT_EQ(cad_lathe_object(face, LatheSpec{VIEW_XY, {0, 0, 0}, 90, 0, false}, &status), nullptr);
  // (S + 1) N > 5400 or 7 E (S + 1) > 32760.
  EXPECT_EQ(cad_lathe_object(face, LatheSpec{VIEW_XY, {0, 0, 0}, 90, 1350, false}, &status), nullptr);
  EXPECT_EQ(status, BuildStatus::too_big);
  EXPECT_EQ(cad_lathe_object(face, LatheSpec{VIEW_XY, {0, 0, 0}, 90, 936, false}, &status), nullptr);
  obj_append(face);
}

TEST_F(BodyGeom, JoinMergesSharedCornersAndCountsOnlyTheNodesItAdds) {
  DrawObject* a = rect_face(0, 0, 1, 1, 0, 2);
  DrawObject* b = rect_face(1, 0, 2, 1, 0, 5);
  b->nodes[0].x += 0.0015f;  // squared distance about 2.3e-6: the same corner
  DrawObject* unselected = rect_face(5, 5, 6, 6);
  DrawObject* line = make(OBJ_KIND_POLYLINE, {{0, 0, 0}, {1, 1, 1}}, {{EL_START, 0}, {EL_LINE, 1}});
  for (DrawObject* o : {a, unselected, b, line}) obj_append(o);
  a->attributes = b->attributes = line->attributes = OBJ_ATTR_SELECTED;
  DrawObject* body = cad_join_faces(LAYER_AUX);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(g_obj_head, body);
  EXPECT_EQ(list(), (std::vector<DrawObject*>{body, unselected, line}));
  EXPECT_EQ(body->kind, OBJ_KIND_BODY);
  EXPECT_EQ(body->node_count, 6u);
  EXPECT_EQ(body->element_count, 10u);
  EXPECT_EQ(body->colour, 14u);
  EXPECT_EQ(body->layer, uint32_t(LAYER_AUX));
  EXPECT_EQ(body->attributes, 0u);
  EXPECT_EQ(body->elements[6], (ElementCode{EL_MATERIAL, 5}));
  EXPECT_EQ(body->elements[5].value, 1);  // b's first corner is a's second
  EXPECT_EQ(cad_join_faces(0), nullptr);  // nothing selected any more

  // Two faces of 3000 coincident corners: 6000 nodes before merging, 3000
  // after; both go into the body.
  obj_free_all();
  for (int copy = 0; copy < 2; ++copy) {
    std::vector<WorldPoint> nodes;
    for (int k = 0; k < 3000; ++k) nodes.push_back({k * 0.01f, (k % 2) * 0.01f, 0});
    DrawObject* f = make(OBJ_KIND_FACE, nodes, ring(0, 3000));
    f->attributes = OBJ_ATTR_SELECTED;
    obj_append(f);
  }
  body = cad_join_faces(0);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->node_count, 3000u);
  EXPECT_EQ(fixtures::polygons(body), 2);
  EXPECT_EQ(obj_count(), 1);
}

TEST_F(BodyGeom, ExplodeGivesEachPolygonItsOwnSelectedObject) {
  DrawObject* box = box_body(1, 2, 3);
  box->layer = 7;
  box->colour = 9;
  DrawObject* other = rect_face(0, 0, 1, 1);
  obj_append(other);
  obj_append(box);
  DrawObject* last = cad_explode_body(box);
  std::vector<DrawObject*> objects = list();
  ASSERT_EQ(objects.size(), 7u);
  EXPECT_EQ(last, objects[0]);  // inserted before the head one after the other
  EXPECT_EQ(objects[6], other);
  for (int i = 0; i < 6; ++i) {
    const DrawObject* f = objects[i];
    EXPECT_EQ(f->kind, OBJ_KIND_FACE);
    EXPECT_EQ(f->node_count, 4u);
    EXPECT_EQ(elements_of(f), ring(0, 4, i == 5 ? 4 : 0)) << i;  // the bottom came first
    EXPECT_EQ(f->attributes, uint32_t(OBJ_ATTR_SELECTED));
    EXPECT_EQ(f->layer, 7u);
    EXPECT_EQ(f->colour, 9u);
  }
  EXPECT_FLOAT_EQ(objects[5]->nodes[2].x, 1);  // bottom: nodes 0, 1, 3, 2 of the box
  EXPECT_FLOAT_EQ(objects[5]->nodes[2].y, 2);
  EXPECT_EQ(cad_explode_body(other), other);  // a face stays as it is
}

TEST_F(BodyGeom, CutLineCrossingTakesTheThirdCoordinateAlongTheEdge) {
  struct Case {
    int view;
    WorldPoint a, b, c1, c2;
    int crosses;
    double x, y, z;
  } cases[] = {
      {VIEW_XY, {0, 0, 0}, {2, 0, 4}, {1, -1, 0}, {1, 1, 0}, 1, 1, 0, 2},      // z from x (x extent larger)
      {VIEW_XY, {0, 0, 0}, {1, 2, 4}, {-1, 1, 9}, {3, 1, 9}, 1, 0.5, 1, 2},    // z from y
      {VIEW_YZ, {7, 0, 0}, {9, 2, 2}, {0, 0, 2}, {0, 2, 0}, 1, 8, 1, 1},       // tie: x from z
      {VIEW_XZ, {0, 3, 0}, {0, 5, 2}, {-1, 0, 1}, {1, 0, 1}, 1, 0, 4, 1},
      {VIEW_XY, {0, 0, 0}, {1, 0, 0}, {2, -1, 0}, {2, 1, 0}, 0, 0, 0, 0},      // beyond the edge's end
      {VIEW_XY, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, 0, 0, 0, 0},       // parallel
  };
  for (const Case& c : cases) {
    double x = -9, y = -9, z = -9;
    ASSERT_EQ(cad_intersect_cut_line(c.view, c.a, c.b, c.c1, c.c2, &x, &y, &z), c.crosses) << c.view;
    if (!c.crosses) continue;
    EXPECT_NEAR(x, c.x, 1e-12);
    EXPECT_NEAR(y, c.y, 1e-12);
    EXPECT_NEAR(z, c.z, 1e-12);
  }
}

struct Polygon {
  std::vector<WorldPoint> points;
  uint16_t material;
  bool closed;
};

std::vector<Polygon> polygons_of(const DrawObject* o) {
  std::vector<Polygon> out;
  for (uint32_t i = 0; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_START) out.push_back({{}, 0xFFFF, false});
    if (e.code == EL_MATERIAL) out.back().material = e.value;
    if (e.code <= EL_CLOSE) out.back().points.push_back(o->nodes[e.value]);
    if (e.code == EL_CLOSE) out.back().closed = true;
  }
  return out;
}

bool same(const WorldPoint& a, const WorldPoint& b) {
  return std::fabs(a.x - b.x) < 1e-6 && std::fabs(a.y - b.y) < 1e-6 && std::fabs(a.z - b.z) < 1e-6;
}

void expect_points(const Polygon& p, const std::vector<WorldPoint>& expected) {
  ASSERT_EQ(p.points.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k)
    EXPECT_TRUE(same(p.points[k], expected[k])) << k << ": " << p.points[k].x << " " << p.points[k].y;
}

TEST_F(BodyGeom, SplitRectangleGivesTwoHalvesOfMaterialZero) {
  DrawObject* face = rect_face(0, 0, 2, 1, 0, 6);
  face->colour = 3;
  DrawObject* after = rect_face(5, 5, 6, 6);
  obj_append(face);
  obj_append(after);
  DrawObject* result = nullptr;
  ASSERT_EQ(cad_split_polygon(face, 0, VIEW_XY, {1, -1, 0}, {1, 2, 0}, &result), BuildStatus::ok);
  EXPECT_EQ(list(), (std::vector<DrawObject*>{result, after}));
  EXPECT_EQ(result->kind, OBJ_KIND_BODY);
  EXPECT_EQ(result->colour, 3u);
  EXPECT_EQ(result->node_count, 6u);
  std::vector<Polygon> halves = polygons_of(result);
  ASSERT_EQ(halves.size(), 2u);
  expect_points(halves[0], {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  expect_points(halves[1], {{1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
  for (const Polygon& p : halves) {
    EXPECT_EQ(p.material, 0);
    EXPECT_TRUE(p.closed);
  }
}

TEST_F(BodyGeom, SplitThroughACornerCountsItOnce) {
  DrawObject* face = rect_face(0, 0, 2, 1);
  obj_append(face);
  DrawObject* result = nullptr;
  // The diagonal y = x passes corner (0, 0), which ends the closing edge and
  // starts the first, and crosses the top edge at (1, 1).
  ASSERT_EQ(cad_split_polygon(face, 0, VIEW_XY, {-1, -1, 0}, {3, 3, 0}, &result), BuildStatus::ok);
  EXPECT_EQ(result->node_count, 5u);
  std::vector<Polygon> parts = polygons_of(result);
  ASSERT_EQ(parts.size(), 2u);
  expect_points(parts[0], {{0, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  expect_points(parts[1], {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}});
}

TEST_F(BodyGeom, SplitWithoutTwoCutsLeavesTheDrawingAlone) {
  DrawObject* face = rect_face(0, 0, 2, 1);
  obj_append(face);
  std::vector<uint8_t> before = model_bytes();
  DrawObject* result = nullptr;
  EXPECT_EQ(cad_split_polygon(face, 0, VIEW_XY, {5, -1, 0}, {5, 2, 0}, &result), BuildStatus::no_cut);
  EXPECT_EQ(cad_split_polygon(face, 0, VIEW_XY, {1, -1, 0}, {1, 0.5f, 0}, &result), BuildStatus::one_cut);
  EXPECT_EQ(cad_split_polygon(face, 1, VIEW_XY, {1, -1, 0}, {1, 2, 0}, &result), BuildStatus::no_cut);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(model_bytes(), before);
}

TEST_F(BodyGeom, SplitTopOfABoxKeepsItsSidesJoined) {
  DrawObject* box = box_body(2, 1, 1);
  obj_append(box);
  // Polygon 1 (elements 5-9) is the top, z = 1; cut it at x = 1 in the XY view.
  DrawObject* result = nullptr;
  ASSERT_EQ(cad_split_polygon(box, 5, VIEW_XY, {1, -1, 1}, {1, 2, 1}, &result), BuildStatus::ok);
  EXPECT_EQ(result->node_count, 10u);
  std::vector<Polygon> parts = polygons_of(result);
  ASSERT_EQ(parts.size(), 7u);
  // The sides y = 0 and y = 1 have the cut points as extra corners.
  int with_five = 0;
  for (const Polygon& p : parts) with_five += p.points.size() == 5;
  EXPECT_EQ(with_five, 2);
  EXPECT_EQ(parts[2].material, 4);  // the bottom keeps its material
  expect_closed_surface(result);
  EXPECT_NEAR(volume_of(result), 2, 1e-9);
}

TEST_F(BodyGeom, InsertedNodesSitOnEveryCrossedEdge) {
  DrawObject* face = rect_face(0, 0, 2, 1, 0, 8);
  face->attributes = OBJ_ATTR_SELECTED;
  BuildStatus status;
  // The cut x = 1 crosses edges 0-1 and 2-3; y = 0.5 crosses 1-2 and the closing edge 3-0.
  DrawObject* vertical = cad_insert_cut_nodes(face, VIEW_XY, {1, -1, 0}, {1, 2, 0}, &status);
  ASSERT_EQ(status, BuildStatus::ok);
  expect_points(polygons_of(vertical)[0], {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {0, 1, 0}});
  DrawObject* horizontal = cad_insert_cut_nodes(face, VIEW_XY, {-1, 0.5f, 0}, {3, 0.5f, 0}, &status);
  Polygon h = polygons_of(horizontal)[0];
  expect_points(h, {{0, 0, 0}, {2, 0, 0}, {2, 0.5f, 0}, {2, 1, 0}, {0, 1, 0}, {0, 0.5f, 0}});
  EXPECT_TRUE(h.closed);
  EXPECT_EQ(h.material, 8);
  EXPECT_EQ(horizontal->kind, OBJ_KIND_FACE);
  EXPECT_EQ(horizontal->attributes, uint32_t(OBJ_ATTR_SELECTED));
  DrawObject* untouched = cad_insert_cut_nodes(face, VIEW_XY, {5, 0, 0}, {5, 1, 0}, &status);
  EXPECT_EQ(elements_of(untouched), elements_of(face));
  for (DrawObject* o : {face, vertical, horizontal, untouched}) obj_append(o);
}

TEST_F(BodyGeom, DeletingPolygonsRebuildsOrDeletesTheObject) {
  // The top of a box: five polygons remain, joined into one body.
  DrawObject* box = box_body(1, 1, 1);
  DrawObject* other = rect_face(4, 4, 5, 5);
  obj_append(other);
  obj_append(box);
  DrawObject* result = nullptr;
  ASSERT_EQ(cad_delete_polygon(box, 5, 0, &result), BuildStatus::ok);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(list(), (std::vector<DrawObject*>{result, other}));
  EXPECT_EQ(result->kind, OBJ_KIND_BODY);
  EXPECT_EQ(fixtures::polygons(result), 5);
  EXPECT_EQ(result->node_count, 8u);

  // A body of two faces leaves a face; the only polygon of a face deletes it.
  obj_free_all();
  DrawObject* two = make(OBJ_KIND_BODY, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}},
                         ring(0, 4));
  std::vector<ElementCode> second = ring(4, 3, 2);
  two->elements = obj_realloc_elements(two->elements, 5, 9);
  std::copy(second.begin(), second.end(), two->elements + 5);
  two->element_count = 9;
  obj_append(two);
  ASSERT_EQ(cad_delete_polygon(two, 0, 0, &result), BuildStatus::ok);
  EXPECT_EQ(result->kind, OBJ_KIND_FACE);
  EXPECT_EQ(result->node_count, 3u);
  EXPECT_EQ(result->elements[1], (ElementCode{EL_MATERIAL, 2}));
  ASSERT_EQ(cad_delete_polygon(result, 0, 0, &result), BuildStatus::ok);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(g_obj_head, nullptr);
}

TEST_F(BodyGeom, DeletingTheLastClosedPolygonLeavesTheDrawingUnchanged) {
  DrawObject* body = make(OBJ_KIND_BODY, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                          {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3},
                           {EL_START, 0}, {EL_LINE, 2}});
  obj_append(body);
  std::vector<uint8_t> before = model_bytes();
  DrawObject* result = nullptr;
  EXPECT_EQ(cad_delete_polygon(body, 0, 0, &result), BuildStatus::all_open);
  EXPECT_EQ(model_bytes(), before);
  EXPECT_EQ(cad_delete_polygon(body, 1, 0, &result), BuildStatus::no_cut);  // not a start
}

// A polygon of n corners on a circle of radius 10 about the origin.
DrawObject* round_face(int n) {
  std::vector<WorldPoint> nodes;
  for (int k = 0; k < n; ++k) {
    double a = 2 * 3.14159265358979 * k / n;
    nodes.push_back({float(10 * std::cos(a)), float(10 * std::sin(a)), 0});
  }
  return make(OBJ_KIND_FACE, nodes, ring(0, uint16_t(n)));
}

// The work lists grow with their input up to the limits of one object: two
// cut points more than 5400 nodes are refused and change nothing, and a
// lathe takes sources of more nodes than one turn has degrees.
TEST_F(BodyGeom, WorkListsFollowTheInputUpToTheObjectLimits) {
  struct Case {
    int corners;
    BuildStatus expected;
  } cases[] = {{5398, BuildStatus::ok}, {5399, BuildStatus::too_big}};
  for (const Case& c : cases) {
    obj_free_all();
    DrawObject* face = round_face(c.corners);
    obj_append(face);
    std::vector<uint8_t> before = model_bytes();
    BuildStatus status;
    DrawObject* inserted = cad_insert_cut_nodes(face, VIEW_XY, {0, -11, 0}, {0, 11, 0}, &status);
    EXPECT_EQ(status, c.expected) << c.corners;
    if (inserted) {
      EXPECT_EQ(inserted->node_count, uint32_t(c.corners + 2));
      obj_free(inserted);
    }
    DrawObject* result = nullptr;
    EXPECT_EQ(cad_split_polygon(face, 0, VIEW_XY, {0, -11, 0}, {0, 11, 0}, &result), c.expected) << c.corners;
    if (c.expected == BuildStatus::ok) {
      ASSERT_NE(result, nullptr);
      EXPECT_EQ(result->node_count, uint32_t(c.corners + 2));
      EXPECT_EQ(fixtures::polygons(result), 2);
    } else {
      EXPECT_EQ(result, nullptr);
      EXPECT_EQ(model_bytes(), before);
    }
  }

  std::vector<WorldPoint> nodes;
  std::vector<ElementCode> elements{{EL_START, 0}};
  for (int k = 0; k < 400; ++k) nodes.push_back({1 + k * 0.01f, 0, 0});
  for (uint16_t k = 1; k < 400; ++k) elements.push_back({EL_LINE, k});
  DrawObject* line = make(OBJ_KIND_POLYLINE, nodes, elements);
  BuildStatus status;
  DrawObject* body = cad_lathe_object(line, LatheSpec{VIEW_XY, {0, 0, 0}, 90, 4, false}, &status);
  ASSERT_EQ(status, BuildStatus::ok);
  EXPECT_EQ(body->node_count, 2000u);
  EXPECT_EQ(body->element_count, 4u * 399 * 5);
  EXPECT_NEAR(body->nodes[1999].y, 4.99, 1e-5);  // the last node turned a quarter
  obj_append(body);
  obj_append(line);
}

}  // namespace
