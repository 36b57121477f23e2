#include "materials/material.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/ui_seam.h"
#include "materials/rt60_settings.h"

MaterialTable g_material_table;
MaterialTable g_absorber_db;
char g_absorber_db_path[256];

namespace {

void put_f32(uint8_t* out, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

float get_f32(const uint8_t* in) {
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(in[i]) << (8 * i);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

// Text fields come from files: whatever they hold, they end inside the field.
void copy_text(char* field, size_t size, const uint8_t* in) {
  std::memcpy(field, in, size);
  field[size - 1] = 0;
}

bool coefficient_valid(float value) { return value >= 0.0f && value <= 1.0f; }  // false for NaN

}  // namespace

// Record image of 256 bytes, little-endian, the same in project, undo and
// database files.
void mat_encode_record(const MaterialRecord& record, uint8_t* out) {
  std::memcpy(out + 0, record.name, sizeof record.name);
  std::memcpy(out + 23, record.description, sizeof record.description);
  std::memcpy(out + 103, record.reserved1, sizeof record.reserved1);
  for (int band = 0; band < MATERIAL_BANDS; ++band) put_f32(out + 112 + 4 * band, record.absorption[band]);
  std::memcpy(out + 140, record.reserved2, sizeof record.reserved2);
  std::memcpy(out + 148, record.category, sizeof record.category);
  std::memcpy(out + 228, record.reserved3, sizeof record.reserved3);
}

// Fills the record from a stored image; the texts are always terminated.
// False when a coefficient is outside 0..1 or not a number.
bool mat_decode_record(const uint8_t* in, MaterialRecord& record) {
  copy_text(record.name, sizeof record.name, in + 0);
  copy_text(record.description, sizeof record.description, in + 23);
  std::memcpy(record.reserved1, in + 103, sizeof record.reserved1);
  for (int band = 0; band < MATERIAL_BANDS; ++band) record.absorption[band] = get_f32(in + 112 + 4 * band);
  std::memcpy(record.reserved2, in + 140, sizeof record.reserved2);
  copy_text(record.category, sizeof record.category, in + 148);
  std::memcpy(record.reserved3, in + 228, sizeof record.reserved3);
  return mat_record_valid(record);
}

bool mat_record_valid(const MaterialRecord& record) {
  for (float value : record.absorption)
    if (!coefficient_valid(value)) return false;
  return true;
}

// The default material every new face carries: a full absorber. Bytes
// outside name, description and coefficients are left as they are.
void mat_set_default(MaterialRecord& record) {
  std::memset(record.name, 0, sizeof record.name);
  std::strcpy(record.name, "100%");
  std::memset(record.description, 0, sizeof record.description);
  std::strcpy(record.description, "Absorber 100%");
  for (float& value : record.absorption) value = 1.0f;
}

// Record 0 becomes the default material and the table holds only it; the
// measured reverberation times belong to the old room and go too.
void mat_reset_table() {
  mat_set_default(g_material_table.records[0]);
  g_material_table.count = 1;
  for (double& time : g_rt60_measured) time = 0.0;
}

// Database record -> project index. An equal name is reused as it stands;
// otherwise the last free slot seen, else a new record at the end; -1 when
// the table is full.
int mat_add_from_database(int database_index) {
  if (database_index < 0 || database_index >= g_absorber_db.count) return -1;
  const MaterialRecord& wanted = g_absorber_db.records[database_index];
  int count = g_material_table.count;
  if (count < 0) count = 0;
  if (count > MAX_MATERIALS) count = MAX_MATERIALS;
  int free_slot = -1;
  for (int i = 0; i < count; ++i) {
    const MaterialRecord& record = g_material_table.records[i];
    if (std::strcmp(record.name, wanted.name) == 0) return i;
    if (record.name[0] == 0) free_slot = i;
  }
  if (free_slot >= 0) {
    g_material_table.records[free_slot] = wanted;
    return free_slot;
  }
  if (count >= MAX_MATERIALS) return -1;
  g_material_table.records[count] = wanted;
  g_material_table.count = static_cast<int16_t>(count + 1);
  return count;
}

// Reads a whole absorber database into table. The table is only changed when
// the file is sound: identification, at most MAX_MATERIALS records, every
// record read in full with coefficients in 0..1 (unless range keeps other
// values). A trailing partial record is ignored.
AbsorberDbStatus mat_read_absorber_file(const char* path, MaterialTable& table, AbsorberDbOverflow overflow,
                                        AbsorberDbRange range) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return AbsorberDbStatus::cannot_open;
  static MaterialTable incoming;  // 51 KB: not on the stack
  AbsorberDbStatus status = AbsorberDbStatus::ok;
  uint8_t header[ABSORBER_DB_HEADER_BYTES];
  long size = -1;
  if (std::fread(header, 1, sizeof header, file) != sizeof header ||
      std::strncmp(reinterpret_cast<const char*>(header), ABSORBER_DB_IDENT, 31) != 0) {
    status = AbsorberDbStatus::bad_ident;
  } else if (std::fseek(file, 0, SEEK_END) != 0 || (size = std::ftell(file)) < ABSORBER_DB_HEADER_BYTES ||
             std::fseek(file, ABSORBER_DB_HEADER_BYTES, SEEK_SET) != 0) {
    status = AbsorberDbStatus::read_error;
  } else {
    long records = (size - ABSORBER_DB_HEADER_BYTES) / MATERIAL_RECORD_BYTES;
    bool cut = false;
    if (records > MAX_MATERIALS && overflow == AbsorberDbOverflow::keep_first) {
      records = MAX_MATERIALS;
      cut = true;
    }
    if (records > MAX_MATERIALS) {
      status = AbsorberDbStatus::too_many;
    } else {
      std::memset(&incoming, 0, sizeof incoming);
      incoming.count = static_cast<int16_t>(records);
      uint8_t image[MATERIAL_RECORD_BYTES];
      for (long k = 0; k < records && status == AbsorberDbStatus::ok; ++k) {
        if (std::fread(image, 1, sizeof image, file) != sizeof image)
          status = AbsorberDbStatus::read_error;
        else if (!mat_decode_record(image, incoming.records[k]) && range == AbsorberDbRange::refuse)
          status = AbsorberDbStatus::bad_record;
      }
      if (cut && status == AbsorberDbStatus::ok) status = AbsorberDbStatus::cut;
    }
  }
  std::fclose(file);
  if (status == AbsorberDbStatus::ok || status == AbsorberDbStatus::cut) table = incoming;
  return status;
}

std::vector<uint8_t> mat_absorber_file_bytes(const MaterialTable& table) {
  int count = table.count < 0 ? 0 : (table.count > MAX_MATERIALS ? MAX_MATERIALS : table.count);
  std::vector<uint8_t> bytes(ABSORBER_DB_HEADER_BYTES + size_t(count) * MATERIAL_RECORD_BYTES, 0);
  std::memcpy(bytes.data(), ABSORBER_DB_IDENT, std::strlen(ABSORBER_DB_IDENT));
  for (int k = 0; k < count; ++k)
    mat_encode_record(table.records[k], bytes.data() + ABSORBER_DB_HEADER_BYTES + size_t(k) * MATERIAL_RECORD_BYTES);
  return bytes;
}

// Writes identification and records; false when any byte did not reach the file.
bool mat_write_absorber_file(const char* path, const MaterialTable& table) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  std::vector<uint8_t> bytes = mat_absorber_file_bytes(table);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fflush(file) != 0) ok = false;
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

// Loads the database file as the design program's absorber database. A file
// that is refused leaves the loaded database as it was and says why.
bool mat_load_absorber_db(const char* path) {
  AbsorberDbStatus status = mat_read_absorber_file(path, g_absorber_db);
  if (status == AbsorberDbStatus::cannot_open) return false;
  if (status != AbsorberDbStatus::ok) {
    ui_message_box("Ungültige Datei, kann nicht geladen werden", nullptr, UI_MB_OK);
    return false;
  }
  std::snprintf(g_absorber_db_path, sizeof g_absorber_db_path, "%s", path);
  return true;
}

// Saves the loaded database under path; a failure is reported, the edits
// stay in memory. The remembered database path is not changed.
bool mat_save_absorber_db_to(const char* path) {
  if (mat_write_absorber_file(path, g_absorber_db)) return true;
  ui_message_box("Kann Datei nicht speichern -Schreibschutz?", nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION);
  return false;
}
