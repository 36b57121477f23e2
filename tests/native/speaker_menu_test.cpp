// The loudspeaker menu commands with scripted input: clicks, OK and STOP
// through the view's wait, the selection through the edit host (every
// loudspeaker), typed lines, the answers of message boxes and the dialogs
// through the design program's dialog seam.
#include "design/speaker_cmds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "cad/edit_host.h"
#include "cad/obj_store.h"
#include "cad_fixtures.h"
#include "design/design_dialogs.h"
#include "design/eq_rule.h"
#include "project/model_reset.h"
#include "scripted_input.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

using namespace scripted;

namespace {

std::deque<int> g_box_answers;  // answers of the next message boxes; OK when none
std::deque<std::function<int(PlacedSpeaker*, char*)>> g_input_dialogs;
std::deque<std::function<int(double*)>> g_band_dialogs;
int g_input_dialogs_shown = 0, g_band_dialogs_shown = 0;

int answer_box(const char* text, const char* caption, unsigned flags) {
  record_box(text, caption, flags);
  if (g_box_answers.empty()) return UI_IDOK;
  int answer = g_box_answers.front();
  g_box_answers.pop_front();
  return answer;
}

int scripted_input_dialog(PlacedSpeaker* ps, char* type) {
  ++g_input_dialogs_shown;
  if (g_input_dialogs.empty()) return 0;
  auto act = g_input_dialogs.front();
  g_input_dialogs.pop_front();
  return act(ps, type);
}

int scripted_band_dialog(double values[7], int) {
  ++g_band_dialogs_shown;
  if (g_band_dialogs.empty()) return 0;
  auto act = g_band_dialogs.front();
  g_band_dialogs.pop_front();
  return act(values);
}

// The selection loop picks every loudspeaker, or nothing after a STOP.
int select_every_speaker() {
  if (!g_events.empty() && g_events.front().kind == Event::STOP) {
    g_events.pop_front();
    g_abort_flag = 1;
    return 0;
  }
  int n = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (spk_placed_of(o)) o->attributes |= OBJ_ATTR_SELECTED, ++n;
  return n;
}

class SpeakerMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    spk_reset_tables();
    for (int i = 0; i < 2; ++i) {
      SpeakerRecord* r = spk_record_alloc();
      std::snprintf(r->type_name, sizeof r->type_name, "T%d", i);
      for (int b = 0; b < SPK_BANDS; ++b) r->rated_power[b] = 100.0f, r->sensitivity[b] = 90.0f;
      g_speaker_types.records[i] = r;
    }
    g_speaker_types.count = 2;
    // A small symbol standing in for the built-in one: a box along the axis.
    g_default_speaker_symbol = fixtures::make(OBJ_KIND_BODY, {{0, -0.2f, 0}, {0.4f, -0.2f, 0}, {0.4f, 0.2f, 0}, {0, 0.2f, 0}},
                                              fixtures::ring(0, 4));
    fixtures::plan_view(SPEAKER_LAYER);
    view_host().wait_event = scripted_wait;
    edit_host().select_objects = select_every_speaker;
    edit_host().input_line = answer_line;
    ui_seams().message_box = answer_box;
    design_dialogs().speaker_input = scripted_input_dialog;
    design_dialogs().band_values = scripted_band_dialog;
    g_events.clear();
    g_lines.clear();
    g_boxes.clear();
    g_box_answers.clear();
    g_input_dialogs.clear();
    g_band_dialogs.clear();
    g_input_dialogs_shown = g_band_dialogs_shown = 0;
    g_modified = 0;
    g_running_command = 1000;
  }
  void TearDown() override {
    g_running_command = 0;
    view_reset_host();
    edit_reset_host();
    ui_reset_seams();
    design_reset_dialogs();
    obj_free_all();
    spk_free_type_table();
    g_speaker_types.count = 0;
    obj_free(g_default_speaker_symbol);
    g_default_speaker_symbol = nullptr;
  }
  static DrawObject* place(float x, float y, int type = 0) {
    PlacedSpeaker ps;
    spk_placed_defaults(ps);
    ps.position[0] = x, ps.position[1] = y;
    ps.type_index = static_cast<uint16_t>(type);
    DrawObject* o = spk_create_object(ps);
    spk_build_object(spk_placed_of(o), o, 1);  // the shape, at the head of the list
    return o;
  }
  static void run(void (*command)(), std::vector<Event> events, std::vector<std::string> lines = {}) {
    g_events.assign(events.begin(), events.end());
    g_lines.assign(lines.begin(), lines.end());
    command();
  }
  static std::vector<PlacedSpeaker*> speakers() {
    std::vector<PlacedSpeaker*> out;
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (PlacedSpeaker* ps = spk_placed_of(o)) out.push_back(ps);
    return out;
  }
  static bool none_selected() {
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (o->attributes & OBJ_ATTR_SELECTED) return false;
    return true;
  }
};

