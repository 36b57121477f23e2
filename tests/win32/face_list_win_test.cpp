// The face list in the running design program over the sample project: its
// rows against the faces computed here from the loaded model, a material
// changed through the absorber selection, and the printed list.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app_harness.h"
#include "cad/obj_store.h"
#include "framework/print_win.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "materials/material.h"
#include "own_dialog.h"
#include "pdf_printer.h"
#include "project/project_file.h"
#include "tests/win32/text_fit.h"

using harness::when;

namespace {

constexpr const char* LIST_TITLE = "Flächenliste";
constexpr const char* SELECT_TITLE = "Absorptionsmaterialien";

std::string sample(const char* name) { return std::string(win_start_directory()) + "\\" + name; }

// "area\tmaterial" of every room polygon, worked out from the nodes here.
struct Face {
  double area;
  std::string row;  // "%7.1f\t" area and the material name
  DrawObject* owner;
  uint32_t start;
};
std::vector<Face> faces_of_the_model() {
  std::vector<Face> out;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_ROOM || !(o->kind & OBJ_KIND_SURFACE_MASK)) continue;
    for (uint32_t s = 0; s < o->element_count; ++s) {
      if (o->elements[s].code != EL_START) continue;
      std::vector<WorldPoint> ring;
      for (uint32_t i = s; i < o->element_count; ++i) {
        const ElementCode& e = o->elements[i];
        if (i > s && e.code == EL_START) break;
        if (e.code == EL_MATERIAL) continue;
        ring.push_back(o->nodes[e.value]);
        if (e.code == EL_CLOSE) break;
      }
      double n[3] = {0, 0, 0};
      for (size_t i = 0; i < ring.size(); ++i) {
        const WorldPoint& a = ring[i];
        const WorldPoint& b = ring[(i + 1) % ring.size()];
        n[0] += (double(a.y) - b.y) * (double(a.z) + b.z);
        n[1] += (double(a.z) - b.z) * (double(a.x) + b.x);
        n[2] += (double(a.x) - b.x) * (double(a.y) + b.y);
      }
      double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (length < 0.01) continue;
      int m = s + 1 < o->element_count && o->elements[s + 1].code == EL_MATERIAL ? o->elements[s + 1].value : 0;
      if (m >= g_material_table.count) m = 0;
      char row[96];
      std::snprintf(row, sizeof row, "%7.1f\t%s", length / 2, g_material_table.records[m].name);
      out.push_back({length / 2, row, o, s});
    }
  }
  return out;
}

HWND list_dialog() { return own_dialog::find(LIST_TITLE); }

std::vector<std::string> list_rows(HWND dialog) {
  std::vector<std::string> rows;
  HWND list = GetDlgItem(dialog, 101);
  int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    char text[128] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    rows.push_back(text);
  }
  return rows;
}

