// The reverberation window in the running design program: opened by its
// menu commands over a room, both curves where the times put them, the
// method buttons, the measured times through the band dialog and the
// project file, the unrealistic-input message and the clipboard copy.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acoustics/rt60.h"
#include "acoustics/rt60_window_win.h"
#include "app_harness.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "design/app_window_win.h"
#include "framework/child_windows_win.h"
#include "framework/palette.h"
#include "framework/print_win.h"
#include "materials/material.h"
#include "tests/win32/own_dialog.h"
#include "pdf_printer.h"
#include "project/project_file.h"

namespace {

constexpr double AIR[7] = {0, 0.00003, 0.0001, 0.0005, 0.002, 0.009, 0.035};
constexpr float ALPHA[7] = {0.1f, 0.15f, 0.2f, 0.25f, 0.3f, 0.35f, 0.4f};

void add_face(std::vector<WorldPoint> nodes) {
  DrawObject* o = obj_create(0, 4, 5);
  for (uint32_t i = 0; i < 4; ++i) o->nodes[i] = nodes[i];
  o->elements[0] = ElementCode{EL_START, 0};
  o->elements[1] = ElementCode{EL_MATERIAL, 1};
  o->elements[2] = ElementCode{EL_LINE, 1};
  o->elements[3] = ElementCode{EL_LINE, 2};
  o->elements[4] = ElementCode{EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_ROOM;
  obj_append(o);
}

// The 10 m cube, inward normals, every face of material 1 (ALPHA per band).
void build_cube() {
  obj_free_all();
  std::memset(&g_material_table, 0, sizeof g_material_table);
  g_material_table.count = 2;
  std::snprintf(g_material_table.records[1].name, sizeof g_material_table.records[1].name, "Wand");
  for (int b = 0; b < 7; ++b) g_material_table.records[1].absorption[b] = ALPHA[b];
  const float e = 10;
  add_face({{0, 0, 0}, {e, 0, 0}, {e, e, 0}, {0, e, 0}});
  add_face({{0, 0, e}, {0, e, e}, {e, e, e}, {e, 0, e}});
  add_face({{0, 0, 0}, {0, 0, e}, {e, 0, e}, {e, 0, 0}});
  add_face({{0, e, 0}, {e, e, 0}, {e, e, e}, {0, e, e}});
  add_face({{0, 0, 0}, {0, e, 0}, {0, e, e}, {0, 0, e}});
  add_face({{e, 0, 0}, {e, 0, e}, {e, e, e}, {e, e, 0}});
}

// Times of the cube by hand: V 1000, S 600, A = 600 alpha.
double sabine(int b, bool air) { return 161.0 / (600.0 * ALPHA[b] + (air ? 4000.0 * AIR[b] : 0.0)); }
double eyring(int b, bool air) {
  return 161.0 / (-600.0 * std::log(1.0 - ALPHA[b]) + (air ? 4000.0 * AIR[b] : 0.0));
}

// A step that runs again at the next tick until its condition holds (at
// most about five seconds), for what happens after a dialog or a posted command.
using harness::when;

bool window_open() { return rt60_window() != nullptr; }

struct Place {
  int x, y;
};

// Where a time sits in a window of the given client size: the frame from
// 48 px to width - 48 and from 32 px to (height - 32) / 2, up to `seconds`.
Place place_of(int band, double time, int seconds, int width, int height) {
  int left = 48, right = width - 48, top = 32, bottom = (height - 32) / 2;
  return Place{left + band * (right - left) / 6, bottom - static_cast<int>(time * (bottom - top) / seconds)};
}

// The palette index found at a place or one pixel above or below it.
bool colour_near(HDC dc, Place p, int index) {
  COLORREF want = gfx_palette_colour(index);
  for (int dy = -1; dy <= 1; ++dy)
    if (GetPixel(dc, p.x, p.y + dy) == want) return true;
  return false;
}

struct Look {
  bool open = false;
  int id = 0, method = -1, buttons = 0;
  bool drawing_hidden = false, panel_hidden = false;
  std::vector<std::string> misses;  // curve points not in their colour
};

void click(int id) {
  HWND button = rt60_control(id);
  ASSERT_NE(button, nullptr) << id;
  SendMessageA(button, BM_CLICK, 0, 0);
}

// Looks at the open window: its buttons and both curves in their colours.
Look look(double (*time)(int, bool)) {
  Look seen;
  HWND window = rt60_window();
  seen.open = window != nullptr;
  if (!window) return seen;
  seen.id = GetDlgCtrlID(window);
  seen.method = g_rt60_method;
  seen.drawing_hidden = !IsWindowVisible(win_drawing_window());
  seen.panel_hidden = !panel_window() || !IsWindowVisible(panel_window());
  for (int id : {RT60_ID_CLOSE, RT60_ID_METHOD_FIRST, RT60_ID_METHOD_FIRST + 1, RT60_ID_METHOD_FIRST + 2,
                 RT60_ID_METHOD_FIRST + 3, RT60_ID_PRINT, RT60_ID_COPY})
    seen.buttons += rt60_control(id) != nullptr;
  RECT r;
  GetClientRect(window, &r);
  int seconds = static_cast<int>(std::ceil(time(0, false)));
  HDC dc = GetDC(window);
  for (int b = 0; b < 7; ++b) {
    Place no_air = place_of(b, time(b, false), seconds, r.right, r.bottom);
    if (!colour_near(dc, no_air, 22)) seen.misses.push_back("without air, band " + std::to_string(b));
  }
  // With air the curve parts from the other one in the upper bands.
  for (int b : {5, 6}) {
    Place with_air = place_of(b, time(b, true), seconds, r.right, r.bottom);
    if (!colour_near(dc, with_air, 19)) seen.misses.push_back("with air, band " + std::to_string(b));
    Place between = place_of(b, 0.5 * (time(b, true) + time(b - 1, true)), seconds, r.right, r.bottom);
    between.x -= (r.right - 96) / 12;
    bool on_line = false;
    for (int dy = -3; dy <= 3 && !on_line; ++dy) on_line = colour_near(dc, Place{between.x, between.y + dy}, 19);
    if (!on_line) seen.misses.push_back("with air between bands " + std::to_string(b - 1) + " and " + std::to_string(b));
  }
  ReleaseDC(window, dc);
  return seen;
}

Look g_sabine, g_eyring;
bool g_closed = false, g_drawing_back = false;
bool g_panel_before = false, g_panel_back = false;

bool panel_shown() { return panel_window() && IsWindowVisible(panel_window()); }

TEST(Rt60Window, CommandOpensTheWindowWithBothCurvesAndTheMethodButtonsSwitch) {
  g_sabine = g_eyring = Look{};
  g_closed = g_drawing_back = false;
  int code = harness::run({
      [] {
        build_cube();
        g_panel_before = panel_shown();
        PostMessageA(win_main_window(), WM_COMMAND, 5010, 0);
      },
      when(window_open,
           [] {
             g_sabine = look(sabine);
             click(RT60_ID_METHOD_FIRST + 1);
           }),
      when([] { return g_rt60_method == RT60_EYRING; },
           [] {
             g_eyring = look(eyring);
             click(RT60_ID_CLOSE);
           }),
      when([] { return !window_open(); },
           [] {
        g_closed = rt60_window() == nullptr;
        g_drawing_back = IsWindowVisible(win_drawing_window()) != 0;
        g_panel_back = panel_shown();
        obj_free_all();
      }),
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g_sabine.open);
  EXPECT_EQ(g_sabine.id, RT60_WINDOW_ID);
  EXPECT_EQ(g_sabine.method, RT60_SABINE);
  EXPECT_EQ(g_sabine.buttons, 7);
  EXPECT_TRUE(g_sabine.drawing_hidden);
  EXPECT_TRUE(g_sabine.panel_hidden);
  EXPECT_EQ(g_sabine.misses, std::vector<std::string>{});
  EXPECT_EQ(g_eyring.method, RT60_EYRING);
  EXPECT_EQ(g_eyring.misses, std::vector<std::string>{});
  EXPECT_TRUE(g_closed);
  EXPECT_TRUE(g_drawing_back);
  EXPECT_EQ(g_panel_back, g_panel_before);
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << "message: " << box.text;
}

// --- measured times --------------------------------------------------------

void scroll(HWND dialog, int slider, int action) {
  SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(action, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, slider)));
}

// The band dialog's answer: a few slider moves and OK or "Abbruch".
bool g_band_dialog_seen = false;
bool g_band_dialog_ok = true;
bool answer_band_dialog() {
  HWND dialog = own_dialog::find("RT 60");
  if (!dialog) return false;
  g_band_dialog_seen = true;
  scroll(dialog, 201, SB_PAGEUP);  // 125 Hz: 0.5 -> 1.5 s
  scroll(dialog, 204, SB_PAGEUP);  // 1 kHz: 0.5 -> 2.5 s
  scroll(dialog, 204, SB_PAGEUP);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(g_band_dialog_ok ? 401 : 402, BN_CLICKED), 0);
  return true;
}

