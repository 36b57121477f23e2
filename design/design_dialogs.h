// The design program's dialogs as its portable commands reach them: the
// loudspeaker input dialog, the band dialog and the absorber selection. The
// Windows program installs the real ones at start-up; headless each answers
// Cancel, and tests install scripted ones.
#pragma once

struct PlacedSpeaker;

struct DesignDialogs {
  // The loudspeaker and the caller's type-name buffer (8 + 1); 1 on OK.
  int (*speaker_input)(PlacedSpeaker* ps, char* type_name);
  // Seven band values in the given mode, overwritten only on OK (1).
  int (*band_values)(double values[7], int mode);
  // One record of the absorber database, the preset one first; 1 with it.
  int (*absorber_select)(int preset_index, int* database_index);
};

DesignDialogs& design_dialogs();
void design_reset_dialogs();
