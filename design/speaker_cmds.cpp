#include "design/speaker_cmds.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "cad/obj_store.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

namespace {

constexpr double MIRROR_MIN_LENGTH2 = 1e-6;
constexpr int BALLOON_ZONES = 36;

bool is_linked(const DrawObject* object) { return object->prev || object->next || g_obj_head == object; }

// Axes of the view plane: (x, y) in the XY and 3D views, (y, z) in YZ, (x, z) in XZ.
bool plane_axes(int view_kind, int* u, int* v) {
  switch (view_kind) {
    case 0:
    case 3: *u = 0, *v = 1; return true;
    case 1: *u = 1, *v = 2; return true;
    case 2: *u = 0, *v = 2; return true;
  }
  return false;
}

void free_unused_type(SpeakerRecord* record) {
  if (!record) return;
  DrawObject* symbol = record->symbol;
  if (symbol && symbol != g_default_speaker_symbol && is_linked(symbol)) {
    obj_unlink(symbol);
    obj_free(symbol);
  }
  spk_record_free(record);
}

}  // namespace

// The selected loudspeakers in list order: selected layer-2 objects with a
// loudspeaker block. Answers how many there are; at most `capacity` are stored.
int spk_selected_speakers(DrawObject** out, int capacity) {
  int count = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (!(o->attributes & OBJ_ATTR_SELECTED) || !spk_placed_of(o)) continue;
    if (out && count < capacity) out[count] = o;
    ++count;
  }
  return count;
}

// Delays so that the direct sounds of all loudspeakers reach the reference
// point together: the farthest one gets 0 ms, each nearer one waits for it.
void spk_align_delays(PlacedSpeaker* const* speakers, int count, const double reference[3]) {
  double longest = 0;
  for (int i = 0; i < count; ++i) {
    double dx = reference[0] - speakers[i]->position[0], dy = reference[1] - speakers[i]->position[1],
           dz = reference[2] - speakers[i]->position[2];
    double t = std::sqrt(dx * dx + dy * dy + dz * dz) / SPEED_OF_SOUND;
    if (t > longest) longest = t;
  }
  for (int i = 0; i < count; ++i) {
    double dx = reference[0] - speakers[i]->position[0], dy = reference[1] - speakers[i]->position[1],
           dz = reference[2] - speakers[i]->position[2];
    double t = std::sqrt(dx * dx + dy * dy + dz * dz) / SPEED_OF_SOUND;
    speakers[i]->delay_ms = static_cast<float>((longest - t) * 1000.0);
  }
}

// Largest gain per band over the loudspeakers, and the largest of them all.
void spk_common_eq_maxima(PlacedSpeaker* const* speakers, int count, double maxima[7], double* overall) {
  *overall = -1000.0;
  for (int b = 0; b < SPK_BANDS; ++b) {
    maxima[b] = -1000.0;
    for (int i = 0; i < count; ++i)
      if (speakers[i]->eq_gain[b] > maxima[b]) maxima[b] = speakers[i]->eq_gain[b];
    if (maxima[b] > *overall) *overall = maxima[b];
  }
}

// Adds the same change per band to every loudspeaker's gains, but only when
// none of them would then pass the rated power: either all change (1) or
// none (0). The band power follows the new gains.
int spk_apply_common_eq(PlacedSpeaker* const* speakers, int count, const double change[7]) {
  for (int i = 0; i < count; ++i) {
    float gains[SPK_BANDS];
    for (int b = 0; b < SPK_BANDS; ++b) gains[b] = static_cast<float>(speakers[i]->eq_gain[b] + change[b]);
    double sum = 0;
    for (int b = 0; b < SPK_BANDS; ++b) sum += std::pow(10.0, gains[b] / 10.0);
    if (10.0 * std::log10(sum) > 0.0) return 0;
  }
  for (int i = 0; i < count; ++i) {
    for (int b = 0; b < SPK_BANDS; ++b)
      speakers[i]->eq_gain[b] = static_cast<float>(speakers[i]->eq_gain[b] + change[b]);
    spk_update_band_power(*speakers[i]);
  }
  return 1;
}

