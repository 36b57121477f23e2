#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app_harness.h"
#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/title_block.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "framework/print_win.h"
#include "pdf_printer.h"
#include "tests/win32/dialog_script.h"

// The print and plot command (menu 103) in the running design program,
// printed on the test run's PDF queue: its dialogs and the clicks that place
// the page are given from a thread timer inside the command's own loops.
namespace {

constexpr int ID_METRES = 105, ID_MILLIMETRES = 106, ID_PARAMS_OK = 110, ID_PARAMS_CANCEL = 111, ID_CAPTION = 130;
constexpr int ID_STOP = 20999;

// --- the script: each step waits for its moment, then acts once ------------

using dialog_script::Step;

HWND dialog(const char* caption) { return own_dialog::shown(caption); }

void press(HWND window, int id) { dialog_script::press(window, id); }

// The print dialog answered; a dialog that takes no answer fails the test
// instead of leaving the command waiting.
Step print_dialog(int button) {
  return {pdf_printer::print_dialog_window, [button](HWND d) {
            EXPECT_TRUE(pdf_printer::press_until_closed(d, button)) << "the print dialog took no answer";
          }};
}
Step print_dialog_ok() { return print_dialog(IDOK); }

// DIALOG_7 filled in and closed with button.
Step parameters(int mode_radio, const char* millimetres, const char* metres, int button = ID_PARAMS_OK) {
  std::string mm = millimetres ? millimetres : "", m = metres ? metres : "";
  return {"Druck/Plotparameter",
          [=](HWND d) {
            if (!mm.empty()) SetDlgItemTextA(d, ID_MILLIMETRES, mm.c_str());
            if (!m.empty()) SetDlgItemTextA(d, ID_METRES, m.c_str());
            SendMessageA(d, WM_COMMAND, MAKEWPARAM(mode_radio, BN_CLICKED), 0);
            press(d, button);
          }};
}

Step at_prompt(const char* prompt, std::function<void()> act) {
  std::string wanted = prompt;
  return dialog_script::when([wanted] { return std::strstr(view_prompt_text(), wanted.c_str()) != nullptr; },
                             std::move(act));
}

LPARAM pixel_of(float x, float y) { return MAKELPARAM(view_world_to_screen(x, 1), view_world_to_screen(y, 0)); }

// As a real mouse does: the cursor message, the move, the click.
void click_world(float x, float y) {
  HWND w = win_drawing_window();
  PostMessageA(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  PostMessageA(w, WM_MOUSEMOVE, 0, pixel_of(x, y));
  PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, pixel_of(x, y));
  PostMessageA(w, WM_LBUTTONUP, 0, pixel_of(x, y));
}

// Runs the command to its end inside one harness step, with the script
// answering; a step that waits in vain fails the test after a minute.
void run_plot(std::vector<Step> script) {
  dialog_script::run_all(std::move(script), [] { SendMessageA(win_main_window(), WM_COMMAND, 103, 0); }, 60000);
}

// --- the drawing --------------------------------------------------------------

// A 20 x 10 m rectangle around the origin on the auxiliary layer.
void add_rectangle() {
  DrawObject* o = obj_create(0, 4, 4);
  o->nodes[0] = {-10, -5, 0}, o->nodes[1] = {10, -5, 0}, o->nodes[2] = {10, 5, 0}, o->nodes[3] = {-10, 5, 0};
  o->elements[0] = {EL_START, 0}, o->elements[1] = {EL_LINE, 1}, o->elements[2] = {EL_LINE, 2};
  o->elements[3] = {EL_CLOSE, 3};
  o->kind = OBJ_KIND_POLYLINE;
  o->layer = LAYER_AUX;
  o->colour = 0;
  obj_append(o);
}

void fresh_drawing() {
  obj_free_all();
  for (int layer = 0; layer < 9; ++layer) g_layers[layer].visible = layer != LAYER_GRID;
  view_set_xy();
  add_rectangle();
  view_zoom_all();
  std::memset(&g_title_block, 0, sizeof g_title_block);
  std::strcpy(g_title_block.rows[0].label, "Projekt");
  std::strcpy(g_title_block.rows[0].text, "Stadthalle");
  std::strcpy(g_title_block.lines[0], "Zeile eins");
}

struct ViewSnapshot {
  float scale, sx, sy, cx, cy;
  bool operator==(const ViewSnapshot& o) const {
    return scale == o.scale && sx == o.sx && sy == o.sy && cx == o.cx && cy == o.cy;
  }
};
ViewSnapshot snapshot() {
  return {g_view.scale, g_view.screen_centre_x, g_view.screen_centre_y, g_view.centre_x, g_view.centre_y};
}

// --- the page -----------------------------------------------------------------

// The printed page; its PDF stays for a look when the test failed or
// ORV_KEEP_PDF is set.
struct Printed {
  bool found = false;
  int pages = 0;
  pdf_printer::Page page;
  std::string pdf;
  ~Printed() {
    if (!pdf.empty() && !::testing::Test::HasFailure() && pdf_printer::env("ORV_KEEP_PDF").empty())
      DeleteFileA(pdf.c_str());
  }
};

void fetch(const std::string& job, Printed& p) {
  std::string pdf = pdf_printer::wait_for_pdf(job);
  if (pdf.empty()) return;
  p.found = pdf_printer::rasterise(pdf, 300, p.page);
  p.pages = pdf_printer::page_count(pdf);
  p.pdf = pdf;
}

// Dark pixels along a line of the page, within tolerance of where expected.
bool dark_column(const pdf_printer::Page& page, int x, int y_from, int y_to, int tolerance = 4) {
  for (int y = y_from; y <= y_to; y += 37) {
    bool hit = false;
    for (int dx = -tolerance; dx <= tolerance && !hit; ++dx) hit = page.dark(x + dx, y);
    if (!hit) return false;
  }
  return true;
}

bool dark_row(const pdf_printer::Page& page, int y, int x_from, int x_to, int tolerance = 4) {
  for (int x = x_from; x <= x_to; x += 37) {
    bool hit = false;
    for (int dy = -tolerance; dy <= tolerance && !hit; ++dy) hit = page.dark(x, y + dy);
    if (!hit) return false;
  }
  return true;
}

// The rectangle (-10, -5) to (10, 5) printed at p pixels per metre with the
// world point (cx, cy) on the page centre.
void expect_rectangle(const pdf_printer::Page& page, double p, double cx, double cy) {
  const double mid_x = 2479 / 2.0, mid_y = 3508 / 2.0;
  const int left = static_cast<int>(mid_x + p * (-10 - cx)), right = static_cast<int>(mid_x + p * (10 - cx));
  const int top = static_cast<int>(mid_y - p * (5 - cy)), bottom = static_cast<int>(mid_y - p * (-5 - cy));
  SCOPED_TRACE(testing::Message() << "rectangle " << left << ", " << top << " - " << right << ", " << bottom);
  EXPECT_TRUE(dark_column(page, left, top + 10, bottom - 10));
  EXPECT_TRUE(dark_column(page, right, top + 10, bottom - 10));
  EXPECT_TRUE(dark_row(page, top, left + 10, right - 10));
  EXPECT_TRUE(dark_row(page, bottom, left + 10, right - 10));
  EXPECT_FALSE(page.dark((left + right) / 2, (top + bottom) / 2));
  EXPECT_FALSE(page.dark(left - 8, (top + bottom) / 2));
  EXPECT_FALSE(page.dark(right + 8, (top + bottom) / 2));
}

// Three one-pixel borders at 0, 1, 2 from the left and top and from W - 1
// and H - 2, and the outline of the title block at the bottom right.
void expect_frame_and_title_block(const pdf_printer::Page& page) {
  for (int y : {500, 1754, 3000}) {
    for (int x : {0, 1, 2, 2476, 2477, 2478}) EXPECT_TRUE(page.dark(x, y)) << x << ", " << y;
    for (int x : {4, 2474}) EXPECT_FALSE(page.dark(x, y)) << x << ", " << y;
  }
  for (int x : {300, 1239, 2000}) {
    for (int y : {0, 1, 2, 3504, 3505, 3506}) EXPECT_TRUE(page.dark(x, y)) << x << ", " << y;
    for (int y : {4, 3502}) EXPECT_FALSE(page.dark(x, y)) << x << ", " << y;
  }
  // 17-pixel cells from x 1068; rows of 40 from the bottom, the block 320 high.
  EXPECT_TRUE(dark_column(page, 1068, 3200, 3490, 1));
  EXPECT_TRUE(dark_column(page, 1255, 3200, 3490, 1));
  EXPECT_TRUE(dark_column(page, 1782, 3200, 3490, 1));
  EXPECT_TRUE(dark_row(page, 3187, 1075, 1775, 1));
  EXPECT_TRUE(dark_row(page, 3467, 1075, 1775, 1));
  EXPECT_FALSE(page.dark(1060, 3300));
  EXPECT_FALSE(page.dark(1068, 3170));
}

// Fitted to the drawing: 20 m across 95 % of the width, centred; the view
// keeps its scale and centre.
TEST(PlotCommand, FitToDrawingPrintsTheDrawingFrameAndTitleBlock) {
  std::string job;
  ViewSnapshot before{}, after{};
  int objects_before = -1, objects_after = -1;
  int code = harness::run({[&] {
    fresh_drawing();
    before = snapshot();
    objects_before = obj_count();
    job = pdf_printer::next_job_name();
    run_plot({print_dialog_ok(), parameters(109, nullptr, nullptr)});
    after = snapshot();
    objects_after = obj_count();
  }});
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(before == after);
  EXPECT_EQ(objects_after, objects_before);  // the page frame is gone
  EXPECT_TRUE(harness::g_boxes.empty()) << harness::g_boxes.front().text;
  Printed printed;
  fetch(job, printed);
  ASSERT_TRUE(printed.found) << job;
  EXPECT_EQ(printed.pages, 1);
  expect_rectangle(printed.page, 0.95 * 2479 / 20, 0, 0);
  expect_frame_and_title_block(printed.page);
}

// To scale, 5 mm per 2 metres: the page frame placed with a click that the
// coordinate snap takes to (2, 1) puts that point on the page's centre at
// 2479 / 209 x 2.5 pixels per metre.
TEST(PlotCommand, ScaleModePlacesThePageFrameWhereClicked) {
  std::string job;
  int kind_during = -1;
  int code = harness::run({[&] {
    fresh_drawing();
    view_set_3d();  // the frame is placed in XY
    job = pdf_printer::next_job_name();
    run_plot({print_dialog_ok(), parameters(107, "5", "2"),
              at_prompt("Druck-Region", [&] {
                kind_during = g_view.kind;
                g_view.coord_snap = 1;
                g_view.snap_distance = 0.5f;
                click_world(2.2f, 1.2f);
              })});
  }});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(kind_during, VIEW_XY);
  Printed printed;
  fetch(job, printed);
  ASSERT_TRUE(printed.found) << job;
  expect_rectangle(printed.page, 2.5 * 2479 / 209, 2, 1);
  expect_frame_and_title_block(printed.page);
}

// Fitted to a window picked bottom right first: the same as picked top left
// first; 24 x 12 m across 95 % of the width.
TEST(PlotCommand, WindowModeTakesTheCornersInEitherOrder) {
  std::string job;
  int code = harness::run({[&] {
    fresh_drawing();
    job = pdf_printer::next_job_name();
    run_plot({print_dialog_ok(), parameters(108, nullptr, nullptr),
              at_prompt("Druck-Fenster 1", [] { click_world(13, -6); }),
              at_prompt("Druck-Fenster 2", [] { click_world(-11, 6); })});
  }});
  EXPECT_EQ(code, 0);
  Printed printed;
  fetch(job, printed);
  ASSERT_TRUE(printed.found) << job;
  expect_rectangle(printed.page, 0.95 * 2479 / 24, 1, 0);
}

// STOP while picking the window, an invalid scale and a cancelled dialog
// print nothing; an empty drawing is refused with a message. The job name
// the first of them would have used is the next real job's.
TEST(PlotCommand, StopCancelAndBadInputPrintNothing) {
  std::string job;
  ViewSnapshot before{}, after_stop{}, after_empty{};
  bool dialog_stayed = false;
  std::vector<std::string> boxes;
  int objects_before = -1, objects_after = -1;
  int code = harness::run({[&] {
    fresh_drawing();
    before = snapshot();
    objects_before = obj_count();
    job = pdf_printer::next_job_name();
    run_plot({print_dialog_ok(), parameters(108, nullptr, nullptr),
              at_prompt("Druck-Fenster 1", [] { PostMessageA(win_main_window(), WM_COMMAND, ID_STOP, 0); })});
    after_stop = snapshot();
    run_plot({print_dialog_ok(), parameters(107, "0", "1"),
              dialog_script::when([] { return !harness::g_boxes.empty(); },
                                  [&] {
                                    dialog_stayed = dialog("Druck/Plotparameter") != nullptr;
                                    press(dialog("Druck/Plotparameter"), ID_PARAMS_CANCEL);
                                  })});
    run_plot({print_dialog(IDCANCEL)});
    objects_after = obj_count();
    obj_free_all();
    run_plot({print_dialog_ok(), parameters(109, "1", "1")});
    after_empty = snapshot();
    for (const auto& box : harness::g_boxes) boxes.push_back(box.text);
    add_rectangle();
    run_plot({print_dialog_ok(), parameters(109, nullptr, nullptr)});
  }});
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(before == after_stop);
  EXPECT_TRUE(before == after_empty);
  EXPECT_TRUE(dialog_stayed);
  EXPECT_EQ(objects_after, objects_before);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], "Ungültiger Maßstab !");
  EXPECT_EQ(boxes[1], "Der Druckbereich ist leer.");
  Printed printed;
  fetch(job, printed);
  ASSERT_TRUE(printed.found) << job;
  EXPECT_EQ(printed.pages, 1);
  expect_rectangle(printed.page, 0.95 * 2479 / 20, 0, 0);
}

