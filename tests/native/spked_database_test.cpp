#include "speaker_editor/database_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/record_table.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_db.h"
#include "tests/native/run_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

std::vector<std::string> g_messages;
int record_message(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

SpeakerRecord make_record(const char* name, uint8_t fill) {
  SpeakerRecord r{};
  std::snprintf(r.type_name, sizeof r.type_name, "%s", name);
  std::snprintf(r.manufacturer, sizeof r.manufacturer, "Hersteller %s", name);
  r.format = SPK_RECORD_FORMAT;
  r.kind = 1;
  for (int b = 0; b < SPK_BANDS; ++b) r.sensitivity[b] = 90.0f + b;
  std::memset(r.balloon, fill, sizeof r.balloon);
  return r;
}

DrawObject* square(float z, uint32_t aux_size = 0) {
  DrawObject* o = obj_create(aux_size, 4, 4);
  for (uint32_t i = 0; i < 4; ++i) o->nodes[i] = WorldPoint{float(i & 1), float(i >> 1), z};
  const uint16_t codes[4] = {EL_START, EL_LINE, EL_LINE, EL_CLOSE};
  for (uint16_t i = 0; i < 4; ++i) o->elements[i] = ElementCode{codes[i], i};
  o->kind = OBJ_KIND_FACE;
  o->layer = 2;
  o->attributes = OBJ_ATTR_CREATED;
  if (aux_size) std::memset(o->aux, 'T', aux_size);
  return o;
}

RecordDrawing* drawing_of(std::initializer_list<DrawObject*> objects) {
  auto* d = new RecordDrawing{};
  for (DrawObject* o : objects) obj_list_append(d->head, d->tail, o);
  return d;
}

class EditorDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_reset_seams();
    ui_seams().message_box = record_message;
    g_messages.clear();
    spked_clear_table();
    dir_ = run_folder::fresh(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    spked_clear_table();
    ui_reset_seams();
    fs::remove_all(dir_);
  }
  std::string path(const char* name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

// A file with three records, the middle one with a two-object drawing.
Bytes sample_file() {
  spked_insert_record(make_record("ALPHA", 225), nullptr);
  spked_insert_record(make_record("BETA", 200), drawing_of({square(0.0f, 12), square(1.0f)}));
  spked_insert_record(make_record("GAMMA", 100), nullptr);
  Bytes bytes = spked_database_bytes();
  spked_clear_table();
  return bytes;
}

constexpr size_t SQUARE_CHUNK = 48 + 4 * 12 + 4 * 4;

TEST_F(EditorDatabase, WritesHeaderRecordsAndDrawingsThatTheCodecReads) {
  Bytes file = sample_file();
  ASSERT_EQ(file.size(), 32u + 3 * 19160 + 2 * SQUARE_CHUNK);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data())), "ORVANTE SPEAKER DATABASE V140");
  EXPECT_EQ(le_get_u16(&file[30]), 3);
  const char* names[] = {"ALPHA", "BETA", "GAMMA"};
  const uint8_t fills[] = {225, 200, 100};
  const uint32_t sizes[] = {0, 2 * SQUARE_CHUNK, 0};
  size_t pos = 32;
  for (int i = 0; i < 3; ++i) {
    Bytes image(file.begin() + long(pos), file.begin() + long(pos) + 19160);
    SpeakerRecord r;
    ASSERT_EQ(sdb_decode_record_from(r, image.data()), 1);
    EXPECT_STREQ(r.type_name, names[i]);
    EXPECT_EQ(r.balloon[6][36][71], fills[i]);
    EXPECT_EQ(uint32_t(r.shape_ref), sizes[i]);
    EXPECT_EQ(le_get_u32(&image[192]), 0u);  // no pointer reaches the file
    pos += 19160 + sizes[i];
  }
  // Texts are not stored: the first chunk's aux size is 0, the next field links.
  const uint8_t* chunk = &file[32 + 2 * 19160];
  EXPECT_EQ(le_get_u32(chunk + 44), 0u);
  EXPECT_EQ(le_get_u32(chunk + 4), 1u);
  EXPECT_EQ(le_get_u32(chunk + SQUARE_CHUNK + 4), 0u);
}

