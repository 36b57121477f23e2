// The viewer's recent-project file: four project paths, newest first, and
// the unit choice, 516 bytes in all. It lies beside the start-up folder,
// named after it: the folder's path directly followed by "HISTORY.OPE".
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int VIEWER_HISTORY_ENTRIES = 4;
constexpr int VIEWER_HISTORY_ENTRY_BYTES = 128;  // 127 characters and the terminator
constexpr int VIEWER_HISTORY_UNIT_OFFSET = VIEWER_HISTORY_ENTRIES * VIEWER_HISTORY_ENTRY_BYTES;  // 512
constexpr int VIEWER_HISTORY_BYTES = VIEWER_HISTORY_UNIT_OFFSET + 4;                              // 516
constexpr const char* VIEWER_HISTORY_NAME = "HISTORY.OPE";

struct ViewerHistory {
  char entries[VIEWER_HISTORY_ENTRIES][VIEWER_HISTORY_ENTRY_BYTES];  // first byte 0: free
  int32_t unit_flag;  // 0 metres, 1 feet
  int count;          // non-empty entries
  int changed;
};
extern ViewerHistory g_viewer_history;

// start_directory immediately followed by "HISTORY.OPE".
void viewer_history_path(char* out, size_t size, const char* start_directory);

// 1 when a file of exactly 516 bytes was read; otherwise 0 and nothing
// changes. Every entry is cut to 127 characters; a unit word other than 1
// reads as metres.
int viewer_read_history_file(const char* path);
// Puts the project first unless it is the new project's name, already
// listed, or too long to keep; then writes the image with the unit flag.
// 1 when written, 0 when the file cannot be created.
int viewer_write_history_file(const char* path, const char* project, int32_t unit_flag);
// The list part of the write: 1 when the project was put first.
int viewer_history_add(const char* project);
