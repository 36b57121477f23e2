#include "framework/rand15.h"

namespace {
uint32_t g_state = 1;
}

int rand15() {
  g_state = g_state * 214013u + 2531011u;
  return static_cast<int>((g_state >> 16) & 0x7FFF);
}

void rand15_seed(uint32_t seed) { g_state = seed; }
