#include "design/speaker_cmds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "acoustics/speaker_aim.h"
#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/edit_host.h"
#include "cad/edit_steps.h"
#include "cad/face_geom.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "design/design_dialogs.h"
#include "design/eq_dialog.h"
#include "design/eq_rule.h"
#include "design/speaker_dialog.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "project/model_reset.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_db.h"
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

// ---- the menu commands ----------------------------------------------

namespace {

constexpr uint32_t COLOUR_ON = 12;
constexpr uint32_t COLOUR_OFF = 0;
constexpr uint32_t BACKGROUND_COLOUR = 30;
constexpr size_t FREE_MEMORY_FIGURE = 1048576;  // what the framework reports as free
constexpr int DELAY_CHARS = 10;
const char* const MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden";

void set_prefix(const char* prefix) {
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", prefix);
  view_show_prompt("");
}

void redraw(DrawObject* object) {
  cad_show_cursor(0);
  render_objects(object, object, 0);
  cad_show_cursor(1);
}

void erase(DrawObject* object) {
  uint32_t colour = object->colour;
  object->colour = BACKGROUND_COLOUR;
  redraw(object);
  object->colour = colour;
}

// Deselects one loudspeaker of the walk and draws it unselected.
void release(DrawObject* object) {
  object->attributes &= ~OBJ_ATTR_SELECTED;
  redraw(object);
}

std::vector<DrawObject*> selected_speakers() {
  std::vector<DrawObject*> list(static_cast<size_t>(spk_selected_speakers(nullptr, 0)));
  if (!list.empty()) spk_selected_speakers(list.data(), static_cast<int>(list.size()));
  return list;
}

// Prefix, then the object selection on the loudspeaker layer; the selected
// loudspeakers in list order.
std::vector<DrawObject*> select_speakers(const char* prefix) {
  set_prefix(prefix);
  edit_host().select_objects();
  return selected_speakers();
}

WorldPoint displacement_from_base() {
  return WorldPoint{g_last_point.x - g_base_point.x, g_last_point.y - g_base_point.y,
                    g_last_point.z - g_base_point.z};
}

bool would_pass_limit(int more) { return obj_count_speaker() + more > MAX_SPEAKERS; }

// The memory rule of copies: the flat images of the sources must fit into
// the framework's free-memory figure (summed in single precision).
bool copies_fit(const std::vector<DrawObject*>& sources) {
  float sum = 0;
  for (DrawObject* o : sources) sum = static_cast<float>(static_cast<size_t>(sum + obj_flat_size(o)));
  return static_cast<float>(FREE_MEMORY_FIGURE) >= sum;
}

void report_no_memory() { ui_message_box(MSG_NO_MEMORY, nullptr, UI_MB_OK); }

// Pairs the new objects (from the list head up to `old_head`) with the
// sources in order; a copy without a loudspeaker block takes no source.
template <typename Fill>
void fill_copies(DrawObject* old_head, const std::vector<DrawObject*>& sources, Fill fill) {
  size_t next = 0;
  for (DrawObject* o = g_obj_head; o && o != old_head; o = o->next) {
    o->layer = SPEAKER_LAYER;
    if (!o->aux || o->aux_size < sizeof(PlacedSpeaker) || next >= sources.size()) continue;
    fill(o, *spk_placed_of(sources[next++]));
  }
}

void finish_copying() {
  cad_deselect_all();
  if (g_modified) spk_rebuild_aim_lines();
  cad_end_command();
}

// Individual equaliser of one loudspeaker; false when the command must end.
bool equalise_one(DrawObject* object, bool* changed) {
  PlacedSpeaker& ps = *spk_placed_of(object);
  double gains[SPK_BANDS];
  for (int b = 0; b < SPK_BANDS; ++b) gains[b] = ps.eq_gain[b];
  if (design_dialogs().band_values(gains, BAND_MODE_EQ)) {
    if (!eq_accepts(gains)) {
      eq_report_overload();
      redraw(object);
      return false;
    }
    for (int b = 0; b < SPK_BANDS; ++b) ps.eq_gain[b] = static_cast<float>(gains[b]);
    *changed = true;
  }
  redraw(object);
  spk_update_band_power(ps);
  return true;
}

// Common equaliser: one dialog showing the changes from the band maxima,
// then the same change for every loudspeaker, all of them or none.
void equalise_common(const std::vector<DrawObject*>& speakers) {
  std::vector<PlacedSpeaker*> blocks;
  for (DrawObject* o : speakers) blocks.push_back(spk_placed_of(o));
  double maxima[SPK_BANDS], overall;
  spk_common_eq_maxima(blocks.data(), static_cast<int>(blocks.size()), maxima, &overall);
  double values[SPK_BANDS];
  for (int b = 0; b < SPK_BANDS; ++b) {
    values[b] = maxima[b];
    g_band_display_offsets[b] = static_cast<float>(-maxima[b]);
  }
  g_band_display_offsets[BAND_MASTER] = static_cast<float>(-overall);
  int accepted = design_dialogs().band_values(values, BAND_MODE_EQ);
  opts_reset_display_offsets();
  if (!accepted) return;
  double change[SPK_BANDS];
  for (int b = 0; b < SPK_BANDS; ++b) change[b] = values[b] - maxima[b];
  int applied = spk_apply_common_eq(blocks.data(), static_cast<int>(blocks.size()), change);
  if (!applied) eq_report_overload();
  for (DrawObject* o : speakers) release(o);
  if (applied) g_modified = 1;
}

void switch_selected(const char* prefix, bool on) {
  if (!g_model_ready) return;
  std::vector<DrawObject*> speakers = select_speakers(prefix);
  if (speakers.empty()) {
    cad_end_command();
    return;
  }
  for (DrawObject* o : speakers) {
    PlacedSpeaker& ps = *spk_placed_of(o);
    o->attributes &= ~OBJ_ATTR_SELECTED;
    ps.switched_on = on ? 1 : 0;
    o->colour = on ? COLOUR_ON : COLOUR_OFF;
    redraw(o);
    if (on) spk_update_band_power(ps);
  }
  spk_rebuild_aim_lines();
  g_modified = 1;
  cad_end_command();
}

// Edits one marked loudspeaker in the input dialog with its own type in the
// type-head buffer; true when it was changed.
bool edit_one(DrawObject* object) {
  PlacedSpeaker& ps = *spk_placed_of(object);
  object->attributes &= ~OBJ_ATTR_SPEAKER_MARK;
  object->attributes |= OBJ_ATTR_SELECTED;
  redraw(object);
  char type[SPK_TYPE_NAME_CHARS + 1] = {};
  uint16_t kept_index = ps.type_index;
  const SpeakerRecord* record = ps.type_index < g_speaker_types.count ? g_speaker_types.records[ps.type_index] : nullptr;
  g_type_head = record ? static_cast<const SpeakerHead&>(*record) : SpeakerHead{};
  if (record) std::memcpy(type, record->type_name, SPK_TYPE_NAME_CHARS);
  char kept_type[sizeof type];
  std::memcpy(kept_type, type, sizeof type);
  if (design_dialogs().speaker_input(&ps, type) != 1) {
    release(object);
    return false;
  }
  if (std::strcmp(type, kept_type) != 0 && !sdb_find_or_load_type(&ps, type)) ps.type_index = kept_index;
  object->attributes &= ~OBJ_ATTR_SELECTED;
  spk_update_band_power(ps);
  erase(object);
  spk_build_object(&ps, object, 1);
  return true;
}

}  // namespace

