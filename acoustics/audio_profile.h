// Audio profiles: the arrivals at a receiver (delay, relative amplitude,
// direction) with per-band trailer values, as the auralisation reads them.
// The user profile (".OAP", one trailer) and the temporary profile of a
// playback (three trailers) are built from the ray-path objects and the
// echogram buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct EchogramBuffer;
class ByteWriter;

constexpr const char* PROFILE_IDENT = "ORVANTE AUDIO X-MORPHA FILE V2.00";
constexpr int PROFILE_IDENT_BYTES = 40;
constexpr int PROFILE_DESCRIPTION_BYTES = 80;
constexpr int PROFILE_HEADER_BYTES = 132;
constexpr int PROFILE_RECORD_BYTES = 44;
constexpr int PROFILE_MAX_IMPULSES = 10000;
constexpr int PROFILE_MAX_TRAILERS = 3;
constexpr const char* PROFILE_MSG_NOT_WRITABLE = "Datei kann nicht auf Laufwerk geschrieben werden";

struct ProfileImpulse {
  float delay_ms;
  float amplitude;
  float direction[3];
};

struct AudioProfile {
  std::string description;  // at most 79 characters
  float angle = 0.0f;       // horizontal listening angle, degrees
  std::vector<ProfileImpulse> impulses;
  int trailer_count = 0;
  float trailers[PROFILE_MAX_TRAILERS][7] = {};  // band response, decay times, late/early ratios
};

// The band response of the path set from phasor sums at 21 frequencies.
struct FreqResponse {
  double magnitude[7];  // largest 1.0
  double weight[7];     // sum 1
  double largest;       // the largest weighted path level
};
void etc_compute_frequency_response(FreqResponse& r);

// From the ray-path objects and the echogram buffer.
void profile_build_user(const EchogramBuffer& e, AudioProfile& out);
void profile_build_temp(const EchogramBuffer& e, AudioProfile& out);

void profile_encode(const AudioProfile& p, ByteWriter& out);
// The identification of a profile header (at least 40 bytes).
bool profile_has_identification(const uint8_t* data, size_t size);
// Header, at most 10000 impulse records that the data holds, then up to
// three trailers. Records whose delay or amplitude is negative or not a
// number are dropped. False when the data is shorter than the header.
bool profile_decode(const uint8_t* data, size_t size, AudioProfile& out);

// Writes the whole file and checks every step; false when anything failed
// (a half-written file is removed).
bool profile_write_file(const char* path, const AudioProfile& p);
// Start-up folder + the tick count + ".tmp", with a separator between.
void profile_temp_name(char* out, size_t size, const char* folder, uint32_t ticks);
