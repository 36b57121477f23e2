// The design program's history file: display unit, the last folder of four
// kinds of file and the four most recent projects.
#pragma once
#include <cstdint>

#include "framework/last_folders.h"

constexpr int HISTORY_FILE_BYTES = 4096;
constexpr int HISTORY_RECENT = 4;
constexpr const char* HISTORY_FILE_NAME = "HISTORY.OPE";
constexpr const char* NEW_PROJECT_NAME = "PROJEKT1.OPR";

struct HistoryFile {
  uint8_t image[HISTORY_FILE_BYTES];
  int recent_count;
  bool recent_changed;  // read and cleared by the menu update
};

extern HistoryFile g_history;

int history_read(const char* path, int32_t* unit_flag);
int history_write(const char* path, const char* project_name, int32_t unit_flag);
void history_note_project(const char* project_name);
const char* history_recent(int index);
void history_clear();
