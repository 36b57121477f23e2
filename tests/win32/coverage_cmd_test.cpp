#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "acoustics/coverage.h"
#include "cad/obj_store.h"
#include "framework/gfx_win.h"
#include "framework/progress_win.h"
#include "framework/ui_seam.h"
#include "project/calc_options.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"
#include "tests/win32/dialog_script.h"

// Command 5001 in the running design program: the options dialog is
// answered and the progress box's cancel button pressed from a thread timer
// that fires inside their message loops.
namespace {

bool g_dialog_started = false;

// The options dialog's start button; then, for a run to be stopped, the
// cancel button of the progress box once it runs.
dialog_script::Step start_in_options() {
  return {"Berechnungsoptionen", [](HWND dialog) {
            g_dialog_started = true;
            dialog_script::click(dialog, 501);
          }};
}
dialog_script::Step cancel_when_running() {
  return {[]() -> HWND { return g_progress.box ? g_progress.cancel : nullptr; },
          [](HWND cancel) { SendMessageA(cancel, BM_CLICK, 0, 0); }};
}

void add_listener_area(float size) {
  DrawObject* o = obj_create(0, 4, 4);
  o->nodes[0] = {0, 0, 1.2f}, o->nodes[1] = {size, 0, 1.2f}, o->nodes[2] = {size, size, 1.2f};
  o->nodes[3] = {0, size, 1.2f};
  o->elements[0] = {EL_START, 0}, o->elements[1] = {EL_LINE, 1}, o->elements[2] = {EL_LINE, 2};
  o->elements[3] = {EL_CLOSE, 3};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_LISTENER;
  obj_append(o);
}

void add_speaker(float x, float y, float z, uint16_t on) {
  if (g_speaker_types.count == 0) {
    SpeakerRecord* r = spk_record_alloc();
    std::memset(r->balloon, 225, sizeof r->balloon);
    for (int16_t& q : r->q_factor) q = 10;
    g_speaker_types.records[0] = r;
    g_speaker_types.count = 1;
  }
  DrawObject* o = obj_create(sizeof(PlacedSpeaker), 0, 0);
  auto* ps = static_cast<PlacedSpeaker*>(o->aux);
  spk_placed_defaults(*ps);
  ps->switched_on = on;
  for (float& i : ps->intensity) i = 1e6f;
  ps->position[0] = x, ps->position[1] = y, ps->position[2] = z;
  ps->type_index = 0;
  ps->object = o;
  o->layer = LAYER_SPEAKER;
  o->kind = OBJ_KIND_BODY;
  obj_append(o);
}

class CoverageCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA plain = {};
    plain.lpfnWndProc = DefWindowProcA;
    plain.hInstance = instance;
    plain.lpszClassName = "COVERAGE_TEST";
    RegisterClassA(&plain);
    WNDCLASSA status = {};
    status.style = CS_NOCLOSE;
    status.lpfnWndProc = win_status_proc;
    status.hInstance = instance;
    status.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    status.lpszClassName = "ZKT_STATUS";
    RegisterClassA(&status);
    window_.window = CreateWindowExA(0, "COVERAGE_TEST", "coverage", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                     nullptr, nullptr, instance, nullptr);
    gfx_take_stock_objects();
    gfx_select_window(&window_);
  }
  static void TearDownTestSuite() {
    gfx_forget_window(&window_);
    DestroyWindow(window_.window);
    window_ = {};
  }
  void SetUp() override {
    ASSERT_TRUE(window_.window);
    g_dialog_started = false;
    boxes.clear();
    progress_install_seams();
    ui_seams().message_box = [](const char* text, const char*, unsigned) {
      boxes.push_back(text);
      return int(UI_IDOK);
    };
    opts_reset_calc_options();
  }
  void TearDown() override {
    obj_free_all();
    spk_free_type_table();
    cov_reset();
    ui_reset_seams();
  }
  static DrawWindow window_;
  static std::vector<std::string> boxes;
  // Runs command 5001 once inside the program with the script playing.
  void run_command(const std::function<void()>& build, std::vector<dialog_script::Step> script = {start_in_options()}) {
    build();
    g_calc_options.grid_spacing_index = 1;
    steps_run = dialog_script::run(std::move(script), cov_cmd_level_time, 0, 20);
    valid = g_coverage_valid;
    points = g_coverage_grid.point_count;
    if (points) first = g_coverage_grid.points[0];
  }
  size_t steps_run = 0;
  int valid = -1;
  uint32_t points = 0;
  GridPoint first{};
};
DrawWindow CoverageCommand::window_ = {};
std::vector<std::string> CoverageCommand::boxes;

TEST_F(CoverageCommand, CompletedRunLeavesAValidResult) {
  run_command([] {
    add_listener_area(10);
    add_speaker(0, 0, 3.2f, 1);
  });
  EXPECT_TRUE(g_dialog_started);
  EXPECT_EQ(valid, 1);
  ASSERT_EQ(points, 400u);  // 10 x 10 m at 0.5 m
  double d_sq = 0.25 * 0.25 * 2 + 2.0 * 2.0;
  EXPECT_NEAR(first.energy[0], 1.0 + 1e6 / d_sq, 1.0);
  for (const std::string& text : boxes) EXPECT_EQ(text.find("noch nicht verfügbar"), std::string::npos);
}

TEST_F(CoverageCommand, NoSwitchedOnLoudspeakerIsReported) {
  run_command([] {
    add_listener_area(10);
    add_speaker(0, 0, 3, 0);
  });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "Momentan keine Lautsprecher zur Berechnung konfiguriert");
  EXPECT_EQ(valid, 0);
}

TEST_F(CoverageCommand, CancelInTheProgressBoxLeavesTheResultInvalid) {
  run_command(
      [] {
        add_listener_area(100);  // 40000 points
        for (int i = 0; i < 200; ++i) add_speaker(float(i % 20) * 5, float(i / 20) * 10, 8, 1);
      },
      {start_in_options(), cancel_when_running()});
  EXPECT_EQ(steps_run, 2u);  // the cancel button was clicked
  EXPECT_EQ(valid, 0);
}

}  // namespace
