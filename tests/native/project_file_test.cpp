#include "project/project_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "acoustics/coverage.h"
#include "project/map_file.h"
#include "acoustics/room_check.h"
#include "acoustics/rt60.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/eq_rule.h"
#include "design/speaker_dialog.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "project/model_reset.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_db.h"
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
  g_coverage_valid = 0;
  std::memset(&g_title_block, 0, sizeof g_title_block);
  std::snprintf(g_project_path, sizeof g_project_path, "PROJEKT1.OPR");
}

std::string temp_dir() {
  static std::string dir = run_folder::fresh("project").string();
  return dir;
}

std::string temp_path(const char* name) { return temp_dir() + "/" + name; }

std::vector<uint8_t> read_all(const std::string& path) {
  std::vector<uint8_t> data;
  le_read_file(path.c_str(), data, PROJECT_MAX_FILE_BYTES);
  return data;
}

void write_all(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!data.empty()) std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

// ------------------------------------------------- a file from the layout

void chunk_header(ByteWriter& w, uint32_t next, uint32_t kind, uint32_t attributes, uint32_t colour,
                  uint32_t layer, uint32_t nodes, uint32_t elements, uint32_t aux) {
  const uint32_t words[12] = {0xDEAD, next, 0xBEEF, 0x1111, 0x2222, kind, attributes, colour, layer,
                              nodes, elements, aux};
  for (uint32_t v : words) w.u32(v);
}

void nodes(ByteWriter& w, std::initializer_list<float> xyz) {
  for (float v : xyz) w.f32(v);
}

void elements(ByteWriter& w, std::initializer_list<std::pair<uint16_t, uint16_t>> list) {
  for (auto [code, value] : list) {
    w.u16(code);
    w.u16(value);
  }
}

std::vector<uint8_t> clear_speaker_image(const char* type, int32_t symbol_position) {
  std::vector<uint8_t> image(PROJECT_SPEAKER_RECORD_BYTES, 0);
  std::memcpy(&image[0], "ACME", 4);
  std::memcpy(&image[21], type, std::strlen(type));
  std::memcpy(&image[30], "Testbox", 7);
  image[71] = 2;
  le_put_u16(&image[72], 1);
  for (int b = 0; b < 7; ++b) {
    le_put_f32(&image[76 + 4 * b], 95.0f + b);
    le_put_f32(&image[104 + 4 * b], 100.0f);
    le_put_u16(&image[146 + 2 * b], 50);
  }
  le_put_u32(&image[196], static_cast<uint32_t>(symbol_position));
  std::memcpy(&image[470], "geheim", 6);
  for (int i = 0; i < SPK_BALLOON_SIZE; ++i) image[512 + i] = static_cast<uint8_t>(200 + i % 50);
  return image;
}

void material(ByteWriter& w, const char* name, float alpha) {
  uint8_t r[256] = {};
  std::memcpy(r, name, std::strlen(name));
  std::memcpy(r + 23, "Beschreibung", 12);
  for (int b = 0; b < 7; ++b) le_put_f32(r + 112 + 4 * b, alpha);
  std::memcpy(r + 148, "Wand", 4);
  w.bytes(r, 256);
}

