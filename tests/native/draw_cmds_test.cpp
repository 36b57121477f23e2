// The drawing commands with scripted input: clicks, cursor moves, OK and
// STOP through the view's wait, the text dialog through the edit host and
// the message boxes recorded.
#include "cad/draw_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cad/drag_preview.h"
#include "cad/edit_host.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "cad_fixtures.h"
#include "framework/ui_seam.h"
#include "scripted_input.h"

using namespace fixtures;
using namespace scripted;

namespace {

std::vector<uint8_t> g_font;

struct TextAnswer {
  int ok;
  float height, degrees;
  const char* text;
};
std::vector<TextAnswer> g_text_answers;
std::vector<float> g_heights_offered;

int answer_text(float& height, float& degrees, char* text, int max_length) {
  g_heights_offered.push_back(height);
  if (g_text_answers.empty()) return 0;
  TextAnswer a = g_text_answers.front();
  g_text_answers.erase(g_text_answers.begin());
  if (!a.ok) return 0;
  height = a.height;
  degrees = a.degrees;
  std::snprintf(text, size_t(max_length), "%s", a.text);
  return 1;
}

class DrawCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const char* dir = std::getenv("ORV_GENERATED");
    std::ifstream f(std::string(dir ? dir : ".") + "/STANDARDFONT.bin", std::ios::binary);
    g_font.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    plan_view();
    g_view.current_colour = 4;
    view_host().wait_event = scripted_wait;
    edit_host().text_dialog = answer_text;
    ui_seams().message_box = record_box;
    g_events.clear();
    g_boxes.clear();
    g_text_answers.clear();
    g_heights_offered.clear();
    g_stroke_font = g_font.empty() ? nullptr : g_font.data();
    g_stroke_font_size = g_font.size();
    g_modified = 0;
    g_running_command = 1;
  }
  void TearDown() override {
    g_running_command = 0;
    g_stroke_font = nullptr;
    g_stroke_font_size = 0;
    view_reset_host();
    edit_reset_host();
    ui_reset_seams();
    obj_free_all();
  }
  // Runs a command and checks what every command leaves behind.
  void run(void (*command)(), std::vector<Event> events) {
    g_events.assign(events.begin(), events.end());
    command();
    EXPECT_TRUE(g_events.empty()) << "input left over";
    EXPECT_EQ(g_finish_flag + g_abort_flag, 0);
    EXPECT_EQ(g_view.drag_preview, 0);
    EXPECT_EQ(cad_drag_mode(), DRAG_TRANSLATE);
    EXPECT_EQ(g_node_list, nullptr);
    for (DrawObject* o = g_obj_head; o; o = o->next) EXPECT_FALSE(o->attributes & OBJ_ATTR_SELECTED);
  }
};

void expect_nodes(const DrawObject* o, const std::vector<WorldPoint>& nodes) {
  ASSERT_EQ(o->node_count, nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_NEAR(o->nodes[i].x, nodes[i].x, 1e-5) << "node " << i;
    EXPECT_NEAR(o->nodes[i].y, nodes[i].y, 1e-5) << "node " << i;
    EXPECT_NEAR(o->nodes[i].z, nodes[i].z, 1e-5) << "node " << i;
  }
}

TEST_F(DrawCommands, ClickedPointsMakeLinesAndPolygonsInTheCurrentLayer) {
  struct Case {
    const char* what;
    void (*command)();
    std::vector<Event> events;
    uint32_t kind;
    std::vector<WorldPoint> nodes;
    std::vector<ElementCode> elements;
  } cases[] = {
      {"polygon of four clicks", cad_cmd_polygon,
       {click(0, 0), click(4, 0), click(4, 3), click(0, 3), OK},
       OBJ_KIND_FACE,
       {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}},
       ring(0, 4)},
      {"the cursor's last place is a corner", cad_cmd_polygon,
       {click(0, 0), click(4, 0), click(4, 3), move(1, 3), OK},
       OBJ_KIND_FACE,
       {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {1, 3, 0}},
       ring(0, 4)},
      {"polyline", cad_cmd_lines,
       {click(0, 0), move(1, 1), click(2, 0), click(2, 2), OK},
       OBJ_KIND_POLYLINE,
       {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}},
       {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    obj_free_all();
    g_view.current_layer = 7;
    run(c.command, c.events);
    ASSERT_EQ(obj_count(), 1);
    const DrawObject* o = g_obj_head;
    EXPECT_EQ(o->kind, c.kind);
    EXPECT_EQ(o->layer, 7u);
    EXPECT_EQ(o->colour, 4u);
    EXPECT_EQ(o->attributes, uint32_t(OBJ_ATTR_CREATED));
    expect_nodes(o, c.nodes);
    EXPECT_EQ(elements_of(o), c.elements);
    EXPECT_EQ(g_modified, 1);
  }
}

