#include "cad/obj_store.h"

#include <gtest/gtest.h>

#include <algorithm>
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

namespace {

// Little-endian bytes written out by hand, independent of the store's encoder.
struct Bytes {
  std::vector<uint8_t> v;
  Bytes& u32(uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
    return *this;
  }
  Bytes& u16(uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
    return *this;
  }
  Bytes& f32(float f) {
    uint32_t x;
    std::memcpy(&x, &f, 4);
    return u32(x);
  }
  Bytes& raw(std::initializer_list<uint8_t> b) {
    v.insert(v.end(), b);
    return *this;
  }
};

// A triangle face with a material and a two-byte aux block, stored as the last chunk.
Bytes triangle_chunk_bytes(uint32_t next) {
  Bytes b;
  b.u32(0).u32(next).u32(0).u32(0).u32(0);                  // link and pointer words
  b.u32(8).u32(8).u32(21).u32(0).u32(3).u32(5).u32(2);      // kind .. aux size
  b.raw({0xAB, 0xCD});                                      // aux
  b.f32(0).f32(0).f32(0).f32(1.5f).f32(0).f32(0).f32(0).f32(-2.25f).f32(1e30f);
  b.u16(0).u16(0).u16(3).u16(7).u16(1).u16(1).u16(1).u16(2).u16(2).u16(0);
  return b;
}

DrawObject* triangle() {
  DrawObject* o = obj_create(2, 3, 5);
  static_cast<uint8_t*>(o->aux)[0] = 0xAB;
  static_cast<uint8_t*>(o->aux)[1] = 0xCD;
  o->nodes[1] = {1.5f, 0, 0};
  o->nodes[2] = {0, -2.25f, 1e30f};
  const ElementCode e[5] = {{0, 0}, {3, 7}, {1, 1}, {1, 2}, {2, 0}};
  std::memcpy(o->elements, e, sizeof e);
  o->kind = OBJ_KIND_FACE;
  o->attributes = OBJ_ATTR_SELECTED;
  o->colour = 21;
  o->prev = o;  // addresses never reach the bytes
  return o;
}

TEST(ObjChunk, WrittenBytesAreTheHandBuiltOnes) {
  DrawObject* o = triangle();
  const Bytes expected = triangle_chunk_bytes(0);
  ASSERT_EQ(expected.v.size(), 48u + 2 + 36 + 20);
  ObjChunkHeader h = obj_chunk_header(o, false);
  EXPECT_EQ(obj_chunk_size(h), expected.v.size());
  EXPECT_EQ(obj_flat_size(o), expected.v.size());
  std::vector<uint8_t> out(200, 0xEE);
  ASSERT_EQ(obj_put_chunk(h, o, out.data(), out.size()), expected.v.size());
  EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + expected.v.size()), expected.v);
  EXPECT_EQ(out[expected.v.size()], 0xEE);  // nothing beyond
  EXPECT_EQ(obj_put_chunk(h, o, out.data(), expected.v.size() - 1), 0u);  // too small

  // More chunks follow: next word non-zero. A header asking for more than the object holds is refused.
  h = obj_chunk_header(o, true);
  obj_put_chunk(h, o, out.data(), out.size());
  EXPECT_NE(out[4] | out[5] | out[6] | out[7], 0);
  h.node_count = 4;
  EXPECT_EQ(obj_put_chunk(h, o, out.data(), out.size()), 0u);
  obj_free(o);
}

TEST(ObjChunk, StoredLessThanHeldDropsTheTrailingNodes) {
  // Blocks are stored without their two trailing axis nodes.
  DrawObject* o = triangle();
  ObjChunkHeader h = obj_chunk_header(o, false);
  h.node_count -= 2;
  h.element_count = 1;
  h.aux_size = 0;
  std::vector<uint8_t> out(200);
  ASSERT_EQ(obj_put_chunk(h, o, out.data(), out.size()), 48u + 12 + 4);
  EXPECT_EQ(out[36], 1);  // node count word
  obj_free(o);
}

