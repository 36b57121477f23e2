#include <gtest/gtest.h>

#include "tests/win32/dialog_script.h"
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "design/design_dialogs_win.h"
#include "design/speaker_cmds.h"
#include "framework/gfx_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "tests/win32/command_harness.h"
#include "project/model_reset.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

using command_harness::g_drawing;

LPARAM pixel_of(float x, float y) { return MAKELPARAM(view_world_to_screen(x, 1), view_world_to_screen(y, 0)); }
void move_to(float x, float y) { PostMessageA(g_drawing, WM_MOUSEMOVE, 0, pixel_of(x, y)); }
void click(float x, float y) {
  move_to(x, y);
  PostMessageA(g_drawing, WM_LBUTTONDOWN, MK_LBUTTON, pixel_of(x, y));
}
void key(int vk) { PostMessageA(win_main_window(), WM_KEYDOWN, static_cast<WPARAM>(vk), 0); }

// Selects everything in a window from (-10, -10) to (10, 10) and ends the selection.
void select_all_by_window() {
  click(-10, -10);  // nothing there: the next click closes a window
  click(10, 10);
  key(VK_RETURN);
}

// Dialog steps: each waits for its dialog by caption, then acts; an action
// answering false waits and tries again on the next tick.
using dialog_script::press;
using dialog_script::Step;
using dialog_script::text;
std::vector<std::string> g_boxes;

int record_box(const char* text, const char*, unsigned) {
  g_boxes.push_back(text);
  return UI_IDOK;
}

constexpr const char* INPUT = "Lautsprecher-Eingabe";
constexpr const char* CHOOSE = "Lautsprecher wählen";
constexpr const char* EQUALISER = "Equalizer";

class SpeakerCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(command_harness::open_windows());
    design_install_win32_dialogs();  // as the program's start-up does
    ASSERT_EQ(legacy_load_builtin_symbols(), 1);
    const char* generated = std::getenv("ORV_GENERATED");
    ASSERT_NE(generated, nullptr);
    std::string path = std::string(generated) + "/BEISPIEL.OSB";
    ASSERT_EQ(sdb_open_path(path.c_str()), 1) << path;
  }
  void SetUp() override {
    obj_free_all();
    spk_reset_tables();
    view_new_drawing_defaults();
    view_set_xy();
    g_view.scale = 20;
    g_view.centre_x = g_view.centre_y = 0;
    g_view.coord_snap = 0;
    g_view.point_snap = 0;
    view_relayout();
    input_enable_cursor(1);
    input_clear_flags();
    g_modified = 0;
    g_boxes.clear();
    ui_seams().message_box = record_box;
    g_sdb_current_selection = 0;
  }
  void TearDown() override {
    g_running_command = 0;
    ui_reset_seams();
    obj_free_all();
    spk_reset_tables();
  }
  // Runs a command as the dispatch would: loudspeaker layer, running id.
  static void run(int id, void (*routine)(), std::vector<Step> steps = {}) {
    g_view.current_layer = SPEAKER_LAYER;
    g_running_command = static_cast<int16_t>(id);
    dialog_script::run_all(std::move(steps), routine);
    g_running_command = 0;
  }
  // One loudspeaker placed by a click at (2, 3), type chosen in the dialogs.
  static DrawObject* place_one() {
    click(2, 3);
    run(1002, spk_cmd_new,
        {{INPUT, [](HWND d) { return press(d, 123), true; }},
         {CHOOSE, [](HWND d) {
            SendDlgItemMessageA(d, 101, LB_SETCURSEL, 1, 0);
            return press(d, 110), true;
          }},
         {INPUT, [](HWND d) {
            if (text(d, 101).empty()) return false;
            SetDlgItemTextA(d, 107, "190");
            return press(d, 121), true;
          }}});
    return g_obj_head;
  }
};

