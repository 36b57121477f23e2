#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "cad/render.h"
#include "framework/ui_seam.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_db_win.h"
#include "tests/win32/dialog_script.h"

namespace {

// What the timer saw in the dialog, and what it does there.
struct Probe {
  enum Action { pick_third, cancel, double_click_second };
  explicit Probe(Action a) : action(a) {}
  Action action;
  std::vector<std::string> names;
  int selected = -1;
  std::string description;
  bool found = false;
};
Probe* g_probe = nullptr;

std::string item_text(HWND control) {
  char text[256] = {};
  GetWindowTextA(control, text, sizeof text);
  return text;
}

void answer_dialog(HWND dialog) {
  Probe& p = *g_probe;
  p.found = true;
  HWND list = GetDlgItem(dialog, 101);
  int count = int(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char name[64] = {};
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
    p.names.push_back(name);
  }
  p.selected = int(SendMessageA(list, LB_GETCURSEL, 0, 0));
  switch (p.action) {
    case Probe::pick_third:
      SendMessageA(list, LB_SETCURSEL, 2, 0);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(101, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
      p.description = item_text(GetDlgItem(dialog, 102));
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(110, BN_CLICKED), 0);
      break;
    case Probe::cancel:
      PostMessageA(dialog, WM_CLOSE, 0, 0);
      break;
    case Probe::double_click_second:
      SendMessageA(list, LB_SETCURSEL, 1, 0);
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(101, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
      break;
  }
}

int run_dialog(Probe& probe, int preselected, int* chosen) {
  g_probe = &probe;
  int result = 0;
  dialog_script::run({{"Lautsprecher wählen", answer_dialog}}, [&] { result = sdb_select_type(preselected, chosen); },
                     20000, 50);
  return result;
}

class SpeakerSelectTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* generated = std::getenv("ORV_GENERATED");
    ASSERT_NE(generated, nullptr);
    std::string path = std::string(generated) + "/BEISPIEL.OSB";
    ASSERT_EQ(sdb_open_path(path.c_str()), 1) << path;
    g_sdb_current_selection = 0;
  }
};

TEST_F(SpeakerSelectTest, ListsTheSampleTypesAndTakesTheChoice) {
  Probe probe{Probe::pick_third};
  int chosen = -1;
  ASSERT_EQ(run_dialog(probe, 0, &chosen), 1);
  ASSERT_TRUE(probe.found);
  EXPECT_EQ(probe.names, (std::vector<std::string>{"KUGEL12", "BOX2W", "HORN6040", "SUB18"}));
  EXPECT_EQ(probe.selected, 0);
  EXPECT_EQ(probe.description, "Hochtonhorn 60 x 40 Grad");
  EXPECT_EQ(chosen, 2);
  EXPECT_STREQ(g_type_head.type_name, "HORN6040");  // the head last shown stays
  EXPECT_GT(g_type_head.rated_power[3], 0.0f);
}

TEST_F(SpeakerSelectTest, PreselectionCancelAndDoubleClick) {
  Probe cancelled{Probe::cancel};
  int chosen = -1;
  EXPECT_EQ(run_dialog(cancelled, 3, &chosen), 0);
  EXPECT_EQ(cancelled.selected, 3);
  EXPECT_EQ(chosen, -1);

  Probe twice{Probe::double_click_second};
  EXPECT_EQ(run_dialog(twice, 0, &chosen), 1);
  EXPECT_EQ(twice.selected, 3);  // the selection persists between calls
  EXPECT_EQ(chosen, 1);
  EXPECT_STREQ(g_type_head.type_name, "BOX2W");
}

TEST(SpeakerSymbols, BuiltInDrawingsLoadFromTheProgramResources) {
  ASSERT_EQ(legacy_load_builtin_symbols(), 1);
  DrawObject* symbol = g_default_speaker_symbol;
  EXPECT_EQ(symbol->layer, 3u);
  EXPECT_EQ(symbol->prev, nullptr);  // kept outside the object list
  EXPECT_EQ(symbol->nodes[symbol->node_count - 2].x, 1.0f);
  EXPECT_EQ(symbol->nodes[symbol->node_count - 1].z, 1.0f);
  ASSERT_GT(g_axis_cross->node_count, 18u);  // axis nodes hidden
  EXPECT_EQ(g_axis_cross->nodes[18].x, 0.0f);  // the origin
  EXPECT_EQ(g_axis_cross->nodes[12].x, 16.0f);  // the x axis tip
  EXPECT_EQ(legacy_load_drawing_resource("NO_SUCH_DRAWING"), nullptr);
  obj_free(g_default_speaker_symbol);
  obj_free(g_axis_cross);
  g_default_speaker_symbol = g_axis_cross = nullptr;
}

}  // namespace
