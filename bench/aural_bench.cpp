// Timing of the offline auralisation: 60 s of 44.1 kHz mono through a
// profile of 10000 taps spread over 2 s (the reflections of a hall), once
// with the fast convolution on worker threads and once with the plain
// per-sample sum through the delay line, and the largest difference of the
// two outputs (at most 1 LSB). A plain program, so that it builds and runs
// the same way natively and under Wine.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "acoustics/audio_engine.h"
#include "acoustics/audio_profile.h"
#include "framework/worker_pool.h"

namespace {

constexpr double RATE = 44100.0;
constexpr int SECONDS = 60;
constexpr int TAPS = 10000;
constexpr int FAST_RUNS = 3;

double now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<int16_t> recording() {
  std::vector<int16_t> x(size_t(RATE * SECONDS));
  uint32_t state = 12345;
  for (size_t i = 0; i < x.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    double noise = double(int32_t(state >> 16) - 32768) / 32768.0;
    x[i] = int16_t(std::lround(6000.0 * std::sin(0.01 * double(i)) + 3000.0 * noise));
  }
  return x;
}

AudioProfile hall_profile() {
  AudioProfile p;
  uint32_t state = 777;
  p.impulses.push_back(ProfileImpulse{0.0f, 1.0f, {}});
  for (int i = 1; i < TAPS; ++i) {
    state = state * 1664525u + 1013904223u;
    float delay = 2000.0f * float(i) / TAPS + float(state % 1000) / 1000.0f;
    p.impulses.push_back(ProfileImpulse{delay, 0.3f * std::exp(-delay / 400.0f), {}});
  }
  p.trailer_count = 1;
  for (int b = 0; b < 7; ++b) p.trailers[0][b] = 1.0f - 0.1f * b;
  return p;
}

bool prepare(AudioEngine& e, const AudioProfile& p) {
  if (!audio_alloc(e)) return false;
  e.fs = RATE;
  audio_init_band_filters(e.filters, RATE);
  audio_read_impulses(e, &p, false);
  audio_init_taps(e);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int threads = argc > 1 ? std::atoi(argv[1]) : 0;
  if (threads < 1) threads = worker_pool_processors();
  bool with_plain = !(argc > 2 && argv[2][0] == 'f');
  std::vector<int16_t> x = recording();
  AudioProfile profile = hall_profile();
  std::vector<int16_t> fast(x.size()), plain(x.size());

  // Three runs, each with an engine of its own; the first beside the best,
  // as a program's first calculation under Wine takes longer.
  double first_s = 0.0, fast_s = 1e30;
  size_t taps = 0;
  for (int r = 0; r < FAST_RUNS; ++r) {
    AudioEngine e;
    if (!prepare(e, profile)) return 1;
    taps = e.taps.size();
    double t0 = now();
    AudioOfflineRun run;
    if (!audio_offline_begin(run, e, x.data(), x.size(), fast.data(), threads)) return 1;
    while (audio_offline_step(run, e) < x.size()) {
    }
    double s = now() - t0;
    if (r == 0) first_s = s;
    fast_s = std::min(fast_s, s);
  }
  std::printf("fast convolution, %d threads: %.3f s best (%.0fx real time), %.3f s first (%.0fx), for %d s of audio, "
              "%zu taps\n", threads, fast_s, SECONDS / fast_s, first_s, SECONDS / first_s, SECONDS, taps);
  if (!with_plain) return 0;

  AudioEngine ref;
  if (!prepare(ref, profile)) return 1;
  double t0 = now();
  audio_process_plain(ref, x.data(), x.size(), plain.data());
  double plain_s = now() - t0;
  int worst = 0;
  for (size_t i = 0; i < x.size(); ++i) worst = std::max(worst, std::abs(int(fast[i]) - int(plain[i])));
  std::printf("plain per-sample sum, 1 thread: %.3f s (%.1fx real time)\n", plain_s, SECONDS / plain_s);
  std::printf("largest difference: %d LSB\n", worst);
  return worst <= 1 ? 0 : 2;
}
