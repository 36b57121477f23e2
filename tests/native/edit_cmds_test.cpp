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
#include "framework/units.h"

using namespace fixtures;
using namespace scripted;

namespace {

std::deque<WorldPoint> g_triples;  // answers of the three-value dialog; none cancels
std::vector<WorldPoint> g_pick_nodes;  // the node selection picks the nodes at these points

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

int32_t g_unit_in_dialog = -1;

int answer_point(double& x, double& y, double& z, const char*) {
  g_unit_in_dialog = g_unit_feet;
  if (g_triples.empty()) return 0;
  x = g_triples.front().x;
  y = g_triples.front().y;
  z = g_triples.front().z;
  g_triples.pop_front();
  return 1;
}

// The node pick of the program, in a box around each point.
int select_picked_nodes() {
  int added = 0;
  for (const WorldPoint& p : g_pick_nodes) {
    view_project_point(p);
    const ScreenPoint& s = view_screen_points()[0];
    added += input_pick_nodes_in_rect({s.x - PICK_BOX_HALF, s.y - PICK_BOX_HALF, s.x + PICK_BOX_HALF, s.y + PICK_BOX_HALF},
                                      nullptr, nullptr);
  }
  return added;
}

class EditCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    undo_clear();
    plan_view();
    view_host().wait_event = scripted_wait;
    edit_host().select_objects = select_all;
    edit_host().input_line = answer_line;
    edit_host().point_dialog = answer_point;
    edit_host().select_nodes = select_picked_nodes;
    ui_seams().message_box = record_box;
    g_events.clear();
    g_lines.clear();
    g_triples.clear();
    g_pick_nodes.clear();
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

// Delete, scale, rotate, move nodes and invert change what was selected and
// nothing else; each run is undone to its starting drawing by run().
TEST_F(EditCommands, SelectionChangesReachOnlyTheSelection) {
  DrawObject* aux = make(OBJ_KIND_POLYLINE, {{5, 5, 0}, {6, 6, 0}}, {{EL_START, 0}, {EL_LINE, 1}}, LAYER_AUX);
  obj_append(rect_face(0, 0, 1, 1));
  obj_append(aux);
  run(cad_cmd_delete, {});
  ASSERT_EQ(obj_count(), 1);
  EXPECT_EQ(g_obj_head->layer, uint32_t(LAYER_AUX));  // not on the current layer
  EXPECT_EQ(g_modified, 1);
  obj_free_all();

  // Scale about (1, 0, 0) by (2, 1, -1): factors typed in metres even when
  // the drawing shows feet; Cancel changes nothing.
  obj_append(rect_face(0, 0, 1, 1, 2));
  std::vector<uint8_t> start = model_bytes();
  g_modified = 0;
  g_unit_feet = 1;
  run(cad_cmd_scale, {click(1, 0)});
  EXPECT_EQ(after, start);
  EXPECT_EQ(g_modified, 0);
  g_triples = {{2, 1, -1}};
  run(cad_cmd_scale, {click(1, 0)});
  EXPECT_EQ(g_unit_in_dialog, 0);
  EXPECT_EQ(g_unit_feet, 1);
  g_unit_feet = 0;
  const WorldPoint scaled[4] = {{-1, 0, -2}, {1, 0, -2}, {1, 1, -2}, {-1, 1, -2}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(g_obj_head->nodes[k].x, scaled[k].x) << k;
    EXPECT_FLOAT_EQ(g_obj_head->nodes[k].y, scaled[k].y) << k;
    EXPECT_FLOAT_EQ(g_obj_head->nodes[k].z, scaled[k].z) << k;
  }
  EXPECT_EQ(elements_of(g_obj_head), ring(0, 4));  // the scale keeps the winding
  EXPECT_EQ(g_modified, 1);

  // A quarter turn in the front view about (1, 0, -2) takes x towards z.
  g_view.kind = VIEW_XZ;
  run(cad_cmd_rotate, {click(1, 0, -2)}, {"90"});
  EXPECT_NEAR(g_obj_head->nodes[0].x, 1, 1e-5);
  EXPECT_NEAR(g_obj_head->nodes[0].z, -4, 1e-5);
  g_view.kind = VIEW_XY;

  // One node follows the pointer; STOP puts it back but still counts as a change.
  obj_free_all();
  obj_append(rect_face(0, 0, 1, 1));
  start = model_bytes();
  g_modified = 0;
  g_pick_nodes = {{1, 1, 0}};
  run(cad_cmd_move_nodes, {click(1, 1), move(2, 2), move(4, 0), STOP});
  EXPECT_EQ(after, start);
  EXPECT_EQ(g_modified, 1);
  EXPECT_EQ(g_node_count, 0);
  EXPECT_EQ(g_view.node_boxes, 0);
  g_pick_nodes = {{1, 1, 0}};
  run(cad_cmd_move_nodes, {click(1, 1), move(2, 2), click(3, 1.5f)});
  EXPECT_FLOAT_EQ(g_obj_head->nodes[2].x, 3);
  EXPECT_FLOAT_EQ(g_obj_head->nodes[2].y, 1.5f);
  EXPECT_FLOAT_EQ(g_obj_head->nodes[1].x, 1);
  EXPECT_FLOAT_EQ(g_obj_head->nodes[3].y, 1);

  // Invert: the picked polygon runs the other way from its start node.
  g_modified = 0;
  run(cad_cmd_invert_face, {click(0.5f, 0.5f), OK});
  EXPECT_EQ(elements_of(g_obj_head), (std::vector<ElementCode>{{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 3},
                                                                {EL_LINE, 2}, {EL_CLOSE, 1}}));
  EXPECT_EQ(g_modified, 1);
}

// Extrude takes faces and polylines only, in list order, and stops at the
// first object too big for a body; the bodies built before stay.
TEST_F(EditCommands, ExtrudeSkipsWhatGivesNoBodyAndStopsAtOneTooBig) {
  DrawObject* begin = obj_create(0, 0, 0);
  begin->kind = OBJ_KIND_GROUP_BEGIN;
  DrawObject* end = obj_create(0, 0, 0);
  end->kind = OBJ_KIND_GROUP_END;
  DrawObject* empty = obj_create(0, 0, 0);
  empty->kind = OBJ_KIND_FACE;
  obj_append(begin);
  obj_append(rect_face(0, 0, 1, 1));
  obj_append(make(OBJ_KIND_POLYLINE, {{2, 0, 0}, {3, 0, 0}, {3, 1, 0}}, {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}}));
  obj_append(empty);
  obj_append(end);
  obj_append(box_body(1, 1, 1));
  run(cad_cmd_extrude, {click(0, 0), click(0, 0, 2)});
  struct Expected {
    uint32_t kind, nodes, elements;
  } expected[] = {{OBJ_KIND_GROUP_BEGIN, 0, 0}, {OBJ_KIND_BODY, 8, 30}, {OBJ_KIND_BODY, 6, 10},
                  {OBJ_KIND_FACE, 0, 0},        {OBJ_KIND_GROUP_END, 0, 0}, {OBJ_KIND_BODY, 8, 30}};
  std::vector<DrawObject*> objects = list();
  ASSERT_EQ(objects.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(objects[i]->kind, expected[i].kind) << i;
    EXPECT_EQ(objects[i]->node_count, expected[i].nodes) << i;
    EXPECT_EQ(objects[i]->element_count, expected[i].elements) << i;
  }
  EXPECT_TRUE(g_boxes.empty());

  obj_free_all();
  DrawObject* big = obj_create(0, 2701, 2);
  big->kind = OBJ_KIND_POLYLINE;
  big->elements[1] = {EL_LINE, 1};
  obj_append(rect_face(0, 0, 1, 1));
  obj_append(big);
  obj_append(rect_face(3, 0, 4, 1));
  run(cad_cmd_extrude, {click(0, 0), click(0, 0, 2)});
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Objekt zu groß für Extrusion");
  objects = list();
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0]->kind, OBJ_KIND_BODY);
  EXPECT_EQ(objects[1]->node_count, 2701u);
  EXPECT_EQ(objects[2]->kind, OBJ_KIND_FACE);

  // No axis in the 3D view: the lathe builds nothing there.
  g_view.kind = VIEW_3D;
  g_boxes.clear();
  std::vector<uint8_t> start = model_bytes();
  run(cad_cmd_lathe, {click(0, 0)}, {"180", "18"});
  EXPECT_EQ(after, start);
  EXPECT_TRUE(g_boxes.empty());
}

}  // namespace
