#include "acoustics/rt60.h"

#include <cmath>

#include "acoustics/ray_geom.h"
#include "cad/obj_store.h"
#include "materials/material.h"

namespace {

constexpr double AIR_ABSORPTION[7] = {0, 0.00003, 0.0001, 0.0005, 0.002, 0.009, 0.035};
constexpr double NO_AIR[7] = {};

int polygon_material(const DrawObject* o, uint32_t start) {
  if (start + 1 >= o->element_count || o->elements[start + 1].code != EL_MATERIAL) return 0;
  int m = o->elements[start + 1].value;
  return m < g_material_table.count ? m : 0;
}

}  // namespace

// Area, enclosed volume and absorption over every polygon of the room
// faces and bodies; the volume is positive for inward normals.
void rt60_room_absorption(RoomAbsorption& room) {
  room = RoomAbsorption{};
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_ROOM || !(o->kind & OBJ_KIND_SURFACE_MASK) || !o->elements || !o->nodes) continue;
    for (uint32_t i = 0; i < o->element_count; ++i) {
      if (o->elements[i].code != EL_START || o->elements[i].value >= o->node_count) continue;
      double n[3];
      refl_polygon_normal(o, i, n);
      for (double& c : n) c /= 2.0;
      double area = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      const WorldPoint& p0 = o->nodes[o->elements[i].value];
      room.surface += area;
      room.volume += -(p0.x * n[0] + p0.y * n[1] + p0.z * n[2]) / 3.0;
      const float* alpha = g_material_table.records[polygon_material(o, i)].absorption;
      for (int b = 0; b < 7; ++b) room.absorption[b] += alpha[b] * area;
      for (int k = 0; k < 3; ++k) {
        room.axis_surface[k] += std::fabs(n[k]);
        for (int b = 0; b < 7; ++b) room.axis_absorption[k][b] += alpha[b] * std::fabs(n[k]);
      }
    }
  }
}

void rt60_sabine(const RoomAbsorption& r, const double air[7], double time[7]) {
  for (int b = 0; b < 7; ++b)
    time[b] = r.volume < 0.1 ? 0.0 : 0.161 * r.volume / (r.absorption[b] + 4 * air[b] * r.volume);
}

void rt60_eyring(const RoomAbsorption& r, const double air[7], double time[7]) {
  for (int b = 0; b < 7; ++b)
    time[b] = r.volume < 0.1 ? 0.0
                             : 0.161 * r.volume /
                                   (-r.surface * std::log(1.000000000001 - r.absorption[b] / r.surface) +
                                    4 * air[b] * r.volume);
}

void rt60_fitzroy(const RoomAbsorption& r, const double air[7], double time[7]) {
  for (int b = 0; b < 7; ++b) {
    time[b] = 0.0;
    if (r.volume < 0.1) continue;
    for (int k = 0; k < 3; ++k) {
      double alpha = r.axis_absorption[k][b] / (r.axis_surface[k] + 1e-12) + 1e-12;
      time[b] += (r.axis_surface[k] / r.surface) * 0.161 * r.volume /
                 (r.surface * alpha + 4 * air[b] * r.volume);
    }
  }
}

// Measured times stand as given; the absorption follows from them.
void rt60_measured(RoomAbsorption& r, double time[7]) {
  for (int b = 0; b < 7; ++b) {
    time[b] = std::fabs(g_rt60_measured[b]);
    if (time[b] > 0.1) {
      r.absorption[b] = std::fmin(0.161 * r.volume / time[b], r.surface);
    } else {
      r.absorption[b] = r.surface;
    }
  }
}

void rt60_calculate(int method, Rt60Result& result) {
  RoomAbsorption room;
  rt60_room_absorption(room);
  switch (method) {
    case RT60_EYRING:
      rt60_eyring(room, AIR_ABSORPTION, result.time);
      rt60_eyring(room, NO_AIR, result.time_no_air);
      break;
    case RT60_FITZROY:
      rt60_fitzroy(room, AIR_ABSORPTION, result.time);
      rt60_fitzroy(room, NO_AIR, result.time_no_air);
      break;
    case RT60_MEASURED:
      rt60_measured(room, result.time);
      for (int b = 0; b < 7; ++b) {
        double x = std::fmin(4 * AIR_ABSORPTION[b] * room.volume, room.absorption[b] / 0.99);
        result.time_no_air[b] = room.volume >= 0.1 ? 0.161 * room.volume / (room.absorption[b] - x) : 0.0;
      }
      break;
    default:
      rt60_sabine(room, AIR_ABSORPTION, result.time);
      rt60_sabine(room, NO_AIR, result.time_no_air);
      break;
  }
  result.volume = room.volume;
  result.surface = room.surface;
  for (int b = 0; b < 7; ++b) result.absorption[b] = room.absorption[b];
}
