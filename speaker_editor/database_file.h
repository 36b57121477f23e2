// Speaker database files as the editor writes and reads them: the current
// version with the drawings embedded behind their records, and the
// conversion of files of the previous version (records only, drawings in
// side files named after the type).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum SpkedReadResult : int {
  SPKED_READ_OK = 0,
  SPKED_READ_CANNOT_OPEN,  // ends silently
  SPKED_READ_INVALID,      // not a speaker database
  SPKED_READ_OLD_VERSION,  // convert first
  SPKED_READ_DAMAGED,      // nothing taken over
  SPKED_READ_TABLE_FULL,   // the records that fitted were taken over
};

// The file bytes of the whole table; the stored drawing sizes of the table
// records are brought up to date on the way.
std::vector<uint8_t> spked_database_bytes();
// Writes the table under path through a temporary file, keeping the old
// file as path's "_old.OSB" backup; true when the new file is complete.
bool spked_write_database(const char* path);

// Reads a database file into the table, all or none (apart from the
// 500-record limit): `replace` empties the table first, else the records
// are appended. A file that is refused leaves the table as it was.
int spked_read_database(const char* path, bool replace);
int spked_read_database_bytes(const uint8_t* data, size_t size, bool replace);

// Converts a previous-version file in place. Side drawings are deleted only
// once the converted file has replaced the old one. False when nothing was
// converted or the new file could not be written (the old one is kept).
bool spked_convert_v130_database(const char* path);