TEST(ObjChunk, ReadBackFromBytesAndFileGivesTheSameObject) {
  const Bytes two = [] {
    Bytes b = triangle_chunk_bytes(1);
    Bytes second = triangle_chunk_bytes(0);
    b.v.insert(b.v.end(), second.v.begin(), second.v.end());
    return b;
  }();
  size_t used = 0;
  ObjChunkHeader h{};
  DrawObject* o = obj_get_chunk(two.v.data(), two.v.size(), &used, &h);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(used, two.v.size() / 2);
  EXPECT_EQ(h.next, 1u);
  EXPECT_EQ(o->prev, nullptr);
  EXPECT_EQ(o->kind, 8u);
  EXPECT_EQ(o->attributes, 8u);
  EXPECT_EQ(o->colour, 21u);
  EXPECT_EQ(o->nodes[2].z, 1e30f);
  EXPECT_EQ(o->elements[1].value, 7);
  std::vector<uint8_t> again(used);
  EXPECT_EQ(obj_put_chunk(obj_chunk_header(o, true), o, again.data(), again.size()), used);
  EXPECT_EQ(again, std::vector<uint8_t>(two.v.begin(), two.v.begin() + used));
  obj_free(o);

  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(std::fwrite(two.v.data(), 1, two.v.size(), file), two.v.size());
  std::rewind(file);
  long remaining = long(two.v.size());
  DrawObject* first = obj_read_chunk(file, remaining, &h);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(h.next, 1u);
  DrawObject* second = obj_read_chunk(file, remaining - long(used), &h);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(h.next, 0u);
  EXPECT_EQ(obj_read_chunk(file, 0, &h), nullptr);  // nothing left

  FILE* out = std::tmpfile();
  ASSERT_EQ(obj_write_chunk(out, obj_chunk_header(first, true), first), 1);
  ASSERT_EQ(obj_write_chunk(out, obj_chunk_header(second, false), second), 1);
  std::vector<uint8_t> written(two.v.size() + 1);
  std::rewind(out);
  EXPECT_EQ(std::fread(written.data(), 1, written.size(), out), two.v.size());
  written.pop_back();
  EXPECT_EQ(written, two.v);
  std::fclose(out);
  std::fclose(file);
  obj_free(first);
  obj_free(second);
}

TEST(ObjChunk, UntrustedChunksAreRefused) {
  const Bytes good = triangle_chunk_bytes(0);
  struct Case {
    const char* what;
    size_t offset;  // 32-bit word to patch, or SIZE_MAX to cut the chunk short
    uint32_t value;
  };
  const Case cases[] = {
      {"cut short", SIZE_MAX, 0},
      {"node count beyond the bytes", 36, 0x40000000},
      {"element count beyond the bytes", 40, 0xFFFFFFFF},
      {"aux size beyond the bytes", 44, 0xFFFFFFF0},
      {"element names a missing node", 48 + 2 + 36 + 12, 0x00030001},  // line to node 3 of 3
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes = good.v;
    size_t size = bytes.size();
    if (c.offset == SIZE_MAX)
      size -= 1;
    else
      for (int i = 0; i < 4; ++i) bytes[c.offset + i] = uint8_t(c.value >> (8 * i));
    EXPECT_EQ(obj_get_chunk(bytes.data(), size, nullptr, nullptr), nullptr) << c.what;
    FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, size, file);
    std::rewind(file);
    EXPECT_EQ(obj_read_chunk(file, long(size), nullptr), nullptr) << c.what;
    std::fclose(file);
  }
  EXPECT_EQ(obj_get_chunk(good.v.data(), 47, nullptr, nullptr), nullptr);
}

}  // namespace

