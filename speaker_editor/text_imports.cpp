#include "speaker_editor/text_imports.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/ui_seam.h"
#include "speaker_editor/balloon_data.h"
#include "speaker_editor/import_common.h"
#include "speakers/speaker_record.h"

namespace {

constexpr int POLAR = SPK_BALLOON_ROWS;    // 37 polar steps of 5 degrees
constexpr int AZIMUTH = SPK_BALLOON_COLS;  // 72 azimuth steps of 5 degrees
const char* const MSG_COLUMNS = "Falsche Spaltenzahl";
const char* const MSG_INCREMENT = "Abtastschritt undefiniert, muß 5° oder 10° sein";

// Level grid of one band in dB, level[azimuth][polar] on the 5-degree raster.
struct BandGrid {
  float level[AZIMUTH][POLAR];
};

void message(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

void warn_efficiency(int) { message("Efficiency exceeds 50% !"); }

// A file's number truncated to a whole one as a cast would; a value no
// 16-bit field could hold (also inf and NaN) gives `fallback` instead of an
// undefined conversion.
int truncated_or(float v, int fallback) { return (v > -32768.0f && v < 32768.0f) ? int(v) : fallback; }

float read_float(const std::string& text) {
  float v = 0.0f;
  if (std::sscanf(text.c_str(), "%f", &v) != 1 || !std::isfinite(v)) return 0.0f;
  return v;
}

// The grid's maximum (from 0) moved to the band's level reference.
float normalise(BandGrid& g) {
  float m = 0.0f;
  for (auto& row : g.level)
    for (float v : row) m = v > m ? v : m;
  if (m > 0.0f)
    for (auto& row : g.level)
      for (float& v : row) v -= m;
  return m;
}

void grids_to_balloon(const std::vector<BandGrid>& grids, SpeakerRecord& record) {
  for (int b = 0; b < SPK_BANDS; ++b)
    for (int t = 0; t < POLAR; ++t)
      for (int p = 0; p < AZIMUTH; ++p) record.balloon[b][t][p] = spked_db_to_balloon_byte(grids[b].level[p][t]);
}

void finish_record(std::vector<BandGrid>& grids, SpeakerRecord& record, int import_format) {
  grids_to_balloon(grids, record);
  spked_store_directivity(record);
  spked_store_efficiencies(record, warn_efficiency);
  spked_mark_imported(record, import_format);
}

// Polar steps of 10 degrees (stored at even steps) filled in between.
void fill_odd_polar(float* row) {
  for (int t = 1; t < POLAR; t += 2) row[t] = spked_power_mean_db(row[t - 1], row[t + 1]);
}

// Azimuths of 10 degrees filled in between the stored even ones, up to
// `last` (the last stored azimuth); a full circle closes with 0.
void fill_odd_azimuths(BandGrid& g, int last, bool full_circle) {
  for (int p = 1; p < last; p += 2)
    for (int t = 0; t < POLAR; ++t) g.level[p][t] = spked_power_mean_db(g.level[p - 1][t], g.level[p + 1][t]);
  if (full_circle)
    for (int t = 0; t < POLAR; ++t) g.level[AZIMUTH - 1][t] = spked_power_mean_db(g.level[AZIMUTH - 2][t], g.level[0][t]);
}

// Half and quarter spheres are symmetric: a quarter copies 0..90 degrees
// onto 90..180, then a half copies 5..175 onto 185..355.
void mirror(BandGrid& g, int sphere) {
  if (sphere == 4)
    for (int p = 0; p <= 17; ++p) std::memcpy(g.level[36 - p], g.level[p], sizeof g.level[0]);
  if (sphere == 2 || sphere == 4)
    for (int p = 1; p <= 35; ++p) std::memcpy(g.level[72 - p], g.level[p], sizeof g.level[0]);
}

// ---- GDF ----

int gdf_band_of(const std::string& value) {
  static const char* const keys[SPK_BANDS] = {"125", "250", "500", "100", "200", "400", "800"};
  for (int b = 0; b < SPK_BANDS; ++b)
    if (value.compare(0, 3, keys[b]) == 0) return b;
  return -1;
}

struct GdfBand {
  bool full = false;
  int step = 0;     // azimuth step of its rows in degrees, 0: no rows
};

}  // namespace

bool spked_gdf_to_record(const uint8_t* data, size_t size, SpeakerRecord& record) {
  record = SpeakerRecord{};
  std::vector<BandGrid> grids(SPK_BANDS);
  for (BandGrid& g : grids) std::memset(&g, 0, sizeof g);
  GdfBand bands[SPK_BANDS];
  std::vector<std::string> lines = spked_text_lines(data, size);
  bool band_state = false, full_sphere = false;
  int band = -1, polar_step = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (spked_is_data_line(line)) continue;  // outside the rows of a "Theta Inc"
    std::string value;
    if (!band_state) {
      if (spked_keyword(line, "Device Name", &value)) spked_set_text_field(record.type_name, sizeof record.type_name, value);
      else if (spked_keyword(line, "Manufacturer", &value)) spked_set_text_field(record.manufacturer, sizeof record.manufacturer, value);
      else if (spked_keyword(line, "File Notes:", &value)) spked_set_text_field(record.description, sizeof record.description, value);
      else if (spked_keyword(line, "# Frequency Band Section")) band_state = true;
      continue;
    }
    if (spked_keyword(line, "Sphere Size", &value)) {
      full_sphere = !value.empty() && (value[0] == 'F' || value[0] == 'f');
    } else if (spked_keyword(line, "Frequency (Hz)", &value)) {
      int b = gdf_band_of(value);
      if (b >= 0) band = b;
      if (band >= 0) bands[band].full = full_sphere;
    } else if (band < 0) {
      continue;  // values before any frequency belong to no band
    } else if (spked_keyword(line, "Sensitivity (1W-1M)", &value)) {
      record.sensitivity[band] = read_float(value);
    } else if (spked_keyword(line, "Impedance", &value)) {
      record.impedance[band] = int16_t(truncated_or(read_float(value), 0));
    } else if (spked_keyword(line, "MaxPower (W)", &value)) {
      record.rated_power[band] = read_float(value);
    } else if (spked_keyword(line, "Phi Inc", &value)) {
      polar_step = truncated_or(read_float(value), 0);
    } else if (spked_keyword(line, "Theta Inc", &value)) {
      int step = truncated_or(read_float(value), 0);
      if ((step != 5 && step != 10) || (polar_step != 5 && polar_step != 10)) {
        message(MSG_INCREMENT);
        return false;
      }
      int per_row = 180 / polar_step + 1;
      int rows = bands[band].full ? 360 / step : 180 / step + 1;
      bands[band].step = step;
      BandGrid& g = grids[band];
      for (int r = 0; r < rows && i + 1 < lines.size(); ++r) {
        const std::string& row_line = lines[++i];
        if (!spked_is_data_line(row_line)) continue;
        float values[POLAR];
        bool over = false;
        int n = spked_read_numbers(row_line, values, per_row, &over);
        if (over) {
          message(MSG_COLUMNS);
          return false;
        }
        float* row = g.level[r * step / 5];
        for (int k = 0; k < n; ++k) row[k * polar_step / 5] = -values[k];  // attenuations
        if (polar_step == 10) fill_odd_polar(row);
      }
      band_state = false;  // back to the header state, as after every row block
    }
  }
  int import_format = 0;
  for (int b = 0; b < SPK_BANDS; ++b) {
    BandGrid& g = grids[b];
    float m = normalise(g);
    if (m > 0.0f) record.sensitivity[b] += m;
    if (bands[b].step == 10) fill_odd_azimuths(g, bands[b].full ? 70 : 36, bands[b].full);
    mirror(g, bands[b].full ? 1 : 2);
    if (record.sensitivity[b] != 0.0f && bands[b].step)
      import_format = bands[b].full ? (bands[b].step == 5 ? 1 : 4) : (bands[b].step == 5 ? 3 : 2);
  }
  finish_record(grids, record, import_format);
  return true;
}

