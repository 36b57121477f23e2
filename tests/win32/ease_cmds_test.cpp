#include "design/ease_cmds_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"
#include "tests/win32/app_harness.h"
#include "tests/native/run_folder.h"
#include "tests/win32/dialog_script.h"
#include "tests/win32/window_bitmap.h"

namespace {

constexpr const char* SPEAKER_INPUT = "Lautsprecher-Eingabe";

// Answers for the file dialogs in turn: a path typed and OK, or an empty
// text for Cancel. The input dialog of an unknown type is cancelled, the
// question whether to replace a file answered with Yes.
std::deque<std::string> g_file_answers;
int g_file_dialogs = 0;
int g_input_dialogs = 0;

std::vector<dialog_script::Step> answers() {
  return {{SPEAKER_INPUT,
           [](HWND input) {
             ++g_input_dialogs;
             dialog_script::press(input, IDCANCEL);
           }},
          {own_dialog::message_box, [](HWND box) { dialog_script::press(box, IDYES); }},
          {own_dialog::file_dialog, [](HWND dialog) {
             ++g_file_dialogs;
             std::string answer = g_file_answers.empty() ? std::string() : g_file_answers.front();
             if (!g_file_answers.empty()) g_file_answers.pop_front();
             dialog_script::answer_file_dialog(dialog, answer);
           }}};
}

std::string read_file(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  std::fclose(f);
  return text;
}

void write_file(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

std::string fixture(const char* name) {
  const char* source = std::getenv("ORV_SOURCE_DIR");
  return read_file(std::string(source ? source : ".") + "/tests/native/ease/" + name);
}

void command(int id) { SendMessageA(win_main_window(), WM_COMMAND, id, 0); }

int count_on_layer(uint32_t layer) {
  int n = 0;
  for (const DrawObject* o = g_obj_head; o; o = o->next) n += o->layer == layer && o->kind == OBJ_KIND_FACE;
  return n;
}

// Per room face its corners in the order of its elements, the faces in list order.
std::vector<std::vector<float>> face_coordinates() {
  std::vector<std::vector<float>> out;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_ROOM || o->kind != OBJ_KIND_FACE) continue;
    out.emplace_back();
    for (uint32_t k = 0; k < o->element_count; ++k)
      if (o->elements[k].code <= EL_CLOSE) {
        const WorldPoint& p = o->nodes[o->elements[k].value];
        out.back().insert(out.back().end(), {p.x, p.y, p.z});
      }
  }
  return out;
}

// Written in list order and each read in front of the one before: a round
// trip turns the order of the faces round, never their windings.
std::vector<std::vector<float>> turned_round(std::vector<std::vector<float>> faces) {
  std::reverse(faces.begin(), faces.end());
  return faces;
}

// Dark pixels of drawn lines in the drawing window (its background is white).
int drawn_pixels() {
  WindowPixels shot = capture_window(view_drawing_window()->window);
  int n = 0;
  for (int y = 0; y < shot.height; y += 2)
    for (int x = 0; x < shot.width; x += 2) n += shot.at(x, y) == RGB(0, 0, 0);
  return n;
}

class EaseCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = run_folder::fresh("ease").string() + "\\";
    g_file_answers.clear();
    g_file_dialogs = g_input_dialogs = 0;
    answering_ = std::make_unique<dialog_script::Answering>(answers(), 100);
    ASSERT_TRUE(answering_->started());
  }
  void TearDown() override { answering_.reset(); }
  std::string folder_;
  std::unique_ptr<dialog_script::Answering> answering_;
};

}  // namespace