// A hall written field by field from the byte layout: one face with a
// material entry, a listener area, a switched-on loudspeaker, its block
// symbol, an aim line, an auxiliary polyline, the title block, one scrambled
// loudspeaker type and two materials.
std::vector<uint8_t> hand_built_project() {
  ByteWriter w;
  w.bytes("ORVANTE V2.80  ", 16);
  w.u8(1);  // Eyring
  w.zeros(3);
  w.i16(1);  // YZ view
  w.f32(0.25f);
  w.u16(0);  // snap off: never restored
  w.f32(20.0f);
  w.u16(1);
  for (int b = 0; b < 7; ++b) w.f32(1.5f + 0.1f * b);
  w.f32(2.0f);
  for (int i = 0; i < 24; ++i) w.u8(static_cast<uint8_t>(0xA0 + i));
  for (int16_t v : {1, 3, 4, 2, 3, 1}) w.i16(v);
  EXPECT_EQ(w.buffer().size(), 102u);
  for (int i = 0; i < 16; ++i) {
    char name[22] = {};
    std::snprintf(name, sizeof name, "SCHICHT %d", i + 1);
    w.bytes(name, 22);
    w.u16(i == 5 ? 1 : 0);
  }
  // 0: face on layer 0, material 1
  chunk_header(w, 1, 8, 2, 33, 0, 4, 6, 0);
  nodes(w, {0, 0, 0, 10, 0, 0, 10, 8, 0, 0, 8, 0});
  elements(w, {{0, 0}, {3, 1}, {1, 1}, {1, 2}, {1, 3}, {2, 0}});
  // 1: listener area
  chunk_header(w, 1, 8, 0, 3, 1, 3, 4, 0);
  nodes(w, {1, 1, 1.2f, 9, 1, 1.2f, 9, 7, 1.2f});
  elements(w, {{0, 0}, {1, 1}, {1, 2}, {2, 0}});
  // 2: block symbol of the type on layer 3, two of its nodes stored
  chunk_header(w, 1, 16, 134, 7, 3, 2, 2, 0);
  nodes(w, {0, 0, 0, 0.3f, 0, 0});
  elements(w, {{0, 0}, {1, 1}});
  // 3: the loudspeaker, switched on, type 0
  chunk_header(w, 1, 16, 16, 27, 2, 2, 2, 152);
  uint8_t ps[152] = {};
  std::memcpy(ps, "LS1", 3);
  le_put_u16(ps + 22, 1);
  le_put_u16(ps + 24, 1);
  le_put_f32(ps + 26, 100.0f);
  le_put_f32(ps + 118, 5.0f);
  le_put_f32(ps + 122, 0.5f);
  le_put_f32(ps + 126, 3.0f);
  le_put_f32(ps + 130, 1.5707963f);
  le_put_u16(ps + 142, 0);
  w.bytes(ps, 152);
  nodes(w, {5, 0.5f, 3, 5, 0.8f, 3});
  elements(w, {{0, 0}, {1, 1}});
  // 4: aim line
  chunk_header(w, 1, 1, 0, 22, 4, 2, 2, 0);
  nodes(w, {5, 0.5f, 3, 5, 8, 0});
  elements(w, {{0, 0}, {1, 1}});
  // 5: auxiliary polyline in colour 14
  chunk_header(w, 1, 1, 0, 14, 7, 2, 2, 0);
  nodes(w, {0, 0, 3, 10, 0, 3});
  elements(w, {{0, 0}, {1, 1}});
  // title block carrier
  chunk_header(w, 0, 33, 0xE0, 0, 0, 0, 0, 742);
  uint8_t title[742] = {};
  std::memcpy(title + 162, "Projekt", 7);
  std::memcpy(title + 173, "Stadthalle", 10);
  w.bytes(title, 742);
  w.i16(1);
  std::vector<uint8_t> image = clear_speaker_image("BOX12", 2);
  sdb_encode_record(image.data());
  w.bytes(image.data(), image.size());
  w.i16(2);
  material(w, "100%", 1.0f);
  material(w, "Beton", 0.02f);
  return w.buffer();
}

std::vector<uint8_t> live_bytes() {
  ProjectStage* stage = proj_stage_new();
  proj_capture(*stage);
  ByteWriter out;
  proj_serialize(*stage, out);
  proj_stage_free(stage);
  return out.buffer();
}

class ProjectFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_seams().message_box = record_box;
    g_messages.clear();
    cad_new_document_hook = new_project;
    new_project();
    g_modified = 0;
  }
  void TearDown() override {
    new_project();
    ui_reset_seams();
    cad_new_document_hook = nullptr;
  }
};

}  // namespace

