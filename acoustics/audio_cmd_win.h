// The auralisation commands 5030-5035 of the calculation menu: choosing the
// audio profile and the input recording, processing it into the output
// file, playing input and output, and the real-time playback through the
// wave-out device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "acoustics/wav_file.h"

constexpr int AUDIO_CMD_PROFILE = 5030;
constexpr int AUDIO_CMD_INPUT = 5031;
constexpr int AUDIO_CMD_PROCESS = 5032;
constexpr int AUDIO_CMD_PLAY_INPUT = 5033;
constexpr int AUDIO_CMD_PLAY_OUTPUT = 5034;
constexpr int AUDIO_CMD_REALTIME = 5035;
constexpr const char* AUDIO_MSG_NO_SOUND = "Sound Ausgang nicht verfügbar";
// With the output path in place of %s.
constexpr const char* AUDIO_MSG_INPUT_IS_OUTPUT =
    "Die WAV-Eingangsdatei ist zugleich die Ausgabedatei der Auralisation:\n%s\n"
    "Bitte eine andere Eingangsdatei oder ein anderes Audio-Profil wählen.";

void audio_command(int id);
bool audio_has_input_wav();
bool audio_has_profile();
const char* audio_get_profile_path();
void audio_set_profile_path(const char* path);  // also sets the output path
// Takes a recording as the input when it is a 16-bit mono PCM file (its
// rate becomes the working rate); says why not otherwise.
bool audio_set_input_wav(const char* path);
const char* audio_input_path();
const char* audio_output_path();

// RIFF WAVE through the system's multimedia I/O.
int audio_mmio_read(const char* path, WavFormat& format, std::vector<int16_t>& samples);
bool audio_mmio_write(const char* path, const WavFormat& format, const int16_t* samples, size_t count);

// What the last real-time playback did, for tests.
struct AudioPlaybackReport {
  int device_opened;
  unsigned long blocks_queued, blocks_done;
};
AudioPlaybackReport audio_last_playback();
// The file last given to the asynchronous player, for tests.
const char* audio_last_played_file();