// 1002: one new loudspeaker at a clicked point, its data from the input dialog.
void spk_cmd_new() {
  if (!g_model_ready) spk_reset_tables();
  if (!g_model_ready) return;
  char type[SPK_TYPE_NAME_CHARS + 1] = {};
  if (would_pass_limit(1)) {
    spk_report_limit();
    return;
  }
  PlacedSpeaker defaults;
  spk_placed_defaults(defaults);
  DrawObject* object = spk_create_object(defaults);
  if (!object) return;
  set_prefix("Neuer Lautsprecher > ");
  view_show_prompt("Einfügepunkt :");
  cad_wait_event();
  if (g_abort_flag) {
    obj_free(object);
    cad_end_command();
    return;
  }
  PlacedSpeaker* ps = spk_placed_of(object);
  ps->position[0] = g_last_point.x;
  ps->position[1] = g_last_point.y;
  ps->position[2] = g_last_point.z;
  view_clear_prompt_line();
  g_finish_flag = g_abort_flag = 0;
  if (design_dialogs().speaker_input(ps, type) == 1 && sdb_find_or_load_type(ps, type)) {
    spk_update_band_power(*ps);
    spk_build_object(ps, object, 1);
    g_modified = 1;
    spk_rebuild_aim_lines();
  } else {
    obj_free(object);
  }
  cad_end_command();
}

