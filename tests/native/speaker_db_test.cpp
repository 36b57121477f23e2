#include "speakers/speaker_db.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "framework/ui_seam.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<std::string> g_messages;
int record_message(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

void put_u32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
void append_u16(Bytes& out, uint16_t v) { out.push_back(uint8_t(v)); out.push_back(uint8_t(v >> 8)); }
void append_u32(Bytes& out, uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i))); }
void append_f32(Bytes& out, float f) { uint32_t u; std::memcpy(&u, &f, 4); append_u32(out, u); }

Bytes db_header(const char* id, int16_t count) {
  Bytes h(32, 0);
  std::memcpy(h.data(), id, std::strlen(id));
  h[30] = uint8_t(count);
  h[31] = uint8_t(uint16_t(count) >> 8);
  return h;
}

// A clear record image with a name, a recognisable balloon and the shape size.
Bytes clear_record(const char* name, uint8_t balloon_value, uint32_t shape_size, const char* key = "pw") {
  SpeakerRecord* rec = spk_record_alloc();
  std::strcpy(rec->type_name, name);
  std::strcpy(rec->manufacturer, "Test");
  std::snprintf(rec->description, sizeof rec->description, "Typ %s", name);
  rec->format = 2;
  for (int b = 0; b < SPK_BANDS; ++b) {
    rec->rated_power[b] = 100.0f;
    rec->sensitivity[b] = 90.0f + b;
  }
  std::memset(rec->balloon, balloon_value, sizeof rec->balloon);
  rec->shape_ref = int32_t(shape_size);
  std::strcpy(rec->record_key, key);
  Bytes im(SPK_RECORD_SIZE);
  spk_record_to_bytes(*rec, im.data());
  spk_record_free(rec);
  return im;
}

Bytes scrambled_record(const char* name, uint8_t balloon_value, uint32_t shape_size) {
  Bytes im = clear_record(name, balloon_value, shape_size);
  sdb_encode_record(im.data());
  return im;
}

// One stored object chunk: 48-byte header, nodes, 4-byte elements.
Bytes object_chunk(const std::vector<WorldPoint>& nodes, const std::vector<ElementCode>& els, bool more) {
  Bytes c(48, 0);
  put_u32(c, 4, more ? 1 : 0);
  put_u32(c, 20, 16);
  put_u32(c, 32, 3);
  put_u32(c, 36, uint32_t(nodes.size()));
  put_u32(c, 40, uint32_t(els.size()));
  for (const WorldPoint& n : nodes) append_f32(c, n.x), append_f32(c, n.y), append_f32(c, n.z);
  for (const ElementCode& e : els) append_u16(c, e.code), append_u16(c, e.value);
  return c;
}

std::vector<WorldPoint> square_nodes(float x) { return {{x, 0, 0}, {x, 1, 0}, {x, 1, 1}, {x, 0, 1}}; }
std::vector<ElementCode> square_elements() { return {{0, 0}, {1, 1}, {1, 2}, {2, 3}}; }
std::vector<WorldPoint> triangle_nodes() { return {{5, 0, 0}, {5, 1, 0}, {5, 0, 1}}; }
std::vector<ElementCode> triangle_elements() { return {{0, 0}, {1, 1}, {2, 2}}; }

// Shape of two chunks, 4 + 3 nodes.
Bytes two_chunk_shape() {
  Bytes s = object_chunk(square_nodes(0), square_elements(), true);
  append(s, object_chunk(triangle_nodes(), triangle_elements(), false));
  return s;
}

std::string temp_path(const std::string& name) { return testing::TempDir() + name; }

void write_file(const std::string& path, const Bytes& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(data.data(), 1, data.size(), f), data.size());
  std::fclose(f);
}

// V140 file: ALPHA with the two-chunk shape, BETA without.
Bytes v140_two_records() {
  Bytes shape = two_chunk_shape();
  Bytes file = db_header(SDB_ID_V140, 2);
  append(file, scrambled_record("ALPHA", 200, uint32_t(shape.size())));
  append(file, shape);
  append(file, scrambled_record("BETA", 180, 0));
  return file;
}

