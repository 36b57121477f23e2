#include "viewer/viewer_history.h"

#include <cstdio>
#include <cstring>

#include "framework/le_bytes.h"

ViewerHistory g_viewer_history = {};

namespace {

constexpr const char* NEW_PROJECT = "PROJEKT1.OPR";

int count_entries(const ViewerHistory& h) {
  int n = 0;
  for (const auto& entry : h.entries) n += entry[0] != 0;
  return n;
}

bool listed(const ViewerHistory& h, const char* project) {
  for (const auto& entry : h.entries)
    if (entry[0] && std::strcmp(entry, project) == 0) return true;
  return false;
}

}  // namespace

void viewer_history_path(char* out, size_t size, const char* start_directory) {
  std::snprintf(out, size, "%s%s", start_directory ? start_directory : "", VIEWER_HISTORY_NAME);
}

int viewer_read_history_file(const char* path) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return 0;
  uint8_t image[VIEWER_HISTORY_BYTES + 1];
  size_t got = std::fread(image, 1, sizeof image, file);
  std::fclose(file);
  if (got != VIEWER_HISTORY_BYTES) return 0;  // short, or some other file
  ViewerHistory& h = g_viewer_history;
  for (int i = 0; i < VIEWER_HISTORY_ENTRIES; ++i) {
    std::memcpy(h.entries[i], image + i * VIEWER_HISTORY_ENTRY_BYTES, VIEWER_HISTORY_ENTRY_BYTES);
    h.entries[i][VIEWER_HISTORY_ENTRY_BYTES - 1] = 0;
  }
  h.unit_flag = le_get_u32(image + VIEWER_HISTORY_UNIT_OFFSET) == 1 ? 1 : 0;
  h.count = count_entries(h);
  h.changed = 1;
  return 1;
}

int viewer_history_add(const char* project) {
  ViewerHistory& h = g_viewer_history;
  if (!project || !project[0] || std::strcmp(project, NEW_PROJECT) == 0) return 0;
  if (std::strlen(project) >= size_t(VIEWER_HISTORY_ENTRY_BYTES)) return 0;  // would not fit whole
  if (listed(h, project)) return 0;
  std::memmove(h.entries[1], h.entries[0], size_t(VIEWER_HISTORY_ENTRIES - 1) * VIEWER_HISTORY_ENTRY_BYTES);
  std::memset(h.entries[0], 0, VIEWER_HISTORY_ENTRY_BYTES);
  std::memcpy(h.entries[0], project, std::strlen(project));
  h.changed = 1;
  return 1;
}

int viewer_write_history_file(const char* path, const char* project, int32_t unit_flag) {
  ViewerHistory& h = g_viewer_history;
  viewer_history_add(project);
  h.unit_flag = unit_flag;
  h.count = count_entries(h);
  uint8_t image[VIEWER_HISTORY_BYTES] = {};
  for (int i = 0; i < VIEWER_HISTORY_ENTRIES; ++i)
    std::memcpy(image + i * VIEWER_HISTORY_ENTRY_BYTES, h.entries[i], VIEWER_HISTORY_ENTRY_BYTES);
  le_put_u32(image + VIEWER_HISTORY_UNIT_OFFSET, uint32_t(unit_flag));
  FILE* file = std::fopen(path, "wb");
  if (!file) return 0;
  bool ok = std::fwrite(image, 1, sizeof image, file) == sizeof image;
  ok = std::fclose(file) == 0 && ok;
  return ok ? 1 : 0;
}