// ---- ONF ----

namespace {

struct OnfError {
  const char* text;
};

// A name field: at most size - 1 characters, bytes below '!' become NUL
// (blanks too, or only control characters for the comment).
void onf_name(char* field, size_t size, const std::string& value, bool keep_blanks) {
  spked_set_text_field(field, size, value);
  for (size_t i = 0; i < size; ++i) {
    unsigned char c = static_cast<unsigned char>(field[i]);
    if (keep_blanks ? c < ' ' : c < '!') field[i] = '\0';
  }
}

class OnfReader {
 public:
  OnfReader(const std::vector<std::string>& lines) : lines_(lines) {}
  bool at_end() const { return next_ >= lines_.size(); }
  // The next line's value after keyword, or the error.
  std::string expect(const char* keyword, const char* missing) {
    if (at_end() || !spked_keyword(lines_[next_], keyword, &value_)) throw OnfError{missing};
    ++next_;
    return value_;
  }
  const std::string* next_line() { return at_end() ? nullptr : &lines_[next_++]; }

 private:
  const std::vector<std::string>& lines_;
  size_t next_ = 0;
  std::string value_;
};

// A measuring condition of at least 0.001: a smaller one (0, negative, not
// finite) would turn the levels into an absurd sensitivity, so the file
// is refused.
struct OnfCondition {
  const char* keyword;
  const char* missing;
  const char* too_small;
};
const OnfCondition ONF_VOLTAGE{"Ueff:", "Spannungsangabe fehlt", "Spannungsangabe ungültig, muß mindestens 0.001 V sein"};
const OnfCondition ONF_IMPEDANCE{"IMPEDANCE:", "Impedanz fehlt", "Impedanz ungültig, muß mindestens 0.001 Ohm sein"};
const OnfCondition ONF_DISTANCE{"DISTANCE:", "Meßdistanz fehlt", "Meßdistanz ungültig, muß mindestens 0.001 m sein"};
constexpr float ONF_LEAST_CONDITION = 0.001f;

float read_condition(OnfReader& in, const OnfCondition& c) {
  std::string value = in.expect(c.keyword, c.missing);
  float v = 0.0f;
  if (std::sscanf(value.c_str(), "%f", &v) != 1) throw OnfError{c.missing};
  if (!std::isfinite(v) || v < ONF_LEAST_CONDITION) throw OnfError{c.too_small};
  return v;
}

int onf_band_of(const std::string& value) {
  static const char* const three[3] = {"125", "250", "500"};
  static const char* const four[4] = {"1000", "2000", "4000", "8000"};
  for (int b = 0; b < 3; ++b)
    if (value.compare(0, 3, three[b]) == 0) return b;
  for (int b = 0; b < 4; ++b)
    if (value.compare(0, 4, four[b]) == 0) return b + 3;
  return -1;
}

struct OnfBand {
  int sphere = 0;  // 1 full, 2 half, 4 quarter
  int step = 0;
  float voltage = 0, impedance = 0, distance = 0;
};

void read_onf_header(OnfReader& in, SpeakerRecord& record) {
  std::string value = in.expect("Device Class:", "Geräteklasse fehlt");
  char c = value.empty() ? '\0' : value[0];
  if (c != 'L' && c != 'l' && c != 'M' && c != 'm') throw OnfError{"Unbekannte Geräteklasse"};
  onf_name(record.type_name, sizeof record.type_name, in.expect("Device Name:", "Gerätename fehlt"), false);
  onf_name(record.manufacturer, sizeof record.manufacturer, in.expect("Manufacturer:", "Herstellerangabe fehlt"), false);
  onf_name(record.description, sizeof record.description, in.expect("Remark:", "Kommentarzeile fehlt"), true);
}

void read_onf_rows(OnfReader& in, BandGrid& g, const OnfBand& band, int rows) {
  int azimuth = 0;
  int per_row = band.step == 5 ? POLAR : 19;
  for (int r = 0; r < rows; ++r) {
    const std::string* line = in.next_line();
    if (!line) throw OnfError{"Falsche Zeilenzahl"};
    if (!spked_is_data_line(*line)) continue;
    float values[POLAR];
    bool over = false;
    int n = spked_read_numbers(*line, values, per_row, &over);
    if (over || n != per_row || azimuth >= AZIMUTH) throw OnfError{MSG_COLUMNS};
    float* row = g.level[azimuth];
    if (band.step == 5) {
      std::memcpy(row, values, sizeof values);
      azimuth += 1;
    } else {
      for (int k = 0; k < 19; ++k) row[2 * k] = values[k];
      fill_odd_polar(row);
      azimuth += 2;
    }
  }
  if (band.step == 10) {
    int last = band.sphere == 1 ? 70 : band.sphere == 2 ? 36 : 18;
    fill_odd_azimuths(g, last, band.sphere == 1);
  }
}

void read_onf_band(OnfReader& in, std::vector<BandGrid>& grids, OnfBand* bands) {
  int b = onf_band_of(in.expect("FREQUENCY:", "Frequenzangabe fehlt"));
  if (b < 0) throw OnfError{"Falsche Frequenzangabe"};
  OnfBand band;
  std::string sphere = in.expect("SPHERE SIZE:", "Abtastbereich undefiniert");
  char s = sphere.empty() ? '\0' : sphere[0];
  band.sphere = (s == 'F' || s == 'f') ? 1 : (s == 'H' || s == 'h') ? 2 : 4;
  std::string increment = in.expect("INCREMENT:", MSG_INCREMENT);
  float step = 0.0f;
  if (std::sscanf(increment.c_str(), "%f", &step) != 1) throw OnfError{MSG_INCREMENT};
  band.step = truncated_or(step, 0);
  if (band.step != 5 && band.step != 10) throw OnfError{MSG_INCREMENT};
  band.voltage = read_condition(in, ONF_VOLTAGE);
  band.impedance = read_condition(in, ONF_IMPEDANCE);
  band.distance = read_condition(in, ONF_DISTANCE);
  int rows = band.sphere == 1 ? 360 / band.step : band.sphere == 2 ? 180 / band.step + 1 : 90 / band.step + 1;
  std::memset(&grids[b], 0, sizeof grids[b]);
  read_onf_rows(in, grids[b], band, rows);
  bands[b] = band;
}

}  // namespace

