// The echogram display after "Rays berechnen" on the sample project: the
// path browser steps through the paths with its bar (back to all paths),
// the echogram window draws paths and the decay curve, steps through the
// paths without going below the first, plays its paths in real time through
// a temporary profile ("RTA"), changes the band, copies itself to the
// clipboard, and "<-" leaves.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "acoustics/audio_cmd_win.h"
#include "acoustics/etc_window_win.h"
#include "acoustics/wav_file.h"
#include "acoustics/ray_path.h"
#include "app_harness.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/le_bytes.h"
#include "framework/palette.h"
#include "framework/win_frame_win.h"
#include "project/project_file.h"
#include "tests/native/run_folder.h"
#include "tests/win32/refl_steps.h"

namespace {

struct Seen {
  bool browser = false, echogram = false;
  std::vector<int> browser_steps, echogram_steps;
  std::vector<int> shown_paths;
  int decay_pixels = 0, path_pixels = 0;
  int band = -1;
  bool mode_text_etc = false, mode_text_ray = false;
  std::string temp_profile;
  bool temp_existed = false, temp_removed = false, clipboard_bitmap = false;
  AudioPlaybackReport playback{};
};
Seen g_seen;
int shown_paths() {
  int n = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == RAYPATH_LAYER && o->attributes == 0) ++n;
  return n;
}

void scroll(int code, int position = 0) {
  SendMessageA(win_main_window(), WM_HSCROLL, MAKEWPARAM(code, position), LPARAM(etc_path_bar()));
}

std::string text_of(HWND w) {
  char t[32] = "";
  GetWindowTextA(w, t, sizeof t);
  return t;
}

void count_colours() {
  HWND w = etc_window();
  RECT c;
  GetClientRect(w, &c);
  HDC dc = GetDC(w);
  COLORREF decay = gfx_palette_colour(29), path = gfx_palette_colour(19);
  for (int y = 0; y < c.bottom; ++y)
    for (int x = 0; x < c.right; ++x) {
      COLORREF p = GetPixel(dc, x, y);
      g_seen.decay_pixels += p == decay;
      g_seen.path_pixels += p == path;
    }
  ReleaseDC(w, dc);
}

using dialog_script::when;

// In the path browser: all paths, the first, back to all, ten further on;
// then over to the echogram.
bool in_browser() { return etc_window() && !etc_is_echogram(); }
void browse() {
  g_seen.browser = true;
  g_seen.mode_text_etc = text_of(etc_control(ETC_ID_MODE)) == "ETC";
  g_seen.shown_paths.push_back(shown_paths());
  g_seen.browser_steps.push_back(etc_selected_path());
  for (int code : {SB_LINERIGHT, SB_LINELEFT, SB_LINELEFT, SB_PAGERIGHT}) {
    scroll(code);
    g_seen.browser_steps.push_back(etc_selected_path());
    g_seen.shown_paths.push_back(shown_paths());
  }
  PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_MODE, 0);
}

// In the echogram: its drawing, steps that never go below the first path,
// then the playback.
bool in_echogram() { return etc_window() && etc_is_echogram(); }
void step_echogram() {
  g_seen.echogram = true;
  g_seen.mode_text_ray = text_of(etc_control(ETC_ID_MODE)) == "RAY";
  UpdateWindow(etc_window());
  count_colours();
  g_seen.echogram_steps.push_back(etc_selected_path());
  for (int code : {SB_LINERIGHT, SB_PAGELEFT, SB_LINELEFT}) {
    scroll(code);
    g_seen.echogram_steps.push_back(etc_selected_path());
  }
  PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_AURALISE, 0);
}

// The playback pumps messages: this runs during it (the temporary profile
// is there), then after it; then the band changes and the copy is asked for.
bool after_playback(HWND) {
  if (audio_get_profile_path()[0]) {
    g_seen.temp_profile = audio_get_profile_path();
    g_seen.temp_existed = GetFileAttributesA(g_seen.temp_profile.c_str()) != INVALID_FILE_ATTRIBUTES;
    return false;
  }
  g_seen.playback = audio_last_playback();
  if (g_seen.playback.blocks_queued == 0) return false;
  g_seen.temp_removed = GetFileAttributesA(g_seen.temp_profile.c_str()) == INVALID_FILE_ATTRIBUTES;
  SendMessageA(win_main_window(), WM_COMMAND, ETC_ID_BAND_FIRST + 3, 0);
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_COPY, 0);
  return true;
}