class SpeakerDbTest : public testing::Test {
 protected:
  void SetUp() override {
    ui_seams().message_box = record_message;
    g_messages.clear();
    std::memset(&g_sdb_index, 0, sizeof g_sdb_index);
    g_sdb_version = SDB_VERSION_NONE;
    obj_free_all();
    spk_free_type_table();
  }
  void TearDown() override {
    spk_free_type_table();
    obj_free_all();
    ui_reset_seams();
  }
};

TEST_F(SpeakerDbTest, V140IndexAndLoadWithEmbeddedShape) {
  std::string path = temp_path("two.OSB");
  Bytes file = v140_two_records();
  write_file(path, file);
  ASSERT_EQ(sdb_open_path(path.c_str()), 1);
  EXPECT_TRUE(g_messages.empty());
  ASSERT_EQ(g_sdb_index.count, 2);
  EXPECT_STREQ(g_sdb_index.names[0], "ALPHA");
  EXPECT_STREQ(g_sdb_index.names[1], "BETA");
  EXPECT_EQ(g_sdb_index.record_offsets[0], 32u);
  EXPECT_EQ(g_sdb_index.shape_offsets[0], 32u + SPK_RECORD_SIZE);
  EXPECT_EQ(g_sdb_index.record_offsets[1], file.size() - SPK_RECORD_SIZE);
  EXPECT_EQ(g_sdb_index.shape_offsets[1], 0u);
  EXPECT_EQ(g_sdb_version, SDB_VERSION_140);

  ASSERT_EQ(sdb_load_type(0, "alpha"), 1);  // the index is searched without regard to case
  SpeakerRecord* rec = g_speaker_types.records[0];
  EXPECT_STREQ(rec->type_name, "ALPHA");
  EXPECT_EQ(rec->balloon[6][36][71], 200);
  EXPECT_EQ(rec->balloon_link, &rec->balloon[0][0][0]);
  DrawObject* block = rec->symbol;
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(g_obj_head, block);
  EXPECT_EQ(block->layer, 3u);
  EXPECT_EQ(block->attributes, 134u);
  EXPECT_EQ(block->kind, 16u);
  ASSERT_EQ(block->node_count, 9u);
  EXPECT_EQ(block->nodes[4].x, 5.0f);
  EXPECT_EQ(block->nodes[7].x, 1.0f);  // axis nodes (1,0,0), (0,0,1)
  EXPECT_EQ(block->nodes[8].z, 1.0f);
  ASSERT_EQ(block->element_count, 7u);
  EXPECT_EQ(block->elements[4].value, 4);  // second chunk rebased onto nodes 4..6
  EXPECT_EQ(block->elements[6].value, 6);
  EXPECT_EQ(block->elements[6].code, 2);
}

