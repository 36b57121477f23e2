#include "speaker_editor/ease_imports.h"

#include <cmath>
#include <cstring>
#include <string>

#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/balloon_data.h"
#include "speaker_editor/import_common.h"
#include "speaker_editor/record_table.h"

namespace {

constexpr size_t LSP_BAND_BYTES = 508;
constexpr size_t LSP_FIRST_BAND = 548;
constexpr size_t LSP_BALLOON = 24;  // behind the band's first field
constexpr int LSP_ROWS = 19;
constexpr size_t SPK_FIRST_BAND = 188;
constexpr size_t SPK_BLOCK = 492;
constexpr size_t LOB_FIRST_BAND = 5394;
constexpr size_t LOB_BLOCK = 5364;
constexpr size_t LOB_BLOCK_HEAD = 36;
const char* const MSG_INVALID = "Ungültige Datei, kann nicht geladen werden !";

void warn_efficiency(int band) {
  std::string text = std::string("Check balloon and SPL at ") + SPKED_BAND_NAMES[band];
  ui_message_box(text.c_str(), "Efficiency exceeds 50% !", UI_MB_OK);
}

void text_field(char* field, size_t size, const uint8_t* from, size_t n) {
  std::memset(field, 0, size);
  std::memcpy(field, from, n < size - 1 ? n : size - 1);
  spked_strip_trailing_spaces(field);
}

// Values of a file that would leave the field's range are held at its edge.
int16_t to_i16(double v) {
  if (!(v > -32768.0)) return v > 0 ? 32767 : (std::isnan(v) ? 0 : -32768);
  return v >= 32767.0 ? 32767 : int16_t(v);
}

float finite_or_zero(float v) { return std::isfinite(v) ? v : 0.0f; }

// The catalog's half balloon: columns 0..18 from 270 through 0 to 90
// degrees and mirrored through 180 degrees; the 10-degree gaps filled
// by power means.
void lsp_balloon(const uint8_t* entry, SpeakerRecord& record) {
  std::memset(record.balloon, 225, sizeof record.balloon);
  for (int b = 0; b < SPK_BANDS; ++b) {
    const uint8_t* grid = entry + LSP_FIRST_BAND + LSP_BAND_BYTES * b + LSP_BALLOON;
    auto& band = record.balloon[b];
    for (int r = 0; r < LSP_ROWS; ++r) {
      for (int j = 0; j < LSP_ROWS; ++j) {
        uint8_t byte = spked_db_to_balloon_byte(-grid[r * LSP_ROWS + j] / 4.0f);
        band[2 * r][(54 + 2 * j) % 72] = byte;
        band[2 * r][54 - 2 * j] = byte;
      }
      uint8_t* ring = band[2 * r];
      for (int p = 1; p <= 69; p += 2) ring[p] = spked_average_balloon_bytes(ring[p - 1], ring[p + 1]);
      ring[71] = spked_average_balloon_bytes(ring[70], ring[0]);
    }
    for (int t = 1; t <= 35; t += 2)
      for (int p = 0; p < 72; ++p) band[t][p] = spked_average_balloon_bytes(band[t - 1][p], band[t + 1][p]);
  }
}

}  // namespace

void spked_convert_lsp_record(const uint8_t* entry, SpeakerRecord& record) {
  record = SpeakerRecord{};
  lsp_balloon(entry, record);
  text_field(record.manufacturer, sizeof record.manufacturer, entry + 10, 20);
  text_field(record.type_name, sizeof record.type_name, entry, 8);
  record.kind = 1;
  for (int b = 0; b < SPK_BANDS; ++b) {
    const uint8_t* band = entry + LSP_FIRST_BAND + LSP_BAND_BYTES * b;
    record.sensitivity[b] = le_get_u16(band) / 10.0f;
    record.efficiency[b] = to_i16(le_get_u16(band + 2));
    record.rated_power[b] = le_get_u16(band + 4);
    record.impedance[b] = band[8];
  }
  spked_store_directivity(record);
  spked_store_efficiencies(record, warn_efficiency);
  spked_mark_imported(record, 2);
}

int spked_import_lsp_bytes(const uint8_t* data, size_t size) {
  if (g_spked_table.count >= MAX_SPEAKER_TYPES) {
    ui_message_box(SPKED_MSG_TABLE_FULL, nullptr, UI_MB_OK);
    return 0;
  }
  size_t n = size / SPKED_LSP_RECORD_BYTES;
  if (g_spked_table.count + n > size_t(MAX_SPEAKER_TYPES))
    ui_message_box("Nicht genügend Speicherlatz für alle Datensätze", nullptr, UI_MB_OK);
  int appended = 0;
  for (size_t i = 0; i < n; ++i) {
    spked_convert_lsp_record(data + i * SPKED_LSP_RECORD_BYTES, g_spked_current);
    if (!spked_append_new_record()) break;
    ++appended;
  }
  return appended;
}

bool spked_spk_to_record(const uint8_t* spk, size_t spk_size, const uint8_t* lob, size_t lob_size,
                         SpeakerRecord& record) {
  if (spk_size < SPKED_SPK_FILE_BYTES || lob_size < SPKED_LOB_FILE_BYTES) {
    ui_message_box(MSG_INVALID, nullptr, UI_MB_OK);
    return false;
  }
  record = SpeakerRecord{};
  text_field(record.type_name, sizeof record.type_name, spk + 30, 8);
  text_field(record.manufacturer, sizeof record.manufacturer, spk + 46, 20);
  spked_mark_imported(record, 1);
  for (int b = 0; b < SPK_BANDS; ++b) {
    const uint8_t* used = spk + SPK_FIRST_BAND + 3 * SPK_BLOCK * b + SPK_BLOCK;
    double di = finite_or_zero(le_get_f32(used + 4));
    record.sensitivity[b] = finite_or_zero(le_get_f32(used + 8));
    record.rated_power[b] = finite_or_zero(le_get_f32(used + 16));
    record.impedance[b] = to_i16(finite_or_zero(le_get_f32(used + 20)));
    int16_t q = spked_q_field(std::pow(10.0, di / 10.0));
    record.q_factor[b] = q < 1 ? 1 : q;
    double efficiency = finite_or_zero(le_get_f32(used + 12)) * 100.0;
    record.efficiency[b] = to_i16(efficiency < 0 ? 0 : efficiency);
  }
  for (int b = 0; b < SPK_BANDS; ++b) {
    const uint8_t* grid = lob + LOB_FIRST_BAND + 3 * LOB_BLOCK * b + LOB_BLOCK + LOB_BLOCK_HEAD;
    for (int p = 0; p < 72; ++p)
      for (int t = 0; t < 37; ++t) {
        int16_t v = int16_t(le_get_u16(grid + 2 * (37 * p + t)));
        record.balloon[b][t][p] = spked_db_to_balloon_byte(v / -100.0f);
      }
  }
  return true;
}
