#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acoustics/audio_engine.h"
#include "acoustics/audio_filter.h"
#include "acoustics/audio_profile.h"
#include "acoustics/wav_file.h"
#include "framework/le_bytes.h"
#include "framework/rand15.h"

namespace {

const double PI = 3.14159265358979323846;
const double RATES[] = {8000, 11025, 16000, 22050, 44100, 48000};

std::complex<double> digital_response(const BandFilter& f, double hz, double fs) {
  std::complex<double> z1 = std::polar(1.0, -2.0 * PI * hz / fs);
  std::complex<double> num = double(f.b0) + double(f.b1) * z1 + double(f.b2) * z1 * z1;
  std::complex<double> den = 1.0 - double(f.na1) * z1 - double(f.na2) * z1 * z1;
  return num / den;
}

BandFilter designed(int response, int characteristic, float hz, float q, double fs) {
  BandFilter f{};
  f.response = response;
  f.characteristic = characteristic;
  f.frequency = hz;
  f.q = q;
  audio_design_biquad(f, fs);
  return f;
}

std::vector<int16_t> noise(size_t n, int amplitude, unsigned seed) {
  std::vector<int16_t> x(n);
  std::srand(seed);
  for (int16_t& v : x) v = int16_t(std::rand() % (2 * amplitude + 1) - amplitude);
  return x;
}

AudioProfile profile_of(std::initializer_list<ProfileImpulse> impulses) {
  AudioProfile p;
  p.impulses = impulses;
  return p;
}

struct Engine {
  AudioEngine e;
  explicit Engine(double fs, const AudioProfile* p = nullptr, bool realtime = false) {
    EXPECT_TRUE(audio_alloc(e));
    e.fs = fs;
    audio_init_band_filters(e.filters, fs);
    audio_read_impulses(e, p, realtime);
    audio_init_taps(e);
  }
  std::vector<int16_t> plain(const std::vector<int16_t>& x) {
    std::vector<int16_t> y(x.size());
    audio_process_plain(e, x.data(), x.size(), y.data());
    return y;
  }
  std::vector<int16_t> fast(const std::vector<int16_t>& x, int threads) {
    std::vector<int16_t> y(x.size());
    AudioOfflineRun run;
    EXPECT_TRUE(audio_offline_begin(run, e, x.data(), x.size(), y.data(), threads));
    size_t steps = 0;
    while (audio_offline_step(run, e) < x.size()) ++steps;
    return y;
  }
};

int max_difference(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  int worst = 0;
  for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
  return worst;
}

}  // namespace

// The band-pass of every band against its analog prototype through the
// bilinear transform: |H(jW)| with W = tan(w / 2) / tan(pi f0 / fs).
TEST(AudioFilter, BandPassFollowsTheClosedForm) {
  for (double fs : {22050.0, 44100.0, 48000.0}) {
    for (int b = 0; b < AUDIO_BANDS; ++b) {
      float f0 = AUDIO_BAND_HZ[b];
      if (audio_band_left_out(f0, fs)) continue;
      BandFilter f = designed(FILTER_BAND_PASS, FILTER_BUTTERWORTH, f0, 1.4f, fs);
      double k = 1.0 / std::tan(PI * f0 / fs);
      double den = 1.0 + 1.4142 / 1.4 * k + k * k;
      EXPECT_NEAR(f.b0, (k / 1.4) / den, 1e-6);
      EXPECT_NEAR(f.b1, 0.0, 1e-7);
      EXPECT_NEAR(f.b2, -f.b0, 1e-7);
      EXPECT_NEAR(f.na1, -2.0 * (1.0 - k * k) / den, 1e-6);
      EXPECT_NEAR(f.na2, -(1.0 - 1.4142 / 1.4 * k + k * k) / den, 1e-6);
      for (double ratio : {0.25, 0.5, 1.0, 2.0, 3.0}) {
        double hz = f0 * ratio;
        if (hz >= fs / 2) continue;
        double w = std::tan(PI * hz / fs) * k;
        std::complex<double> analog = std::complex<double>(0, w / 1.4) / std::complex<double>(1 - w * w, 1.4142 / 1.4 * w);
        EXPECT_NEAR(std::abs(digital_response(f, hz, fs)), std::abs(analog), 2e-4) << fs << " " << f0 << " " << ratio;
      }
    }
  }
}