TEST_F(EditorDatabase, ReadsBackWhatItWrote) {
  Bytes file = sample_file();
  ASSERT_EQ(spked_read_database_bytes(file.data(), file.size(), false), SPKED_READ_OK);
  ASSERT_EQ(g_spked_table.count, 3);
  SpeakerRecord r;
  ASSERT_TRUE(spked_decode_slot(1, r));
  EXPECT_STREQ(r.type_name, "BETA");
  RecordDrawing* d = spked_record_drawing(1);
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->head, nullptr);
  EXPECT_EQ(d->head->aux_size, 0u);
  EXPECT_EQ(d->head->kind, uint32_t(OBJ_KIND_FACE));
  EXPECT_EQ(d->head->layer, 2u);
  EXPECT_FLOAT_EQ(d->tail->nodes[3].z, 1.0f);
  EXPECT_EQ(spked_record_drawing(0), nullptr);
  // Written again, the same bytes.
  EXPECT_EQ(spked_database_bytes(), file);
}

TEST_F(EditorDatabase, EmptyTableWritesTheHeaderOnly) {
  Bytes file = spked_database_bytes();
  EXPECT_EQ(file.size(), 32u);
  EXPECT_EQ(le_get_u16(&file[30]), 0);
}

// Every damaged file is refused and the table in memory stays as it was.
TEST_F(EditorDatabase, DamagedFilesAreRefusedWithTheTableUnchanged) {
  const Bytes good = sample_file();
  const size_t rec2 = 32 + 19160;          // the record with the drawing
  const size_t chunk1 = 32 + 2 * 19160;   // its first chunk
  auto set_shape_size = [&](Bytes& f, uint32_t size) {
    Bytes image(f.begin() + long(rec2), f.begin() + long(rec2) + 19160);
    SpeakerRecord r;
    sdb_decode_record_from(r, image.data());
    r.shape_ref = int32_t(size);
    sdb_encode_record_to(r, &f[rec2]);
  };
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"cut inside the last record", [](Bytes& f) { f.resize(f.size() - 100); }},
      {"more records counted than held", [](Bytes& f) { le_put_u16(&f[30], 4); }},
      {"negative count", [](Bytes& f) { le_put_u16(&f[30], 0x8000); }},
      {"record checksum", [](Bytes& f) { f[32 + 600] ^= 0x55; }},
      {"drawing larger than the file", [&](Bytes& f) { set_shape_size(f, 0x7FFFFFF0); }},
      {"drawing size short of its chunks", [&](Bytes& f) { set_shape_size(f, 2 * SQUARE_CHUNK - 4); }},
      {"drawing size beyond its chunks", [&](Bytes& f) { set_shape_size(f, 2 * SQUARE_CHUNK + 4); }},
      {"too many nodes", [&](Bytes& f) { le_put_u32(&f[chunk1 + 36], 5401); }},
      {"too many elements", [&](Bytes& f) { le_put_u32(&f[chunk1 + 40], 32761); }},
      {"node index past the nodes", [&](Bytes& f) { le_put_u16(&f[chunk1 + 48 + 48 + 2], 4); }},
      {"chunk list without end", [&](Bytes& f) { le_put_u32(&f[chunk1 + SQUARE_CHUNK + 4], 1); }},
  };
  for (const Case& c : cases) {
    spked_clear_table();
    spked_insert_record(make_record("KEEP", 42), drawing_of({square(5.0f)}));
    Bytes f = good;
    c.damage(f);
    EXPECT_EQ(spked_read_database_bytes(f.data(), f.size(), false), SPKED_READ_DAMAGED) << c.what;
    ASSERT_EQ(g_spked_table.count, 1) << c.what;
    SpeakerRecord r;
    ASSERT_TRUE(spked_decode_slot(0, r));
    EXPECT_STREQ(r.type_name, "KEEP") << c.what;
    ASSERT_NE(spked_record_drawing(0), nullptr);
  }
}