TEST_F(ProjectFile, HandBuiltFileOpensWithItsObjectsTypesAndSettings) {
  const std::string path = temp_path("HALLE.OPR");
  write_all(path, hand_built_project());
  g_view.coord_snap = 1;
  g_view.point_snap = 0;
  ASSERT_EQ(proj_load(path.c_str()), 1);
  EXPECT_TRUE(g_messages.empty());
  ASSERT_EQ(obj_count(), 6);  // the title-block carrier is not left in the list
  EXPECT_EQ(obj_count_room(nullptr), 1);
  EXPECT_EQ(obj_count_listener(), 1);
  EXPECT_EQ(obj_count_speaker(), 1);
  EXPECT_EQ(obj_count_aux(), 1);
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    switch (o->layer) {
      case 0:
        EXPECT_EQ(o->colour, 0u);
        EXPECT_EQ(o->attributes, 2u);
        EXPECT_EQ(o->elements[1].code, 3);
        EXPECT_EQ(o->elements[1].value, 1);
        break;
      case 1: EXPECT_EQ(o->colour, 21u); break;
      case 2: {
        EXPECT_EQ(o->colour, 12u);
        PlacedSpeaker* ps = spk_placed_of(o);
        ASSERT_NE(ps, nullptr);
        EXPECT_EQ(ps->object, o);
        EXPECT_STREQ(ps->name, "LS1");
        EXPECT_FLOAT_EQ(ps->position[2], 3.0f);
        break;
      }
      case 3:
        ASSERT_EQ(o->node_count, 4u);  // two stored nodes and the two axis nodes
        EXPECT_FLOAT_EQ(o->nodes[2].x, 1.f);
        EXPECT_FLOAT_EQ(o->nodes[3].z, 1.f);
        EXPECT_EQ(o->colour, 7u);
        break;
      case 4:
        EXPECT_EQ(o->attributes, 128u);
        EXPECT_EQ(o->colour, 0u);
        break;
      case 7: EXPECT_EQ(o->colour, 14u); break;
      default: ADD_FAILURE() << "layer " << o->layer;
    }
  }
  EXPECT_STREQ(g_layers[0].name, "SCHICHT 1");
  EXPECT_EQ(g_layers[5].visible, 1);
  EXPECT_EQ(g_layers[3].visible, 0);
  EXPECT_STREQ(g_title_block.rows[0].label, "Projekt");
  EXPECT_STREQ(g_title_block.rows[0].text, "Stadthalle");
  ASSERT_EQ(g_speaker_types.count, 1);
  const SpeakerRecord* type = g_speaker_types.records[0];
  EXPECT_STREQ(type->type_name, "BOX12");
  EXPECT_FLOAT_EQ(type->sensitivity[2], 97.0f);
  EXPECT_EQ(type->balloon[0][0][1], 201);
  EXPECT_EQ(type->symbol, obj_at_index(obj_index_of(type->symbol)));
  EXPECT_EQ(type->symbol->layer, 3u);
  ASSERT_EQ(g_material_table.count, 2);
  EXPECT_STREQ(g_material_table.records[1].name, "Beton");
  EXPECT_FLOAT_EQ(g_material_table.records[1].absorption[6], 0.02f);
  EXPECT_EQ(g_view.kind, 1);
  EXPECT_FLOAT_EQ(g_view.snap_distance, 0.25f);
  EXPECT_EQ(g_view.coord_snap, 1);  // the stored snap switches are not restored
  EXPECT_EQ(g_view.point_snap, 0);
  EXPECT_DOUBLE_EQ(g_view.node_snap_distance, 20.0);
  EXPECT_FLOAT_EQ(g_view.grid_size, 2.0f);
  EXPECT_EQ(g_rt60_method, 1);
  EXPECT_NEAR(g_rt60_measured[6], 2.1, 1e-6);
  EXPECT_EQ(g_calc_options.scale_index, 3);
  EXPECT_EQ(g_calc_options.summation_mode, 3);
  EXPECT_EQ(g_calc_options.flags, 1);
  EXPECT_EQ(g_coverage_valid, 0);
  EXPECT_EQ(std::string(g_project_path).size(), path.size());
}

// A calculated result over the hand-built hall: one listener area, two points, one pick.
void set_up_coverage_result() {
  g_listener_areas = static_cast<ListenerArea*>(std::calloc(1, sizeof(ListenerArea)));
  g_listener_areas[0] = ListenerArea{g_obj_head->next, 0, 0, 48, 57.6f, 1, 9, 1, 7, 1.2f};
  g_listener_area_count = 1;
  g_grid_half_spacing = 0.5f;
  std::memset(g_band_speaker_counts, 0, sizeof g_band_speaker_counts);
  CoverageGrid& g = g_coverage_grid;
  g.point_count = 2;
  for (int b = 0; b < 7; ++b) {
    g.min_energy[b] = 2.f;
    g.max_energy[b] = 1e5f;
    g.min_time[b] = 4.f;
    g.max_time[b] = 30.f;
    for (int i = 0; i < 2; ++i) {
      g.points[i].energy[b] = i ? 2.f : 1e5f;
      g.points[i].time[b] = i ? 30.f : 4.f;
    }
  }
  g.points[1].x = 2.f;
  g_map_picks[0] = 1;
  g_map_pick_count = 1;
  g_coverage_valid = 1;
  std::snprintf(g_view.comment, sizeof g_view.comment, "Mit Pegelkarte");
}

