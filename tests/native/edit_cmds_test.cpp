// The editing commands with scripted input: clicks, OK and STOP through the
// view's wait, selections and entry dialogs through the edit host, message
// boxes recorded. Each run is undone through the undo ring afterwards and
// must give back the drawing it started from.
#include "cad/edit_cmds.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "cad/body_cmds.h"
#include "cad/drag_preview.h"
#include "cad/edit_host.h"
#include "cad/input.h"
#include "cad/projection.h"
#include "cad/undo.h"
#include "cad/view.h"
#include "cad_fixtures.h"
#include "scripted_input.h"
#include "framework/ui_seam.h"

using namespace fixtures;
using namespace scripted;

namespace {

// Selects every object of the current layer, or nothing after a STOP event.
int select_all() {
  if (!g_events.empty() && g_events.front().kind == Event::STOP) {
    g_events.pop_front();
    g_abort_flag = 1;
    return 0;
  }
  int n = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != uint32_t(g_view.current_layer)) continue;
    o->attributes |= OBJ_ATTR_SELECTED;
    ++n;
  }
  return n;
}

class EditCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    undo_clear();
    view_new_drawing_defaults();
    g_view.kind = VIEW_XY;
    g_view.scale = 10;
    g_view.screen_centre_x = g_view.screen_centre_y = 100;
    g_view.current_layer = 0;
    view_set_angles();
    view_update_rotation();
    view_host().wait_event = scripted_wait;
    edit_host().select_objects = select_all;
    edit_host().input_line = answer_line;
    ui_seams().message_box = record_box;
    g_events.clear();
    g_lines.clear();
    g_boxes.clear();
    g_modified = 0;
    g_running_command = 1;
  }
  void TearDown() override {
    g_running_command = 0;
    view_reset_host();
    edit_reset_host();
    ui_reset_seams();
    undo_clear();
    obj_free_all();
  }
  // Runs a command as the dispatch does, with an undo image first; checks
  // that undoing it gives back the starting drawing.
  void run(void (*command)(), std::vector<Event> events, std::vector<std::string> lines = {}) {
    g_events.assign(events.begin(), events.end());
    g_lines.assign(lines.begin(), lines.end());
    std::vector<uint8_t> start = model_bytes();
    ASSERT_EQ(undo_push(), 1);
    command();
    EXPECT_TRUE(g_events.empty()) << "input left over";
    EXPECT_EQ(g_finish_flag + g_abort_flag, 0);
    for (DrawObject* o = g_obj_head; o; o = o->next) EXPECT_FALSE(o->attributes & OBJ_ATTR_SELECTED);
    after = model_bytes();
    undo_undo();
    EXPECT_EQ(model_bytes(), start);
    undo_redo();
  }
  std::vector<uint8_t> after;
};

TEST_F(EditCommands, MoveAndCopyFollowTheDisplacementAndStopRestores) {
  obj_append(rect_face(0, 0, 1, 1));
  std::vector<uint8_t> start = model_bytes();
  run(cad_cmd_move, {click(0, 0), move(1, 1), move(2, 3), STOP});
  EXPECT_EQ(after, start);
  EXPECT_EQ(g_modified, 0);
  run(cad_cmd_move, {click(0, 0), move(1, 1), click(2, 3)});
  EXPECT_FLOAT_EQ(g_obj_head->nodes[0].x, 2);
  EXPECT_FLOAT_EQ(g_obj_head->nodes[2].y, 4);
  EXPECT_EQ(g_modified, 1);

  g_modified = 0;
  run(cad_cmd_copy, {click(5, 5), click(5, 5)});  // no displacement: no copy
  EXPECT_EQ(obj_count(), 1);
  EXPECT_EQ(g_modified, 0);
  run(cad_cmd_copy, {click(5, 5), click(6, 5)});
  ASSERT_EQ(obj_count(), 2);
  EXPECT_FLOAT_EQ(g_obj_head->nodes[0].x, 3);  // the copy goes to the head
  EXPECT_FLOAT_EQ(g_obj_tail->nodes[0].x, 2);
  EXPECT_EQ(g_obj_head->attributes, uint32_t(OBJ_ATTR_CREATED));
}

