// The display of the ray paths at a receiver: the path browser (the model
// with the paths, stepped through one by one) and the echogram window (the
// impulse response with its decay curve, Ld-Lr, RT 60 and Alcons), which
// alternate until the user leaves; from the echogram the audio profile is
// saved and the auralisation started.
#pragma once
#include <windows.h>

constexpr int ETC_WINDOW_ID = 10002;
constexpr int ETC_ID_BAR = 20030;  // the path bar and the mode button share it
constexpr int ETC_ID_MODE = 20030;
constexpr int ETC_ID_PRINT = 20031;
constexpr int ETC_ID_LEAVE = 20032;
constexpr int ETC_ID_COPY = 20033;
constexpr int ETC_ID_SAVE_PROFILE = 20034;
constexpr int ETC_ID_AURALISE = 20035;
constexpr int ETC_ID_BAND_FIRST = 20000;

// Installs the display as the one after a ray calculation or a ray-file
// load, and the auralisation of the calculation at a point.
void etc_install();
void etc_show_result();
int etc_run_path_browser();
int etc_run_echogram_window();
LRESULT etc_path_browser_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT etc_echogram_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
void etc_select_path();
void etc_redraw_paths();
void etc_draw_echogram();
void etc_draw_path_info(int redraw_marker);

// The "APF" and "RTA" buttons.
void profile_save();
void profile_write_temp_and_play();

// For tests: the open window (null while none), a control, the selection.
HWND etc_window();
bool etc_is_echogram();
HWND etc_control(int id);  // the buttons
HWND etc_path_bar();
int etc_selected_path();
int etc_band();
