#include "design/speaker_cmds.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "acoustics/speaker_aim.h"
#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/edit_steps.h"
#include "cad/face_geom.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/render.h"
#include "cad/view.h"
#include "design/eq_dialog.h"
#include "design/eq_rule.h"
#include "design/speaker_dialog.h"
#include "framework/input_dialogs.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "project/model_reset.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

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
  input_update_cursor(0);
  render_objects(object, object, 0);
  input_update_cursor(1);
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
  input_select_objects();
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
  input_deselect_all();
  if (g_modified) spk_rebuild_aim_lines();
  cad_end_command();
}

// Individual equaliser of one loudspeaker; false when the command must end.
bool equalise_one(DrawObject* object, bool* changed) {
  PlacedSpeaker& ps = *spk_placed_of(object);
  double gains[SPK_BANDS];
  for (int b = 0; b < SPK_BANDS; ++b) gains[b] = ps.eq_gain[b];
  if (opts_run_band_dialog(gains, BAND_MODE_EQ)) {
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
  int accepted = opts_run_band_dialog(values, BAND_MODE_EQ);
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
  if (spk_run_input_dialog(&ps, type) != 1) {
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
  input_wait_event();
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
  if (spk_run_input_dialog(ps, type) == 1 && sdb_find_or_load_type(ps, type)) {
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
  input_wait_event();
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
  input_select_objects();
  std::vector<DrawObject*> speakers = selected_speakers();
  if (speakers.empty()) {
    cad_end_command();
    return;
  }
  char text[DELAY_CHARS + 1] = "0.0";
  float delay = 0;
  if (!dlg_input_line("Verzögerungszeit [ms]:", text, DELAY_CHARS, 1) || !units_read_entry(text, &delay)) {
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
      input_deselect_all();
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
      input_deselect_all();
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
  if (input_select_objects() > 0) {
    cad_erase_selected();
    cad_delete_selected();
    g_modified = 1;
    spk_prune_unused_types();
  }
  if (g_modified) spk_rebuild_aim_lines();
  cad_end_command();
}