TEST_F(SpeakerMenu, SwitchingOnAndOffSetsTheFlagAndTheColour) {
  place(0, 0);
  place(2, 0);
  struct Case {
    void (*command)();
    uint16_t switched_on;
    uint32_t colour;
  };
  const Case cases[] = {{spk_cmd_switch_off, 0, 0}, {spk_cmd_switch_on, 1, 12}, {spk_cmd_switch_off, 0, 0}};
  for (const Case& c : cases) {
    g_modified = 0;
    run(c.command, {});
    for (PlacedSpeaker* ps : speakers()) {
      EXPECT_EQ(ps->switched_on, c.switched_on);
      EXPECT_EQ(ps->object->colour, c.colour);
    }
    EXPECT_TRUE(none_selected());
    EXPECT_EQ(g_modified, 1);
  }
  g_modified = 0;
  run(spk_cmd_switch_on, {STOP});  // nothing selected: nothing changes
  for (PlacedSpeaker* ps : speakers()) EXPECT_EQ(ps->switched_on, 0);
  EXPECT_EQ(g_modified, 0);
}

TEST_F(SpeakerMenu, TypedDelayGoesToEverySelectedLoudspeaker) {
  place(0, 0);
  place(2, 0);
  struct Case {
    const char* typed;  // "" cancels
    float delay;
    int modified;
  };
  const Case cases[] = {{"12,5", 12.5f, 1}, {"", 12.5f, 0}, {"abc", 12.5f, 0}, {"0", 0.0f, 1}};
  for (const Case& c : cases) {
    g_modified = 0;
    run(spk_cmd_set_delay, {}, {c.typed});
    for (PlacedSpeaker* ps : speakers()) EXPECT_FLOAT_EQ(ps->delay_ms, c.delay) << c.typed;
    EXPECT_EQ(g_modified, c.modified) << c.typed;
  }
}

TEST_F(SpeakerMenu, TimeAlignmentToAClickedReferenceAndStopChangesNothing) {
  DrawObject* near = place(0, 0);
  DrawObject* far = place(0, 6);
  run(spk_cmd_align_times, {STOP});
  EXPECT_FLOAT_EQ(spk_placed_of(near)->delay_ms, 0.0f);
  EXPECT_EQ(g_modified, 0);
  run(spk_cmd_align_times, {click(0, -3)});  // 3 m from the near one, 9 m from the far one
  EXPECT_NEAR(spk_placed_of(near)->delay_ms, 6000.0 / 343.0, 0.2);
  EXPECT_NEAR(spk_placed_of(far)->delay_ms, 0.0, 1e-3);
  EXPECT_TRUE(none_selected());
  EXPECT_EQ(g_modified, 1);
}

