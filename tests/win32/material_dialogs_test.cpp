#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win32/dialog_script.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "design/history.h"
#include "design/material_win.h"
#include "framework/ui_seam.h"
#include "framework/ui_seam_win.h"
#include "framework/units.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "project/calc_options_dlg_win.h"
#include "project/face_materials.h"

// The modal dialogs are driven from a thread timer: it fires inside the
// dialog's own message loop and runs the next scripted step whenever the
// window that step waits for is there.
namespace {

// A step acts on the enabled top-level window of this thread with the given
// title, or, with no title, on the message box or file dialog that is up
// (their titles depend on the system's language).
enum class Kind { titled, message_box, file_dialog };
struct Step {
  const char* window_title;
  std::function<void(HWND)> act;
  Kind kind = Kind::titled;
};

std::vector<std::string> g_seen_messages;  // texts of message boxes answered

struct FindContext {
  const Step* step;
  HWND found;
};

bool is_our_dialog(const char* title) {
  return std::strcmp(title, "Material-Datenbank") == 0 || std::strcmp(title, "Absorptionsmaterialien") == 0 ||
         std::strcmp(title, "Berechnungsoptionen") == 0;
}

bool matches(HWND window, const Step& step) {
  char title[128] = "";
  GetWindowTextA(window, title, sizeof title);
  switch (step.kind) {
    case Kind::titled:
      return std::strcmp(title, step.window_title) == 0;
    case Kind::message_box:
      return !is_our_dialog(title) && GetDlgItem(window, 0xFFFF) && !GetDlgItem(window, 0x480) &&
             !GetDlgItem(window, 0x47C);
    case Kind::file_dialog:
      return GetDlgItem(window, 0x480) || GetDlgItem(window, 0x47C);
  }
  return false;
}

BOOL CALLBACK find_window(HWND window, LPARAM lparam) {
  auto* context = reinterpret_cast<FindContext*>(lparam);
  if (IsWindowVisible(window) && IsWindowEnabled(window) && matches(window, *context->step)) {
    context->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND thread_window(const Step& step) {
  FindContext context{&step, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), find_window, reinterpret_cast<LPARAM>(&context));
  return context.found;
}

// Runs body with the script (what is still open after 20 s is cancelled);
// fails when not every step ran.
void run_scripted(std::vector<Step> steps, const std::function<void()>& body) {
  std::vector<dialog_script::Step> script;
  for (const Step& step : steps)
    script.emplace_back([step] { return thread_window(step); },
                        [act = step.act](HWND window) { return act(window), true; });
  size_t ran = dialog_script::run(std::move(script), body, 20000);
  EXPECT_EQ(ran, steps.size()) << "script stopped early";
}

std::string item_text(HWND dialog, int id) { return dialog_script::text(dialog, id); }
using dialog_script::click;
using dialog_script::select_list_row;
using dialog_script::type_text;

// A message box of this thread: note its text and title, answer it.
std::vector<std::string> g_seen_titles;
Step answer_message_box(int answer) {
  return {nullptr,
          [answer](HWND box) {
            char text[256] = "", title[128] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            GetWindowTextA(box, title, sizeof title);
            g_seen_messages.push_back(text);
            g_seen_titles.push_back(title);
            PostMessageA(box, WM_COMMAND, answer, 0);
          },
          Kind::message_box};
}

MaterialRecord record(const char* name, const char* category, float alpha) {
  MaterialRecord r{};
  std::strcpy(r.name, name);
  std::snprintf(r.description, sizeof r.description, "Beschreibung %s", name);
  std::strcpy(r.category, category);
  for (float& value : r.absorption) value = alpha;
  return r;
}

class MaterialDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen_messages.clear();
    g_seen_titles.clear();
    std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
    std::memset(&g_material_table, 0, sizeof g_material_table);
    mat_reset_table();
    g_absorber_db.records[0] = record("Beton", "Wand", 0.02f);
    g_absorber_db.records[1] = record("Teppich", "Boden", 0.3f);
    g_absorber_db.records[2] = record("Vorhang", "Vorhang", 0.6f);
    g_absorber_db.count = 3;
    std::strcpy(g_absorber_db_path, "TEST.OAB");
    obj_free_all();
    g_modified = 0;
    ui_install_win32_seams();  // the real message boxes, as the program's start-up installs them
  }
  void TearDown() override {
    obj_free_all();
    ui_reset_seams();
  }
};

