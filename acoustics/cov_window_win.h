// The coverage window: the colour map of the last coverage result over the
// listener areas with its legend, band, mode and scale buttons, picked point
// values, printing and the STI export; a child of the main window that runs
// its own wait loop while its command counts as running.
#pragma once
#include <windows.h>

#include "cad/cad_state.h"

constexpr int COV_WINDOW_ID = 10001;
constexpr int COV_ID_BAND_FIRST = 20000;   // 20000 .. 20007: 125 Hz .. 8 kHz, all bands
constexpr int COV_ID_MODE_FIRST = 20010;   // 20010 .. 20015
constexpr int COV_ID_SCALE_FIRST = 20020;  // 20020 .. 20023
constexpr int COV_ID_CLOSE = 20030;
constexpr int COV_ID_PRINT = 20031;
constexpr int COV_ID_CLEAR = 20032;

// Reflection calculation at a right-clicked grid point (position, all-band
// Ld-Lr in dB); installed by its owner, null until then.
using CovReflectionHook = void (*)(float x, float y, float z, float direct_reverberant);
extern CovReflectionHook cov_reflection_hook;
extern const char* g_cov_top_text;  // "Orvante Planning Engine " or the viewer's

void cov_show_window();
void cov_draw_map();
void cov_show_point_value(int point);
void cov_pick_point(int x, int y);
int cov_find_nearest_point(int x, int y, WorldPoint* position);
LRESULT cov_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// The open window and its controls (null while closed), for tests and the print path.
HWND cov_window();
HWND cov_control(int id);
