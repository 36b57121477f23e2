// The coverage window in the running design program: a hall computed, the
// window opened on it, its map, a pick, its buttons and its closing, and a
// right click that plays the reflections at a point.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "acoustics/audio_cmd_win.h"
#include "acoustics/cov_legend.h"
#include "acoustics/cov_window_win.h"
#include "acoustics/coverage.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_calc.h"
#include "acoustics/sti.h"
#include "app_harness.h"
#include "dry_recording.h"
#include "window_bitmap.h"
#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/app_window_win.h"
#include "framework/child_windows_win.h"
#include "framework/gfx_win.h"
#include "framework/palette.h"
#include "framework/print_layout.h"
#include "framework/print_win.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "project/map_file.h"
#include "project/project_file.h"
#include "speakers/speaker_model.h"
#include "pdf_printer.h"
#include "tests/win32/dialog_script.h"

namespace {

DrawObject* add_polygon(uint32_t layer, std::vector<WorldPoint> nodes, int material) {
  uint32_t n = static_cast<uint32_t>(nodes.size());
  bool with_material = layer == LAYER_ROOM;
  DrawObject* o = obj_create(0, n, n + (with_material ? 1 : 0));
  for (uint32_t i = 0; i < n; ++i) o->nodes[i] = nodes[i];
  uint32_t e = 0;
  o->elements[e++] = ElementCode{EL_START, 0};
  if (with_material) o->elements[e++] = ElementCode{EL_MATERIAL, static_cast<uint16_t>(material)};
  for (uint32_t k = 1; k < n; ++k) o->elements[e++] = ElementCode{k + 1 == n ? EL_CLOSE : EL_LINE, static_cast<uint16_t>(k)};
  o->kind = OBJ_KIND_FACE;
  o->layer = layer;
  o->colour = layer == LAYER_ROOM ? 1 : 21;
  obj_append(o);
  return o;
}

void add_speaker(float x, float y, float z, float intensity) {
  DrawObject* o = obj_create(sizeof(PlacedSpeaker), 0, 0);
  auto* ps = static_cast<PlacedSpeaker*>(o->aux);
  *ps = PlacedSpeaker{};
  ps->switched_on = 1;
  ps->polarity = 1;
  for (float& i : ps->intensity) i = intensity;
  ps->position[0] = x, ps->position[1] = y, ps->position[2] = z;
  ps->object = o;
  o->layer = LAYER_SPEAKER;
  o->kind = OBJ_KIND_BODY;
  obj_append(o);
}

SpeakerRecord g_flat_type;

// A hall 30 x 18 x 10 m with partly absorbing walls, a raised listener floor
// and two loudspeakers at the front, computed at 1 m.
void compute_hall() {
  std::memset(&g_material_table, 0, sizeof g_material_table);
  g_material_table.count = 1;
  for (int b = 0; b < 7; ++b) g_material_table.records[0].absorption[b] = 0.15f + 0.05f * b;
  const float X = 30, Y = 18, Z = 10;
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, Y, 0}, {X, Y, 0}, {X, 0, 0}}, 0);
  add_polygon(LAYER_ROOM, {{0, 0, Z}, {X, 0, Z}, {X, Y, Z}, {0, Y, Z}}, 0);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {X, 0, 0}, {X, 0, Z}, {0, 0, Z}}, 0);
  add_polygon(LAYER_ROOM, {{0, Y, 0}, {0, Y, Z}, {X, Y, Z}, {X, Y, 0}}, 0);
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 0, Z}, {0, Y, Z}, {0, Y, 0}}, 0);
  add_polygon(LAYER_ROOM, {{X, 0, 0}, {X, Y, 0}, {X, Y, Z}, {X, 0, Z}}, 0);
  add_polygon(LAYER_LISTENER, {{4, 2, 1.2f}, {28, 2, 1.2f}, {28, 16, 1.2f}, {4, 16, 1.2f}}, 0);
  std::memset(g_flat_type.balloon, 225, sizeof g_flat_type.balloon);
  for (int16_t& q : g_flat_type.q_factor) q = 10;
  g_speaker_types.records[0] = &g_flat_type;
  g_speaker_types.count = 1;
  add_speaker(1.0f, 5.0f, 6.0f, 2e6f);
  add_speaker(1.0f, 13.0f, 6.0f, 2e6f);
  g_calc_options = CalcOptions{COV_MODE_LD, COV_SCALE_AUTO, 2, 0, 1, 0};
  ASSERT_EQ(cov_build_active_speakers(), 2);
  ASSERT_EQ(cov_build_grid(), 1);
  ASSERT_EQ(cov_calculate_grid(), 1);
  g_map_pick_count = 0;
}