TEST_F(SpeakerCommands, PlaceByClickWithTheDialog) {
  DrawObject* o = place_one();
  ASSERT_EQ(obj_count_speaker(), 1);
  PlacedSpeaker* ps = spk_placed_of(o);
  ASSERT_NE(ps, nullptr);
  EXPECT_NEAR(ps->position[0], 2.0, 0.06);
  EXPECT_NEAR(ps->position[1], 3.0, 0.06);
  EXPECT_NEAR(ps->horizontal_angle, -170 * 0.017453292522222223, 1e-5);
  EXPECT_EQ(g_speaker_types.count, 1);
  EXPECT_STREQ(g_speaker_types.records[ps->type_index]->type_name, "BOX2W");
  EXPECT_FLOAT_EQ(ps->eq_gain[0], -9.0f);
  EXPECT_GT(ps->band_power[3], 0.0f);
  EXPECT_EQ(ps->object, o);
  EXPECT_GT(o->node_count, 2u);
  EXPECT_EQ(o->colour, 12u);
  EXPECT_EQ(g_modified, 1);
}

TEST_F(SpeakerCommands, StopAtTheInsertionPointOrCancelAddsNothing) {
  key(VK_ESCAPE);
  run(1002, spk_cmd_new);
  EXPECT_EQ(obj_count(), 0);
  click(1, 1);
  run(1002, spk_cmd_new, {{INPUT, [](HWND d) { return press(d, 122), true; }}});
  EXPECT_EQ(obj_count(), 0);
  EXPECT_EQ(g_modified, 0);
}

TEST_F(SpeakerCommands, EditCancelLeavesTheLoudspeakerUnchanged) {
  DrawObject* o = place_one();
  ASSERT_NE(spk_placed_of(o), nullptr);
  PlacedSpeaker before = *spk_placed_of(o);
  std::vector<WorldPoint> nodes(o->nodes, o->nodes + o->node_count);
  g_modified = 0;
  select_all_by_window();
  run(1003, spk_cmd_edit,
      {{INPUT, [](HWND d) { return press(d, 124), true; }},
       {EQUALISER, [](HWND d) {
          SendMessageA(d, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), reinterpret_cast<LPARAM>(GetDlgItem(d, 208)));
          return press(d, 401), true;
        }},
       {INPUT, [](HWND d) {
          if (text(d, 114) != "-19.0") return false;
          SetDlgItemTextA(d, 104, "99");
          return press(d, 122), true;
        }}});
  ASSERT_EQ(obj_count_speaker(), 1);
  EXPECT_EQ(std::memcmp(spk_placed_of(o), &before, sizeof before), 0);
  ASSERT_EQ(o->node_count, nodes.size());
  EXPECT_EQ(std::memcmp(o->nodes, nodes.data(), nodes.size() * sizeof(WorldPoint)), 0);
  EXPECT_EQ(o->attributes & OBJ_ATTR_SELECTED, 0u);
  EXPECT_EQ(g_modified, 0);

  select_all_by_window();
  run(1003, spk_cmd_edit, {{INPUT, [](HWND d) {
                              SetDlgItemTextA(d, 111, "5,5");
                              return press(d, 121), true;
                            }}});
  EXPECT_FLOAT_EQ(spk_placed_of(g_obj_head)->delay_ms, 5.5f);
  EXPECT_EQ(g_modified, 1);
  EXPECT_EQ(g_speaker_types.count, 1);
}

TEST_F(SpeakerCommands, StopDuringMoveRestoresThePosition) {
  DrawObject* o = place_one();
  PlacedSpeaker before = *spk_placed_of(o);
  std::vector<WorldPoint> nodes(o->nodes, o->nodes + o->node_count);
  g_modified = 0;
  select_all_by_window();
  click(2, 3);      // base point
  move_to(6, 5);    // the preview drags the loudspeaker along
  move_to(7, 8);
  key(VK_ESCAPE);
  run(1005, spk_cmd_move);
  EXPECT_EQ(std::memcmp(spk_placed_of(o), &before, sizeof before), 0);
  ASSERT_EQ(o->node_count, nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_FLOAT_EQ(o->nodes[i].x, nodes[i].x) << i;
    EXPECT_FLOAT_EQ(o->nodes[i].y, nodes[i].y) << i;
  }
  EXPECT_EQ(g_modified, 0);

  select_all_by_window();
  click(2, 3);
  move_to(4, 4);
  click(6, 7);
  run(1005, spk_cmd_move);
  PlacedSpeaker* ps = spk_placed_of(o);
  EXPECT_NEAR(ps->position[0] - before.position[0], 4.0, 0.06);
  EXPECT_NEAR(ps->position[1] - before.position[1], 4.0, 0.06);
  EXPECT_NEAR(o->nodes[0].x - nodes[0].x, ps->position[0] - before.position[0], 1e-4);
  EXPECT_EQ(o->attributes & OBJ_ATTR_SELECTED, 0u);
  EXPECT_EQ(g_modified, 1);
}

