// The generated hall of the benchmarks: about 300 room faces in tiles, a
// balcony and pillars, any size.
#pragma once
#include "cad/obj_store.h"

namespace bench {

inline void add_quad(WorldPoint a, WorldPoint b, WorldPoint c, WorldPoint d, int material) {
  DrawObject* o = obj_create(0, 4, 5);
  o->nodes[0] = a, o->nodes[1] = b, o->nodes[2] = c, o->nodes[3] = d;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, uint16_t(material)};
  o->elements[2] = {EL_LINE, 1};
  o->elements[3] = {EL_LINE, 2};
  o->elements[4] = {EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_ROOM;
  obj_append(o);
}

inline void add_area(WorldPoint a, WorldPoint b, WorldPoint c, WorldPoint d) {
  DrawObject* o = obj_create(0, 4, 4);
  o->nodes[0] = a, o->nodes[1] = b, o->nodes[2] = c, o->nodes[3] = d;
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_LINE, 1};
  o->elements[2] = {EL_LINE, 2};
  o->elements[3] = {EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_LISTENER;
  obj_append(o);
}

// An axis-aligned box (pillar, balcony slab) with outward normals.
inline void add_block(float x0, float x1, float y0, float y1, float z0, float z1, int m) {
  add_quad({x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}, m);  // bottom, down
  add_quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, m);  // top, up
  add_quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, m);  // -y
  add_quad({x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, m);  // +y
  add_quad({x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, m);  // -x
  add_quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, m);  // +x
}

// Room shell in tiles (normals into the hall), a balcony slab along the back
// wall and a row of pillars under it: 300 faces. The coverage benchmark's
// hall is 60 x 44 x 15 m.
inline int build_hall(float HALL_X = 60, float HALL_Y = 44, float HALL_Z = 15) {
  int tiles = 0;
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 6; ++j) {
      float x0 = HALL_X * i / 10, x1 = HALL_X * (i + 1) / 10, y0 = HALL_Y * j / 6, y1 = HALL_Y * (j + 1) / 6;
      add_quad({x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, 1);
      add_quad({x0, y0, HALL_Z}, {x0, y1, HALL_Z}, {x1, y1, HALL_Z}, {x1, y0, HALL_Z}, 2);
      tiles += 2;
    }
  for (int i = 0; i < 12; ++i)
    for (int k = 0; k < 3; ++k) {
      float x0 = HALL_X * i / 12, x1 = HALL_X * (i + 1) / 12, z0 = HALL_Z * k / 3, z1 = HALL_Z * (k + 1) / 3;
      add_quad({x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}, 3);
      add_quad({x0, HALL_Y, z0}, {x1, HALL_Y, z0}, {x1, HALL_Y, z1}, {x0, HALL_Y, z1}, 3);
      tiles += 2;
    }
  for (int j = 0; j < 8; ++j)
    for (int k = 0; k < 3; ++k) {
      float y0 = HALL_Y * j / 8, y1 = HALL_Y * (j + 1) / 8, z0 = HALL_Z * k / 3, z1 = HALL_Z * (k + 1) / 3;
      add_quad({0, y0, z0}, {0, y1, z0}, {0, y1, z1}, {0, y0, z1}, 3);
      add_quad({HALL_X, y0, z0}, {HALL_X, y0, z1}, {HALL_X, y1, z1}, {HALL_X, y1, z0}, 3);
      tiles += 2;
    }
  const float sx = HALL_X / 60, sy = HALL_Y / 44, sz = HALL_Z / 15;
  add_block(4 * sx, 56 * sx, 36 * sy, 43.5f * sy, 6 * sz, 6.5f * sz, 2);
  tiles += 6;
  for (int p = 0; p < 9; ++p) {
    float x = (7 + 5.5f * p) * sx;
    add_block(x, x + 0.6f, 30 * sy, 30 * sy + 0.6f, 0, 6 * sz, 3);
    tiles += 6;
  }
  return tiles;
}

}  // namespace bench
