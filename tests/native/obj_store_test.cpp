#include "cad/obj_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/ui_seam.h"

// A request beyond all memory must come back as null so the warning can show.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

// Head/tail invariants and links both ways; answers the objects in order.
std::vector<DrawObject*> checked_list(DrawObject* head, DrawObject* tail) {
  std::vector<DrawObject*> order;
  EXPECT_EQ(head == nullptr, tail == nullptr);
  if (!head) return order;
  EXPECT_EQ(head->prev, nullptr);
  EXPECT_EQ(tail->next, nullptr);
  for (DrawObject* o = head; o; o = o->next) {
    if (o->next) {
      EXPECT_EQ(o->next->prev, o);
    }
    order.push_back(o);
    if (order.size() > 10000) break;
  }
  EXPECT_EQ(order.back(), tail);
  return order;
}

std::vector<DrawObject*> checked_list() { return checked_list(g_obj_head, g_obj_tail); }

class ObjStore : public ::testing::Test {
 protected:
  void TearDown() override {
    obj_free_all();
    ui_reset_seams();
  }
  DrawObject* add(uint32_t attributes = 0, uint32_t layer = 0, uint32_t kind = 0) {
    DrawObject* o = obj_create(0, 1, 1);
    o->attributes = attributes;
    o->layer = layer;
    o->kind = kind;
    obj_append(o);
    return o;
  }
};

TEST_F(ObjStore, CreateGivesZeroedUnlinkedRecordWithItsArrays) {
  DrawObject* o = obj_create(16, 3, 4);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(o->prev, nullptr);
  EXPECT_EQ(o->next, nullptr);
  EXPECT_EQ(o->aux_size, 16u);
  EXPECT_EQ(o->node_count, 3u);
  EXPECT_EQ(o->element_count, 4u);
  EXPECT_EQ(o->kind | o->attributes | o->colour | o->layer, 0u);
  for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(o->nodes[i].x + o->nodes[i].y + o->nodes[i].z, 0.0f);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(o->elements[i].code + o->elements[i].value, 0);
  EXPECT_EQ(std::memcmp(o->aux, std::string(16, '\0').data(), 16), 0);
  EXPECT_EQ(obj_flat_size(o), 16u + 36 + 48 + 16);
  obj_free(o);

  DrawObject* empty = obj_create(0, 0, 0);
  EXPECT_EQ(empty->aux, nullptr);
  EXPECT_EQ(empty->nodes, nullptr);
  EXPECT_EQ(empty->elements, nullptr);
  obj_free(empty);

  DrawObject* circle = obj_create_circle();
  EXPECT_EQ(circle->node_count, 360u);
  EXPECT_EQ(circle->element_count, 361u);
  obj_free(circle);
}

TEST_F(ObjStore, AllocOrWarnTellsTheUserWhenMemoryRunsOut) {
  static std::string shown;
  static bool captioned;
  shown.clear();
  ui_seams().message_box = [](const char* text, const char* caption, unsigned flags) {
    shown = text;
    captioned = caption != nullptr;
    EXPECT_EQ(flags, unsigned(UI_MB_OK));
    return int(UI_IDOK);
  };
  void* block = obj_alloc_or_warn(4096);
  EXPECT_NE(block, nullptr);
  EXPECT_TRUE(shown.empty());
  std::free(block);
  EXPECT_EQ(obj_alloc_or_warn(SIZE_MAX - 64), nullptr);
  EXPECT_EQ(shown, "Nicht gen\xFCgend Speicher vorhanden, Operation abgebrochen");
  EXPECT_FALSE(captioned);
}

TEST_F(ObjStore, DuplicateCopiesGeometryButNotTheAuxData) {
  DrawObject* o = obj_create(152, 2, 2);
  std::memset(o->aux, 0x5A, 152);
  o->nodes[1] = {1.5f, -2.0f, 3.25f};
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_LINE, 1};
  o->kind = OBJ_KIND_POLYLINE;
  o->attributes = OBJ_ATTR_SELECTED;
  o->colour = 21;
  o->layer = 7;
  obj_append(o);
  DrawObject* copy = obj_duplicate(o);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->prev, nullptr);
  EXPECT_EQ(copy->next, nullptr);
  EXPECT_EQ(copy->aux_size, 152u);
  EXPECT_EQ(std::memcmp(copy->aux, std::string(152, '\0').data(), 152), 0);
  EXPECT_NE(copy->nodes, o->nodes);
  EXPECT_EQ(copy->nodes[1].z, 3.25f);
  EXPECT_EQ(copy->elements[1].code, EL_LINE);
  EXPECT_EQ(copy->kind, o->kind);
  EXPECT_EQ(copy->attributes, o->attributes);
  EXPECT_EQ(copy->colour, 21u);
  EXPECT_EQ(copy->layer, 7u);
  EXPECT_EQ(obj_duplicate(nullptr), nullptr);
  obj_free(copy);
}