// The band taken and the picture on the clipboard: leave.
bool after_copy(HWND) {
  g_seen.band = etc_band();
  if (g_seen.band != 3 || !IsClipboardFormatAvailable(CF_BITMAP)) return false;
  g_seen.clipboard_bitmap = true;
  PostMessageA(win_main_window(), WM_COMMAND, ETC_ID_LEAVE, 0);
  return true;
}

}  // namespace

TEST(EchogramWindow, StepsThroughThePathsInBothWindows) {
  g_seen = Seen{};
  uint32_t left_over = 1;
  std::string recording = run_folder::file("etc_dry.wav");
  std::vector<int16_t> x(6615);
  for (size_t i = 0; i < x.size(); ++i) x[i] = int16_t(i % 50 < 25 ? 4000 : -4000);
  ByteWriter wav;
  wav_encode(wav_mono16(22050), x.data(), x.size(), wav);
  FILE* f = std::fopen(recording.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(wav.buffer().data(), 1, wav.buffer().size(), f);
  std::fclose(f);
  int code = harness::run({[&] {
    ASSERT_TRUE(audio_set_input_wav(recording.c_str()));
    std::string path = std::string(win_start_directory()) + "\\BEISPIEL.OPR";
    ASSERT_EQ(proj_load(path.c_str()), 1) << path;
    view_set_xy();
    view_zoom_all();
    refl_steps::run_command({when(in_browser, browse), when(in_echogram, step_echogram),
                             when([] { return true; }, after_playback), when([] { return true; }, after_copy)});
    left_over = refl_count_paths();
  }});
  EXPECT_EQ(code, 0);
  ASSERT_TRUE(g_seen.browser);
  EXPECT_TRUE(g_seen.mode_text_etc);
  // All paths, the first, back to all (it stays there), ten further on.
  EXPECT_EQ(g_seen.browser_steps, (std::vector<int>{-1, 0, -1, -1, 9}));
  ASSERT_EQ(g_seen.shown_paths.size(), 5u);
  EXPECT_GT(g_seen.shown_paths[0], 20);
  EXPECT_EQ(g_seen.shown_paths[1], 1);
  EXPECT_EQ(g_seen.shown_paths[2], g_seen.shown_paths[0]);
  EXPECT_EQ(g_seen.shown_paths[4], 1);
  ASSERT_TRUE(g_seen.echogram);
  EXPECT_TRUE(g_seen.mode_text_ray);
  // It keeps the browser's path and never goes below the first.
  EXPECT_EQ(g_seen.echogram_steps, (std::vector<int>{9, 10, 0, 0}));
  EXPECT_GT(g_seen.decay_pixels, 50);
  EXPECT_GT(g_seen.path_pixels, 50);
  // The temporary profile sat in the start-up folder during the playback
  // and is gone afterwards; 0.3 s of input gives 2 blocks and 20 of tail.
  EXPECT_EQ(g_seen.temp_profile.rfind(std::string(win_start_directory()) + "\\", 0), 0u) << g_seen.temp_profile;
  EXPECT_TRUE(g_seen.temp_existed);
  EXPECT_TRUE(g_seen.temp_removed);
  EXPECT_EQ(g_seen.playback.device_opened, 1);
  EXPECT_EQ(g_seen.playback.blocks_queued, 22u);
  EXPECT_EQ(g_seen.band, 3);
  EXPECT_TRUE(g_seen.clipboard_bitmap);
  EXPECT_EQ(left_over, 0u);
  ASSERT_FALSE(refl_steps::g_boxes.empty());
  EXPECT_EQ(refl_steps::g_boxes.back(), "Reflexionsberechnung in Datei speichern ?");
  std::remove(recording.c_str());
}
