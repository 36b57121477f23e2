// Reverberation time of the room per octave band from the room faces and
// their materials (Sabine, Eyring, Fitzroy or measured values).
#pragma once
#include <cstdint>

#include "materials/rt60_settings.h"

// Sums over the room polygons that every method starts from.
struct RoomAbsorption {
  double volume, surface;
  double absorption[7];        // A_b, m^2
  double axis_surface[3];      // S_k = sum |n_k|
  double axis_absorption[3][7];
};

struct Rt60Result {
  double volume, surface;
  double absorption[7];
  double time[7];          // with air absorption
  double time_no_air[7];
};

void rt60_room_absorption(RoomAbsorption& room);
void rt60_sabine(const RoomAbsorption& room, const double air[7], double time[7]);
void rt60_eyring(const RoomAbsorption& room, const double air[7], double time[7]);
void rt60_fitzroy(const RoomAbsorption& room, const double air[7], double time[7]);
void rt60_measured(RoomAbsorption& room, double time[7]);
void rt60_calculate(int method, Rt60Result& result);