TEST_F(ProjectFile, SaveOpenSaveGivesIdenticalBytesAndPassesReservedBytesOn) {
  const std::string a = temp_path("RUND.OPR");
  const std::string b = temp_path("RUND2.OPR");
  write_all(a, hand_built_project());
  ASSERT_EQ(proj_load(a.c_str()), 1);
  // Objects of the remaining kinds: text, a group with its markers, a ray path.
  DrawObject* text = obj_create(16, 1, 0);
  text->kind = OBJ_KIND_TEXT;
  text->layer = 7;
  std::memcpy(text->aux, "Bühne", 6);
  obj_append(text);
  for (uint32_t kind : {uint32_t(OBJ_KIND_GROUP_BEGIN), uint32_t(OBJ_KIND_POLYLINE), uint32_t(OBJ_KIND_GROUP_END)}) {
    DrawObject* o = obj_create(0, kind == OBJ_KIND_POLYLINE ? 2 : 0, kind == OBJ_KIND_POLYLINE ? 2 : 0);
    o->kind = kind;
    o->layer = 7;
    o->attributes = kind == OBJ_KIND_GROUP_END ? 4 : 2;
    if (o->element_count) o->elements[1] = ElementCode{EL_LINE, 1};
    obj_append(o);
  }
  DrawObject* marker = obj_create(0, 0, 0);  // grouped loudspeakers have their markers on layer 2
  marker->kind = OBJ_KIND_GROUP_BEGIN;
  marker->layer = 2;
  obj_append(marker);
  DrawObject* ray = obj_create(40, 2, 2);
  ray->layer = 5;
  ray->kind = OBJ_KIND_POLYLINE;
  ray->colour = 40;
  ray->elements[1] = ElementCode{EL_LINE, 1};
  obj_append(ray);
  set_up_coverage_result();
  g_modified = 1;
  ASSERT_EQ(proj_save_to(b.c_str()), 1);
  EXPECT_EQ(g_modified, 0);
  std::vector<uint8_t> first = read_all(b);
  EXPECT_EQ(first[66], 0xA0);  // reserved header bytes of the file read
  EXPECT_EQ(first[89], 0xB7);
  g_coverage_valid = 0;
  g_map_pick_count = 0;
  ASSERT_EQ(proj_load(b.c_str()), 1);
  EXPECT_EQ(obj_count(), 12);
  EXPECT_EQ(g_coverage_valid, 1);  // the map block came back
  EXPECT_EQ(g_coverage_grid.point_count, 2u);
  EXPECT_FLOAT_EQ(g_coverage_grid.points[1].x, 2.f);
  EXPECT_EQ(g_map_pick_count, 1);
  EXPECT_STREQ(g_map_description, "Mit Pegelkarte");
  ASSERT_EQ(proj_save_to(a.c_str()), 1);
  EXPECT_EQ(read_all(a), first);
  EXPECT_TRUE(g_messages.empty());
}

TEST_F(ProjectFile, EmptyProjectRoundTrips) {
  const std::string path = temp_path("LEER.OPR");
  mat_reset_table();
  ASSERT_EQ(proj_save_to(path.c_str()), 1);
  std::vector<uint8_t> saved = read_all(path);
  ASSERT_EQ(saved.size(), 102u + 384 + 48 + 742 + 2 + 2 + 256);
  EXPECT_EQ(le_get_u32(&saved[486 + 20]), 33u);  // the title-block carrier is always there
  ASSERT_EQ(proj_load(path.c_str()), 1);
  EXPECT_EQ(obj_count(), 0);
  EXPECT_EQ(g_material_table.count, 1);
  EXPECT_EQ(live_bytes(), saved);
}

TEST_F(ProjectFile, BackupHoldsThePreviousFileAfterASecondSave) {
  const std::string path = temp_path("SICHER.opr");
  write_all(path, hand_built_project());
  const std::vector<uint8_t> before = read_all(path);
  ASSERT_EQ(proj_load(path.c_str()), 1);
  obj_free(g_obj_tail);
  ASSERT_EQ(proj_save_to(path.c_str()), 1);
  EXPECT_EQ(read_all(temp_path("SICHER_old.OPR")), before);
  EXPECT_NE(read_all(path), before);
}

