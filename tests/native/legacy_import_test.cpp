#include "project/legacy_project.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/title_block.h"
#include "cad/view.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "project/model_reset.h"
#include "project/project_file.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"
#include "tests/native/run_folder.h"

namespace {

std::vector<std::string> g_messages;
int record_box(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

void new_project() {
  obj_free_all();
  obj_reset_layers();
  spk_reset_tables();
  std::memset(&g_title_block, 0, sizeof g_title_block);
  std::snprintf(g_project_path, sizeof g_project_path, "PROJEKT1.OPR");
}

std::string temp_path(const char* name) {
  static std::string dir = run_folder::fresh("files").string();
  return dir + "/" + name;
}

void write_all(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

struct Record {
  uint32_t kind, attributes, colour;
  uint16_t layer;
  std::vector<float> nodes;       // x, y, z, ...
  std::vector<uint16_t> elements;  // node << 2 | code
  std::vector<uint8_t> aux;
  int node_count = -1;             // stored count when it differs from the nodes given
};

// A version-1.27 project written field by field: header, layers, 40-byte
// object records with 2-byte elements, the title block carrier, types and
// materials.
std::vector<uint8_t> v127_file(const std::vector<Record>& records, const char* signature = "ORVANTE V1.27  ",
                               int16_t materials = 1) {
  ByteWriter w;
  w.bytes(signature, 16);
  w.u8(2);  // Fitzroy
  w.zeros(3);
  w.i16(0);        // XY
  w.f32(0.25f);    // snap width
  w.u16(1);
  w.f32(15.0f);    // node snap radius
  w.u16(1);
  for (int b = 0; b < 7; ++b) w.f32(2.0f + 0.1f * b);
  w.f32(7.5f);     // grid size: not taken
  w.zeros(24);
  for (int16_t v : {1, 3, 4, 2, 3, 1}) w.i16(v);
  for (int i = 0; i < 16; ++i) {
    char name[22] = {};
    std::snprintf(name, sizeof name, "LAYER %d", i);
    w.bytes(name, 22);
    w.u16(1);
  }
  for (size_t i = 0; i < records.size(); ++i) {
    const Record& r = records[i];
    uint16_t nodes = uint16_t(r.node_count >= 0 ? r.node_count : int(r.nodes.size() / 3));
    w.u32(0xDEADBEEF);
    w.u32(i + 1 < records.size() ? 1 : 0);
    w.zeros(12);
    w.u32(r.kind);
    w.u32(r.attributes);
    w.u32(r.colour);
    w.u16(r.layer);
    w.u16(nodes);
    w.u16(uint16_t(r.elements.size()));
    w.u16(uint16_t(r.aux.size()));
    w.bytes(r.aux.data(), r.aux.size());
    for (float v : r.nodes) w.f32(v);
    for (uint16_t v : r.elements) w.u16(v);
  }
  w.i16(0);  // no loudspeaker types
  w.i16(materials);
  for (int m = 0; m < materials; ++m) {
    uint8_t rec[256] = {};
    std::memcpy(rec, "Beton", 5);
    for (int b = 0; b < 7; ++b) le_put_f32(rec + 112 + 4 * b, 0.02f);
    w.bytes(rec, 256);
  }
  return w.buffer();
}

uint16_t el(uint16_t node, uint16_t code) { return uint16_t(node << 2 | code); }

Record face() { return {8, 0, 33, 0, {0, 0, 0, 4, 0, 0, 4, 3, 0}, {el(0, 0), el(0, 3), el(1, 1), el(2, 2)}, {}}; }

std::vector<uint8_t> speaker_block() {
  std::vector<uint8_t> ps(152, 0);
  std::memcpy(ps.data(), "LS7", 3);
  le_put_u16(&ps[22], 1);
  le_put_u16(&ps[24], 1);
  le_put_f32(&ps[118], 2.0f);
  return ps;
}

std::vector<uint8_t> title_aux() {
  std::vector<uint8_t> aux(TITLE_BLOCK_BYTES, 0);
  std::memcpy(aux.data() + 162, "Projekt", 7);
  std::memcpy(aux.data() + 173, "Altbau", 6);
  return aux;
}

std::vector<Record> sample_records() {
  return {face(),
          {8, 0, 5, 1, {1, 1, 1.2f, 3, 1, 1.2f, 3, 2, 1.2f}, {el(0, 0), el(1, 1), el(2, 2)}, {}},
          {16, 16, 40, 2, {2, 0, 0, 2.2f, 0, 0}, {el(0, 0), el(1, 1)}, speaker_block()},
          {16, 134, 9, 3, {0, 0, 0, 0.5f, 0, 0}, {el(0, 0), el(1, 1)}, {}},
          {1, 0, 22, 4, {2, 0, 0, 5, 0, 0}, {el(0, 0), el(1, 1)}, {}},
          {1, 0, 14, 7, {0, 0, 3, 4, 0, 3}, {el(0, 0), el(1, 1)}, {}},
          {33, 0xE0, 0, 0, {}, {}, title_aux()}};
}

class LegacyImport : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_seams().message_box = record_box;
    g_messages.clear();
    g_speaker_screen = SpeakerScreen{nullptr, nullptr};
    cad_new_document_hook = new_project;
    new_project();
  }
  void TearDown() override {
    new_project();
    ui_reset_seams();
    cad_new_document_hook = nullptr;
  }
};

}  // namespace

