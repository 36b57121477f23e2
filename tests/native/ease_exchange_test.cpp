#include "project/ease_exchange.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "design/eq_rule.h"
#include "framework/ui_seam.h"
#include "project/model_reset.h"
#include "project/project_file.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"
#include "tests/native/run_folder.h"

namespace {

constexpr double PI = 3.14159265358979323846;

std::vector<std::string> g_messages;
int record_box(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

void new_project() {
  obj_free_all();
  obj_reset_layers();
  spk_reset_tables();
}

std::string temp_path(const char* name) {
  static std::string dir = run_folder::fresh("files").string();
  return dir + "/" + name;
}

std::string fixture(const char* name) {
  const char* source = std::getenv("ORV_SOURCE_DIR");
  return std::string(source ? source : ".") + "/tests/native/ease/" + name;
}

std::string generated(const char* name) {
  const char* dir = std::getenv("ORV_GENERATED");
  return std::string(dir ? dir : ".") + "/" + name;
}

void write_text(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

std::string read_text(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

std::string without_cr(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

// The nodes of an object's first polygon in the order its elements walk them.
std::vector<WorldPoint> walk(const DrawObject* o, size_t start = 0) {
  std::vector<WorldPoint> points;
  for (size_t k = start; k < o->element_count; ++k) {
    const ElementCode& e = o->elements[k];
    if (k > start && e.code == EL_START) break;
    if (e.code <= EL_CLOSE) points.push_back(o->nodes[e.value]);
    if (e.code == EL_CLOSE) break;
  }
  return points;
}

std::vector<const DrawObject*> list_of(DrawObject* head) {
  std::vector<const DrawObject*> out;
  for (const DrawObject* o = head; o; o = o->next) out.push_back(o);
  return out;
}

// Points as EASE lists them: the reverse winding of the stored face.
std::vector<WorldPoint> as_listed(const DrawObject* o) {
  std::vector<WorldPoint> p = walk(o);
  if (p.size() > 1) std::reverse(p.begin() + 1, p.end());
  return p;
}

void expect_points(const std::vector<WorldPoint>& got, const std::vector<WorldPoint>& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_NEAR(got[i].x, want[i].x, 1e-5) << what << " point " << i;
    EXPECT_NEAR(got[i].y, want[i].y, 1e-5) << what << " point " << i;
    EXPECT_NEAR(got[i].z, want[i].z, 1e-5) << what << " point " << i;
  }
}

// A face of the room layer as the drawing commands make one: start,
// material, lines, close.
DrawObject* add_face(const std::vector<WorldPoint>& points, uint16_t material = 2) {
  uint32_t n = uint32_t(points.size());
  DrawObject* o = obj_create(0, n, n + 1);
  for (uint32_t i = 0; i < n; ++i) o->nodes[i] = points[i];
  o->elements[0] = {EL_START, 0};
  o->elements[1] = {EL_MATERIAL, material};
  for (uint32_t i = 1; i < n; ++i) o->elements[i + 1] = {EL_LINE, uint16_t(i)};
  o->elements[n].code = EL_CLOSE;
  o->kind = OBJ_KIND_FACE;
  o->attributes = OBJ_ATTR_SELECTED;
  obj_append(o);
  return o;
}

std::vector<WorldPoint> ring(int n) {
  std::vector<WorldPoint> p;
  for (int i = 0; i < n; ++i)
    p.push_back({float(std::cos(2 * PI * i / n)), float(std::sin(2 * PI * i / n)), 1.0f});
  return p;
}

std::vector<std::string> lines_of(const std::string& text) { return ease_split_lines(text.data(), text.size()); }

int g_ask_calls = 0;
const char* g_ask_answer = nullptr;  // null: the dialog is cancelled
int ask_type(PlacedSpeaker*, char* type_name) {
  ++g_ask_calls;
  if (!g_ask_answer) return 2;
  std::snprintf(type_name, EASE_TYPE_NAME_CHARS + 1, "%s", g_ask_answer);
  return 1;
}

class EaseExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_seams().message_box = record_box;
    g_messages.clear();
    g_speaker_screen = SpeakerScreen{nullptr, nullptr};
    new_project();
    g_modified = 0;
    g_ask_calls = 0;
    g_ask_answer = nullptr;
  }
  void TearDown() override {
    new_project();
    ui_reset_seams();
    g_sdb_index.path[0] = 0;
  }
  void open_sample_database() { ASSERT_EQ(sdb_open_path(generated("BEISPIEL.OSB").c_str()), 1); }
};

}  // namespace

// --------------------------------------------------------------- faces in

TEST_F(EaseExchange, Version2FaceFileGivesItsFacesInTheOrderAndWindingOfTheFile) {
  ASSERT_EQ(ease_import_faces_file(fixture("faces_v2.exp").c_str(), EASE_V2), 4);
  EXPECT_TRUE(g_messages.empty());
  EXPECT_EQ(g_modified, 1);
  std::vector<const DrawObject*> faces = list_of(g_obj_head);
  ASSERT_EQ(faces.size(), 4u);  // the 2-point polygon is dropped
  for (const DrawObject* f : faces) {
    EXPECT_EQ(f->kind, uint32_t(OBJ_KIND_FACE));
    EXPECT_EQ(f->layer, 0u);
    EXPECT_EQ(f->colour, 0u);
    EXPECT_EQ(f->attributes, 0u);
    ASSERT_EQ(f->element_count, f->node_count + 1);
    EXPECT_EQ(f->elements[1].code, EL_MATERIAL);
    EXPECT_EQ(f->elements[1].value, 0);
    EXPECT_EQ(f->elements[f->element_count - 1].code, EL_CLOSE);
  }
  // Read last, first in the list; a line that is no point repeats the one before.
  expect_points(as_listed(faces[0]), {{5, 5, 5}, {5, 5, 5}, {6, 5, 5}, {6, 6, 5}}, "repeated point");
  std::vector<WorldPoint> ten;
  for (int i = 1; i <= 10; ++i) ten.push_back({float(i), 0, 1});
  expect_points(as_listed(faces[1]), ten, "ten points close the face");
  expect_points(as_listed(faces[2]), {{0, 0, 2.5f}, {4, 0, 2.5f}, {4, 3, 2.5f}, {0, 3, 2.5f}}, "quad");
  expect_points(as_listed(faces[3]), {{0, 0, 0}, {4, 0, 0}, {0, 3, 0}}, "triangle");
  // Stored against the file's winding: the triangle's normal points down.
  expect_points(walk(faces[3]), {{0, 0, 0}, {0, 3, 0}, {4, 0, 0}}, "stored winding");
}

TEST_F(EaseExchange, CrLfAndLfLineEndsReadTheSame) {
  std::string lf = without_cr(read_text(fixture("faces_v3.xfc")));
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& text : {lf, crlf}) {
    EaseFaceList faces;
    ASSERT_EQ(ease_parse_faces(text.data(), text.size(), EASE_V3, faces), EASE_FACES_OK);
    EXPECT_EQ(faces.count, 2);
    EXPECT_EQ(faces.dropped, 1);
    ASSERT_NE(faces.head, nullptr);
    expect_points(as_listed(faces.head->next), {{0, 0, 0}, {8, 0, 0}, {8, 6, 0}, {0, 6, 0}}, "floor");
    expect_points(as_listed(faces.head), {{0, 0, 0}, {0, 0, 3}, {8, 0, 3}}, "wall");
    ease_free_faces(faces);
  }
  EXPECT_EQ(lines_of("a\r\nb\nc").size(), 3u);
  EXPECT_EQ(lines_of("a\r\n\r\nb\r\n").size(), 3u);  // an empty line is a line, the last end adds none
}