namespace {

struct OptimiseCase {
  const char* what;
  std::vector<WorldPoint> nodes;
  std::vector<ElementCode> elements;
  uint32_t nodes_after;
  std::vector<ElementCode> elements_after;
};

const WorldPoint A{0, 0, 0}, B{1, 0, 0}, C{1, 1, 0}, D{0, 1, 0};

bool same(const std::vector<ElementCode>& a, const ElementCode* b, uint32_t n) {
  if (a.size() != n) return false;
  for (uint32_t i = 0; i < n; ++i)
    if (a[i].code != b[i].code || a[i].value != b[i].value) return false;
  return true;
}

std::string text(const ElementCode* e, uint32_t n) {
  std::string s;
  for (uint32_t i = 0; i < n; ++i) s += std::to_string(e[i].code) + "/" + std::to_string(e[i].value) + " ";
  return s;
}

TEST(ObjOptimise, CompactsNodesAndElements) {
  const OptimiseCase cases[] = {
      {"zero-length line dropped", {A, B, C}, {{0, 0}, {1, 1}, {1, 1}, {1, 2}, {2, 0}}, 3,
       {{0, 0}, {1, 1}, {2, 2}}},
      {"nodes closer than 0.001 merge", {A, B, {1.0005f, 0, 0}, C}, {{0, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 0}}, 3,
       {{0, 0}, {1, 1}, {2, 2}}},
      {"nodes 0.0011 apart stay", {A, B, {1.0011f, 0, 0}}, {{0, 0}, {1, 1}, {1, 2}}, 3,
       {{0, 0}, {1, 1}, {1, 2}}},
      {"unused nodes dropped", {A, D, B, D, C}, {{0, 0}, {1, 2}, {1, 4}, {2, 0}}, 3, {{0, 0}, {1, 1}, {2, 2}}},
      {"material after the start kept", {A, B, C}, {{0, 0}, {3, 9}, {1, 1}, {1, 2}, {2, 0}}, 3,
       {{0, 0}, {3, 9}, {1, 1}, {2, 2}}},
      {"material elsewhere dropped", {A, B, C}, {{0, 0}, {1, 1}, {3, 9}, {1, 2}, {2, 0}}, 3,
       {{0, 0}, {1, 1}, {2, 2}}},
      {"unknown codes dropped", {A, B, C}, {{0, 0}, {1, 1}, {4, 2}, {1, 2}, {7, 0}}, 3,
       {{0, 0}, {1, 1}, {1, 2}}},
      {"face shrunk to its start keeps its material", {A, A, A}, {{0, 0}, {3, 5}, {1, 1}, {1, 2}, {2, 0}}, 1,
       {{0, 0}, {3, 5}, {2, 0}}},
      {"element naming a missing node dropped", {A, B, C}, {{0, 0}, {1, 1}, {1, 9}, {1, 2}, {2, 0}}, 3,
       {{0, 0}, {1, 1}, {2, 2}}},
      {"only bad entries: nothing left", {A}, {{0, 4}, {1, 5}}, 0, {}},
  };
  for (const OptimiseCase& c : cases) {
    DrawObject* o = obj_create(0, uint32_t(c.nodes.size()), uint32_t(c.elements.size()));
    std::copy(c.nodes.begin(), c.nodes.end(), o->nodes);
    std::copy(c.elements.begin(), c.elements.end(), o->elements);
    EXPECT_EQ(obj_optimise(o), o);
    EXPECT_EQ(o->node_count, c.nodes_after) << c.what;
    EXPECT_TRUE(same(c.elements_after, o->elements, o->element_count))
        << c.what << ": " << text(o->elements, o->element_count);
    EXPECT_TRUE(obj_elements_valid(o)) << c.what;
    if (o->node_count == 0) {
      EXPECT_EQ(o->nodes, nullptr);
    }
    DrawObject *head = o, *tail = o;
    obj_list_free(head, tail, o);
  }
}

TEST(ObjOptimise, MergedNodesKeepTheFirstPosition) {
  DrawObject* o = obj_create(0, 3, 3);
  o->nodes[0] = {2, 3, 4};
  o->nodes[1] = {2.0004f, 3, 4};
  o->nodes[2] = {5, 5, 5};
  const ElementCode e[3] = {{0, 1}, {1, 0}, {1, 2}};
  std::memcpy(o->elements, e, sizeof e);
  obj_make_current(OBJ_MC_LOAD, o);
  obj_optimise(o);
  ASSERT_EQ(o->node_count, 2u);
  EXPECT_EQ(o->nodes[0].x, 2.0004f);  // the node the first entry named
  EXPECT_EQ(o->nodes[1].x, 5.0f);
  EXPECT_EQ(g_cur_nodes, o->nodes);  // registers follow the new arrays
  EXPECT_EQ(g_cur_element_count, o->element_count);
  obj_free(o);
}

// Whatever goes in, what comes out names only nodes it holds and keeps
// materials right after a start.
TEST(ObjOptimise, AnyInputLeavesAConsistentObject) {
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int round = 0; round < 3000; ++round) {
    uint32_t nodes = next(6), elements = 1 + next(12);
    DrawObject* o = obj_create(0, nodes, elements);
    for (uint32_t i = 0; i < nodes; ++i) o->nodes[i] = {float(next(3)), float(next(2)), 0};
    for (uint32_t i = 0; i < elements; ++i) o->elements[i] = {uint16_t(next(6)), uint16_t(next(nodes + 3))};
    obj_optimise(o);
    ASSERT_TRUE(obj_elements_valid(o)) << round;
    for (uint32_t i = 0; i < o->element_count; ++i) {
      ASSERT_LE(o->elements[i].code, EL_MATERIAL) << round;
      if (o->elements[i].code == EL_MATERIAL && i > 0) {
        ASSERT_EQ(o->elements[i - 1].code, EL_START) << round;
      }
    }
    ASSERT_LE(o->node_count, nodes);
    DrawObject *head = o, *tail = o;
    obj_list_free(head, tail, o);
  }
}

}  // namespace