TEST_F(LegacyImport, Version127ProjectOpensThroughTheProjectReader) {
  const std::string path = temp_path("ALT.OPR");
  write_all(path, v127_file(sample_records()));
  g_view.grid_size = 2.0f;
  ASSERT_EQ(proj_load(path.c_str()), 1) << (g_messages.empty() ? "" : g_messages[0]);
  EXPECT_TRUE(g_messages.empty());
  std::string upper = path;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_STREQ(g_project_path, upper.c_str());  // the title shows it in capitals
  std::vector<DrawObject*> list;
  for (DrawObject* o = g_obj_head; o; o = o->next) list.push_back(o);
  ASSERT_EQ(list.size(), 6u);  // the title block carrier is taken out
  DrawObject* f = list[0];
  ASSERT_EQ(f->element_count, 4u);
  EXPECT_EQ(f->elements[1].code, EL_MATERIAL);
  EXPECT_EQ(f->elements[3].code, EL_CLOSE);  // 4 x 2 + 2
  EXPECT_EQ(f->elements[3].value, 2);
  EXPECT_EQ(f->colour, 0u);
  EXPECT_EQ(list[1]->colour, 21u);
  EXPECT_EQ(list[1]->layer, 1u);
  PlacedSpeaker* ps = spk_placed_of(list[2]);
  ASSERT_NE(ps, nullptr);
  EXPECT_STREQ(ps->name, "LS7");
  EXPECT_EQ(ps->object, list[2]);
  EXPECT_FLOAT_EQ(ps->position[0], 2.0f);
  ASSERT_EQ(list[3]->node_count, 4u);  // the block gets its axis nodes
  EXPECT_EQ(list[3]->nodes[2].x, 1.0f);
  EXPECT_EQ(list[3]->nodes[3].z, 1.0f);
  EXPECT_EQ(list[3]->colour, 9u);
  EXPECT_EQ(list[4]->attributes, 128u);
  EXPECT_EQ(list[5]->colour, 14u);
  EXPECT_STREQ(g_title_block.rows[0].text, "Altbau");
  EXPECT_EQ(g_material_table.count, 1);
  EXPECT_STREQ(g_material_table.records[0].name, "Beton");
  EXPECT_FLOAT_EQ(g_view.snap_distance, 0.25f);
  EXPECT_EQ(g_view.kind, VIEW_XY);
  EXPECT_EQ(g_view.grid_size, 2.0f);  // not taken from the file
  EXPECT_EQ(g_layers[3].visible, 0);
}

namespace {

struct Refused {
  const char* what;
  std::vector<uint8_t> file;
};

std::vector<uint8_t> truncated() {
  std::vector<uint8_t> f = v127_file(sample_records());
  f.resize(f.size() - 300);
  return f;
}

}  // namespace

