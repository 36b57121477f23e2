#include "speaker_editor/acoustacadd_import.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "framework/le_bytes.h"
#include "speaker_editor/balloon_data.h"
#include "speaker_editor/import_common.h"
#include "speakers/speaker_record.h"

AcoustaCaddPairing g_spked_acoustacadd_pairing;

namespace {

const int RATED_POWERS[56] = {0,   1,   2,   4,   5,    8,    10,   12,   15,   16,   20,   25,   30,   32,
                              35,  40,  50,  60,  70,   75,   80,   90,   100,  120,  125,  150,  200,  240,
                              250, 300, 400, 500, 600,  700,  800,  900,  1000, 1100, 1200, 1300, 1400, 1500,
                              1600, 1700, 1800, 1900, 2000, 2100, 2200, 2300, 2400, 2500, 2600, 2800, 2900, 3000};
const char* const EXTENSIONS[SPK_BANDS] = {".B01", ".B02", ".B05", ".B10", ".B20", ".B40", ".B80"};
constexpr size_t BALLOON_VALUES_AT = 151;
constexpr int ROWS = 36;

int16_t code_at(const uint8_t* bytes, size_t at) { return int16_t(le_get_u16(bytes + at)); }

float sensitivity_of(int16_t code) { return code == 0 ? 0.0f : float(code / 500.0 + 130.0); }

int16_t q_of_index(float di) {
  double q = std::pow(10.0, (std::isfinite(di) ? di : 0.0f) / 10.0);
  return spked_q_field(q);
}

double power_of(const std::vector<int16_t>& v, int i) { return std::pow(10.0, v[size_t(i)] / 1000.0); }

uint8_t mean_byte(const std::vector<int16_t>& v, int row) {
  double sum = 0;
  for (int k = 0; k < 72; ++k) sum += power_of(v, row * 72 + k);
  return spked_power_to_balloon_byte(float(sum / 72.0));
}

// One band from its 36 x 72 values in hundredths of a dB: the maximum
// moved to the reference, then rings between the file's rows.
void band_from_values(SpeakerRecord& record, int band, std::vector<int16_t>& v) {
  int top = 0;
  int16_t m = 0;
  for (int i = 0; i < ROWS * 72; ++i)
    if (v[size_t(i)] > m) {
      m = v[size_t(i)];
      top = i;
    }
  if (m > 0) {
    for (int16_t& x : v) x = int16_t(x - m);
    record.sensitivity[band] += m / 100.0f;
  }
  auto& rings = record.balloon[band];
  if (m <= 0 || top < 72)
    std::memset(rings[0], 225, 72);
  else
    std::memset(rings[0], mean_byte(v, 0), 72);
  for (int t = 1; t <= 35; ++t)
    for (int k = 0; k < 72; ++k)
      rings[t][k] = spked_power_to_balloon_byte(float((power_of(v, (t - 1) * 72 + k) + power_of(v, t * 72 + k)) / 2.0));
  std::memset(rings[36], mean_byte(v, 35), 72);
}

}  // namespace

void spked_reset_acoustacadd_pairing() { g_spked_acoustacadd_pairing = AcoustaCaddPairing{}; }

int spked_acoustacadd_rated_power(int power_code) {
  double watts = std::pow(10.0, (power_code - 16255) / 422.0);
  int p = watts >= 1e6 ? 1000000 : int(watts);
  if (p >= 3000) return 3000;
  int i = 1;
  while (RATED_POWERS[i] < p) ++i;
  if (RATED_POWERS[i] == p) return p;
  return p - RATED_POWERS[i - 1] < RATED_POWERS[i] - p ? RATED_POWERS[i - 1] : RATED_POWERS[i];
}

const char* spked_acoustacadd_manufacturer(char first_letter) {
  switch (first_letter) {
    case 'A': return "ALTEC LANSING";
    case 'D': return "DYNACORD";
    case 'E': return "ELECTRO-VOICE";
    case 'U': return "UNIVERSITY SOUND";
    default: return nullptr;
  }
}