bool spked_onf_to_record(const uint8_t* data, size_t size, SpeakerRecord& record) {
  record = SpeakerRecord{};
  std::vector<BandGrid> grids(SPK_BANDS);
  for (BandGrid& g : grids) std::memset(&g, 0, sizeof g);
  OnfBand bands[SPK_BANDS];
  std::vector<std::string> lines = spked_text_lines(data, size);
  OnfReader in(lines);
  try {
    read_onf_header(in, record);
    while (!in.at_end()) read_onf_band(in, grids, bands);
  } catch (const OnfError& e) {
    message(e.text);
    return false;
  }
  int largest_step = 0, smallest_sphere = 8;
  for (int b = 0; b < SPK_BANDS; ++b) {
    BandGrid& g = grids[b];
    float m = normalise(g);
    if (m > 0.0f && bands[b].sphere) {
      double power = double(bands[b].voltage) * bands[b].voltage / bands[b].impedance /
                     (double(bands[b].distance) * bands[b].distance);
      record.sensitivity[b] = float(m - 10.0 * std::log10(power));
      record.impedance[b] = int16_t(bands[b].impedance < 32767.0f ? bands[b].impedance : 32767.0f);
    }
    if (bands[b].sphere) mirror(g, bands[b].sphere);
    if (record.sensitivity[b] != 0.0f && bands[b].sphere) {
      largest_step = bands[b].step > largest_step ? bands[b].step : largest_step;
      smallest_sphere = bands[b].sphere < smallest_sphere ? bands[b].sphere : smallest_sphere;
    }
  }
  int import_format = 0;
  if (largest_step >= 10)
    import_format = smallest_sphere == 1 ? 4 : smallest_sphere == 2 ? 2 : smallest_sphere == 4 ? 6 : 0;
  else if (largest_step > 0)
    import_format = smallest_sphere == 1 ? 1 : smallest_sphere == 2 ? 3 : smallest_sphere == 4 ? 5 : 0;
  finish_record(grids, record, import_format);
  return true;
}
