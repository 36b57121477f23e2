#include "materials/material.h"
#include "project/face_materials.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acoustics/rt60.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "framework/ui_seam.h"

namespace {

std::vector<std::string> g_messages;
int recording_box(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

MaterialRecord make_record(const char* name, float alpha) {
  MaterialRecord record{};
  std::strcpy(record.name, name);
  std::snprintf(record.description, sizeof record.description, "%s description", name);
  std::strcpy(record.category, "Wand");
  for (int band = 0; band < MATERIAL_BANDS; ++band) record.absorption[band] = alpha + 0.01f * band;
  record.reserved1[0] = 0x5A;  // reserved bytes travel unchanged
  record.reserved3[27] = 0xA5;
  return record;
}

// A database file built byte by byte, independent of the writer.
std::vector<uint8_t> file_bytes(const std::vector<MaterialRecord>& records) {
  std::vector<uint8_t> bytes(ABSORBER_DB_HEADER_BYTES, 0);
  std::memcpy(bytes.data(), "ORVANTE ABSORBER DATABASE V1.1", 30);
  for (const MaterialRecord& record : records) {
    uint8_t image[256] = {};
    std::memcpy(image, record.name, 23);
    std::memcpy(image + 23, record.description, 80);
    std::memcpy(image + 103, record.reserved1, 9);
    for (int band = 0; band < 7; ++band) {
      uint32_t bits;
      std::memcpy(&bits, &record.absorption[band], 4);
      for (int i = 0; i < 4; ++i) image[112 + 4 * band + i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    std::memcpy(image + 148, record.category, 80);
    std::memcpy(image + 228, record.reserved3, 28);
    bytes.insert(bytes.end(), image, image + 256);
  }
  return bytes;
}

class MaterialFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_messages.clear();
    ui_seams().message_box = recording_box;
    std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
    g_absorber_db_path[0] = 0;
    path_ = ::testing::TempDir() + "material_test.oab";
  }
  void TearDown() override {
    ui_reset_seams();
    std::remove(path_.c_str());
  }
  void write_file(const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!bytes.empty()) {
      ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    }
    std::fclose(file);
  }
  std::vector<uint8_t> read_back() {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (!file) return bytes;
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
    return bytes;
  }
  std::string path_;
};

TEST_F(MaterialFileTest, HandBuiltFileLoadsAndSavesByteForByte) {
  std::vector<MaterialRecord> records = {make_record("Beton", 0.01f), make_record("Teppich", 0.2f),
                                         make_record("Vorhang", 0.5f)};
  std::vector<uint8_t> bytes = file_bytes(records);
  std::vector<uint8_t> with_tail = bytes;
  with_tail.resize(bytes.size() + 100, 0x77);  // a partial record is ignored
  write_file(with_tail);

  ASSERT_TRUE(mat_load_absorber_db(path_.c_str()));
  EXPECT_TRUE(g_messages.empty());
  EXPECT_STREQ(g_absorber_db_path, path_.c_str());
  ASSERT_EQ(g_absorber_db.count, 3);
  EXPECT_STREQ(g_absorber_db.records[1].name, "Teppich");
  EXPECT_STREQ(g_absorber_db.records[1].description, "Teppich description");
  EXPECT_STREQ(g_absorber_db.records[1].category, "Wand");
  EXPECT_FLOAT_EQ(g_absorber_db.records[2].absorption[6], 0.56f);
  EXPECT_EQ(g_absorber_db.records[0].reserved3[27], 0xA5);

  ASSERT_TRUE(mat_save_absorber_db_to(path_.c_str()));
  EXPECT_EQ(read_back(), bytes);
}

TEST_F(MaterialFileTest, DamagedFilesAreRefusedAndKeepTheLoadedDatabase) {
  g_absorber_db.count = 1;
  g_absorber_db.records[0] = make_record("Alt", 0.3f);
  std::strcpy(g_absorber_db_path, "ALT.OAB");

  std::vector<uint8_t> good = file_bytes({make_record("Neu", 0.1f)});
  std::vector<uint8_t> nan_file = good, above_one = good, negative = good, ident30 = good;
  const float nan = std::nanf("");
  std::memcpy(&nan_file[32 + 112 + 8], &nan, 4);
  const float big = 1.5f, below = -0.1f;
  std::memcpy(&above_one[32 + 112], &big, 4);
  std::memcpy(&negative[32 + 112 + 24], &below, 4);
  ident30[30] = '!';
  std::vector<uint8_t> oversized = file_bytes(std::vector<MaterialRecord>(201, make_record("X", 0.1f)));
  std::vector<uint8_t> truncated(good.begin(), good.begin() + 20);
  std::vector<uint8_t> wrong = good;
  wrong[0] = 'X';

  struct Case { const char* what; std::vector<uint8_t> bytes; AbsorberDbStatus status; };
  const Case cases[] = {
      {"NaN coefficient", nan_file, AbsorberDbStatus::bad_record},
      {"coefficient above 1", above_one, AbsorberDbStatus::bad_record},
      {"negative coefficient", negative, AbsorberDbStatus::bad_record},
      {"201 records", oversized, AbsorberDbStatus::too_many},
      {"cut inside the identification", truncated, AbsorberDbStatus::bad_ident},
      {"empty file", {}, AbsorberDbStatus::bad_ident},
      {"wrong identification", wrong, AbsorberDbStatus::bad_ident},
      {"byte 30 not zero", ident30, AbsorberDbStatus::bad_ident},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    write_file(c.bytes);
    MaterialTable scratch{};
    EXPECT_EQ(mat_read_absorber_file(path_.c_str(), scratch), c.status);
    g_messages.clear();
    EXPECT_FALSE(mat_load_absorber_db(path_.c_str()));
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0], "Ung\xFCltige Datei, kann nicht geladen werden");
    EXPECT_EQ(g_absorber_db.count, 1);
    EXPECT_STREQ(g_absorber_db.records[0].name, "Alt");
    EXPECT_STREQ(g_absorber_db_path, "ALT.OAB");
  }
}

