#include "design/speaker_dialog.h"

#include <cmath>

#include "framework/input_dialogs.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

constexpr double LOW_RATING_W = 0.1;

}  // namespace

// Band power and intensity as the dialog shows them, from the type-head
// buffer: no cut-off at low gains, and the intensity carries the polarity.
void spk_dialog_band_levels(PlacedSpeaker* ps) {
  for (int b = 0; b < SPK_BANDS; ++b) {
    double rated = g_type_head.rated_power[b];
    double power = rated * std::pow(10.0, ps->eq_gain[b] / 10.0);
    if (power > rated) power = rated >= LOW_RATING_W ? rated : ps->nominal_power * 0.0001;
    ps->band_power[b] = static_cast<float>(power);
    ps->intensity[b] =
        static_cast<float>(ps->polarity * power * std::pow(10.0, g_type_head.sensitivity[b] / 10.0));
  }
}

// Total gain (energy sum of the band gains, dB) and total band power (W).
void spk_dialog_totals(const PlacedSpeaker& ps, double* total_db, double* total_power) {
  double sum = 0, power = 0;
  for (int b = 0; b < SPK_BANDS; ++b) {
    sum += std::pow(10.0, ps.eq_gain[b] / 10.0);
    power += ps.band_power[b];
  }
  *total_db = 10.0 * std::log10(sum);
  *total_power = power;
}

// Band settings of a freshly chosen type (its head is in the type-head
// buffer): -9 dB in every band, nominal power = the largest rated band power.
void spk_dialog_choose_type(PlacedSpeaker& ps) {
  ps.nominal_power = 0.0f;
  for (int b = 0; b < SPK_BANDS; ++b) {
    ps.band_power[b] = g_type_head.rated_power[b];
    if (g_type_head.rated_power[b] > ps.nominal_power) ps.nominal_power = g_type_head.rated_power[b];
    ps.eq_gain[b] = static_cast<float>(SPK_FRESH_EQ_GAIN_DB);
  }
  spk_dialog_band_levels(&ps);
}

// A typed angle, wrapped once into -180..180, in radians.
float spk_degrees_to_radians(double degrees) {
  return static_cast<float>(dlg_wrap_degrees(degrees) * 0.017453292522222223);
}
