// Materials: the 256-byte material record, the project's material table and
// the loaded absorber database, the absorber database file and the
// operations that keep the project table consistent with the room faces.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr int MAX_MATERIALS = 200;
constexpr int MATERIAL_BANDS = 7;            // 125 Hz ... 8 kHz
constexpr int MATERIAL_RECORD_BYTES = 256;
constexpr int MATERIAL_TABLE_BYTES = 2 + MAX_MATERIALS * MATERIAL_RECORD_BYTES;  // 51202
constexpr int MATERIAL_NAME_CHARS = 21;      // what entry takes of the 23-byte field
constexpr int MATERIAL_TEXT_CHARS = 79;      // description and category
constexpr int ABSORBER_DB_HEADER_BYTES = 32;
constexpr const char* ABSORBER_DB_IDENT = "ORVANTE ABSORBER DATABASE V1.1";
constexpr const char* ABSORBER_DB_FILTER = "*.OAB|*.oab|";

// Same layout in memory and in every file; files are still read and written
// field by field (mat_encode_record / mat_decode_record).
struct MaterialRecord {
  char name[23];          // empty name = free slot
  char description[80];
  uint8_t reserved1[9];
  float absorption[MATERIAL_BANDS];
  uint8_t reserved2[8];
  char category[80];
  uint8_t reserved3[28];
};
static_assert(sizeof(MaterialRecord) == MATERIAL_RECORD_BYTES);
static_assert(offsetof(MaterialRecord, absorption) == 112);
static_assert(offsetof(MaterialRecord, category) == 148);

// Stored as a 16-bit count followed by the records (MATERIAL_TABLE_BYTES).
struct MaterialTable {
  int16_t count;
  MaterialRecord records[MAX_MATERIALS];
};

extern MaterialTable g_material_table;  // the project's materials; faces index into it
extern MaterialTable g_absorber_db;     // the loaded absorber database
extern char g_absorber_db_path[256];    // empty: no database loaded

// Record and table images.
void mat_encode_record(const MaterialRecord& record, uint8_t* out);
bool mat_decode_record(const uint8_t* in, MaterialRecord& record);
bool mat_record_valid(const MaterialRecord& record);
void mat_set_default(MaterialRecord& record);

// Project table.
void mat_reset_table();
int mat_add_from_database(int database_index);

// Absorber database file.
// cut: the file held more records than a table takes and only the first
// MAX_MATERIALS were read (only with AbsorberDbOverflow::keep_first).
enum class AbsorberDbStatus { ok, cannot_open, bad_ident, too_many, bad_record, read_error, cut };
enum class AbsorberDbOverflow { refuse, keep_first };
// keep: records with coefficients outside 0..1 (or not numbers) are taken as
// they stand, for an editor that has them corrected; refuse: such a record
// refuses the file (bad_record).
enum class AbsorberDbRange { refuse, keep };
AbsorberDbStatus mat_read_absorber_file(const char* path, MaterialTable& table,
                                        AbsorberDbOverflow overflow = AbsorberDbOverflow::refuse,
                                        AbsorberDbRange range = AbsorberDbRange::refuse);
// The whole file: header and count records.
std::vector<uint8_t> mat_absorber_file_bytes(const MaterialTable& table);
bool mat_write_absorber_file(const char* path, const MaterialTable& table);
bool mat_load_absorber_db(const char* path);
bool mat_save_absorber_db_to(const char* path);
