// Speaker database files (".OSB", versions 1.1, 130 and 140): the index of
// the open database, the loading of types into the project's type table and
// the selection dialog that fills the type-head buffer.
#pragma once
#include <cstdint>
#include <cstdio>

#include "speakers/speaker_record.h"

struct PlacedSpeaker;

constexpr int MAX_DB_INDEX = 512;
constexpr int SDB_HEADER_SIZE = 32;
// The largest database the format allows: the header and as many records as
// the index holds, each followed by the largest shape one block can carry
// (5400 nodes, 32760 elements, in up to 64 chunks). A larger file is refused
// before it is read.
constexpr long long SDB_MAX_SHAPE_BYTES = 64 * 48 + 5400 * 12 + 32760 * 4;
constexpr long long SDB_MAX_FILE_BYTES = SDB_HEADER_SIZE + 512LL * (19160 + SDB_MAX_SHAPE_BYTES);
constexpr int SDB_PATH_SIZE = 128;

enum SpeakerDbVersion : int { SDB_VERSION_NONE = 0, SDB_VERSION_11 = 11, SDB_VERSION_130 = 130, SDB_VERSION_140 = 140 };

extern const char SDB_ID_V140[];  // "ORVANTE SPEAKER DATABASE V140"
extern const char SDB_ID_V130[];
extern const char SDB_ID_V11[];

struct SpeakerDbIndex {
  char path[SDB_PATH_SIZE];  // empty = no database loaded
  uint16_t count;
  char names[MAX_DB_INDEX][10];
  uint32_t record_offsets[MAX_DB_INDEX];
  uint32_t shape_offsets[MAX_DB_INDEX];  // 0 = none
};

extern SpeakerDbIndex g_sdb_index;
extern int g_sdb_version;                       // SpeakerDbVersion of the open database
extern SpeakerHead g_type_head;                 // head of the type last shown by the dialog
extern int g_sdb_current_selection;             // of the selection dialog, kept between calls

int sdb_open_path(const char* path);
int sdb_index_v140(FILE* file, long file_size);
int sdb_load_type(int slot, const char* type_name);
int sdb_find_or_load_type(PlacedSpeaker* ps, const char* type_name);
int sdb_read_type_head(int index);

// Windows only (speaker_db_win.cpp).
void sdb_cmd_open();
int sdb_select_type(int preselected, int* chosen);
