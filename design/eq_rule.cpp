#include "design/eq_rule.h"

#include <cmath>
#include <cstdio>

#include "framework/ui_seam.h"

const char EQ_OVERLOAD_TEXT[] = "Maximale Ausgangsleistung des Lautsprechers überschritten (total > 0.0 dB).";
const char EQ_OVERLOAD_CAPTION[] = "EQ-Einstellungen konnten nicht übernommen werden";

float g_band_display_offsets[BAND_VALUES];

namespace {

// Scroll actions with the values of the Win32 API.
enum : int { SB_LINE_UP = 0, SB_LINE_DOWN = 1, SB_PAGE_UP = 2, SB_PAGE_DOWN = 3, SB_THUMB_POSITION = 4,
             SB_THUMB_TRACK = 5, SB_TO_TOP = 6, SB_TO_BOTTOM = 7 };

double lower_limit(int mode) { return mode == BAND_MODE_RT ? 0.0 : -100.0; }
double upper_limit(int mode) { return mode == BAND_MODE_RT ? 10.0 : 0.0; }

int position_of(int mode, double x) {
  return mode == BAND_MODE_RT ? static_cast<int>(100.0 - 10.0 * x) : static_cast<int>(-x);
}

// Slider and field of value i; the equaliser shows it with its display offset.
void show_value(BandDialogState& s, int i) {
  double x = s.value[i];
  s.position[i] = position_of(s.mode, x);
  double shown = s.mode == BAND_MODE_RT ? x : g_band_display_offsets[i] + x;
  std::snprintf(s.text[i], BAND_TEXT_CHARS, "%2.1lf", shown);
  s.changed |= 1u << i;
}

void show_summary(BandDialogState& s) {
  double result = 0;
  if (s.mode == BAND_MODE_RT) {
    for (int b = 0; b < EQ_BANDS; ++b) result += s.value[b];
    result /= EQ_BANDS;
  } else {
    float bands[EQ_BANDS];
    for (int b = 0; b < EQ_BANDS; ++b) bands[b] = s.value[b];
    result = eq_total_db(bands);
  }
  std::snprintf(s.summary, BAND_TEXT_CHARS, "%2.1lf", result);
}

}  // namespace

// Energy sum of the band gains in dB: 0 dB means the summed band power equals
// the rated power of the loudspeaker.
double eq_total_db(const double gains[EQ_BANDS]) {
  double sum = 0;
  for (int b = 0; b < EQ_BANDS; ++b) sum += std::pow(10.0, gains[b] / 10.0);
  return 10.0 * std::log10(sum);
}

double eq_total_db(const float gains[EQ_BANDS]) {
  double g[EQ_BANDS];
  for (int b = 0; b < EQ_BANDS; ++b) g[b] = gains[b];
  return eq_total_db(g);
}

bool eq_accepts(const double gains[EQ_BANDS]) { return eq_total_db(gains) <= 0.0; }
bool eq_accepts(const float gains[EQ_BANDS]) { return eq_total_db(gains) <= 0.0; }

void eq_report_overload() { ui_message_box(EQ_OVERLOAD_TEXT, EQ_OVERLOAD_CAPTION, UI_MB_OK); }

void opts_reset_display_offsets() {
  for (float& offset : g_band_display_offsets) offset = 0.0f;
}

void opts_band_min_max(BandDialogState& s) {
  s.min = 1000.0f;
  s.max = -1000.0f;
  for (int b = 0; b < EQ_BANDS; ++b) {
    if (s.value[b] < s.min) s.min = s.value[b];
    if (s.value[b] > s.max) s.max = s.value[b];
  }
}

// The master starts out of range so that the first band update places it.
void opts_band_state_open(BandDialogState& s, const double values[EQ_BANDS], int mode) {
  s = BandDialogState{};
  s.mode = mode;
  for (int b = 0; b < EQ_BANDS; ++b) s.value[b] = static_cast<float>(values[b]);
  opts_band_min_max(s);
  s.value[BAND_MASTER] = 1000.0f;
  for (int b = 0; b < EQ_BANDS; ++b) opts_band_state_update(s, BAND_SLIDER_FIRST + b, s.value[b]);
}

// One change of slider `slider_id` to x. A band drags the master to the
// largest band; the master moves every band by the same step, never past
// the lower limit with its lowest band.
void opts_band_state_update(BandDialogState& s, int slider_id, double x) {
  int i = slider_id - BAND_SLIDER_FIRST;
  if (i < 0 || i > BAND_MASTER) return;
  double lower = lower_limit(s.mode), upper = upper_limit(s.mode);
  if (x < lower) x = lower;
  if (x > upper) x = upper;
  double delta = x - s.value[i];
  if (i == BAND_MASTER) {
    if (s.min + delta < lower) delta = lower - s.min;
    if (delta == 0.0) return;
    x = s.value[BAND_MASTER] + delta;
  }
  s.value[i] = static_cast<float>(x);
  show_value(s, i);
  if (i < BAND_MASTER) {
    opts_band_min_max(s);
    if (s.value[BAND_MASTER] != s.max) {
      s.value[BAND_MASTER] = s.max;
      show_value(s, BAND_MASTER);
    }
  } else {
    for (int b = 0; b < EQ_BANDS; ++b) {
      s.value[b] = static_cast<float>(s.value[b] + delta);
      show_value(s, b);
    }
    opts_band_min_max(s);
  }
  show_summary(s);
}

// The value a scroll action asks for; the update clamps it. -1e9 when the
// action moves nothing (end of scroll).
double opts_band_scroll_value(const BandDialogState& s, int slider_id, int action, int old_position,
                              int new_position) {
  int i = slider_id - BAND_SLIDER_FIRST;
  if (i < 0 || i > BAND_MASTER) return -1e9;
  bool rt = s.mode == BAND_MODE_RT;
  double v = s.value[i];
  double line = rt ? 0.1 : 1.0, page = rt ? 1.0 : 10.0;
  switch (action) {
    case SB_LINE_UP: return v + line;
    case SB_LINE_DOWN: return v - line;
    case SB_PAGE_UP: return v + page;
    case SB_PAGE_DOWN: return v - page;
    case SB_THUMB_POSITION:
    case SB_THUMB_TRACK: return v + (rt ? 0.1 : 1.0) * (old_position - new_position);
    case SB_TO_TOP: return upper_limit(s.mode);
    case SB_TO_BOTTOM: return lower_limit(s.mode);
  }
  return -1e9;
}