TEST_F(EditCommands, MirrorGivesReversedCopiesOnlyForALineInThePlane) {
  obj_append(rect_face(1, 0, 2, 1, 0, 3));
  run(cad_cmd_mirror, {click(0, 0), click(0, 0, 1)});  // straight along the view: no line
  EXPECT_EQ(obj_count(), 1);
  EXPECT_EQ(g_modified, 0);
  run(cad_cmd_mirror, {click(0, 0), click(0, 2)});
  ASSERT_EQ(obj_count(), 2);
  DrawObject* copy = g_obj_head;
  EXPECT_FLOAT_EQ(copy->nodes[1].x, -2);
  EXPECT_EQ(elements_of(copy), (std::vector<ElementCode>{{EL_START, 0}, {EL_MATERIAL, 3}, {EL_LINE, 3},
                                                          {EL_LINE, 2}, {EL_CLOSE, 1}}));
  EXPECT_EQ(g_modified, 1);
  g_view.kind = VIEW_3D;
  run(cad_cmd_mirror, {});
  EXPECT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(obj_count(), 2);
}

TEST_F(EditCommands, TypedNumbersThatAreNoNumbersAreRefused) {
  obj_append(rect_face(1, 0, 2, 1));
  std::vector<uint8_t> start = model_bytes();
  struct Case {
    void (*command)();
    std::vector<std::string> lines;
  } cases[] = {
      {cad_cmd_rotate, {"neunzig"}},
      {cad_cmd_lathe, {"x"}},
      {cad_cmd_lathe, {"90", "viele"}},
      {cad_cmd_lathe, {"90", "0"}},  // no segment
      {cad_cmd_lathe, {"90", "-3"}},
  };
  for (const Case& c : cases) {
    g_boxes.clear();
    run(c.command, {click(0, 0)}, c.lines);
    ASSERT_EQ(g_boxes.size(), 1u) << c.lines.back();
    EXPECT_EQ(g_boxes[0], "Ungültige Eingabe !");
    EXPECT_EQ(after, start);
  }
  run(cad_cmd_rotate, {click(1, 0)}, {"90"});
  EXPECT_NEAR(g_obj_head->nodes[1].y, 1, 1e-6);  // (2, 0) turned about (1, 0)
  run(cad_cmd_lathe, {click(0, 0)}, {"90,0", " 9"});
  EXPECT_EQ(g_obj_head->kind, OBJ_KIND_BODY);
}

// Commands that change the drawing say so, so that New, Open and Exit ask.
TEST_F(EditCommands, EveryChangeSetsTheModifiedFlag) {
  struct Case {
    const char* name;
    void (*command)();
    std::vector<Event> events;
  } cases[] = {
      {"group", cad_cmd_group, {}},
      {"ungroup", cad_cmd_ungroup, {}},
      {"join", cad_cmd_join, {}},
      {"explode", cad_cmd_explode, {}},
      {"split", cad_cmd_split_face, {click(0.5f, 0.5f), OK, click(0.5f, -1), click(0.5f, 2)}},
      {"insert nodes", cad_cmd_insert_nodes, {click(0.5f, -1), click(0.5f, 2)}},
      {"delete face", cad_cmd_delete_face, {click(0.25f, 0.5f), OK}},
  };
  obj_append(rect_face(0, 0, 1, 1));
  obj_append(rect_face(3, 0, 4, 1));
  for (const Case& c : cases) {
    g_modified = 0;
    std::vector<uint8_t> before = model_bytes();
    run(c.command, c.events);
    EXPECT_EQ(g_modified, 1) << c.name;
    EXPECT_NE(after, before) << c.name;
  }
}

TEST_F(EditCommands, StoppedPicksAndCutLinesChangeNothing) {
  obj_append(box_body(1, 1, 1));
  std::vector<uint8_t> start = model_bytes();
  struct Case {
    void (*command)();
    std::vector<Event> events;
  } cases[] = {
      {cad_cmd_split_face, {click(0.5f, 0.5f), STOP}},
      {cad_cmd_split_face, {click(0.5f, 0.5f), OK, click(0.5f, -1), STOP}},
      {cad_cmd_delete_face, {OK}},  // OK without a pick
      {cad_cmd_extrude, {click(0, 0), STOP}},
      {cad_cmd_extrude, {click(0, 0), click(0, 0)}},
  };
  for (const Case& c : cases) {
    run(c.command, c.events);
    EXPECT_EQ(after, start);
  }
  g_view.kind = VIEW_3D;
  g_boxes.clear();
  run(cad_cmd_split_face, {click(0.5f, 0.5f), OK, click(0.5f, -1), click(0.5f, 2)});
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Schnittpunkt nicht ermittelbar in 3D-Ansicht");
  EXPECT_EQ(after, start);
}

}  // namespace