TEST_F(SpeakerMenu, EqualiserForSeveralAsksOnceThenOneForAllOrEachInTurn) {
  DrawObject* a = place(0, 0);
  DrawObject* b = place(2, 0);
  for (int band = 0; band < SPK_BANDS; ++band) spk_placed_of(a)->eq_gain[band] = spk_placed_of(b)->eq_gain[band] = -20;
  spk_placed_of(a)->eq_gain[2] = -10;

  g_box_answers = {UI_IDCANCEL};
  run(spk_cmd_equalizer, {});
  EXPECT_EQ(g_boxes, (std::vector<std::string>{"Mehrere Lautsprecher selektiert.Alle Equalizer gleich setzen ?"}));
  EXPECT_EQ(g_band_dialogs_shown, 0);
  EXPECT_EQ(g_modified, 0);

  // One for all: the dialog starts at the band maxima; the change goes to both.
  std::vector<double> shown;
  g_box_answers = {UI_IDYES};
  g_band_dialogs = {[&](double* values) {
    shown.assign(values, values + SPK_BANDS);
    values[2] += 3;
    return 1;
  }};
  run(spk_cmd_equalizer, {});
  ASSERT_EQ(shown.size(), size_t(SPK_BANDS));
  EXPECT_DOUBLE_EQ(shown[2], -10.0);
  EXPECT_DOUBLE_EQ(shown[0], -20.0);
  EXPECT_FLOAT_EQ(spk_placed_of(a)->eq_gain[2], -7.0f);
  EXPECT_FLOAT_EQ(spk_placed_of(b)->eq_gain[2], -17.0f);
  EXPECT_EQ(g_modified, 1);

  // Each in turn: every loudspeaker its own dialog with its own gains.
  g_modified = 0;
  shown.clear();
  g_box_answers = {UI_IDNO};
  g_band_dialogs = {[&](double* values) { return shown.push_back(values[2]), values[0] = -5, 1; },
                    [&](double* values) { return shown.push_back(values[2]), 0; }};
  run(spk_cmd_equalizer, {});
  EXPECT_EQ(g_band_dialogs_shown, 3);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(g_modified, 1);
  int changed = 0;
  for (PlacedSpeaker* ps : speakers()) changed += ps->eq_gain[0] == -5.0f;
  EXPECT_EQ(changed, 1);

  // A gain over the rated power ends the command and says so.
  g_boxes.clear();
  g_box_answers = {UI_IDNO};
  g_band_dialogs = {[](double* values) { return values[3] = 30, 1; }};
  run(spk_cmd_equalizer, {});
  ASSERT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_boxes[1], EQ_OVERLOAD_TEXT);
}

TEST_F(SpeakerMenu, MoveByBaseAndTargetAndStopPutsEverythingBack) {
  DrawObject* o = place(2, 3);
  PlacedSpeaker before = *spk_placed_of(o);
  std::vector<WorldPoint> nodes(o->nodes, o->nodes + o->node_count);
  run(spk_cmd_move, {click(2, 3), move(6, 5), STOP});
  EXPECT_EQ(std::memcmp(spk_placed_of(o), &before, sizeof before), 0);
  ASSERT_EQ(o->node_count, nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_FLOAT_EQ(o->nodes[i].x, nodes[i].x) << i;
    EXPECT_FLOAT_EQ(o->nodes[i].y, nodes[i].y) << i;
  }
  EXPECT_EQ(g_modified, 0);

  run(spk_cmd_move, {click(2, 3), move(4, 4), click(6, 7)});
  PlacedSpeaker* ps = spk_placed_of(o);
  EXPECT_NEAR(ps->position[0], 6.0, 0.06);
  EXPECT_NEAR(ps->position[1], 7.0, 0.06);
  EXPECT_NEAR(o->nodes[0].x - nodes[0].x, ps->position[0] - before.position[0], 1e-4);
  EXPECT_TRUE(none_selected());
  EXPECT_EQ(g_modified, 1);
}