TEST_F(ProjectFile, FailedWriteKeepsThePreviousFileAndSaysSo) {
  const std::string path = temp_path("GESPERRT.OPR");
  write_all(path, hand_built_project());
  const std::vector<uint8_t> before = read_all(path);
  ASSERT_TRUE(std::filesystem::create_directory(path + ".tmp"));  // the temporary file cannot be created
  std::snprintf(g_project_path, sizeof g_project_path, "VORHER.OPR");
  g_modified = 1;
  EXPECT_EQ(proj_save_to(path.c_str()), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Kann Datei nicht speichern -Schreibschutz?");
  EXPECT_EQ(read_all(path), before);
  EXPECT_EQ(g_modified, 1);
  EXPECT_STREQ(g_project_path, "VORHER.OPR");
  std::filesystem::remove(path + ".tmp");
}

TEST(ProjectNames, ExtensionAndBackupName) {
  char p[64] = "C:\\HALLE";
  proj_ensure_extension(p, sizeof p);
  EXPECT_STREQ(p, "C:\\HALLE.OPR");
  std::snprintf(p, sizeof p, "saal.opr");
  proj_ensure_extension(p, sizeof p);
  EXPECT_STREQ(p, "saal.opr");  // kept as typed
  char b[64];
  proj_backup_name(p, b, sizeof b);
  EXPECT_STREQ(b, "saal_old.OPR");
}

TEST(ProjectHeaderCodec, SignatureAndVersion) {
  ProjectHeader h;
  proj_default_header(h);
  EXPECT_TRUE(proj_has_signature(h));
  EXPECT_EQ(proj_signature_version(h), 280);
  std::memcpy(h.signature, "ORVANTE V1.27  ", 16);
  EXPECT_EQ(proj_signature_version(h), 127);
  uint8_t bytes[102];
  proj_encode_header(h, bytes);
  ProjectHeader back;
  proj_decode_header(bytes, back);
  uint8_t again[102];
  proj_encode_header(back, again);
  EXPECT_EQ(std::memcmp(bytes, again, 102), 0);
}

namespace {

constexpr size_t FIRST_CHUNK = 486;
constexpr size_t SPEAKER_CHUNK = 786;
constexpr size_t AUX_CHUNK = 1098;
constexpr size_t SPEAKER_COUNT = 1968;
constexpr size_t MATERIAL_COUNT = 21130;

struct Damage {
  const char* what;
  size_t offset;
  int width;  // 2 or 4
  uint32_t value;
};

}  // namespace

TEST_F(ProjectFile, DamagedFilesAreRefusedAndTheOpenProjectStays) {
  const std::vector<uint8_t> good = hand_built_project();
  ASSERT_EQ(le_get_u16(&good[SPEAKER_COUNT]), 1);
  ASSERT_EQ(le_get_u16(&good[MATERIAL_COUNT]), 2);
  ASSERT_EQ(good.size(), MATERIAL_COUNT + 2 + 512);
  const std::string open = temp_path("OFFEN.OPR");
  write_all(open, good);
  ASSERT_EQ(proj_load(open.c_str()), 1);
  g_modified = 1;
  const std::vector<uint8_t> live = live_bytes();
  const std::string path_before = g_project_path;

  const std::string bad = temp_path("KAPUTT.OPR");
  auto refused = [&](const std::vector<uint8_t>& file) {
    write_all(bad, file);
    g_messages.clear();
    int r = proj_load(bad.c_str());
    bool intact = live_bytes() == live && path_before == g_project_path && g_modified == 1;
    return r == 0 && intact && g_messages.size() == 1 &&
           g_messages[0] == "Ung\xFCltige Datei, kann nicht geladen werden !";
  };
  // Cut anywhere: through the header, the layers, each chunk, the type
  // record and the materials.
  for (size_t cut = 0; cut < good.size(); cut += (cut >= FIRST_CHUNK && cut < 1200) ? 1 : 23)
    ASSERT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + cut))) << "cut at " << cut;

  const Damage damages[] = {
      {"bad signature", 0, 4, 0x4F524F46},
      {"layer beyond the table", FIRST_CHUNK + 32, 4, 32},
      {"huge node count", FIRST_CHUNK + 36, 4, 0x40000000},
      {"more nodes than an object holds", FIRST_CHUNK + 36, 4, MAX_OBJECT_NODES + 1},
      {"more elements than the file holds", FIRST_CHUNK + 40, 4, 5000},
      {"huge aux size", FIRST_CHUNK + 44, 4, 0xFFFFFFF0},
      {"element names a missing node", FIRST_CHUNK + 48 + 48 + 8 + 2, 2, 4},
      {"material beyond the table", FIRST_CHUNK + 48 + 48 + 4 + 2, 2, 200},
      {"colour beyond the palette", AUX_CHUNK + 28, 4, 64},
      {"negative type count", SPEAKER_COUNT, 2, 0xFFFF},
      {"too many types", SPEAKER_COUNT, 2, 501},
      {"types beyond the file", SPEAKER_COUNT, 2, 2},
      {"negative material count", MATERIAL_COUNT, 2, 0x8000},
      {"too many materials", MATERIAL_COUNT, 2, 201},
      {"materials beyond the file", MATERIAL_COUNT, 2, 3},
      {"absorption beyond 1", MATERIAL_COUNT + 2 + 256 + 112, 4, 0x40000000},
      // The list seems to end with the first chunk: what follows would be
      // read as the tables, losing the rest of the drawing, the title block,
      // the types and the materials.
      {"list ends after the first chunk", FIRST_CHUNK + 4, 4, 0},
      {"list ends before the title block", AUX_CHUNK + 4, 4, 0},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> f = good;
    if (d.width == 2) le_put_u16(&f[d.offset], static_cast<uint16_t>(d.value));
    else le_put_u32(&f[d.offset], d.value);
    EXPECT_TRUE(refused(f)) << d.what;
  }
  // A chunk chain that never ends runs into the end of the file.
  std::vector<uint8_t> endless = good;
  le_put_u32(&endless[1178 + 4], 1);
  EXPECT_TRUE(refused(endless));

  g_messages.clear();
  EXPECT_EQ(proj_load(temp_path("FEHLT.OPR").c_str()), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Kann Datei nicht finden");
  EXPECT_EQ(live_bytes(), live);
}