// The other responses and characteristics at the points where their closed
// forms are plain: pass-band gain 1, a notch's zero, an all-pass's unit
// magnitude, and the prototype's damping at the corner.
TEST(AudioFilter, ResponsesAndCharacteristics) {
  struct Case {
    int response, characteristic;
    double hz;  // where the magnitude is checked
    double magnitude;
  };
  const double fs = 44100;
  const Case cases[] = {
      {FILTER_LOW_PASS, FILTER_BUTTERWORTH, 1.0, 1.0},
      {FILTER_LOW_PASS, FILTER_BUTTERWORTH, 1000.0, 1.0 / 1.4142},
      {FILTER_LOW_PASS, FILTER_BESSEL, 1000.0, 1.0 / std::hypot(1.0 - 0.618, 1.3617)},
      {FILTER_LOW_PASS, FILTER_CHEBYSHEV_3, 1000.0, 1.0 / std::hypot(1.0 - 1.9305, 1.065)},
      {FILTER_LOW_PASS, 99, 1000.0, 1.0 / std::hypot(1.0 - 0.4142, 1.2872)},
      {FILTER_HIGH_PASS, FILTER_BUTTERWORTH, 22049.0, 1.0},
      {FILTER_NOTCH, FILTER_BUTTERWORTH, 1000.0, 0.0},
      {FILTER_ALL_PASS, FILTER_CHEBYSHEV_1, 300.0, 1.0},
      {FILTER_ALL_PASS, FILTER_CHEBYSHEV_2, 5000.0, 1.0},
  };
  for (const Case& c : cases) {
    BandFilter f = designed(c.response, c.characteristic, 1000.0f, 1.0f, fs);
    EXPECT_NEAR(std::abs(digital_response(f, c.hz, fs)), c.magnitude, 2e-3) << c.response << "/" << c.characteristic;
  }
  BandFilter wild = designed(FILTER_BAND_PASS, FILTER_BUTTERWORTH, 90000.0f, 5000.0f, fs);
  EXPECT_EQ(wild.frequency, 20000.0f);
  EXPECT_EQ(wild.q, 1000.0f);
}

// Every band at every rate either has poles inside the unit circle or is
// left out, and noise through the dry chain stays finite and unclipped.
TEST(AudioFilter, StableAtEveryRate) {
  for (double fs : RATES) {
    Engine dry(fs);
    for (int b = 0; b < AUDIO_BANDS; ++b) {
      const BandFilter& f = dry.e.filters[b];
      bool out = AUDIO_BAND_HZ[b] >= 0.45 * fs;
      EXPECT_EQ(audio_band_left_out(AUDIO_BAND_HZ[b], fs), out);
      if (out) {
        EXPECT_EQ(f.b0, 0.0f) << fs << " " << b;
        EXPECT_EQ(f.na1, 0.0f);
        EXPECT_EQ(f.na2, 0.0f);
        continue;
      }
      double a1 = -f.na1, a2 = -f.na2;
      EXPECT_LT(std::fabs(a2), 1.0) << fs << " " << b;
      EXPECT_LT(std::fabs(a1), 1.0 + a2) << fs << " " << b;
    }
    std::vector<int16_t> y = dry.plain(noise(size_t(fs), 8000, 7));
    int loudest = 0;
    for (int16_t v : y) loudest = std::max(loudest, std::abs(int(v)));
    EXPECT_GT(loudest, 100) << fs;
    EXPECT_LT(loudest, 32767) << fs;
  }
}

// Two taps are the dry response plus the second's delayed, scaled copy.
TEST(AudioEngine, ImpulseThroughTwoTaps) {
  const double fs = 22050;
  std::vector<int16_t> impulse(4000, 0);
  impulse[0] = 10000;
  Engine dry(fs);
  std::vector<int16_t> h = dry.plain(impulse);
  AudioProfile p = profile_of({{0.0f, 1.0f, {}}, {10.0f, 0.5f, {}}});
  Engine wet(fs, &p);
  ASSERT_EQ(wet.e.taps.size(), 2u);
  EXPECT_EQ(wet.e.delays[1], 220u);
  std::vector<int16_t> y = wet.plain(impulse);
  for (size_t n = 0; n < y.size(); ++n) {
    double expected = h[n] + (n >= 220 ? 0.5 * h[n - 220] : 0.0);
    EXPECT_NEAR(y[n], expected, 1.5) << n;
  }
}