// Pixel of a grid point by the view's plain mapping (plan view).
POINT pixel_of(const GridPoint& p) {
  return POINT{static_cast<LONG>(g_view.screen_centre_x + (p.x - g_view.centre_x) * g_view.scale),
               static_cast<LONG>(g_view.screen_centre_y - (p.y - g_view.centre_y) * g_view.scale)};
}

// Colour index of a value of mode 0 in one band, worked out from the rule.
int expected_colour(double value, double top_energy, double bottom_energy) {
  double top = std::floor(10 * std::log10(top_energy) + 0.5);
  double bottom = std::floor(10 * std::log10(bottom_energy) + 0.5);
  double step = std::floor((top - bottom) / 16);
  if (step < 1) step = 1;
  int index = 63 - static_cast<int>(std::floor((top - value) / step + 0.5));
  return index < 37 ? 37 : index > 63 ? 63 : index;
}

struct Seen {
  bool opened = false, drawing_hidden = false, closed = false, drawing_back = false;
  int id = 0, buttons = 0;
  int pick_count = -1, picked = -1, clear_visible = 0;
  int band_checked = -1;
  std::vector<std::pair<int, int>> colours;  // expected, got (palette index match)
};
Seen g_seen;
int g_probe_point = -1;

// Runs the window on the current result with steps inside its wait loop,
// one a tick once the window is up; the last one must close the window.
void run_window(const std::vector<std::function<void()>>& insides) {
  std::vector<dialog_script::Step> steps;
  for (const auto& inside : insides) steps.emplace_back(cov_window, inside);
  dialog_script::run_all(std::move(steps), cov_show_window, 60000, 100);
}

void click(int id) {
  HWND button = cov_control(id);
  ASSERT_NE(button, nullptr) << id;
  SendMessageA(button, BM_CLICK, 0, 0);
}

int palette_index_of(COLORREF c) {
  for (int i = COV_COLOUR_BOTTOM; i <= COV_COLOUR_TOP; ++i)
    if (gfx_palette_colour(i) == c) return i;
  return -1;
}

// Inside the window's wait loop: look at the map, pick a point, close.
void look_pick_and_close() {
  HWND window = cov_window();
  g_seen.opened = window != nullptr;
  if (!window) return;
  g_seen.id = GetDlgCtrlID(window);
  g_seen.drawing_hidden = !IsWindowVisible(win_drawing_window());
  for (int id : {COV_ID_CLOSE, COV_ID_PRINT, COV_ID_BAND_FIRST + 7, COV_ID_MODE_FIRST + 5, COV_ID_SCALE_FIRST})
    g_seen.buttons += cov_control(id) != nullptr;
  g_seen.band_checked = static_cast<int>(SendMessageA(cov_control(COV_ID_BAND_FIRST), BM_GETCHECK, 0, 0));
  const CoverageGrid& g = g_coverage_grid;
  HDC dc = GetDC(window);
  for (uint32_t i = 0; i < g.point_count; i += 37) {
    const GridPoint& p = g.points[i];
    POINT at = pixel_of(p);
    int want = expected_colour(10 * std::log10(p.energy[0]), g.max_energy[0], g.min_energy[0]);
    g_seen.colours.push_back({want, palette_index_of(GetPixel(dc, at.x, at.y))});
  }
  ReleaseDC(window, dc);
  if (const char* shot = std::getenv("ORV_SCREENSHOT")) save_window_bitmap(window, shot);
  POINT at = pixel_of(g.points[g_probe_point]);
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x + 2, at.y - 1));
  g_seen.pick_count = g_map_pick_count;
  g_seen.picked = g_map_pick_count > 0 ? g_map_picks[0] : -1;
  g_seen.clear_visible = IsWindowVisible(cov_control(COV_ID_CLEAR));
  click(COV_ID_CLOSE);
}

}  // namespace

