#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/audio_profile.h"
#include "acoustics/echogram.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_assign.h"
#include "framework/le_bytes.h"

using namespace acoustic_model;

namespace {

struct PathSpec {
  float time_ms;
  float level;  // every band, unless bands is given
  std::vector<WorldPoint> points;
  std::vector<float> bands = {};
};

DrawObject* add_path(const PathSpec& s) {
  DrawObject* o = rpath_create(uint32_t(s.points.size()));
  for (size_t i = 0; i < s.points.size(); ++i) o->nodes[i] = s.points[i];
  rpath_set_time_ms(o, s.time_ms);
  for (int b = 0; b < 7; ++b) rpath_set_level(o, b, s.bands.empty() ? s.level : s.bands[size_t(b)]);
  obj_append(o);
  return o;
}

class Echogram : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    g_refl_decay = ReflDecay{};
    g_refl_decay.mean_free_path = 10.0f;
    for (int b = 0; b < 8; ++b) g_refl_decay.decay_time[b] = 1.0f + 0.1f * b, g_refl_decay.mean_absorption[b] = 0.2f;
    etc_clear(e);
  }
  void TearDown() override { clear_model(); }
  EchogramBuffer e{};
  EtcField field{1000.0, {1e6, 1e6, 1e6, 1e6, 1e6, 1e6, 1e6}};
};

const std::vector<WorldPoint> DIRECT = {{0, 0, 0}, {3, 4, 0}};

}  // namespace

// Bins count from the earliest arrival; the latest lands in the last bin;
// early energy is what arrives within 35 ms of the first arrival; a path
// 60 dB below the loudest never counts as the first arrival.
TEST_F(Echogram, BinsFirstArrivalAndEarlyEnergy) {
  add_path({100.0f, 1e6f, DIRECT});            // 60 dB
  add_path({110.0f, 1e4f, DIRECT});            // 40 dB, 4 ms after: in the 5 ms peak window
  add_path({50.0f, 0.9e0f, DIRECT});           // below 0 dB: never first, earliest time
  add_path({150.0f, 1e3f, DIRECT});            // late
  add_path({562.0f, 1e2f, DIRECT});            // the latest
  etc_build_from_paths(e, field);
  EXPECT_FLOAT_EQ(e.min_time, 50.0f);
  EXPECT_FLOAT_EQ(e.max_time, 562.0f);
  EXPECT_FLOAT_EQ(e.bin_width, 0.5f);
  EXPECT_FLOAT_EQ(e.max_level_db, 60.0f);
  struct Bin {
    float time;
    int bin;
  };
  for (Bin c : {Bin{50.0f, 0}, Bin{100.0f, 100}, Bin{110.0f, 120}, Bin{150.25f, 200}, Bin{562.0f, 1023}, Bin{700.0f, 1023}, Bin{10.0f, 0}})
    EXPECT_EQ(etc_bin_of(e, c.time), c.bin) << c.time;
  EXPECT_FLOAT_EQ(e.bins[3][100], 1e6f);
  EXPECT_FLOAT_EQ(e.bins[3][1023], 1e2f);
  EXPECT_FLOAT_EQ(e.bins[7][0], 0.9f);
  EXPECT_FLOAT_EQ(e.first_arrival[2], 100.0f);
  EXPECT_FLOAT_EQ(e.first_arrival[7], 100.0f);
  EXPECT_FLOAT_EQ(e.peak_5ms[0], 60.0f);
  // The 50 ms path came first in list order before any first arrival was
  // known, so it counts as early; the 150 ms one is 50 ms late.
  EXPECT_NEAR(e.early[0], 10.0 * std::log10(1e6 + 1e4 + 0.9), 1e-4);
  EXPECT_NEAR(e.early[7], 10.0 * std::log10((1e6 + 1e4 + 0.9) * 1.0), 1e-3);
}