std::string field(HWND dialog, int id) {
  char text[64] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void select_row(HWND dialog, int row) {
  HWND list = GetDlgItem(dialog, 101);
  SendMessageA(list, LB_SETCURSEL, row, 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void open_sample_and_list() {
  ASSERT_TRUE(proj_load(sample("BEISPIEL.OPR").c_str()));
  ASSERT_TRUE(mat_load_absorber_db(sample("BEISPIEL.OAB").c_str()));
  PostMessageA(win_main_window(), WM_COMMAND, 2502, 0);
}

struct Seen {
  std::vector<Face> model;
  std::vector<std::string> rows, rows_after;
  std::string total, area, share, chosen;
  int changed_row = -1;
  uint16_t material_after = 0;
  bool left_after_close = false;
};
Seen g_seen;

}  // namespace

TEST(FaceList, ListsTheSampleProjectsFacesAndChangesAMaterial) {
  g_seen = Seen{};
  int code = harness::run({
      [] { open_sample_and_list(); },
      when([] { return list_dialog() != nullptr; },
           [] {
             HWND dialog = list_dialog();
             g_seen.model = faces_of_the_model();
             g_seen.rows = list_rows(dialog);
             g_seen.total = field(dialog, 501);
             g_seen.changed_row = int(g_seen.rows.size()) - 1;  // the smallest face
             select_row(dialog, g_seen.changed_row);
             g_seen.area = field(dialog, 208);
             g_seen.share = field(dialog, 209);
             press(dialog, 102);
           }),
      when([] { return own_dialog::find(SELECT_TITLE) != nullptr; },
           [] {
             // The first record whose name is not the face's material.
             HWND select = own_dialog::find(SELECT_TITLE);
             HWND list = GetDlgItem(select, 101);
             std::string current = g_seen.rows[g_seen.changed_row].substr(g_seen.rows[g_seen.changed_row].rfind('\t') + 1);
             int n = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
             for (int i = 0; i < n; ++i) {
               char name[64] = "";
               SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
               if (current == name) continue;
               g_seen.chosen = name;
               SendMessageA(list, LB_SETCURSEL, i, 0);
               SendMessageA(select, WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
               break;
             }
             press(select, 110);
           }),
      when([] { return !own_dialog::find(SELECT_TITLE) && list_dialog(); },
           [] {
             g_seen.rows_after = list_rows(list_dialog());
             press(list_dialog(), 104);
           }),
      when([] { return list_dialog() == nullptr; },
           [] {
             for (const Face& f : faces_of_the_model())
               if (f.row.find(g_seen.chosen) != std::string::npos) g_seen.material_after = 1;
             g_seen.left_after_close = g_modified != 0;
           }),
  });
  EXPECT_EQ(code, 0);
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << "message: " << box.text;

  // The rows: numbered in order, larger faces first, the same faces as the model's.
  ASSERT_EQ(g_seen.rows.size(), g_seen.model.size());
  ASSERT_GE(g_seen.rows.size(), 8u);
  std::vector<std::string> listed, expected;
  double previous = 1e30, total = 0;
  for (size_t i = 0; i < g_seen.rows.size(); ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d\t", int(i + 1));
    ASSERT_EQ(g_seen.rows[i].substr(0, 4), number);
    double area = std::atof(g_seen.rows[i].c_str() + 4);
    EXPECT_LE(area, previous + 1e-9) << g_seen.rows[i];
    previous = area;
    listed.push_back(g_seen.rows[i].substr(4));
  }
  for (const Face& f : g_seen.model) expected.push_back(f.row), total += f.area;
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  char text[64];
  std::snprintf(text, sizeof text, "%5.1f m²", total);
  EXPECT_EQ(g_seen.total, text);
  double smallest = std::atof(g_seen.rows.back().c_str() + 4);
  std::snprintf(text, sizeof text, "%3.1f m²", smallest);
  EXPECT_EQ(g_seen.area, std::string(text).substr(0, g_seen.area.size()));
  EXPECT_EQ(g_seen.share.back(), '%');

  // The change: the row shows the chosen material, the model carries it.
  ASSERT_FALSE(g_seen.chosen.empty());
  ASSERT_EQ(g_seen.rows_after.size(), g_seen.rows.size());
  const std::string& changed = g_seen.rows_after[g_seen.changed_row];
  EXPECT_EQ(changed.substr(changed.rfind('\t') + 1), g_seen.chosen);
  for (size_t i = 0; i < g_seen.rows.size(); ++i) {
    if (int(i) != g_seen.changed_row) {
      EXPECT_EQ(g_seen.rows_after[i], g_seen.rows[i]);
    }
  }
  EXPECT_EQ(g_seen.material_after, 1);
  EXPECT_TRUE(g_seen.left_after_close);
}

namespace {
std::string g_job;
}

TEST(FaceList, DruckenClosesTheListAndPrintsIt) {
  g_job.clear();
  int code = harness::run({
      [] { open_sample_and_list(); },
      when([] { return list_dialog() != nullptr; },
           [] {
             g_job = pdf_printer::next_job_name();
             pdf_printer::answer_next_dialog(IDOK);
             press(list_dialog(), 105);
           }),
      when([] { return pdf_printer::g_dialogs_answered > 0 && !print_is_printing() && !list_dialog(); }, [] {}),
  });
  EXPECT_EQ(code, 0);
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << "message: " << box.text;
  std::string pdf = pdf_printer::wait_for_pdf(g_job);
  ASSERT_FALSE(pdf.empty()) << g_job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 50, page));
  EXPECT_LT(page.width, page.height);  // portrait
  pdf_printer::Box box = pdf_printer::dark_box(page);
  EXPECT_LT(box.left, box.right);
  EXPECT_LT(box.top, box.bottom);
  DeleteFileA(pdf.c_str());
}

namespace {
std::vector<std::string> g_cut;
int g_rows_looked_at = 0;

// Every row selected in turn; whatever a field or label does not show whole
// is noted with the row.
void look_at_every_row(HWND dialog) {
  int n = int(SendDlgItemMessageA(dialog, 101, LB_GETCOUNT, 0, 0));
  for (int row = 0; row < n; ++row) {
    select_row(dialog, row);
    for (const std::string& cut : text_fit::cut_texts(dialog))
      g_cut.push_back((g_unit_feet ? "ft, row " : "m, row ") + std::to_string(row + 1) + ": " + cut);
    ++g_rows_looked_at;
  }
}
}  // namespace

// The sums of the sample hall, of its largest faces and materials, in m²,
// in the larger figures of ft² and for a hall three times its size: every
// field and label of the list shows its whole text.
TEST(FaceList, EveryFieldShowsItsWholeNumber) {
  g_cut.clear();
  g_rows_looked_at = 0;
  int32_t unit = g_unit_feet;
  std::vector<std::function<void()>> steps;
  // Metres last: the unit is kept in the history the program writes on its way out.
  for (auto [feet, scale] : {std::pair{1, 3.0f}, {1, 1.0f}, {0, 1.0f}}) {
    steps.push_back([feet = feet, scale = scale] {
      g_unit_feet = feet;
      ASSERT_TRUE(proj_load(sample("BEISPIEL.OPR").c_str()));
      for (DrawObject* o = g_obj_head; o; o = o->next)
        if (o->layer == LAYER_ROOM)
          for (uint32_t i = 0; i < o->node_count; ++i)
            o->nodes[i] = {o->nodes[i].x * scale, o->nodes[i].y * scale, o->nodes[i].z * scale};
      PostMessageA(win_main_window(), WM_COMMAND, 2502, 0);
    });
    steps.push_back(when([] { return list_dialog() != nullptr; },
                         [] {
                           look_at_every_row(list_dialog());
                           press(list_dialog(), 104);
                         }));
    steps.push_back(when([] { return list_dialog() == nullptr; }, [] {}));
  }
  int code = harness::run(steps);
  g_unit_feet = unit;
  EXPECT_EQ(code, 0);
  EXPECT_GE(g_rows_looked_at, 3 * 14);
  for (const std::string& cut : g_cut) ADD_FAILURE() << cut;
}