// 1003: the input dialog for each selected loudspeaker in turn.
void spk_cmd_edit() {
  if (!g_model_ready) return;
  std::vector<DrawObject*> speakers = select_speakers("LAUTSPRECHER EDITIEREN > ");
  if (speakers.empty()) {
    cad_end_command();
    return;
  }
  for (DrawObject* o : speakers) {
    o->attributes = (o->attributes & ~OBJ_ATTR_SELECTED) | OBJ_ATTR_SPEAKER_MARK;
    redraw(o);
  }
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if ((o->attributes & OBJ_ATTR_SPEAKER_MARK) && spk_placed_of(o) && edit_one(o)) g_modified = 1;
  if (g_modified) {
    spk_rebuild_aim_lines();
    spk_prune_unused_types();
  }
  cad_end_command();
}

void spk_cmd_switch_on() { switch_selected("LAUTSPRECHER EINSCHALTEN > ", true); }
void spk_cmd_switch_off() { switch_selected("LAUTSPRECHER AUSSCHALTEN > ", false); }

// 1014: equaliser of the selected loudspeakers, one for all or one each.
void spk_cmd_equalizer() {
  if (!g_model_ready) return;
  std::vector<DrawObject*> speakers = select_speakers("LAUTSPRECHER ENTZERRUNG > ");
  if (speakers.empty()) {
    cad_end_command();
    return;
  }
  bool common = false;
  if (speakers.size() > 1) {
    int answer = ui_message_box("Mehrere Lautsprecher selektiert.Alle Equalizer gleich setzen ?", "Warnung",
                                UI_MB_YESNOCANCEL);
    if (answer == UI_IDCANCEL) {
      cad_end_command();
      return;
    }
    common = answer == UI_IDYES;
  }
  if (common) {
    equalise_common(speakers);
    cad_end_command();
    return;
  }
  bool changed = false;
  for (DrawObject* o : speakers) {
    o->attributes &= ~OBJ_ATTR_SELECTED;
    if (!equalise_one(o, &changed)) {
      // Those accepted before keep their gains; the project must say so.
      if (changed) g_modified = 1;
      cad_end_command();
      return;
    }
  }
  g_modified = 1;
  cad_end_command();
}

// 1010: delays so that every direct sound reaches a reference point together.
void spk_cmd_align_times() {
  if (!g_model_ready) return;
  std::vector<DrawObject*> speakers = select_speakers("LAUTSPRECHER ALIGNMENT > ");
  if (speakers.empty()) {
    cad_end_command();
    return;
  }
  view_show_prompt("Bezugspunkt");
  cad_wait_event();
  if (g_abort_flag) {
    cad_end_command();
    return;
  }
  const double reference[3] = {g_last_point.x, g_last_point.y, g_last_point.z};
  std::vector<PlacedSpeaker*> blocks;
  for (DrawObject* o : speakers) blocks.push_back(spk_placed_of(o));
  spk_align_delays(blocks.data(), static_cast<int>(blocks.size()), reference);
  for (DrawObject* o : speakers) release(o);
  g_modified = 1;
  cad_end_command();
}