TEST_F(EaseExchange, Version3FaceFileWithCommentsAndHeader) {
  ASSERT_EQ(ease_import_faces_file(fixture("faces_v3.xfc").c_str(), EASE_V3), 2);
  EXPECT_TRUE(g_messages.empty());
  expect_points(as_listed(g_obj_head->next), {{0, 0, 0}, {8, 0, 0}, {8, 6, 0}, {0, 6, 0}}, "floor");

  // The header line is found without regard to case; without it nothing is read.
  std::string headerless = "\"Material\",\"X\"\n0,0,0\n1,0,0\n1,1,0\n\"End\"\n";
  write_text(temp_path("headerless.xfc"), headerless);
  g_messages.clear();
  EXPECT_EQ(ease_import_faces_file(temp_path("headerless.xfc").c_str(), EASE_V3), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "EASE3 Vorspann fehlt !");
  EXPECT_EQ(obj_count(), 2);
  write_text(temp_path("lower.xfc"), "\"lengthunit\",\"m\"\n" + headerless);
  EXPECT_EQ(ease_import_faces_file(temp_path("lower.xfc").c_str(), EASE_V3), 1);
}

namespace {

struct DamagedFaces {
  const char* what;
  int version;
  std::string text;
  EaseFaceStatus status;
  int faces;
  std::vector<size_t> points;  // per face, in file order
};

std::string point_lines(int n, float z) {
  std::string s;
  char line[80];
  for (int i = 0; i < n; ++i) {
    std::snprintf(line, sizeof line, "%d,%d,%f\n", i, i * i % 7, z);
    s += line;
  }
  return s;
}

const std::string V3_HEAD = "\"Filetype\",\"Faces\"\n\"Format\",3,0\n\"LengthUnit\",\"m\"\n";

}  // namespace