TEST(CovWindow, OpensOnAComputedHallPicksAPointAndClosesOnBack) {
  g_seen = Seen{};
  int code = harness::run({
      [] {
        obj_free_all();
        compute_hall();
        ASSERT_GT(g_coverage_grid.point_count, 300u);
        g_probe_point = static_cast<int>(g_coverage_grid.point_count / 2);
        run_window({look_pick_and_close});
        g_seen.closed = cov_window() == nullptr;
        g_seen.drawing_back = IsWindowVisible(win_drawing_window()) != 0;
        g_speaker_types.count = 0;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g_seen.opened);
  EXPECT_EQ(g_seen.id, COV_WINDOW_ID);
  EXPECT_TRUE(g_seen.drawing_hidden);
  EXPECT_EQ(g_seen.buttons, 5);
  EXPECT_EQ(g_seen.band_checked, BST_CHECKED);  // band 0 shown pressed
  ASSERT_FALSE(g_seen.colours.empty());
  int distinct_ok = 0;
  for (auto [want, got] : g_seen.colours) {
    EXPECT_EQ(got, want);
    distinct_ok += got == want;
  }
  EXPECT_GT(distinct_ok, 5);
  EXPECT_EQ(g_seen.pick_count, 1);
  EXPECT_EQ(g_seen.picked, g_probe_point);
  EXPECT_TRUE(g_seen.clear_visible);
  EXPECT_TRUE(g_seen.closed);
  EXPECT_TRUE(g_seen.drawing_back);
  obj_free_all();
}

namespace {

std::string g_export_dir;
std::vector<std::string> g_export_files;

std::vector<std::string> files_matching(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

std::string g_first_lines;
std::string g_expected_first_lines;

// "--> exp" with one band asks for all bands; with all bands it writes the file.
void export_one_band() {
  g_calc_options.band = 0;
  click(COV_ID_MODE_FIRST + 5);
}

void export_all_bands() {
  g_calc_options.band = COV_ALL_BANDS;
  click(COV_ID_MODE_FIRST + 5);
}

void check_export_and_close() {
  g_export_files = files_matching(g_export_dir + "HALLE.ORV_RV_Exp_*.csv");
  double mti[7], level[7];
  sti_band_values(g_coverage_grid.points[0].energy, mti, level);
  char line[64];
  for (int b = 0; b < 7; ++b) {
    std::snprintf(line, sizeof line, "%d,%f,%.1f\r\n", b, mti[b], level[b]);
    g_expected_first_lines += line;
  }
  click(COV_ID_CLOSE);
}

}  // namespace

TEST(CovWindow, StiExportWritesSevenLinesPerPointNextToTheProject) {
  g_export_dir = testing::TempDir();
  for (const std::string& name : files_matching(g_export_dir + "HALLE.ORV_RV_Exp_*.csv"))
    DeleteFileA((g_export_dir + name).c_str());
  g_export_files.clear();
  int code = harness::run({
      [] {
        obj_free_all();
        compute_hall();
        std::snprintf(g_project_path, sizeof g_project_path, "%sHALLE.ORV", g_export_dir.c_str());
        run_window({export_one_band, export_all_bands, check_export_and_close});
        g_speaker_types.count = 0;
        g_project_path[0] = 0;
      },
  });
  EXPECT_EQ(code, 0);
  std::vector<std::string> texts;
  for (const harness::Box& box : harness::g_boxes) texts.push_back(box.text);
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], "F\xFCr den Export die Oktavbandbetrachtung auf Durchschnitt setzen. ");
  EXPECT_EQ(texts[1].rfind("STI-Export abgeschlossen.", 0), 0u);
  ASSERT_EQ(g_export_files.size(), 1u);
  std::FILE* f = std::fopen((g_export_dir + g_export_files[0]).c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::string content;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) content.append(buffer, n);
  std::fclose(f);
  size_t lines = 0;
  for (char c : content) lines += c == '\n';
  EXPECT_EQ(lines, 7u * g_coverage_grid.point_count);
  EXPECT_EQ(content.substr(0, g_expected_first_lines.size()), g_expected_first_lines);
  obj_free_all();
}

namespace {


std::vector<int> g_cell_colours, g_expected_colours;

// Cells of every 17th point against the colour the rule gives for the
// values the map shows (all bands, Ld), ranged by those same values.
void sample_all_band_cells() {
  const CoverageGrid& g = g_coverage_grid;
  std::vector<double> values;
  for (uint32_t i = 0; i < g.point_count; ++i) values.push_back(cov_direct_level_all(g.points[i].energy));
  double top = *std::max_element(values.begin(), values.end());
  double bottom = *std::min_element(values.begin(), values.end());
  top = std::floor(top + 0.5);
  bottom = std::floor(bottom + 0.5);
  double step = std::max(1.0, std::floor((top - bottom) / 16));
  HDC dc = GetDC(cov_window());
  for (uint32_t i = 0; i < g.point_count; i += 17) {
    POINT at = pixel_of(g.points[i]);
    int index = 63 - static_cast<int>(std::floor((top - values[i]) / step + 0.5));
    g_expected_colours.push_back(std::clamp(index, 37, 63));
    g_cell_colours.push_back(palette_index_of(GetPixel(dc, at.x, at.y)));
  }
  ReleaseDC(cov_window(), dc);
  click(COV_ID_CLOSE);
}

}  // namespace

// The first map after a run shows all bands: its colours spread over the
// values it shows (not over single-band extremes, which left it flat in the
// top colour), and a map that nothing reached is not drawn as the loudest.
TEST(CovWindow, ColoursSpreadOverTheShownValuesAndASilentMapIsLowest) {
  g_cell_colours.clear();
  g_expected_colours.clear();
  std::vector<int> silent_colours;
  int code = harness::run({
      [&] {
        obj_free_all();
        compute_hall();
        g_calc_options.band = COV_ALL_BANDS;
        run_window({sample_all_band_cells});
        // Nothing arrived anywhere: the floor energy and no arrival time.
        for (uint32_t i = 0; i < g_coverage_grid.point_count; ++i)
          for (int b = 0; b < 7; ++b) {
            g_coverage_grid.points[i].energy[b] = 1.0f;
            g_coverage_grid.points[i].time[b] = 10000.0f;
          }
        for (int b = 0; b < 7; ++b) g_coverage_grid.max_energy[b] = g_coverage_grid.min_energy[b] = 1.0f;
        for (int mode : {COV_MODE_LD, COV_MODE_TIME}) {
          g_calc_options.display_mode = static_cast<int16_t>(mode);
          for (int band : {0, COV_ALL_BANDS}) {
            g_calc_options.band = static_cast<int16_t>(band);
            run_window({[] {
              HDC dc = GetDC(cov_window());
              for (uint32_t i = 0; i < g_coverage_grid.point_count; i += 53) {
                POINT at = pixel_of(g_coverage_grid.points[i]);
                g_cell_colours.push_back(palette_index_of(GetPixel(dc, at.x, at.y)));
                g_expected_colours.push_back(COV_COLOUR_BOTTOM);
              }
              ReleaseDC(cov_window(), dc);
              click(COV_ID_CLOSE);
            }});
          }
        }
        g_speaker_types.count = 0;
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_GT(g_cell_colours.size(), 40u);
  std::vector<int> distinct;
  for (size_t i = 0; i < g_cell_colours.size(); ++i) {
    EXPECT_EQ(g_cell_colours[i], g_expected_colours[i]) << "sample " << i;
    if (g_expected_colours[i] != COV_COLOUR_BOTTOM &&
        std::find(distinct.begin(), distinct.end(), g_cell_colours[i]) == distinct.end())
      distinct.push_back(g_cell_colours[i]);
  }
  EXPECT_GE(distinct.size(), 6u);  // not one flat colour
  obj_free_all();
}

namespace {

struct LabelFit {
  int id;
  std::string text;
  SIZE needed;
  RECT client;
};
std::vector<LabelFit> g_fits;

void measure_labels() {
  std::vector<int> ids = {COV_ID_CLOSE, COV_ID_PRINT, COV_ID_CLEAR};
  for (int i = 0; i < 8; ++i) ids.push_back(COV_ID_BAND_FIRST + i);
  for (int i = 0; i < COV_MODE_BUTTONS; ++i) ids.push_back(COV_ID_MODE_FIRST + i);
  for (int i = 0; i < COV_SCALE_BUTTONS; ++i) ids.push_back(COV_ID_SCALE_FIRST + i);
  for (int id : ids) {
    HWND button = cov_control(id);
    if (!button) continue;
    LabelFit fit{id, harness::window_text(button), {0, 0}, {0, 0, 0, 0}};
    GetClientRect(button, &fit.client);
    HDC dc = GetDC(button);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    GetTextExtentPoint32A(dc, fit.text.c_str(), static_cast<int>(fit.text.size()), &fit.needed);
    if (old) SelectObject(dc, old);
    ReleaseDC(button, dc);
    g_fits.push_back(fit);
  }
  click(COV_ID_CLOSE);
}

}  // namespace

// Every button of the window shows its whole label, "--> exp" included, in
// the font the button draws with (a push button keeps 3 pixels of frame on
// each side).
TEST(CovWindow, EveryButtonShowsItsWholeLabel) {
  g_fits.clear();
  int code = harness::run({
      [] {
        obj_free_all();
        compute_hall();
        for (int mode : {COV_MODE_LD, COV_MODE_TIME, COV_MODE_STI}) {
          g_calc_options.display_mode = static_cast<int16_t>(mode);
          run_window({measure_labels});
        }
        g_speaker_types.count = 0;
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_GE(g_fits.size(), 3u * 20u);
  bool saw_export = false;
  for (const LabelFit& f : g_fits) {
    saw_export |= f.text == "--> exp";
    EXPECT_LE(f.needed.cx, f.client.right - 6) << "button " << f.id << " \"" << f.text << "\"";
    EXPECT_LE(f.needed.cy, f.client.bottom) << "button " << f.id << " \"" << f.text << "\"";
  }
  EXPECT_TRUE(saw_export);
  obj_free_all();
}

namespace {

// The window's client pixels, row by row.
std::vector<COLORREF> grab(HWND window, RECT* size) {
  GetClientRect(window, size);
  std::vector<COLORREF> pixels;
  HDC dc = GetDC(window);
  for (int y = 0; y < size->bottom; ++y)
    for (int x = 0; x < size->right; ++x) pixels.push_back(GetPixel(dc, x, y));
  ReleaseDC(window, dc);
  return pixels;
}

struct LabelChanges {
  int outside_after_pick = -1, outside_after_repaint = -1, inside_after_pick = -1;
};
LabelChanges g_changes;

// Pixels that differ from the map before the picks, outside and inside the
// boxes of the two labels.
void count_changes(const std::vector<COLORREF>& before, const std::vector<COLORREF>& after, const RECT& size,
                   const std::vector<RECT>& boxes, int* outside, int* inside) {
  *outside = *inside = 0;
  for (int y = 0; y < size.bottom; ++y)
    for (int x = 0; x < size.right; ++x) {
      size_t k = static_cast<size_t>(y) * size.right + x;
      if (before[k] == after[k]) continue;
      bool in = false;
      for (const RECT& b : boxes) in |= x >= b.left && x <= b.right && y >= b.top && y <= b.bottom;
      (in ? *inside : *outside) += 1;
    }
}

void pick_two_and_repaint() {
  HWND window = cov_window();
  RECT size;
  std::vector<COLORREF> before = grab(window, &size);
  std::vector<RECT> boxes;
  for (uint32_t i : {g_coverage_grid.point_count / 3, 2 * g_coverage_grid.point_count / 3}) {
    POINT at = pixel_of(g_coverage_grid.points[i]);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    // Value text above and right of the point, its leader and underline
    // (7 pixels a character of "%3.2f"), the small square round the point.
    boxes.push_back(RECT{at.x - 2, at.y - 24, at.x + 4 + 7 * 6 + 2, at.y + 2});
  }
  std::vector<COLORREF> picked = grab(window, &size);
  count_changes(before, picked, size, boxes, &g_changes.outside_after_pick, &g_changes.inside_after_pick);
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  int inside_again = 0;
  count_changes(before, grab(window, &size), size, boxes, &g_changes.outside_after_repaint, &inside_again);
  click(COV_ID_CLOSE);
}

}  // namespace

// A pick's label is drawn at its point only: leader and underline start at
// the point, on the first pick as on every repaint.
TEST(CovWindow, PickLabelsDrawOnlyBesideTheirPoints) {
  g_changes = LabelChanges{};
  int code = harness::run({
      [] {
        obj_free_all();
        compute_hall();
        run_window({pick_two_and_repaint});
        g_speaker_types.count = 0;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(g_map_pick_count, 2);
  EXPECT_GT(g_changes.inside_after_pick, 20);
  EXPECT_EQ(g_changes.outside_after_pick, 0);
  EXPECT_EQ(g_changes.outside_after_repaint, 0);
  obj_free_all();
}

// Export and single-points log next to a project in a folder that does not
// exist: the user is told in a box, and no export is reported as done.
TEST(CovWindow, UnwritableExportAndLogAreToldInABox) {
  int code = harness::run({
      [] {
        obj_free_all();
        compute_hall();
        std::snprintf(g_project_path, sizeof g_project_path, "%sno_such_folder\\HALLE.ORV",
                      testing::TempDir().c_str());
        g_calc_options.band = COV_ALL_BANDS;
        run_window({[] {
          click(COV_ID_MODE_FIRST + 5);  // "--> exp"
          POINT at = pixel_of(g_coverage_grid.points[g_coverage_grid.point_count / 2]);
          SendMessageA(cov_window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
          click(COV_ID_CLOSE);
        }});
        g_speaker_types.count = 0;
        g_project_path[0] = 0;
      },
  });
  EXPECT_EQ(code, 0);
  int told = 0;
  for (const harness::Box& box : harness::g_boxes) {
    EXPECT_EQ(box.text.find("STI-Export abgeschlossen"), std::string::npos);
    told += box.text.rfind("Die Export-Datei kann nicht angelegt werden:\n", 0) == 0;
  }
  EXPECT_EQ(told, 2);  // the export and the picked point's log
  obj_free_all();
}

namespace {

std::string g_print_job;
RECT g_print_client = {};
int g_answered_before = 0;
DWORD g_print_clicked = 0;

}  // namespace

// "DRUCKEN" asks for landscape and prints the window as a bitmap on the test
// run's PDF queue: a landscape page whose printed area is the client area
// enlarged and centred.
TEST(CovWindow, PrintButtonPrintsTheWindowOnALandscapePage) {
  if (!pdf_printer::process_sees_a_printer()) GTEST_SKIP() << "this test process sees no printer";
  int code = harness::run({
      [] {
        obj_free_all();
        compute_hall();
        g_print_job = pdf_printer::next_job_name();
        g_answered_before = pdf_printer::g_dialogs_answered;
        run_window({[] {
                      GetClientRect(cov_window(), &g_print_client);
                      pdf_printer::answer_next_dialog(IDOK);
                      g_print_clicked = GetTickCount();
                      click(COV_ID_PRINT);  // runs when the window's loop takes it, after this step
                    },
                    [] {
                      // Closed from the window's own loop once the print has
                      // returned: a click taken by the print dialog's loop, or
                      // while printing, would be lost. Landscape ends with it.
                      bool seen = pdf_printer::g_dialogs_answered != g_answered_before || !harness::g_boxes.empty();
                      bool returned = seen && print_caps().landscape == 0 && !print_is_printing();
                      bool given_up = GetTickCount() - g_print_clicked > 45000;
                      if (!returned && !given_up) return dialog_script::again();
                      if (!returned) ADD_FAILURE() << "the print dialog never came and the print did not return";
                      click(COV_ID_CLOSE);
                    }});
        g_speaker_types.count = 0;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(harness::g_boxes.empty()) << harness::g_boxes.front().text;
  EXPECT_EQ(print_caps().landscape, 0);  // the request ends with the print
  std::string pdf = pdf_printer::wait_for_pdf(g_print_job);
  ASSERT_FALSE(pdf.empty()) << g_print_job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 300, page));
  EXPECT_GT(page.width, page.height);
  const int horz = 3508, vert = 2479;  // printable pixels of the landscape page
  const double s = print_bitmap_scale(g_print_client.right + 1, g_print_client.bottom + 1, horz, vert);
  const int x0 = print_centred_origin(horz, g_print_client.right, s);
  const int y0 = print_centred_origin(vert, g_print_client.bottom, s);
  // Everything printed lies inside the enlarged client area; the map fills
  // most of it.
  int inked_inside = 0, inked_outside = 0;
  for (int y = 0; y < page.height; y += 7)
    for (int x = 0; x < page.width; x += 7) {
      bool inked = page.at(x, y) < 250;
      bool inside = x >= x0 - 2 && y >= y0 - 2 && x <= x0 + s * g_print_client.right + 2 &&
                    y <= y0 + s * g_print_client.bottom + 2;
      (inside ? inked_inside : inked_outside) += inked;
    }
  EXPECT_EQ(inked_outside, 0);
  EXPECT_GT(inked_inside, 10000);
  if (!HasFailure() && pdf_printer::env("ORV_KEEP_PDF").empty()) DeleteFileA(pdf.c_str());
  obj_free_all();
}

namespace {

struct PointSeen {
  uint32_t paths = 0;
  float ratio = 0.0f;
  AudioPlaybackReport playback{};
  uint32_t left = 1;
};
PointSeen g_point;
ReflPointResultHook g_auralise = nullptr;

void count_then_auralise(float direct_reverberant) {
  g_point.paths = refl_count_paths();
  g_point.ratio = direct_reverberant;
  g_auralise(direct_reverberant);
}

// Inside the window's loop: a right click on a grid point runs the
// reflections there and plays them; then the window closes.
void right_click_and_close() {
  g_auralise = refl_point_result_hook;
  refl_point_result_hook = count_then_auralise;
  POINT at = pixel_of(g_coverage_grid.points[g_probe_point]);
  SendMessageA(cov_window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
  refl_point_result_hook = g_auralise;
  g_point.playback = audio_last_playback();
  g_point.left = refl_count_paths();
  click(COV_ID_CLOSE);
}

}  // namespace

TEST(CovWindow, RightClickOnAPointPlaysTheReflectionsThere) {
  g_point = PointSeen{};
  std::string recording = write_dry_recording("cov_point_dry.wav", 20, 3000);
  ASSERT_FALSE(recording.empty());
  int code = harness::run({
      [&] {
        ASSERT_TRUE(audio_set_input_wav(recording.c_str()));
        obj_free_all();
        compute_hall();
        // The hall's faces point out of it; turned round they face the room.
        for (DrawObject* o = g_obj_head; o; o = o->next)
          if (o->layer == LAYER_ROOM) cad_reverse_all_polygons(o);
        g_probe_point = static_cast<int>(g_coverage_grid.point_count / 3);
        run_window({right_click_and_close});
        g_speaker_types.count = 0;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(harness::g_boxes.empty()) << harness::g_boxes.front().text;
  // Six faces and two loudspeakers give order 3: in the closed box every
  // image of both loudspeakers is seen, 1 + 6 + 18 + 38 paths each.
  EXPECT_EQ(g_point.paths, 2u * 63u);
  EXPECT_TRUE(std::isfinite(g_point.ratio));
  EXPECT_EQ(g_point.playback.device_opened, 1);
  EXPECT_GT(g_point.playback.blocks_queued, 0u);
  EXPECT_EQ(g_point.left, 0u);
  std::remove(recording.c_str());
  obj_free_all();
}
