// A loudspeaker imported from a GDF file into the running editor, then
// shown in the balloon window, the polar plot and the data sheet; the
// windows are read back as pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "../win32/pdf_printer.h"
#include "../win32/window_bitmap.h"
#include "cad/obj_store.h"
#include "framework/palette.h"
#include "tests/osb_win/osb_harness.h"
#include "speaker_editor/record_table.h"

namespace {

using namespace harness;

// A half-sphere GDF file whose 1 kHz band narrows toward the back.
void write_gdf(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("Device Name GDF1\r\nManufacturer Testwerk\r\n# Frequency Band Section\r\nSphere Size Half\r\n"
             "Frequency (Hz) 1000\r\nSensitivity (1W-1M) 92\r\nImpedance 8\r\nMaxPower (W) 200\r\n"
             "Phi Inc 5\r\nTheta Inc 5\r\n", f);
  for (int r = 0; r < 37; ++r) {
    for (int k = 0; k < 37; ++k) std::fprintf(f, "%s%.1f", k ? " " : "", 0.4 * k + 0.05 * r);
    std::fputs("\r\n", f);
  }
  std::fclose(f);
}

// Pixels that are neither the background nor black: lines in colour.
int coloured_pixels(HWND window) {
  WindowPixels shot = capture_window(window);
  int n = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) {
      COLORREF c = shot.at(x, y);
      if (c != RGB(255, 255, 255) && c != RGB(0, 0, 0) && c != gfx_palette_colour(5)) ++n;
    }
  return n;
}

int drawn_pixels(HWND window) {
  WindowPixels shot = capture_window(window);
  int n = 0;
  for (int y = 0; y < shot.height; ++y)
    for (int x = 0; x < shot.width; ++x) n += shot.at(x, y) != RGB(255, 255, 255);
  return n;
}

// Drawn pixels in the square of side `size` at the window's lower left corner.
int corner_pixels(HWND window, int size) {
  WindowPixels shot = capture_window(window);
  int n = 0;
  for (int y = shot.height - size; y < shot.height; ++y)
    for (int x = 0; x < size; ++x) n += shot.at(x, y) != RGB(255, 255, 255);
  return n;
}

void press(int id) { SendMessageA(win_main_window(), WM_COMMAND, id, 0); }
void post_command(int id) { PostMessageA(win_main_window(), WM_COMMAND, id, 0); }

