#include "acoustics/audio_engine.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

#include "acoustics/audio_profile.h"
#include "framework/rand15.h"
#include "framework/worker_pool.h"

namespace {

constexpr size_t OFFLINE_HOPS_PER_STEP = 2;
constexpr int SUM_PARTS = 4;  // tasks the adding up of a segment's bands is split into

void add_tap(AudioEngine& e, uint32_t delay, float gain) {
  e.delays.push_back(delay);
  e.taps.push_back(AudioTap{0, gain});
}

void take_trailer(const AudioProfile& p, int index, float out[AUDIO_BANDS]) {
  if (p.trailer_count <= index) return;
  for (int b = 0; b < AUDIO_BANDS; ++b)
    if (std::isfinite(p.trailers[index][b])) out[b] = p.trailers[index][b];
}

int16_t clip(float out) {
  float t = std::trunc(out);
  if (!(t < 32767.0f)) return 32767;  // also what a non-number gives
  if (t < -32767.0f) return -32767;
  return int16_t(t);
}

// One sample through one band's section: its output times the band gain.
inline float band_output(BandFilter& f, float s) {
  float d = s - f.x2;
  float y = f.b0 * d + f.na2 * f.y2 + f.na1 * f.y1;
  f.x2 = f.x1;
  f.x1 = s;
  f.y2 = f.y1;
  f.y1 = y;
  return y * f.gain;
}

struct ThinBin {
  int first = -1, last = -1;
  uint32_t delay = 0;
  double sum = 0.0;
};

}  // namespace

bool audio_alloc(AudioEngine& e) {
  try {
    e.line.assign(AUDIO_LINE_SAMPLES, 0);
    e.taps.reserve(AUDIO_MAX_TAPS);
    e.delays.reserve(AUDIO_MAX_TAPS);
  } catch (const std::bad_alloc&) {
    audio_free(e);
    return false;
  }
  return true;
}

void audio_free(AudioEngine& e) {
  std::vector<int16_t>().swap(e.line);
  std::vector<AudioTap>().swap(e.taps);
  std::vector<uint32_t>().swap(e.delays);
}

int audio_read_impulses(AudioEngine& e, const AudioProfile* p, bool realtime) {
  e.taps.clear();
  e.delays.clear();
  for (BandFilter& f : e.filters) f.gain = 1.0f;
  for (int b = 0; b < AUDIO_BANDS; ++b) {
    e.decay_time[b] = AUDIO_DEFAULT_DECAY;
    e.late_early[b] = 0.0f;
  }
  if (!p) {
    add_tap(e, 0, 1.0f);
    return 1;
  }
  for (const ProfileImpulse& i : p->impulses) {
    if (e.taps.size() >= size_t(AUDIO_MAX_TAPS)) break;
    double delay = std::trunc(double(i.delay_ms) * 0.001 * e.fs);
    if (delay < double(AUDIO_LINE_SAMPLES) && i.amplitude >= AUDIO_MIN_AMPLITUDE) add_tap(e, uint32_t(delay), i.amplitude);
  }
  float gains[AUDIO_BANDS];
  for (int b = 0; b < AUDIO_BANDS; ++b) gains[b] = e.filters[b].gain;
  take_trailer(*p, 0, gains);
  for (int b = 0; b < AUDIO_BANDS; ++b) e.filters[b].gain = gains[b];
  if (realtime) {
    take_trailer(*p, 1, e.decay_time);
    take_trailer(*p, 2, e.late_early);
    audio_thin_impulses(e);
  }
  return int(e.taps.size());
}

