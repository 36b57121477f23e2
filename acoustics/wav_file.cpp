#include "acoustics/wav_file.h"

#include <cstring>

#include "framework/le_bytes.h"

namespace {

bool tag_is(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

WavFormat read_format(const uint8_t* p) {
  WavFormat f{};
  f.tag = le_get_u16(p);
  f.channels = le_get_u16(p + 2);
  f.rate = le_get_u32(p + 4);
  f.byte_rate = le_get_u32(p + 8);
  f.block_align = le_get_u16(p + 12);
  f.bits = le_get_u16(p + 14);
  return f;
}

}  // namespace

bool wav_is_mono16(const WavFormat& f) { return f.tag == 1 && f.channels == 1 && f.bits == 16 && f.rate > 0; }

WavFormat wav_mono16(uint32_t rate) { return WavFormat{1, 1, rate, rate * 2, 2, 16}; }

int wav_decode(const uint8_t* data, size_t size, WavFormat& format, std::vector<int16_t>& samples) {
  samples.clear();
  if (size < 12 || !tag_is(data, "RIFF") || !tag_is(data + 8, "WAVE")) return WAV_CANNOT_READ;
  bool have_format = false;
  size_t pos = 12;
  while (size - pos >= 8) {
    const uint8_t* chunk = data + pos;
    size_t length = le_get_u32(chunk + 4);
    size_t body = pos + 8;
    size_t available = size - body;
    if (tag_is(chunk, "fmt ")) {
      if (length < WAV_FMT_MIN_BYTES || available < WAV_FMT_MIN_BYTES) return WAV_CANNOT_READ;
      format = read_format(data + body);
      have_format = true;
      if (!wav_is_mono16(format)) return WAV_NOT_MONO16;
    } else if (tag_is(chunk, "data")) {
      if (!have_format) return WAV_CANNOT_READ;
      size_t bytes = length < available ? length : available;
      samples.resize(bytes / 2);
      for (size_t i = 0; i < samples.size(); ++i) samples[i] = int16_t(le_get_u16(data + body + 2 * i));
      return WAV_OK;
    }
    if (length > available) return WAV_CANNOT_READ;
    pos = body + length + (length & 1);  // chunks are padded to even sizes
    if (pos > size) break;
  }
  return WAV_CANNOT_READ;
}

void wav_encode(const WavFormat& f, const int16_t* samples, size_t count, ByteWriter& out) {
  uint32_t data_bytes = uint32_t(count * 2);
  out.bytes("RIFF", 4);
  out.u32(36 + data_bytes);
  out.bytes("WAVE", 4);
  out.bytes("fmt ", 4);
  out.u32(16);
  out.u16(f.tag);
  out.u16(f.channels);
  out.u32(f.rate);
  out.u32(f.byte_rate);
  out.u16(f.block_align);
  out.u16(f.bits);
  out.bytes("data", 4);
  out.u32(data_bytes);
  for (size_t i = 0; i < count; ++i) out.i16(samples[i]);
}
