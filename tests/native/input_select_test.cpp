#include <gtest/gtest.h>

#include <vector>

#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/stroke_font.h"
#include "cad/view.h"
#include "cad_fixtures.h"

namespace {

// XY view, 10 pixels per metre, world origin at pixel (100, 100).
class Selection : public ::testing::Test {
 protected:
  void SetUp() override {
    fixtures::plan_view();
  }
  void TearDown() override {
    obj_free_all();
    input_node_list_free();
  }
  // A closed square of side s at (x, y) on a layer.
  DrawObject* square(float x, float y, float s, uint32_t layer = 0, uint32_t kind = OBJ_KIND_FACE) {
    DrawObject* o = obj_create(0, 4, 5);
    o->nodes[0] = {x, y, 0};
    o->nodes[1] = {x + s, y, 0};
    o->nodes[2] = {x + s, y + s, 0};
    o->nodes[3] = {x, y + s, 0};
    o->elements[0] = {EL_START, 0};
    o->elements[1] = {EL_MATERIAL, 0};
    o->elements[2] = {EL_LINE, 1};
    o->elements[3] = {EL_LINE, 2};
    o->elements[4] = {EL_CLOSE, 3};
    o->kind = kind;
    o->layer = layer;
    obj_append(o);
    return o;
  }
  DrawObject* marker(uint32_t kind) {
    DrawObject* o = obj_create(0, 0, 0);
    o->kind = kind;
    obj_append(o);
    return o;
  }
  static PickRect box(int x, int y) { return {x - 4, y - 4, x + 4, y + 4}; }
};

TEST_F(Selection, PickBoxTakesOneObjectTouchedByAnEdgeOnTheCurrentLayer) {
  DrawObject* a = square(0, 0, 2);    // pixels 100..120 x 80..100
  DrawObject* b = square(0, 0, 2);    // the same place: only the first is taken
  DrawObject* c = square(0, 0, 2, 7); // other layer
  EXPECT_EQ(input_select_in_rect(box(110, 100), false, true, nullptr), 1);  // on the bottom edge
  EXPECT_TRUE(a->attributes & OBJ_ATTR_SELECTED);
  EXPECT_FALSE(b->attributes & OBJ_ATTR_SELECTED);
  EXPECT_EQ(input_select_in_rect(box(110, 100), false, true, nullptr), 1);  // the next one now
  EXPECT_TRUE(b->attributes & OBJ_ATTR_SELECTED);
  EXPECT_EQ(input_select_in_rect(box(110, 100), false, true, nullptr), 0);
  EXPECT_FALSE(c->attributes & OBJ_ATTR_SELECTED);
  EXPECT_EQ(input_select_in_rect(box(110, 90), false, true, nullptr), 0);  // inside, off every edge
  EXPECT_EQ(input_clear_selection(nullptr), 2);
}

TEST_F(Selection, WindowInsideOrTouchingAndGroupsAsAUnit) {
  DrawObject* small = square(0, 0, 1);   // 100..110 x 90..100
  DrawObject* large = square(0, 0, 5);   // 100..150 x 50..100
  DrawObject* begin = marker(OBJ_KIND_GROUP_BEGIN);
  DrawObject* g1 = square(10, 0, 1);     // 200..210
  DrawObject* g2 = square(20, 0, 1);     // 300..310
  DrawObject* end = marker(OBJ_KIND_GROUP_END);
  g1->attributes = g2->attributes = OBJ_ATTR_GROUP_MEMBER;
  end->attributes = OBJ_ATTR_GROUP_MEMBER | OBJ_ATTR_GROUP_LAST;
  EXPECT_EQ(input_group_end(begin), end);
  EXPECT_EQ(input_group_end(g1), g1);

  EXPECT_EQ(input_select_in_rect({95, 85, 125, 105}, true, false, nullptr), 1);
  EXPECT_TRUE(small->attributes & OBJ_ATTR_SELECTED);
  EXPECT_FALSE(large->attributes & OBJ_ATTR_SELECTED);
  input_clear_selection(nullptr);

  EXPECT_EQ(input_select_in_rect({95, 85, 125, 105}, false, false, nullptr), 2);
  input_clear_selection(nullptr);

  // Touching one member selects the whole group: markers and both members.
  EXPECT_EQ(input_select_in_rect(box(205, 100), false, true, nullptr), 4);
  EXPECT_TRUE(g2->attributes & OBJ_ATTR_SELECTED);
  EXPECT_TRUE(begin->attributes & OBJ_ATTR_SELECTED);
  input_clear_selection(nullptr);
  // Inside only when every member is inside.
  EXPECT_EQ(input_select_in_rect({195, 80, 215, 105}, true, false, nullptr), 0);
  EXPECT_EQ(input_select_in_rect({195, 80, 315, 105}, true, false, nullptr), 4);
}

TEST_F(Selection, SegmentWalkFindsCrossingsAndMissesNearCorners) {
  g_pick_rect = {10, 10, 20, 20};
  EXPECT_TRUE(input_segment_in_rect(0, 0, 30, 30));
  EXPECT_TRUE(input_segment_in_rect(30, 15, 0, 15));
  EXPECT_TRUE(input_segment_in_rect(15, 0, 15, 100));
  EXPECT_FALSE(input_segment_in_rect(0, 9, 9, 0));      // boxes overlap, the line passes the corner
  EXPECT_FALSE(input_segment_in_rect(21, 0, 40, 30));
  EXPECT_TRUE(input_segment_in_rect(20, 20, 40, 40));   // touches the corner
}

TEST_F(Selection, NodePicksStopWhenTheListIsFull) {
  DrawObject* a = square(0, 0, 2);
  square(0, 0, 2, 7);
  ASSERT_TRUE(input_node_list_alloc(2));
  std::vector<std::pair<int, int>> marks;
  static std::vector<std::pair<int, int>>* seen;
  seen = &marks;
  auto mark = [](int32_t x, int32_t y) { seen->push_back({x, y}); };
  EXPECT_EQ(input_pick_nodes_in_rect(box(100, 100), nullptr, mark), 1);
  EXPECT_EQ(g_node_list[0], &a->nodes[0]);
  EXPECT_TRUE(a->attributes & OBJ_ATTR_SELECTED);
  EXPECT_EQ(input_pick_nodes_in_rect(box(100, 100), nullptr, mark), 0);  // already listed
  EXPECT_EQ(input_pick_nodes_in_rect({95, 75, 125, 105}, nullptr, mark), 1);  // one slot left
  EXPECT_EQ(g_node_count, 2);
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[0], std::make_pair(100, 100));
}

