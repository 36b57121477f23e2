#include "design/history.h"

#include <cstdio>
#include <cstring>

HistoryFile g_history = {};

namespace {

constexpr int UNIT_OFFSET = 0;
constexpr int FOLDER_OFFSET = 2048;
constexpr int RECENT_OFFSET = 3072;

char* recent_slot(int index) {
  return reinterpret_cast<char*>(g_history.image + RECENT_OFFSET + index * HISTORY_PATH_CHARS);
}

char* folder_slot(int index) {
  return reinterpret_cast<char*>(g_history.image + FOLDER_OFFSET + index * HISTORY_PATH_CHARS);
}

void count_recent() {
  g_history.recent_count = 0;
  for (int i = 0; i < HISTORY_RECENT; ++i)
    if (recent_slot(i)[0] != 0) ++g_history.recent_count;
}

// The path, cut to the slot, the rest of the slot zero.
void copy_path(char* target, const char* source) {
  size_t length = 0;
  while (length < HISTORY_PATH_CHARS - 1 && source[length]) ++length;
  std::memcpy(target, source, length);
  std::memset(target + length, 0, HISTORY_PATH_CHARS - length);
}

void put_unit(int32_t unit_flag) {
  uint32_t v = static_cast<uint32_t>(unit_flag);
  for (int i = 0; i < 4; ++i) g_history.image[UNIT_OFFSET + i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t get_unit() {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(g_history.image[UNIT_OFFSET + i]) << (8 * i);
  return static_cast<int32_t>(v);
}

}  // namespace

void history_clear() {
  std::memset(&g_history, 0, sizeof g_history);
  std::memset(g_history_folders, 0, sizeof g_history_folders);
}

// Reads the whole image; a missing or short file changes nothing.
int history_read(const char* path, int32_t* unit_flag) {
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return 0;
  uint8_t image[HISTORY_FILE_BYTES];
  size_t got = std::fread(image, 1, sizeof image, f);
  std::fclose(f);
  if (got != sizeof image) return 0;
  std::memcpy(g_history.image, image, sizeof image);
  // Strings from the file are cut at their buffers so none runs on.
  for (int i = 0; i < HISTORY_RECENT; ++i) recent_slot(i)[HISTORY_PATH_CHARS - 1] = 0;
  for (int i = 0; i < FOLDER_COUNT; ++i) {
    folder_slot(i)[HISTORY_PATH_CHARS - 1] = 0;
    copy_path(g_history_folders[i], folder_slot(i));
  }
  int32_t unit = get_unit();
  if (unit_flag) *unit_flag = unit == 1 ? 1 : 0;
  count_recent();
  g_history.recent_changed = true;
  return 1;
}

// Moves the project to the front of the recent list (a project never saved
// stays out of it).
void history_note_project(const char* name) {
  if (!name || std::strcmp(name, NEW_PROJECT_NAME) == 0 || name[0] == 0) return;
  int found = -1;
  for (int i = 0; i < HISTORY_RECENT; ++i)
    if (std::strncmp(recent_slot(i), name, HISTORY_PATH_CHARS - 1) == 0) found = i;
  if (found == 0) return;
  int last = found < 0 ? HISTORY_RECENT - 1 : found;
  for (int i = last; i > 0; --i) copy_path(recent_slot(i), recent_slot(i - 1));
  copy_path(recent_slot(0), name);
  g_history.recent_changed = true;
}

int history_write(const char* path, const char* project_name, int32_t unit_flag) {
  history_note_project(project_name);
  put_unit(unit_flag);
  count_recent();
  for (int i = 0; i < FOLDER_COUNT; ++i) copy_path(folder_slot(i), g_history_folders[i]);
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return 0;
  size_t written = std::fwrite(g_history.image, 1, HISTORY_FILE_BYTES, f);
  int closed = std::fclose(f);
  return written == HISTORY_FILE_BYTES && closed == 0;
}

const char* history_recent(int index) {
  if (index < 0 || index >= HISTORY_RECENT) return "";
  return recent_slot(index);
}
