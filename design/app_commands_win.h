// The design program's menu commands as one table: the dispatch, the menu
// state and the tests read the same data.
#pragma once

enum AppCommandFlags : unsigned {
  CMD_SNAPSHOT = 1,       // an undo image is stored before the command
  CMD_WRITE_HISTORY = 2,  // the history file is written afterwards
  CMD_PURGE_MATERIALS = 4 // unused materials are purged afterwards
};

struct AppCommand {
  int first_id, last_id;
  void (*run)(int id);  // null: not available yet
  unsigned flags;
};

const AppCommand* app_find_command(int id);
void app_run_command(int id);
void app_not_available();