// A file without materials still gives its faces the default material.
TEST_F(ProjectFile, MaterialTableAlwaysStartsWithTheDefaultMaterial) {
  std::vector<uint8_t> f = hand_built_project();
  f.resize(MATERIAL_COUNT + 2);
  le_put_u16(&f[MATERIAL_COUNT], 0);
  const std::string path = temp_path("OHNE_MAT.OPR");
  write_all(path, f);
  ASSERT_EQ(proj_load(path.c_str()), 1) << (g_messages.empty() ? "" : g_messages[0]);
  ASSERT_EQ(g_material_table.count, 1);
  MaterialRecord want;
  mat_set_default(want);
  EXPECT_STREQ(g_material_table.records[0].name, want.name);
  EXPECT_EQ(g_material_table.records[0].absorption[3], want.absorption[3]);
}

// The map block carries the drawing comment as its description; without a
// comment it keeps the description the map came with.
TEST_F(ProjectFile, SavedMapKeepsItsDescriptionWithoutADrawingComment) {
  const std::string open = temp_path("KARTE.OPR");
  write_all(open, hand_built_project());
  ASSERT_EQ(proj_load(open.c_str()), 1);
  MapData map;
  map.areas.push_back(MapAreaRecord{0, 0, 0, 1, 1.2f, 1, 9, 1, 7, 1.2f});
  map.grid.point_count = 1;
  MapPoint point{};
  point.x = point.y = 2;
  point.z = 1.2f;
  for (int b = 0; b < 7; ++b) point.energy[b] = 1e6f, point.time[b] = 12;
  map.points.push_back(point);
  std::snprintf(map.description, sizeof map.description, "B\xFChne links");
  ASSERT_TRUE(mapfile_commit(map));
  struct Case {
    const char* comment;
    const char* kept;
  } cases[] = {{"", "B\xFChne links"}, {"Saal mit Podest", "Saal mit Podest"}};
  for (const Case& c : cases) {
    std::snprintf(g_view.comment, sizeof g_view.comment, "%s", c.comment);
    const std::string saved = temp_path("KARTE2.OPR");
    ASSERT_EQ(proj_save_to(saved.c_str()), 1);
    g_map_description[0] = 0;
    ASSERT_EQ(proj_load(saved.c_str()), 1);
    EXPECT_EQ(g_coverage_valid, 1);
    EXPECT_STREQ(g_map_description, c.kept) << "comment \"" << c.comment << "\"";
  }
}

