// The auralisation engine: a recording convolved with the arrivals of an
// audio profile (a delay line with up to 10000 taps), then passed through
// the seven octave band filters with the profile's band gains. Offline the
// tap sums come from the fast convolution; in real time the taps are
// thinned and given a synthetic reverberation tail.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "acoustics/audio_convolve.h"
#include "acoustics/audio_filter.h"

struct AudioProfile;

constexpr uint32_t AUDIO_LINE_SAMPLES = 220500;  // 10 s at 22050 Hz
constexpr int AUDIO_MAX_TAPS = 10000;
constexpr double AUDIO_REALTIME_RATE = 22050.0;
constexpr int AUDIO_THIN_BINS = 250;
constexpr float AUDIO_MIN_AMPLITUDE = 1e-6f;
constexpr float AUDIO_DEFAULT_DECAY = 0.001f;

struct AudioTap {
  uint32_t position;  // read index in the delay line
  float gain;
};

struct AudioEngine {
  double fs = AUDIO_REALTIME_RATE;
  std::vector<int16_t> line;
  uint32_t cursor = 0;  // how far every tap position has advanced
  std::vector<AudioTap> taps;
  std::vector<uint32_t> delays;  // samples, parallel to taps
  BandFilter filters[AUDIO_BANDS];
  float decay_time[AUDIO_BANDS];
  float late_early[AUDIO_BANDS];
};

bool audio_alloc(AudioEngine& e);  // false: "Insufficient memory"
void audio_free(AudioEngine& e);

// Taps from the profile's impulses (null: one tap of gain 1, played dry)
// with its band gains; for real time also the decay times and late/early
// ratios, then the thinning. Returns the tap count.
int audio_read_impulses(AudioEngine& e, const AudioProfile* profile, bool realtime);
void audio_thin_impulses(AudioEngine& e);
void audio_init_taps(AudioEngine& e);  // positions, cleared line and filter states

int16_t audio_process_sample(AudioEngine& e, int16_t x);
// The band filters on one tap sum: the output sample.
int16_t audio_filter_sum(AudioEngine& e, float s);
// The same over n tap sums, the bands side by side on up to `threads`
// threads, sample for sample the bytes audio_filter_sum gives; `scratch`
// holds audio_filter_scratch_floats(n) floats.
constexpr size_t AUDIO_FILTER_SEGMENT = 262144;  // samples the bands take at a time
void audio_filter_block(AudioEngine& e, const double* sums, size_t n, int16_t* out, float* scratch, int threads);
size_t audio_filter_scratch_floats(size_t n);
// How far back each tap reads relative to tap 0, as the delay line has it.
std::vector<AudioLag> audio_tap_lags(const AudioEngine& e);

// Offline processing in steps, so that the caller can show progress and
// stop between them.
struct AudioOfflineRun {
  const int16_t* input = nullptr;
  size_t count = 0;
  int16_t* output = nullptr;
  size_t done = 0;
  int threads = 1;
  AudioConvolver convolver;
  // Tap sums and filter scratch of one step, left uninitialised: the
  // workers that fill them take the first touch of their pages.
  size_t step = 0;
  std::unique_ptr<double[]> sums;
  std::unique_ptr<float[]> filter_scratch;
};
bool audio_offline_begin(AudioOfflineRun& run, const AudioEngine& e, const int16_t* input, size_t count,
                         int16_t* output, int threads);
size_t audio_offline_step(AudioOfflineRun& run, AudioEngine& e);  // samples done so far
// The same per sample through the delay line (the reference of the fast one).
void audio_process_plain(AudioEngine& e, const int16_t* input, size_t count, int16_t* output);

// A recording brought to the processing rate: exactly twice the rate by
// averaging pairs, any other rate by linear interpolation.
std::vector<int16_t> audio_resample(const std::vector<int16_t>& input, uint32_t rate, double fs);

// Real-time playback: the input in blocks, then processed silence.
struct AudioStream {
  std::vector<int16_t> input;
  size_t next = 0;
};
// Fills one block; false once the input has run out (the rest of the
// block is processed silence).
bool audio_fill_block(AudioEngine& e, AudioStream& s, int16_t* out, size_t block);
constexpr int AUDIO_TAIL_BLOCKS = 20;
// Blocks of a playback for the progress: the input and 4 s of tail.
size_t audio_realtime_block_count(size_t input_samples, double fs, size_t block);
