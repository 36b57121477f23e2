#include "cad/face_geom.h"

#include <gtest/gtest.h>

#include <vector>

#include "cad/obj_store.h"

namespace {

DrawObject* make(uint32_t kind, const std::vector<WorldPoint>& nodes, const std::vector<ElementCode>& elements) {
  DrawObject* o = obj_create(0, uint32_t(nodes.size()), uint32_t(elements.size()));
  std::copy(nodes.begin(), nodes.end(), o->nodes);
  std::copy(elements.begin(), elements.end(), o->elements);
  o->kind = kind;
  return o;
}

// A box a x b x c from the origin as one body, each side wound so that its
// Newell normal points into the box; the bottom carries material 4.
DrawObject* inward_box(float a, float b, float c) {
  std::vector<WorldPoint> nodes;
  for (int i = 0; i < 8; ++i) nodes.push_back({(i & 1) * a, ((i >> 1) & 1) * b, ((i >> 2) & 1) * c});
  const int sides[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
  std::vector<ElementCode> elements;
  for (int s = 0; s < 6; ++s) {
    elements.push_back({EL_START, uint16_t(sides[s][0])});
    if (s == 0) elements.push_back({EL_MATERIAL, 4});
    elements.push_back({EL_LINE, uint16_t(sides[s][1])});
    elements.push_back({EL_LINE, uint16_t(sides[s][2])});
    elements.push_back({EL_CLOSE, uint16_t(sides[s][3])});
  }
  return make(OBJ_KIND_BODY, nodes, elements);
}

struct Normal {
  double x, y, z;
};

Normal normal_of(DrawObject* o, int start) {
  obj_make_current(OBJ_MC_LOAD, o);
  Normal n{};
  cad_polygon_normal(start, &n.x, &n.y, &n.z);
  return n;
}

TEST(FaceGeom, UnitSquareNormalAndArea) {
  DrawObject* square = make(OBJ_KIND_FACE, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                            {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}});
  Normal n = normal_of(square, 0);
  EXPECT_DOUBLE_EQ(n.x, 0);
  EXPECT_DOUBLE_EQ(n.y, 0);
  EXPECT_DOUBLE_EQ(n.z, 2);
  double area = -1, volume = -1;
  EXPECT_EQ(cad_area_volume(square, &area, &volume), 1);
  EXPECT_DOUBLE_EQ(area, 1);
  EXPECT_DOUBLE_EQ(volume, 0);  // cone to the origin, which lies in its plane
  obj_free(square);
}

TEST(FaceGeom, BoxAreaAndVolumeFollowTheWinding) {
  struct Case {
    float a, b, c;
  };
  for (const Case& s : {Case{1, 1, 1}, Case{2, 3, 4}, Case{0.5f, 10, 2.5f}}) {
    DrawObject* box = inward_box(s.a, s.b, s.c);
    double area = 0, volume = 0;
    EXPECT_EQ(cad_area_volume(box, &area, &volume), 2);
    EXPECT_NEAR(area, 2.0 * (s.a * s.b + s.b * s.c + s.a * s.c), 1e-9);
    EXPECT_NEAR(volume, double(s.a) * s.b * s.c, 1e-9);

    obj_make_current(OBJ_MC_LOAD, box);
    for (uint32_t k = 0; k < box->element_count; ++k)
      if (box->elements[k].code == EL_START) cad_reverse_polygon(int(k));
    EXPECT_EQ(cad_area_volume(box, &area, &volume), 2);
    EXPECT_NEAR(area, 2.0 * (s.a * s.b + s.b * s.c + s.a * s.c), 1e-9);
    EXPECT_NEAR(volume, -double(s.a) * s.b * s.c, 1e-9);
    obj_free(box);
  }
}

TEST(FaceGeom, ReversedFaceKeepsStartAndMaterialAndFlipsItsNormal) {
  DrawObject* face = make(OBJ_KIND_FACE, {{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}},
                          {{EL_START, 0}, {EL_MATERIAL, 9}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}});
  Normal before = normal_of(face, 0);
  cad_reverse_polygon(0);
  const ElementCode expected[] = {{EL_START, 0}, {EL_MATERIAL, 9}, {EL_LINE, 3}, {EL_LINE, 2}, {EL_CLOSE, 1}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(face->elements[i].code, expected[i].code) << i;
    EXPECT_EQ(face->elements[i].value, expected[i].value) << i;
  }
  Normal after = normal_of(face, 0);
  EXPECT_DOUBLE_EQ(before.z, 4);
  EXPECT_DOUBLE_EQ(after.z, -4);
  double area = 0, volume = 0;
  cad_area_volume(face, &area, &volume);
  EXPECT_DOUBLE_EQ(area, 2);
  obj_free(face);
}

