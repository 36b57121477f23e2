// The ray file in the running design program: "Rays berechnen" on the
// sample project saves its paths through the save dialog and the
// description; "Ray Datei laden" refuses a copy cut short in its last record
// and leaves the model as it was, then loads the whole file and shows its
// paths in the path browser until they are removed again.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "acoustics/etc_window_win.h"
#include "acoustics/ray_file.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "app_harness.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "dialog_script.h"
#include "framework/le_bytes.h"
#include "framework/win_frame_win.h"
#include "own_dialog.h"
#include "project/project_file.h"

using harness::when;

namespace {

constexpr const char* SAVED_NAME = "REFL_SAVED.ORF";
constexpr const char* DAMAGED_NAME = "REFL_DAMAGED.ORF";

std::string in_start_folder(const char* name) { return std::string(win_start_directory()) + "\\" + name; }

void set_and_press(HWND dialog, std::initializer_list<std::pair<int, const char*>> fields) {
  for (auto [id, text] : fields) SetDlgItemTextA(dialog, id, text);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);
}

// Every object of the model as bytes: what it is and where its nodes are.
std::string model_fingerprint() {
  std::string s;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    uint32_t head[6] = {o->layer, o->kind, o->node_count, o->element_count, o->aux_size, o->attributes};
    s.append(reinterpret_cast<const char*>(head), sizeof head);
    if (o->nodes) s.append(reinterpret_cast<const char*>(o->nodes), o->node_count * sizeof(WorldPoint));
  }
  return s;
}

bool browser_open() { return etc_window() && !etc_is_echogram(); }

bool box_seen(const char* text) {
  for (const harness::Box& b : harness::g_boxes)
    if (b.text == text) return true;
  return false;
}

struct Seen {
  uint32_t calculated = 0, shown = 0, left_after_save = 1, left_after_load = 1;
  RayFileResult saved_result = RAYFILE_UNREADABLE;
  uint32_t saved_count = 0;
  std::string saved_description;
  std::string model_before, model_after_refusal;
  double free_path_before = -1, free_path_after_refusal = -2;
  uint32_t paths_after_refusal = 1;
};
Seen g_seen;

// The saved file again, cut 10 bytes short: its last record is incomplete.
void write_damaged_copy() {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(le_read_file(in_start_folder(SAVED_NAME).c_str(), bytes, RAYFILE_MAX_BYTES));
  ASSERT_GT(bytes.size(), RAYFILE_HEADER_BYTES + 10);
  bytes.resize(bytes.size() - 10);
  FILE* f = std::fopen(in_start_folder(DAMAGED_NAME).c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

}  // namespace

TEST(RayFileCommand, SavedAfterTheCalculationRefusedWhenDamagedAndShownWhenWhole) {
  g_seen = Seen{};
  DeleteFileA(in_start_folder(SAVED_NAME).c_str());
  DeleteFileA(in_start_folder(DAMAGED_NAME).c_str());
  int code = harness::run({
      [] {
        ASSERT_EQ(proj_load(in_start_folder("BEISPIEL.OPR").c_str()), 1);
        view_set_xy();
        view_zoom_all();
        PostMessageA(win_main_window(), WM_COMMAND, 5020, 0);
      },
      when([] { return own_dialog::find("Max.Ordnung (1 .. 40):") != nullptr; },
           [] { set_and_press(own_dialog::find("Max.Ordnung (1 .. 40):"), {{105, "2"}}); }),
      when([] { return std::strstr(view_prompt_text(), "Zielpunkt") != nullptr; },
           [] { PostMessageA(win_main_window(), WM_KEYDOWN, 'A', 0); }),
      when([] { return own_dialog::find("Punkt absolut :") != nullptr; },
           [] { set_and_press(own_dialog::find("Punkt absolut :"), {{104, "12"}, {105, "6"}, {106, "1.2"}}); }),
      when(browser_open,
           [] {
             g_seen.calculated = refl_count_paths();
             PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_LEAVE, 0);
           }),
      // The save question is answered OK; then the save dialog and the description.
      when([] { return own_dialog::file_dialog() != nullptr; }, [] { dialog_script::answer_file_dialog(own_dialog::file_dialog(), SAVED_NAME); }),
      when([] { return own_dialog::find("Beschreibung :") != nullptr; },
           [] { set_and_press(own_dialog::find("Beschreibung :"), {{105, "Platz 12"}}); }),
      when([] { return refl_count_paths() == 0 && GetFileAttributesA(in_start_folder(SAVED_NAME).c_str()) != INVALID_FILE_ATTRIBUTES; },
           [] {
             g_seen.left_after_save = refl_count_paths();
             RayFileContents c;
             g_seen.saved_result = rayfile_read(in_start_folder(SAVED_NAME).c_str(), c);
             g_seen.saved_count = c.count;
             g_seen.saved_description = c.description;
             rayfile_free(c);
             write_damaged_copy();
             g_seen.model_before = model_fingerprint();
             g_seen.free_path_before = g_refl_mean_free_path;
             PostMessageA(win_main_window(), WM_COMMAND, 5021, 0);
           }),
      when([] { return own_dialog::file_dialog() != nullptr; }, [] { dialog_script::answer_file_dialog(own_dialog::file_dialog(), DAMAGED_NAME); }),
      when([] { return box_seen("Fehler beim Einlesen der Daten"); },
           [] {
             g_seen.model_after_refusal = model_fingerprint();
             g_seen.free_path_after_refusal = g_refl_mean_free_path;
             g_seen.paths_after_refusal = refl_count_paths();
             PostMessageA(win_main_window(), WM_COMMAND, 5021, 0);
           }),
      when([] { return own_dialog::file_dialog() != nullptr; }, [] { dialog_script::answer_file_dialog(own_dialog::file_dialog(), SAVED_NAME); }),
      when(browser_open,
           [] {
             g_seen.shown = refl_count_paths();
             PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_LEAVE, 0);
           }),
      when([] { return etc_window() == nullptr; }, [] { g_seen.left_after_load = refl_count_paths(); }),
  });
  EXPECT_EQ(code, 0);
  // The calculation's paths went to the file and were removed afterwards.
  EXPECT_GT(g_seen.calculated, 20u);
  EXPECT_TRUE(box_seen("Reflexionsberechnung in Datei speichern ?"));
  EXPECT_EQ(g_seen.saved_result, RAYFILE_OK);
  EXPECT_EQ(g_seen.saved_count, g_seen.calculated);
  EXPECT_EQ(g_seen.saved_description, "Platz 12");
  EXPECT_EQ(g_seen.left_after_save, 0u);
  // The damaged copy changed nothing.
  EXPECT_FALSE(g_seen.model_before.empty());
  EXPECT_TRUE(g_seen.model_after_refusal == g_seen.model_before)
      << g_seen.model_before.size() << " bytes of model before, " << g_seen.model_after_refusal.size() << " after";
  EXPECT_EQ(g_seen.free_path_after_refusal, g_seen.free_path_before);
  EXPECT_EQ(g_seen.paths_after_refusal, 0u);
  // The whole file: its description asked, all its paths shown, then gone.
  EXPECT_TRUE(box_seen("Platz 12"));
  EXPECT_EQ(g_seen.shown, g_seen.calculated);
  EXPECT_EQ(g_seen.left_after_load, 0u);
  DeleteFileA(in_start_folder(SAVED_NAME).c_str());
  DeleteFileA(in_start_folder(DAMAGED_NAME).c_str());
}
