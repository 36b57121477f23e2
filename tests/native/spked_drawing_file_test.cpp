#include "speaker_editor/drawing_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "cad/obj_store.h"
#include "cad/title_block.h"
#include "cad/view.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/record_table.h"

namespace {

using Bytes = std::vector<uint8_t>;

int silent_box(const char*, const char*, unsigned) { return UI_IDOK; }

DrawObject* polygon(uint32_t nodes, uint32_t layer, uint32_t aux_size = 0) {
  DrawObject* o = obj_create(aux_size, nodes, nodes);
  for (uint32_t i = 0; i < nodes; ++i) {
    o->nodes[i] = WorldPoint{float(i), float(i * i), 0.5f * i};
    o->elements[i] = ElementCode{uint16_t(i == 0 ? EL_START : i + 1 == nodes ? EL_CLOSE : EL_LINE), uint16_t(i)};
  }
  o->kind = OBJ_KIND_FACE;
  o->layer = layer;
  o->attributes = OBJ_ATTR_CREATED | OBJ_ATTR_GROUP_MEMBER;
  o->colour = 17;
  for (uint32_t i = 0; i < aux_size; ++i) static_cast<uint8_t*>(o->aux)[i] = uint8_t('a' + i % 26);
  return o;
}

class EditorDrawingFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_reset_seams();
    ui_seams().message_box = silent_box;
    spked_init_drawing_defaults();
  }
  void TearDown() override { obj_free_all(); }
};

TEST_F(EditorDrawingFile, SavedDrawingsComeBackWithTheirObjectsLayersAndSettings) {
  obj_append(polygon(4, 0));
  DrawObject* text = polygon(3, 5, 11);
  text->kind = OBJ_KIND_TEXT;
  obj_append(text);
  g_layers[5].visible = 1;
  g_view.kind = VIEW_YZ;
  g_view.snap_distance = 0.25f;
  g_view.node_snap_distance = 7.0;
  g_view.grid_size = 0.5f;
  Bytes file = spked_drawing_file_bytes();
  EXPECT_EQ(file.size(), 486u + (48 + 48 + 16) + (48 + 11 + 36 + 12));
  EXPECT_STREQ(reinterpret_cast<const char*>(file.data()), "PELVAR V1.40");

  spked_init_drawing_defaults();
  ASSERT_TRUE(spked_load_drawing_bytes(file.data(), file.size()));
  ASSERT_EQ(obj_count(), 2);
  DrawObject* a = g_obj_head;
  DrawObject* b = g_obj_tail;
  EXPECT_EQ(a->kind, uint32_t(OBJ_KIND_FACE));
  EXPECT_EQ(a->attributes, uint32_t(OBJ_ATTR_CREATED | OBJ_ATTR_GROUP_MEMBER));
  EXPECT_EQ(a->colour, 0u);  // colours are not kept
  EXPECT_FLOAT_EQ(a->nodes[3].y, 9.0f);
  EXPECT_EQ(a->elements[3].code, EL_CLOSE);
  EXPECT_EQ(b->kind, uint32_t(OBJ_KIND_TEXT));
  EXPECT_EQ(b->layer, 5u);
  ASSERT_EQ(b->aux_size, 11u);
  EXPECT_EQ(std::memcmp(b->aux, "abcdefghijk", 11), 0);
  EXPECT_EQ(g_layers[5].visible, 1);
  EXPECT_EQ(g_view.kind, VIEW_YZ);
  EXPECT_FLOAT_EQ(g_view.snap_distance, 0.25f);
  EXPECT_DOUBLE_EQ(g_view.node_snap_distance, 7.0);
  EXPECT_FLOAT_EQ(g_view.grid_size, 0.5f);
}

// A last object of kind 33 carries the title block: loading takes it (a
// short one as far as it goes) and drops the object; inserting keeps it,
// on the current layer like every other object.
TEST_F(EditorDrawingFile, TitleBlockObjectOnLoadAndOnInsert) {
  obj_append(polygon(3, 1));
  DrawObject* title = polygon(3, 0, 40);
  title->kind = OBJ_KIND_TITLE_BLOCK;
  obj_append(title);
  Bytes file = spked_drawing_file_bytes();
  spked_init_drawing_defaults();
  std::memset(&g_title_block, 'x', sizeof g_title_block);
  ASSERT_TRUE(spked_load_drawing_bytes(file.data(), file.size()));
  EXPECT_EQ(obj_count(), 1);
  EXPECT_EQ(g_title_block.carried[0], 'a');
  EXPECT_EQ(g_title_block.carried[39], 'n');
  EXPECT_EQ(g_title_block.carried[40], 0);  // the rest cleared, not read past the data

  g_view.current_layer = 7;
  g_layers[1].visible = 0;
  ASSERT_TRUE(spked_insert_drawing_bytes(file.data(), file.size()));
  ASSERT_EQ(obj_count(), 3);
  EXPECT_EQ(g_obj_tail->layer, 7u);
  EXPECT_EQ(g_obj_tail->kind, uint32_t(OBJ_KIND_FACE));  // from its elements
  EXPECT_EQ(g_layers[1].visible, 0);                     // the layer table stays
}

