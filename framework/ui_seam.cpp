#include "framework/ui_seam.h"

#include <chrono>
#include <cstdio>

namespace {

// Headless defaults: messages go to the error stream and count as OK.
int headless_message_box(const char* text, const char* caption, unsigned) {
  std::fprintf(stderr, "[%s] %s\n", caption ? caption : "", text ? text : "");
  return UI_IDOK;
}
void headless_progress_open(const char*) {}
int headless_progress_update(int) { return 0; }
void headless_progress_close() {}
uint32_t steady_tick_count() {
  using namespace std::chrono;
  return static_cast<uint32_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

constexpr UiSeams make_defaults() {
  return UiSeams{headless_message_box, headless_progress_open, headless_progress_update,
                 headless_progress_close, steady_tick_count, nullptr};
}

constinit UiSeams g_seams = make_defaults();

}  // namespace

UiSeams& ui_seams() { return g_seams; }
void ui_reset_seams() { g_seams = make_defaults(); }

int ui_message_box(const char* text, const char* caption, unsigned flags) {
  return g_seams.message_box(text, caption, flags);
}
void ui_progress_open(const char* title) { g_seams.progress_open(title); }
int ui_progress_update(int percent) { return g_seams.progress_update(percent); }
int ui_progress_update_text(int percent, const char* text) {
  return g_seams.progress_update_text ? g_seams.progress_update_text(percent, text) : g_seams.progress_update(percent);
}
void ui_progress_close() { g_seams.progress_close(); }
uint32_t ui_tick_count() { return g_seams.tick_count(); }
