// How the room's reverberation time is found, and the measured times the
// last method takes: kept with the project beside its materials, and gone
// with them when the material table is reset.
#pragma once
#include <cstdint>

constexpr int RT60_SABINE = 0, RT60_EYRING = 1, RT60_FITZROY = 2, RT60_MEASURED = 3;
constexpr int RT60_BANDS = 7;

extern int16_t g_rt60_method;
extern double g_rt60_measured[RT60_BANDS];  // seconds
