#include "design/design_dialogs.h"

namespace {

int cancel_speaker_input(PlacedSpeaker*, char*) { return 0; }
int cancel_band_values(double*, int) { return 0; }
int cancel_absorber_select(int, int*) { return 0; }

constexpr DesignDialogs headless() {
  return DesignDialogs{cancel_speaker_input, cancel_band_values, cancel_absorber_select};
}

constinit DesignDialogs g_dialogs = headless();

}  // namespace

DesignDialogs& design_dialogs() { return g_dialogs; }
void design_reset_dialogs() { g_dialogs = headless(); }
