#include "acoustics/audio_convolve.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "framework/worker_pool.h"

namespace {

constexpr size_t SMALLEST_BLOCK = 4096;

size_t block_size_for(size_t max_lag) {
  size_t n = SMALLEST_BLOCK;
  while (n < 2 * (max_lag + 1)) n *= 2;
  return n;
}

// The start of worker w's share of count items among n workers.
size_t share_start(size_t count, int w, int n) { return count * size_t(w) / size_t(n); }

}  // namespace

bool AudioConvolver::init(const std::vector<AudioLag>& lags, int threads) {
  max_lag_ = 0;
  for (const AudioLag& l : lags) max_lag_ = std::max<size_t>(max_lag_, l.lag);
  size_ = block_size_for(max_lag_);
  hop_ = size_ - max_lag_;
  try {
    spectrum_.assign(size_, {0.0, 0.0});
    twiddle_.resize(size_ / 2);
    reversed_.resize(size_);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const double pi = 3.14159265358979323846;
  for (size_t i = 0; i < size_ / 2; ++i) twiddle_[i] = std::polar(1.0, -2.0 * pi * double(i) / double(size_));
  int bits = 0;
  while ((size_t(1) << bits) < size_) ++bits;
  // Each index reversed from its half reversed: one shift and one bit.
  reversed_[0] = 0;
  for (size_t i = 1; i < size_; ++i) reversed_[i] = (reversed_[i >> 1] >> 1) | (uint32_t(i & 1) << (bits - 1));
  for (const AudioLag& l : lags) spectrum_[l.lag] += l.gain;
  int workers = std::max(threads, 1);
  transform_on(spectrum_.data(), workers);
  // The inverse transform's scale is taken into the response once.
  worker_pool_run(workers, [&](int w) {
    for (size_t i = share_start(size_, w, workers); i < share_start(size_, w + 1, workers); ++i) spectrum_[i] /= double(size_);
  });
  return true;
}

namespace {

// Butterflies k_begin .. k_end - 1 of the group at `group` in the stage of
// span half.
void butterfly_run(std::complex<double>* data, size_t group, size_t k_begin, size_t k_end, size_t half, size_t step,
                   const std::complex<double>* twiddle, bool inverse) {
  std::complex<double>* a = data + group;
  std::complex<double>* b = a + half;
  for (size_t k = k_begin; k < k_end; ++k) {
    std::complex<double> w = twiddle[k * step];
    double wi = inverse ? -w.imag() : w.imag();
    // Written out: std::complex multiplication checks for infinities.
    double re = b[k].real() * w.real() - b[k].imag() * wi;
    double im = b[k].real() * wi + b[k].imag() * w.real();
    std::complex<double> t(re, im);
    b[k] = a[k] - t;
    a[k] += t;
  }
}

// One butterfly stage of span half over data[start .. start + length).
void butterflies(std::complex<double>* data, size_t start, size_t length, size_t half, size_t step,
                 const std::complex<double>* twiddle, bool inverse) {
  for (size_t group = start; group < start + length; group += 2 * half)
    butterfly_run(data, group, 0, half, half, step, twiddle, inverse);
}

// The stages whose butterflies stay inside a block of this many values are
// done block by block, while the block is in the cache.
constexpr size_t CACHE_BLOCK = 8192;

}  // namespace

void AudioConvolver::transform(std::complex<double>* data, bool inverse) const {
  for (size_t i = 0; i < size_; ++i)
    if (i < reversed_[i]) std::swap(data[i], data[reversed_[i]]);
  size_t block = std::min(size_, CACHE_BLOCK);
  for (size_t start = 0; start < size_; start += block)
    for (size_t half = 1; half < block; half *= 2) butterflies(data, start, block, half, size_ / (2 * half), twiddle_.data(), inverse);
  for (size_t half = block; half < size_; half *= 2) butterflies(data, 0, size_, half, size_ / (2 * half), twiddle_.data(), inverse);
}

// The forward transform with every butterfly as transform() does it, the
// work of each pass shared out: the swaps by index (each pair belongs to
// its lower index), the short stages block by block, the long ones butterfly
// by butterfly, one pass after the other.
void AudioConvolver::transform_on(std::complex<double>* data, int threads) const {
  size_t block = std::min(size_, CACHE_BLOCK);
  size_t blocks = size_ / block, butterflies_per_stage = size_ / 2;
  worker_pool_run(threads, [&](int w) {
    for (size_t i = share_start(size_, w, threads); i < share_start(size_, w + 1, threads); ++i)
      if (i < reversed_[i]) std::swap(data[i], data[reversed_[i]]);
  });
  worker_pool_run(threads, [&](int w) {
    for (size_t k = share_start(blocks, w, threads); k < share_start(blocks, w + 1, threads); ++k)
      for (size_t half = 1; half < block; half *= 2)
        butterflies(data, k * block, block, half, size_ / (2 * half), twiddle_.data(), false);
  });
  for (size_t half = block; half < size_; half *= 2) {
    worker_pool_run(threads, [&](int w) {
      // Butterfly t is number t % half of group t / half.
      size_t t = share_start(butterflies_per_stage, w, threads), end = share_start(butterflies_per_stage, w + 1, threads);
      while (t < end) {
        size_t group = t / half, k = t % half, k_end = std::min(half, k + (end - t));
        butterfly_run(data, group * 2 * half, k, k_end, half, size_ / (2 * half), twiddle_.data(), false);
        t += k_end - k;
      }
    });
  }
}

// Hops starting at first and second (second == end: none) share one
// transform, one in the real part, one in the imaginary part: the response
// is real, so the two results come back apart.
void AudioConvolver::convolve_pair(const int16_t* x, size_t count, size_t first, size_t second, size_t end,
                                   size_t begin, double* out, std::vector<std::complex<double>>& work) const {
  auto sample = [&](size_t hop_start, size_t j) -> double {
    // Block sample j stands for recording sample hop_start - max_lag + j.
    if (hop_start + j < max_lag_) return 0.0;
    size_t n = hop_start + j - max_lag_;
    return n < count ? double(x[n]) : 0.0;
  };
  bool two = second < end;
  for (size_t j = 0; j < size_; ++j) work[j] = {sample(first, j), two ? sample(second, j) : 0.0};
  transform(work.data(), false);
  for (size_t j = 0; j < size_; ++j) {
    const std::complex<double>& h = spectrum_[j];
    double re = work[j].real() * h.real() - work[j].imag() * h.imag();
    double im = work[j].real() * h.imag() + work[j].imag() * h.real();
    work[j] = {re, im};
  }
  transform(work.data(), true);
  for (size_t j = 0; j < hop_ && first + j < end; ++j) out[first + j - begin] = work[max_lag_ + j].real();
  if (two)
    for (size_t j = 0; j < hop_ && second + j < end; ++j) out[second + j - begin] = work[max_lag_ + j].imag();
}

void AudioConvolver::convolve(const int16_t* x, size_t count, size_t begin, size_t end, double* out,
                              int threads) const {
  std::vector<size_t> starts;
  for (size_t s = begin; s < end; s += hop_) starts.push_back(s);
  size_t pairs = (starts.size() + 1) / 2;
  int workers = int(std::max<size_t>(1, std::min<size_t>(size_t(std::max(threads, 1)), pairs)));
  auto run = [&](int worker) {
    std::vector<std::complex<double>> work(size_);
    for (size_t p = size_t(worker); p < pairs; p += size_t(workers)) {
      size_t first = starts[2 * p];
      size_t second = 2 * p + 1 < starts.size() ? starts[2 * p + 1] : end;
      convolve_pair(x, count, first, second, end, begin, out, work);
    }
  };
  worker_pool_run(workers, run);
}
