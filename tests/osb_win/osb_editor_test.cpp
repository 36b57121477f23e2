// The speaker-database editor run as a user would: start-up with the
// session password, the sample database opened, a record's characteristics
// edited and saved, the saved file read by the design program's reader;
// drawing mode entered and left.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "cad/drawing_window_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/child_windows_win.h"
#include "tests/osb_win/osb_harness.h"
#include "tests/win32/window_bitmap.h"
#include "speaker_editor/record_table.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_db.h"

namespace {

using namespace harness;

HMENU popup(int position) { return GetSubMenu(GetMenu(win_main_window()), position); }

bool greyed(int id) {
  return (GetMenuState(GetMenu(win_main_window()), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0;
}

void command(int id) { SendMessageA(win_main_window(), WM_COMMAND, id, 0); }
void post_command(int id) { PostMessageA(win_main_window(), WM_COMMAND, id, 0); }

TEST(OsbEditor, StartsOpensEditsAndSavesADatabaseTheDesignProgramReads) {
  std::string sample = full_path("BEISPIEL.OSB");
  std::string copy = full_path("osb_editor_test_in.OSB");
  std::string saved = full_path("osb_editor_test_out.osb");
  ASSERT_TRUE(CopyFileA(sample.c_str(), copy.c_str(), FALSE));
  DeleteFileA(saved.c_str());
  answer_password("geheim");
  struct Seen {
    std::string caption, after_open, after_save;
    UINT first_item = 0;
    int top_count = 0;
    bool save_grey_when_empty = false, save_enabled_after_open = false;
    bool selector_visible = false, drawing_hidden = false;
    int count = 0, modified_after_edit = 0, modified_after_save = 1;
    std::string manufacturer;
    float sensitivity = 0;
    char record_key[21] = {};
  } seen;
  int code = run({
      [&] {
        seen.caption = window_text(win_main_window());
        seen.top_count = GetMenuItemCount(GetMenu(win_main_window()));
        seen.first_item = GetMenuItemID(popup(0), 0);
        SendMessageA(win_main_window(), WM_INITMENU, WPARAM(GetMenu(win_main_window())), 0);
        seen.save_grey_when_empty = greyed(6003) && greyed(6110) && greyed(6201) && !greyed(6002);
        seen.selector_visible = spked_record_selector() && IsWindowVisible(spked_record_selector());
        seen.drawing_hidden = !IsWindowVisible(win_drawing_window());
        answer_file_dialog(copy);
        post_command(6002);
      },
      [&] {
        seen.after_open = window_text(win_main_window());
        seen.count = g_spked_table.count;
        SendMessageA(win_main_window(), WM_INITMENU, WPARAM(GetMenu(win_main_window())), 0);
        seen.save_enabled_after_open = !greyed(6003) && !greyed(6110);
        g_dialog_answer = [] {
          HWND dialog = own_dialog::shown("Lautsprecher Kenndaten");
          if (!dialog) return false;
          SetDlgItemTextA(dialog, 101, "Testfirma");
          SetDlgItemTextA(dialog, 501, "95,5");
          SendDlgItemMessageA(dialog, 501, EM_SETMODIFY, TRUE, 0);
          SendMessageA(dialog, WM_NCMOUSEMOVE, 0, 0);  // any other message fixes the comma
          PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(2001, BN_CLICKED), 0);
          return true;
        };
        post_command(6110);
      },
      [&] {
        seen.modified_after_edit = g_spked_modified;
        answer_file_dialog(saved);
        post_command(6003);
      },
      [&] {
        seen.after_save = window_text(win_main_window());
        seen.modified_after_save = g_spked_modified;
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen.caption, "OSB V2.90");
  EXPECT_EQ(seen.top_count, 4);
  EXPECT_EQ(seen.first_item, 6001u);
  EXPECT_TRUE(seen.save_grey_when_empty);
  EXPECT_TRUE(seen.selector_visible);
  EXPECT_TRUE(seen.drawing_hidden);
  EXPECT_EQ(seen.count, 4);
  EXPECT_EQ(seen.after_open, "OSB V2.90 > " + copy);
  EXPECT_TRUE(seen.save_enabled_after_open);
  EXPECT_EQ(seen.modified_after_edit, 1);
  EXPECT_EQ(seen.modified_after_save, 0);
  EXPECT_EQ(seen.after_save, "OSB V2.90 > " + saved.substr(0, saved.size() - 4) + ".osb");
  for (const Box& b : g_boxes) ADD_FAILURE() << "unexpected message: " << b.text;

  // The design program's reader takes the saved file.
  ASSERT_EQ(sdb_open_path(saved.c_str()), 1);
  ASSERT_EQ(g_sdb_index.count, 4);
  ASSERT_EQ(sdb_read_type_head(0), 1);
  EXPECT_STREQ(g_type_head.manufacturer, "Testfirma");
  EXPECT_FLOAT_EQ(g_type_head.sensitivity[0], 95.5f);
  EXPECT_STREQ(g_type_head.record_key, "geheim");
  EXPECT_NE(g_type_head.time_stamp1, 0u);
  DeleteFileA(copy.c_str());
  DeleteFileA(saved.c_str());
}

TEST(OsbEditor, DrawingModeSwapsMenusAndKeepsTheDrawingWithTheRecord) {
  std::string copy = full_path("osb_editor_test_draw.OSB");
  ASSERT_TRUE(CopyFileA(full_path("BEISPIEL.OSB").c_str(), copy.c_str(), FALSE));
  answer_password("");
  struct Seen {
    UINT drawing_first = 0, back_first = 0;
    bool drawing_visible = false, selector_hidden = false, back_hidden = false;
    int empty_objects = -1, record_objects = -1;
    bool warned = false;
  } seen;
  int code = run({
      [&] {
        seen.warned = !g_boxes.empty() && g_boxes[0].caption == "WARNUNG";
        g_boxes.clear();
        command(6301);  // no record yet: an empty drawing
        seen.empty_objects = obj_count();
        command(6302);
        answer_file_dialog(copy);
        post_command(6002);
      },
      [&] {
        select_record(2);  // the horn has a shape
        command(6301);
        seen.drawing_first = GetMenuItemID(popup(0), 0);
        seen.drawing_visible = IsWindowVisible(win_drawing_window()) != 0;
        seen.selector_hidden = !IsWindowVisible(spked_record_selector());
        seen.record_objects = obj_count();
        command(6302);
        seen.back_first = GetMenuItemID(popup(0), 0);
        seen.back_hidden = !IsWindowVisible(win_drawing_window());
      },
  }, {UI_IDCANCEL});
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(seen.warned);  // the empty password was questioned; Cancel goes on without one
  EXPECT_EQ(seen.empty_objects, 0);
  EXPECT_EQ(seen.drawing_first, 104u);
  EXPECT_TRUE(seen.drawing_visible);
  EXPECT_TRUE(seen.selector_hidden);
  EXPECT_GT(seen.record_objects, 0);
  EXPECT_EQ(seen.back_first, 6001u);
  EXPECT_TRUE(seen.back_hidden);
  DeleteFileA(copy.c_str());
}

// The start-up picture stands centred on the main window (the drawing
// window is hidden until drawing mode).
TEST(OsbEditor, StartUpPictureIsCentredOnTheMainWindow) {
  answer_password("x");
  WindowPixels shot;
  int code = run({[&] { shot = capture_window(win_main_window()); }});
  EXPECT_EQ(code, 0);
  const WindowPixels picture = bitmap_resource_pixels("OSBBMP290");
  ASSERT_GT(picture.width, 0);
  const PictureMatch m = centred_picture_match(shot, picture, RGB(0xF0, 0xF0, 0xF0));
  ASSERT_GT(m.compared, 1000);
  EXPECT_GT(m.same, m.compared * 9 / 10) << m.same << " of " << m.compared << " pixels of the picture on the window";
}

}  // namespace

// Ended from either menu, the editor leaves no command running and no quit
// message behind: started again in the same process, it runs its steps.
TEST(OsbEditor, EndedFromItsMenusItStartsAgainInTheSameProcess) {
  struct Case {
    const char* name;
    bool drawing_mode;
    int exit_id;
  };
  for (const Case& c : {Case{"database menu", false, 6004}, Case{"drawing menu", true, 105}}) {
    SCOPED_TRACE(c.name);
    answer_password("x");
    int first = run({[&] {
      if (c.drawing_mode) command(6301);
      post_command(c.exit_id);
    }});
    EXPECT_EQ(first, 0);
    EXPECT_EQ(g_running_command, 0);
    answer_password("x");
    bool ran = false, menus_enabled = false;
    int second = run({[&] {
      ran = true;
      menus_enabled = !greyed(6002);
    }});
    EXPECT_EQ(second, 0);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(menus_enabled);
  }
}

// A command that waits greys every item of the menu bar in use (the
// database menu's drawing-mode item too) until it ends; a drawing command
// leaves its prompt prefix behind for no later prompt.
TEST(OsbEditor, AWaitingCommandGreysTheWholeMenuBarAndEndsWithoutItsPrefix) {
  std::string copy = full_path("osb_editor_test_grey.OSB");
  ASSERT_TRUE(CopyFileA(full_path("BEISPIEL.OSB").c_str(), copy.c_str(), FALSE));
  answer_password("x");
  auto whole_bar = [](bool grey) {
    HMENU bar = GetMenu(win_main_window());
    const int items = GetMenuItemCount(bar);
    for (int position = 0; position < items; ++position) {
      const bool item_greyed = (GetMenuState(bar, position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) != 0;
      if (item_greyed != grey) return false;
    }
    return items > 0;
  };
  struct Seen {
    bool view_open = false, greyed_during = false, enabled_after = false;
    std::string prompt_after_drawing;
  } seen;
  int code = run({
      [&] {
        answer_file_dialog(copy);
        post_command(6002);
      },
      [&] { post_command(6202); },  // the polar plot waits for its "<-"
      [&] {
        seen.view_open = spked_view_window() != nullptr;
        seen.greyed_during = whole_bar(true);
        post_command(20030);
      },
      [&] {
        seen.enabled_after = whole_bar(false);
        command(6301);
        post_command(2203);  // the circle takes its prefix and waits for the centre
        post_command(CAD_ID_STOP);
      },
      [&] {
        view_show_prompt("Punkt :");
        seen.prompt_after_drawing = view_prompt_text();
        command(6302);
      },
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(seen.view_open);
  EXPECT_TRUE(seen.greyed_during);
  EXPECT_TRUE(seen.enabled_after);
  EXPECT_EQ(seen.prompt_after_drawing, "Punkt :");
  DeleteFileA(copy.c_str());
}