TEST(FaceGeom, ReverseWithoutMaterialAndOfAnOpenRunChangesNothingElse) {
  DrawObject* o = make(OBJ_KIND_BODY, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}},
                       {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3},   // (a, b, c, d)
                        {EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}});              // no close
  obj_make_current(OBJ_MC_LOAD, o);
  cad_reverse_polygon(0);
  EXPECT_EQ(o->elements[1].value, 3);  // (a, d, c, b)
  EXPECT_EQ(o->elements[2].value, 2);
  EXPECT_EQ(o->elements[3].value, 1);
  EXPECT_EQ(o->elements[3].code, EL_CLOSE);
  cad_reverse_polygon(4);  // open: left alone
  cad_reverse_polygon(5);  // not a start
  cad_reverse_polygon(99);
  EXPECT_EQ(o->elements[5].value, 1);
  EXPECT_EQ(o->elements[6].value, 2);
  obj_free(o);
}

TEST(FaceGeom, NormalWithoutCloseLeavesOutTheClosingEdge) {
  // Node 3 lifted so that the closing edge 3-0 adds to nx. Worked by hand:
  // edge 2-3 gives (0, -1, 2), edge 3-0 gives (1, 0, 0), edges 0-1 and 1-2 nothing.
  DrawObject* o = make(OBJ_KIND_FACE, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 1}},
                       {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_LINE, 3}});
  Normal open = normal_of(o, 0);
  EXPECT_DOUBLE_EQ(open.x, 0);
  EXPECT_DOUBLE_EQ(open.y, -1);
  EXPECT_DOUBLE_EQ(open.z, 2);
  o->elements[3].code = EL_CLOSE;
  Normal closed = normal_of(o, 0);
  EXPECT_DOUBLE_EQ(closed.x, 1);
  EXPECT_DOUBLE_EQ(closed.y, -1);
  EXPECT_DOUBLE_EQ(closed.z, 2);
  o->elements[3] = {EL_START, 3};  // a second start ends the walk, unclosed
  Normal cut = normal_of(o, 0);
  EXPECT_DOUBLE_EQ(cut.y, 0);
  EXPECT_DOUBLE_EQ(cut.z, 0);
  obj_free(o);
}

TEST(FaceGeom, OnlyFacesAndBodiesAreMeasured) {
  DrawObject* line = make(OBJ_KIND_POLYLINE, {{0, 0, 0}, {1, 1, 1}}, {{EL_START, 0}, {EL_LINE, 1}});
  double area = 5, volume = 5;
  EXPECT_EQ(cad_area_volume(line, &area, &volume), 0);
  EXPECT_EQ(area, 0);
  EXPECT_EQ(volume, 0);
  EXPECT_EQ(cad_area_volume(nullptr, &area, &volume), 0);
  obj_free(line);
}

TEST(FaceGeom, EntriesNamingMissingNodesAreNeverRead) {
  DrawObject* o = make(OBJ_KIND_FACE, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}},
                       {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 500}, {EL_CLOSE, 2}});
  double area = 0, volume = 0;
  EXPECT_EQ(cad_area_volume(o, &area, &volume), 1);
  EXPECT_DOUBLE_EQ(area, 0.5);
  Normal n = normal_of(o, 7);  // beyond the elements: nothing
  EXPECT_EQ(n.z, 0);
  obj_free(o);
}

}  // namespace