// Gives a duplicated loudspeaker object its own block: the source's data
// without name and group, pointing back at the copy, on the loudspeaker layer.
void spk_copy_block(DrawObject* copy, const PlacedSpeaker& source) {
  copy->layer = SPEAKER_LAYER;
  PlacedSpeaker* block = copy->aux && copy->aux_size >= sizeof(PlacedSpeaker) ? static_cast<PlacedSpeaker*>(copy->aux)
                                                                              : nullptr;
  if (!block) return;
  *block = source;
  block->name[0] = '\0';
  block->group[0] = '\0';
  block->object = copy;
}

// Mirrors a position in the view plane about the line through `base` along
// `m`. Answers 0 (position unchanged) in the eye view or for a line too short.
int spk_mirror_position(int view_kind, const double base[3], const double m[3], float position[3]) {
  int u, v;
  if (!plane_axes(view_kind, &u, &v)) return 0;
  double mu = m[u], mv = m[v], length2 = mu * mu + mv * mv;
  if (length2 <= MIRROR_MIN_LENGTH2) return 0;
  double pu = position[u], pv = position[v];
  double k = 2.0 * ((base[v] - pv) * mu - (base[u] - pu) * mv) / length2;
  position[u] = static_cast<float>(pu - mv * k);
  position[v] = static_cast<float>(pv + mu * k);
  return 1;
}

// Frees every loaded type no loudspeaker refers to and renumbers the type
// indexes densely in the old order; types left without a symbol get the
// default one.
void spk_prune_unused_types() {
  uint8_t* used = static_cast<uint8_t*>(std::calloc(MAX_SPEAKER_TYPES, 1));
  if (!used) return;
  int count = g_speaker_types.count;
  if (count < 0) count = 0;
  if (count > MAX_SPEAKER_TYPES) count = MAX_SPEAKER_TYPES;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (PlacedSpeaker* ps = spk_placed_of(o))
      if (ps->type_index < MAX_SPEAKER_TYPES) used[ps->type_index] = 1;
  int in_use = 0;
  for (int i = 0; i < count; ++i) in_use += used[i];
  int* new_index = in_use < count ? static_cast<int*>(std::malloc(sizeof(int) * count)) : nullptr;
  if (new_index) {
    int next = 0;
    for (int i = 0; i < count; ++i) {
      if (used[i]) {
        g_speaker_types.records[next] = g_speaker_types.records[i];
        new_index[i] = next++;
      } else {
        free_unused_type(g_speaker_types.records[i]);
        new_index[i] = -1;
      }
    }
    for (int i = next; i < count; ++i) g_speaker_types.records[i] = nullptr;
    g_speaker_types.count = static_cast<int16_t>(next);
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (PlacedSpeaker* ps = spk_placed_of(o))
        if (ps->type_index < count && new_index[ps->type_index] >= 0)
          ps->type_index = static_cast<uint16_t>(new_index[ps->type_index]);
    std::free(new_index);
  }
  std::free(used);
  for (int i = 0; i < g_speaker_types.count; ++i)
    if (SpeakerRecord* r = g_speaker_types.records[i])
      if (!r->symbol) r->symbol = g_default_speaker_symbol;
}

// Directivity factor of one band of a balloon (7 bands x 37 rings x 72
// azimuths): the sphere's zones between neighbouring rings weighted by their
// area, each zone's power averaged from its two rings.
double spk_integrate_balloon_power(const uint8_t* balloon, int band) {
  if (!balloon || band < 0 || band >= SPK_BANDS) return 1.0;
  const uint8_t* grid = balloon + band * SPK_BALLOON_BAND_SIZE;
  const double degree = 3.14159265358979323846 / 180.0;
  double weight[BALLOON_ZONES];
  for (int i = 0; i < BALLOON_ZONES; ++i) weight[i] = std::cos(5.0 * i * degree) - std::cos(5.0 * (i + 1) * degree);
  double s = 0, a = 0;
  for (int i = 1; i < BALLOON_ZONES; ++i) {
    s += weight[i];
    int neighbour = i < 18 ? i - 1 : i + 1;
    for (int az = 0; az < SPK_BALLOON_COLS; ++az) {
      a += spk_balloon_byte_to_power(grid[i * SPK_BALLOON_COLS + az]) * weight[i] / SPK_BALLOON_COLS;
      a += spk_balloon_byte_to_power(grid[neighbour * SPK_BALLOON_COLS + az]) * weight[i] / SPK_BALLOON_COLS;
    }
  }
  double q = s / (a / 2.0 + 1e-12);
  return q < 1.0 ? 1.0 : q;
}
