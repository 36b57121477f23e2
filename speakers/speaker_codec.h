// Scrambling codec of stored loudspeaker records. It works on the 19160-byte
// record image; bytes 71 (format) and 454..461 (checksums) stay in clear.
#pragma once
#include <cstddef>
#include <cstdint>

struct SpeakerRecord;

extern const uint8_t SDB_KEY_TABLE[32];

uint32_t sdb_scramble_bytes(uint8_t* data, size_t length, const uint8_t* key, int key_length, int encoding);
void sdb_encode_record(uint8_t* image);
int sdb_decode_record(uint8_t* image);
int sdb_decode_record_header(uint8_t* image);

// Clear record <-> scrambled image, in one step for the file readers and writers.
void sdb_encode_record_to(const SpeakerRecord& record, uint8_t* image);
int sdb_decode_record_from(SpeakerRecord& record, uint8_t* image);
