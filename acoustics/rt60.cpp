#include "acoustics/rt60.h"

#include <cmath>

#include "acoustics/ray_geom.h"
#include "cad/obj_store.h"
#include "materials/material.h"

const double RT60_AIR_ABSORPTION[RT60_BANDS] = {0, 0.00003, 0.0001, 0.0005, 0.002, 0.009, 0.035};
const int RT60_BAND_HZ[RT60_BANDS] = {125, 250, 500, 1000, 2000, 4000, 8000};

Rt60Result g_rt60_result = {};

namespace {

constexpr double NO_AIR[RT60_BANDS] = {};
constexpr double SABINE_CONSTANT = 0.161;
// A measured time up to this is no measurement: the band absorbs all.
constexpr double MEASURED_TIME_MIN = 0.1;

int polygon_material(const DrawObject* o, uint32_t start) {
  return obj_polygon_material(o, start, g_material_table.count);
}

bool has_volume(const RoomAbsorption& r) { return r.volume >= RT60_MIN_VOLUME; }

// 0.161 V over the room's absorption; a room that absorbs nothing (or
// values that make no sense, such as negative coefficients from a file) get
// the longest time instead of infinity.
double decay_time(double volume, double absorption) {
  if (!(absorption > 0.0)) return RT60_LONGEST_TIME;
  double t = SABINE_CONSTANT * volume / absorption;
  return t < RT60_LONGEST_TIME ? t : RT60_LONGEST_TIME;
}

// Eyring's absorption term -S ln(1 - A/S): never negative (A = 0 gives a
// tiny negative value through the offset that keeps A = S finite) and never
// the logarithm of 0 or less.
double eyring_term(double surface, double absorption) {
  if (!(surface > 0.0) || !(absorption > 0.0)) return 0.0;
  double rest = 1.000000000001 - absorption / surface;
  if (rest < 1e-12) rest = 1e-12;
  double term = -surface * std::log(rest);
  return term > 0.0 ? term : 0.0;
}

// Each polygon of the room faces and bodies, with its half Newell vector.
template <typename Visit>
void for_each_room_polygon(Visit visit) {
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_ROOM || !(o->kind & OBJ_KIND_SURFACE_MASK) || !o->elements || !o->nodes) continue;
    for (uint32_t i = 0; i < o->element_count; ++i) {
      if (o->elements[i].code != EL_START || o->elements[i].value >= o->node_count) continue;
      double n[3];
      refl_polygon_normal(o, i, n);
      for (double& c : n) c /= 2.0;
      visit(o, i, n);
    }
  }
}

}  // namespace

// Area, enclosed volume and absorption over every polygon of the room
// faces and bodies; the volume is positive for inward normals.
void rt60_room_absorption(RoomAbsorption& room) {
  room = RoomAbsorption{};
  for_each_room_polygon([&](const DrawObject* o, uint32_t start, const double n[3]) {
    double area = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const WorldPoint& p0 = o->nodes[o->elements[start].value];
    room.surface += area;
    room.volume += -(p0.x * n[0] + p0.y * n[1] + p0.z * n[2]) / 3.0;
    const float* alpha = g_material_table.records[polygon_material(o, start)].absorption;
    for (int b = 0; b < RT60_BANDS; ++b) room.absorption[b] += alpha[b] * area;
    for (int k = 0; k < 3; ++k) {
      room.axis_surface[k] += std::fabs(n[k]);
      for (int b = 0; b < RT60_BANDS; ++b) room.axis_absorption[k][b] += alpha[b] * std::fabs(n[k]);
    }
  });
}

void rt60_sabine(const RoomAbsorption& r, const double air[RT60_BANDS], double time[RT60_BANDS]) {
  for (int b = 0; b < RT60_BANDS; ++b)
    time[b] = has_volume(r) ? decay_time(r.volume, r.absorption[b] + 4 * air[b] * r.volume) : 0.0;
}

void rt60_eyring(const RoomAbsorption& r, const double air[RT60_BANDS], double time[RT60_BANDS]) {
  for (int b = 0; b < RT60_BANDS; ++b)
    time[b] = has_volume(r)
                  ? decay_time(r.volume, eyring_term(r.surface, r.absorption[b]) + 4 * air[b] * r.volume)
                  : 0.0;
}