TEST_F(ObjStore, LinkingKeepsHeadTailAndOrder) {
  DrawObject* a = add();
  EXPECT_EQ(g_obj_head, a);
  EXPECT_EQ(g_obj_tail, a);
  EXPECT_EQ(a->prev, nullptr);
  EXPECT_EQ(a->next, nullptr);
  DrawObject* b = obj_create(0, 0, 0);
  obj_insert_before(b, a);  // before the head: new head
  DrawObject* c = obj_create(0, 0, 0);
  obj_insert_before(c, nullptr);  // null: at the tail
  DrawObject* d = obj_create(0, 0, 0);
  obj_insert_before(d, a);  // in the middle
  EXPECT_EQ(checked_list(), (std::vector<DrawObject*>{b, d, a, c}));
  EXPECT_EQ(obj_count(), 4);
  EXPECT_EQ(obj_at_index(0), b);
  EXPECT_EQ(obj_at_index(3), c);
  EXPECT_EQ(obj_at_index(4), nullptr);
  EXPECT_EQ(obj_at_index(-1), nullptr);
  EXPECT_EQ(obj_index_of(a), 2);

  obj_unlink(b);
  EXPECT_EQ(b->prev, nullptr);
  EXPECT_EQ(b->next, nullptr);
  EXPECT_EQ(obj_index_of(b), -1);
  obj_unlink(nullptr);
  obj_free(c);  // the tail
  obj_free(b);  // unlinked already
  obj_free(nullptr);
  EXPECT_EQ(checked_list(), (std::vector<DrawObject*>{d, a}));
  obj_unlink(d);
  obj_unlink(a);  // the only object
  EXPECT_EQ(g_obj_head, nullptr);
  EXPECT_EQ(g_obj_tail, nullptr);
  obj_free(a);
  obj_free(d);
}

TEST_F(ObjStore, OtherListsUseTheirOwnPair) {
  DrawObject* head = nullptr;
  DrawObject* tail = nullptr;
  DrawObject* x = obj_create(0, 2, 2);
  DrawObject* y = obj_create(0, 2, 2);
  obj_list_append(head, tail, x);
  obj_list_insert_before(head, tail, y, x);
  EXPECT_EQ(checked_list(head, tail), (std::vector<DrawObject*>{y, x}));
  EXPECT_EQ(g_obj_head, nullptr);
  obj_list_free(head, tail, y);
  EXPECT_EQ(checked_list(head, tail), (std::vector<DrawObject*>{x}));
  obj_list_append(head, tail, obj_create(0, 0, 0));
  obj_list_free_all(head, tail);
  EXPECT_EQ(head, nullptr);
  EXPECT_EQ(tail, nullptr);
}

TEST_F(ObjStore, CountsByLayerAndFaces) {
  add(0, LAYER_ROOM, OBJ_KIND_FACE);
  add(0, LAYER_ROOM, OBJ_KIND_BODY);
  add(0, LAYER_ROOM, OBJ_KIND_POLYLINE);  // on the room layer but no face
  add(0, LAYER_LISTENER, OBJ_KIND_FACE);
  add(0, LAYER_SPEAKER, OBJ_KIND_BODY);
  add(0, LAYER_SPEAKER, OBJ_KIND_BODY);
  add(0, LAYER_AUX, OBJ_KIND_POLYLINE);
  int32_t faces = -1;
  EXPECT_EQ(obj_count_room(&faces), 3);
  EXPECT_EQ(faces, 2);
  EXPECT_EQ(obj_count_room(nullptr), 3);
  EXPECT_EQ(obj_count_listener(), 1);
  EXPECT_EQ(obj_count_speaker(), 2);
  EXPECT_EQ(obj_count_aux(), 1);
  EXPECT_EQ(obj_count(), 7);
}