// Every refusal leaves the open project as it was.
TEST_F(LegacyImport, FilesTheReaderCannotTakeAreRefusedAndTheProjectStays) {
  Record too_many_nodes = face();
  too_many_nodes.node_count = 6000;
  too_many_nodes.nodes.resize(6000 * 3, 0.0f);
  Record block_past_limit = {16, 134, 9, 3, std::vector<float>(5399 * 3, 0.0f), {el(0, 0)}, {}};
  Record bad_node = face();
  bad_node.elements[3] = el(3, 2);
  Record bad_material = face();
  bad_material.elements[1] = el(250, 3);
  Record bad_layer = face();
  bad_layer.layer = 40;
  Record bad_colour = face();
  bad_colour.layer = 7;
  bad_colour.colour = 64;
  std::vector<uint8_t> trailing = v127_file({face()});
  trailing.push_back(0);
  const std::vector<Refused> cases = {
      {"another old version", v127_file({face()}, "ORVANTE V1.50  ")},
      {"a current signature", v127_file({face()}, "ORVANTE V2.80  ")},
      {"more nodes than an object holds", v127_file({too_many_nodes})},
      {"a block whose axis nodes pass the limit", v127_file({block_past_limit})},
      {"an element beyond its nodes", v127_file({bad_node})},
      {"a material beyond the table", v127_file({bad_material})},
      {"a layer beyond the table", v127_file({bad_layer})},
      {"a colour beyond the palette", v127_file({bad_colour})},
      {"more materials than the table", v127_file({face()}, "ORVANTE V1.27  ", 201)},
      {"truncated", truncated()},
      {"bytes behind the tables", trailing},
  };
  for (const Refused& c : cases) {
    new_project();
    DrawObject* kept = obj_create(0, 0, 0);
    obj_append(kept);
    std::snprintf(g_project_path, sizeof g_project_path, "BLEIBT.OPR");
    g_messages.clear();
    const std::string path = temp_path("kaputt.OPR");
    write_all(path, c.file);
    EXPECT_EQ(legacy_import_project_v127(path.c_str()), 0) << c.what;
    ASSERT_EQ(g_messages.size(), 1u) << c.what;
    EXPECT_EQ(g_messages[0], "Ung\xFCltige Datei, kann nicht geladen werden !") << c.what;
    EXPECT_EQ(g_obj_head, kept) << c.what;
    EXPECT_EQ(obj_count(), 1) << c.what;
    EXPECT_STREQ(g_project_path, "BLEIBT.OPR") << c.what;
  }
  // Through the project reader: an old version other than 1.27 gives the same message.
  g_messages.clear();
  write_all(temp_path("v150.OPR"), cases[0].file);
  EXPECT_EQ(proj_load(temp_path("v150.OPR").c_str()), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Ung\xFCltige Datei, kann nicht geladen werden !");
}

// A shape file written as a current project would give no shape with the
// old record layout: it is refused, and the type keeps the default symbol.
TEST_F(LegacyImport, CurrentProjectIsRefusedAsAShapeFile) {
  std::vector<uint8_t> f = v127_file({face()}, "ORVANTE V2.80  ");
  const std::string path = temp_path("neu.tcf");
  write_all(path, f);
  FILE* file = std::fopen(path.c_str(), "rb");
  EXPECT_EQ(legacy_insert_drawing_block(file), nullptr);
  std::fclose(file);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Ung\xFCltige Datei, kann nicht geladen werden !");
  EXPECT_EQ(g_obj_head, nullptr);
}

// Two chunks of 4 and 3 nodes: one block of 9 nodes whose second chunk
// points at nodes 4 to 6.
TEST_F(LegacyImport, ShapeFileChunksJoinIntoOneBlock) {
  ByteWriter w;
  char id[32] = "TEVRAN 1.0     ";
  w.bytes(id, 32);
  w.zeros(384);
  auto chunk = [&](int nodes, std::vector<std::pair<uint16_t, uint16_t>> els, bool more) {
    w.u16(uint16_t(nodes));
    w.u16(uint16_t(els.size()));
    w.zeros(10);
    w.u32(more ? 1 : 0);
    for (int i = 0; i < nodes; ++i) w.f32(float(i)), w.f32(0), w.f32(0);
    for (auto [code, node] : els) w.u16(code), w.u16(node);
  };
  chunk(4, {{0, 0}, {1, 1}, {1, 2}, {2, 3}}, true);
  chunk(3, {{0, 0}, {1, 1}, {2, 2}}, false);
  const std::string path = temp_path("zwei.tcf");
  write_all(path, w.buffer());
  FILE* file = std::fopen(path.c_str(), "rb");
  DrawObject* block = legacy_insert_drawing_block(file);
  std::fclose(file);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->node_count, 9u);
  ASSERT_EQ(block->element_count, 7u);
  EXPECT_EQ(block->elements[4].value, 4);
  EXPECT_EQ(block->elements[6].value, 6);
  EXPECT_EQ(block->layer, 3u);
  EXPECT_EQ(block->kind, 16u);
  EXPECT_EQ(block->attributes, 134u);
}