// Faces beyond the buffers stop the import there, short polygons are
// dropped, long lines are read whole, never as more than one line.
TEST_F(EaseExchange, DamagedFaceFilesKeepWhatCameBeforeTheDamage) {
  const std::string long_number = "0." + std::string(200, '0') + "1";
  const std::vector<DamagedFaces> cases = {
      {"359 points fit", EASE_V3, V3_HEAD + "\"Material\",\"A\"\n" + point_lines(359, 0) + "\"End\"\n",
       EASE_FACES_OK, 1, {359}},
      {"360 points stop", EASE_V3,
       V3_HEAD + "\"Material\",\"A\"\n" + point_lines(3, 0) + "\"End\"\n\"Material\",\"B\"\n" + point_lines(360, 1) +
           "\"End\"\n\"Material\",\"C\"\n" + point_lines(3, 2) + "\"End\"\n",
       EASE_FACES_TOO_MANY_POINTS, 1, {3}},
      {"short polygons dropped", EASE_V2, "0,0,0\n1,1,1\n0\n" + point_lines(3, 4) + "0\n7,7,7\n", EASE_FACES_OK, 1,
       {3}},
      {"long line read whole", EASE_V2, long_number + "," + long_number + ",1" + std::string(300, ' ') + "\n1,0,0\n2,0,0\n0\n",
       EASE_FACES_OK, 1, {3}},
      {"long v3 line read whole", EASE_V3,
       V3_HEAD + "\"Material\",\"" + std::string(400, 'x') + "\"\n" + point_lines(3, 0) + "\"End\"\n", EASE_FACES_OK,
       1, {3}},
      {"open face at the end", EASE_V3, V3_HEAD + "\"Material\",\"A\"\n" + point_lines(4, 0), EASE_FACES_OK, 1, {4}},
      {"number beyond a float", EASE_V3, V3_HEAD + "\"Material\",\"A\"\n1e39,0,0\n" + point_lines(3, 0) + "\"End\"\n",
       EASE_FACES_OK, 1, {3}},
      {"binary junk", EASE_V2, std::string("\x01\xff\0\x7f,,\n", 7), EASE_FACES_OK, 0, {}},
  };
  for (const DamagedFaces& c : cases) {
    EaseFaceList faces;
    EXPECT_EQ(ease_parse_faces(c.text.data(), c.text.size(), c.version, faces), c.status) << c.what;
    EXPECT_EQ(faces.count, c.faces) << c.what;
    std::vector<size_t> points;
    for (const DrawObject* o : list_of(faces.head)) points.insert(points.begin(), o->node_count);
    EXPECT_EQ(points, c.points) << c.what;
    ease_free_faces(faces);
  }
  write_text(temp_path("big.xfc"), cases[1].text);
  EXPECT_EQ(ease_import_faces_file(temp_path("big.xfc").c_str(), EASE_V3), 1);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], EASE_MSG_TOO_MANY_POINTS);
  EXPECT_EQ(obj_count(), 1);
}

