#include "acoustics/audio_cmd_win.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "acoustics/audio_engine.h"
#include "acoustics/audio_profile.h"
#include "framework/file_ext.h"
#include "framework/filesel_win.h"
#include "framework/last_folders.h"
#include "framework/le_bytes.h"
#include "framework/progress_win.h"
#include "framework/ui_seam.h"

namespace {

constexpr int PATH_CHARS = 2 * FILESEL_BUFFER;
constexpr int BUFFERS = 3;
constexpr uint32_t PROGRESS_MS = 100;
constexpr uint32_t FIRST_FILL_LIMIT_MS = 350;
constexpr size_t PROFILE_MAX_BYTES = PROFILE_HEADER_BYTES + (PROFILE_MAX_IMPULSES + 1000) * PROFILE_RECORD_BYTES;

struct AudioCommandState {
  char input[PATH_CHARS];
  char profile[PATH_CHARS];
  char output[PATH_CHARS];
  char played[PATH_CHARS];  // the file last given to the player
  double fs = AUDIO_REALTIME_RATE;
  int busy;
  AudioPlaybackReport report;
};
AudioCommandState g_audio = {};

// Set by the wave-out callback on the system's audio thread, read by the
// command's loop.
std::atomic<int> g_buffer_done[BUFFERS];

void show(const char* text, const char* caption = nullptr, unsigned flags = UI_MB_OK | UI_MB_ICONEXCLAMATION) {
  ui_message_box(text, caption, flags);
}

void copy_path(char* out, const char* text) { std::snprintf(out, PATH_CHARS, "%s", text ? text : ""); }

void chosen_path(char* out) { std::snprintf(out, PATH_CHARS, "%s%s", filedlg_directory(), filedlg_file_title()); }

void remember_folder() { std::snprintf(g_history_folders[FOLDER_AUDIO], HISTORY_PATH_CHARS, "%s", filedlg_directory()); }

bool same_file(const char* a, const char* b) {
  char full_a[MAX_PATH], full_b[MAX_PATH];
  if (!GetFullPathNameA(a, MAX_PATH, full_a, nullptr)) copy_path(full_a, a);
  if (!GetFullPathNameA(b, MAX_PATH, full_b, nullptr)) copy_path(full_b, b);
  return lstrcmpiA(full_a, full_b) == 0;
}

const char* wav_message(int status) {
  switch (status) {
    case WAV_CANNOT_READ: return WAV_MSG_CANNOT_READ;
    case WAV_NOT_MONO16: return WAV_MSG_NOT_MONO16;
    default: return WAV_MSG_UNKNOWN;
  }
}

// --- RIFF files ------------------------------------------------------------

int read_riff(HMMIO file, WavFormat& format, std::vector<int16_t>& samples) {
  MMCKINFO riff{};
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  if (mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return WAV_CANNOT_READ;
  MMCKINFO chunk{};
  chunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
  if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR || chunk.cksize < WAV_FMT_MIN_BYTES)
    return WAV_CANNOT_READ;
  uint8_t raw[16];
  if (mmioRead(file, reinterpret_cast<HPSTR>(raw), sizeof raw) != LONG(sizeof raw)) return WAV_CANNOT_READ;
  format = WavFormat{le_get_u16(raw), le_get_u16(raw + 2), le_get_u32(raw + 4), le_get_u32(raw + 8),
                     le_get_u16(raw + 12), le_get_u16(raw + 14)};
  if (!wav_is_mono16(format)) return WAV_NOT_MONO16;
  mmioAscend(file, &chunk, 0);
  chunk = MMCKINFO{};
  chunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
  if (mmioDescend(file, &chunk, &riff, MMIO_FINDCHUNK) != MMSYSERR_NOERROR) return WAV_CANNOT_READ;
  try {
    samples.resize(chunk.cksize / 2);
  } catch (const std::bad_alloc&) {
    return WAV_CANNOT_READ;
  }
  // A data chunk that claims more than the file holds gives what is there.
  LONG got = samples.empty() ? 0 : mmioRead(file, reinterpret_cast<HPSTR>(samples.data()), LONG(samples.size() * 2));
  if (got < 0) return WAV_CANNOT_READ;
  samples.resize(size_t(got) / 2);
  return WAV_OK;
}

struct WavWriter {
  HMMIO file = nullptr;
  MMCKINFO riff{}, data{};
  bool failed = false;
};

bool writer_open(WavWriter& w, const char* path, const WavFormat& f) {
  w = WavWriter{};
  w.file = mmioOpenA(const_cast<char*>(path), nullptr, MMIO_CREATE | MMIO_WRITE | MMIO_ALLOCBUF);
  if (!w.file) return false;
  w.riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  MMCKINFO fmt{};
  fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
  fmt.cksize = 16;
  uint8_t raw[16];
  le_put_u16(raw, f.tag);
  le_put_u16(raw + 2, f.channels);
  le_put_u32(raw + 4, f.rate);
  le_put_u32(raw + 8, f.byte_rate);
  le_put_u16(raw + 12, f.block_align);
  le_put_u16(raw + 14, f.bits);
  w.data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  bool ok = mmioCreateChunk(w.file, &w.riff, MMIO_CREATERIFF) == MMSYSERR_NOERROR &&
            mmioCreateChunk(w.file, &fmt, 0) == MMSYSERR_NOERROR &&
            mmioWrite(w.file, reinterpret_cast<const char*>(raw), sizeof raw) == LONG(sizeof raw) &&
            mmioAscend(w.file, &fmt, 0) == MMSYSERR_NOERROR && mmioCreateChunk(w.file, &w.data, 0) == MMSYSERR_NOERROR;
  w.failed = !ok;
  return ok;
}

void writer_put(WavWriter& w, const int16_t* samples, size_t count) {
  if (w.failed || count == 0) return;
  LONG bytes = LONG(count * 2);
  if (mmioWrite(w.file, reinterpret_cast<const char*>(samples), bytes) != bytes) w.failed = true;
}

// Ascending fixes the chunk sizes to what was written, so that a stopped
// run still leaves a valid file.
bool writer_close(WavWriter& w) {
  if (!w.file) return false;
  bool ok = !w.failed && mmioAscend(w.file, &w.data, 0) == MMSYSERR_NOERROR &&
            mmioAscend(w.file, &w.riff, 0) == MMSYSERR_NOERROR;
  ok = mmioClose(w.file, 0) == MMSYSERR_NOERROR && ok;
  w.file = nullptr;
  return ok;
}

// --- profile ----------------------------------------------------------------

// Null with no profile chosen or one that cannot be read: the recording
// is then played dry.
bool load_profile(AudioProfile& profile) {
  if (!g_audio.profile[0]) return false;
  std::vector<uint8_t> bytes;
  return le_read_file(g_audio.profile, bytes, PROFILE_MAX_BYTES) && profile_decode(bytes.data(), bytes.size(), profile);
}

int read_impulses(AudioEngine& e, bool realtime) {
  AudioProfile profile;
  if (!load_profile(profile)) {
    audio_read_impulses(e, nullptr, realtime);
    show("Kein Audio Processing Profil geladen", "Spiele 'trocken'", UI_MB_OK);
    return int(e.taps.size());
  }
  return audio_read_impulses(e, &profile, realtime);
}

bool prepare_engine(AudioEngine& e, double fs, bool realtime) {
  if (!audio_alloc(e)) {
    show("Insufficient memory");
    return false;
  }
  e.fs = fs;
  audio_init_band_filters(e.filters, fs);
  read_impulses(e, realtime);
  audio_init_taps(e);
  return true;
}

void open_progress(size_t taps, bool with_count) {
  char title[64];
  if (with_count)
    std::snprintf(title, sizeof title, "Verarbeite %ld Impulse...", long(taps));
  else
    std::snprintf(title, sizeof title, "Verarbeite  Impulse...");
  progress_open(title, "0 %", "Abbrechen");
}

int show_progress(double percent) {
  char text[32];
  std::snprintf(text, sizeof text, "%1.2f %%", percent);
  return progress_update(int(percent), text);
}

void stop_sound() { PlaySoundA(nullptr, nullptr, 0); }

void play_file(const char* path) {
  stop_sound();
  copy_path(g_audio.played, path);
  if (path[0] && !PlaySoundA(path, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT)) show(AUDIO_MSG_NO_SOUND, nullptr, UI_MB_OK);
}

// --- offline ------------------------------------------------------------------

int process_to_file(AudioEngine& e, bool* cancelled) {
  WavFormat format{};
  std::vector<int16_t> input;
  int status = audio_mmio_read(g_audio.input, format, input);
  if (status != WAV_OK) return status;
  std::vector<int16_t> output(input.size());
  AudioOfflineRun run;
  int threads = int(std::max(1u, std::thread::hardware_concurrency()));
  if (!audio_offline_begin(run, e, input.data(), input.size(), output.data(), threads)) return -2;
  WavWriter writer;
  if (!writer_open(writer, g_audio.output, format)) {
    writer_close(writer);
    return -1;
  }
  uint32_t last = ui_tick_count();
  size_t written = 0;
  while (written < input.size()) {
    size_t done = audio_offline_step(run, e);
    writer_put(writer, output.data() + written, done - written);
    written = done;
    if (ui_tick_count() - last > PROGRESS_MS) {
      last = ui_tick_count();
      if (show_progress(100.0 * double(written) / double(input.size()))) {
        *cancelled = true;
        break;
      }
    }
  }
  return writer_close(writer) ? WAV_OK : -1;
}

// The output is named after the profile: a recording of the profile's name
// would be overwritten while it is read. Said before anything is prepared.
bool refuse_input_as_output() {
  if (!same_file(g_audio.input, g_audio.output)) return false;
  char text[PATH_CHARS + 160];
  std::snprintf(text, sizeof text, AUDIO_MSG_INPUT_IS_OUTPUT, g_audio.output);
  show(text);
  return true;
}

void cmd_process() {
  if (g_audio.busy || refuse_input_as_output()) return;
  AudioEngine e;
  if (!prepare_engine(e, g_audio.fs, false)) return;
  g_audio.busy = 1;
  open_progress(e.taps.size(), true);
  bool cancelled = false;
  int status = process_to_file(e, &cancelled);
  progress_close();
  if (status == -1)
    show(WAV_MSG_CANNOT_WRITE);
  else if (status == -2)
    show("Insufficient memory");
  else if (status != WAV_OK)
    show(wav_message(status));
  else if (!cancelled)
    play_file(g_audio.output);
  audio_free(e);
  g_audio.busy = 0;
}

// --- real time ------------------------------------------------------------------

void CALLBACK wave_done(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR header, DWORD_PTR) {
  if (message != WOM_DONE) return;
  auto* h = reinterpret_cast<WAVEHDR*>(header);
  g_buffer_done[h->dwUser].store(1);
}

struct WaveOut {
  HWAVEOUT device = nullptr;
  WAVEHDR headers[BUFFERS]{};
  std::vector<int16_t> data;
  size_t block = 0;
};

bool wave_open(WaveOut& w, double fs) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = DWORD(fs);
  format.wBitsPerSample = 16;
  format.nBlockAlign = 2;
  format.nAvgBytesPerSec = format.nSamplesPerSec * 2;
  w.block = size_t(fs / 5.0);
  w.data.assign(w.block * BUFFERS, 0);
  for (int i = 0; i < BUFFERS; ++i) {
    g_buffer_done[i].store(1);
    w.headers[i] = WAVEHDR{};
    w.headers[i].lpData = reinterpret_cast<LPSTR>(w.data.data() + size_t(i) * w.block);
    w.headers[i].dwBufferLength = DWORD(w.block * 2);
    w.headers[i].dwUser = DWORD_PTR(i);
    w.headers[i].dwFlags = WHDR_DONE;
  }
  if (waveOutOpen(&w.device, WAVE_MAPPER, &format, DWORD_PTR(wave_done), 0, CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
    w.device = nullptr;
    return false;
  }
  for (WAVEHDR& h : w.headers) waveOutPrepareHeader(w.device, &h, sizeof h);
  return true;
}

void wave_queue(WaveOut& w, int i) {
  g_buffer_done[i].store(0);
  g_audio.report.blocks_queued += 1;
  waveOutWrite(w.device, &w.headers[i], sizeof w.headers[i]);
}

void wave_close(WaveOut& w) {
  if (!w.device) return;
  waveOutReset(w.device);
  for (WAVEHDR& h : w.headers) waveOutUnprepareHeader(w.device, &h, sizeof h);
  waveOutClose(w.device);
  w.device = nullptr;
}

int16_t* block_of(WaveOut& w, int i) { return w.data.data() + size_t(i) * w.block; }

// Waits for a free buffer while keeping the progress box alive; -1 on cancel.
int wait_for_buffer(size_t queued, size_t blocks) {
  for (;;) {
    for (int i = 0; i < BUFFERS; ++i)
      if (g_buffer_done[i].load()) {
        g_audio.report.blocks_done += 1;
        return i;
      }
    double percent = blocks ? std::min(100.0, double(queued) * 100.0 / double(blocks)) : 100.0;
    if (show_progress(percent)) return -1;
    Sleep(5);
  }
}

// The next block: the input while it lasts (the block that reaches its end
// is completed with processed silence), then 20 blocks of processed
// silence so that the reverberation dies away. False when all are played.
struct BlockSource {
  AudioEngine& engine;
  AudioStream& stream;
  WaveOut& out;
  bool input_left = true;
  int tail = AUDIO_TAIL_BLOCKS;
  bool fill(int i) {
    if (!input_left && tail-- <= 0) return false;
    bool more = audio_fill_block(engine, stream, block_of(out, i), out.block);
    input_left = input_left && more;
    return true;
  }
};

void play_stream(AudioEngine& e, AudioStream& stream, WaveOut& w) {
  size_t blocks = audio_realtime_block_count(stream.input.size(), e.fs, w.block);
  BlockSource source{e, stream, w};
  uint32_t start = ui_tick_count();
  source.fill(0);
  source.fill(1);
  if (ui_tick_count() - start > FIRST_FILL_LIMIT_MS)
    show("Audio kann nicht kontinuierlich wiedergegeben werden", "Rechnergeschwindigkeit unzureichend", UI_MB_OK);
  wave_queue(w, 0);
  wave_queue(w, 1);
  source.fill(2);
  wave_queue(w, 2);
  size_t queued = 3;
  for (;;) {
    int i = wait_for_buffer(queued, blocks);
    if (i < 0 || !source.fill(i)) break;
    wave_queue(w, i);
    queued += 1;
  }
  // The last blocks play out before the device is reset (unless cancelled).
  for (int i = 0; i < BUFFERS; ++i)
    while (!g_buffer_done[i].load()) {
      if (show_progress(100.0)) return;
      Sleep(5);
    }
}

void cmd_realtime() {
  if (g_audio.busy) return;
  g_audio.report = AudioPlaybackReport{};
  if (!g_audio.input[0]) return;
  AudioEngine e;
  double remembered = g_audio.fs;
  if (!prepare_engine(e, AUDIO_REALTIME_RATE, true)) return;
  g_audio.busy = 1;
  open_progress(e.taps.size(), false);
  WaveOut w;
  if (!wave_open(w, e.fs)) {
    progress_close();
    MessageBeep(MB_ICONEXCLAMATION);
    show(AUDIO_MSG_NO_SOUND, nullptr, UI_MB_OK);
  } else {
    g_audio.report.device_opened = 1;
    WavFormat format{};
    AudioStream stream;
    std::vector<int16_t> input;
    int status = audio_mmio_read(g_audio.input, format, input);
    if (status == WAV_OK) {
      stream.input = audio_resample(input, format.rate, e.fs);
      play_stream(e, stream, w);
    }
    wave_close(w);
    progress_close();
    if (status != WAV_OK) show(wav_message(status));
  }
  g_audio.fs = remembered;
  audio_free(e);
  g_audio.busy = 0;
}

// --- choosing files ------------------------------------------------------------

void cmd_choose_input() {
  filedlg_set_directory(g_history_folders[FOLDER_AUDIO]);
  if (!filedlg_open("Wave audio file|*.WAV|", "*.wav")) return;
  char path[PATH_CHARS];
  chosen_path(path);
  remember_folder();
  audio_set_input_wav(path);
}

void cmd_choose_profile() {
  filedlg_set_directory(g_history_folders[FOLDER_AUDIO]);
  if (!filedlg_open("Orvante Audio Profile|*.oap|", "*.OAP")) return;
  char path[PATH_CHARS];
  chosen_path(path);
  file_ext_ensure(path, sizeof path, ".OAP");
  remember_folder();
  std::vector<uint8_t> bytes;
  if (!le_read_file(path, bytes, PROFILE_MAX_BYTES) || bytes.size() < size_t(PROFILE_HEADER_BYTES) ||
      !profile_has_identification(bytes.data(), bytes.size())) {
    show("Ungültige Datei, kann nicht geladen werden", nullptr, UI_MB_OK);
    return;
  }
  AudioProfile profile;
  profile_decode(bytes.data(), bytes.size(), profile);
  if (ui_message_box(profile.description.c_str(), "Beschreibung", UI_MB_OKCANCEL) == UI_IDOK) audio_set_profile_path(path);
}

}  // namespace