void audio_thin_impulses(AudioEngine& e) {
  if (e.taps.empty()) return;
  ThinBin bins[AUDIO_THIN_BINS];
  uint32_t width = uint32_t(std::trunc(e.fs / 50.0 + 1.0));
  int highest = -1;
  for (size_t i = 0; i < e.taps.size(); ++i) {
    uint32_t k = e.delays[i] / width;
    if (k >= uint32_t(AUDIO_THIN_BINS)) continue;  // later than the bins reach
    ThinBin& b = bins[k];
    if (b.first < 0) b.first = int(i);
    b.last = int(i);
    highest = std::max(highest, int(k));
  }
  double late = 0.0;
  for (int k = 0; k <= highest; ++k) {
    ThinBin& b = bins[k];
    if (b.first < 0) continue;
    b.delay = e.delays[size_t(b.first)];
    for (int i = b.first; i <= b.last; ++i) {
      b.sum += e.taps[size_t(i)].gain;
      b.delay = std::min(b.delay, e.delays[size_t(i)]);
    }
    if (k >= 2) late += b.sum;
  }
  float ratio = 0.0f, longest = 0.0f;
  for (int b = 0; b < AUDIO_BANDS; ++b) {
    ratio = std::max(ratio, e.late_early[b]);
    longest = std::max(longest, e.decay_time[b]);
  }
  double level = (bins[0].sum + bins[1].sum) * (1.0 + std::max(late, double(ratio)));
  double q = longest > 0.0f ? std::pow(10.0, -(60.0 / longest) / 10.0) : 0.0;
  int w2 = int(std::trunc(e.fs / 50.0));
  double previous = 0.0;
  for (int k = AUDIO_THIN_BINS - 2; k > highest; k -= 2) {
    int p = rand15() * 2 * w2 / RAND15_MAX + w2 * k;
    double a = std::pow(q, double(p) / e.fs) * level;
    if (p < int(AUDIO_LINE_SAMPLES) && a > 1e-6) {
      bins[k].sum = a - previous;
      bins[k].delay = uint32_t(p);
    }
    previous = a;
  }
  double largest = 0.0;
  for (const ThinBin& b : bins) largest = std::max(largest, b.sum);
  e.taps.clear();
  e.delays.clear();
  if (!(largest > 0.0)) return;
  for (const ThinBin& b : bins)
    if (b.sum > 0.0) add_tap(e, b.delay, float(b.sum / largest));
}

void audio_init_taps(AudioEngine& e) {
  for (size_t i = 0; i < e.taps.size(); ++i) e.taps[i].position = AUDIO_LINE_SAMPLES - 1 - e.delays[i];
  e.cursor = 0;
  std::fill(e.line.begin(), e.line.end(), int16_t(0));
  for (BandFilter& f : e.filters) f.x1 = f.x2 = f.y1 = f.y2 = 0.0f;
}

int16_t audio_filter_sum(AudioEngine& e, float s) {
  float out = 0.0f;
  for (BandFilter& f : e.filters) out += band_output(f, s);
  return clip(out);
}

// Round by round: the bands of one segment side by side, each into a row
// of its own, while the segment before is summed from the other half of
// the scratch, band by band in their order as audio_filter_sum adds them.
// The tasks of a round go to whichever worker is free.
void audio_filter_block(AudioEngine& e, const double* sums, size_t n, int16_t* out, float* scratch, int threads) {
  size_t segment = std::min(n, AUDIO_FILTER_SEGMENT);
  if (segment == 0) return;
  size_t segments = (n + segment - 1) / segment;
  auto rows_of = [&](size_t s) { return scratch + (s % 2) * AUDIO_BANDS * segment; };
  // The section works on a copy of its own: the bands' states share cache
  // lines, and written at every sample by threads side by side they would
  // pass those lines to and fro.
  auto filter_band = [&](size_t s, int b) {
    float* row = rows_of(s) + size_t(b) * segment;
    size_t begin = s * segment, end = std::min(n, begin + segment);
    BandFilter f = e.filters[b];
    for (size_t i = begin; i < end; ++i) row[i - begin] = band_output(f, float(sums[i]));
    e.filters[b] = f;
  };
  // Band by band over the part, so that the additions go four samples at a
  // time; the first band's row takes the sums.
  auto add_bands = [&](size_t s, int part) {
    float* rows = rows_of(s);
    size_t begin = s * segment, length = std::min(n, begin + segment) - begin;
    size_t j0 = length * size_t(part) / SUM_PARTS, j1 = length * size_t(part + 1) / SUM_PARTS;
    float* sum = rows;
    for (size_t j = j0; j < j1; ++j) sum[j] = 0.0f + sum[j];
    for (int b = 1; b < AUDIO_BANDS; ++b) {
      const float* row = rows + size_t(b) * segment;
      for (size_t j = j0; j < j1; ++j) sum[j] += row[j];
    }
    for (size_t j = j0; j < j1; ++j) out[begin + j] = clip(sum[j]);
  };
  for (size_t round = 0; round <= segments; ++round) {
    int bands = round < segments ? AUDIO_BANDS : 0, parts = round > 0 ? SUM_PARTS : 0;
    std::atomic<int> next{0};
    worker_pool_run(std::clamp(threads, 1, bands + parts), [&](int) {
      for (int t; (t = next.fetch_add(1)) < bands + parts;)
        t < bands ? filter_band(round, t) : add_bands(round - 1, t - bands);
    });
  }
}