TEST(StrokeText, CharactersFollowEachOtherAlongTheTextAxis) {
  // A tiny font: 'A' one stroke (0,0)-(2,8), advance 8; 'B' a closed stroke, advance 5.
  std::vector<uint8_t> font(STROKE_FONT_HEAD_BYTES + 2 * 7, 0);
  font[4] = 2;
  font[6] = 7;
  for (int c = 0; c < 256; ++c) font[8 + 2 * c] = font[9 + 2 * c] = 0xFF;
  const uint16_t words[] = {stroke_word_encode(0, 0, 0), stroke_word_encode(1, 2, 8), stroke_word_encode(3, 8, 0),
                            stroke_word_encode(0, 0, 0), stroke_word_encode(1, 4, 0), stroke_word_encode(2, 4, -4),
                            stroke_word_encode(3, 5, 0)};
  for (int i = 0; i < 7; ++i) {
    font[STROKE_FONT_HEAD_BYTES + 2 * i] = words[i] & 0xFF;
    font[STROKE_FONT_HEAD_BYTES + 2 * i + 1] = words[i] >> 8;
  }
  font[8 + 2 * 'A'] = 0, font[9 + 2 * 'A'] = 0;
  font[8 + 2 * 'B'] = 3, font[9 + 2 * 'B'] = 0;
  ASSERT_TRUE(stroke_font_check(font.data(), font.size()));
  const char* text = "A B\x81" "A";
  ASSERT_EQ(stroke_text_node_count(font.data(), text), 7);
  DrawObject* o = obj_create(0, 7, 7);
  const double origin[3] = {1, 2, 3}, u[3] = {0, 1, 0}, v[3] = {0, 0, 1};
  stroke_text_build(font.data(), text, origin, u, v, 0.5, o);
  // B starts 8 + 6 = 14 cells along U; the unknown character adds nothing.
  EXPECT_FLOAT_EQ(o->nodes[2].y, 2 + 14 * 0.5f);
  EXPECT_FLOAT_EQ(o->nodes[3].y, 2 + 18 * 0.5f);
  EXPECT_FLOAT_EQ(o->nodes[4].z, 3 - 2.0f);
  EXPECT_FLOAT_EQ(o->nodes[5].y, 2 + 19 * 0.5f);  // the second A after B's advance of 5
  EXPECT_FLOAT_EQ(o->nodes[6].z, 3 + 4.0f);
  for (int i = 0; i < 7; ++i) {
    EXPECT_FLOAT_EQ(o->nodes[i].x, 1);
    EXPECT_EQ(o->elements[i].value, i);
  }
  EXPECT_EQ(o->elements[0].code, 0);
  EXPECT_EQ(o->elements[4].code, 2);
  obj_free(o);
}

}  // namespace
