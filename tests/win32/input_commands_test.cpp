#include <gtest/gtest.h>

#include "tests/win32/dialog_script.h"
#include <windows.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cad/cad_session_win.h"
#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/draw_cmds.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/win_frame_win.h"
#include "tests/win32/command_harness.h"

namespace {

using command_harness::g_drawing;

class InputCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(command_harness::open_windows());
    cad_load_stroke_font("STANDARDFONT");
  }
  void SetUp() override {
    obj_free_all();
    view_new_drawing_defaults();
    view_set_xy();
    g_view.scale = 20;
    g_view.centre_x = g_view.centre_y = 0;
    g_view.current_layer = 0;
    view_relayout();
    input_enable_cursor(1);
    input_clear_flags();
  }
  void TearDown() override {
    g_running_command = 0;
    obj_free_all();
  }
  // Runs a command as the dispatch would, with the posted input waiting.
  static void run(int id, void (*routine)()) {
    g_running_command = static_cast<int16_t>(id);
    routine();
    g_running_command = 0;
  }
};

LPARAM pixel_of(float x, float y) { return MAKELPARAM(view_world_to_screen(x, 1), view_world_to_screen(y, 0)); }
void move_to(float x, float y) { PostMessageA(g_drawing, WM_MOUSEMOVE, 0, pixel_of(x, y)); }
void click(float x, float y) {
  move_to(x, y);
  PostMessageA(g_drawing, WM_LBUTTONDOWN, MK_LBUTTON, pixel_of(x, y));
}
void key(int vk) { PostMessageA(win_main_window(), WM_KEYDOWN, static_cast<WPARAM>(vk), 0); }

// Dialog answers, one per timer tick, in order: the title to look for, the
// edits to fill, the button to press and the key to give after it (0: none).
struct Answer {
  std::string title;
  std::vector<std::pair<int, std::string>> edits;
  int button;
  int next_key;
};

// The answers play until the end of the scope that holds them.
dialog_script::Playing answering(const std::vector<Answer>& answers) {
  std::vector<dialog_script::Step> steps;
  for (const Answer& a : answers)
    steps.emplace_back(a.title.c_str(), [a](HWND dialog) {
      dialog_script::fill_and_press(dialog, a.edits, a.button);
      if (a.next_key) key(a.next_key);
    });
  return dialog_script::Playing(std::move(steps), 20000, 20);
}

void expect_node(const DrawObject* o, uint32_t i, float x, float y, float z) {
  ASSERT_LT(i, o->node_count);
  EXPECT_NEAR(o->nodes[i].x, x, 1e-5) << "node " << i;
  EXPECT_NEAR(o->nodes[i].y, y, 1e-5) << "node " << i;
  EXPECT_NEAR(o->nodes[i].z, z, 1e-5) << "node " << i;
}

int selected_count() {
  int n = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) n += (o->attributes & OBJ_ATTR_SELECTED) ? 1 : 0;
  return n;
}

TEST_F(InputCommands, ClicksDrawARectangleWithSnappedCorners) {
  click(1, 1);
  move_to(2.6f, 2.2f);
  click(4.2f, 3.1f);  // snap 0.5 cuts to (4, 3)
  run(2204, cad_cmd_rectangle);
  ASSERT_EQ(obj_count(), 1);
  const DrawObject* o = g_obj_head;
  EXPECT_EQ(o->kind, OBJ_KIND_FACE);
  EXPECT_EQ(o->layer, 0u);
  EXPECT_EQ(o->attributes & OBJ_ATTR_SELECTED, 0u);
  ASSERT_EQ(o->node_count, 4u);
  expect_node(o, 0, 1, 1, 0);
  expect_node(o, 1, 1, 3, 0);
  expect_node(o, 2, 4, 3, 0);
  expect_node(o, 3, 4, 1, 0);
  const uint16_t codes[] = {0, 3, 1, 1, 2}, values[] = {0, 0, 1, 2, 3};
  ASSERT_EQ(o->element_count, 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(o->elements[i].code, codes[i]);
    EXPECT_EQ(o->elements[i].value, values[i]);
  }
  EXPECT_EQ(g_modified, 1);
}

TEST_F(InputCommands, ClicksDrawACircleOfTheSegmentCount) {
  click(0, 0);
  move_to(1, 1);
  move_to(3, 0);
  click(2, 0);
  run(2203, cad_cmd_circle);
  ASSERT_EQ(obj_count(), 1);
  const DrawObject* o = g_obj_head;
  ASSERT_EQ(o->node_count, 36u);
  ASSERT_EQ(o->element_count, 37u);
  expect_node(o, 0, 2, 0, 0);
  expect_node(o, 9, 0, -2, 0);  // clockwise: 270 degrees
  expect_node(o, 1, static_cast<float>(2 * std::cos(-10 * 3.14159265358979 / 180)),
              static_cast<float>(2 * std::sin(-10 * 3.14159265358979 / 180)), 0);
  EXPECT_EQ(o->elements[2].code, 1);
  EXPECT_EQ(o->elements[2].value, 1);
  EXPECT_EQ(o->elements[36].code, 2);
  EXPECT_EQ(o->elements[36].value, 35);
  EXPECT_EQ(o->attributes & OBJ_ATTR_SELECTED, 0u);
  EXPECT_EQ(g_view.drag_preview, 0);
}

