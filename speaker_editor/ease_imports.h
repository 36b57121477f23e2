// EASE loudspeaker data: the 2.x catalog of fixed 4096-byte records with
// 10-degree half balloons, and the 3.x speaker file with its balloon file.
#pragma once
#include <cstddef>
#include <cstdint>

struct SpeakerRecord;

constexpr size_t SPKED_LSP_RECORD_BYTES = 4096;
constexpr size_t SPKED_SPK_FILE_BYTES = 10520;
constexpr size_t SPKED_LOB_FILE_BYTES = 118038;

// One catalog record into a new record (efficiencies above 50 % are
// reported per band and kept).
void spked_convert_lsp_record(const uint8_t* entry, SpeakerRecord& record);
// Appends every full record of a catalog to the table; the number appended.
int spked_import_lsp_bytes(const uint8_t* data, size_t size);
// A 3.x speaker and its balloon into a new record; false, with the
// message, when either file is too short.
bool spked_spk_to_record(const uint8_t* spk, size_t spk_size, const uint8_t* lob, size_t lob_size,
                         SpeakerRecord& record);
