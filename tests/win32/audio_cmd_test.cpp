// The auralisation commands in the running design program: a generated
// recording processed offline into the output file through the system's
// RIFF functions (the native core's samples to within 1 LSB), the guard
// against writing over the input, and the real-time playback on the null
// sound device that scripts/setup configures.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "acoustics/audio_cmd_win.h"
#include "acoustics/audio_engine.h"
#include "acoustics/audio_profile.h"
#include "acoustics/wav_file.h"
#include "app_harness.h"
#include "framework/le_bytes.h"
#include "framework/progress_win.h"

namespace {

std::string temp(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  return std::string(folder) + name;
}

std::vector<int16_t> chirp(size_t n, double rate) {
  std::vector<int16_t> x(n);
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / rate;
    x[i] = int16_t(std::lround(8000.0 * std::sin(2 * 3.14159265 * (100.0 + 2000.0 * t) * t)));
  }
  return x;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

AudioProfile small_profile() {
  AudioProfile p;
  p.impulses = {{0.0f, 1.0f, {}}, {7.5f, 0.5f, {}}, {31.0f, 0.25f, {}}, {250.0f, 0.1f, {}}};
  p.trailer_count = 3;
  for (int b = 0; b < 7; ++b) {
    p.trailers[0][b] = 1.0f - 0.1f * b;
    p.trailers[1][b] = 1.2f;
    p.trailers[2][b] = 0.3f;
  }
  return p;
}

std::string g_profile;

std::vector<int16_t> native_core(const std::vector<int16_t>& x, double fs, const AudioProfile& p) {
  AudioEngine e;
  EXPECT_TRUE(audio_alloc(e));
  e.fs = fs;
  audio_init_band_filters(e.filters, fs);
  audio_read_impulses(e, &p, false);
  audio_init_taps(e);
  std::vector<int16_t> y(x.size());
  audio_process_plain(e, x.data(), x.size(), y.data());
  return y;
}

}  // namespace

TEST(AudioCommand, OfflineProcessingGivesTheCoreSamples) {
  const double fs = 16000;  // the 8 kHz band is left out at this rate
  std::vector<int16_t> x = chirp(size_t(fs * 2), fs);
  std::string input = temp("aural_in.wav");
  ByteWriter wav;
  wav_encode(wav_mono16(uint32_t(fs)), x.data(), x.size(), wav);
  write_bytes(input, wav.buffer());
  AudioProfile profile = small_profile();
  std::string profile_path = temp("aural_profile.oap");
  ASSERT_TRUE(profile_write_file(profile_path.c_str(), profile));
  std::remove(temp("aural_profile.WAV").c_str());

  WavFormat format{};
  std::vector<int16_t> output;
  int read_status = -1;
  int code = harness::run({[&] {
    ASSERT_TRUE(audio_set_input_wav(input.c_str()));
    audio_set_profile_path(profile_path.c_str());
    EXPECT_EQ(std::string(audio_output_path()), temp("aural_profile.WAV"));
    SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PROCESS, 0);
    read_status = audio_mmio_read(audio_output_path(), format, output);
    PlaySoundA(nullptr, nullptr, 0);
  }});
  EXPECT_EQ(code, 0);
  ASSERT_EQ(read_status, WAV_OK);
  EXPECT_EQ(format.rate, uint32_t(fs));
  ASSERT_EQ(output.size(), x.size());
  std::vector<int16_t> expected = native_core(x, fs, profile);
  int worst = 0;
  for (size_t i = 0; i < x.size(); ++i) worst = std::max(worst, std::abs(int(output[i]) - int(expected[i])));
  EXPECT_LE(worst, 1);
  // And the file as bytes: a plain RIFF WAVE with exact sizes.
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(le_read_file(temp("aural_profile.WAV").c_str(), bytes, 1 << 24));
  EXPECT_EQ(bytes.size(), 44u + 2 * x.size());
  EXPECT_EQ(le_get_u32(bytes.data() + 4), uint32_t(bytes.size() - 8));
  for (const harness::Box& box : harness::g_boxes) ADD_FAILURE() << "box: " << box.text;
  std::remove(input.c_str());
  std::remove(profile_path.c_str());
  std::remove(temp("aural_profile.WAV").c_str());
}

// Each look at the clock is 150 ms later; the first progress shown is
// answered with "Abbrechen".
uint32_t g_fake_ticks = 0;
uint32_t fake_ticks() {
  if (g_progress.box && g_progress.cancel) PostMessageA(g_progress.box, WM_COMMAND, PROGRESS_CANCEL_ID, 0);
  return g_fake_ticks += 150;
}