TEST_F(ProjectFile, DamagedTypeRecordIsResetAndOldRecordsAreUpgraded) {
  std::vector<uint8_t> f = hand_built_project();
  f[SPEAKER_COUNT + 2 + 600] ^= 0x55;  // a balloon byte: the total checksum fails
  const std::string path = temp_path("TYP.OPR");
  write_all(path, f);
  ASSERT_EQ(proj_load(path.c_str()), 1);
  const SpeakerRecord* r = g_speaker_types.records[0];
  EXPECT_EQ(r->manufacturer[0], 0);
  EXPECT_EQ(r->format, 2);  // so that it is saved in the current layout
  EXPECT_EQ(r->q_factor[3], 1);
  EXPECT_EQ(r->balloon[6][36][71], 225);

  // The older layout: a 200-byte head in clear and 36 rows per band.
  std::vector<uint8_t> old(f.begin(), f.begin() + SPEAKER_COUNT + 2);
  std::vector<uint8_t> record(PROJECT_OLD_SPEAKER_RECORD_BYTES, 0);
  std::memcpy(&record[21], "ALT1", 4);
  record[71] = 1;
  le_put_u32(&record[196], 0xFFFFFFFF);
  for (int b = 0; b < 7; ++b)
    for (int row = 0; row < 36; ++row)
      std::memset(&record[200 + b * 2592 + row * 72], 100 + b * 10 + row, 72);
  old.insert(old.end(), record.begin(), record.end());
  old.insert(old.end(), f.begin() + MATERIAL_COUNT, f.end());
  write_all(path, old);
  ASSERT_EQ(proj_load(path.c_str()), 1) << (g_messages.empty() ? "" : g_messages[0]);
  r = g_speaker_types.records[0];
  EXPECT_STREQ(r->type_name, "ALT1");
  EXPECT_EQ(r->format, 2);
  EXPECT_EQ(r->balloon[3][35][0], 100 + 30 + 35);
  EXPECT_EQ(r->balloon[3][36][71], 100 + 30 + 35);  // row 36 repeats row 35
  EXPECT_EQ(std::memcmp(r->owner, "ORVANTE V2.80  ", 16), 0);
}

TEST_F(ProjectFile, MergeTakesVisibleRoomAndAuxObjectsOnly) {
  const std::string other = temp_path("ANDERE.OPR");
  write_all(other, hand_built_project());
  DrawObject* mine = obj_create(0, 2, 2);
  mine->layer = 7;
  obj_append(mine);
  EXPECT_EQ(proj_merge_objects(other.c_str(), 7), 2);
  ASSERT_EQ(obj_count(), 3);
  EXPECT_EQ(g_obj_tail, mine);
  for (DrawObject* o = g_obj_head; o != mine; o = o->next) {
    EXPECT_EQ(o->layer, 7u);
    EXPECT_EQ(o->attributes, 8u);
    EXPECT_EQ(o->colour, 14u);
  }
  // In front of the list in reverse file order: the aux polyline, then the face.
  EXPECT_EQ(g_obj_head->kind, 1u);
  EXPECT_EQ(g_obj_head->next->elements[1].code, 3);
  EXPECT_EQ(g_obj_head->next->elements[1].value, 0);  // material back to 0
  EXPECT_EQ(g_layers[7].visible, 1);

  std::vector<uint8_t> cut = hand_built_project();
  cut.resize(AUX_CHUNK + 60);
  write_all(other, cut);
  EXPECT_EQ(proj_merge_objects(other.c_str(), 0), 0);
  EXPECT_EQ(obj_count(), 3);  // nothing of a damaged file is taken
}

