// The loudspeaker input dialog DIALOG_9 and the band figures it shows, taken
// from the type-head buffer.
#pragma once

struct PlacedSpeaker;

constexpr int SPK_TYPE_NAME_CHARS = 8;  // the type-name buffer holds 8 + 1

void spk_dialog_band_levels(PlacedSpeaker* ps);
void spk_dialog_totals(const PlacedSpeaker& ps, double* total_db, double* total_power);
void spk_dialog_choose_type(PlacedSpeaker& ps);
float spk_degrees_to_radians(double degrees);

// Windows only (speaker_dialog_win.cpp).
int spk_run_input_dialog(PlacedSpeaker* ps, char* type_name);
