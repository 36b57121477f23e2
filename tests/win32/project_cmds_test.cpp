#include "design/project_cmds_win.h"
#include "project/project_file.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "design/history.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "project/model_reset.h"
#include "speakers/speaker_model.h"
#include "tests/native/run_folder.h"
#include "tests/win32/dialog_script.h"

namespace {

struct DialogScript {
  std::string type_name;  // empty: leave the field
  int answer;
  bool seen;
};
DialogScript g_script;
std::vector<std::string> g_messages;

int record_box(const char* text, const char*, unsigned) {
  g_messages.push_back(text);
  return UI_IDOK;
}

// Answers the file dialog once; a message box after it (the question
// whether to replace an existing file) is answered with Yes.
std::unique_ptr<dialog_script::Answering> g_answering;

void script_next_dialog(const std::string& type_name, int answer) {
  g_script = {type_name, answer, false};
  if (g_answering) return;
  g_answering = std::make_unique<dialog_script::Answering>(
      std::vector<dialog_script::Step>{{own_dialog::message_box, [](HWND box) { dialog_script::press(box, IDYES); }},
                                       {own_dialog::file_dialog,
                                        [](HWND dialog) {
                                          if (g_script.seen) return false;
                                          g_script.seen = true;
                                          if (!g_script.type_name.empty())
                                            SetWindowTextA(own_dialog::file_name_field(dialog), g_script.type_name.c_str());
                                          dialog_script::press(dialog, g_script.answer);
                                          return true;
                                        }}},
      100);
}

std::vector<uint8_t> read_all(const std::string& path) {
  std::vector<uint8_t> data;
  le_read_file(path.c_str(), data, PROJECT_MAX_FILE_BYTES);
  return data;
}

void add_face(float x) {
  DrawObject* o = obj_create(0, 3, 4);
  ASSERT_NE(o, nullptr);
  o->kind = OBJ_KIND_FACE;
  o->nodes[1] = WorldPoint{x, 0, 0};
  o->nodes[2] = WorldPoint{x, 1, 0};
  const ElementCode els[4] = {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 0}};
  for (int i = 0; i < 4; ++i) o->elements[i] = els[i];
  obj_append(o);
}

class ProjectCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_seams().message_box = record_box;
    g_messages.clear();
    folder_ = run_folder::fresh("project").string() + "\\";
    for (const char* name : {"SAAL.OPR", "SAAL_old.OPR", "KAPUTT.OPR"})
      DeleteFileA((folder_ + name).c_str());
    std::snprintf(g_history_folders[FOLDER_PROJECT], HISTORY_PATH_CHARS, "%s", folder_.c_str());
    obj_free_all();
    obj_reset_layers();
    spk_reset_tables();
    std::snprintf(g_project_path, sizeof g_project_path, "PROJEKT1.OPR");
    add_face(2.0f);
    g_modified = 1;
  }
  void TearDown() override {
    g_answering.reset();
    obj_free_all();
    ui_reset_seams();
  }
  std::string folder_;
};

}  // namespace

TEST_F(ProjectCommands, SaveAsAppendsTheExtensionAndSecondSaveKeepsABackup) {
  script_next_dialog("saal", IDOK);
  proj_cmd_save_as();
  ASSERT_TRUE(g_script.seen);
  const std::string path = folder_ + "saal.OPR";
  std::vector<uint8_t> first = read_all(path);
  ASSERT_FALSE(first.empty()) << (g_messages.empty() ? "" : g_messages[0]);
  EXPECT_EQ(g_modified, 0);
  EXPECT_EQ(_stricmp(g_project_path, path.c_str()), 0);

  add_face(3.0f);  // Windows will not rename over the old file: the save must still work
  script_next_dialog("SAAL.OPR", IDOK);
  proj_cmd_save_as();
  EXPECT_TRUE(g_messages.empty()) << g_messages[0];
  EXPECT_EQ(read_all(folder_ + "SAAL_old.OPR"), first);
  EXPECT_GT(read_all(path).size(), first.size());
  EXPECT_EQ(g_finish_flag, 0);
  EXPECT_EQ(g_abort_flag, 0);
}

TEST_F(ProjectCommands, OpenLoadsTheChosenFileAndCancelKeepsTheModifiedFlag) {
  script_next_dialog("SAAL.OPR", IDOK);
  proj_cmd_save_as();
  add_face(4.0f);
  g_modified = 1;

  ui_seams().message_box = [](const char*, const char*, unsigned) { return int(UI_IDOK); };
  script_next_dialog("", IDCANCEL);
  proj_cmd_open();
  EXPECT_EQ(g_modified, 1);
  EXPECT_EQ(obj_count(), 2);

  script_next_dialog("SAAL.OPR", IDOK);
  proj_cmd_open();
  EXPECT_EQ(obj_count(), 1);
  EXPECT_EQ(g_modified, 0);
}

TEST_F(ProjectCommands, OpeningADamagedFileKeepsTheOpenProject) {
  FILE* f = std::fopen((folder_ + "KAPUTT.OPR").c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("ORVANTE V2.80  ", f);
  std::fclose(f);
  ui_seams().message_box = [](const char* text, const char*, unsigned) {
    g_messages.push_back(text);
    return int(UI_IDOK);  // also answers the discard question
  };
  script_next_dialog("KAPUTT.OPR", IDOK);
  proj_cmd_open();
  ASSERT_FALSE(g_messages.empty());
  EXPECT_EQ(g_messages.back(), "Ung\xFCltige Datei, kann nicht geladen werden !");
  EXPECT_EQ(obj_count(), 1);
  EXPECT_EQ(g_modified, 1);
  EXPECT_STREQ(g_project_path, "PROJEKT1.OPR");
}