TEST_F(DrawCommands, CircleAndRectangleFollowTheirSecondPoint) {
  g_view.circle_segments = 4;
  run(cad_cmd_circle, {click(1, 1), move(5, 5), click(3, 1)});
  run(cad_cmd_rectangle, {click(1, 1), move(2, 6), click(4, 3)});
  ASSERT_EQ(obj_count(), 2);
  const DrawObject* rectangle = g_obj_head;
  const DrawObject* circle = rectangle->next;
  EXPECT_EQ(circle->kind, OBJ_KIND_FACE);
  EXPECT_EQ(circle->layer, 0u);  // layer 1 only while it is drawn
  expect_nodes(circle, {{3, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 3, 0}});
  EXPECT_EQ(elements_of(circle), ring(0, 4));
  expect_nodes(rectangle, {{1, 1, 0}, {1, 3, 0}, {4, 3, 0}, {4, 1, 0}});
  EXPECT_EQ(elements_of(rectangle), ring(0, 4));
  EXPECT_EQ(rectangle->colour, 4u);
  EXPECT_TRUE(g_boxes.empty());

  // A segment count out of its range draws the usual 36.
  obj_free_all();
  g_view.circle_segments = 2;
  run(cad_cmd_circle, {click(0, 0), click(1, 0)});
  ASSERT_EQ(obj_count(), 1);
  EXPECT_EQ(g_obj_head->node_count, 36u);
}

TEST_F(DrawCommands, RectangleIn3DAsksForAPlaneViewFirst) {
  view_set_3d();
  run(cad_cmd_rectangle, {click(0, 0, 0), click(1, 1, 0)});
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Bitte schalten Sie jetzt in eine Orthogonalansicht");
  EXPECT_EQ(obj_count(), 1);
}

TEST_F(DrawCommands, StopAtAnyStepLeavesTheDrawingAsItWas) {
  struct Case {
    const char* what;
    void (*command)();
    std::vector<Event> events;
  } cases[] = {
      {"lines before the first point", cad_cmd_lines, {STOP}},
      {"lines after two points", cad_cmd_lines, {click(0, 0), click(1, 0), move(2, 2), STOP}},
      {"polygon after three points", cad_cmd_polygon, {click(0, 0), click(1, 0), click(1, 1), STOP}},
      {"circle before its centre", cad_cmd_circle, {STOP}},
      {"circle while its radius follows", cad_cmd_circle, {click(0, 0), move(3, 0), STOP}},
      {"rectangle while its corner follows", cad_cmd_rectangle, {click(0, 0), move(3, 3), STOP}},
      {"text before its start point", cad_cmd_text, {STOP}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    obj_free_all();
    obj_append(rect_face(5, 5, 6, 6));
    std::vector<uint8_t> before = model_bytes();
    g_modified = 0;
    run(c.command, c.events);
    EXPECT_EQ(model_bytes(), before);
    EXPECT_EQ(g_modified, 0);
    EXPECT_TRUE(g_text_answers.empty() && g_heights_offered.empty());
  }
}

TEST_F(DrawCommands, TextIsBuiltInTheStrokeFontAlongItsAngle) {
  ASSERT_FALSE(g_font.empty());
  g_view.current_layer = 7;
  // A: strokes of 3 and 2 points, B: 7 and 5; the cell is an eighth of the height.
  g_text_answers = {{1, 2, 0, "A B"}};
  run(cad_cmd_text, {click(1, 1)});
  ASSERT_EQ(obj_count(), 1);
  const DrawObject* o = g_obj_head;
  EXPECT_EQ(o->kind, OBJ_KIND_TEXT);
  EXPECT_EQ(o->layer, 7u);
  EXPECT_EQ(o->attributes, uint32_t(OBJ_ATTR_CREATED));
  ASSERT_EQ(o->node_count, 17u);
  EXPECT_NEAR(o->nodes[1].x, 1.75, 1e-5);  // the apex of A, (3, 8) cells
  EXPECT_NEAR(o->nodes[1].y, 3, 1e-5);

  // Turned by 90 degrees the text runs up the y axis; the height offered
  // is the one given last.
  obj_free_all();
  g_text_answers = {{1, 2, 90, "A"}};
  run(cad_cmd_text, {click(1, 1)});
  ASSERT_EQ(obj_count(), 1);
  EXPECT_NEAR(g_obj_head->nodes[1].x, -1, 1e-5);
  EXPECT_NEAR(g_obj_head->nodes[1].y, 1.75, 1e-5);
  ASSERT_EQ(g_heights_offered.size(), 2u);
  EXPECT_EQ(g_heights_offered[1], 2.0f);
}

TEST_F(DrawCommands, TextIsRefusedWithoutFontAndDroppedWithoutContent) {
  g_stroke_font = nullptr;
  g_stroke_font_size = 0;
  g_events = {click(0, 0)};
  cad_cmd_text();
  EXPECT_EQ(g_boxes, std::vector<std::string>{"Kein Font geladen"});
  EXPECT_EQ(g_events.size(), 1u) << "no point is asked for";

  g_stroke_font = g_font.data();
  g_stroke_font_size = g_font.size();
  struct Case {
    const char* what;
    TextAnswer answer;
  } cases[] = {
      {"cancelled", {0, 1, 0, ""}},
      {"too small", {1, 0.0005f, 0, "A"}},
      {"only spaces", {1, 1, 0, "   "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_text_answers = {c.answer};
    run(cad_cmd_text, {click(0, 0)});
    EXPECT_EQ(obj_count(), 0);
    EXPECT_EQ(g_modified, 0);
  }
}

}  // namespace