TEST_F(EditorDatabase, OpeningReplacesTheTableOnlyWithAGoodFile) {
  Bytes file = sample_file();
  spked_insert_record(make_record("OLD", 1), nullptr);
  Bytes damaged = file;
  damaged.resize(damaged.size() - 1);
  EXPECT_EQ(spked_read_database_bytes(damaged.data(), damaged.size(), true), SPKED_READ_DAMAGED);
  EXPECT_EQ(g_spked_table.count, 1);
  EXPECT_EQ(spked_read_database_bytes(file.data(), file.size(), true), SPKED_READ_OK);
  EXPECT_EQ(g_spked_table.count, 3);
}

TEST_F(EditorDatabase, OtherFilesAreNamedForWhatTheyAre) {
  Bytes other(64, 0);
  std::memcpy(other.data(), "ORVANTE ABSORBER DATABASE V1.1", 30);
  EXPECT_EQ(spked_read_database_bytes(other.data(), other.size(), false), SPKED_READ_INVALID);
  std::memcpy(other.data(), SDB_ID_V130, 30);
  EXPECT_EQ(spked_read_database_bytes(other.data(), other.size(), false), SPKED_READ_OLD_VERSION);
  EXPECT_EQ(spked_read_database_bytes(other.data(), 31, false), SPKED_READ_INVALID);  // shorter than a header
  EXPECT_EQ(spked_read_database(path("none.osb").c_str(), false), SPKED_READ_CANNOT_OPEN);
  EXPECT_EQ(g_spked_table.count, 0);
}

TEST_F(EditorDatabase, AppendingStopsAtFiveHundredRecords) {
  Bytes file = sample_file();
  for (int i = 0; i < 498; ++i) spked_insert_record(make_record("FILL", 1), nullptr);
  EXPECT_EQ(spked_read_database_bytes(file.data(), file.size(), false), SPKED_READ_TABLE_FULL);
  EXPECT_EQ(g_spked_table.count, 500);
  EXPECT_EQ(g_spked_current_index, 499);
  SpeakerRecord r;
  ASSERT_TRUE(spked_decode_slot(499, r));
  EXPECT_STREQ(r.type_name, "BETA");
}

TEST_F(EditorDatabase, SavesThroughATemporaryFileAndKeepsABackup) {
  std::string file = path("LS.OSB");
  spked_insert_record(make_record("ONE", 225), nullptr);
  ASSERT_TRUE(spked_write_database(file.c_str()));
  EXPECT_EQ(fs::file_size(file), 32u + 19160);
  spked_insert_record(make_record("TWO", 225), nullptr);
  ASSERT_TRUE(spked_write_database(file.c_str()));
  EXPECT_EQ(fs::file_size(file), 32u + 2 * 19160);
  EXPECT_EQ(fs::file_size(path("LS_old.OSB")), 32u + 19160);
  EXPECT_FALSE(fs::exists(file + ".tmp"));
  EXPECT_FALSE(spked_write_database(path("missing/folder/X.OSB").c_str()));
}

// ---- conversion of the previous version ----

void put_u16(Bytes& b, uint16_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void put_u32(Bytes& b, uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i))); }
void put_f32(Bytes& b, float f) { uint32_t u; std::memcpy(&u, &f, 4); put_u32(b, u); }

Bytes v130_file(const std::vector<SpeakerRecord>& records, bool damage_first) {
  Bytes f(32, 0);
  std::memcpy(f.data(), SDB_ID_V130, 29);
  for (size_t i = 0; i < records.size(); ++i) {
    Bytes image(19160);
    sdb_encode_record_to(records[i], image.data());
    if (damage_first && i == 0) image[1000] ^= 0xFF;
    f.insert(f.end(), image.begin(), image.end());
  }
  return f;
}

