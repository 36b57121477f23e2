// The 15-bit pseudo-random sequence of the C runtime the programs were made
// for (x = x * 214013 + 2531011, result bits 16-30), so that every build
// draws the same numbers from the same seed.
#pragma once
#include <cstdint>

constexpr int RAND15_MAX = 32767;

void rand15_seed(uint32_t seed);  // a fresh program starts with seed 1
int rand15_next();                // 0 ... 32767