// Reading and setting a polygon's material by its start element: only a real
// material entry is read or written; anything else reads as material 0 and
// is left as it was.
TEST(ObjPolygonMaterial, OnlyARealEntryIsReadOrWritten) {
  struct Case {
    const char* what;
    std::vector<ElementCode> elements;
    uint32_t start;
    int count;
    int read;
    bool written;
  };
  const std::vector<ElementCode> with = {{EL_START, 0}, {EL_MATERIAL, 5}, {EL_LINE, 1}, {EL_CLOSE, 2}};
  const std::vector<ElementCode> without = {{EL_START, 0}, {EL_LINE, 1}, {EL_CLOSE, 2}};
  const Case cases[] = {
      {"entry within the table", with, 0, 10, 5, true},
      {"entry beyond the table", with, 0, 5, 0, true},
      {"no table at all", with, 0, 0, 0, true},
      {"no material entry", without, 0, 10, 0, false},
      {"start is the last element", {{EL_LINE, 2}, {EL_START, 0}}, 1, 10, 0, false},
      {"not a start element", with, 2, 10, 0, false},
      {"beyond the element list", with, 7, 10, 0, false},
  };
  for (const Case& c : cases) {
    DrawObject* o = obj_create(0, 3, uint32_t(c.elements.size()));
    std::copy(c.elements.begin(), c.elements.end(), o->elements);
    EXPECT_EQ(obj_polygon_material(o, c.start, c.count), c.read) << c.what;
    EXPECT_EQ(obj_set_polygon_material(o, c.start, 7), c.written) << c.what;
    for (uint32_t i = 0; i < o->element_count; ++i) {
      bool is_target = c.written && i == c.start + 1;
      EXPECT_EQ(o->elements[i].value, is_target ? 7 : c.elements[i].value) << c.what << " element " << i;
      EXPECT_EQ(o->elements[i].code, c.elements[i].code) << c.what;
    }
    DrawObject *head = o, *tail = o;
    obj_list_free(head, tail, o);
  }
}