TEST_F(EditorDrawingFile, DamagedDrawingsLeaveTheDrawingAlone) {
  obj_append(polygon(4, 0));
  const Bytes good = spked_drawing_file_bytes();
  struct Case {
    const char* what;
    size_t at;
    uint32_t value;
    size_t cut;
  } cases[] = {
      {"cut short", 0, 0, 10},
      {"more nodes than the limit", 486 + 36, 5401, 0},
      {"node index past the nodes", 486 + 48 + 48 + 4 * 3 + 2, 9, 0},
      {"another chunk announced", 486 + 4, 1, 0},
  };
  for (const Case& c : cases) {
    Bytes f = good;
    if (c.cut) f.resize(f.size() - c.cut);
    if (c.at) {
      if (c.what[0] == 'n') le_put_u16(&f[c.at], uint16_t(c.value));
      else le_put_u32(&f[c.at], c.value);
    }
    EXPECT_FALSE(spked_load_drawing_bytes(f.data(), f.size())) << c.what;
    EXPECT_FALSE(spked_insert_drawing_bytes(f.data(), f.size())) << c.what;
    EXPECT_EQ(obj_count(), 1) << c.what;
  }
  Bytes other = good;
  other[0] = 'Q';
  EXPECT_FALSE(spked_load_drawing_bytes(other.data(), other.size()));
}

void put_u16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void put_u32(Bytes& b, uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i))); }

// 1.27 records: 40-byte header, aux, nodes, 2-byte elements (node << 2 | code).
void v127_record(Bytes& f, uint32_t kind, uint16_t layer, uint16_t nodes, uint16_t aux, bool more) {
  size_t at = f.size();
  f.resize(at + 40, 0);
  le_put_u32(&f[at + 4], more ? 1 : 0);
  le_put_u32(&f[at + 20], kind);
  le_put_u16(&f[at + 32], layer);
  le_put_u16(&f[at + 34], nodes);
  le_put_u16(&f[at + 36], nodes);
  le_put_u16(&f[at + 38], aux);
  f.resize(f.size() + aux, 'z');
  for (uint16_t n = 0; n < nodes; ++n)
    for (int k = 0; k < 3; ++k) put_u32(f, 0x3F800000u * (k == 0));  // x = 1
  for (uint16_t n = 0; n < nodes; ++n) put_u16(f, uint16_t(n << 2 | (n == 0 ? EL_START : EL_LINE)));
}

TEST_F(EditorDrawingFile, SiblingDrawingsOfBothVersions) {
  Bytes v127(102, 0);
  std::memcpy(v127.data(), "TEVRAN V1.27", 12);
  v127.resize(102 + 384, 0);
  v127_record(v127, OBJ_KIND_POLYLINE, 1, 3, 0, true);
  v127_record(v127, OBJ_KIND_FACE, 6, 5, 4, true);  // another layer: skipped with 2-byte elements
  v127_record(v127, OBJ_KIND_BODY, 2, 2, 6, false);
  RecordDrawing* d = spked_read_legacy_drawing(v127.data(), v127.size(), false);
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->head, d->tail);
  EXPECT_EQ(d->head->kind, uint32_t(OBJ_KIND_POLYLINE));
  EXPECT_EQ(d->head->node_count, 3u);
  EXPECT_EQ(d->head->elements[2].value, 2);
  EXPECT_EQ(d->tail->kind, uint32_t(OBJ_KIND_BODY));
  EXPECT_EQ(d->tail->layer, 2u);
  EXPECT_FLOAT_EQ(d->tail->nodes[1].x, 1.0f);
  spked_free_drawing(d);

  Bytes v10(32 + 384, 0);
  std::memcpy(v10.data(), "TEVRAN 1.0     ", 15);
  for (int chunk = 0; chunk < 2; ++chunk) {
    put_u16(v10, 2);
    put_u16(v10, 2);
    v10.resize(v10.size() + 10, 0);
    put_u32(v10, chunk == 0);
    v10.resize(v10.size() + 24, 0);
    put_u16(v10, EL_START), put_u16(v10, 0), put_u16(v10, EL_LINE), put_u16(v10, 1);
  }
  DrawObject* merged = spked_read_legacy_drawing_merged(v10.data(), v10.size());
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(merged->node_count, 4u);
  EXPECT_EQ(merged->elements[3].value, 3);
  EXPECT_EQ(merged->layer, 0u);
  EXPECT_EQ(merged->kind, uint32_t(OBJ_KIND_BODY));
  obj_free(merged);

  Bytes bad = v10;
  bad[0] = 'X';
  EXPECT_EQ(spked_read_legacy_drawing(bad.data(), bad.size(), false), nullptr);
  v10.resize(v10.size() - 3);
  EXPECT_EQ(spked_read_legacy_drawing(v10.data(), v10.size(), false), nullptr);
}

}  // namespace
