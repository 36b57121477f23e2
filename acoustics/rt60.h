// Reverberation time of the room per octave band from the room faces and
// their materials (Sabine, Eyring, Fitzroy or measured values), and the
// closure check of the room's faces.
#pragma once
#include <cstdint>

#include "materials/rt60_settings.h"

constexpr double RT60_MIN_VOLUME = 0.1;     // below it the room has no reverberation time
constexpr double RT60_SHORTEST_TIME = 0.01;  // what a time of 0 is kept as for its users
// A band in which nothing absorbs has no finite decay; it is given this
// time so that the chart, the reverberant field and STI stay finite. Every
// band with air absorption lies far below it.
constexpr double RT60_LONGEST_TIME = 10000.0;

extern const double RT60_AIR_ABSORPTION[RT60_BANDS];  // m_b, 1/m
extern const int RT60_BAND_HZ[RT60_BANDS];

// Sums over the room polygons that every method starts from.
struct RoomAbsorption {
  double volume, surface;
  double absorption[RT60_BANDS];        // A_b, m^2
  double axis_surface[3];               // S_k = sum |n_k|
  double axis_absorption[3][RT60_BANDS];
};

struct Rt60Result {
  int method;
  double volume, surface;
  double absorption[RT60_BANDS];   // A_b; for measured times the one they imply
  double air_term[RT60_BANDS];     // 4 m_b V
  double time[RT60_BANDS];         // with air absorption
  double time_no_air[RT60_BANDS];
  int unrealistic;                 // measured times that leave less absorption than the air's
};

// Closure of the room: the projected areas of a closed room cancel out.
// Planes: 0 XY (z components), 1 YZ (x components), 2 XZ (y components).
constexpr int RT60_PLANE_XY = 0, RT60_PLANE_YZ = 1, RT60_PLANE_XZ = 2;
struct Rt60Closure {
  float error;         // |sum of the half Newell vectors|
  float abs_sum[3];    // sum of the absolute projected areas
  float net[3];        // net projected area
};

// The last calculation of the reverberation window, times of 0.01 s or less
// kept as 0.01 s: what later users of the room's reverberation read.
extern Rt60Result g_rt60_result;

void rt60_room_absorption(RoomAbsorption& room);
void rt60_sabine(const RoomAbsorption& room, const double air[RT60_BANDS], double time[RT60_BANDS]);
void rt60_eyring(const RoomAbsorption& room, const double air[RT60_BANDS], double time[RT60_BANDS]);
void rt60_fitzroy(const RoomAbsorption& room, const double air[RT60_BANDS], double time[RT60_BANDS]);
void rt60_measured(RoomAbsorption& room, double time[RT60_BANDS]);
void rt60_calculate(int method, Rt60Result& result);
void rt60_check_closure(Rt60Closure& closure);
// Keeps a calculated result for later users, short times raised to 0.01 s.
void rt60_keep_result(const Rt60Result& result);
