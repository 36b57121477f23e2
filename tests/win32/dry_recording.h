// A short dry recording for the playback tests: 0.3 s of a 16-bit mono
// square wave at 22050 Hz, written to the temporary folder.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "acoustics/wav_file.h"
#include "framework/le_bytes.h"

// The file's path, or an empty string when it could not be written.
inline std::string write_dry_recording(const char* name, int half_period, int16_t amplitude) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + name;
  std::vector<int16_t> x(6615);
  for (size_t i = 0; i < x.size(); ++i) x[i] = int16_t(int(i) % (2 * half_period) < half_period ? amplitude : -amplitude);
  ByteWriter wav;
  wav_encode(wav_mono16(22050), x.data(), x.size(), wav);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  bool written = std::fwrite(wav.buffer().data(), 1, wav.buffer().size(), f) == wav.buffer().size();
  return std::fclose(f) == 0 && written ? path : "";
}
