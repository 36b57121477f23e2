// libFuzzer harness of the viewer's recent-project file reader: any file must
// be read or refused without a crash or sanitizer report, and what is read
// keeps every entry terminated, the unit a metre or foot flag and the count
// within the four entries.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

#include "viewer/viewer_history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/viewer_history_fuzz_" + std::to_string(getpid()) + ".OPE";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  g_viewer_history = ViewerHistory{};
  int read = viewer_read_history_file(path.c_str());
  if (read && size != size_t(VIEWER_HISTORY_BYTES)) std::abort();
  const ViewerHistory& h = g_viewer_history;
  for (const auto& entry : h.entries)
    if (std::memchr(entry, 0, sizeof entry) == nullptr) std::abort();
  if (h.unit_flag != 0 && h.unit_flag != 1) std::abort();
  if (h.count < 0 || h.count > VIEWER_HISTORY_ENTRIES) std::abort();
  if (read) {
    viewer_history_add("C:\\\\NEU.OPR");
    for (const auto& entry : h.entries)
      if (std::memchr(entry, 0, sizeof entry) == nullptr) std::abort();
  }
  std::remove(path.c_str());
  return 0;
}