TEST_F(SpeakerDbTest, FindOrLoadMatchesLoadedTypesWithCase) {
  std::string path = temp_path("find.OSB");
  write_file(path, v140_two_records());
  ASSERT_EQ(sdb_open_path(path.c_str()), 1);
  PlacedSpeaker ps;
  spk_placed_defaults(ps);
  ASSERT_EQ(sdb_find_or_load_type(&ps, "BETA"), 1);
  EXPECT_EQ(ps.type_index, 0);
  EXPECT_EQ(g_speaker_types.records[0]->symbol, g_default_speaker_symbol);  // no shape of its own
  ASSERT_EQ(sdb_find_or_load_type(&ps, "ALPHA"), 1);
  EXPECT_EQ(ps.type_index, 1);
  ASSERT_EQ(sdb_find_or_load_type(&ps, "BETA"), 1);
  EXPECT_EQ(ps.type_index, 0);
  ASSERT_EQ(sdb_find_or_load_type(&ps, "beta"), 1);  // not the same case: loaded again
  EXPECT_EQ(ps.type_index, 2);
  EXPECT_EQ(g_speaker_types.count, 3);
  EXPECT_EQ(sdb_find_or_load_type(&ps, "GAMMA"), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Lautsprecher nicht verf\xFCgbar");
}

TEST_F(SpeakerDbTest, PathWithoutExtensionGetsOsb) {
  write_file(temp_path("ext.OSB"), v140_two_records());
  ASSERT_EQ(sdb_open_path(temp_path("ext").c_str()), 1);
  EXPECT_EQ(std::string(g_sdb_index.path), temp_path("ext.OSB"));
}

// Damaged files are refused as a whole; the previous index stays.
TEST_F(SpeakerDbTest, TruncatedOrMiscountedFileIsRefused) {
  std::string good = temp_path("good.OSB");
  write_file(good, v140_two_records());
  ASSERT_EQ(sdb_open_path(good.c_str()), 1);
  Bytes file = v140_two_records();
  struct Case {
    const char* name;
    Bytes data;
  } cases[] = {
      {"cut_in_record.OSB", Bytes(file.begin(), file.end() - 100)},
      {"cut_in_shape.OSB", Bytes(file.begin(), file.begin() + 32 + SPK_RECORD_SIZE + 60)},
      {"count_too_big.OSB", [&] { Bytes d = file; d[30] = 3; return d; }()},
      {"count_negative.OSB", [&] { Bytes d = file; d[30] = 0xFF; d[31] = 0xFF; return d; }()},
      {"header_only.OSB", Bytes(file.begin(), file.begin() + 20)},
  };
  for (const Case& c : cases) {
    g_messages.clear();
    std::string path = temp_path(c.name);
    write_file(path, c.data);
    EXPECT_EQ(sdb_open_path(path.c_str()), 0) << c.name;
    ASSERT_EQ(g_messages.size(), 1u) << c.name;
    EXPECT_EQ(std::string(g_sdb_index.path), good) << c.name;
    EXPECT_EQ(g_sdb_index.count, 2) << c.name;
  }
}

TEST_F(SpeakerDbTest, UnknownIdentificationKeepsIndex) {
  std::string path = temp_path("foreign.OSB");
  write_file(path, db_header("SOMETHING ELSE", 0));
  EXPECT_EQ(sdb_open_path(path.c_str()), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Ung\xFCltige Datei, kann nicht geladen werden");
  EXPECT_EQ(g_sdb_index.path[0], '\0');
}

// A damaged record with a shape must not take the records behind it along.
TEST_F(SpeakerDbTest, DamagedRecordsAreSkippedWithTheirShapes) {
  Bytes shape = two_chunk_shape();
  for (int damage_at : {600, 30}) {  // balloon (head still readable) / key region
    Bytes file = db_header(SDB_ID_V140, 4);
    append(file, scrambled_record("R1", 200, 0));
    append(file, scrambled_record("R2", 201, uint32_t(shape.size())));
    append(file, shape);
    size_t third = file.size();
    Bytes bad = scrambled_record("R3", 202, uint32_t(shape.size()));
    bad[damage_at] ^= 0x55;
    append(file, bad);
    append(file, shape);
    size_t fourth = file.size();
    append(file, scrambled_record("R4", 203, uint32_t(shape.size())));
    append(file, shape);
    std::string path = temp_path("damaged.OSB");
    write_file(path, file);
    g_messages.clear();
    ASSERT_EQ(sdb_open_path(path.c_str()), 1) << damage_at;
    ASSERT_EQ(g_sdb_index.count, 3) << damage_at;
    EXPECT_STREQ(g_sdb_index.names[2], "R4");
    EXPECT_EQ(g_sdb_index.record_offsets[2], fourth);
    EXPECT_EQ(g_sdb_index.shape_offsets[2], fourth + SPK_RECORD_SIZE);
    EXPECT_NE(g_sdb_index.record_offsets[1], third);
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_NE(g_messages[0].find(": 1"), std::string::npos);
  }
}

TEST_F(SpeakerDbTest, ShapeNamingNodesOutsideItsChunkFallsBackToDefault) {
  Bytes shape = object_chunk(square_nodes(0), {{0, 0}, {1, 9}}, false);
  Bytes file = db_header(SDB_ID_V140, 1);
  append(file, scrambled_record("BAD", 200, uint32_t(shape.size())));
  append(file, shape);
  std::string path = temp_path("badshape.OSB");
  write_file(path, file);
  ASSERT_EQ(sdb_open_path(path.c_str()), 1);
  ASSERT_EQ(sdb_load_type(0, "BAD"), 1);
  EXPECT_EQ(g_speaker_types.records[0]->symbol, g_default_speaker_symbol);
  EXPECT_EQ(g_obj_head, nullptr);
}

// "TEVRAN 1.0" shape file: 32-byte id, 384 layer bytes, 18-byte chunk headers, 4-byte elements.
Bytes tevran_shape() {
  Bytes f(32, 0);
  std::memcpy(f.data(), "TEVRAN 1.0     ", 15);
  f.resize(416, 0);
  auto chunk = [&](const std::vector<WorldPoint>& nodes, const std::vector<ElementCode>& els, bool more) {
    Bytes h(18, 0);
    h[0] = uint8_t(nodes.size());
    h[2] = uint8_t(els.size());
    h[14] = more ? 1 : 0;
    append(f, h);
    for (const WorldPoint& n : nodes) append_f32(f, n.x), append_f32(f, n.y), append_f32(f, n.z);
    for (const ElementCode& e : els) append_u16(f, e.code), append_u16(f, e.value);
  };
  chunk(square_nodes(0), square_elements(), true);
  chunk(triangle_nodes(), triangle_elements(), false);
  return f;
}

TEST_F(SpeakerDbTest, V130RecordsTakeTheirShapeFromTheSideFile) {
  Bytes file = db_header(SDB_ID_V130, 0);
  file[30] = file[31] = 0;
  append(file, scrambled_record("SIDE", 190, 0));
  Bytes bad = scrambled_record("BROKEN", 190, 0);
  bad[5000] ^= 1;
  append(file, bad);
  append(file, scrambled_record("PLAIN", 191, 0));
  write_file(temp_path("old130.OSB"), file);
  write_file(temp_path("SIDE.tcf"), tevran_shape());
  ASSERT_EQ(sdb_open_path(temp_path("old130.OSB").c_str()), 1);
  ASSERT_EQ(g_sdb_index.count, 2);
  EXPECT_STREQ(g_sdb_index.names[1], "PLAIN");
  EXPECT_EQ(g_sdb_index.record_offsets[1], 32u + 2 * SPK_RECORD_SIZE);
  ASSERT_EQ(sdb_load_type(0, "SIDE"), 1);
  DrawObject* block = g_speaker_types.records[0]->symbol;
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(block->node_count, 9u);
  EXPECT_EQ(block->elements[5].value, 5);
  EXPECT_EQ(g_obj_head, block);
  ASSERT_EQ(sdb_load_type(1, "PLAIN"), 1);
  EXPECT_EQ(g_speaker_types.records[1]->symbol, g_default_speaker_symbol);
}

TEST_F(SpeakerDbTest, V11RecordsAreUpgraded) {
  Bytes file = db_header(SDB_ID_V11, 0);
  file[30] = file[31] = 0;
  for (const char* name : {"OLD1", "OLD2"}) {
    Bytes rec(SPK_V11_RECORD_SIZE, 0);
    std::memcpy(&rec[21], name, 4);
    std::memcpy(&rec[30], "alte Box", 8);
    float power = 50.0f;
    std::memcpy(&rec[104], &power, 4);
    for (int b = 0; b < 7; ++b)
      for (int r = 0; r < 36; ++r) std::memset(&rec[200 + b * 2592 + r * 72], 100 + r, 72);
    append(file, rec);
  }
  write_file(temp_path("old11.OSB"), file);
  ASSERT_EQ(sdb_open_path(temp_path("old11.OSB").c_str()), 1);
  ASSERT_EQ(g_sdb_index.count, 2);
  EXPECT_STREQ(g_sdb_index.names[1], "OLD2");
  ASSERT_EQ(sdb_read_type_head(1), 1);
  EXPECT_STREQ(g_type_head.description, "alte Box");
  EXPECT_EQ(g_type_head.rated_power[0], 50.0f);
  ASSERT_EQ(sdb_load_type(0, "OLD2"), 1);
  SpeakerRecord* rec = g_speaker_types.records[0];
  EXPECT_EQ(rec->format, 2);
  EXPECT_STREQ(rec->record_key, "QAXBELT K7.26  ");
  EXPECT_EQ(rec->balloon[3][35][0], 135);
  EXPECT_EQ(rec->balloon[3][36][0], 135);
  EXPECT_EQ(rec->balloon[0][0][0], 100);
}

TEST_F(SpeakerDbTest, TypeHeadOfV140Entry) {
  write_file(temp_path("head.OSB"), v140_two_records());
  ASSERT_EQ(sdb_open_path(temp_path("head.OSB").c_str()), 1);
  ASSERT_EQ(sdb_read_type_head(1), 1);
  EXPECT_STREQ(g_type_head.description, "Typ BETA");
  EXPECT_EQ(g_type_head.sensitivity[6], 96.0f);
  EXPECT_EQ(sdb_read_type_head(2), 0);
}

TEST_F(SpeakerDbTest, SampleDatabaseLoads) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  std::string path = std::string(generated) + "/BEISPIEL.OSB";
  ASSERT_EQ(sdb_open_path(path.c_str()), 1);
  EXPECT_TRUE(g_messages.empty());
  ASSERT_EQ(g_sdb_index.count, 4);
  const char* names[] = {"KUGEL12", "BOX2W", "HORN6040", "SUB18"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_STREQ(g_sdb_index.names[i], names[i]);
    ASSERT_EQ(sdb_load_type(i, names[i]), 1) << names[i];
    const SpeakerRecord* r = g_speaker_types.records[i];
    for (int b = 0; b < SPK_BANDS; ++b) {
      EXPECT_EQ(r->balloon[b][0][0], 225) << names[i] << b;  // on axis: 0 dB
      EXPECT_GT(r->rated_power[b], 0.0f);
      EXPECT_GE(r->q_factor[b], 10);
    }
    if (i != 1) {  // BOX2W uses the default symbol
      EXPECT_NE(r->symbol, nullptr) << names[i];
    }
  }
  const SpeakerRecord* horn = g_speaker_types.records[2];
  EXPECT_LT(horn->balloon[5][18][0], 225 - 5 * 20);  // 90 degrees off axis at 4 kHz: below -20 dB
  EXPECT_GT(horn->q_factor[5], horn->q_factor[0]);
  EXPECT_EQ(g_speaker_types.records[1]->symbol, g_default_speaker_symbol);
  EXPECT_EQ(g_speaker_types.records[0]->symbol->layer, 3u);
}

TEST(LegacyDrawing, ResourceSymbolsBuildBlocks) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  for (const char* name : {"LSTMPL", "XYZ_CROSS"}) {
    std::string path = std::string(generated) + "/" + name + ".bin";
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    Bytes data(100000);
    data.resize(std::fread(data.data(), 1, data.size(), f));
    std::fclose(f);
    DrawObject* block = legacy_block_from_resource_bytes(data.data(), data.size());
    ASSERT_NE(block, nullptr) << name;
    EXPECT_EQ(block->layer, 3u);
    EXPECT_EQ(block->kind, 16u);
    ASSERT_GE(block->node_count, 4u);
    const WorldPoint& axis = block->nodes[block->node_count - 2];
    const WorldPoint& up = block->nodes[block->node_count - 1];
    EXPECT_EQ(axis.x, 1.0f);
    EXPECT_EQ(up.z, 1.0f);
    EXPECT_TRUE(obj_elements_valid(block));
    EXPECT_EQ(legacy_block_from_resource_bytes(data.data(), data.size() - 1), nullptr);
    obj_free(block);
  }
}