TEST_F(SpeakerMenu, CopiesFromOneBaseWithoutTheNameAndMirrorAboutALine) {
  DrawObject* source = place(2, 3);
  std::strcpy(spk_placed_of(source)->name, "LINKS");
  spk_placed_of(source)->delay_ms = 3.0f;
  run(spk_cmd_copy, {click(2, 3), click(4, 3), click(2, 6), move(8, 8), STOP});
  std::vector<PlacedSpeaker*> all = speakers();
  ASSERT_EQ(all.size(), 3u);
  // The newest first in the list: 3 m up, then 2 m to the right.
  EXPECT_NEAR(all[0]->position[1], 6.0, 0.06);
  EXPECT_NEAR(all[1]->position[0], 4.0, 0.06);
  for (int i = 0; i < 2; ++i) {
    EXPECT_STREQ(all[i]->name, "");
    EXPECT_FLOAT_EQ(all[i]->delay_ms, 3.0f);
    EXPECT_EQ(all[i]->object->layer, uint32_t(SPEAKER_LAYER));
    EXPECT_EQ(spk_placed_of(all[i]->object), all[i]);
  }
  EXPECT_TRUE(none_selected());
  EXPECT_EQ(g_modified, 1);

  // Mirrored about the vertical line x = 10: every one of the three once.
  run(spk_cmd_mirror, {click(10, 0), click(10, 5)});
  all = speakers();
  ASSERT_EQ(all.size(), 6u);
  std::vector<float> xs;
  for (int i = 0; i < 3; ++i) xs.push_back(all[i]->position[0]);
  std::sort(xs.begin(), xs.end());
  EXPECT_NEAR(xs[0], 16.0, 0.1);
  EXPECT_NEAR(xs[1], 18.0, 0.1);
  EXPECT_NEAR(xs[2], 18.0, 0.1);
}

TEST_F(SpeakerMenu, DeletingDropsTheTypesNobodyUses) {
  place(0, 0, 1);
  ASSERT_EQ(g_speaker_types.count, 2);
  run(spk_cmd_delete, {STOP});
  EXPECT_EQ(speakers().size(), 1u);
  EXPECT_EQ(g_modified, 0);
  run(spk_cmd_delete, {});
  EXPECT_TRUE(speakers().empty());
  EXPECT_EQ(g_speaker_types.count, 0);
  EXPECT_EQ(g_modified, 1);
}

TEST_F(SpeakerMenu, NewLoudspeakerAtTheClickOnlyWithTheDialogsOk) {
  struct Case {
    const char* what;
    std::vector<Event> events;
    int dialog_answer;  // -1: never shown
    size_t placed;
  };
  const Case cases[] = {
      {"STOP at the insertion point", {STOP}, -1, 0},
      {"dialog cancelled", {click(1, 1)}, 0, 0},
      {"dialog OK with a loaded type", {click(2, 3)}, 1, 1},
  };
  for (const Case& c : cases) {
    g_modified = 0;
    g_input_dialogs_shown = 0;
    g_input_dialogs = {[&](PlacedSpeaker* ps, char* type) {
      ps->type_index = 0;
      std::strcpy(type, "T0");  // loaded already: no database needed
      return c.dialog_answer;
    }};
    run(spk_cmd_new, c.events);
    EXPECT_EQ(g_input_dialogs_shown, c.dialog_answer < 0 ? 0 : 1) << c.what;
    ASSERT_EQ(speakers().size(), c.placed) << c.what;
    EXPECT_EQ(g_modified, int(c.placed)) << c.what;
  }
  PlacedSpeaker* ps = speakers()[0];
  EXPECT_NEAR(ps->position[0], 2.0, 0.06);
  EXPECT_NEAR(ps->position[1], 3.0, 0.06);
  EXPECT_EQ(ps->object, g_obj_head);
  EXPECT_GT(ps->band_power[3], 0.0f);
}

TEST_F(SpeakerMenu, EditCancelKeepsTheBlockOkTakesTheDialogsValues) {
  DrawObject* o = place(2, 3);
  PlacedSpeaker before = *spk_placed_of(o);
  g_input_dialogs = {[](PlacedSpeaker*, char*) { return 0; }};
  run(spk_cmd_edit, {});
  EXPECT_EQ(std::memcmp(spk_placed_of(o), &before, sizeof before), 0);
  EXPECT_TRUE(none_selected());
  EXPECT_EQ(g_modified, 0);

  std::string type_shown;
  g_input_dialogs = {[&](PlacedSpeaker* ps, char* type) {
    type_shown = type;
    ps->delay_ms = 5.5f;
    return 1;
  }};
  run(spk_cmd_edit, {});
  EXPECT_EQ(type_shown, "T0");
  EXPECT_FLOAT_EQ(spk_placed_of(g_obj_head)->delay_ms, 5.5f);
  EXPECT_EQ(g_modified, 1);
  EXPECT_EQ(g_speaker_types.count, 1);  // the unused second type is gone
}

}  // namespace
