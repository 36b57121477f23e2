// The loudspeaker commands of the menu "Lautsprecher" (ids 1002-1014), the
// pruning of unused types and the directivity factor of one balloon band.
#pragma once
#include <cstdint>

struct DrawObject;
struct PlacedSpeaker;
struct SpeakerRecord;

constexpr double SPEED_OF_SOUND = 343.0;  // m/s, for time alignment

// Menu commands; no arguments, no result. They reach the dialogs through
// design_dialogs() and the pointer input through the edit and view hosts.
void spk_cmd_new();
void spk_cmd_edit();
void spk_cmd_move();
void spk_cmd_copy();
void spk_cmd_delete();
void spk_cmd_switch_on();
void spk_cmd_switch_off();
void spk_cmd_align_times();
void spk_cmd_set_delay();
void spk_cmd_mirror();
void spk_cmd_equalizer();

// Their parts.
int spk_selected_speakers(DrawObject** out, int capacity);
void spk_align_delays(PlacedSpeaker* const* speakers, int count, const double reference[3]);
void spk_common_eq_maxima(PlacedSpeaker* const* speakers, int count, double maxima[7], double* overall);
int spk_apply_common_eq(PlacedSpeaker* const* speakers, int count, const double change[7]);
void spk_copy_block(DrawObject* copy, const PlacedSpeaker& source);
int spk_mirror_position(int view_kind, const double base[3], const double m[3], float position[3]);
void spk_prune_unused_types();
double spk_integrate_balloon_power(const uint8_t* balloon, int band);
