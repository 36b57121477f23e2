// The equaliser rule shared by the loudspeaker input dialog and the
// equaliser command, and the working state of the band dialog: seven band
// values and the master, their limits, slider positions and field texts.
#pragma once

constexpr int EQ_BANDS = 7;
constexpr int BAND_MASTER = 7;      // index of the master in the working values
constexpr int BAND_VALUES = 8;      // seven bands and the master
constexpr int BAND_SLIDER_FIRST = 201;
constexpr int BAND_SLIDER_MASTER = 208;
constexpr int BAND_FIELD_SUMMARY = 109;
constexpr int BAND_TEXT_CHARS = 32;

enum BandDialogMode : int { BAND_MODE_EQ = 0, BAND_MODE_RT = 1 };

extern const char EQ_OVERLOAD_TEXT[];
extern const char EQ_OVERLOAD_CAPTION[];

double eq_total_db(const double gains[EQ_BANDS]);
double eq_total_db(const float gains[EQ_BANDS]);
bool eq_accepts(const double gains[EQ_BANDS]);
bool eq_accepts(const float gains[EQ_BANDS]);
void eq_report_overload();

// Added to the shown equaliser numbers (bands 0-6, master 7); the common
// equaliser command sets them so the dialog shows changes from the maxima.
extern float g_band_display_offsets[BAND_VALUES];
void opts_reset_display_offsets();

// What one update changed: per value its slider position and field text.
struct BandDialogState {
  int mode;
  float value[BAND_VALUES];
  float min, max;
  int position[BAND_VALUES];
  char text[BAND_VALUES][BAND_TEXT_CHARS];
  char summary[BAND_TEXT_CHARS];
  unsigned changed;  // bit i: position and text of value i were set
};

void opts_band_state_open(BandDialogState& state, const double values[EQ_BANDS], int mode);
void opts_band_min_max(BandDialogState& state);
void opts_band_state_update(BandDialogState& state, int slider_id, double x);
double opts_band_scroll_value(const BandDialogState& state, int slider_id, int action, int old_position,
                              int new_position);