// Resource layout: 2-byte elements, node << 2 | code.
TEST(LegacyDrawing, ResourceElementsUnpackAndRebase) {
  Bytes r(416, 0);
  auto chunk = [&](int nodes, std::vector<uint16_t> els, bool more) {
    Bytes h(18, 0);
    h[0] = uint8_t(nodes);
    h[2] = uint8_t(els.size());
    h[14] = more;
    append(r, h);
    for (int i = 0; i < nodes; ++i) append_f32(r, float(i)), append_f32(r, 0), append_f32(r, 0);
    for (uint16_t v : els) append_u16(r, v);
  };
  chunk(2, {0 << 2 | 0, 1 << 2 | 1}, true);
  chunk(3, {0 << 2 | 0, 1 << 2 | 1, 2 << 2 | 2}, false);
  DrawObject* block = legacy_block_from_resource_bytes(r.data(), r.size());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block->node_count, 7u);
  ASSERT_EQ(block->element_count, 5u);
  EXPECT_EQ(block->elements[4].code, 2);
  EXPECT_EQ(block->elements[4].value, 4);
  EXPECT_EQ(block->elements[2].value, 2);
  obj_free(block);
}

TEST_F(SpeakerDbTest, ShapeFileWithOldProjectLayoutTakesLayers0To2) {
  Bytes f(102, 0);
  std::memcpy(f.data(), "TEVRAN V1.27", 12);
  f.resize(102 + 384, 0);
  auto record = [&](uint16_t layer, int nodes, std::vector<uint16_t> els, uint16_t aux, bool more) {
    Bytes h(40, 0);
    put_u32(h, 4, more);
    h[32] = uint8_t(layer);
    h[34] = uint8_t(nodes);
    h[36] = uint8_t(els.size());
    h[38] = uint8_t(aux);
    append(f, h);
    f.resize(f.size() + aux, 0xAA);
    for (int i = 0; i < nodes; ++i) append_f32(f, float(layer)), append_f32(f, float(i)), append_f32(f, 0);
    for (uint16_t v : els) append_u16(f, v);
  };
  record(0, 3, {0, 1 << 2 | 1, 2 << 2 | 2}, 4, true);
  record(5, 2, {0, 1 << 2 | 1}, 0, true);  // not part of the shape
  record(2, 2, {0, 1 << 2 | 1}, 0, false);
  write_file(temp_path("old.tcf"), f);
  FILE* file = std::fopen(temp_path("old.tcf").c_str(), "rb");
  DrawObject* block = legacy_insert_drawing_block(file);
  std::fclose(file);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(g_obj_head, block);
  EXPECT_EQ(block->node_count, 7u);
  EXPECT_EQ(block->nodes[3].x, 2.0f);
  ASSERT_EQ(block->element_count, 5u);
  EXPECT_EQ(block->elements[4].value, 4);
  EXPECT_EQ(block->attributes, 134u);

  write_file(temp_path("junk.tcf"), Bytes(600, 7));
  file = std::fopen(temp_path("junk.tcf").c_str(), "rb");
  EXPECT_EQ(legacy_insert_drawing_block(file), nullptr);
  std::fclose(file);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Ung\xFCltige Datei, kann nicht geladen werden !");
}

