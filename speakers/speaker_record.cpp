#include "speakers/speaker_record.h"

#include <cmath>
#include <cstring>
#include <new>

SpeakerTypeTable g_speaker_types;

namespace {

// Little-endian field writers and readers over a byte image.
class ImageWriter {
 public:
  explicit ImageWriter(uint8_t* out) : p_(out) {}
  void bytes(const void* src, size_t n) { std::memcpy(p_, src, n); p_ += n; }
  void u8(uint8_t v) { *p_++ = v; }
  void u16(uint16_t v) { u8(v & 0xFF); u8(v >> 8); }
  void u32(uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
  void f32(float v) { uint32_t u; std::memcpy(&u, &v, 4); u32(u); }
  void zeros(size_t n) { std::memset(p_, 0, n); p_ += n; }
 private:
  uint8_t* p_;
};

class ImageReader {
 public:
  explicit ImageReader(const uint8_t* in) : p_(in) {}
  void bytes(void* dst, size_t n) { std::memcpy(dst, p_, n); p_ += n; }
  uint8_t u8() { return *p_++; }
  uint16_t u16() { uint16_t lo = u8(); return static_cast<uint16_t>(lo | (u8() << 8)); }
  uint32_t u32() { uint32_t lo = u16(); return lo | (static_cast<uint32_t>(u16()) << 16); }
  float f32() { uint32_t u = u32(); float v; std::memcpy(&v, &u, 4); return v; }
  void skip(size_t n) { p_ += n; }
 private:
  const uint8_t* p_;
};

// Text fields are kept NUL-terminated in memory whatever a file held.
void terminate(char* text, size_t size) { text[size - 1] = '\0'; }

// The 200 bytes shared with the older record layout.
void read_common_head(SpeakerHead& h, ImageReader& r) {
  r.bytes(h.manufacturer, sizeof h.manufacturer);
  r.bytes(h.type_name, sizeof h.type_name);
  r.bytes(h.description, sizeof h.description);
  terminate(h.manufacturer, sizeof h.manufacturer);
  terminate(h.type_name, sizeof h.type_name);
  terminate(h.description, sizeof h.description);
  h.format = r.u8();
  h.kind = static_cast<int16_t>(r.u16());
  h.crossover_mask = r.u16();
  for (float& v : h.sensitivity) v = r.f32();
  for (float& v : h.rated_power) v = r.f32();
  h.import_format = static_cast<int16_t>(r.u16());
  h.band_mask = r.u16();
  h.balloon_file_mask = r.u16();
  h.band_mask_copy = r.u16();
  r.bytes(h.reserved140, sizeof h.reserved140);
  for (int16_t& v : h.q_factor) v = static_cast<int16_t>(r.u16());
  for (int16_t& v : h.efficiency) v = static_cast<int16_t>(r.u16());
  for (int16_t& v : h.impedance) v = static_cast<int16_t>(r.u16());
  r.skip(8);  // the two in-memory pointer slots
  h.balloon_link = nullptr;
  h.symbol = nullptr;
  h.shape_ref = static_cast<int32_t>(r.u32());
}

}  // namespace

SpeakerRecord* spk_record_alloc() {
  SpeakerRecord* record = new (std::nothrow) SpeakerRecord();
  return record;
}

void spk_record_free(SpeakerRecord* record) { delete record; }

void spk_free_type_table() {
  for (SpeakerRecord*& record : g_speaker_types.records) {
    spk_record_free(record);
    record = nullptr;
  }
  g_speaker_types.count = 0;
}

void spk_head_to_bytes(const SpeakerHead& h, uint8_t* out) {
  ImageWriter w(out);
  w.bytes(h.manufacturer, sizeof h.manufacturer);
  w.bytes(h.type_name, sizeof h.type_name);
  w.bytes(h.description, sizeof h.description);
  w.u8(h.format);
  w.u16(static_cast<uint16_t>(h.kind));
  w.u16(h.crossover_mask);
  for (float v : h.sensitivity) w.f32(v);
  for (float v : h.rated_power) w.f32(v);
  w.u16(static_cast<uint16_t>(h.import_format));
  w.u16(h.band_mask);
  w.u16(h.balloon_file_mask);
  w.u16(h.band_mask_copy);
  w.bytes(h.reserved140, sizeof h.reserved140);
  for (int16_t v : h.q_factor) w.u16(static_cast<uint16_t>(v));
  for (int16_t v : h.efficiency) w.u16(static_cast<uint16_t>(v));
  for (int16_t v : h.impedance) w.u16(static_cast<uint16_t>(v));
  w.zeros(8);  // pointers mean nothing outside this process
  w.u32(static_cast<uint32_t>(h.shape_ref));
  w.bytes(h.owner, sizeof h.owner);
  w.u32(h.checksum_total);
  w.u32(h.checksum_key);
  w.bytes(h.key_lead, sizeof h.key_lead);
  w.bytes(h.record_key, sizeof h.record_key);
  w.u32(h.time_stamp1);
  w.u32(h.time_stamp2);
  w.bytes(h.key_tail, sizeof h.key_tail);
}

void spk_head_from_bytes(SpeakerHead& h, const uint8_t* in) {
  ImageReader r(in);
  read_common_head(h, r);
  r.bytes(h.owner, sizeof h.owner);
  h.checksum_total = r.u32();
  h.checksum_key = r.u32();
  r.bytes(h.key_lead, sizeof h.key_lead);
  r.bytes(h.record_key, sizeof h.record_key);
  terminate(h.record_key, sizeof h.record_key);
  h.time_stamp1 = r.u32();
  h.time_stamp2 = r.u32();
  r.bytes(h.key_tail, sizeof h.key_tail);
}

void spk_record_to_bytes(const SpeakerRecord& record, uint8_t* out) {
  spk_head_to_bytes(record, out);
  std::memcpy(out + SPK_OFS_BALLOON, record.balloon, SPK_BALLOON_SIZE);
}

void spk_record_from_bytes(SpeakerRecord& record, const uint8_t* in) {
  spk_head_from_bytes(record, in);
  std::memcpy(record.balloon, in + SPK_OFS_BALLOON, SPK_BALLOON_SIZE);
}

// Older records hold the 200-byte head and 36 rows per band; the missing
// 180-degree row repeats row 35. The rest of the head stays zero except the
// format byte, which marks the record as upgraded.
void spk_record_from_v11_bytes(SpeakerRecord& record, const uint8_t* in) {
  SpeakerRecord* blank = &record;
  *static_cast<SpeakerHead*>(blank) = SpeakerHead{};
  ImageReader r(in);
  read_common_head(record, r);
  record.format = SPK_RECORD_FORMAT;
  const uint8_t* band_data = in + SPK_V11_HEAD_SIZE;
  for (int b = 0; b < SPK_BANDS; ++b) {
    std::memcpy(record.balloon[b], band_data, SPK_V11_BALLOON_ROWS * SPK_BALLOON_COLS);
    std::memcpy(record.balloon[b][SPK_V11_BALLOON_ROWS], record.balloon[b][SPK_V11_BALLOON_ROWS - 1],
                SPK_BALLOON_COLS);
    band_data += SPK_V11_BALLOON_ROWS * SPK_BALLOON_COLS;
  }
}

double spk_balloon_byte_to_db(int b) { return (b - 225) / 5.0; }

double spk_balloon_byte_to_power(int b) { return std::pow(10.0, ((b - 225) / 5.0) / 10.0); }

uint8_t spk_db_to_balloon_byte(double db) {
  double v = db * 5.0 + 225.0;
  if (!(v > 0.0)) return 0;  // also catches NaN
  v = std::floor(v + 0.5);
  return v >= 255.0 ? 255 : static_cast<uint8_t>(v);
}