TEST_F(MaterialDialogsTest, AssignAMaterialThroughTheSelectionDialog) {
  DrawObject* face = obj_create(0, 4, 5);
  face->kind = OBJ_KIND_FACE;
  face->attributes = OBJ_ATTR_SELECTED;
  const ElementCode elements[5] = {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}};
  std::memcpy(face->elements, elements, sizeof elements);
  obj_append(face);

  std::string preset_description, chosen_description, chosen_coefficient;
  int preselected = 0;
  int chosen = -1, result = 0;
  run_scripted({{"Absorptionsmaterialien",
                 [&](HWND dialog) {
                   // Project material 0 ("100%") is not in the database: record 0, what
                   // "OK" would return, is selected and shown.
                   preset_description = item_text(dialog, 102);
                   preselected = static_cast<int>(SendDlgItemMessageA(dialog, 101, LB_GETCURSEL, 0, 0));
                   select_list_row(dialog, 101, 1);
                   chosen_description = item_text(dialog, 102);
                   chosen_coefficient = item_text(dialog, 109);
                   click(dialog, 110);
                 }}},
               [&] { result = mat_run_absorber_select(0, &chosen); });
  ASSERT_EQ(result, 1);
  EXPECT_EQ(preset_description, "Beschreibung Beton");
  EXPECT_EQ(preselected, 0);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(chosen_description, "Beschreibung Teppich");
  EXPECT_EQ(chosen_coefficient, "0.30");

  int material = mat_add_from_database(chosen);
  EXPECT_EQ(material, 1);
  EXPECT_EQ(mat_assign_selected(material), 1);
  EXPECT_EQ(face->elements[1].value, 1);
  EXPECT_EQ(g_modified, 1);

  // Opened again for that face, the dialog preselects its material.
  run_scripted({{"Absorptionsmaterialien",
                 [&](HWND dialog) {
                   preselected = static_cast<int>(SendDlgItemMessageA(dialog, 101, LB_GETCURSEL, 0, 0));
                   preset_description = item_text(dialog, 102);
                   click(dialog, 111);
                 }}},
               [&] { result = mat_run_absorber_select(face->elements[1].value, &chosen); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(preselected, 1);
  EXPECT_EQ(preset_description, "Beschreibung Teppich");
}

TEST_F(MaterialDialogsTest, SelectionWithoutDatabaseOffersToLoad) {
  g_absorber_db_path[0] = 0;
  int chosen = -1, result = 1;
  run_scripted({answer_message_box(IDCANCEL)},
               [&] { result = mat_run_absorber_select(0, &chosen); });
  EXPECT_EQ(result, 0);
  ASSERT_EQ(g_seen_messages.size(), 1u);
  EXPECT_EQ(g_seen_messages[0], "Jetzt laden ?");
  EXPECT_EQ(g_seen_titles[0], "Keine Absorber-Datenbank geladen");
}

TEST_F(MaterialDialogsTest, EditingARecordAndSavingKeepsTheOtherRecords) {
  std::string path = ::testing::TempDir() + "EDITED.OAB";
  std::remove(path.c_str());
  std::string shown_name, shown_category, refused_value;
  int result = -1;
  run_scripted(
      {{"Material-Datenbank",
        [&](HWND dialog) {
          // The first record is shown at once; "Editieren" edits what is shown.
          shown_name = item_text(dialog, 102);
          select_list_row(dialog, 101, 1);
          shown_category = item_text(dialog, 114);
          click(dialog, 112);
          type_text(dialog, 102, "Teppich dick");
          type_text(dialog, 104, "0,45");
          type_text(dialog, 110, "1,5");
          SendMessageA(dialog, WM_NULL, 0, 0);  // any message runs the comma fix
          refused_value = item_text(dialog, 110);
          click(dialog, 111);  // refused: 1.5 is above 1
        }},
       answer_message_box(IDOK),
       {"Material-Datenbank",
        [&](HWND dialog) {
          type_text(dialog, 110, "0.9");
          click(dialog, 111);
          click(dialog, 113);  // Beenden asks to save
        }},
       answer_message_box(IDOK),
       {nullptr,
        [&](HWND save) {
          // Old-style and explorer-style name fields.
          SetDlgItemTextA(save, 0x480, path.c_str());
          SetDlgItemTextA(save, 0x47C, path.c_str());
          PostMessageA(save, WM_COMMAND, IDOK, 0);
        },
        Kind::file_dialog}},
      [&] { result = mat_run_database_dialog(); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(shown_name, "Beton");
  EXPECT_EQ(shown_category, "Boden");
  EXPECT_EQ(refused_value, "1.5");
  ASSERT_GE(g_seen_messages.size(), 2u);
  EXPECT_EQ(g_seen_messages[0], "Koeffizienten nur von 0...1 g\xFCltig");
  EXPECT_EQ(g_seen_messages[1], "Datenbank wurde ge\xE4ndert.Jetzt speichern ?");
  EXPECT_EQ(g_seen_titles[1], "Warnung");

  MaterialTable saved{};
  ASSERT_EQ(mat_read_absorber_file(path.c_str(), saved), AbsorberDbStatus::ok);
  ASSERT_EQ(saved.count, 3);
  EXPECT_STREQ(saved.records[0].name, "Beton");
  EXPECT_STREQ(saved.records[2].name, "Vorhang");
  EXPECT_FLOAT_EQ(saved.records[2].absorption[3], 0.6f);
  EXPECT_STREQ(saved.records[1].name, "Teppich dick");
  EXPECT_STREQ(saved.records[1].description, "Beschreibung Teppich");
  EXPECT_STREQ(saved.records[1].category, "Boden");
  EXPECT_FLOAT_EQ(saved.records[1].absorption[0], 0.45f);
  EXPECT_FLOAT_EQ(saved.records[1].absorption[1], 0.3f);
  EXPECT_FLOAT_EQ(saved.records[1].absorption[6], 0.9f);
  std::remove(path.c_str());
}

TEST_F(MaterialDialogsTest, ChoosingTheShippedDatabaseLoadsItAndRemembersTheFolder) {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  std::string folder = generated[0] == '/' ? std::string("Z:") + generated : generated;
  for (char& c : folder)
    if (c == '/') c = '\\';
  if (folder.back() != '\\') folder += '\\';
  g_history_folders[FOLDER_ABSORBER_DB][0] = 0;
  run_scripted({{nullptr,
                 [&](HWND open) {
                   std::string path = folder + "BEISPIEL.OAB";
                   SetDlgItemTextA(open, 0x480, path.c_str());
                   SetDlgItemTextA(open, 0x47C, path.c_str());
                   PostMessageA(open, WM_COMMAND, IDOK, 0);
                 },
                 Kind::file_dialog}},
               [] { mat_cmd_load_absorber_db(); });
  EXPECT_GE(g_absorber_db.count, 20);
  EXPECT_STREQ(g_absorber_db.records[0].name, "Beton roh");
  EXPECT_TRUE(std::string(g_absorber_db_path).find("BEISPIEL.OAB") != std::string::npos) << g_absorber_db_path;
  EXPECT_STRCASEEQ(g_history_folders[FOLDER_ABSORBER_DB], folder.c_str());
}

TEST_F(MaterialDialogsTest, NewRecordInAnEmptyDatabase) {
  g_absorber_db.count = 0;
  bool edit_hidden_at_start = false, edit_shown_after = false;
  int result = -1;
  run_scripted({{"Material-Datenbank",
                 [&](HWND dialog) {
                   edit_hidden_at_start = !IsWindowVisible(GetDlgItem(dialog, 112));
                   click(dialog, 111);  // Neu
                   click(dialog, 111);  // OK with the shown values
                   edit_shown_after = IsWindowVisible(GetDlgItem(dialog, 112)) != FALSE;
                   PostMessageA(dialog, WM_CLOSE, 0, 0);
                 }},
                answer_message_box(IDCANCEL)},
               [&] { result = mat_run_database_dialog(); });
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(edit_hidden_at_start);
  EXPECT_TRUE(edit_shown_after);
  ASSERT_EQ(g_absorber_db.count, 1);
  EXPECT_STREQ(g_absorber_db.records[0].name, "Neu");
  EXPECT_FLOAT_EQ(g_absorber_db.records[0].absorption[4], 1.0f);
}

TEST(CalcOptionsDialog, ClicksChangeTheOptionsAtOnce) {
  opts_reset_calc_options();
  g_unit_feet = 1;
  std::string label_303;
  int result = -1;
  run_scripted({{"Berechnungsoptionen",
                 [&](HWND dialog) {
                   label_303 = item_text(dialog, 303);
                   click(dialog, 101);
                   click(dialog, 104);
                   click(dialog, 105);
                   click(dialog, 105);
                   click(dialog, 303);
                   click(dialog, 502);
                 }}},
               [&] { result = opts_run_calc_dialog(); });
  g_unit_feet = 0;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(label_303, "  1.6 ft.");
  EXPECT_EQ(g_calc_options.summation_mode, 1);
  EXPECT_EQ(g_calc_options.flags, CALC_FLAG_SHADOWING);
  EXPECT_EQ(g_calc_options.grid_spacing_index, 1);
  EXPECT_EQ(CALC_GRID_SPACING_M[g_calc_options.grid_spacing_index], 0.5);

  bool minimum_checked = false;
  run_scripted({{"Berechnungsoptionen",
                 [&](HWND dialog) {
                   click(dialog, 301);
                   minimum_checked = IsDlgButtonChecked(dialog, 104) == BST_CHECKED;  // kept from before
                   click(dialog, 501);
                 }}},
               [&] { result = opts_run_calc_dialog(); });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(minimum_checked);
  EXPECT_EQ(g_calc_options.grid_spacing_index, -1);
}

}  // namespace
