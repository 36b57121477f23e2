// Small models for the acoustics tests: room faces, listener areas and
// loudspeakers built straight into the object store.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/point_response.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "cad/obj_store.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "speakers/speaker_model.h"

namespace acoustic_model {

// A closed polygon 0, (3 material), 1, ..., 2 over the given nodes.
inline DrawObject* add_polygon(uint32_t layer, std::initializer_list<WorldPoint> nodes, int material = 0) {
  uint32_t n = uint32_t(nodes.size());
  bool with_material = layer == LAYER_ROOM;
  DrawObject* o = obj_create(0, n, n + (with_material ? 1 : 0));
  uint32_t i = 0;
  for (const WorldPoint& p : nodes) o->nodes[i++] = p;
  uint32_t e = 0;
  o->elements[e++] = ElementCode{EL_START, 0};
  if (with_material) o->elements[e++] = ElementCode{EL_MATERIAL, uint16_t(material)};
  for (uint32_t k = 1; k < n; ++k) o->elements[e++] = ElementCode{k + 1 == n ? EL_CLOSE : EL_LINE, uint16_t(k)};
  o->kind = OBJ_KIND_FACE;
  o->layer = layer;
  obj_append(o);
  return o;
}

// An axis-aligned rectangle at height z (x0..x1, y0..y1), normal up.
inline DrawObject* add_floor(uint32_t layer, float x0, float x1, float y0, float y1, float z, int material = 0) {
  return add_polygon(layer, {{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}, material);
}

// A closed box as six separate faces, normals into the room.
inline void add_box(float x0, float y0, float z0, float x1, float y1, float z1, int material = 1) {
  add_polygon(LAYER_ROOM, {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}}, material);  // floor
  add_polygon(LAYER_ROOM, {{x0, y0, z1}, {x0, y1, z1}, {x1, y1, z1}, {x1, y0, z1}}, material);  // ceiling
  add_polygon(LAYER_ROOM, {{x0, y0, z0}, {x0, y0, z1}, {x1, y0, z1}, {x1, y0, z0}}, material);  // y = y0
  add_polygon(LAYER_ROOM, {{x1, y0, z0}, {x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}}, material);  // x = x1
  add_polygon(LAYER_ROOM, {{x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}, {x0, y1, z0}}, material);  // y = y1
  add_polygon(LAYER_ROOM, {{x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}, {x0, y0, z0}}, material);  // x = x0
}

inline DrawObject* add_speaker(float x, float y, float z, float intensity, int type = 0) {
  DrawObject* o = obj_create(sizeof(PlacedSpeaker), 0, 0);
  auto* ps = static_cast<PlacedSpeaker*>(o->aux);
  *ps = PlacedSpeaker{};
  ps->switched_on = 1;
  ps->polarity = 1;
  for (float& i : ps->intensity) i = intensity;
  ps->position[0] = x, ps->position[1] = y, ps->position[2] = z;
  ps->type_index = uint16_t(type);
  ps->object = o;
  o->layer = LAYER_SPEAKER;
  o->kind = OBJ_KIND_BODY;
  obj_append(o);
  return o;
}

inline PlacedSpeaker& speaker_of(DrawObject* o) { return *static_cast<PlacedSpeaker*>(o->aux); }

// One loudspeaker type with an even balloon (every byte 225) and Q = 1.
inline SpeakerRecord* add_flat_type() {
  auto* r = new SpeakerRecord{};
  std::memset(r->balloon, 225, sizeof r->balloon);
  for (int16_t& q : r->q_factor) q = 10;
  g_speaker_types.records[g_speaker_types.count++] = r;
  return r;
}

// Material 0 the full absorber, material 1 with the given coefficient.
inline void set_materials(float alpha) {
  std::memset(&g_material_table, 0, sizeof g_material_table);
  g_material_table.count = 2;
  for (int b = 0; b < 7; ++b) {
    g_material_table.records[0].absorption[b] = 1.0f;
    g_material_table.records[1].absorption[b] = alpha;
  }
}

inline void clear_model() {
  obj_free_all();
  for (int i = 0; i < g_speaker_types.count; ++i) delete g_speaker_types.records[i];
  g_speaker_types = SpeakerTypeTable{};
  cov_reset();
  g_face_count = 0;
  g_cov_run_settings = CovRunSettings{0, 1};
  g_calc_options = CalcOptions{0, -1, 2, 7, 1, 0};
  set_materials(0.0f);
  ui_reset_seams();
}

// The path search over the current model (tables built here) into memory:
// the spool bytes.
inline std::vector<uint8_t> search_paths(const WorldPoint& r, int image_order, int ray_order = 0, int ray_min = 0) {
  refl_build_face_table();
  refl_sort_face_table();
  cov_build_active_speakers();
  std::vector<uint8_t> bytes;
  PathSpool spool;
  spool.memory = &bytes;
  ReflSearchSetup setup{r, image_order, ray_order, ray_min, 0};
  EXPECT_EQ(refl_search_paths(setup, spool), 1);
  return bytes;
}

// A context for single points, reading the current tables.
struct PointRun {
  ArrivalBuffer buffer;
  RespContext context;
  explicit PointRun(uint32_t flags = 0, int mode = 1, int tree = 1) {
    resp_init_context(context, &buffer);
    context.flags = flags;
    context.summation_mode = mode;
    context.use_face_tree = tree;
  }
  const ArrivalBand& compute(float x, float y, float z, int band = 0) {
    resp_compute_point_in(context, WorldPoint{x, y, z});
    return buffer.bands[band];
  }
};

}  // namespace acoustic_model
