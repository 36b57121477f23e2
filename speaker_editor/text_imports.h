// GDF and ONF loudspeaker files: keyword text with per-band level grids
// of 5 or 10 degrees, normalised to each band's maximum and turned into
// the record's balloon, Q and efficiency.
#pragma once
#include <cstddef>
#include <cstdint>

struct SpeakerRecord;

// Builds a record from the file's bytes; false (with the message shown,
// where the format has one) when the file gives no record.
bool spked_gdf_to_record(const uint8_t* data, size_t size, SpeakerRecord& record);
bool spked_onf_to_record(const uint8_t* data, size_t size, SpeakerRecord& record);
