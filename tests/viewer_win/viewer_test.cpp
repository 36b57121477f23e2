// The viewer OV in the test process: its title, a read-only copy of the
// sample project opened through the open dialog, the panel's views, the
// read-only face list, the unit choice in its own history file, and the
// project file's bytes untouched.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "acoustics/cov_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/ray_file.h"
#include "acoustics/ray_path.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/coverage_grid.h"
#include "project/map_file.h"
#include "project/project_file.h"
#include "speakers/speaker_model.h"
#include "tests/win32/program_harness.h"
#include "tests/win32/window_bitmap.h"
#include "viewer/viewer_history.h"
#include "viewer/viewer_main_win.h"

using harness::when;

namespace {

const harness::Program VIEWER{viewer_win_main, [] { g_modified = 0; }};

constexpr const char* COPY_NAME = "OV_READONLY_COPY.OPR";
constexpr const char* MAP_NAME = "OV_TEST_MAP.OMF";

// The programs' start-up folder is the current one (the program keeps it
// from win_init on).
std::string start_folder() {
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof folder, folder);
  return folder;
}
std::string in_start_folder(const char* name) { return start_folder() + "\\" + name; }

std::vector<char> bytes_of(const std::string& path) {
  std::vector<char> out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(char(c));
    std::fclose(f);
  }
  return out;
}

HWND open_dialog() { return own_dialog::file_dialog(); }
void type_file_name(HWND dialog, const char* name) { dialog_script::answer_file_dialog(dialog, name); }

struct Seen {
  std::string title_at_start, title_after_open;
  int objects = 0, rows = 0;
  bool change_button = true, replace_button = true, print_button = false;
  WindowPixels plan, three_d;
  std::vector<char> history;
  uint32_t map_points = 0, loaded_points = 0;
  bool map_window = false, map_closed = false;
  std::string description;
  std::vector<std::string> speaker_rows, speaker_rows_after;
  bool type_button = false, replace_type_button = true, modified_after_type = true;
};
Seen g_seen;

HWND face_list() { return own_dialog::find("Flächenliste"); }
HWND speaker_list() { return own_dialog::find("Lautsprecherliste"); }

