// Reverberation time of the room per octave band from the room faces and
// their materials (Sabine, Eyring, Fitzroy or measured values).
#pragma once
#include <cstdint>

constexpr int RT60_SABINE = 0, RT60_EYRING = 1, RT60_FITZROY = 2, RT60_MEASURED = 3;

extern int16_t g_rt60_method;        // kept with the project
extern double g_rt60_measured[7];    // seconds, kept with the project

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
