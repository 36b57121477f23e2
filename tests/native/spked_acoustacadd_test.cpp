#include "speaker_editor/acoustacadd_import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/le_bytes.h"
#include "speakers/speaker_record.h"
#include "tests/native/run_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes parameters(char device, int16_t sensitivity_code, float di, int16_t power_code = 16255,
                 int16_t correction_code = 12900) {
  Bytes p(256, 0);
  p[0] = 'E';
  p[54] = uint8_t(device);
  for (int i = 0; i < 7; ++i) {
    le_put_u16(&p[79 + 4 * i], uint16_t(sensitivity_code));
    le_put_f32(&p[120 + 4 * i], di);
  }
  le_put_u16(&p[112], uint16_t(power_code));
  le_put_u16(&p[114], uint16_t(correction_code));
  return p;
}

TEST(AcoustaCadd, RatedPowerIsTheNearestTableValue) {
  auto code_for = [](double watts) { return int(std::ceil(16255 + 422 * std::log10(watts))); };
  struct Case {
    int code;
    int watts;
  } cases[] = {{16255, 1}, {code_for(11), 12}, {code_for(13), 12}, {code_for(14), 15},
               {code_for(3500), 3000}, {code_for(100), 100}, {0, 0}, {32767, 3000}};
  for (const Case& c : cases) EXPECT_EQ(spked_acoustacadd_rated_power(c.code), c.watts) << c.code;
}

TEST(AcoustaCadd, ParametersOfAFullRangeLoudspeaker) {
  spked_reset_acoustacadd_pairing();
  SpeakerRecord r{};
  std::string path = "C:\\DATA\\LS.SPK";
  spked_read_acoustacadd_parameters(parameters('L', 1, 3.0f).data(), r, path);
  EXPECT_FLOAT_EQ(r.sensitivity[0], float(1 / 500.0 + 130));  // a real division
  EXPECT_EQ(r.q_factor[0], 19);
  EXPECT_EQ(r.kind, 1);
  EXPECT_EQ(r.impedance[3], 8);
  EXPECT_FLOAT_EQ(r.rated_power[0], 1.0f);
  EXPECT_EQ(r.import_format, 1);
  EXPECT_STREQ(spked_acoustacadd_manufacturer('E'), "ELECTRO-VOICE");
  EXPECT_EQ(spked_acoustacadd_manufacturer('x'), nullptr);
}

// A horn and then its driver make one loudspeaker with the horn's balloons.
TEST(AcoustaCadd, HornThenDriverMakeOnePair) {
  spked_reset_acoustacadd_pairing();
  SpeakerRecord r{};
  std::string path = "C:\\DATA\\HORN.SPK";
  spked_read_acoustacadd_parameters(parameters('H', -2000, 10.0f).data(), r, path);
  EXPECT_EQ(r.kind, 3);
  EXPECT_FLOAT_EQ(r.sensitivity[0], 0.0f);
  EXPECT_EQ(r.q_factor[0], 100);
  EXPECT_TRUE(g_spked_acoustacadd_pairing.pair_open);
  path = "C:\\DATA\\DRIVER.SPK";
  spked_read_acoustacadd_parameters(parameters('D', -2000, 0.0f, 16255, 13000).data(), r, path);
  EXPECT_EQ(r.kind, 1);
  EXPECT_EQ(path, "C:\\DATA\\HORN.SPK");
  EXPECT_NEAR(r.sensitivity[0], -2000 / 500.0 + 130 + 10 * std::log10(10.0) + 1.0, 1e-4);
  EXPECT_FALSE(g_spked_acoustacadd_pairing.pair_open);
  EXPECT_FALSE(g_spked_acoustacadd_pairing.horn_pending);
  // A driver alone waits for its horn.
  spked_read_acoustacadd_parameters(parameters('D', 100, 0.0f).data(), r, path);
  EXPECT_EQ(r.kind, 2);
  EXPECT_EQ(r.q_factor[0], 10);
  EXPECT_TRUE(g_spked_acoustacadd_pairing.driver_pending);
  spked_reset_acoustacadd_pairing();
  EXPECT_FALSE(g_spked_acoustacadd_pairing.driver_pending);
}

void write(const fs::path& path, const Bytes& data) {
  FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(data.data(), 1, data.size(), f);
  std::fclose(f);
}

// 36 rows of 72 values in hundredths of a dB behind 151 bytes.
Bytes balloon_file(int16_t axis, int16_t peak_at_row5) {
  Bytes f(151 + 2592 * 2, 0);
  for (int i = 0; i < 2592; ++i) {
    int row = i / 72;
    int16_t v = int16_t(-50 * row);
    if (i == 0) v = axis;
    if (i == 5 * 72 + 3) v = peak_at_row5;
    le_put_u16(&f[151 + 2 * i], uint16_t(v));
  }
  return f;
}

TEST(AcoustaCadd, BalloonFilesBesideTheParameterFile) {
  fs::path dir = run_folder::fresh("acoustacadd");
  fs::create_directories(dir / "BALLOONS");
  std::string path = (dir / "LS.SPK").string();
  EXPECT_EQ(spked_acoustacadd_balloon_path(path, 3), (dir / "BALLOONS" / "LS.B10").string());
  write(dir / "BALLOONS" / "LS.B01", balloon_file(0, -100));   // maximum on the axis
  write(dir / "BALLOONS" / "LS.B02", balloon_file(0, 300));    // maximum off the axis, 3 dB
  write(dir / "BALLOONS" / "LS.B05", Bytes(400, 0));           // short: no data
  SpeakerRecord r{};
  for (float& s : r.sensitivity) s = 90.0f;
  spked_build_acoustacadd_balloon(r, path);
  EXPECT_EQ(r.balloon_file_mask, 3);
  EXPECT_EQ(r.band_mask, 127);
  EXPECT_FLOAT_EQ(r.sensitivity[0], 90.0f);
  EXPECT_FLOAT_EQ(r.sensitivity[1], 93.0f);
  for (int p = 0; p < 72; ++p) EXPECT_EQ(r.balloon[0][0][p], 225) << p;
  EXPECT_LT(r.balloon[1][0][0], 225);  // the mean of row 0, now 3 dB down
  EXPECT_EQ(r.balloon[1][6][3], 214);  // power mean of the peak (0 dB) and row 6 (-6 dB)
  EXPECT_EQ(r.balloon[2][10][10], 225);
  EXPECT_EQ(r.q_factor[2], 10);
  EXPECT_GT(r.q_factor[0], 10);
  EXPECT_EQ(r.efficiency[2], int16_t(std::pow(10.0, (90.0 - 109) / 10) * 1000));
  // Without its balloon folder every band is without data.
  fs::remove_all(dir / "BALLOONS");
  SpeakerRecord bare{};
  spked_build_acoustacadd_balloon(bare, path);
  EXPECT_EQ(bare.balloon_file_mask, 0);
  for (int b = 0; b < SPK_BANDS; ++b) EXPECT_EQ(bare.q_factor[b], 10) << b;
  EXPECT_EQ(bare.balloon[6][36][71], 225);
  fs::remove_all(dir);
}

}  // namespace