// "TEVRAN 1.0" drawing: two chunks of a triangle each.
Bytes tevran_drawing() {
  Bytes f(32, 0);
  std::memcpy(f.data(), "TEVRAN 1.0     ", 15);
  f.resize(32 + 384, 0);
  for (int chunk = 0; chunk < 2; ++chunk) {
    put_u16(f, 3);
    put_u16(f, 3);
    f.resize(f.size() + 10, 0);
    put_u32(f, chunk == 0 ? 1 : 0);
    for (int n = 0; n < 3; ++n) put_f32(f, float(n)), put_f32(f, float(chunk)), put_f32(f, 0.0f);
    for (uint16_t n = 0; n < 3; ++n) put_u16(f, n == 0 ? EL_START : n == 1 ? EL_LINE : EL_CLOSE), put_u16(f, n);
  }
  return f;
}

void write_file(const std::string& path, const Bytes& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

TEST_F(EditorDatabase, ConvertsThePreviousVersionWithItsSideDrawings) {
  std::string file = path("OLD.OSB");
  write_file(file, v130_file({make_record("BAD", 1), make_record("BOX  ", 50), make_record("HORN", 60)}, true));
  write_file(path("BOX.TCF"), tevran_drawing());
  ASSERT_TRUE(spked_convert_v130_database(file.c_str()));
  EXPECT_EQ(g_messages, std::vector<std::string>{"Datensatz kann nicht gelesen werden"});
  EXPECT_FALSE(fs::exists(path("BOX.TCF")));
  EXPECT_FALSE(fs::exists(file + ".tmp"));
  ASSERT_EQ(spked_read_database(file.c_str(), false), SPKED_READ_OK);
  ASSERT_EQ(g_spked_table.count, 2);
  SpeakerRecord r;
  ASSERT_TRUE(spked_decode_slot(0, r));
  EXPECT_STREQ(r.type_name, "BOX");  // trailing blanks cut
  RecordDrawing* d = spked_record_drawing(0);
  ASSERT_NE(d, nullptr);
  ASSERT_EQ(d->head, d->tail);  // one merged body
  EXPECT_EQ(d->head->node_count, 6u);
  EXPECT_EQ(d->head->elements[5].value, 5);  // rebased into the merged nodes
  EXPECT_EQ(d->head->kind, uint32_t(OBJ_KIND_BODY));
  EXPECT_EQ(spked_record_drawing(1), nullptr);
}

TEST_F(EditorDatabase, AConversionWithoutGoodRecordsChangesNothing) {
  std::string file = path("OLD.OSB");
  Bytes old = v130_file({make_record("BOX", 50)}, true);
  write_file(file, old);
  write_file(path("BOX.TCF"), tevran_drawing());
  EXPECT_FALSE(spked_convert_v130_database(file.c_str()));
  Bytes now;
  ASSERT_TRUE(le_read_file(file.c_str(), now, 1 << 20));
  EXPECT_EQ(now, old);
  EXPECT_TRUE(fs::exists(path("BOX.TCF")));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 2);
  EXPECT_FALSE(spked_convert_v130_database(path("absent.osb").c_str()));
}

// ---- table operations ----

TEST_F(EditorDatabase, DeleteSortAndTheOwnerStamp) {
  std::snprintf(g_spked_session_password, sizeof g_spked_session_password, "%s", "geheim");
  g_spked_current = make_record("ZED", 1);
  ASSERT_TRUE(spked_append_new_record());
  g_spked_current = make_record("ALF", 2);
  ASSERT_TRUE(spked_append_new_record());
  EXPECT_EQ(g_spked_current.record_key[0], '\0');  // the working copy is not stamped
  SpeakerRecord r;
  ASSERT_TRUE(spked_decode_slot(1, r));
  EXPECT_STREQ(r.record_key, "geheim");
  EXPECT_TRUE(spked_record_changeable(r));
  g_spked_session_password[0] = '\0';
  EXPECT_FALSE(spked_record_changeable(r));
  spked_sort_records();
  ASSERT_TRUE(spked_decode_slot(0, r));
  EXPECT_STREQ(r.type_name, "ALF");
  g_spked_current_index = 1;
  g_spked_modified = 0;
  spked_delete_current_record();
  EXPECT_EQ(g_spked_table.count, 1);
  EXPECT_EQ(g_spked_current_index, 0);  // past the end: back to the first
  EXPECT_EQ(g_spked_modified, 1);
}

}  // namespace