size_t audio_filter_scratch_floats(size_t n) { return 2 * AUDIO_BANDS * std::min(n, AUDIO_FILTER_SEGMENT); }

int16_t audio_process_sample(AudioEngine& e, int16_t x) {
  if (e.taps.empty()) return audio_filter_sum(e, 0.0f);
  auto at = [&](uint32_t position) {
    uint32_t i = position + e.cursor;
    return i >= AUDIO_LINE_SAMPLES ? i - AUDIO_LINE_SAMPLES : i;
  };
  e.line[at(e.taps[0].position)] = x;
  double s = 0.0;
  for (const AudioTap& t : e.taps) s += double(e.line[at(t.position)]) * t.gain;
  e.cursor = e.cursor + 1 == AUDIO_LINE_SAMPLES ? 0 : e.cursor + 1;
  return audio_filter_sum(e, float(s));
}

std::vector<AudioLag> audio_tap_lags(const AudioEngine& e) {
  std::vector<AudioLag> lags;
  if (e.taps.empty()) return lags;
  int64_t first = e.delays[0];
  for (size_t i = 0; i < e.taps.size(); ++i) {
    int64_t lag = (int64_t(e.delays[i]) - first + AUDIO_LINE_SAMPLES) % AUDIO_LINE_SAMPLES;
    lags.push_back(AudioLag{uint32_t(lag), e.taps[i].gain});
  }
  return lags;
}

bool audio_offline_begin(AudioOfflineRun& run, const AudioEngine& e, const int16_t* input, size_t count,
                         int16_t* output, int threads) {
  run.input = input;
  run.count = count;
  run.output = output;
  run.done = 0;
  run.threads = std::max(threads, 1);
  if (!run.convolver.init(audio_tap_lags(e), run.threads)) return false;
  run.step = run.convolver.hop() * OFFLINE_HOPS_PER_STEP * size_t(run.threads);
  run.sums.reset(new (std::nothrow) double[run.step]);
  run.filter_scratch.reset(new (std::nothrow) float[audio_filter_scratch_floats(run.step)]);
  return run.sums && run.filter_scratch;
}

size_t audio_offline_step(AudioOfflineRun& run, AudioEngine& e) {
  size_t end = std::min(run.count, run.done + run.step);
  if (run.done >= end) return run.done;
  if (e.taps.empty())
    std::fill(run.sums.get(), run.sums.get() + run.step, 0.0);
  else
    run.convolver.convolve(run.input, run.count, run.done, end, run.sums.get(), run.threads);
  audio_filter_block(e, run.sums.get(), end - run.done, run.output + run.done, run.filter_scratch.get(),
                     run.threads);
  run.done = end;
  return run.done;
}

void audio_process_plain(AudioEngine& e, const int16_t* input, size_t count, int16_t* output) {
  for (size_t n = 0; n < count; ++n) output[n] = audio_process_sample(e, input[n]);
}

std::vector<int16_t> audio_resample(const std::vector<int16_t>& in, uint32_t rate, double fs) {
  if (double(rate) == fs || in.empty() || rate == 0) return in;
  std::vector<int16_t> out;
  if (double(rate) == 2.0 * fs) {
    out.resize(in.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) out[i] = int16_t((int(in[2 * i]) + int(in[2 * i + 1])) / 2);
    return out;
  }
  double step = double(rate) / fs;
  size_t n = size_t(double(in.size() - 1) / step) + 1;
  out.resize(n);
  for (size_t i = 0; i < n; ++i) {
    double p = double(i) * step;
    size_t j = std::min(size_t(p), in.size() - 1);
    double f = p - double(j);
    double next = j + 1 < in.size() ? in[j + 1] : in[j];
    out[i] = int16_t(std::lround(in[j] + (next - in[j]) * f));
  }
  return out;
}

bool audio_fill_block(AudioEngine& e, AudioStream& s, int16_t* out, size_t block) {
  bool more = true;
  for (size_t i = 0; i < block; ++i) {
    int16_t x = 0;
    if (s.next < s.input.size())
      x = s.input[s.next++];
    else
      more = false;
    out[i] = audio_process_sample(e, x);
  }
  return more && s.next < s.input.size();
}

size_t audio_realtime_block_count(size_t input_samples, double fs, size_t block) {
  if (block == 0) return 0;
  return (input_samples + size_t(4.0 * fs)) / block;
}