// 1011: one typed delay for all selected loudspeakers.
void spk_cmd_set_delay() {
  if (!g_model_ready) return;
  set_prefix("");
  view_show_prompt("Verzögerungszeit Setzen > ");
  edit_host().select_objects();
  std::vector<DrawObject*> speakers = selected_speakers();
  if (speakers.empty()) {
    cad_end_command();
    return;
  }
  char text[DELAY_CHARS + 1] = "0.0";
  float delay = 0;
  if (!edit_host().input_line("Verzögerungszeit [ms]:", text, DELAY_CHARS, 1) || !units_read_entry(text, &delay)) {
    cad_end_command();
    return;
  }
  for (DrawObject* o : speakers) {
    spk_placed_of(o)->delay_ms = delay;
    release(o);
  }
  cad_end_command();
  g_modified = 1;
}

// 1005: moves the selected loudspeakers; STOP puts every node back.
void spk_cmd_move() {
  std::vector<DrawObject*> speakers = select_speakers("LAUTSPRECHER VERSCHIEBEN > ");
  if (!speakers.empty()) {
    input_ask_base_point();
    if (g_abort_flag) {
      cad_deselect_all();
    } else {
      // The preview moves the nodes themselves; keep them to undo a STOP exactly.
      std::vector<DrawObject*> moved;
      std::vector<std::vector<WorldPoint>> nodes_before;
      for (DrawObject* o = g_obj_head; o; o = o->next)
        if (o->attributes & OBJ_ATTR_SELECTED) {
          moved.push_back(o);
          nodes_before.emplace_back(o->nodes, o->nodes + o->node_count);
        }
      cad_erase_selected();
      cad_set_drag_transform(DRAG_TRANSLATE);
      g_view.drag_preview = 1;
      float dx = 0, dy = 0, dz = 0;
      input_ask_displacement(&dx, &dy, &dz);
      g_view.drag_preview = 0;
      WorldPoint d = displacement_from_base();
      if (!g_abort_flag) {
        for (DrawObject* o : speakers) {
          PlacedSpeaker& ps = *spk_placed_of(o);
          ps.position[0] += d.x, ps.position[1] += d.y, ps.position[2] += d.z;
          // The shape follows the block, whatever the preview did to the nodes.
          uint32_t attributes = o->attributes;
          spk_build_object(&ps, o, 1);
          o->attributes = attributes;
        }
        g_modified = 1;
      } else {
        for (size_t i = 0; i < moved.size(); ++i)
          if (moved[i]->node_count == nodes_before[i].size())
            std::copy(nodes_before[i].begin(), nodes_before[i].end(), moved[i]->nodes);
      }
      for (DrawObject* o : moved) release(o);
      cad_deselect_all();
    }
  }
  if (g_modified) spk_rebuild_aim_lines();
  cad_end_command();
}