TEST_F(EaseCommands, FacesGoOutAndComeBackInBothVersions) {
  write_file(folder_ + "raum.exp", fixture("faces_v2.exp"));
  for (const char* name : {"raum.xfc", "raum.imp", "leer.imp"}) DeleteFileA((folder_ + name).c_str());
  std::vector<std::vector<float>> imported;
  int blank = 0, drawn = 0;
  int code = harness::run({
      [&] {
        blank = drawn_pixels();
        g_file_answers = {folder_ + "raum.exp"};
        command(122);  // EASE 2.x faces in
        imported = face_coordinates();
      },
      [&] {
        drawn = drawn_pixels();  // painted by now
        EXPECT_EQ(count_on_layer(LAYER_ROOM), 4);
        for (DrawObject* o = g_obj_head; o; o = o->next) o->attributes |= OBJ_ATTR_SELECTED;
        // The selection ends at once on Enter and keeps what was selected.
        PostMessageA(win_main_window(), WM_KEYDOWN, VK_RETURN, 0);
        g_file_answers = {folder_ + "raum"};
        command(121);  // EASE 3.x faces out: the name gets ".xfc"
        for (DrawObject* o = g_obj_head; o; o = o->next) EXPECT_EQ(o->attributes & OBJ_ATTR_SELECTED, 0u);
      },
      [&] {
        for (DrawObject* o = g_obj_head; o; o = o->next) o->attributes |= OBJ_ATTR_SELECTED;
        PostMessageA(win_main_window(), WM_KEYDOWN, VK_RETURN, 0);
        g_file_answers = {folder_ + "raum.imp"};
        command(123);  // EASE 2.x faces out
      },
      [&] {
        // Nothing selected: no dialog, no file.
        PostMessageA(win_main_window(), WM_KEYDOWN, VK_RETURN, 0);
        g_file_answers = {folder_ + "leer.imp"};
        command(123);
      },
      [&] {
        obj_free_all();
        g_file_answers = {folder_ + "raum.xfc"};
        command(120);  // EASE 3.x faces in
        EXPECT_EQ(face_coordinates(), turned_round(imported));
        obj_free_all();
        g_file_answers = {folder_ + "raum.imp"};
        command(122);
        EXPECT_EQ(face_coordinates(), turned_round(imported));
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(imported.size(), 4u);
  EXPECT_EQ(imported[1].size(), 3u * 10u);
  EXPECT_GT(drawn, blank + 20) << "the imported faces are drawn";
  EXPECT_EQ(g_file_dialogs, 5);
  const std::string v3 = read_file(folder_ + "raum.xfc");
  EXPECT_EQ(v3.rfind("\"Filetype\",\"Faces\"\r\n\"Format\",3,0\r\n\"LengthUnit\",\"m\"\r\n", 0), 0u);
  const std::string v2 = read_file(folder_ + "raum.imp");
  EXPECT_EQ(std::count(v2.begin(), v2.end(), '\n'), 40);  // four faces of ten lines
  EXPECT_EQ(v2.find("\n\n"), std::string::npos);
  EXPECT_EQ(GetFileAttributesA((folder_ + "leer.imp").c_str()), INVALID_FILE_ATTRIBUTES);
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << box.text;
}

TEST_F(EaseCommands, LoudspeakersComeInFromTheDatabaseAndGoOutAgain) {
  write_file(folder_ + "ls.exp", fixture("speakers_v2.exp"));
  write_file(folder_ + "fremd.exp", "1,2,3\r\n0,90,0\r\n\"GIBTSNIX  \"\r\n0,0\r\n0,0,0,0,0,0,0\r\n1,1,1,1,1,1,1\r\n");
  DeleteFileA((folder_ + "ls.xld").c_str());
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  const std::string database = std::string(generated) + "/BEISPIEL.OSB";
  int placed = 0, after_unknown = 0, asked_file_dialogs = 0;
  std::vector<harness::Box> without_database;
  int code = harness::run({
      [&] {
        // No database: the question, and Cancel ends the command before any dialog.
        g_sdb_index.path[0] = 0;
        harness::g_answers = {UI_IDCANCEL};
        command(126);
        without_database = harness::g_boxes;
        harness::g_boxes.clear();
        asked_file_dialogs = g_file_dialogs;
      },
      [&] {
        ASSERT_EQ(sdb_open_path(database.c_str()), 1);
        g_file_answers = {folder_ + "ls.exp"};
        command(126);  // EASE 2.x loudspeakers in
        placed = obj_count_speaker();
      },
      [&] {
        g_file_answers = {folder_ + "ls.xld"};
        command(125);  // EASE 3.x loudspeakers out
      },
      [&] {
        g_file_answers = {folder_ + "fremd.exp"};
        command(126);  // a type the database lacks: the input dialog, cancelled
        after_unknown = obj_count_speaker();
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(without_database.size(), 1u);
  EXPECT_EQ(without_database[0].text, "Es muß eine Lautsprecher-Datenbank geladen sein.Jetzt laden ?");
  EXPECT_EQ(without_database[0].caption, "WARNUNG");
  EXPECT_EQ(asked_file_dialogs, 0);
  EXPECT_EQ(placed, 2);
  EXPECT_EQ(after_unknown, 2);
  EXPECT_EQ(g_input_dialogs, 1);
  const std::string v3 = read_file(folder_ + "ls.xld");
  EXPECT_NE(v3.find("\"Label\",\"S2\"\r\n"), std::string::npos);
  EXPECT_NE(v3.find("\"Speaker\",\"BOX2W\"\r\n"), std::string::npos);
  EXPECT_NE(v3.find("\"Ver/Hor/Rot\",-10.0,-120.0,5.0\r\n"), std::string::npos);
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << box.text;
}

// A version-1.27 project chosen in the open command reads through the
// legacy reader into the running program; a version it does not know is
// refused and leaves the project open as it was.
TEST_F(EaseCommands, OpenTakesAVersion127ProjectAndRefusesOtherOldVersions) {
  const char* source = std::getenv("ORV_SOURCE_DIR");
  const std::string old = read_file(std::string(source ? source : ".") + "/tests/fuzz/seeds_legacy/project_v127.opr");
  ASSERT_GT(old.size(), 600u);
  write_file(folder_ + "ALT.OPR", old);
  std::string other = old;
  other.replace(9, 4, "1.50");
  write_file(folder_ + "V150.OPR", other);
  int faces = -1, speakers = -1, blocks = -1, after_refusal = -1;
  std::string title;
  int code = harness::run({
      [&] {
        g_file_answers = {folder_ + "ALT.OPR"};
        command(101);
      },
      [&] {
        faces = count_on_layer(LAYER_ROOM);
        speakers = obj_count_speaker();
        blocks = 0;
        for (const DrawObject* o = g_obj_head; o; o = o->next) blocks += o->layer == LAYER_BLOCK;
        title = harness::window_text(win_main_window());
        g_file_answers = {folder_ + "V150.OPR"};
        command(101);
        after_refusal = obj_count_speaker();
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(faces, 1);
  EXPECT_EQ(speakers, 1);
  EXPECT_EQ(blocks, 1);
  EXPECT_NE(title.find("ALT.OPR"), std::string::npos) << title;
  EXPECT_EQ(after_refusal, 1);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  EXPECT_EQ(harness::g_boxes[0].text, "Ungültige Datei, kann nicht geladen werden !");
}
