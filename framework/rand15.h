// The suite's own 15-bit random generator: the sequence of the Windows C
// runtime's rand(), so that both builds and every platform draw the same
// numbers. Never seeded by the programs; it starts at 1.
#pragma once
#include <cstdint>

constexpr int RAND15_MAX = 32767;

int rand15();                     // 0 .. RAND15_MAX
void rand15_seed(uint32_t seed);  // 1 is the start-up state