TEST(AudioEngine, OutputIsLimitedTo32767) {
  AudioProfile p = profile_of({{0.0f, 40.0f, {}}});
  Engine loud(44100, &p);
  std::vector<int16_t> x(2000);
  for (size_t i = 0; i < x.size(); ++i) x[i] = (i / 50) % 2 ? 32767 : -32768;
  int top = 0, bottom = 0;
  for (int16_t v : loud.plain(x)) {
    top = std::max(top, int(v));
    bottom = std::min(bottom, int(v));
  }
  EXPECT_EQ(top, 32767);
  EXPECT_EQ(bottom, -32767);
  EXPECT_EQ(audio_filter_sum(loud.e, std::nanf("")), 32767);
}

// What becomes a tap: impulses within 10 s, not quieter than 1e-6, with a
// usable delay and amplitude; at most 10000.
TEST(AudioEngine, ImpulseDropRules) {
  struct Case {
    float delay_ms, amplitude;
    bool kept;
  };
  const Case cases[] = {
      {0.0f, 1.0f, true},         {9999.9f, 0.5f, true},           {10000.0f, 0.5f, false},
      {10.0f, 1e-6f, true},       {10.0f, 9e-7f, false},           {-1.0f, 0.5f, false},
      {10.0f, -0.5f, false},      {std::nanf(""), 0.5f, false},    {10.0f, INFINITY, false},
  };
  for (const Case& c : cases) {
    AudioProfile p = profile_of({{c.delay_ms, c.amplitude, {}}});
    ByteWriter bytes;
    profile_encode(p, bytes);
    AudioProfile back;
    ASSERT_TRUE(profile_decode(bytes.buffer().data(), bytes.buffer().size(), back));
    Engine e(22050, &back);
    EXPECT_EQ(e.e.taps.size(), c.kept ? 1u : 0u) << c.delay_ms << " " << c.amplitude;
  }
  AudioProfile many;
  many.impulses.assign(10050, ProfileImpulse{1.0f, 0.1f, {}});
  Engine capped(22050, &many);
  EXPECT_EQ(capped.e.taps.size(), 10000u);
  Engine none(22050, nullptr);
  ASSERT_EQ(none.e.taps.size(), 1u);
  EXPECT_EQ(none.e.taps[0].gain, 1.0f);
}

// The thinning of a small set by hand: bin width 442 samples; bins 0, 1, 2
// carry 1.5, 0.25, 0.25; the tail level (1.5 + 0.25) x (1 + 0.25) decays
// with 0.15 s, and of the 123 tail bins only bins 6 and 4 stay above 1e-6,
// at 3003 and 2010 samples (rand values 122 and 123 of the sequence).
TEST(AudioEngine, ThinningBySmallSet) {
  AudioEngine e;
  ASSERT_TRUE(audio_alloc(e));
  e.fs = 22050;
  const uint32_t delays[] = {0, 100, 500, 1000, 120000};
  const float gains[] = {1.0f, 0.5f, 0.25f, 0.25f, 9.0f};
  for (int i = 0; i < 5; ++i) {
    e.delays.push_back(delays[i]);
    e.taps.push_back(AudioTap{0, gains[i]});
  }
  for (int b = 0; b < AUDIO_BANDS; ++b) {
    e.decay_time[b] = b == 3 ? 0.15f : 0.05f;
    e.late_early[b] = b == 2 ? 0.1f : 0.0f;
  }
  rand15_seed(1);
  audio_thin_impulses(e);
  struct Tap {
    uint32_t delay;
    double gain;
  };
  const Tap expected[] = {{0, 1.0},
                          {500, 0.25 / 1.5},
                          {1000, 0.25 / 1.5},
                          {2010, 0.00048615325964381986 / 1.5},
                          {3003, 7.745343101145388e-06 / 1.5}};
  ASSERT_EQ(e.taps.size(), std::size(expected));
  for (size_t i = 0; i < e.taps.size(); ++i) {
    EXPECT_EQ(e.delays[i], expected[i].delay) << i;
    EXPECT_NEAR(e.taps[i].gain, expected[i].gain, expected[i].gain * 1e-3) << i;
  }
}