int audio_mmio_read(const char* path, WavFormat& format, std::vector<int16_t>& samples) {
  HMMIO file = mmioOpenA(const_cast<char*>(path), nullptr, MMIO_READ | MMIO_ALLOCBUF);
  if (!file) return WAV_CANNOT_READ;
  int status = read_riff(file, format, samples);
  mmioClose(file, 0);
  return status;
}

bool audio_mmio_write(const char* path, const WavFormat& format, const int16_t* samples, size_t count) {
  WavWriter w;
  bool opened = writer_open(w, path, format);
  if (opened) writer_put(w, samples, count);
  return writer_close(w) && opened;
}

bool audio_has_input_wav() { return g_audio.input[0] != 0; }
bool audio_has_profile() { return g_audio.profile[0] != 0; }
const char* audio_get_profile_path() { return g_audio.profile; }
const char* audio_input_path() { return g_audio.input; }
const char* audio_output_path() { return g_audio.output; }
AudioPlaybackReport audio_last_playback() { return g_audio.report; }
const char* audio_last_played_file() { return g_audio.played; }

void audio_set_profile_path(const char* path) {
  copy_path(g_audio.profile, path);
  copy_path(g_audio.output, path);
  size_t n = std::strlen(g_audio.output);
  if (n >= 3) std::memcpy(g_audio.output + n - 3, "WAV", 3);
}

bool audio_set_input_wav(const char* path) {
  WavFormat format{};
  std::vector<int16_t> samples;
  int status = audio_mmio_read(path, format, samples);
  if (status != WAV_OK) {
    show(wav_message(status));
    return false;
  }
  copy_path(g_audio.input, path);
  g_audio.fs = format.rate;
  return true;
}

void audio_command(int id) {
  switch (id) {
    case AUDIO_CMD_PROFILE: cmd_choose_profile(); break;
    case AUDIO_CMD_INPUT: cmd_choose_input(); break;
    case AUDIO_CMD_PROCESS: cmd_process(); break;
    case AUDIO_CMD_PLAY_INPUT: play_file(g_audio.input); break;
    case AUDIO_CMD_PLAY_OUTPUT: play_file(g_audio.output); break;
    case AUDIO_CMD_REALTIME: cmd_realtime(); break;
  }
}
