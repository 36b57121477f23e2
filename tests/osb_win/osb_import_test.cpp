// The AcoustaCadd import driven through its dialog: a horn chosen alone is
// refused with its message, its driver added with "Suchen" makes one
// loudspeaker whose balloon comes from the horn's balloon files. Then an
// ONF file with a format error is refused and the table stays.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "framework/le_bytes.h"
#include "tests/osb_win/osb_harness.h"
#include "speaker_editor/record_table.h"

namespace {

using namespace harness;

void write(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

std::vector<uint8_t> parameters(char device, int16_t sensitivity_code, float di) {
  std::vector<uint8_t> p(256, 0);
  p[0] = 'D';
  p[54] = uint8_t(device);
  for (int i = 0; i < 7; ++i) {
    le_put_u16(&p[79 + 4 * i], uint16_t(sensitivity_code));
    le_put_f32(&p[120 + 4 * i], di);
  }
  le_put_u16(&p[112], 17100);
  le_put_u16(&p[114], 12900);
  return p;
}

// One balloon file: 0 dB on the axis, 0.5 dB less per row.
std::vector<uint8_t> balloon() {
  std::vector<uint8_t> f(151 + 2592 * 2, 0);
  for (int i = 0; i < 2592; ++i) le_put_u16(&f[151 + 2 * i], uint16_t(int16_t(-50 * (i / 72))));
  return f;
}

// Presses a button of the AcoustaCadd dialog once it is open.
bool press_in_dialog(int id) {
  HWND dialog = own_dialog::shown("AcoustaCadd LS Datenimport");
  if (!dialog) return false;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
  return true;
}

// Names the file in the file dialog over it once that is open.
bool answer_file(const std::string& path) {
  HWND dialog = own_dialog::file_dialog();
  if (!dialog) return false;
  dialog_script::answer_file_dialog(dialog, path);
  return true;
}

TEST(OsbImports, HornAndDriverThroughTheAcoustaCaddDialog) {
  std::string folder = full_path("osb_import_test");
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\BALLOONS").c_str(), nullptr);
  std::string horn = folder + "\\HORN90.SPK", driver = folder + "\\DRV2.SPK";
  write(horn, parameters('H', 0, 10.0f));
  write(driver, parameters('D', -1000, 0.0f));
  write(folder + "\\BALLOONS\\HORN90.B10", balloon());
  answer_password("pw");
  // The dialog's script: Suchen (horn), OK (refused), Suchen (driver), OK.
  int stage = 0;
  std::function<bool()> script = [&]() -> bool {
    switch (stage) {
      case 0: if (!press_in_dialog(103)) return false; break;
      case 1: {
        if (!answer_file(horn)) return false;
        break;
      }
      case 2: if (!press_in_dialog(700)) return false; break;
      case 3: if (!press_in_dialog(103)) return false; break;
      case 4: {
        if (!answer_file(driver)) return false;
        break;
      }
      case 5: if (!press_in_dialog(700)) return false; break;
      default: return true;
    }
    ++stage;
    return stage > 5;
  };
  struct Seen {
    int count = 0, kind = 0;
    std::string type;
    uint8_t off_axis = 0, other_band = 0;
  } seen;
  int code = run({
      [&] {
        g_dialog_answer = script;
        PostMessageA(win_main_window(), WM_COMMAND, 6104, 0);
      },
      [&] {
        seen.count = g_spked_table.count;
        seen.kind = g_spked_current.kind;
        seen.type = g_spked_current.type_name;
        seen.off_axis = g_spked_current.balloon[3][10][0];
        seen.other_band = g_spked_current.balloon[0][10][0];
      },
  });
  EXPECT_EQ(code, 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].text, "You selected a horn without driver. Please add driver");
  EXPECT_EQ(seen.count, 1);
  EXPECT_EQ(seen.kind, 1);
  EXPECT_EQ(seen.type, "DRV2");
  EXPECT_LT(seen.off_axis, 225);   // from the horn's 1 kHz balloon file
  EXPECT_EQ(seen.other_band, 225);  // no file: no data
}

// An ONF file with one full-sphere 1 kHz band measured at `voltage` volts
// on 8 ohm at 1 m; the level is 80 dB on the axis.
void write_onf(const std::string& path, const char* voltage) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "Device Class: L\r\nDevice Name: ONF1\r\nManufacturer: Werk\r\nRemark: Test\r\n"
                  "FREQUENCY: 1000\r\nSPHERE SIZE: FULL\r\nINCREMENT: 5\r\nUeff:%s\r\nIMPEDANCE: 8\r\n"
                  "DISTANCE: 1\r\n", voltage);
  for (int r = 0; r < 72; ++r) {
    for (int k = 0; k < 37; ++k) std::fprintf(f, "%s%.1f", k ? " " : "", 80.0 - 0.5 * k);
    std::fputs("\r\n", f);
  }
  std::fclose(f);
}

// The measuring voltage of an ONF file: below 0.001 V (or none, or not a
// number) the file is refused with a word and no record is added; from
// 0.001 V on the record's sensitivity follows from the voltage.
TEST(OsbImports, OnfMeasuringVoltageBelowTheLeastIsRefused) {
  const char* const too_small = "Spannungsangabe ungültig, muß mindestens 0.001 V sein";
  struct Case {
    const char* voltage;
    const char* message;  // null: imported
    double sensitivity;
  } cases[] = {
      {" 0", too_small, 0},          {" -2.83", too_small, 0},   {" 0.0009", too_small, 0},
      {" nan", too_small, 0},        {" inf", too_small, 0},     {"", "Spannungsangabe fehlt", 0},
      {" Volt", "Spannungsangabe fehlt", 0},
      {" 2.83", nullptr, 80.0 - 10 * std::log10(2.83 * 2.83 / 8)},
      {" 0.001", nullptr, 80.0 - 10 * std::log10(1e-6 / 8)},
  };
  const std::string onf = full_path("osb_import_test.onf");
  answer_password("pw");
  struct Seen {
    int count_before = 0, count_after = 0;
    std::vector<std::string> messages;
    float sensitivity = 0;
  };
  std::vector<Seen> seen(sizeof cases / sizeof cases[0]);
  std::vector<std::function<void()>> steps;
  for (size_t i = 0; i < seen.size(); ++i) {
    steps.push_back([&, i] {
      write_onf(onf, cases[i].voltage);
      g_boxes.clear();
      seen[i].count_before = g_spked_table.count;
      answer_file_dialog(onf);
      PostMessageA(win_main_window(), WM_COMMAND, 6114, 0);
    });
    steps.push_back([&, i] {
      seen[i].count_after = g_spked_table.count;
      for (const Box& b : g_boxes) seen[i].messages.push_back(b.text);
      seen[i].sensitivity = g_spked_current.sensitivity[3];
    });
  }
  int code = run(steps);
  EXPECT_EQ(code, 0);
  for (size_t i = 0; i < seen.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(std::string("Ueff:") + c.voltage);
    if (c.message) {
      EXPECT_EQ(seen[i].count_after, seen[i].count_before);
      EXPECT_EQ(seen[i].messages, std::vector<std::string>{c.message});
    } else {
      EXPECT_EQ(seen[i].count_after, seen[i].count_before + 1);
      EXPECT_NEAR(seen[i].sensitivity, c.sensitivity, 1e-3);
      // 0.001 V gives an absurd sensitivity, but it is the least the format takes.
      if (c.sensitivity < 100) {
        EXPECT_TRUE(seen[i].messages.empty());
      }
    }
  }
  DeleteFileA(onf.c_str());
}

}  // namespace