TEST_F(MaterialFileTest, EdgeFilesThatLoad) {
  // Byte 31 is not examined; 200 records fit; unterminated texts are cut.
  std::vector<uint8_t> bytes = file_bytes(std::vector<MaterialRecord>(200, make_record("Y", 0.0f)));
  bytes[31] = 'Z';
  std::memset(&bytes[32], 'N', 23);
  std::memset(&bytes[32 + 23], 'D', 80);
  std::memset(&bytes[32 + 148], 'K', 80);
  write_file(bytes);
  ASSERT_TRUE(mat_load_absorber_db(path_.c_str()));
  EXPECT_EQ(g_absorber_db.count, 200);
  EXPECT_EQ(std::strlen(g_absorber_db.records[0].name), 22u);
  EXPECT_EQ(std::strlen(g_absorber_db.records[0].description), 79u);
  EXPECT_EQ(std::strlen(g_absorber_db.records[0].category), 79u);

  write_file(file_bytes({}));  // identification only: an empty database
  ASSERT_TRUE(mat_load_absorber_db(path_.c_str()));
  EXPECT_EQ(g_absorber_db.count, 0);
}

TEST_F(MaterialFileTest, MissingFileChangesNothingSilently) {
  g_absorber_db.count = 2;
  EXPECT_FALSE(mat_load_absorber_db((path_ + ".missing").c_str()));
  EXPECT_TRUE(g_messages.empty());
  EXPECT_EQ(g_absorber_db.count, 2);
}

TEST_F(MaterialFileTest, FailedSaveIsReportedAndKeepsTheTable) {
  g_absorber_db.count = 1;
  g_absorber_db.records[0] = make_record("Bleibt", 0.4f);
  std::string folder_path = ::testing::TempDir();  // a folder cannot be opened as a file
  EXPECT_FALSE(mat_save_absorber_db_to(folder_path.c_str()));
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Kann Datei nicht speichern -Schreibschutz?");
  EXPECT_STREQ(g_absorber_db.records[0].name, "Bleibt");
}

// Project table rules: reuse by name, the last free slot, append, full.
class MaterialTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&g_material_table, 0, sizeof g_material_table);
    std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
    mat_reset_table();
  }
  int add_db(const char* name, float alpha) {
    g_absorber_db.records[g_absorber_db.count] = make_record(name, alpha);
    return g_absorber_db.count++;
  }
};

TEST_F(MaterialTableTest, ResetGivesTheDefaultMaterial) {
  g_material_table.records[0].reserved2[3] = 9;
  g_material_table.count = 7;
  g_rt60_measured[3] = 1.8;
  mat_reset_table();
  EXPECT_EQ(g_rt60_measured[3], 0.0);
  EXPECT_EQ(g_material_table.count, 1);
  EXPECT_STREQ(g_material_table.records[0].name, "100%");
  EXPECT_STREQ(g_material_table.records[0].description, "Absorber 100%");
  for (float value : g_material_table.records[0].absorption) EXPECT_EQ(value, 1.0f);
  EXPECT_EQ(g_material_table.records[0].reserved2[3], 9);
}