// Reverberant energy (W - early) 4 T / (0.161 V), weighted sums, Ld-Lr and
// Alcons; the late part is never negative.
TEST_F(Echogram, ReverberantLevelAndAlcons) {
  add_path({10.0f, 100.0f, DIRECT});
  etc_build_from_paths(e, field);
  for (int b = 0; b < 7; ++b) {
    double t = g_refl_decay.decay_time[b];
    double r = (1e6 - 100.0) * 4.0 * t / (0.161 * 1000.0);
    EXPECT_NEAR(e.reverberant[b], 10.0 * std::log10(r), 1e-3) << b;
    EXPECT_NEAR(e.early[b], 20.0, 1e-5);
    EXPECT_NEAR(etc_direct_reverberant(e, b), 20.0 - 10.0 * std::log10(r), 1e-3);
  }
  EXPECT_FLOAT_EQ(etc_alcons(e, 3), 100.0f);  // the late field swamps 20 dB of early sound
  EchogramBuffer quiet = e;
  quiet.reverberant[3] = 10.0f;
  quiet.early[3] = 30.0f;
  EXPECT_NEAR(etc_alcons(quiet, 3), 0.6406 * quiet.decay_time[3] * 10.0 / 1000.0, 1e-6);
  quiet.early[3] = 0.0f;  // a denominator of 1
  EXPECT_NEAR(etc_alcons(quiet, 3), 0.6406 * quiet.decay_time[3] * 10.0, 1e-5);

  field.power[0] = 50.0;  // less radiated than arrives early
  etc_build_from_paths(e, field);
  EXPECT_FLOAT_EQ(e.reverberant[0], 0.0f);
  g_refl_decay.mean_free_path = 1.0f;
  etc_build_from_paths(e, field);
  for (int b = 0; b < 7; ++b) EXPECT_FLOAT_EQ(e.reverberant[b], 0.0f);
  EXPECT_NEAR(e.reverberant[7], 10.0 * std::log10(7 * 0.143), 1e-5);
}

TEST_F(Echogram, ArrivalsAtOneTimeHaveNoWidth) {
  add_path({20.0f, 100.0f, DIRECT});
  add_path({20.0f, 50.0f, DIRECT});
  etc_build_from_paths(e, field);
  EXPECT_EQ(e.bin_width, 0.0f);
  EXPECT_EQ(etc_bin_of(e, 20.0f), 0);
  EXPECT_FLOAT_EQ(e.bins[1][0], 150.0f);
  float curve[ETC_BINS];
  etc_decay_curve(e, 1, curve);
  EXPECT_NEAR(curve[0], 10.0 * std::log10(150.0), 1e-4);
  EXPECT_EQ(curve[1], 0.0f);
}

TEST_F(Echogram, TimeAxisSteps) {
  struct Case {
    float latest;
    int axis;
  };
  for (Case c : {Case{0.0f, 100}, Case{100.0f, 100}, Case{100.5f, 200}, Case{1001.0f, 1500}, Case{9999.0f, 10000}, Case{25000.0f, 10000}})
    EXPECT_EQ(etc_time_axis_ms(c.latest), c.axis) << c.latest;
}

// The phasor sums take the arrival time in seconds: two equal arrivals 5 ms
// apart cancel at 100 Hz and add at 200 Hz.
TEST_F(Echogram, FrequencyResponseOfTwoArrivals) {
  add_path({0.0f, 1.0f, DIRECT});
  add_path({5.0f, 1.0f, DIRECT});
  FreqResponse r;
  etc_compute_frequency_response(r);
  double m[7], largest = 0, sum = 0;
  for (int b = 0; b < 7; ++b) {
    m[b] = 0;
    for (int j = 0; j < 3; ++j) m[b] += std::fabs(2.0 * std::cos(3.14159265 * 100.0 * std::pow(1.25, 3 * b + j) * 0.005)) / 3.0;
    largest = std::max(largest, m[b]);
  }
  for (double& v : m) sum += v /= largest;
  for (int b = 0; b < 7; ++b) {
    EXPECT_NEAR(r.magnitude[b], m[b], 1e-4) << b;
    EXPECT_NEAR(r.weight[b], m[b] / sum, 1e-4) << b;
  }
  EXPECT_NEAR(r.largest, 1.0, 1e-9);
}

