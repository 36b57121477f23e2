#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win32/dialog_script.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "design/speaker_dialog.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

namespace {

using dialog_script::press;
using dialog_script::Step;
using dialog_script::text;

std::vector<std::string> g_boxes;

int record_box(const char* text, const char* caption, unsigned) {
  g_boxes.push_back(text);
  return UI_IDOK;
}

constexpr const char* INPUT = "Lautsprecher-Eingabe";
constexpr const char* EQUALISER = "Equalizer";

void set(HWND dialog, int id, const char* value) { dialog_script::type_text(dialog, id, value); }
void scroll(HWND dialog, int slider, int action) {
  SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(action, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, slider)));
}

class SpeakerDialog : public testing::Test {
 protected:
  void SetUp() override {
    g_boxes.clear();
    ui_seams().message_box = record_box;
    g_type_head = SpeakerHead{};
    for (int b = 0; b < SPK_BANDS; ++b) g_type_head.rated_power[b] = 100.0f, g_type_head.sensitivity[b] = 90.0f;
    spk_placed_defaults(ps);
    std::strcpy(ps.name, "LINKS");
    std::strcpy(ps.group, "FRONT");
    ps.position[0] = 1, ps.position[1] = 2, ps.position[2] = 3;
    ps.horizontal_angle = 0.5f;
    ps.delay_ms = 12.5f;
    for (int b = 0; b < SPK_BANDS; ++b) ps.eq_gain[b] = -9.0f, ps.band_power[b] = 12.59f;
    std::strcpy(type, "BOX12");
  }
  void TearDown() override {
    ui_reset_seams();
    g_unit_feet = 0;
  }
  int run(std::vector<Step> steps) {
    size_t count = steps.size();
    int result = 0;
    size_t ran = dialog_script::run(std::move(steps), [&] { result = spk_run_input_dialog(&ps, type); });
    EXPECT_EQ(ran, count) << "not every step ran";
    return result;
  }
  PlacedSpeaker ps;
  char type[SPK_TYPE_NAME_CHARS + 1] = {};
};

TEST_F(SpeakerDialog, ShowsTheRecordAndStoresTheEditsOnOk) {
  std::string x, angle, delay, gain, power, total;
  bool on = false, plus = false;
  int result = run({{INPUT, [&](HWND d) {
                       x = text(d, 104), angle = text(d, 107), delay = text(d, 111);
                       gain = text(d, 114), power = text(d, 134), total = text(d, 143);
                       on = IsDlgButtonChecked(d, 112) == BST_CHECKED;
                       plus = IsDlgButtonChecked(d, 130) == BST_CHECKED;
                       set(d, 104, "1,5");   // decimal comma
                       set(d, 107, "190");   // wrapped once
                       set(d, 108, "-45");
                       set(d, 111, "7,25");
                       set(d, 103, "MITTE");
                       CheckRadioButton(d, 112, 113, 113);
                       CheckRadioButton(d, 130, 131, 131);
                       press(d, 121);
                     }}});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(x, "1.000");
  EXPECT_EQ(angle, " 29");
  EXPECT_EQ(delay, "12.500");
  EXPECT_EQ(gain, "-9.0");
  EXPECT_EQ(power, "12.59");
  EXPECT_EQ(total, "-0.55");
  EXPECT_TRUE(on);
  EXPECT_TRUE(plus);
  EXPECT_FLOAT_EQ(ps.position[0], 1.5f);
  EXPECT_FLOAT_EQ(ps.position[1], 2.0f);
  EXPECT_NEAR(ps.horizontal_angle, -170 * 0.017453292522222223, 1e-6);
  EXPECT_NEAR(ps.vertical_angle, -45 * 0.017453292522222223, 1e-6);
  EXPECT_FLOAT_EQ(ps.delay_ms, 7.25f);
  EXPECT_STREQ(ps.name, "MITTE");
  EXPECT_STREQ(ps.group, "FRONT");
  EXPECT_EQ(ps.switched_on & 1, 0);
  EXPECT_EQ(ps.polarity, -1);
  EXPECT_STREQ(type, "BOX12");
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(SpeakerDialog, CancelAfterEqualiserLeavesTheLoudspeakerAsItWas) {
  PlacedSpeaker before = ps;
  std::string gain_shown;
  int result = run({{INPUT, [&](HWND d) { press(d, 124); }},
                    {EQUALISER, [&](HWND d) {
                       scroll(d, 208, SB_PAGEDOWN);  // every band -10 dB
                       press(d, 401);
                     }},
                    {INPUT, [&](HWND d) {
                       gain_shown = text(d, 114);
                       if (gain_shown == "-9.0") return dialog_script::again();  // not refreshed yet
                       press(d, 122);
                     }}});
  EXPECT_EQ(result, 0);
  EXPECT_EQ(gain_shown, "-19.0");
  EXPECT_EQ(std::memcmp(&before, &ps, sizeof ps), 0);
  EXPECT_STREQ(type, "BOX12");
}

TEST_F(SpeakerDialog, EqualiserAboveRatedPowerIsRefused) {
  std::string gain_shown;
  int result = run({{INPUT, [&](HWND d) { press(d, 124); }},
                    {EQUALISER, [&](HWND d) {
                       scroll(d, 208, SB_TOP);  // all bands to 0 dB: total 8.45 dB
                       press(d, 401);
                     }},
                    {INPUT, [&](HWND d) {
                       if (g_boxes.empty()) return dialog_script::again();
                       gain_shown = text(d, 114);
                       press(d, 121);
                     }}});
  EXPECT_EQ(result, 1);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Maximale Ausgangsleistung des Lautsprechers \xFC" "berschritten (total > 0.0 dB).");
  EXPECT_EQ(gain_shown, "-9.0");
  EXPECT_FLOAT_EQ(ps.eq_gain[0], -9.0f);
}

TEST_F(SpeakerDialog, InvalidNumberIsRefusedAndTheOldValueKept) {
  std::string delay_after;
  int result = run({{INPUT, [&](HWND d) {
                       set(d, 111, "abc");
                       press(d, 121);
                     }},
                    {INPUT, [&](HWND d) {
                       if (g_boxes.empty()) return dialog_script::again();
                       delay_after = text(d, 111);
                       press(d, 121);
                     }}});
  EXPECT_EQ(result, 1);
  ASSERT_GE(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Ung\xFCltige Eingabe !");
  EXPECT_EQ(delay_after, "12.500");
  EXPECT_FLOAT_EQ(ps.delay_ms, 12.5f);
}

TEST_F(SpeakerDialog, MissingTypeKeepsTheDialogOpen) {
  type[0] = '\0';
  int result = run({{INPUT, [&](HWND d) { press(d, 121); }},
                    {INPUT, [&](HWND d) {
                       if (g_boxes.empty()) return dialog_script::again();
                       press(d, 122);
                     }}});
  EXPECT_EQ(result, 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "LS-Typ fehlt !");
}

TEST_F(SpeakerDialog, PositionsInFeet) {
  g_unit_feet = 1;
  std::string x;
  int result = run({{INPUT, [&](HWND d) {
                       x = text(d, 104);
                       press(d, 121);
                     }}});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(x, "3.281");
  EXPECT_NEAR(ps.position[0], 1.0, 1e-4);
}

}  // namespace