void spked_read_acoustacadd_parameters(const uint8_t* bytes, SpeakerRecord& record, std::string& path) {
  AcoustaCaddPairing& pair = g_spked_acoustacadd_pairing;
  double correction = code_at(bytes, 114) * 0.01 - 129.0;
  char device = char(bytes[54]);
  bool full_range = device == ' ' || device == 'C' || device == 'F' || device == 'L' || device == 'P';
  record.import_format = 1;
  if (device == 'D' && !pair.horn_pending) {
    pair.driver_pending = true;
  } else if (device == 'H' && !pair.driver_pending) {
    pair.horn_pending = true;
    pair.horn_path = path;
  }
  bool driver_after_horn = device == 'D' && pair.horn_pending;
  bool horn_after_driver = device == 'H' && pair.driver_pending && !pair.horn_pending;
  for (int i = 0; i < SPK_BANDS; ++i) {
    record.impedance[i] = 8;
    int16_t code = code_at(bytes, 79 + 4 * size_t(i));
    float di = le_get_f32(bytes + 120 + 4 * size_t(i));
    if (full_range) {
      record.sensitivity[i] = sensitivity_of(code);
      record.q_factor[i] = q_of_index(di);
      record.kind = 1;
      pair.pair_open = false;
    } else if (device == 'D' && !driver_after_horn) {
      record.sensitivity[i] = sensitivity_of(code);
      record.q_factor[i] = 10;
      pair.pair_open = true;
      record.kind = 2;
    } else if (driver_after_horn) {
      double q = spked_q_from_field(record.q_factor[i]);
      record.sensitivity[i] = code == 0 ? 0.0f : float(code / 500.0 + 130.0 + 10.0 * std::log10(q) + correction);
      pair.pair_open = false;
      record.kind = 1;
    } else if (device == 'H' && !horn_after_driver) {
      record.sensitivity[i] = 0.0f;
      pair.pair_open = true;
      record.kind = 3;
      record.q_factor[i] = q_of_index(di);
    } else if (horn_after_driver) {
      if (record.sensitivity[i] != 0.0f)
        record.sensitivity[i] = float(correction + (std::isfinite(di) ? di : 0.0f) + record.sensitivity[i]);
      pair.pair_open = false;
      record.kind = 1;
      record.q_factor[i] = q_of_index(di);
    }
    record.efficiency[i] = spked_band_efficiency_field(record, i);
    if (device != 'E' && device != 'H') record.rated_power[i] = float(spked_acoustacadd_rated_power(code_at(bytes, 112)));
  }
  if (driver_after_horn) path = pair.horn_path;
  if (!pair.pair_open) {
    pair.driver_pending = false;
    pair.horn_pending = false;
  }
}

std::string spked_acoustacadd_balloon_path(const std::string& parameter_path, int band) {
  size_t cut = parameter_path.find_last_of("\\/");
  std::string folder = cut == std::string::npos ? std::string() : parameter_path.substr(0, cut + 1);
  char separator = cut == std::string::npos ? '\\' : parameter_path[cut];
  std::string name = parameter_path.substr(cut == std::string::npos ? 0 : cut + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  return folder + "BALLOONS" + separator + name + EXTENSIONS[band];
}

void spked_build_acoustacadd_balloon(SpeakerRecord& record, const std::string& parameter_path) {
  record.band_mask = 127;
  record.band_mask_copy = 127;
  record.balloon_file_mask = 0;
  std::vector<uint8_t> file;
  std::vector<int16_t> values(ROWS * 72);
  for (int b = 0; b < SPK_BANDS; ++b) {
    std::string path = spked_acoustacadd_balloon_path(parameter_path, b);
    if (!le_read_file(path.c_str(), file, 1 << 20) || file.size() < SPKED_ACOUSTACADD_BALLOON_BYTES) {
      std::memset(record.balloon[b], 225, sizeof record.balloon[b]);
    } else {
      record.balloon_file_mask |= uint16_t(1u << b);
      for (int i = 0; i < ROWS * 72; ++i) values[size_t(i)] = int16_t(le_get_u16(&file[BALLOON_VALUES_AT + 2 * size_t(i)]));
      band_from_values(record, b, values);
    }
  }
  spked_store_directivity(record);
  for (int b = 0; b < SPK_BANDS; ++b) record.efficiency[b] = spked_band_efficiency_field(record, b);
  record.format = SPK_RECORD_FORMAT;
  record.import_format = 1;
}
