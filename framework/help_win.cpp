#include "framework/help_win.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

// Help opens on the index while no command runs, on the command's topic otherwise.
void app_show_help(int command_id, const char* help_file) {
  char path[MAX_PATH + 16];
  std::snprintf(path, sizeof path, "%s\\%s", win_start_directory(), help_file);
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
    char text[MAX_PATH + 64];
    std::snprintf(text, sizeof text, "Die Hilfedatei %s wurde nicht gefunden.", path);
    ui_message_box(text, "Hilfe", UI_MB_OK | UI_MB_ICONEXCLAMATION);
    return;
  }
  unsigned id = static_cast<uint16_t>(command_id);
  BOOL opened = id < 2 ? WinHelpA(win_main_window(), path, HELP_INDEX, 0)
                       : WinHelpA(win_main_window(), path, HELP_CONTEXT, id);
  if (!opened) {
    // No help viewer on this system (or it refused the file).
    char text[MAX_PATH + 96];
    std::snprintf(text, sizeof text, "Die Hilfe kann nicht angezeigt werden: kein Hilfeprogramm für %s.", path);
    ui_message_box(text, "Hilfe", UI_MB_OK | UI_MB_ICONEXCLAMATION);
  }
}