std::vector<std::string> list_rows(HWND dialog) {
  std::vector<std::string> rows;
  int n = int(SendDlgItemMessageA(dialog, 101, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[160] = "";
    SendDlgItemMessageA(dialog, 101, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    rows.push_back(text);
  }
  return rows;
}

}  // namespace

TEST(Viewer, OpensAReadOnlyProjectShowsItAndLeavesItsBytes) {
  std::string sample = in_start_folder("BEISPIEL.OPR");
  std::string copy = in_start_folder(COPY_NAME);
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(CopyFileA(sample.c_str(), copy.c_str(), FALSE));
  ASSERT_TRUE(SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_READONLY));
  std::vector<char> before = bytes_of(copy);
  ASSERT_GT(before.size(), 1000u);
  char history_path[MAX_PATH + 16];
  viewer_history_path(history_path, sizeof history_path, start_folder().c_str());
  DeleteFileA(history_path);
  g_seen = Seen{};

  int code = harness::run_program(VIEWER, {
      [&] {
        g_seen.title_at_start = harness::window_text(win_main_window());
        PostMessageA(win_main_window(), WM_COMMAND, 101, 0);
      },
      when([] { return open_dialog() != nullptr; }, [] { type_file_name(open_dialog(), COPY_NAME); }),
      when([] { return !open_dialog() && g_obj_head != nullptr; },
           [] {
             g_seen.title_after_open = harness::window_text(win_main_window());
             g_seen.objects = obj_count();
             g_seen.plan = capture_window(win_drawing_window());
             SendMessageA(GetDlgItem(panel_window(), 104), BM_CLICK, 0, 0);  // "3D"
           }),
      when([] { return g_view.kind == VIEW_3D; },
           [] {
             g_seen.three_d = capture_window(win_drawing_window());
             PostMessageA(win_main_window(), WM_COMMAND, 2502, 0);
           }),
      when([] { return face_list() != nullptr; },
           [] {
             HWND dialog = face_list();
             g_seen.rows = int(SendDlgItemMessageA(dialog, 101, LB_GETCOUNT, 0, 0));
             g_seen.change_button = GetDlgItem(dialog, 102) != nullptr;
             g_seen.replace_button = GetDlgItem(dialog, 103) != nullptr;
             g_seen.print_button = GetDlgItem(dialog, 105) != nullptr;
             PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(104, BN_CLICKED), 0);
           }),
      when([] { return face_list() == nullptr; }, [] { PostMessageA(win_main_window(), WM_COMMAND, 1004, 0); }),
      when([] { return speaker_list() != nullptr; },
           [] {
             HWND dialog = speaker_list();
             g_seen.speaker_rows = list_rows(dialog);
             g_seen.type_button = GetDlgItem(dialog, 102) != nullptr;
             g_seen.replace_type_button = GetDlgItem(dialog, 103) != nullptr;
             SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);  // "Einzeltyp ändern": nothing
             g_seen.speaker_rows_after = list_rows(dialog);
             g_seen.modified_after_type = g_modified != 0;
             PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(104, BN_CLICKED), 0);
           }),
      when([] { return speaker_list() == nullptr; },
           [] {
             // A level map of the opened project, stored and forgotten, then opened as a file.
             ASSERT_GT(cov_build_active_speakers(), 0);
             ASSERT_EQ(cov_build_grid(), 1);
             ASSERT_EQ(cov_calculate_grid(), 1);
             g_seen.map_points = g_coverage_grid.point_count;
             ASSERT_EQ(mapfile_save_to(in_start_folder(MAP_NAME).c_str(), "Testkarte"), 1);
             cov_reset();
             PostMessageA(win_main_window(), WM_COMMAND, 5103, 0);
           }),
      when([] { return open_dialog() != nullptr; }, [] { type_file_name(open_dialog(), MAP_NAME); }),
      when([] { return cov_window() != nullptr; },
           [] {
             g_seen.map_window = true;
             g_seen.loaded_points = g_coverage_grid.point_count;
             SendMessageA(cov_control(COV_ID_CLOSE), BM_CLICK, 0, 0);
           }),
      when([] { return cov_window() == nullptr; },
           [] {
             g_seen.map_closed = true;
             PostMessageA(win_main_window(), WM_COMMAND, 517, 0);
           }),
      when([] { return g_unit_feet == 1; }, [&] { g_seen.history = bytes_of(history_path); }),
  });
  EXPECT_EQ(code, 0);
  // The map's description is shown in a box and answered OK; no other box.
  for (const harness::Box& box : harness::g_boxes) {
    if (box.caption == "Beschreibung :")
      g_seen.description = box.text;
    else
      ADD_FAILURE() << "message: " << box.text;
  }
  EXPECT_EQ(g_seen.title_at_start.rfind("Orvante Viewer 2.90", 0), 0u) << g_seen.title_at_start;
  EXPECT_NE(g_seen.title_after_open.find(COPY_NAME), std::string::npos) << g_seen.title_after_open;
  EXPECT_GT(g_seen.objects, 8);
  int area = g_seen.plan.width * g_seen.plan.height;
  EXPECT_GT(pixels_differing(g_seen.plan, g_seen.three_d), area / 500);
  EXPECT_EQ(g_seen.rows, 14);  // the hall: floor and back wall cut round the seats and the curtain
  EXPECT_FALSE(g_seen.change_button);
  EXPECT_FALSE(g_seen.replace_button);
  EXPECT_TRUE(g_seen.print_button);
  EXPECT_EQ(g_seen.speaker_rows.size(), 3u);  // the sample's three loudspeakers
  EXPECT_TRUE(g_seen.type_button);
  EXPECT_FALSE(g_seen.replace_type_button);
  EXPECT_EQ(g_seen.speaker_rows_after, g_seen.speaker_rows);
  EXPECT_FALSE(g_seen.modified_after_type);
  EXPECT_GT(g_seen.map_points, 100u);
  EXPECT_EQ(g_seen.description, "Testkarte");
  EXPECT_TRUE(g_seen.map_window);
  EXPECT_EQ(g_seen.loaded_points, g_seen.map_points);
  EXPECT_TRUE(g_seen.map_closed);
  ASSERT_EQ(g_seen.history.size(), 516u);
  EXPECT_NE(std::string(g_seen.history.data()).find(COPY_NAME), std::string::npos);
  EXPECT_EQ(g_seen.history[512], 1);
  EXPECT_EQ(bytes_of(copy), before);
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(copy.c_str());
  DeleteFileA(history_path);
  DeleteFileA(in_start_folder(MAP_NAME).c_str());
  g_unit_feet = 0;
}

