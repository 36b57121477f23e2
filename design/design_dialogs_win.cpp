#include "design/design_dialogs_win.h"

#include "design/design_dialogs.h"
#include "design/eq_dialog.h"
#include "design/material_win.h"
#include "design/speaker_dialog.h"

void design_install_win32_dialogs() {
  DesignDialogs& dialogs = design_dialogs();
  dialogs.speaker_input = spk_run_input_dialog;
  dialogs.band_values = opts_run_band_dialog;
  dialogs.absorber_select = mat_run_absorber_select;
}