// The title block dialog over the parameters: OK takes the texts (cut to
// their fields), the close box keeps the old ones.
TEST(PlotCommand, TitleBlockDialogTakesTextsOnlyOnOk) {
  TitleBlock after_ok{}, after_close{};
  std::string shown_label;
  int code = harness::run({[&] {
    fresh_drawing();
    g_modified = 0;
    auto edit_caption = [&](bool ok) {
      run_plot({print_dialog_ok(),
                {"Druck/Plotparameter", [](HWND d) { press(d, ID_CAPTION); }},
                {"Zeichnungsbeschriftung",
                 [&, ok](HWND d) {
                   char text[64] = "";
                   GetDlgItemTextA(d, 101, text, sizeof text);
                   if (ok) shown_label = text;
                   SetDlgItemTextA(d, 101, ok ? "Bauherr" : "Anders");
                   SetDlgItemTextA(d, 117, ok ? "Stadt Musterhausen und Umgebung, Bauamt Nord-West 12" : "x");
                   SetDlgItemTextA(d, 123, ok ? "Vierte Zeile" : "y");
                   if (ok) press(d, 140);
                   else PostMessageA(d, WM_CLOSE, 0, 0);
                 }},
                dialog_script::when(
                    [] { return dialog("Zeichnungsbeschriftung") == nullptr && dialog("Druck/Plotparameter") != nullptr; },
                    [] { press(dialog("Druck/Plotparameter"), ID_PARAMS_CANCEL); })});
    };
    edit_caption(true);
    after_ok = g_title_block;
    edit_caption(false);
    after_close = g_title_block;
  }});
  EXPECT_EQ(code, 0);
  EXPECT_EQ(shown_label, "Projekt");
  EXPECT_STREQ(after_ok.rows[0].label, "Bauherr");
  EXPECT_STREQ(after_ok.rows[0].text, "Stadthalle");
  EXPECT_STREQ(after_ok.rows[7].text, "Stadt Musterhausen und Umgebung, Bauamt ");  // 40 characters
  EXPECT_STREQ(after_ok.lines[3], "Vierte Zeile");
  EXPECT_STREQ(after_ok.lines[0], "Zeile eins");
  EXPECT_EQ(std::memcmp(&after_ok, &after_close, sizeof after_ok), 0);
}

}  // namespace
