#include "speaker_editor/import_common.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "speaker_editor/balloon_data.h"

const char* const SPKED_MSG_TABLE_FULL = "Datenbank kann max. 500 LS enthalten";
const char* const SPKED_BAND_NAMES[SPK_BANDS] = {"125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz"};

namespace {
constexpr int16_t EFFICIENCY_LIMIT = 500;  // 50 % in tenths of a per cent
}

void spked_store_directivity(SpeakerRecord& record) {
  for (int b = 0; b < SPK_BANDS; ++b)
    record.q_factor[b] = spked_q_field(spked_band_directivity_factor(&record.balloon[0][0][0], b));
}

int16_t spked_band_efficiency_field(const SpeakerRecord& record, int band) {
  if (!(record.sensitivity[band] > 0.0f)) return 0;
  double q = spked_q_from_field(record.q_factor[band]);
  return spked_efficiency_field(spked_efficiency(record.sensitivity[band], q));
}

void spked_store_efficiencies(SpeakerRecord& record, void (*warn)(int band)) {
  record.band_mask = 0;
  for (int b = 0; b < SPK_BANDS; ++b) {
    record.efficiency[b] = spked_band_efficiency_field(record, b);
    if (record.efficiency[b] <= EFFICIENCY_LIMIT)
      record.band_mask |= uint16_t(1u << b);
    else if (warn)
      warn(b);
  }
  record.band_mask_copy = record.band_mask;
}

void spked_mark_imported(SpeakerRecord& record, int import_format) {
  record.format = SPK_RECORD_FORMAT;
  record.kind = 1;
  record.import_format = int16_t(import_format);
}

std::vector<std::string> spked_text_lines(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < size; ++i) {
    char c = char(data[i]);
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

bool spked_keyword(const std::string& line, const char* keyword, std::string* value) {
  size_t n = std::strlen(keyword);
  if (line.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(keyword[i])))
      return false;
  if (value) *value = line.size() > n + 1 ? line.substr(n + 1) : std::string();
  return true;
}

bool spked_is_number_char(char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+'; }

bool spked_is_data_line(const std::string& line) { return !line.empty() && spked_is_number_char(line[0]); }

int spked_read_numbers(const std::string& line, float* out, int limit, bool* over) {
  int count = 0;
  if (over) *over = false;
  size_t i = 0;
  while (i < line.size()) {
    if (!spked_is_number_char(line[i])) {
      ++i;
      continue;
    }
    size_t start = i;
    while (i < line.size() && spked_is_number_char(line[i])) ++i;
    std::string run = line.substr(start, i - start);
    char* end = nullptr;
    float v = std::strtof(run.c_str(), &end);
    if (end == run.c_str()) continue;  // a lone sign or point
    if (count >= limit) {
      if (over) *over = true;
      return count;
    }
    out[count++] = std::isfinite(v) ? v : 0.0f;
  }
  return count;
}

void spked_set_text_field(char* field, size_t size, const std::string& text) {
  std::memset(field, 0, size);
  std::memcpy(field, text.data(), text.size() < size - 1 ? text.size() : size - 1);
}

void spked_strip_trailing_spaces(char* text) {
  size_t n = std::strlen(text);
  while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
}

float spked_power_mean_db(float a, float b) {
  double mean = (std::pow(10.0, a / 10.0) + std::pow(10.0, b / 10.0)) / 2.0;
  return float(10.0 * std::log10(mean > 0.001 ? mean : 0.001));
}
