// What every loudspeaker import shares: the per-band directivity factor and
// efficiency with the 50 % check, the head fields of an imported record and
// the text helpers of the keyword formats.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "speakers/speaker_record.h"

extern const char* const SPKED_MSG_TABLE_FULL;  // "Datenbank kann max. 500 LS enthalten"
extern const char* const SPKED_BAND_NAMES[SPK_BANDS];  // "125 Hz" ... "8 kHz"

// Q x 10 of every band from the record's balloon.
void spked_store_directivity(SpeakerRecord& record);
// Efficiency of a band from its sensitivity and stored Q, in tenths of a
// per cent (0 without a sensitivity). Computed in double and held in range.
int16_t spked_band_efficiency_field(const SpeakerRecord& record, int band);
// Efficiencies of all bands and the band mask of those at most 50 %; a
// band above calls `warn` with its index.
void spked_store_efficiencies(SpeakerRecord& record, void (*warn)(int band));
// Byte 71, kind and import format of an imported record.
void spked_mark_imported(SpeakerRecord& record, int import_format);

// Lines of a text with CR and LF stripped.
std::vector<std::string> spked_text_lines(const uint8_t* data, size_t size);
// True when line starts with keyword (case ignored); value is then the text
// one character behind it, empty when the line ends there.
bool spked_keyword(const std::string& line, const char* keyword, std::string* value = nullptr);
bool spked_is_number_char(char c);
bool spked_is_data_line(const std::string& line);
// The numbers of a line, at most `limit`; `over` is set when more follow.
int spked_read_numbers(const std::string& line, float* out, int limit, bool* over);
// Copies text into a NUL-padded field of `size` bytes, at most size - 1 characters.
void spked_set_text_field(char* field, size_t size, const std::string& text);
void spked_strip_trailing_spaces(char* text);
// 10 log10 of the mean power of two levels in dB, never below -30 dB.
float spked_power_mean_db(float a, float b);