// A stopped run leaves a valid file of what was done, with exact sizes.
TEST(AudioCommand, CancelledRunLeavesAValidShorterFile) {
  const double fs = 22050;
  std::vector<int16_t> x = chirp(size_t(fs * 40), fs);
  std::string input = temp("aural_long_in.wav");
  ByteWriter wav;
  wav_encode(wav_mono16(uint32_t(fs)), x.data(), x.size(), wav);
  write_bytes(input, wav.buffer());
  std::string profile_path = temp("aural_long.oap");
  ASSERT_TRUE(profile_write_file(profile_path.c_str(), small_profile()));
  std::remove(temp("aural_long.WAV").c_str());
  int code = harness::run({[&] {
    ASSERT_TRUE(audio_set_input_wav(input.c_str()));
    audio_set_profile_path(profile_path.c_str());
    ui_seams().tick_count = fake_ticks;
    SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PROCESS, 0);
  }});
  EXPECT_EQ(code, 0);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(le_read_file(temp("aural_long.WAV").c_str(), bytes, 1 << 24));
  WavFormat format{};
  std::vector<int16_t> done;
  ASSERT_EQ(wav_decode(bytes.data(), bytes.size(), format, done), WAV_OK);
  EXPECT_GT(done.size(), 0u);
  EXPECT_LT(done.size(), x.size());
  EXPECT_EQ(le_get_u32(bytes.data() + 4), uint32_t(bytes.size() - 8));
  EXPECT_EQ(le_get_u32(bytes.data() + 40), uint32_t(2 * done.size()));
  EXPECT_EQ(bytes.size(), 44u + 2 * done.size());
  std::remove(input.c_str());
  std::remove(profile_path.c_str());
  std::remove(temp("aural_long.WAV").c_str());
}

// A profile named like the recording would have the output overwrite it.
TEST(AudioCommand, OutputOverTheInputIsRefused) {
  std::vector<int16_t> x = chirp(4000, 22050);
  std::string input = temp("aural_same.WAV");
  ByteWriter wav;
  wav_encode(wav_mono16(22050), x.data(), x.size(), wav);
  write_bytes(input, wav.buffer());
  std::string profile_path = temp("AURAL_SAME.oap");
  ASSERT_TRUE(profile_write_file(profile_path.c_str(), small_profile()));
  int code = harness::run({[&] {
    ASSERT_TRUE(audio_set_input_wav(input.c_str()));
    audio_set_profile_path(profile_path.c_str());
    SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PROCESS, 0);
  }});
  EXPECT_EQ(code, 0);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  // Says that the two are one file, and which.
  char expected[1024];
  std::snprintf(expected, sizeof expected, AUDIO_MSG_INPUT_IS_OUTPUT, audio_output_path());
  EXPECT_EQ(harness::g_boxes[0].text, expected);
  EXPECT_NE(harness::g_boxes[0].text.find("AURAL_SAME.WAV"), std::string::npos);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(le_read_file(input.c_str(), bytes, 1 << 20));
  EXPECT_EQ(bytes, wav.buffer());
  std::remove(input.c_str());
  std::remove(profile_path.c_str());
}

// Refused recordings say why and are not taken.
TEST(AudioCommand, StereoAndEightBitRecordingsAreRefused) {
  std::string input = temp("aural_stereo.wav");
  ByteWriter wav;
  std::vector<int16_t> x(100, 5);
  WavFormat stereo = wav_mono16(22050);
  stereo.channels = 2;
  wav_encode(stereo, x.data(), x.size(), wav);
  write_bytes(input, wav.buffer());
  int code = harness::run({[&] { EXPECT_FALSE(audio_set_input_wav(input.c_str())); }});
  EXPECT_EQ(code, 0);
  ASSERT_EQ(harness::g_boxes.size(), 1u);
  EXPECT_EQ(harness::g_boxes[0].text, WAV_MSG_NOT_MONO16);
  std::remove(input.c_str());
}

// A 44.1 kHz recording played in real time through the wave-out device:
// it opens, every block is queued and comes back done, and the playback ends.
TEST(AudioCommand, RealtimePlaybackOnTheNullDevice) {
  std::vector<int16_t> x = chirp(44100 / 2, 44100);
  std::string input = temp("aural_rt.wav");
  ByteWriter wav;
  wav_encode(wav_mono16(44100), x.data(), x.size(), wav);
  write_bytes(input, wav.buffer());
  std::string profile_path = temp("aural_rt.oap");
  ASSERT_TRUE(profile_write_file(profile_path.c_str(), small_profile()));
  AudioPlaybackReport report{};
  DWORD took = 0;
  int code = harness::run({[&] {
    ASSERT_TRUE(audio_set_input_wav(input.c_str()));
    audio_set_profile_path(profile_path.c_str());
    DWORD start = GetTickCount();
    SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_REALTIME, 0);
    took = GetTickCount() - start;
    report = audio_last_playback();
  }});
  EXPECT_EQ(code, 0);
  for (const harness::Box& box : harness::g_boxes) EXPECT_NE(box.text, AUDIO_MSG_NO_SOUND) << "no wave-out device";
  EXPECT_EQ(report.device_opened, 1);
  // 0.5 s of input at 22050 Hz in 0.2 s blocks: 3 blocks, then 20 of tail.
  EXPECT_EQ(report.blocks_queued, 23u);
  EXPECT_GE(report.blocks_done, 20u);
  EXPECT_LT(took, 60000u);
  std::remove(input.c_str());
  std::remove(profile_path.c_str());
}