// The bytes of both profiles and their way back through the reader.
TEST_F(Echogram, ProfileBytesAndRoundTrip) {
  add_path({12.0f, 0.0f, {{0, 0, 0}, {3, 4, 1}}, {100, 200, 400, 800, 400, 200, 100}});
  add_path({30.0f, 0.0f, {{0, 0, 0}, {5, 5, 5}, {2, 4, 4}}, {10, 20, 40, 80, 40, 20, 10}});
  etc_build_from_paths(e, field);
  AudioProfile user;
  profile_build_user(e, user);
  user.description = "Halle, Reihe 12";
  user.angle = 30.0f;
  ByteWriter bytes;
  profile_encode(user, bytes);
  const std::vector<uint8_t>& b = bytes.buffer();
  ASSERT_EQ(b.size(), 132u + 2 * 44u + 44u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), PROFILE_IDENT);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 40)), "Halle, Reihe 12");
  EXPECT_EQ(le_get_u32(b.data() + 120), 2u);
  EXPECT_EQ(le_get_f32(b.data() + 124), 30.0f);
  EXPECT_EQ(le_get_u32(b.data() + 128), 0u);
  const uint8_t* second = b.data() + 132 + 44;
  EXPECT_FLOAT_EQ(le_get_f32(second), 18.0f);         // after the earliest
  EXPECT_FLOAT_EQ(le_get_f32(second + 4), 0.1f);       // 80 / the strongest 800
  for (int i = 2; i < 8; ++i) EXPECT_EQ(le_get_u32(second + 4 * i), 0u);
  EXPECT_FLOAT_EQ(le_get_f32(second + 32), -3.0f);     // receiver minus the last reflection
  EXPECT_FLOAT_EQ(le_get_f32(second + 36), -1.0f);
  EXPECT_FLOAT_EQ(le_get_f32(second + 40), -1.0f);
  AudioProfile back;
  ASSERT_TRUE(profile_has_identification(b.data(), b.size()));
  ASSERT_TRUE(profile_decode(b.data(), b.size(), back));
  EXPECT_EQ(back.description, user.description);
  EXPECT_EQ(back.angle, 30.0f);
  ASSERT_EQ(back.impulses.size(), 2u);
  EXPECT_EQ(back.trailer_count, 1);
  for (int k = 0; k < 7; ++k) EXPECT_EQ(back.trailers[0][k], user.trailers[0][k]);

  AudioProfile temp;
  profile_build_temp(e, temp);
  ByteWriter t;
  profile_encode(temp, t);
  ASSERT_EQ(t.buffer().size(), 132u + 2 * 44u + 3 * 44u);
  EXPECT_EQ(le_get_u32(t.buffer().data() + 120), 2u);
  EXPECT_FLOAT_EQ(le_get_f32(t.buffer().data() + 132 + 4), 1.0f);  // the strongest path
  ASSERT_TRUE(profile_decode(t.buffer().data(), t.buffer().size(), back));
  EXPECT_EQ(back.trailer_count, 3);
  EXPECT_FLOAT_EQ(back.trailers[1][2], e.decay_time[2]);
  EXPECT_NEAR(back.trailers[2][2], std::pow(10.0, (e.reverberant[2] - e.early[2]) / 10.0), 1e-4);
}

// A reader never trusts the stated count: it stops where the data ends;
// what follows the records is trailer, at most three.
TEST_F(Echogram, ProfileReaderBounds) {
  AudioProfile p;
  p.impulses.assign(3, ProfileImpulse{1.0f, 0.5f, {}});
  ByteWriter w;
  profile_encode(p, w);
  std::vector<uint8_t> b = w.buffer();
  struct Case {
    int32_t count;
    size_t cut;  // bytes kept
    size_t impulses;
    int trailers;
  };
  const Case cases[] = {{3, b.size(), 3, 0}, {1000000, b.size(), 3, 0}, {-5, b.size(), 0, 3},
                        {1, b.size(), 1, 2}, {3, 132 + 44 + 20, 1, 0}, {3, 131, 0, 0}};
  for (const Case& c : cases) {
    std::vector<uint8_t> d(b.begin(), b.begin() + std::min(c.cut, b.size()));
    if (d.size() >= 124) le_put_u32(d.data() + 120, uint32_t(c.count));
    AudioProfile back;
    EXPECT_EQ(profile_decode(d.data(), d.size(), back), d.size() >= 132) << c.count;
    EXPECT_EQ(back.impulses.size(), c.impulses) << c.count << " " << c.cut;
    EXPECT_EQ(back.trailer_count, c.trailers) << c.count << " " << c.cut;
  }
  std::vector<uint8_t> wrong = b;
  wrong[0] = 'X';
  EXPECT_FALSE(profile_has_identification(wrong.data(), wrong.size()));
}

TEST_F(Echogram, ProfileFilesAndTheTemporaryName) {
  char name[64];
  struct Case {
    const char* folder;
    const char* expected;
  };
  for (Case c : {Case{"C:\\ORV", "C:\\ORV\\4711.tmp"}, Case{"C:\\ORV\\", "C:\\ORV\\4711.tmp"}, Case{"", "4711.tmp"}}) {
    profile_temp_name(name, sizeof name, c.folder, 4711);
    EXPECT_STREQ(name, c.expected);
  }
  AudioProfile p;
  p.impulses.assign(2, ProfileImpulse{1.0f, 0.5f, {}});
  std::string good = ::testing::TempDir() + "profile.oap";
  ASSERT_TRUE(profile_write_file(good.c_str(), p));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(le_read_file(good.c_str(), bytes, 1 << 20));
  EXPECT_EQ(bytes.size(), 132u + 88u);
  std::remove(good.c_str());
  std::string bad = ::testing::TempDir() + "no/such/folder/profile.oap";
  EXPECT_FALSE(profile_write_file(bad.c_str(), p));
}
