// The loudspeaker list, the aiming and array commands and the cluster
// balloon in the running design program on the sample project, driven
// through the menu ids, the pointer on the drawing window and the dialogs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app_harness.h"
#include "cad/input_win.h"
#include "cad/render.h"
#include "project/calc_options.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "acoustics/speaker_list.h"
#include "acoustics/speaker_list_win.h"
#include "framework/child_windows_win.h"
#include "framework/palette.h"
#include "project/project_file.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"
#include "tests/native/run_folder.h"
#include "tests/win32/dialog_script.h"
#include "tests/win32/pdf_printer.h"
#include "tests/win32/posted_input.h"
#include "tests/win32/text_fit.h"

namespace {

constexpr double DEG = 3.141592654 / 180.0;

using posted_input::click;
using posted_input::key;
using posted_input::move_to;
using posted_input::pixel_of;
// Runs the command to its end with the input posted before.
void run_command(int id) { SendMessageA(win_main_window(), WM_COMMAND, static_cast<WPARAM>(id), 0); }
void press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

// The sample project in a plan view of the whole hall (20 x 12 m).
void open_sample() {
  const char* generated = std::getenv("ORV_GENERATED");
  ASSERT_NE(generated, nullptr);
  std::string path = std::string(generated) + "\\BEISPIEL.OPR";
  ASSERT_EQ(proj_load(path.c_str()), 1) << path;
  input_enable_cursor(1);
  view_set_xy();
  g_view.scale = 20;
  g_view.centre_x = 10;
  g_view.centre_y = 6;
  g_view.coord_snap = 0;
  g_view.point_snap = 0;
  g_cursor_point = {0, 0, 0};
  view_relayout();
}

PlacedSpeaker* named(const char* name) {
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (PlacedSpeaker* ps = spk_placed_of(o))
      if (std::string(ps->name) == name) return ps;
  return nullptr;
}

// A window dragged up and left selects what lies inside it.
void select_inside(float x0, float y0, float x1, float y1) {
  click(x1, y1);
  click(x0, y0);
}

void type_and_ok(HWND dialog, const char* text) {
  SetDlgItemTextA(dialog, 105, text);
  press(dialog, 102);
}

std::string item_text(HWND dialog, int id) {
  char text[128] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

struct ListSeen {
  bool found = false;
  std::vector<std::string> rows;
  bool first_selected = false, third_selected = false, first_released = false;
  std::string first_power, third_power, expected_first, expected_third, total;
};

void look_at_list(HWND dialog, ListSeen& seen) {
  seen.found = true;
  HWND list = GetDlgItem(dialog, 101);
  int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[128] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    seen.rows.push_back(text);
  }
  if (g_spk_list_count < 3) return;
  char expected[32];
  std::snprintf(expected, sizeof expected, "%3.2f", g_spk_list[0]->band_power[3]);
  seen.expected_first = expected;
  std::snprintf(expected, sizeof expected, "%3.2f", g_spk_list[2]->band_power[3]);
  seen.expected_third = expected;
  seen.first_selected = g_spk_list[0]->object->attributes & OBJ_ATTR_SELECTED;
  seen.first_power = item_text(dialog, 204);
  seen.total = item_text(dialog, 304);
  SendMessageA(list, LB_SETCURSEL, 2, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  seen.first_released = !(g_spk_list[0]->object->attributes & OBJ_ATTR_SELECTED);
  seen.third_selected = g_spk_list[2]->object->attributes & OBJ_ATTR_SELECTED;
  seen.third_power = item_text(dialog, 204);
}

TEST(SpeakerListWindow, ShowsTheSampleProjectsLoudspeakersSortedByPosition) {
  ListSeen seen;
  bool gone = false, none_selected = false, table_freed = false;
  int code = harness::run({
      [&] {
        open_sample();
        dialog_script::Playing actions({{"Lautsprecherliste", [&](HWND d) {
                                  look_at_list(d, seen);
                                  press(d, 104);
                                }}},
                                       0, 40);
        run_command(1004);
        actions.stop();
        gone = own_dialog::find("Lautsprecherliste") == nullptr;
        none_selected = true;
        for (DrawObject* o = g_obj_head; o; o = o->next) none_selected = none_selected && !(o->attributes & OBJ_ATTR_SELECTED);
        table_freed = g_spk_list == nullptr;
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.rows, (std::vector<std::string>{"001\tBOX2W\t1.5,1.5,5.0", "002\tBOX2W\t1.5,10.5,5.0",
                                                 "003\tKUGEL12\t2.0,6.0,3.0"}));
  EXPECT_TRUE(seen.first_selected);
  EXPECT_EQ(seen.first_power, seen.expected_first);
  EXPECT_FALSE(seen.total.empty());
  EXPECT_TRUE(seen.first_released);
  EXPECT_TRUE(seen.third_selected);
  EXPECT_EQ(seen.third_power, seen.expected_third);
  EXPECT_TRUE(gone);
  EXPECT_TRUE(none_selected);
  EXPECT_TRUE(table_freed);
}

// "Drucken" closes the list and prints it on a landscape page of the PDF
// queue: the frame of the table stands where the layout puts it.
TEST(SpeakerListWindow, PrintsTheListInItsFrame) {
  std::string job;
  int code = harness::run({
      [&] {
        open_sample();
        dialog_script::Playing actions({{"Lautsprecherliste", [&](HWND d) {
                                  job = pdf_printer::next_job_name();
                                  pdf_printer::answer_next_dialog(IDOK);
                                  press(d, 105);
                                }}},
                                       0, 40);
        run_command(1004);
        actions.stop();
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_FALSE(job.empty());
  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, page));
  EXPECT_EQ(pdf_printer::page_count(pdf), 1);
  ASSERT_GT(page.width, page.height);  // landscape
  int h, w;
  spk_list_char_size(page.width, &h, &w);
  const int right = spk_list_frame_right(w), left = SPK_LIST_MARGIN - w;
  const int top = 8 * h - h / 2, bottom = 8 * h + 45 * (h + 4) + h;
  auto dark_near = [&](int x, int y) {
    for (int d = -3; d <= 3; ++d)
      if (page.dark(x + d, y) || page.dark(x, y + d)) return true;
    return false;
  };
  for (int y = top + 20; y < bottom - 20; y += 97) {
    EXPECT_TRUE(dark_near(left, y)) << y;
    EXPECT_TRUE(dark_near(right, y)) << y;
  }
  for (int x = left + 20; x < right - 20; x += 97) {
    EXPECT_TRUE(dark_near(x, top)) << x;
    EXPECT_TRUE(dark_near(x, bottom)) << x;
  }
  EXPECT_FALSE(page.dark(right + 40, (top + bottom) / 2));
  if (::testing::Test::HasFailure() == false) DeleteFileA(pdf.c_str());
}

// Two of the three loudspeakers turned half round a base point between
// them trade places; the third stays; the number placed stays three.
TEST(SpeakerArrays, TurningMovesTheSelectedLoudspeakersOnly) {
  PlacedSpeaker ls1{}, ls2{}, ls3{};
  int count = 0, modified = 0;
  int code = harness::run({
      [&] {
        open_sample();
        dialog_script::Playing actions({{"Drehwinkel (Grad) : ", [](HWND d) { type_and_ok(d, "180"); }}}, 0, 40);
        select_inside(0.2f, 0.2f, 3, 3);
        select_inside(0.2f, 9.2f, 3, 11.8f);
        key(VK_RETURN);
        click(1.5f, 6);  // base point
        run_command(1017);
        actions.stop();
        ls1 = *named("LS1"), ls2 = *named("LS2"), ls3 = *named("LS3");
        count = obj_count_speaker();
        modified = g_modified;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(count, 3);
  EXPECT_NEAR(ls1.position[0], 1.5, 0.06);
  EXPECT_NEAR(ls1.position[1], 10.5, 0.06);
  EXPECT_NEAR(ls2.position[1], 1.5, 0.06);
  EXPECT_NEAR(ls1.horizontal_angle / DEG, -160, 0.01);
  EXPECT_NEAR(ls2.horizontal_angle / DEG, 160, 0.01);
  EXPECT_NEAR(ls1.position[2], 5, 1e-5);
  EXPECT_FLOAT_EQ(ls3.position[0], 2.0f);
  EXPECT_FLOAT_EQ(ls3.position[1], 6.0f);
  EXPECT_FLOAT_EQ(ls3.horizontal_angle, 0.0f);
  EXPECT_EQ(modified, 1);
}

TEST(SpeakerArrays, TiltingRaisesTheAimAndTurnsThePositionUp) {
  PlacedSpeaker ls3{};
  WorldPoint axis{};
  int code = harness::run({
      [&] {
        open_sample();
        dialog_script::Playing actions({{"Drehwinkel (Grad) : ", [](HWND d) { type_and_ok(d, "10"); }}}, 0, 40);
        select_inside(1.0f, 4.5f, 3, 7.5f);
        key(VK_RETURN);
        click(0, 6);  // base point, on the floor
        run_command(1018);
        actions.stop();
        ls3 = *named("LS3");
        DrawObject* o = ls3.object;
        axis = o->nodes[o->node_count - 2];
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_NEAR(ls3.position[0], 2 * std::cos(10 * DEG) - 3 * std::sin(10 * DEG), 0.06);
  EXPECT_NEAR(ls3.position[2], 2 * std::sin(10 * DEG) + 3 * std::cos(10 * DEG), 0.06);
  EXPECT_NEAR(ls3.vertical_angle / DEG, 10, 0.01);
  // The shape was rebuilt: its axis node points 10 degrees up.
  EXPECT_NEAR(std::atan2(axis.z - ls3.position[2], axis.x - ls3.position[0]) / DEG, 10, 0.05);
}

TEST(SpeakerAim, AimAtAPickedPoint) {
  PlacedSpeaker ls3{}, ls1{};
  int code = harness::run({
      [&] {
        open_sample();
        ls1 = *named("LS1");
        select_inside(1.0f, 4.5f, 3, 7.5f);
        key(VK_RETURN);
        click(10, 2);
        run_command(1012);
        ls3 = *named("LS3");
        PlacedSpeaker now = *named("LS1");
        EXPECT_FLOAT_EQ(now.horizontal_angle, ls1.horizontal_angle);
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_NEAR(ls3.horizontal_angle / DEG, std::atan2(-4.0, 8.0) / DEG, 0.5);
  EXPECT_NEAR(ls3.vertical_angle / DEG, std::atan2(-3.0, std::sqrt(80.0)) / DEG, 0.5);
}

// Two loudspeakers of the sample become a cluster file that opens as a
// one-type database.
TEST(SpeakerCluster, SavesTheSelectedLoudspeakersAsOneType) {
  const std::string stem = run_folder::file("ORVCLUSTER");
  const std::string file = stem + ".OSB";
  DeleteFileA(file.c_str());
  int opened = 0, count = 0;
  std::string name, description;
  int code = harness::run({
      [&] {
        open_sample();
        dialog_script::Playing actions({{"Cluster-Beschreibung :", [](HWND d) { type_and_ok(d, "Zwei Boxen"); }},
                               {own_dialog::file_dialog, [&](HWND d) { dialog_script::answer_file_dialog(d, stem); }}},
                              0, 40);
        select_inside(0.2f, 0.2f, 3, 3);
        select_inside(0.2f, 9.2f, 3, 11.8f);
        key(VK_RETURN);
        run_command(1016);
        actions.stop();
        opened = sdb_open_path(file.c_str());
        count = g_sdb_index.count;
        name = g_sdb_index.names[0];
        if (sdb_read_type_head(0)) description = g_type_head.description;
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(opened, 1) << file;
  EXPECT_EQ(count, 1);
  EXPECT_EQ(name, "CLUSTER");
  EXPECT_EQ(description, "Zwei Boxen");
  DeleteFileA(file.c_str());
}

}  // namespace

namespace {

void click_pixel(int x, int y) {
  PostMessageA(win_drawing_window(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageA(win_drawing_window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}

// Of the -3 dB ring's nodes that fall inside the drawing window, how many
// pixels show the ring's pen; the count of such nodes in `points`.
int ring_pixels_in_pen(const DrawObject* footprint, int* points) {
  *points = 0;
  if (!footprint) return 0;
  HWND window = win_drawing_window();
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  const COLORREF pen = gfx_palette_colour(19) & 0xFFFFFF;
  double radius = g_view.main_width / 2;
  int hits = 0;
  for (int i = 0; i < 72; ++i) {
    const WorldPoint& p = footprint->nodes[i];
    int x = int(g_view.screen_centre_x + radius * p.x), y = int(g_view.screen_centre_y + radius * p.y);
    if (x < 2 || y < 2 || x >= client.right - 2 || y >= client.bottom - 2) continue;
    ++*points;
    bool hit = false;
    for (int dy = -1; dy <= 1 && !hit; ++dy)
      for (int dx = -1; dx <= 1 && !hit; ++dx) hit = (GetPixel(dc, x + dx, y + dy) & 0xFFFFFF) == pen;
    hits += hit;
  }
  ReleaseDC(window, dc);
  return hits;
}

struct AfterAiming {
  int16_t kind = -1, band = -1;
  float step = 0;
  bool footprint_gone = false, buttons_gone = false;
};
AfterAiming after_aiming() {
  AfterAiming a;
  a.kind = g_view.kind;
  a.band = g_calc_options.band;
  a.step = g_view.rotation_step;
  a.footprint_gone = g_render_refs.aim_footprint == nullptr;
  a.buttons_gone = GetDlgItem(win_main_window(), 20000) == nullptr;
  return a;
}

void expect_view_restored(const AfterAiming& a) {
  EXPECT_EQ(a.kind, VIEW_XY);
  EXPECT_EQ(a.band, 7);
  EXPECT_FLOAT_EQ(a.step, VIEW_ROTATION_STEP);
  EXPECT_TRUE(a.footprint_gone);
  EXPECT_TRUE(a.buttons_gone);
}

}  // namespace

// In the eye view a click on the centre leaves the aim, a click to the right
// turns it that way by a quarter turn per main-window width; OK keeps it.
TEST(SpeakerAim, CentralAimingTurnsTowardTheClick) {
  PlacedSpeaker before{}, ls1{};
  AfterAiming after;
  int main_width = 0, centre_x = 0, centre_y = 0;
  bool in_eye_view = false;
  int ring_pixels = 0, ring_points = 0;
  int code = harness::run({
      [&] {
        open_sample();
        RECT client;
        GetClientRect(win_main_window(), &client);
        main_width = client.right;
        centre_x = int(g_view.screen_centre_x), centre_y = int(g_view.screen_centre_y);
        // A horn, whose -3 dB ring lies well inside the screen.
        std::string db = std::string(std::getenv("ORV_GENERATED")) + "\\BEISPIEL.OSB";
        ASSERT_EQ(sdb_open_path(db.c_str()), 1);
        ASSERT_EQ(sdb_find_or_load_type(named("LS1"), "HORN6040"), 1);
        before = *named("LS1");
        select_inside(0.2f, 0.2f, 3, 3);
        key(VK_RETURN);
        dialog_script::Playing polls(dialog_script::polls({[&] {
          in_eye_view = g_view.kind == VIEW_EYE && g_render_refs.aim_footprint != nullptr;
          ring_pixels = ring_pixels_in_pen(g_render_refs.aim_footprint, &ring_points);
          click_pixel(centre_x, centre_y);
          click_pixel(centre_x + 100, centre_y);
          key(VK_RETURN);
          return true;
        }}), 0, 40);
        run_command(1015);
        polls.stop();
        ls1 = *named("LS1");
        after = after_aiming();
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(in_eye_view);
  // The -3 dB ring of the 1 kHz band is on the screen in its pen.
  EXPECT_GT(ring_points, 20);
  EXPECT_GT(ring_pixels, ring_points * 3 / 4);
  ASSERT_GT(main_width, 0);
  double turned = -(3.141592654 / 2) * 100 / main_width;
  EXPECT_NEAR(ls1.horizontal_angle - before.horizontal_angle, turned, 3 * (3.141592654 / 2) / main_width);
  EXPECT_NEAR(ls1.vertical_angle, before.vertical_angle, 1e-4);
  expect_view_restored(after);
}

// A band button shows that band's rings; STOP keeps the loudspeaker's aim
// and the view comes back as it was.
TEST(SpeakerAim, CentralAimingBandButtonAndStop) {
  PlacedSpeaker before{}, ls3{};
  AfterAiming after;
  int band_hz = 0, centre_x = 0, centre_y = 0;
  int code = harness::run({
      [&] {
        open_sample();
        before = *named("LS3");
        centre_x = int(g_view.screen_centre_x), centre_y = int(g_view.screen_centre_y);
        select_inside(1.0f, 4.5f, 3, 7.5f);
        key(VK_RETURN);
        dialog_script::Playing polls(dialog_script::polls({
            [&] {
              HWND button = GetDlgItem(win_main_window(), 20005);
              if (!button) return false;
              SetFocus(button);
              PostMessageA(win_main_window(), WM_COMMAND, 20005, reinterpret_cast<LPARAM>(button));
              return true;
            },
            [&] {
              if (g_render_refs.aim_band_hz != 4000) return false;
              band_hz = g_render_refs.aim_band_hz;
              click_pixel(centre_x + 200, centre_y + 50);
              key(VK_ESCAPE);
              return true;
            },
        }), 0, 40);
        run_command(1015);
        polls.stop();
        ls3 = *named("LS3");
        after = after_aiming();
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(band_hz, 4000);
  EXPECT_FLOAT_EQ(ls3.horizontal_angle, before.horizontal_angle);
  EXPECT_FLOAT_EQ(ls3.vertical_angle, before.vertical_angle);
  expect_view_restored(after);
}

// Where the type column of the rows ends for the longest type name and where
// the place starts, in pixels of the list's font; the widest row against
// what the list shows (its width, or what it scrolls to).
struct Columns {
  int average = 0, type_end = 0, place_start = 0, widest_row = 0, visible = 0;
};
Columns look_at_columns(HWND list) {
  Columns c;
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  SIZE alphabet = {};
  GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &alphabet);
  c.average = (int(alphabet.cx) / 26 + 1) / 2;  // what the list box measures tab stops by
  int stops[2];
  spk_list_tab_stops(stops);
  INT pixels[2] = {MulDiv(stops[0], c.average, 4), MulDiv(stops[1], c.average, 4)};
  c.place_start = pixels[1];
  int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[128] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    std::string row = text;
    size_t tab = row.find('\t'), next = row.find('\t', tab + 1);
    std::string type = row.substr(tab + 1, next - tab - 1);
    SIZE size = {};
    GetTextExtentPoint32A(dc, type.c_str(), int(type.size()), &size);
    c.type_end = std::max(c.type_end, pixels[0] + int(size.cx));
    c.widest_row = std::max(c.widest_row, int(LOWORD(GetTabbedTextExtentA(dc, text, int(row.size()), 2, pixels))));
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  RECT client;
  GetClientRect(list, &client);
  c.visible = std::max(int(client.right), int(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0)));
  return c;
}

// "Typ generell ersetzen" on a BOX2W row turns both BOX2W loudspeakers into
// the type chosen in the database's selection dialog; the KUGEL12 stays.
TEST(SpeakerListWindow, ReplacingATypeChangesItsRowsAndModel) {
  std::vector<std::string> rows, cut;
  Columns columns;
  std::string ls1_type, ls3_type;
  float ls1_gain = 0;
  int modified = 0;
  int code = harness::run({
      [&] {
        open_sample();
        std::string db = std::string(std::getenv("ORV_GENERATED")) + "\\BEISPIEL.OSB";
        ASSERT_EQ(sdb_open_path(db.c_str()), 1);
        dialog_script::Playing actions({
            {"Lautsprecherliste", [](HWND d) { press(d, 103); }},
            {"Lautsprecher wählen",
             [](HWND d) {
               HWND names = GetDlgItem(d, 101);
               int index = int(SendMessageA(names, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("HORN6040")));
               SendMessageA(names, LB_SETCURSEL, index, 0);
               press(d, 110);
             }},
            {"Lautsprecherliste",
             [&](HWND d) {
               HWND list = GetDlgItem(d, 101);
               int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
               for (int i = 0; i < n; ++i) {
                 char text[128] = "";
                 SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                 rows.push_back(text);
               }
               if (rows.size() == 3 && rows[0].find("HORN6040") == std::string::npos) {
                 rows.clear();  // not replaced yet: look again
                 dialog_script::again();
                 return;
               }
               columns = look_at_columns(list);
               cut = text_fit::cut_texts(d);
               press(d, 104);
             }},
        }, 0, 40);
        run_command(1004);
        actions.stop();
        PlacedSpeaker* ls1 = named("LS1");
        PlacedSpeaker* ls3 = named("LS3");
        ls1_type = g_speaker_types.records[ls1->type_index]->type_name;
        ls3_type = g_speaker_types.records[ls3->type_index]->type_name;
        ls1_gain = ls1->eq_gain[0];
        modified = g_modified;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(rows, (std::vector<std::string>{"001\tHORN6040\t1.5,1.5,5.0", "002\tHORN6040\t1.5,10.5,5.0",
                                            "003\tKUGEL12\t2.0,6.0,3.0"}));
  EXPECT_EQ(ls1_type, "HORN6040");
  EXPECT_EQ(ls3_type, "KUGEL12");
  // The longest type name ends a gap before its place starts; the rows can
  // be seen whole; the band fields show their whole numbers.
  ASSERT_GT(columns.average, 0);
  EXPECT_LE(columns.type_end + columns.average / 2, columns.place_start);
  EXPECT_LE(columns.widest_row, columns.visible);
  for (const std::string& c : cut) ADD_FAILURE() << c;
  EXPECT_FLOAT_EQ(ls1_gain, -9.0f);
  EXPECT_EQ(modified, 1);
}

// The turn is one step of the undo ring: undo puts both loudspeakers back.
TEST(SpeakerArrays, UndoPutsATurnedArrayBack) {
  float turned_y = 0, undone_y1 = 0, undone_y2 = 0;
  int code = harness::run({
      [&] {
        open_sample();
        dialog_script::Playing actions({{"Drehwinkel (Grad) : ", [](HWND d) { type_and_ok(d, "180"); }}}, 0, 40);
        select_inside(0.2f, 0.2f, 3, 3);
        select_inside(0.2f, 9.2f, 3, 11.8f);
        key(VK_RETURN);
        click(1.5f, 6);
        run_command(1017);
        actions.stop();
        turned_y = named("LS1")->position[1];
        run_command(201);
        undone_y1 = named("LS1")->position[1];
        undone_y2 = named("LS2")->position[1];
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_NEAR(turned_y, 10.5f, 0.06f);
  EXPECT_FLOAT_EQ(undone_y1, 1.5f);
  EXPECT_FLOAT_EQ(undone_y2, 10.5f);
}

// 45 loudspeakers: the 45th row starts a second page.
TEST(SpeakerListWindow, FortyFifthLoudspeakerIsPrintedOnPageTwo) {
  std::string job;
  int placed = 0;
  int code = harness::run({
      [&] {
        open_sample();
        PlacedSpeaker block = *named("LS3");
        for (int i = 0; i < 42; ++i) {
          block.position[0] = 5.0f + 0.3f * (i % 14);
          block.position[1] = 2.0f + 3.0f * (i / 14);
          DrawObject* o = spk_create_object(block);
          spk_build_object(spk_placed_of(o), o, 1);
        }
        placed = obj_count_speaker();
        dialog_script::Playing actions({{"Lautsprecherliste", [&](HWND d) {
                                  job = pdf_printer::next_job_name();
                                  pdf_printer::answer_next_dialog(IDOK);
                                  press(d, 105);
                                }}},
                                       0, 40);
        run_command(1004);
        actions.stop();
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(placed, 45);
  ASSERT_FALSE(job.empty());
  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << job;
  EXPECT_EQ(pdf_printer::page_count(pdf), 2);
  pdf_printer::Page second;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, second, 2));
  int h, w;
  spk_list_char_size(second.width, &h, &w);
  // Page two has its frame and one row below the titles, the totals two lines under it.
  bool frame = false;
  for (int d = -3; d <= 3 && !frame; ++d) frame = second.dark(spk_list_frame_right(w) + d, 20 * h);
  EXPECT_TRUE(frame);
  auto ink_in_rows = [&](int top, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = SPK_LIST_MARGIN + 5 * w; x < SPK_LIST_MARGIN + 60 * w; ++x) n += second.dark(x, y);
    return n;
  };
  EXPECT_GT(ink_in_rows(10 * h, 11 * h), 0);            // row 45
  EXPECT_EQ(ink_in_rows(11 * h + 4, 12 * h + 8), 0);    // nothing after it
  if (!::testing::Test::HasFailure()) DeleteFileA(pdf.c_str());
}