TEST_F(InputCommands, StopMidCommandLeavesTheDrawingUnchanged) {
  click(0, 0);
  click(1, 1);
  run(2204, cad_cmd_rectangle);
  ASSERT_EQ(obj_count(), 1);
  WorldPoint kept[4];
  for (int i = 0; i < 4; ++i) kept[i] = g_obj_head->nodes[i];

  click(2, 2);
  click(3, 2);
  move_to(3, 3);
  key(VK_ESCAPE);
  run(2201, cad_cmd_lines);
  EXPECT_EQ(obj_count(), 1);

  click(5, 5);
  move_to(7, 5);
  PostMessageA(win_main_window(), WM_COMMAND, 20999, 0);  // the STOP button
  run(2203, cad_cmd_circle);
  EXPECT_EQ(obj_count(), 1);

  click(-1, -1);
  key(VK_ESCAPE);
  run(2204, cad_cmd_rectangle);
  ASSERT_EQ(obj_count(), 1);
  EXPECT_EQ(selected_count(), 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(g_obj_head->nodes[i].x, kept[i].x);
    EXPECT_EQ(g_obj_head->nodes[i].y, kept[i].y);
  }
  EXPECT_EQ(g_view.drag_preview, 0);
  EXPECT_EQ(g_node_list, nullptr);
}

TEST_F(InputCommands, TypedPointsDrawARoomOutline) {
  auto answers = answering({{"Punkt absolut :", {{104, "1"}, {105, "2"}, {106, "0"}}, 102, 'R'},
                       {"Punkt relativ :", {{104, "4"}, {105, "0"}, {106, "0"}}, 102, 'P'},
                       {"Punkt polar", {{101, "-3"}, {102, "450"}}, 103, 'R'},  // |d|, 450 -> 90 degrees
                       {"Punkt relativ :", {{104, "-4"}, {105, "0"}, {106, "0"}}, 102, VK_RETURN}});
  key('A');
  run(2202, cad_cmd_polygon);
  EXPECT_EQ(answers.steps_run(), 4u);
  ASSERT_EQ(obj_count(), 1);
  const DrawObject* o = g_obj_head;
  EXPECT_EQ(o->kind, OBJ_KIND_FACE);
  EXPECT_EQ(o->attributes, OBJ_ATTR_CREATED);
  ASSERT_EQ(o->node_count, 4u);
  expect_node(o, 0, 1, 2, 0);
  expect_node(o, 1, 5, 2, 0);
  expect_node(o, 2, 5, 5, 0);
  expect_node(o, 3, 1, 5, 0);
  ASSERT_EQ(o->element_count, 5u);
  EXPECT_EQ(o->elements[1].code, 3);
  EXPECT_EQ(o->elements[4].code, 2);
  EXPECT_EQ(o->elements[4].value, 3);
}

TEST_F(InputCommands, TextInTheStrokeFontHasOneNodePerStrokeWord) {
  ASSERT_NE(g_stroke_font, nullptr);
  g_view.current_layer = 7;
  auto answers = answering({{"Text", {{104, "2"}, {105, "0"}, {106, "A B"}}, 102, 0}});
  click(1, 1);
  run(4205, cad_cmd_text);
  EXPECT_EQ(answers.steps_run(), 1u);
  ASSERT_EQ(obj_count(), 1);
  const DrawObject* o = g_obj_head;
  EXPECT_EQ(o->kind, OBJ_KIND_TEXT);
  EXPECT_EQ(o->layer, 7u);
  // A: strokes of 3 and 2 points; B: 7 and 5.
  ASSERT_EQ(o->node_count, 17u);
  EXPECT_EQ(o->element_count, 17u);
  expect_node(o, 0, 1, 1, 0);         // A starts at the start point
  expect_node(o, 1, 1 + 0.75f, 3, 0); // its apex (3, 8) in cells of 0.25
  expect_node(o, 5, 1 + 3.5f, 1, 0);  // B 8 + 6 cells further
}