// Files beyond the largest the formats allow are refused with a message
// before they are read (a sparse file: nothing is really written).
TEST_F(SpeakerDbTest, FilesLargerThanTheirFormatAllowsAreRefused) {
  std::string good = temp_path("good.OSB");
  write_file(good, v140_two_records());
  ASSERT_EQ(sdb_open_path(good.c_str()), 1);
  std::string huge_db = temp_path("huge.OSB");
  write_file(huge_db, v140_two_records());
  std::filesystem::resize_file(huge_db, static_cast<uintmax_t>(SDB_MAX_FILE_BYTES) + 1);
  g_messages.clear();
  EXPECT_EQ(sdb_open_path(huge_db.c_str()), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Die Datei ist zu gro\xDF f\xFCr eine Lautsprecherdatenbank und kann nicht geladen werden");
  EXPECT_EQ(std::string(g_sdb_index.path), good);
  EXPECT_EQ(g_sdb_index.count, 2);
  std::filesystem::remove(huge_db);

  std::string huge_drawing = temp_path("huge.tcf");
  Bytes head(32 + 384, 0);
  std::memcpy(head.data(), "TEVRAN 1.0     ", 15);
  write_file(huge_drawing, head);
  std::filesystem::resize_file(huge_drawing, LEGACY_DRAWING_MAX_BYTES + 1);
  g_messages.clear();
  FILE* file = std::fopen(huge_drawing.c_str(), "rb");
  EXPECT_EQ(legacy_insert_drawing_block(file), nullptr);
  std::fclose(file);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Die Zeichnungsdatei ist zu gro\xDF und kann nicht geladen werden");
  std::filesystem::remove(huge_drawing);
}

}  // namespace