TEST(OsbViews, ImportedRecordInBalloonPolarPlotAndDataSheet) {
  std::string gdf = full_path("osb_views_test.gdf");
  write_gdf(gdf);
  answer_password("pw");
  struct Seen {
    int count = 0;
    std::string type;
    bool balloon_open = false;
    uint32_t nodes = 0, elements = 0;
    int band_at_open = -1, band_after = -1;
    bool single = false, closed = false;
    int balloon_colour = 0, single_colour = 0, single_corner = 0, polar_colour = 0, sheet_drawn = 0;
    bool sheet_open = false, polar_open = false;
  } seen;
  std::string job;
  int code = run({
      [&] {
        answer_file_dialog(gdf);
        post_command(6106);
      },
      [&] {
        seen.count = g_spked_table.count;
        seen.type = g_spked_current.type_name;
        post_command(6203);
      },
      [&] {
        HWND view = spked_view_window();
        seen.balloon_open = view && IsWindowVisible(view);
        if (!view) return;
        UpdateWindow(view);
        const DrawObject* mesh = spked_balloon_mesh();
        seen.nodes = mesh ? mesh->node_count : 0;
        seen.elements = mesh ? mesh->element_count : 0;
        seen.band_at_open = spked_balloon_band();
        seen.balloon_colour = coloured_pixels(view);
        save_window_bitmap(view, full_path("osb_views_balloon.bmp"));
        press(20031);  // 125 Hz
        press(20038);  // one large 3D view
      },
      [&] {
        HWND view = spked_view_window();
        if (!view) return;
        seen.band_after = spked_balloon_band();
        seen.single = spked_balloon_single_view();
        seen.single_colour = coloured_pixels(view);
        seen.single_corner = corner_pixels(view, 90);
        press(20030);
      },
      [&] {
        seen.closed = spked_view_window() == nullptr;
        post_command(6202);
      },
      [&] {
        HWND view = spked_view_window();
        seen.polar_open = view != nullptr;
        if (!view) return;
        UpdateWindow(view);
        seen.polar_colour = coloured_pixels(view);
        save_window_bitmap(view, full_path("osb_views_polar.bmp"));
        press(20030);
      },
      [&] { post_command(6201); },
      [&] {
        HWND view = spked_view_window();
        seen.sheet_open = view != nullptr;
        if (!view) return;
        UpdateWindow(view);
        seen.sheet_drawn = drawn_pixels(view);
        save_window_bitmap(view, full_path("osb_views_sheet.bmp"));
        // The selector's "Drucken" prints the open sheet on the chosen printer.
        job = pdf_printer::next_job_name();
        pdf_printer::answer_next_dialog(IDOK);
        SendMessageA(spked_record_selector(), WM_COMMAND, 103, 0);
        press(20030);
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen.count, 1);
  EXPECT_EQ(seen.type, "GDF1");
  EXPECT_TRUE(seen.balloon_open);
  EXPECT_EQ(seen.nodes, 2522u);
  EXPECT_EQ(seen.elements, 10224u);
  EXPECT_EQ(seen.band_at_open, 3);
  EXPECT_GT(seen.balloon_colour, 500);  // the mesh drawn in its colour in the panels
  EXPECT_EQ(seen.band_after, 0);
  EXPECT_TRUE(seen.single);
  EXPECT_GT(seen.single_colour, 500);
  EXPECT_GT(seen.single_corner, 40);  // the small axis cross turned with the balloon
  EXPECT_TRUE(seen.closed);
  EXPECT_TRUE(seen.polar_open);
  EXPECT_GT(seen.polar_colour, 500);  // the curves in their pens
  EXPECT_TRUE(seen.sheet_open);
  EXPECT_GT(seen.sheet_drawn, 2000);  // the framed table
  for (const Box& b : g_boxes) ADD_FAILURE() << "unexpected message: " << b.text;
  EXPECT_EQ(pdf_printer::g_dialogs_answered, 1);
  ASSERT_FALSE(job.empty());
  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << "no PDF for job " << job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 50, page));
  pdf_printer::Box box = pdf_printer::dark_box(page);
  EXPECT_GT(box.right - box.left, page.width / 3);  // the sheet's table, scaled onto the page
  EXPECT_GT(box.bottom - box.top, page.height / 8);
  DeleteFileA(gdf.c_str());
}

// A wide view printed from the selector's "Drucken" goes on a landscape
// page and fills most of its width, as the drawing window's print does.
TEST(OsbViews, WideViewPrintsAcrossALandscapePage) {
  std::string gdf = full_path("osb_views_print_test.gdf");
  write_gdf(gdf);
  answer_password("pw");
  std::string job;
  RECT view_client = {};
  int code = run({
      [&] {
        MoveWindow(win_main_window(), 0, 0, 1280, 1000, TRUE);
        answer_file_dialog(gdf);
        post_command(6106);
      },
      [&] { post_command(6202); },
      [&] {
        HWND view = spked_view_window();
        if (!view) return;
        UpdateWindow(view);
        GetClientRect(view, &view_client);
        job = pdf_printer::next_job_name();
        pdf_printer::answer_next_dialog(IDOK);
        SendMessageA(spked_record_selector(), WM_COMMAND, 103, 0);
        press(20030);
      },
  });
  EXPECT_EQ(code, 0);
  for (const Box& b : g_boxes) ADD_FAILURE() << "unexpected message: " << b.text;
  ASSERT_GT(view_client.right, 1150);  // wide enough to need the turned page
  ASSERT_FALSE(job.empty());
  std::string pdf = pdf_printer::wait_for_pdf(job);
  ASSERT_FALSE(pdf.empty()) << "no PDF for job " << job;
  pdf_printer::Page page;
  ASSERT_TRUE(pdf_printer::rasterise(pdf, 50, page));
  EXPECT_GT(page.width, page.height);  // landscape
  pdf_printer::Box box = pdf_printer::dark_box(page);
  EXPECT_GT(box.right - box.left, page.width * 6 / 10) << "the plot fills " << box.right - box.left << " of "
                                                         << page.width;
  DeleteFileA(gdf.c_str());
}

}  // namespace