// -------------------------------------------------------------- faces out

TEST_F(EaseExchange, Version2ExportPadsEveryPolygonToTenLines) {
  add_face({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}});
  add_face(ring(10));
  DrawObject* unselected = add_face(ring(5));
  unselected->attributes = 0;
  std::string text;
  ASSERT_EQ(ease_faces_text(g_obj_head, EASE_V2, text), EASE_EXPORT_OK);
  std::vector<std::string> lines = lines_of(text);
  ASSERT_EQ(lines.size(), 20u);
  EXPECT_EQ(text.substr(0, 28), "0.000000,0.000000,0.000000\r\n");
  EXPECT_EQ(lines[1], "0.000000,3.000000,0.000000");  // the file lists the reverse winding
  EXPECT_EQ(lines[2], "4.000000,0.000000,0.000000");
  for (int i = 3; i < 10; ++i) EXPECT_EQ(lines[i], "0") << i;
  for (int i = 10; i < 20; ++i) EXPECT_NE(lines[i], "0") << i;  // ten points need no "0"

  // Read back, each keeps its winding.
  new_project();
  DrawObject* tri = add_face({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}});
  std::string one;
  ease_faces_text(g_obj_head, EASE_V2, one);
  EaseFaceList back;
  ASSERT_EQ(ease_parse_faces(one.data(), one.size(), EASE_V2, back), EASE_FACES_OK);
  ASSERT_EQ(back.count, 1);
  expect_points(walk(back.head), walk(tri), "triangle read back");
  ease_free_faces(back);
}

TEST_F(EaseExchange, FaceWithElevenPointsStopsTheVersion2ExportAndLeavesNoFile) {
  add_face(ring(3));
  add_face(ring(11));
  const std::string path = temp_path("eleven.imp");
  EXPECT_EQ(ease_export_faces_file(path.c_str(), EASE_V2), 0);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0], "Fl\xE4" "che(n) mit > 10 Punkten entdeckt, keine Exportdatei generiert");
  EXPECT_FALSE(std::filesystem::exists(path));
  // Version 3 knows no such limit.
  EXPECT_EQ(ease_export_faces_file(temp_path("eleven.xfc").c_str(), EASE_V3), 1);
}

TEST_F(EaseExchange, Version3ExportWritesHeaderMaterialAndEndLines) {
  add_face({{0, 0, 0}, {4, 0, 0}, {0, 3, 0}});
  const std::string path = temp_path("tri.xfc");
  ASSERT_EQ(ease_export_faces_file(path.c_str(), EASE_V3), 1);
  EXPECT_EQ(read_text(path),
            "\"Filetype\",\"Faces\"\r\n\"Format\",3,0\r\n\"LengthUnit\",\"m\"\r\n\"Material\",\"Absorber\"\r\n"
            "0.000000,0.000000,0.000000\r\n0.000000,3.000000,0.000000\r\n4.000000,0.000000,0.000000\r\n\"End\"\r\n");
  EXPECT_EQ(ease_import_faces_file(path.c_str(), EASE_V3), 1);
  expect_points(walk(g_obj_head), walk(g_obj_tail), "read back");
}