namespace {

constexpr const char* RAY_NAME = "OV_READONLY_RAYS.ORF";

// A direct path from each placed loudspeaker to one receiver point.
int add_direct_paths(const WorldPoint& receiver) {
  int n = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_SPEAKER || o->aux_size < sizeof(PlacedSpeaker)) continue;
    const PlacedSpeaker* ps = static_cast<const PlacedSpeaker*>(o->aux);
    DrawObject* path = rpath_create(2);
    if (!path) return n;
    path->nodes[0] = WorldPoint{ps->position[0], ps->position[1], ps->position[2]};
    path->nodes[1] = receiver;
    rpath_set_tag(path, 0, 65534);
    rpath_set_tag(path, 1, 65535);
    obj_insert_before(path, g_obj_head);
    ++n;
  }
  return n;
}

struct RaySeen {
  int written_paths = 0;
  uint32_t shown_paths = 0, left_paths = 1;
  std::string prompt;
};
RaySeen g_rays;

}  // namespace

TEST(Viewer, OpensAReadOnlyRayFileAndShowsItsPaths) {
  std::string rays = in_start_folder(RAY_NAME);
  SetFileAttributesA(rays.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(rays.c_str());
  std::vector<char> before;
  g_rays = RaySeen{};
  int code = harness::run_program(VIEWER, {
      [&] {
        ASSERT_EQ(proj_load(in_start_folder("BEISPIEL.OPR").c_str()), 1);
        g_rays.written_paths = add_direct_paths(WorldPoint{12, 6, 1.2f});
        ASSERT_TRUE(rayfile_write(rays.c_str(), "Strahlen", 10.0));
        refl_remove_paths();
        ASSERT_TRUE(SetFileAttributesA(rays.c_str(), FILE_ATTRIBUTE_READONLY));
        before = bytes_of(rays);
        PostMessageA(win_main_window(), WM_COMMAND, 5021, 0);
      },
      when([] { return open_dialog() != nullptr; }, [] { type_file_name(open_dialog(), RAY_NAME); }),
      when([] { return std::strstr(view_prompt_text(), "Pfade") != nullptr; },
           [] {
             g_rays.prompt = view_prompt_text();
             g_rays.shown_paths = refl_count_paths();
             PostMessageA(win_main_window(), WM_KEYDOWN, VK_RETURN, 0);
           }),
      when([] { return std::strstr(view_prompt_text(), "Pfade") == nullptr; },
           [] { g_rays.left_paths = refl_count_paths(); }),
  });
  EXPECT_EQ(code, 0);
  bool described = false;
  for (const harness::Box& box : harness::g_boxes) described = described || box.text == "Strahlen";
  EXPECT_TRUE(described);
  EXPECT_EQ(g_rays.written_paths, 3);
  EXPECT_EQ(g_rays.shown_paths, 3u) << g_rays.prompt;
  EXPECT_EQ(g_rays.left_paths, 0u);
  EXPECT_EQ(bytes_of(rays), before);
  EXPECT_GT(before.size(), 0u);
  SetFileAttributesA(rays.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(rays.c_str());
}

// A command waiting for input greys the six menus but leaves "Hilfe"; STOP
// gives them back.
TEST(Viewer, AWaitingCommandGreysItsMenusButHelp) {
  auto greyed = [](int position) {
    return (GetMenuState(GetMenu(win_main_window()), position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
  };
  int running = 0;
  bool menus_greyed = true, help_greyed = true, menus_back = false;
  int code = harness::run_program(VIEWER, {
      [] { PostMessageA(win_main_window(), WM_COMMAND, 603, 0); },  // zoom window waits for a corner
      [&] {
        running = g_running_command;
        for (int position = 0; position < 6; ++position) menus_greyed = menus_greyed && greyed(position);
        help_greyed = greyed(6);
        PostMessageA(win_main_window(), WM_COMMAND, 20999, 0);  // STOP
      },
      [&] {
        menus_back = true;
        for (int position = 0; position < 7; ++position) menus_back = menus_back && !greyed(position);
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(running, 603);
  EXPECT_TRUE(menus_greyed);
  EXPECT_FALSE(help_greyed);
  EXPECT_TRUE(menus_back);
}