struct Measured {
  int method = -1;
  double times[7] = {};
  int method_after_load = -1;
  double after_load[7] = {};
  bool cancel_kept = false;
  int modified = -1;
};
Measured g_measured;
std::string g_project;

TEST(Rt60Window, MeasuredTimesComeFromTheBandDialogAndTravelWithTheProject) {
  g_measured = Measured{};
  g_band_dialog_seen = false;
  g_project = testing::TempDir() + "RT60MESS.OPR";
  DeleteFileA(g_project.c_str());
  int code = harness::run({
      [] {
        build_cube();
        for (double& t : g_rt60_measured) t = 0.5;
        g_modified = 0;
        g_band_dialog_ok = true;
        harness::g_dialog_answer = answer_band_dialog;
        PostMessageA(win_main_window(), WM_COMMAND, 5013, 0);
      },
      when([] { return window_open() && !own_dialog::find("RT 60"); },
           [] {
             g_measured.method = g_rt60_method;
             g_measured.modified = g_modified;
             for (int b = 0; b < 7; ++b) g_measured.times[b] = g_rt60_measured[b];
             click(RT60_ID_METHOD_FIRST);
           }),
      // "Sa", then "M" with "Abbruch": the method stays Sabine.
      when([] { return g_rt60_method == RT60_SABINE; },
           [] {
             g_band_dialog_ok = false;
             g_band_dialog_seen = false;
             harness::g_dialog_answer = answer_band_dialog;
             click(RT60_ID_METHOD_FIRST + 3);
           }),
      when([] { return g_band_dialog_seen && !own_dialog::find("RT 60"); },
           [] {
             g_measured.cancel_kept = g_rt60_method == RT60_SABINE && g_rt60_measured[0] == g_measured.times[0];
             click(RT60_ID_CLOSE);
           }),
      when([] { return !window_open(); },
[] {
        g_rt60_method = RT60_MEASURED;
        ASSERT_EQ(proj_save_to(g_project.c_str()), 1);
        g_rt60_method = RT60_SABINE;
        for (double& t : g_rt60_measured) t = 0.0;
        ASSERT_EQ(proj_load(g_project.c_str()), 1);
        g_measured.method_after_load = g_rt60_method;
        for (int b = 0; b < 7; ++b) g_measured.after_load[b] = g_rt60_measured[b];
        obj_free_all();
      }),
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(g_band_dialog_seen);
  EXPECT_EQ(g_measured.method, RT60_MEASURED);
  EXPECT_EQ(g_measured.modified, 1);  // new measured times are a change of the project
  const double want[7] = {1.5, 0.5, 0.5, 2.5, 0.5, 0.5, 0.5};
  for (int b = 0; b < 7; ++b) {
    EXPECT_NEAR(g_measured.times[b], want[b], 1e-6) << b;
    EXPECT_NEAR(g_measured.after_load[b], want[b], 1e-6) << b;
  }
  EXPECT_TRUE(g_measured.cancel_kept);
  EXPECT_EQ(g_measured.method_after_load, RT60_MEASURED);
  DeleteFileA(g_project.c_str());
}

// Measured times longer than the room's air absorption allows: the message
// comes once, not at every repaint; the clipboard gets the window.
int g_boxes_after_repaints = -1;
SIZE g_clip_size = {0, 0};
SIZE g_window_size = {0, 0};

TEST(Rt60Window, UnrealisticTimesAreToldOnceAndKopieCopiesTheWindow) {
  g_boxes_after_repaints = -1;
  g_clip_size = g_window_size = SIZE{0, 0};
  int code = harness::run({
      [] {
        build_cube();
        for (double& t : g_rt60_measured) t = 0.5;
        g_rt60_measured[6] = 8.0;  // 8 kHz: the air alone absorbs more than 161 / 8 m^2
        rt60_set_edit_hook(nullptr);  // "M" takes the stored times
        PostMessageA(win_main_window(), WM_COMMAND, 5010, 0);
      },
      when(window_open, [] { click(RT60_ID_METHOD_FIRST + 3); }),
      when([] { return g_rt60_method == RT60_MEASURED && !harness::g_boxes.empty(); },
           [] {
             for (int i = 0; i < 3; ++i) {
               InvalidateRect(rt60_window(), nullptr, TRUE);
               UpdateWindow(rt60_window());
             }
           }),
      [] {
        g_boxes_after_repaints = static_cast<int>(harness::g_boxes.size());
        click(RT60_ID_COPY);
      },
      [] {
        RECT r;
        GetClientRect(rt60_window(), &r);
        g_window_size = SIZE{r.right + 1, r.bottom + 1};
        if (OpenClipboard(nullptr)) {
          HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
          BITMAP info = {};
          if (bitmap && GetObjectA(bitmap, sizeof info, &info)) g_clip_size = SIZE{info.bmWidth, info.bmHeight};
          CloseClipboard();
        }
        click(RT60_ID_CLOSE);
      },
      when([] { return !window_open(); },
           [] {
             for (double& t : g_rt60_measured) t = 0.0;
             g_rt60_method = RT60_SABINE;
             obj_free_all();
           }),
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(g_boxes_after_repaints, 1);
  EXPECT_EQ(harness::g_boxes[0].text, "Werteingabe unrealistisch");
  EXPECT_EQ(harness::g_boxes[0].caption, "Bitte korrigieren");
  EXPECT_GT(g_window_size.cx, 100);
  EXPECT_EQ(g_clip_size.cx, g_window_size.cx);
  EXPECT_EQ(g_clip_size.cy, g_window_size.cy);
}

}  // namespace

namespace {

// Width over height of the dark pixels of a window's client area.
double dark_ratio_of_window(HWND window) {
  RECT r;
  GetClientRect(window, &r);
  HDC dc = GetDC(window);
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right, r.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = r.right;
  info.biHeight = -r.bottom;
  info.biPlanes = 1;
  info.biBitCount = 32;
  std::vector<uint32_t> pixels(static_cast<size_t>(r.right) * r.bottom);
  GetDIBits(memory, bitmap, 0, r.bottom, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  pdf_printer::Page page;
  page.width = r.right;
  page.height = r.bottom;
  for (uint32_t p : pixels) {
    int red = (p >> 16) & 0xFF, green = (p >> 8) & 0xFF, blue = p & 0xFF;
    page.grey.push_back(static_cast<uint8_t>((299 * red + 587 * green + 114 * blue) / 1000));
  }
  pdf_printer::Box box = pdf_printer::dark_box(page);
  return double(box.right - box.left + 1) / (box.bottom - box.top + 1);
}

std::string g_job;
double g_window_ratio = 0.0;

}  // namespace

TEST(Rt60Window, DruckenPrintsTheWindowOnThePrinter) {
  g_job.clear();
  g_window_ratio = 0.0;
  int code = harness::run({
      [] {
        build_cube();
        PostMessageA(win_main_window(), WM_COMMAND, 5010, 0);
      },
      when(window_open,
           [] {
             g_window_ratio = dark_ratio_of_window(rt60_window());
             g_job = pdf_printer::next_job_name();
             pdf_printer::answer_next_dialog(IDOK);
             click(RT60_ID_PRINT);
           }),
      when([] { return pdf_printer::g_dialogs_answered > 0 && !print_is_printing() && !pdf_printer::find_now(g_job).empty(); },
           [] { click(RT60_ID_CLOSE); }),
      when([] { return !window_open(); }, [] { obj_free_all(); }),
  });
  EXPECT_EQ(code, 0);
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << "message: " << box.text;
  std::string pdf = pdf_printer::wait_for_pdf(g_job);
  ASSERT_FALSE(pdf.empty()) << g_job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 50, page));
  pdf_printer::Box box = pdf_printer::dark_box(page);
  ASSERT_LT(box.left, box.right);
  double printed_ratio = double(box.right - box.left + 1) / (box.bottom - box.top + 1);
  EXPECT_NEAR(printed_ratio, g_window_ratio, 0.04 * g_window_ratio);
  DeleteFileA(pdf.c_str());
}