namespace {

// The popup of the main menu that holds the item, found through the bar.
HMENU popup_holding(HMENU menu, UINT id) {
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    if (GetMenuItemID(menu, i) == id) return menu;
    if (HMENU sub = GetSubMenu(menu, i))
      if (HMENU found = popup_holding(sub, id)) return found;
  }
  return nullptr;
}

std::string item_text(HMENU menu, UINT id) {
  char text[128] = "";
  GetMenuStringA(menu, id, text, sizeof text, MF_BYCOMMAND);
  return text;
}

void write_recording(const std::string& path, const std::vector<int16_t>& x, uint32_t rate) {
  ByteWriter wav;
  wav_encode(wav_mono16(rate), x.data(), x.size(), wav);
  write_bytes(path, wav.buffer());
}

bool greyed(UINT id) { return GetMenuState(GetMenu(win_main_window()), id, MF_BYCOMMAND) & MF_GRAYED; }

}  // namespace

// The auralisation items in the order of the work, each named after what
// it does, and each doing that when chosen: the profile and the recording
// are chosen in the file dialogs, the dry recording is played, the
// auralisation is written to the output file and played, and played again.
TEST(AudioCommand, AuralisationItemsSayWhatTheyDo) {
  std::string input = temp("aural_menu_in.wav");
  write_recording(input, chirp(4000, 22050), 22050);
  std::string profile_path = temp("AURAL_MENU.OAP");
  std::string output = temp("AURAL_MENU.WAV");
  ASSERT_TRUE(profile_write_file(profile_path.c_str(), small_profile()));
  std::remove(output.c_str());

  struct Item {
    UINT id;
    std::string text;
  };
  std::vector<Item> items;
  bool enabled_after = false, output_written = false;
  std::string profile_taken, input_taken, played_dry, played_written, played_again;
  auto choose = [](UINT id) { PostMessageA(win_main_window(), WM_COMMAND, id, 0); };
  int code = harness::run({
      [&] {
        HMENU popup = popup_holding(GetMenu(win_main_window()), AUDIO_CMD_PROFILE);
        ASSERT_NE(popup, nullptr);
        for (int i = 0, n = GetMenuItemCount(popup); i < n; ++i)
          items.push_back({GetMenuItemID(popup, i), item_text(popup, GetMenuItemID(popup, i))});
        harness::answer_file_dialog(profile_path);
        choose(AUDIO_CMD_PROFILE);
      },
      [&] {
        profile_taken = audio_get_profile_path();
        harness::answer_file_dialog(input);
        choose(AUDIO_CMD_INPUT);
      },
      [&] {
        input_taken = audio_input_path();
        SendMessageA(win_main_window(), WM_INITMENU, WPARAM(GetMenu(win_main_window())), 0);
        enabled_after = !greyed(AUDIO_CMD_PROCESS) && !greyed(AUDIO_CMD_PLAY_INPUT) && !greyed(AUDIO_CMD_PLAY_OUTPUT);
        SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PLAY_INPUT, 0);
        played_dry = audio_last_played_file();
        SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PROCESS, 0);
        played_written = audio_last_played_file();
        output_written = GetFileAttributesA(output.c_str()) != INVALID_FILE_ATTRIBUTES;
        SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PLAY_INPUT, 0);
        SendMessageA(win_main_window(), WM_COMMAND, AUDIO_CMD_PLAY_OUTPUT, 0);
        played_again = audio_last_played_file();
        PlaySoundA(nullptr, nullptr, 0);
      },
  });
  EXPECT_EQ(code, 0);
  const std::vector<std::pair<UINT, std::string>> expected = {
      {AUDIO_CMD_PROFILE, "Audio-&Profil wählen..."},
      {AUDIO_CMD_INPUT, "&WAV-Eingangsdatei wählen..."},
      {AUDIO_CMD_PLAY_INPUT, "&Eingangsdatei abspielen"},
      {AUDIO_CMD_PROCESS, "Auralisation als WAV &schreiben und abspielen"},
      {AUDIO_CMD_PLAY_OUTPUT, "&Auralisation abspielen"},
  };
  ASSERT_EQ(items.size(), expected.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].id, expected[i].first) << i;
    EXPECT_EQ(items[i].text, expected[i].second) << i;
  }
  EXPECT_TRUE(enabled_after);
  EXPECT_TRUE(lstrcmpiA(profile_taken.c_str(), profile_path.c_str()) == 0) << profile_taken;
  EXPECT_TRUE(lstrcmpiA(input_taken.c_str(), input.c_str()) == 0) << input_taken;
  EXPECT_EQ(played_dry, input_taken);
  EXPECT_TRUE(output_written);
  EXPECT_TRUE(lstrcmpiA(played_written.c_str(), output.c_str()) == 0) << played_written;
  EXPECT_EQ(played_again, played_written);
  for (const harness::Box& box : harness::g_boxes)
    if (box.caption != "Beschreibung") ADD_FAILURE() << "box: " << box.text;
  std::remove(input.c_str());
  std::remove(profile_path.c_str());
  std::remove(output.c_str());
}