// The fast convolution against the delay line, sample for sample, with one
// and several threads, a tap before tap 0 (it reads 10 s back) and a dry run.
TEST(AudioEngine, FastOfflineMatchesThePlainSum) {
  const double fs = 22050;
  std::vector<int16_t> x = noise(size_t(3 * fs), 6000, 3);
  AudioProfile p;
  std::srand(11);
  for (int i = 0; i < 400; ++i) p.impulses.push_back(ProfileImpulse{float(std::rand() % 1500), float(std::rand() % 1000) / 4000.0f, {}});
  p.impulses[0] = ProfileImpulse{20.0f, 1.0f, {}};
  p.impulses.push_back(ProfileImpulse{5.0f, 0.3f, {}});
  p.trailer_count = 1;
  for (int b = 0; b < AUDIO_BANDS; ++b) p.trailers[0][b] = 0.2f + 0.1f * b;
  for (int threads : {1, 4}) {
    Engine plain(fs, &p), fast(fs, &p);
    EXPECT_LE(max_difference(plain.plain(x), fast.fast(x, threads)), 1) << threads;
  }
  Engine plain(fs), fast(fs);
  EXPECT_LE(max_difference(plain.plain(x), fast.fast(x, 2)), 1);
}

// The band filters over blocks, their bands shared out among threads, give
// the per-sample loop's bytes: in two blocks one after the other (the
// states carry over), the second over several segments, with gains of
// their own and a band the rate leaves out.
TEST(AudioEngine, BandFiltersOverABlockGiveTheBytesOfThePerSampleLoop) {
  const double fs = 16000;
  std::vector<int16_t> x = noise(5 * AUDIO_FILTER_SEGMENT / 2, 20000, 5);
  std::vector<double> sums(x.size());
  for (size_t i = 0; i < x.size(); ++i) sums[i] = 1.7 * x[i] + 0.25 * double(i % 7);
  AudioProfile p = profile_of({ProfileImpulse{0.0f, 1.0f, {}}});
  p.trailer_count = 1;
  for (int b = 0; b < AUDIO_BANDS; ++b) p.trailers[0][b] = 0.3f + 0.2f * b;
  Engine reference(fs, &p);
  std::vector<int16_t> expected(x.size());
  for (size_t i = 0; i < x.size(); ++i) expected[i] = audio_filter_sum(reference.e, float(sums[i]));
  const size_t split = 20011;
  for (int threads : {1, 2, 3, 7, 8}) {
    Engine e(fs, &p);
    std::vector<int16_t> y(x.size());
    std::vector<float> scratch(audio_filter_scratch_floats(x.size()));
    audio_filter_block(e.e, sums.data(), split, y.data(), scratch.data(), threads);
    audio_filter_block(e.e, sums.data() + split, x.size() - split, y.data() + split, scratch.data(), threads);
    EXPECT_EQ(y, expected) << threads;
  }
}

// The convolver's set-up shared out among threads gives the response the
// one-thread set-up gives, to the last bit of every tap sum (lags long
// enough for transform stages that span several cache blocks).
TEST(AudioEngine, ConvolverSetUpOnThreadsGivesTheSameSums) {
  std::vector<AudioLag> lags;
  std::srand(21);
  for (int i = 0; i < 300; ++i) lags.push_back(AudioLag{uint32_t(std::rand() % 40000), float(std::rand() % 1000) / 3000.0f});
  std::vector<int16_t> x = noise(100000, 8000, 9);
  AudioConvolver one;
  ASSERT_TRUE(one.init(lags, 1));
  std::vector<double> expected(x.size());
  one.convolve(x.data(), x.size(), 0, x.size(), expected.data(), 1);
  for (int threads : {2, 3, 8}) {
    AudioConvolver shared;
    ASSERT_TRUE(shared.init(lags, threads));
    std::vector<double> sums(x.size());
    shared.convolve(x.data(), x.size(), 0, x.size(), sums.data(), 1);
    EXPECT_EQ(std::memcmp(sums.data(), expected.data(), sums.size() * sizeof(double)), 0) << threads;
  }
}