TEST_F(SpeakerCommands, TimeAlignmentToAClickedReferencePoint) {
  DrawObject* first = place_one();
  spk_placed_of(first)->position[0] = 0, spk_placed_of(first)->position[1] = 0;
  click(5, 5);
  run(1002, spk_cmd_new, {{INPUT, [](HWND d) { return press(d, 123), true; }},
                          {CHOOSE, [](HWND d) { return press(d, 110), true; }},
                          {INPUT, [](HWND d) { return !text(d, 101).empty() && (press(d, 121), true); }}});
  ASSERT_EQ(obj_count_speaker(), 2);
  DrawObject* second = g_obj_head;
  spk_placed_of(second)->position[0] = 0, spk_placed_of(second)->position[1] = 6;
  select_all_by_window();
  click(0, -3);  // 3 m from the first, 9 m from the second
  run(1010, spk_cmd_align_times);
  EXPECT_NEAR(spk_placed_of(first)->delay_ms, 6000.0 / 343.0, 0.2);
  EXPECT_NEAR(spk_placed_of(second)->delay_ms, 0.0, 1e-3);
}

TEST_F(SpeakerCommands, CopiesAreDisplacedFromOneBaseAndNeverInheritTheName) {
  DrawObject* source = place_one();
  std::strcpy(spk_placed_of(source)->name, "LINKS");
  spk_placed_of(source)->delay_ms = 3.0f;
  g_modified = 0;
  select_all_by_window();
  click(2, 3);   // base point
  click(4, 3);   // first copy 2 m to the right
  click(2, 6);   // second copy 3 m up
  move_to(8, 8);
  key(VK_ESCAPE);  // the pending third copy goes again
  run(1006, spk_cmd_copy);
  ASSERT_EQ(obj_count_speaker(), 3);
  std::vector<PlacedSpeaker*> copies;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o != source && spk_placed_of(o)) copies.push_back(spk_placed_of(o));
  ASSERT_EQ(copies.size(), 2u);
  const PlacedSpeaker& s = *spk_placed_of(source);
  EXPECT_NEAR(copies[0]->position[0] - s.position[0], 0.0, 0.06);  // the newest is first in the list
  EXPECT_NEAR(copies[0]->position[1] - s.position[1], 3.0, 0.06);
  EXPECT_NEAR(copies[1]->position[0] - s.position[0], 2.0, 0.06);
  EXPECT_NEAR(copies[1]->position[1] - s.position[1], 0.0, 0.06);
  for (PlacedSpeaker* c : copies) {
    EXPECT_STREQ(c->name, "");
    EXPECT_FLOAT_EQ(c->delay_ms, 3.0f);
    EXPECT_EQ(c->type_index, s.type_index);
    EXPECT_EQ(c->object->layer, 2u);
    EXPECT_EQ(spk_placed_of(c->object), c);
    EXPECT_EQ(c->object->attributes & OBJ_ATTR_SELECTED, 0u);
  }
  EXPECT_EQ(g_modified, 1);
}

TEST_F(SpeakerCommands, DeletingTheLastLoudspeakerOfATypeDropsTheType) {
  place_one();
  ASSERT_EQ(g_speaker_types.count, 1);
  select_all_by_window();
  run(1007, spk_cmd_delete);
  EXPECT_EQ(obj_count_speaker(), 0);
  EXPECT_EQ(g_speaker_types.count, 0);
  EXPECT_EQ(g_modified, 1);
}

}  // namespace
