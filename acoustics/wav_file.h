// RIFF WAVE files of the portable core: the "fmt " and "data" chunks of a
// PCM file read from bytes, and a 16-bit mono file written. The programs
// read and write WAVE files through the system's multimedia I/O; this is
// what the tests and the benchmark use, and what the format checks share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class ByteWriter;

struct WavFormat {
  uint16_t tag;
  uint16_t channels;
  uint32_t rate;
  uint32_t byte_rate;
  uint16_t block_align;
  uint16_t bits;
};

constexpr uint32_t WAV_FMT_MIN_BYTES = 16;
enum : int { WAV_OK = 0, WAV_CANNOT_READ, WAV_NOT_MONO16 };
constexpr const char* WAV_MSG_CANNOT_READ = "Cannot read input WAVE file";
constexpr const char* WAV_MSG_NOT_MONO16 = "Input file must be a 16-bit mono PCM WAVE file";
constexpr const char* WAV_MSG_CANNOT_WRITE = "Cannot write output WAVE file";
constexpr const char* WAV_MSG_UNKNOWN = "Unknown error";

bool wav_is_mono16(const WavFormat& f);
WavFormat wav_mono16(uint32_t rate);
// WAV_OK with the samples of a 16-bit mono PCM file; a data chunk longer
// than the file gives what the file holds.
int wav_decode(const uint8_t* data, size_t size, WavFormat& format, std::vector<int16_t>& samples);
void wav_encode(const WavFormat& format, const int16_t* samples, size_t count, ByteWriter& out);