TEST_F(InputCommands, PickBoxAndWindowSelectOnTheCurrentLayer) {
  click(0, 0);
  click(1, 1);
  run(2204, cad_cmd_rectangle);
  click(5, 0);
  click(6, 1);
  run(2204, cad_cmd_rectangle);
  ASSERT_EQ(obj_count(), 2);
  int picked = -1, windowed = -1, stopped = -1;
  click(1, 0.5f);  // on the right edge of the first square
  key(VK_RETURN);
  g_running_command = 2302;
  picked = input_select_objects();
  int first_selected = selected_count();
  input_deselect_all();
  // Empty space opens a window; dragged right and down it takes what it
  // touches, dragged up only what lies inside.
  click(-1, 2);
  click(5.5f, -1);
  key(VK_RETURN);
  windowed = input_select_objects();
  input_deselect_all();
  click(-1, -1);
  click(5.5f, 2);
  key(VK_RETURN);
  int inside = input_select_objects();
  EXPECT_EQ(inside, 1);
  EXPECT_TRUE(g_obj_tail->attributes & OBJ_ATTR_SELECTED);  // the first square, now last in the list
  input_deselect_all();
  click(0.5f, 0.5f);  // inside the first square, off its edges: opens a window
  click(3, -1);       // which touches the first square
  key(VK_ESCAPE);     // STOP undoes the selection
  stopped = input_select_objects();
  g_running_command = 0;
  EXPECT_EQ(picked, 1);
  EXPECT_EQ(first_selected, 1);
  EXPECT_EQ(windowed, 2);
  EXPECT_EQ(stopped, 0);
  EXPECT_EQ(selected_count(), 0);
  EXPECT_EQ(g_view.cursor_shape, 0);
}

DrawObject* point_object(std::initializer_list<WorldPoint> nodes) {
  DrawObject* o = obj_create(0, static_cast<uint32_t>(nodes.size()), 1);
  uint32_t i = 0;
  for (const WorldPoint& p : nodes) o->nodes[i++] = p;
  o->kind = OBJ_KIND_POLYLINE;
  obj_append(o);
  return o;
}

void put_cursor_at(const WorldPoint& p) {
  g_cursor_point = p;
  g_cursor_screen_x = view_world_to_screen(p.x, 1);
  g_cursor_screen_y = view_world_to_screen(p.y, 0);
}

// A change of the cursor point that stays within one pixel still moves the
// dragged objects, and moving back brings them exactly back.
TEST_F(InputCommands, DragPreviewFollowsWorldChangesWithinAPixel) {
  DrawObject* o = point_object({{0, 0, 0}});
  o->attributes = OBJ_ATTR_SELECTED;
  input_update_cursor(0);
  put_cursor_at({0, 0, 0});
  g_last_point = g_cursor_point;
  cad_set_drag_transform(DRAG_TRANSLATE);
  g_view.drag_preview = 1;
  input_update_cursor(1);
  int32_t px = g_cursor_screen_x;
  g_cursor_point.x = 0.01f;  // a fifth of a pixel
  input_update_cursor(1);
  EXPECT_EQ(g_cursor_screen_x, px);
  EXPECT_FLOAT_EQ(o->nodes[0].x, 0.01f);
  EXPECT_FLOAT_EQ(g_last_point.x, 0.01f);
  g_cursor_point.x = 0;
  input_update_cursor(1);
  EXPECT_FLOAT_EQ(o->nodes[0].x, 0);
  input_update_cursor(0);
  g_view.drag_preview = 0;
}

// Point snap takes the nearest node within the snap distance, but never the
// nodes that the running preview drags along with the cursor.
TEST_F(InputCommands, PointSnapIgnoresWhatIsBeingDragged) {
  g_view.point_snap = 1;
  g_view.snap_layer = 0;
  DrawObject* other = point_object({{0.3f, 0.1f, 0}});  // 6 pixels right, 2 up
  DrawObject* drawn = point_object({{2, 2, 0}, {0, 0, 0}});
  input_update_cursor(0);
  move_to(0, 0);
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  EXPECT_FLOAT_EQ(g_cursor_point.x, 0);  // its own node: nothing dragged yet
  EXPECT_FLOAT_EQ(g_cursor_point.y, 0);

  ASSERT_TRUE(input_node_list_alloc(1));
  input_node_list_add(&drawn->nodes[1]);
  drawn->attributes = OBJ_ATTR_SELECTED;
  input_update_cursor(0);
  cad_set_drag_transform(DRAG_MOVE_NODES);
  g_view.drag_preview = 1;
  move_to(0.05f, 0);
  move_to(0, 0);
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  EXPECT_FLOAT_EQ(g_cursor_point.x, 0.3f);  // the other object's node, not the rubber node
  EXPECT_FLOAT_EQ(g_cursor_point.y, 0.1f);
  EXPECT_FLOAT_EQ(drawn->nodes[1].x, 0.3f);  // which followed the cursor there

  input_update_cursor(0);
  cad_set_drag_transform(DRAG_TRANSLATE);  // a moved selection is left out whole
  other->attributes = OBJ_ATTR_SELECTED;
  drawn->attributes = 0;
  input_update_cursor(1);
  move_to(2.1f, 2);
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  EXPECT_FLOAT_EQ(g_cursor_point.x, 2);
  EXPECT_FLOAT_EQ(g_cursor_point.y, 2);
  input_update_cursor(0);
  g_view.drag_preview = 0;
  g_view.point_snap = 0;
  input_node_list_free();
  cad_set_drag_transform(DRAG_TRANSLATE);
}

}  // namespace