TEST(AudioEngine, ResamplingKeepsThePitch) {
  struct Case {
    uint32_t rate;
    size_t length;  // of one second
  };
  const Case cases[] = {{22050, 22050}, {44100, 22050}, {48000, 22050}, {32000, 22050}, {11025, 22049}};
  for (const Case& c : cases) {
    std::vector<int16_t> sine(c.rate);
    for (size_t i = 0; i < sine.size(); ++i) sine[i] = int16_t(std::lround(10000 * std::sin(2 * PI * 440.0 * double(i) / c.rate)));
    std::vector<int16_t> out = audio_resample(sine, c.rate, 22050);
    EXPECT_NEAR(double(out.size()), double(c.length), 1.0) << c.rate;
    int crossings = 0;
    for (size_t i = 1; i < out.size(); ++i) crossings += (out[i - 1] < 0) != (out[i] < 0);
    EXPECT_NEAR(crossings, 880, 2) << c.rate;
  }
  std::vector<int16_t> pairs = audio_resample({100, 300, -5, -6, 7}, 44100, 22050);
  EXPECT_EQ(pairs, (std::vector<int16_t>{200, -5}));
}

TEST(AudioEngine, RealtimeStreamEndsInSilence) {
  AudioProfile p = profile_of({{0.0f, 1.0f, {}}});
  Engine e(22050, &p);
  AudioStream s;
  s.input = noise(10000, 5000, 5);
  std::vector<int16_t> block(4410);
  EXPECT_TRUE(audio_fill_block(e.e, s, block.data(), block.size()));
  EXPECT_TRUE(audio_fill_block(e.e, s, block.data(), block.size()));
  EXPECT_FALSE(audio_fill_block(e.e, s, block.data(), block.size()));
  EXPECT_EQ(audio_realtime_block_count(10000, 22050, 4410), (10000u + 88200u) / 4410u);
}

TEST(WavFile, RoundTripAndRefusals) {
  std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234};
  ByteWriter w;
  wav_encode(wav_mono16(32000), samples.data(), samples.size(), w);
  std::vector<uint8_t> good = w.buffer();
  ASSERT_EQ(good.size(), 44u + 12u);
  EXPECT_EQ(le_get_u32(good.data() + 4), 36u + 12u);
  WavFormat f{};
  std::vector<int16_t> back;
  ASSERT_EQ(wav_decode(good.data(), good.size(), f, back), WAV_OK);
  EXPECT_EQ(back, samples);
  EXPECT_EQ(f.rate, 32000u);

  struct Case {
    const char* what;
    size_t offset;  // byte to change, or the length to cut to
    int value;      // -1: cut
    int status;
  };
  const Case cases[] = {
      {"stereo", 22, 2, WAV_NOT_MONO16},         {"8-bit", 34, 8, WAV_NOT_MONO16},
      {"not PCM", 20, 3, WAV_NOT_MONO16},        {"no RIFF", 0, 'X', WAV_CANNOT_READ},
      {"no WAVE", 8, 'X', WAV_CANNOT_READ},      {"short fmt", 16, 12, WAV_CANNOT_READ},
      {"cut in fmt", 30, -1, WAV_CANNOT_READ},   {"no data chunk", 36, -1, WAV_CANNOT_READ},
      {"data before fmt", 12, 'd', WAV_CANNOT_READ},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bad = good;
    if (c.value < 0)
      bad.resize(c.offset);
    else
      bad[c.offset] = uint8_t(c.value);
    if (std::string(c.what) == "data before fmt") std::memcpy(bad.data() + 12, "data", 4);
    EXPECT_EQ(wav_decode(bad.data(), bad.size(), f, back), c.status) << c.what;
  }
  std::vector<uint8_t> cut(good.begin(), good.end() - 5);
  ASSERT_EQ(wav_decode(cut.data(), cut.size(), f, back), WAV_OK);
  EXPECT_EQ(back.size(), 3u);
}
