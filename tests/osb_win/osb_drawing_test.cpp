// The speaker-database editor's drawing mode as a user meets it: the 3D
// view panel in the top margin, its buttons turning a record's drawing
// (read back as pixels) and its readouts following the cursor; a drawing
// that belongs to no record kept on screen when its save on the way out is
// cancelled.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "tests/osb_win/osb_harness.h"
#include "tests/win32/window_bitmap.h"

namespace {

using namespace harness;

void command(int id) { SendMessageA(win_main_window(), WM_COMMAND, id, 0); }
void post_command(int id) { PostMessageA(win_main_window(), WM_COMMAND, id, 0); }
void press(int id) { SendMessageA(GetDlgItem(panel_window(), id), BM_CLICK, 0, 0); }
bool pressed(int id) { return IsDlgButtonChecked(panel_window(), id) == BST_CHECKED; }
std::string text_of(int id) { return window_text(GetDlgItem(panel_window(), id)); }

std::string metres(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%0.3f", double(v));
  return text;
}

TEST(OsbDrawing, PanelInTheTopMarginTurnsTheRecordsDrawingAndReadsTheCursor) {
  std::string copy = full_path("osb_drawing_test.OSB");
  ASSERT_TRUE(CopyFileA(full_path("BEISPIEL.OSB").c_str(), copy.c_str(), FALSE));
  answer_password("pw");
  struct Seen {
    bool panel = false, visible = false, above_drawing = false, gone_after = false;
    WindowPixels xy, yz, three_d;
    bool yz_radio = false, three_d_radio = false, xy_radio_after_3d = true;
    std::string read_x, read_y, wanted_x, wanted_y;
  } seen;
  int code = run({
      [&] {
        answer_file_dialog(copy);
        post_command(6002);
      },
      [&] {
        select_record(2);  // the horn has a drawing
        command(6301);
        HWND panel = panel_window();
        seen.panel = panel != nullptr;
        if (!panel) return;
        seen.visible = IsWindowVisible(panel) != 0;
        RECT p, d;
        GetWindowRect(panel, &p);
        GetWindowRect(win_drawing_window(), &d);
        seen.above_drawing = p.bottom <= d.top && p.right > p.left;
        press(101);  // "XY"
        press(107);  // "<>": zoom all
      },
      when([] { return g_view.kind == VIEW_XY; },
           [&] {
             UpdateWindow(win_drawing_window());
             seen.xy = capture_window(win_drawing_window());
             press(102);  // "YZ"
           }),
      when([] { return g_view.kind == VIEW_YZ; },
           [&] {
             UpdateWindow(win_drawing_window());
             seen.yz = capture_window(win_drawing_window());
             seen.yz_radio = pressed(102);
             press(104);  // "3D"
           }),
      when([] { return g_view.kind == VIEW_3D; },
           [&] {
             UpdateWindow(win_drawing_window());
             seen.three_d = capture_window(win_drawing_window());
             seen.three_d_radio = pressed(104);
             seen.xy_radio_after_3d = pressed(101);
             press(101);
           }),
      when([] { return g_view.kind == VIEW_XY; },
           [&] {
             RECT r;
             GetClientRect(win_drawing_window(), &r);
             SendMessageA(win_drawing_window(), WM_MOUSEMOVE, 0, MAKELPARAM(r.right / 4, r.bottom / 5));
             seen.read_x = text_of(201);
             seen.read_y = text_of(202);
             seen.wanted_x = metres(g_last_point.x);
             seen.wanted_y = metres(g_last_point.y);
             command(6302);
             seen.gone_after = panel_window() == nullptr;
           }),
  });
  EXPECT_EQ(code, 0);
  for (const Box& b : g_boxes) ADD_FAILURE() << "unexpected message: " << b.caption << ": " << b.text;
  ASSERT_TRUE(seen.panel);
  EXPECT_TRUE(seen.visible);
  EXPECT_TRUE(seen.above_drawing);
  const int area = seen.xy.width * seen.xy.height;
  ASSERT_GT(area, 0);
  EXPECT_GT(pixels_differing(seen.xy, seen.yz), area / 1000) << "the side view looks like the plan";
  EXPECT_GT(pixels_differing(seen.yz, seen.three_d), area / 1000) << "the 3D view looks like the side view";
  EXPECT_TRUE(seen.yz_radio);
  EXPECT_TRUE(seen.three_d_radio);
  EXPECT_FALSE(seen.xy_radio_after_3d);
  EXPECT_EQ(seen.read_x, seen.wanted_x);
  EXPECT_EQ(seen.read_y, seen.wanted_y);
  EXPECT_NE(seen.read_x + seen.read_y, "0.0000.000");  // the cursor left the origin
  EXPECT_TRUE(seen.gone_after);
  DeleteFileA(copy.c_str());
}

// With no record a drawing can only be kept in a file of its own: when the
// user agrees to save it on the way out (or back to the database menu) and
// then cancels the save dialog, the editor stays open with the drawing.
TEST(OsbDrawing, CancelledSaveOfADrawingWithoutRecordKeepsTheDrawing) {
  answer_password("pw");
  struct Seen {
    int objects = 0, objects_after = -1;
    bool open_after = false, drawing_mode_after = false, dialog_came = false, drawing_mode_after_back = false;
    int objects_after_back = -1;
    std::vector<std::string> questions;
  } seen;
  int code = run(
      {
          [&] {
            command(6301);  // no record: an empty drawing
            DrawObject* square = obj_create(0, 5, 5);
            ASSERT_NE(square, nullptr);
            const WorldPoint corners[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
            for (int i = 0; i < 4; ++i) square->nodes[i] = corners[i];
            square->nodes[4] = corners[0];
            for (int i = 0; i < 5; ++i) square->elements[i] = ElementCode{uint16_t(i ? EL_LINE : EL_START), uint16_t(i)};
            square->kind = 1;
            obj_append(square);
            g_modified = 1;
            seen.objects = obj_count();
            g_dialog_answer = [&] {
              HWND dialog = own_dialog::file_dialog();
              if (!dialog) return false;
              seen.dialog_came = true;
              dialog_script::press(dialog, IDCANCEL);
              return true;
            };
            post_command(105);  // Datei > Beenden
          },
          [&] {
            for (const Box& b : g_boxes) seen.questions.push_back(b.text);
            g_boxes.clear();
            seen.open_after = IsWindow(win_main_window()) != 0;
            seen.drawing_mode_after = spked_in_drawing_mode();
            seen.objects_after = obj_count();
            g_dialog_answer = [&] {
              HWND dialog = own_dialog::file_dialog();
              if (!dialog) return false;
              dialog_script::press(dialog, IDCANCEL);
              return true;
            };
            post_command(6302);  // back to the database menu, the same way
          },
          [&] {
            seen.drawing_mode_after_back = spked_in_drawing_mode();
            seen.objects_after_back = obj_count();
          },
      },
      // Beenden: discard question OK, "save as a file?" OK (then the cancelled
      // dialog); DATENBANK MENÜ: "save as a file?" OK (cancelled again); at
      // the harness's close: OK, then Cancel drops the drawing.
      {UI_IDOK, UI_IDOK, UI_IDOK, UI_IDOK, UI_IDCANCEL});
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(seen.dialog_came);
  ASSERT_EQ(seen.questions.size(), 2u);
  EXPECT_EQ(seen.questions[0], "Daten sind noch nicht gesichert");
  EXPECT_EQ(seen.questions[1], "Zeichnung als Datei sichern ?");
  EXPECT_TRUE(seen.open_after);
  EXPECT_TRUE(seen.drawing_mode_after);
  EXPECT_EQ(seen.objects, 1);
  EXPECT_EQ(seen.objects_after, 1);
  EXPECT_TRUE(seen.drawing_mode_after_back);
  EXPECT_EQ(seen.objects_after_back, 1);
}

}  // namespace