// 1006: copies of the selected loudspeakers, one set per given point, each
// displaced from the same base point, until OK or STOP.
void spk_cmd_copy() {
  if (would_pass_limit(1)) {
    spk_report_limit();
    cad_end_command();
    return;
  }
  std::vector<DrawObject*> sources = select_speakers("LAUTSPRECHER KOPIEREN > ");
  int n = static_cast<int>(sources.size());
  if (n == 0) return finish_copying();
  if (would_pass_limit(n)) {
    spk_report_limit();
    return finish_copying();
  }
  if (!copies_fit(sources)) {
    report_no_memory();
    return finish_copying();
  }
  input_ask_base_point();
  if (g_abort_flag) return finish_copying();
  while (!g_finish_flag && !g_abort_flag) {
    DrawObject* old_head = g_obj_head;
    if (!copies_fit(sources)) {
      report_no_memory();
      return finish_copying();
    }
    cad_duplicate_selected();
    cad_set_drag_transform(DRAG_TRANSLATE);
    g_view.drag_preview = 1;
    float dx = 0, dy = 0, dz = 0;
    input_ask_displacement(&dx, &dy, &dz);
    if (obj_count_speaker() > MAX_SPEAKERS) {
      spk_report_limit();
      g_abort_flag = 1;
    }
    if (g_finish_flag || g_abort_flag) {
      cad_delete_selected();
      g_view.drag_preview = 0;
      break;
    }
    WorldPoint d = displacement_from_base();
    fill_copies(old_head, sources, [&](DrawObject* copy, const PlacedSpeaker& source) {
      spk_copy_block(copy, source);
      PlacedSpeaker& ps = *spk_placed_of(copy);
      ps.position[0] = source.position[0] + d.x;
      ps.position[1] = source.position[1] + d.y;
      ps.position[2] = source.position[2] + d.z;
    });
    g_modified = 1;
    g_view.drag_preview = 0;
    // The shape follows the block, whatever the preview did to the nodes.
    for (DrawObject* o = g_obj_head; o && o != old_head; o = o->next)
      if (PlacedSpeaker* ps = spk_placed_of(o)) {
        uint32_t attributes = o->attributes;
        spk_build_object(ps, o, 1);
        o->attributes = attributes;
      }
  }
  finish_copying();
}

// 1013: mirrored copies of the selected loudspeakers about the line from the
// base point to a second point in the view plane.
void spk_cmd_mirror() {
  if (would_pass_limit(1)) {
    spk_report_limit();
    cad_end_command();
    return;
  }
  std::vector<DrawObject*> sources = select_speakers("LAUTSPRECHER SPIEGELN > ");
  int n = static_cast<int>(sources.size());
  if (n == 0) return finish_copying();
  if (would_pass_limit(n)) {
    spk_report_limit();
    return finish_copying();
  }
  if (!copies_fit(sources) || obj_count_speaker() + n >= MAX_SPEAKERS) {
    report_no_memory();
    return finish_copying();
  }
  input_ask_base_point();
  if (g_abort_flag) return finish_copying();
  const double base[3] = {g_base_point.x, g_base_point.y, g_base_point.z};
  DrawObject* old_head = g_obj_head;
  cad_duplicate_selected();
  cad_set_drag_transform(DRAG_MIRROR);
  g_view.drag_preview = 1;
  float dx = 0, dy = 0, dz = 0;
  input_ask_displacement(&dx, &dy, &dz);
  g_view.drag_preview = 0;
  cad_set_drag_transform(DRAG_TRANSLATE);
  if (g_abort_flag) {
    cad_delete_selected();
    return finish_copying();
  }
  WorldPoint m = displacement_from_base();
  const double line[3] = {m.x, m.y, m.z};
  fill_copies(old_head, sources, [&](DrawObject* copy, const PlacedSpeaker& source) {
    spk_copy_block(copy, source);
    PlacedSpeaker& ps = *spk_placed_of(copy);
    if (spk_mirror_position(g_view.kind, base, line, ps.position)) spk_aim_at_point(copy);
    // Mirrored polygons run the other way round; turn them back outward.
    obj_make_current(OBJ_MC_LOAD, copy);
    for (uint32_t e = 0; e < copy->element_count; ++e) {
      if (copy->elements[e].code != EL_START) continue;
      for (uint32_t f = e + 1; f < copy->element_count && copy->elements[f].code != EL_START; ++f)
        if (copy->elements[f].code == EL_CLOSE) {
          cad_reverse_polygon(static_cast<int>(e));
          break;
        }
    }
  });
  g_modified = 1;
  finish_copying();
}

// 1007: deletes the selected loudspeakers and the types nobody uses any more.
void spk_cmd_delete() {
  set_prefix("LAUTSPRECHER LÖSCHEN > ");
  if (edit_host().select_objects() > 0) {
    cad_erase_selected();
    cad_delete_selected();
    g_modified = 1;
    spk_prune_unused_types();
  }
  if (g_modified) spk_rebuild_aim_lines();
  cad_end_command();
}
