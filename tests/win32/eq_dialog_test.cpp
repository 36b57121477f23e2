#include <windows.h>

#include <gtest/gtest.h>

#include "tests/win32/dialog_script.h"

#include <functional>
#include <string>

#include "design/eq_dialog.h"
#include "design/eq_rule.h"

namespace {

using dialog_script::press;
using dialog_script::text;

// Runs the dialog; `drive` is called once the dialog window is up.
int run(double values[7], int mode, std::function<void(HWND)> drive) {
  int result = 0;
  dialog_script::run_all({{mode == BAND_MODE_RT ? "RT 60" : "Equalizer", drive}},
                         [&] { result = opts_run_band_dialog(values, mode); });
  return result;
}

void scroll(HWND dialog, int slider, int action, int thumb = 0) {
  SendMessageA(dialog, WM_VSCROLL, MAKEWPARAM(action, thumb), reinterpret_cast<LPARAM>(GetDlgItem(dialog, slider)));
}

int position(HWND dialog, int slider) { return GetScrollPos(GetDlgItem(dialog, slider), SB_CTL); }

TEST(EqDialog, OpensWithMasterAndTotalAndWritesBackOnOk) {
  double values[7] = {0, -3, -6, 0, 0, 0, -12};
  std::string master, total, unit, label, band7;
  int slider7 = -1, master_position = -1;
  int result = run(values, BAND_MODE_EQ, [&](HWND d) {
    master = text(d, 108);
    total = text(d, 109);
    unit = text(d, 301);
    label = text(d, 302);
    band7 = text(d, 107);
    slider7 = position(d, 207);
    scroll(d, 202, SB_LINEDOWN);      // -3 -> -4
    scroll(d, 203, SB_PAGEUP);        // -6 -> 0 (clamped)
    scroll(d, 207, SB_THUMBTRACK, 20);  // -12 -> -20
    master_position = position(d, 208);
    press(d, 401);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(master, "0.0");
  EXPECT_EQ(total, "6.8");
  EXPECT_EQ(unit, "dB");
  EXPECT_EQ(label, "total");
  EXPECT_EQ(band7, "-12.0");
  EXPECT_EQ(slider7, 12);
  EXPECT_EQ(master_position, 0);
  const double expected[7] = {0, -4, 0, 0, 0, 0, -20};
  for (int b = 0; b < 7; ++b) EXPECT_DOUBLE_EQ(values[b], expected[b]) << b;
}

TEST(EqDialog, MasterMovesAllBandsUntilTheLowestReachesTheBottom) {
  double values[7] = {0, -3, -6, 0, 0, 0, -12};
  int result = run(values, BAND_MODE_EQ, [&](HWND d) {
    for (int i = 0; i < 10; ++i) scroll(d, 208, SB_PAGEDOWN);
    press(d, 401);
  });
  EXPECT_EQ(result, 1);
  EXPECT_DOUBLE_EQ(values[0], -88.0);
  EXPECT_DOUBLE_EQ(values[6], -100.0);
}

TEST(EqDialog, CancelAndCloseLeaveTheArray) {
  for (int close : {0, 1}) {
    double values[7] = {-9, -9, -9, -9, -9, -9, -9};
    int result = run(values, BAND_MODE_EQ, [&](HWND d) {
      scroll(d, 208, SB_TOP);
      if (close)
        PostMessageA(d, WM_CLOSE, 0, 0);
      else
        press(d, 402);
    });
    EXPECT_EQ(result, 0);
    for (double v : values) EXPECT_DOUBLE_EQ(v, -9.0);
  }
}

TEST(EqDialog, ReverberationTimeMode) {
  double values[7] = {1, 1, 1, 1, 1, 1, 9.5};
  std::string unit, label, mean_after;
  int result = run(values, BAND_MODE_RT, [&](HWND d) {
    unit = text(d, 301);
    label = text(d, 302);
    scroll(d, 207, SB_PAGEUP);
    scroll(d, 201, SB_LINEUP);
    mean_after = text(d, 109);
    press(d, 401);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(unit, " s");
  EXPECT_EQ(label, "mean");
  EXPECT_NEAR(values[6], 10.0, 1e-6);
  EXPECT_NEAR(values[0], 1.1, 1e-6);
  EXPECT_EQ(mean_after, "2.3");  // (1.1 + 5 x 1 + 10) / 7
}

TEST(EqDialog, DisplayOffsetsShowChangesFromTheMaxima) {
  double values[7] = {-9, -20, -20, -20, -20, -20, -20};
  for (int b = 0; b < 7; ++b) g_band_display_offsets[b] = static_cast<float>(-values[b]);
  g_band_display_offsets[BAND_MASTER] = 9.0f;
  std::string band1, master, band1_after;
  run(values, BAND_MODE_EQ, [&](HWND d) {
    band1 = text(d, 101);
    master = text(d, 108);
    scroll(d, 201, SB_LINEUP);
    scroll(d, 201, SB_LINEUP);
    band1_after = text(d, 101);
    press(d, 401);
  });
  opts_reset_display_offsets();
  EXPECT_EQ(band1, "0.0");
  EXPECT_EQ(master, "0.0");
  EXPECT_EQ(band1_after, "2.0");
  EXPECT_DOUBLE_EQ(values[0], -7.0);
}

}  // namespace