TEST_F(ProjectFile, SampleProjectOpensWithItsHallListenersAndLoudspeakers) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  const std::string path = std::string(generated) + "/BEISPIEL.OPR";
  ASSERT_EQ(proj_load(path.c_str()), 1) << (g_messages.empty() ? "" : g_messages[0]);
  int faces = 0;
  EXPECT_EQ(obj_count_room(&faces), 14);  // the box, the seats and the curtain cut into its floor and back wall
  EXPECT_EQ(faces, 14);
  EXPECT_EQ(obj_count_listener(), 1);
  EXPECT_EQ(obj_count_speaker(), 3);
  ASSERT_EQ(g_speaker_types.count, 2);
  EXPECT_STREQ(g_speaker_types.records[0]->type_name, "BOX2W");
  EXPECT_EQ(g_speaker_types.records[0]->symbol, g_default_speaker_symbol);  // a type without a shape
  ASSERT_NE(g_speaker_types.records[1]->symbol, nullptr);
  EXPECT_EQ(g_speaker_types.records[1]->symbol->layer, 3u);
  EXPECT_EQ(g_material_table.count, 6);
  EXPECT_STREQ(g_material_table.records[0].name, "100%");
  EXPECT_STREQ(g_title_block.rows[0].text, "Beispielsaal");
  // Its loudspeakers carry what a newly placed one gets: the equaliser's
  // start gains (which its own rule accepts) with their band power and
  // intensity, so they play as loud as one the user places beside them.
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != 2) continue;
    const PlacedSpeaker* ps = spk_placed_of(o);
    EXPECT_EQ(ps->switched_on, 1);
    EXPECT_GT(ps->intensity[3], 1000.0f);  // served bands of the calculation
    EXPECT_TRUE(eq_accepts(ps->eq_gain)) << ps->name << ": " << eq_total_db(ps->eq_gain) << " dB";
    PlacedSpeaker fresh = *ps;
    g_type_head = static_cast<const SpeakerHead&>(*g_speaker_types.records[ps->type_index]);
    spk_dialog_choose_type(fresh);
    for (int b = 0; b < 7; ++b) {
      EXPECT_EQ(ps->eq_gain[b], fresh.eq_gain[b]) << ps->name << " band " << b;
      EXPECT_NEAR(ps->band_power[b], fresh.band_power[b], 1e-4 * fresh.band_power[b]) << ps->name << " band " << b;
      EXPECT_NEAR(ps->intensity[b], fresh.intensity[b], 1e-4 * fresh.intensity[b]) << ps->name << " band " << b;
    }
    EXPECT_EQ(ps->nominal_power, fresh.nominal_power);
  }
  EXPECT_EQ(g_calc_options.grid_spacing_index, 2);
  EXPECT_EQ(g_view.kind, VIEW_XY);  // a first click places a point

  // The level + time calculation runs on it as it is.
  spk_link_balloons();
  ASSERT_GT(cov_build_active_speakers(), 0);
  ASSERT_EQ(cov_build_grid(), 1);
  EXPECT_GT(g_coverage_grid.point_count, 50u);
  ASSERT_EQ(cov_calculate_grid(), 1);
  EXPECT_GT(g_coverage_grid.max_energy[3], 1e6f);
  EXPECT_LT(g_coverage_grid.min_time[3], 100.0f);
}

// Every calculation shows on the sample what it is meant to: the room is
// closed (no closure error, a room check without faults), the measured
// reverberation times are its own and realistic, and the listener area and
// the loudspeakers are inside the hall.
TEST_F(ProjectFile, SampleProjectIsAClosedRoomWithItsMeasuredTimes) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  ASSERT_EQ(proj_load((std::string(generated) + "/BEISPIEL.OPR").c_str()), 1);

  Rt60Result sabine;
  rt60_calculate(RT60_SABINE, sabine);
  EXPECT_NEAR(sabine.volume, 20 * 12 * 7, 1e-3);
  EXPECT_NEAR(sabine.surface, 2 * (20 * 12 + 20 * 7 + 12 * 7), 1e-3);
  Rt60Closure closure;
  rt60_check_closure(closure);
  EXPECT_LT(closure.error, 1e-3);
  for (int p = 0; p < 3; ++p) EXPECT_LT(std::fabs(closure.net[p]), 1e-3) << p;
  for (int b = 0; b < RT60_BANDS; ++b) EXPECT_GT(sabine.time[b], 0.3) << b;

  const double measured[RT60_BANDS] = {2.0, 1.2, 0.85, 0.75, 0.7, 0.65, 0.55};
  for (int b = 0; b < RT60_BANDS; ++b) EXPECT_NEAR(g_rt60_measured[b], measured[b], 1e-6) << b;
  Rt60Result from_measured;
  rt60_calculate(RT60_MEASURED, from_measured);
  EXPECT_EQ(from_measured.unrealistic, 0);

  g_messages.clear();
  RoomCheckResult check;
  refl_room_check(check);
  EXPECT_EQ(check.ran, 1);
  EXPECT_STREQ(check.text, "Keine Fehler gefunden");
  EXPECT_EQ(check.reversed, 0);
  for (int phase = 0; phase < 3; ++phase) {
    EXPECT_GT(check.hits[phase], 0) << phase;
    EXPECT_EQ(check.errors[phase], 0) << phase;
  }

  auto inside = [](const WorldPoint& p) { return p.x > 0 && p.x < 20 && p.y > 0 && p.y < 12 && p.z > 0 && p.z < 7; };
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer == LAYER_LISTENER) {
      for (uint32_t i = 0; i < o->node_count; ++i) EXPECT_TRUE(inside(o->nodes[i])) << "listener node " << i;
    }
    if (const PlacedSpeaker* ps = spk_placed_of(o)) {
      EXPECT_TRUE(inside({ps->position[0], ps->position[1], ps->position[2]})) << ps->name;
    }
  }
}