TEST_F(ObjStore, GroupWalkAnswersTheLastRecordAndNeverRunsOff) {
  DrawObject* begin = add(OBJ_ATTR_GROUP_MEMBER, 0, OBJ_KIND_GROUP_BEGIN);
  DrawObject* member = add(OBJ_ATTR_GROUP_MEMBER);
  DrawObject* end = add(OBJ_ATTR_GROUP_MEMBER | OBJ_ATTR_GROUP_LAST, 0, OBJ_KIND_GROUP_END);
  DrawObject* loose = add();
  EXPECT_EQ(obj_make_current(OBJ_MC_GROUP_END, begin), end);
  EXPECT_EQ(obj_make_current(OBJ_MC_GROUP_END, member), end);
  EXPECT_EQ(obj_make_current(OBJ_MC_GROUP_END, loose), loose);
  EXPECT_EQ(obj_make_current(0, member), member);  // without the bit no walk

  // A group whose last record went missing: the member stands for itself.
  DrawObject* orphan = add(OBJ_ATTR_GROUP_MEMBER);
  add(OBJ_ATTR_GROUP_MEMBER);
  EXPECT_EQ(obj_make_current(OBJ_MC_GROUP_END, orphan), orphan);

  // Loading takes the object given, not the one walked to.
  EXPECT_EQ(obj_make_current(OBJ_MC_LOAD | OBJ_MC_GROUP_END, member), end);
  EXPECT_EQ(g_cur_object, member);
  EXPECT_EQ(g_cur_nodes, member->nodes);
  EXPECT_EQ(g_cur_node_count, 1u);
  EXPECT_EQ(g_cur_elements, member->elements);
  EXPECT_EQ(g_cur_element_count, 1u);
  obj_free(member);  // freeing the current object clears the registers
  EXPECT_EQ(g_cur_object, nullptr);
  EXPECT_EQ(g_cur_nodes, nullptr);
}

TEST_F(ObjStore, ArraysAreZeroedAndResized) {
  EXPECT_EQ(obj_alloc_nodes(0), nullptr);
  EXPECT_EQ(obj_alloc_elements(0), nullptr);
  WorldPoint* nodes = obj_alloc_nodes(2);
  nodes[1] = {1, 2, 3};
  nodes = obj_realloc_nodes(nodes, 2, 5);
  ASSERT_NE(nodes, nullptr);
  EXPECT_EQ(nodes[1].y, 2.0f);
  EXPECT_EQ(nodes[4].x, 0.0f);
  EXPECT_EQ(obj_realloc_nodes(nodes, 5, 0), nullptr);  // frees
  ElementCode* elements = obj_realloc_elements(nullptr, 0, 3);
  ASSERT_NE(elements, nullptr);
  EXPECT_EQ(elements[2].code, 0);
  std::free(elements);
}

TEST_F(ObjStore, LayersOfANewDrawing) {
  std::memset(g_layers, 0x7F, sizeof g_layers);
  obj_reset_layers();
  EXPECT_STREQ(g_layers[0].name, "LAYER 1");
  EXPECT_STREQ(g_layers[31].name, "LAYER 32");
  for (int i = 0; i < LAYER_COUNT; ++i) EXPECT_EQ(g_layers[i].visible, i <= 2 ? 1 : 0) << i;
  EXPECT_EQ(g_layers[0].name[21], 0);  // the rest of the name is zero, as stored
}

TEST_F(ObjStore, LayerBytesRoundTripAndNamesStayTerminated) {
  obj_reset_layers();
  g_layers[5].visible = 1;
  uint8_t bytes[LAYER_STORED_BYTES];
  obj_put_layers(bytes);
  const uint8_t layer5[24] = {'L', 'A', 'Y', 'E', 'R', ' ', '6', 0, 0, 0, 0, 0,
                              0,   0,   0,   0,   0,   0,   0,   0, 0, 0, 1, 0};
  EXPECT_EQ(std::memcmp(bytes + 5 * 24, layer5, 24), 0);
  std::memset(bytes, 'X', 22);  // unterminated name from a file
  g_layers[20].visible = 1;
  obj_get_layers(bytes);
  EXPECT_EQ(std::strlen(g_layers[0].name), 21u);
  EXPECT_EQ(g_layers[5].visible, 1);
  EXPECT_EQ(g_layers[20].visible, 1);  // entries beyond 16 are not stored
}

}  // namespace