TEST_F(EaseExchange, ExportThatCannotBeWrittenSaysSoAndWritesNothing) {
  add_face(ring(4));
  DrawObject* speaker = spk_create_object(PlacedSpeaker{});
  obj_append(speaker);
  const std::string kept = temp_path("kept.imp");
  write_text(kept, "alt\r\n");
  const std::string missing_folder = temp_path("kein/ordner.imp");
  for (const std::string& path : {missing_folder}) {
    for (int (*exporter)(const char*, int) : {ease_export_faces_file, ease_export_speakers_file}) {
      g_messages.clear();
      EXPECT_EQ(exporter(path.c_str(), EASE_V2), 0) << path;
      ASSERT_EQ(g_messages.size(), 1u) << path;
      EXPECT_EQ(g_messages[0], "Kann Datei nicht speichern");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(missing_folder));
  EXPECT_EQ(read_text(kept), "alt\r\n");
}

// --------------------------------------------------------- loudspeakers

TEST_F(EaseExchange, LoudspeakerFilesOfBothVersionsPlaceTheirLoudspeakers) {
  open_sample_database();
  for (int version : {EASE_V2, EASE_V3}) {
    new_project();
    const char* file = version == EASE_V2 ? "speakers_v2.exp" : "speakers_v3.xld";
    ASSERT_EQ(ease_import_speakers_file(fixture(file).c_str(), version, ask_type), 2) << file;
    EXPECT_TRUE(g_messages.empty()) << file << ": " << g_messages[0];
    EXPECT_EQ(g_ask_calls, 0);
    ASSERT_EQ(g_speaker_types.count, 2);
    EXPECT_EQ(g_modified, 1);
    // Each placed at the head: the second of the file comes first.
    std::vector<DrawObject*> placed;
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (spk_placed_of(o)) placed.push_back(o);
    ASSERT_EQ(placed.size(), 2u);
    PlacedSpeaker* second = spk_placed_of(placed[0]);
    PlacedSpeaker* first = spk_placed_of(placed[1]);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(g_speaker_types.records[first->type_index]->type_name, "BOX2W");
    EXPECT_STREQ(g_speaker_types.records[second->type_index]->type_name, "KUGEL12");
    EXPECT_FLOAT_EQ(first->position[0], 1.5f);
    EXPECT_FLOAT_EQ(first->position[1], 2.0f);
    EXPECT_FLOAT_EQ(first->position[2], 4.0f);
    EXPECT_NEAR(first->vertical_angle, -10.0 * PI / 180, 1e-6);
    EXPECT_NEAR(first->horizontal_angle, 150.0 * PI / 180, 1e-6);  // -120 in the file
    EXPECT_NEAR(first->rotation_angle, 5.0 * PI / 180, 1e-6);
    EXPECT_NEAR(second->horizontal_angle, 0.0, 1e-6);  // 90 in the file
    EXPECT_FLOAT_EQ(first->delay_ms, 12.5f);
    EXPECT_FLOAT_EQ(first->nominal_power, 90.0f);  // the largest band power read
    EXPECT_FLOAT_EQ(second->nominal_power, 20.0f);
    EXPECT_EQ(first->switched_on, 1);
    EXPECT_EQ(first->polarity, 1);
    EXPECT_STREQ(first->group, "");
    for (PlacedSpeaker* ps : {first, second}) {
      // The gains of a newly placed loudspeaker, and its band power from them.
      const SpeakerRecord* type = g_speaker_types.records[ps->type_index];
      EXPECT_TRUE(eq_accepts(ps->eq_gain)) << eq_total_db(ps->eq_gain);
      for (int b = 0; b < SPK_BANDS; ++b) {
        EXPECT_FLOAT_EQ(ps->eq_gain[b], -9.0f);
        EXPECT_NEAR(ps->band_power[b], type->rated_power[b] * std::pow(10.0, -0.9), 1e-4 * type->rated_power[b]);
      }
    }
    EXPECT_GT(placed[0]->node_count, 2u);  // the object got its shape
    EXPECT_EQ(placed[0]->colour, 12u);
  }
}

TEST_F(EaseExchange, UnknownTypeAsksOnceThenDropsTheLoudspeaker) {
  open_sample_database();
  const std::string path = temp_path("unknown.exp");
  write_text(path, "1,2,3\n0,90,0\n\"GIBTSNIX  \"\n0,0\n0,0,0,0,0,0,0\n1,1,1,1,1,1,1\n");
  struct Case {
    const char* answer;
    int placed;
    int messages;
  } cases[] = {{"SUB18", 1, 0}, {nullptr, 0, 0}, {"AUCHNIX", 0, 1}};
  for (const Case& c : cases) {
    new_project();
    g_messages.clear();
    g_ask_calls = 0;
    g_ask_answer = c.answer;
    EXPECT_EQ(ease_import_speakers_file(path.c_str(), EASE_V2, ask_type), c.placed);
    EXPECT_EQ(g_ask_calls, 1);
    EXPECT_EQ(obj_count_speaker(), c.placed);
    ASSERT_EQ(int(g_messages.size()), c.messages);
    if (c.messages) {
      EXPECT_EQ(g_messages[0], "Lautsprecher nicht verf\xFC" "gbar");
    }
  }
  EXPECT_EQ(g_ask_calls, 1);
}

TEST_F(EaseExchange, ImportStopsAtTheLoudspeakerLimit) {
  std::string text = read_text(fixture("speakers_v3.xld"));
  std::vector<EaseSpeaker> read;
  bool more = false;
  ease_parse_speakers(text.data(), text.size(), EASE_V3, 1, read, &more);
  EXPECT_EQ(read.size(), 1u);
  EXPECT_TRUE(more);
  read.clear();
  ease_parse_speakers(text.data(), text.size(), EASE_V3, 2, read, &more);
  EXPECT_EQ(read.size(), 2u);
  EXPECT_FALSE(more);
  // An unfinished last loudspeaker of a 2.x file is not taken.
  std::string v2 = without_cr(read_text(fixture("speakers_v2.exp")));
  v2.resize(v2.rfind("90.0,90.0"));
  read.clear();
  ease_parse_speakers(v2.data(), v2.size(), EASE_V2, 10, read, &more);
  EXPECT_EQ(read.size(), 1u);
}

TEST_F(EaseExchange, LoudspeakerExportWritesEveryLoudspeakerInBothVersions) {
  open_sample_database();
  PlacedSpeaker ps;
  spk_placed_defaults(ps);
  ASSERT_EQ(sdb_find_or_load_type(&ps, "BOX2W"), 1);
  ps.position[0] = 1.5f, ps.position[1] = -2.25f, ps.position[2] = 4.0f;
  ps.horizontal_angle = float(150.0 * PI / 180);
  ps.vertical_angle = float(-10.0 * PI / 180);
  ps.delay_ms = 3.5f;
  for (int b = 0; b < SPK_BANDS; ++b) ps.eq_gain[b] = -9.0f;
  spk_update_band_power(ps);
  ps.intensity[6] = 0.5f;  // below 0 dB: written as 0
  DrawObject* on = spk_create_object(ps);
  ps.switched_on = 0;
  DrawObject* off = spk_create_object(ps);
  obj_append(on);
  obj_append(off);
  on->attributes = OBJ_ATTR_SELECTED;  // selection plays no part
  std::string v2, v3;
  ease_speakers_text(g_obj_head, EASE_V2, v2);
  ease_speakers_text(g_obj_head, EASE_V3, v3);
  std::vector<std::string> l2 = lines_of(v2), l3 = lines_of(v3);
  ASSERT_EQ(l2.size(), 12u);
  EXPECT_EQ(l2[0], "1.50,-2.25,4.00");
  EXPECT_EQ(l2[1], "-10.0,-120.0,0.0");
  EXPECT_EQ(l2[2], "\"BOX2W     \"");
  EXPECT_EQ(l2[3], "3.500000,0.000000");
  EXPECT_EQ(l2[4].substr(l2[4].rfind(',')), ",0.0");
  char power[16];
  std::snprintf(power, sizeof power, "%5.1f", ps.band_power[0]);
  EXPECT_EQ(l2[5].substr(0, 5), power);
  ASSERT_EQ(l3.size(), 3u + 14u);
  EXPECT_EQ(l3[0], "\"Filetype\",\"Loudspeakers\"");
  EXPECT_EQ(l3[1], "\"Format\",3.0");
  EXPECT_EQ(l3[3], "\"Label\",\"S1\"");
  EXPECT_EQ(l3[4], "\"Position\",1.50,-2.25,4.00");
  EXPECT_EQ(l3[5], "\"Ver/Hor/Rot\",-10.0,-120.0,0.0");
  EXPECT_EQ(l3[6], "\"Speaker\",\"BOX2W\"");
  EXPECT_EQ(l3[10], "\"Label\",\"S2\"");
  EXPECT_EQ(std::count(l3[8].begin(), l3[8].end(), ','), 21);
  EXPECT_EQ(std::count(l3[9].begin(), l3[9].end(), ','), 21);
  EXPECT_EQ(v2.find('\n'), v2.find("\r\n") + 1);
}

// -------------------------------------------------- the sample project

TEST_F(EaseExchange, SampleProjectRoundTripsThroughBothVersions) {
  ASSERT_EQ(proj_load(generated("BEISPIEL.OPR").c_str()), 1);
  open_sample_database();
  std::vector<std::vector<WorldPoint>> faces;
  std::vector<PlacedSpeaker> speakers;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer == LAYER_ROOM && o->kind == OBJ_KIND_FACE) {
      o->attributes |= OBJ_ATTR_SELECTED;
      faces.push_back(walk(o));
    }
    if (PlacedSpeaker* ps = spk_placed_of(o)) speakers.push_back(*ps);
  }
  ASSERT_EQ(faces.size(), 14u);
  ASSERT_EQ(speakers.size(), 3u);
  std::vector<std::string> type_names;
  for (const PlacedSpeaker& ps : speakers) type_names.push_back(g_speaker_types.records[ps.type_index]->type_name);
  for (int version : {EASE_V2, EASE_V3}) {
    const std::string face_path = temp_path(version == EASE_V2 ? "saal.imp" : "saal.xfc");
    const std::string speaker_path = temp_path(version == EASE_V2 ? "saal_ls.imp" : "saal.xld");
    ASSERT_EQ(proj_load(generated("BEISPIEL.OPR").c_str()), 1);
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (o->layer == LAYER_ROOM && o->kind == OBJ_KIND_FACE) o->attributes |= OBJ_ATTR_SELECTED;
    ASSERT_EQ(ease_export_faces_file(face_path.c_str(), version), 1);
    ASSERT_EQ(ease_export_speakers_file(speaker_path.c_str(), version), 1);
    new_project();
    ASSERT_EQ(ease_import_faces_file(face_path.c_str(), version), int(faces.size()));
    ASSERT_EQ(ease_import_speakers_file(speaker_path.c_str(), version, ask_type), 3);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_EQ(g_ask_calls, 0);
    // Faces come back in reverse order at the head, the loudspeakers before them.
    std::vector<DrawObject*> back_faces;
    std::vector<PlacedSpeaker*> back_speakers;
    for (DrawObject* o = g_obj_head; o; o = o->next) {
      if (PlacedSpeaker* ps = spk_placed_of(o)) back_speakers.insert(back_speakers.begin(), ps);
      else if (o->layer == LAYER_ROOM) back_faces.insert(back_faces.begin(), o);
    }
    ASSERT_EQ(back_faces.size(), faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
      expect_points(walk(back_faces[i]), faces[i], "face");
      EXPECT_EQ(back_faces[i]->elements[1].value, 0);  // material 0
    }
    ASSERT_EQ(back_speakers.size(), 3u);
    for (size_t i = 0; i < speakers.size(); ++i) {
      const PlacedSpeaker& a = speakers[i];
      const PlacedSpeaker& b = *back_speakers[i];
      EXPECT_EQ(type_names[i], g_speaker_types.records[b.type_index]->type_name);
      for (int k = 0; k < 3; ++k) EXPECT_NEAR(a.position[k], b.position[k], 0.005);
      EXPECT_NEAR(a.horizontal_angle, b.horizontal_angle, 0.001);
      EXPECT_NEAR(a.vertical_angle, b.vertical_angle, 0.001);
      EXPECT_NEAR(a.rotation_angle, b.rotation_angle, 0.001);
      EXPECT_NEAR(a.delay_ms, b.delay_ms, 1e-5);
      for (int band = 0; band < SPK_BANDS; ++band) {
        EXPECT_EQ(a.eq_gain[band], b.eq_gain[band]);
        EXPECT_NEAR(a.band_power[band], b.band_power[band], 1e-4 * a.band_power[band]);
      }
    }
  }
}