// Sabine per axis: each axis' share of the surface decays with the mean
// absorption of the faces seen along it.
void rt60_fitzroy(const RoomAbsorption& r, const double air[RT60_BANDS], double time[RT60_BANDS]) {
  for (int b = 0; b < RT60_BANDS; ++b) {
    time[b] = 0.0;
    if (!has_volume(r) || !(r.surface > 0.0)) continue;
    for (int k = 0; k < 3; ++k) {
      double alpha = r.axis_absorption[k][b] / (r.axis_surface[k] + 1e-12) + 1e-12;
      time[b] += (r.axis_surface[k] / r.surface) *
                 decay_time(r.volume, r.surface * alpha + 4 * air[b] * r.volume);
    }
    if (!(time[b] < RT60_LONGEST_TIME)) time[b] = RT60_LONGEST_TIME;
  }
}

// Measured times stand as given (a sign is ignored); the absorption follows
// from them, at most the whole surface.
void rt60_measured(RoomAbsorption& r, double time[RT60_BANDS]) {
  for (int b = 0; b < RT60_BANDS; ++b) {
    double t = std::fabs(g_rt60_measured[b]);
    if (!(t < RT60_LONGEST_TIME)) t = std::isnan(t) ? 0.0 : RT60_LONGEST_TIME;
    time[b] = t;
    r.absorption[b] = t > MEASURED_TIME_MIN ? std::fmin(SABINE_CONSTANT * r.volume / t, r.surface) : r.surface;
  }
}

namespace {

// Without air absorption a measured time would be longer: the absorption
// left after the air's. When the air alone absorbs as much as the measured
// time allows, the times cannot be right. A band without a measured time
// has none without air either: its curve stays where its figure says.
void measured_without_air(Rt60Result& result) {
  for (int b = 0; b < RT60_BANDS; ++b) {
    result.time_no_air[b] = 0.0;
    if (result.volume < RT60_MIN_VOLUME) continue;
    if (!(result.time[b] > MEASURED_TIME_MIN)) {
      result.time_no_air[b] = result.time[b];
      continue;
    }
    double rest = result.absorption[b] - result.air_term[b];
    if (rest > 0.0) {
      result.time_no_air[b] = decay_time(result.volume, rest);
    } else {
      result.unrealistic = 1;
    }
  }
}

}  // namespace

void rt60_calculate(int method, Rt60Result& result) {
  result = Rt60Result{};
  RoomAbsorption room;
  rt60_room_absorption(room);
  result.method = method;
  result.volume = room.volume;
  result.surface = room.surface;
  for (int b = 0; b < RT60_BANDS; ++b) result.air_term[b] = 4 * RT60_AIR_ABSORPTION[b] * room.volume;
  switch (method) {
    case RT60_EYRING:
      rt60_eyring(room, RT60_AIR_ABSORPTION, result.time);
      rt60_eyring(room, NO_AIR, result.time_no_air);
      break;
    case RT60_FITZROY:
      rt60_fitzroy(room, RT60_AIR_ABSORPTION, result.time);
      rt60_fitzroy(room, NO_AIR, result.time_no_air);
      break;
    case RT60_MEASURED:
      rt60_measured(room, result.time);
      break;
    default:
      result.method = RT60_SABINE;
      rt60_sabine(room, RT60_AIR_ABSORPTION, result.time);
      rt60_sabine(room, NO_AIR, result.time_no_air);
      break;
  }
  for (int b = 0; b < RT60_BANDS; ++b) result.absorption[b] = room.absorption[b];
  if (result.method == RT60_MEASURED) measured_without_air(result);
}

void rt60_check_closure(Rt60Closure& closure) {
  double sum[3] = {}, abs_sum[3] = {};
  for_each_room_polygon([&](const DrawObject*, uint32_t, const double n[3]) {
    for (int k = 0; k < 3; ++k) {
      sum[k] += n[k];
      abs_sum[k] += std::fabs(n[k]);
    }
  });
  closure.error = static_cast<float>(std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]));
  // Plane XY sees the z components, YZ the x ones, XZ the y ones.
  const int axis_of_plane[3] = {2, 0, 1};
  for (int p = 0; p < 3; ++p) {
    closure.abs_sum[p] = static_cast<float>(abs_sum[axis_of_plane[p]]);
    closure.net[p] = static_cast<float>(sum[axis_of_plane[p]]);
  }
}

void rt60_keep_result(const Rt60Result& result) {
  g_rt60_result = result;
  for (double& t : g_rt60_result.time)
    if (!(t > RT60_SHORTEST_TIME)) t = RT60_SHORTEST_TIME;
}
