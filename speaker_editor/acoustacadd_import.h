// AcoustaCadd loudspeaker data: a 256-byte parameter file per device and
// seven balloon files in "BALLOONS" beside it. A horn and its driver, kept
// in two parameter files, are read one after the other into one record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct SpeakerRecord;

constexpr size_t SPKED_ACOUSTACADD_PARAMETER_BYTES = 256;
constexpr size_t SPKED_ACOUSTACADD_BALLOON_BYTES = 151 + 2592 * 2;

// Where a horn and a driver stand between two readings of the dialog.
struct AcoustaCaddPairing {
  bool driver_pending;
  bool horn_pending;
  bool pair_open;
  std::string horn_path;
};
extern AcoustaCaddPairing g_spked_acoustacadd_pairing;
void spked_reset_acoustacadd_pairing();

int spked_acoustacadd_rated_power(int power_code);
const char* spked_acoustacadd_manufacturer(char first_letter);  // null: none
// Fills the head from a parameter file read from `path`; `path` becomes the
// horn's when a driver completes a pair (its balloons are the horn's).
void spked_read_acoustacadd_parameters(const uint8_t* bytes, SpeakerRecord& record, std::string& path);
// "X\\Y.SPK" -> "X\\BALLOONS\\Y.B01" and so on, band 0..6.
std::string spked_acoustacadd_balloon_path(const std::string& parameter_path, int band);
// The balloon, Q and efficiency from the balloon files of the parameter
// file; a missing or short file leaves its band without data.
void spked_build_acoustacadd_balloon(SpeakerRecord& record, const std::string& parameter_path);
