// Fast convolution of a recording with a sparse impulse response
// (overlap-save with one FFT block per hop, two hops packed into one complex
// transform, hops spread over worker threads). It gives the tap sums of the
// per-sample delay line to within rounding.
#pragma once
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

struct AudioLag {
  uint32_t lag;  // samples before the current one
  float gain;
};

class AudioConvolver {
 public:
  // False when the buffers cannot be had. The set-up runs on up to
  // `threads` threads.
  bool init(const std::vector<AudioLag>& lags, int threads = 1);
  // Tap sums s[begin .. end) of the recording x (count samples, nothing
  // before sample 0), written to out[0 .. end - begin).
  void convolve(const int16_t* x, size_t count, size_t begin, size_t end, double* out, int threads) const;
  size_t hop() const { return hop_; }

 private:
  void convolve_pair(const int16_t* x, size_t count, size_t first, size_t second, size_t end, size_t begin,
                     double* out, std::vector<std::complex<double>>& work) const;
  size_t size_ = 0, hop_ = 0, max_lag_ = 0;
  std::vector<std::complex<double>> spectrum_;
  std::vector<std::complex<double>> twiddle_;
  std::vector<uint32_t> reversed_;
  void transform(std::complex<double>* data, bool inverse) const;
  void transform_on(std::complex<double>* data, int threads) const;
};