TEST_F(MaterialTableTest, AddReusesNamesAndFreeSlots) {
  int beton = add_db("Beton", 0.01f);
  int beton_other = add_db("Beton", 0.9f);  // same name, other coefficients
  int putz = add_db("Putz", 0.02f);
  int glas = add_db("Glas", 0.03f);
  int holz = add_db("Holz", 0.04f);
  int kork = add_db("Kork", 0.05f);
  int lower = add_db("beton", 0.06f);

  struct Step { const char* what; int db; int expected_index; int expected_count; };
  const Step steps[] = {
      {"new name appends", beton, 1, 2},
      {"equal name is reused as it stands", beton_other, 1, 2},
      {"names compare case-sensitively", lower, 2, 3},
      {"append", putz, 3, 4},
      {"append", glas, 4, 5},
      {"append", holz, 5, 6},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(mat_add_from_database(s.db), s.expected_index);
    EXPECT_EQ(g_material_table.count, s.expected_count);
  }
  EXPECT_FLOAT_EQ(g_material_table.records[1].absorption[0], 0.01f);

  // Slots 3 and 5 freed: the last free slot seen is reused, the count stays.
  g_material_table.records[3].name[0] = 0;
  g_material_table.records[5].name[0] = 0;
  EXPECT_EQ(mat_add_from_database(kork), 5);
  EXPECT_EQ(g_material_table.count, 6);
  EXPECT_STREQ(g_material_table.records[5].name, "Kork");
  EXPECT_EQ(g_material_table.records[5].reserved3[27], 0xA5);  // the whole record is copied
  EXPECT_EQ(mat_add_from_database(holz), 3);  // overwritten by Kork: takes the other free slot
  EXPECT_EQ(g_material_table.count, 6);
  EXPECT_EQ(mat_add_from_database(-1), -1);
  EXPECT_EQ(mat_add_from_database(g_absorber_db.count), -1);
}

TEST_F(MaterialTableTest, FullTableRefusesTheNextDistinctName) {
  for (int i = 1; i < MAX_MATERIALS; ++i) std::snprintf(g_material_table.records[i].name, 23, "M%d", i);
  g_material_table.count = MAX_MATERIALS;
  int existing = add_db("M7", 0.1f);
  int fresh = add_db("Neu", 0.1f);
  EXPECT_EQ(mat_add_from_database(existing), 7);
  EXPECT_EQ(mat_add_from_database(fresh), -1);
  EXPECT_EQ(g_material_table.count, MAX_MATERIALS);
}

TEST(MaterialRecordImage, EncodesFieldsAtTheirOffsets) {
  MaterialRecord record = make_record("Holz", 0.25f);
  uint8_t image[256];
  std::memset(image, 0xEE, sizeof image);
  mat_encode_record(record, image);
  EXPECT_STREQ(reinterpret_cast<const char*>(image), "Holz");
  EXPECT_STREQ(reinterpret_cast<const char*>(image + 23), "Holz description");
  EXPECT_EQ(image[103], 0x5A);
  EXPECT_STREQ(reinterpret_cast<const char*>(image + 148), "Wand");
  const uint8_t quarter[4] = {0x00, 0x00, 0x80, 0x3E};  // 0.25f little-endian
  EXPECT_EQ(std::memcmp(image + 112, quarter, 4), 0);
  EXPECT_EQ(image[255], 0xA5);
  MaterialRecord back{};
  EXPECT_TRUE(mat_decode_record(image, back));
  EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0);
}

}  // namespace

namespace {

// A face on a layer with a polygon 0, 3 (material), 1, 1, 2.
DrawObject* add_face(uint32_t layer, uint32_t kind, uint16_t material, bool selected = false) {
  DrawObject* face = obj_create(0, 4, 5);
  face->kind = kind;
  face->layer = layer;
  if (selected) face->attributes |= OBJ_ATTR_SELECTED;
  const ElementCode elements[5] = {{EL_START, 0}, {EL_MATERIAL, material}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}};
  std::memcpy(face->elements, elements, sizeof elements);
  obj_append(face);
  return face;
}

class MaterialFacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    std::memset(&g_material_table, 0, sizeof g_material_table);
    mat_reset_table();
    for (int i = 1; i < 6; ++i) std::snprintf(g_material_table.records[i].name, 23, "M%d", i);
    g_material_table.count = 6;
    g_modified = 0;
  }
  void TearDown() override { obj_free_all(); }
  std::string free_slots() {
    std::string slots;
    for (int i = 0; i < g_material_table.count; ++i)
      if (g_material_table.records[i].name[0] == 0) slots += std::to_string(i);
    return slots;
  }
};

TEST_F(MaterialFacesTest, PurgeFreesWhatNoRoomFaceUses) {
  struct Case { const char* what; void (*build)(); const char* freed; };
  const Case cases[] = {
      {"no faces: all but the default", [] {}, "12345"},
      {"room face and body keep theirs", [] { add_face(LAYER_ROOM, OBJ_KIND_FACE, 2); add_face(LAYER_ROOM, OBJ_KIND_BODY, 4); }, "135"},
      {"other layers and polylines do not count",
       [] { add_face(LAYER_LISTENER, OBJ_KIND_FACE, 1); add_face(LAYER_ROOM, OBJ_KIND_POLYLINE, 3); }, "12345"},
      {"index beyond the table is ignored", [] { add_face(LAYER_ROOM, OBJ_KIND_FACE, 9); }, "12345"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    c.build();
    mat_purge_unused();
    EXPECT_EQ(free_slots(), c.freed);
    EXPECT_EQ(g_material_table.count, 6);
    EXPECT_STREQ(g_material_table.records[0].name, "100%");
  }
}

TEST_F(MaterialFacesTest, PurgeThenAddReusesTheLastFreeSlot) {
  add_face(LAYER_ROOM, OBJ_KIND_FACE, 1);
  add_face(LAYER_ROOM, OBJ_KIND_FACE, 2);
  add_face(LAYER_ROOM, OBJ_KIND_FACE, 4);
  mat_purge_unused();
  EXPECT_EQ(free_slots(), "35");
  std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
  std::strcpy(g_absorber_db.records[0].name, "Neu");
  g_absorber_db.count = 1;
  EXPECT_EQ(mat_add_from_database(0), 5);
  EXPECT_EQ(g_material_table.count, 6);
}

TEST_F(MaterialFacesTest, AssignSetsTheMaterialOfSelectedFacesOnly) {
  DrawObject* chosen = add_face(LAYER_ROOM, OBJ_KIND_FACE, 0, true);
  DrawObject* other = add_face(LAYER_ROOM, OBJ_KIND_FACE, 0);
  DrawObject* body = add_face(LAYER_ROOM, OBJ_KIND_BODY, 1, true);
  // A second polygon in the body, and one without a material entry.
  body->elements = obj_realloc_elements(body->elements, 5, 14);
  const ElementCode more[9] = {{EL_START, 0}, {EL_MATERIAL, 2}, {EL_LINE, 1}, {EL_CLOSE, 2},
                               {EL_START, 1}, {EL_LINE, 2}, {EL_LINE, 3}, {EL_CLOSE, 0}, {EL_LINE, 3}};
  std::memcpy(body->elements + 5, more, sizeof more);
  body->element_count = 14;

  EXPECT_EQ(mat_assign_selected(3), 3);
  EXPECT_EQ(g_modified, 1);
  EXPECT_EQ(chosen->elements[1].value, 3);
  EXPECT_EQ(other->elements[1].value, 0);
  EXPECT_EQ(body->elements[1].value, 3);
  EXPECT_EQ(body->elements[6].value, 3);
  EXPECT_EQ(body->elements[10].code, EL_LINE);  // a polygon without the entry is left alone
  EXPECT_EQ(body->elements[10].value, 2);

  g_modified = 0;
  EXPECT_EQ(mat_assign_selected(6), 0);  // beyond the table: nothing
  EXPECT_EQ(g_modified, 0);
}

}  // namespace

TEST(SampleAbsorberDb, ShippedDatabaseLoads) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  std::string path = std::string(generated) + "/BEISPIEL.OAB";
  MaterialTable table{};
  ASSERT_EQ(mat_read_absorber_file(path.c_str(), table), AbsorberDbStatus::ok);
  EXPECT_GE(table.count, 20);
  EXPECT_STREQ(table.records[0].name, "Beton roh");
  EXPECT_STREQ(table.records[0].category, "Boden");
  EXPECT_FLOAT_EQ(table.records[0].absorption[2], 0.015f);
  for (int i = 0; i < table.count; ++i) EXPECT_GT(std::strlen(table.records[i].name), 0u) << i;
}
