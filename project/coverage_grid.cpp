#include "project/coverage_grid.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "cad/obj_store.h"
#include "speakers/speaker_model.h"

int16_t g_active_speaker_count = 0;
ActiveSpeaker g_active_speakers[MAX_ACTIVE_SPEAKERS];
uint16_t g_band_speaker_counts[8] = {};
ListenerArea* g_listener_areas = nullptr;
int16_t g_listener_area_count = 0;
CoverageGrid g_coverage_grid;
int16_t g_coverage_valid = 0;
float g_grid_spacing = 1.0f;
float g_grid_half_spacing = 0.5f;

namespace {

constexpr float ACTIVE_INTENSITY = 1000.0f;
constexpr float ANGLE_THRESHOLD = 0.01f;

void set_angle(float angle, uint16_t& flag, float& sine, float& cosine) {
  flag = std::fabs(angle) > ANGLE_THRESHOLD ? 1 : 0;
  if (flag) {
    sine = std::sin(angle);
    cosine = std::cos(angle);
  }
}

const uint8_t* balloon_of(const PlacedSpeaker& ps) {
  if (ps.type_index >= g_speaker_types.count || ps.type_index >= MAX_SPEAKER_TYPES) return nullptr;
  const SpeakerRecord* r = g_speaker_types.records[ps.type_index];
  return r ? &r->balloon[0][0][0] : nullptr;
}

}  // namespace

bool cov_prepare_active_speaker(PlacedSpeaker* ps, float min_intensity, ActiveSpeaker& a) {
  if (!ps || ps->switched_on != 1) return false;
  a = ActiveSpeaker{};
  a.speaker = ps;
  for (int b = 0; b < COV_BANDS; ++b)
    if (std::fabs(ps->intensity[b]) > min_intensity) {
      a.band_mask |= uint16_t(1u << b);
      g_band_speaker_counts[b] += 1;
    }
  if (!a.band_mask) return false;
  set_angle(ps->horizontal_angle, a.horizontal_flag, a.sin_horizontal, a.cos_horizontal);
  set_angle(ps->vertical_angle, a.vertical_flag, a.sin_vertical, a.cos_vertical);
  set_angle(ps->rotation_angle, a.rotation_flag, a.sin_rotation, a.cos_rotation);
  a.balloon = balloon_of(*ps);
  return true;
}

int cov_build_active_speakers() {
  int count = 0;
  std::fill(g_band_speaker_counts, g_band_speaker_counts + 8, 0);
  for (DrawObject* o = g_obj_head; o && count < MAX_ACTIVE_SPEAKERS; o = o->next)
    if (cov_prepare_active_speaker(spk_placed_of(o), ACTIVE_INTENSITY, g_active_speakers[count])) count += 1;
  g_active_speaker_count = int16_t(count);
  g_band_speaker_counts[7] = 0;
  for (int b = 1; b <= 5; ++b)
    if (g_band_speaker_counts[b]) g_band_speaker_counts[7] = 1;
  return count;
}

void cov_reset_grid() {
  g_coverage_valid = 0;
  g_active_speaker_count = 0;
  std::fill(g_band_speaker_counts, g_band_speaker_counts + 8, 0);
  std::free(g_listener_areas);
  g_listener_areas = nullptr;
  g_listener_area_count = 0;
  g_coverage_grid.point_count = 0;
}
