// The history file of the design program, against the live state.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "design/app_main_win.h"
#include "design/history.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/project_file.h"

namespace {

void history_path(char* out, size_t size) {
  std::snprintf(out, size, "%s\\%s", win_start_directory(), HISTORY_FILE_NAME);
}

}  // namespace

void app_read_history() {
  char path[MAX_PATH + 16];
  history_path(path, sizeof path);
  int32_t unit = g_unit_feet;
  if (history_read(path, &unit)) g_unit_feet = unit;
}

void app_write_history() {
  char path[MAX_PATH + 16];
  history_path(path, sizeof path);
  history_write(path, g_project_path, g_unit_feet);
}
