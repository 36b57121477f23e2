#include "materials/rt60_settings.h"

int16_t g_rt60_method = RT60_SABINE;
double g_rt60_measured[RT60_BANDS] = {};
