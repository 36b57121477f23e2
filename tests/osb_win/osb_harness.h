// The program harness on the speaker-database editor: the steps also wait
// while a command runs, unless it is a view window, which they drive while
// it is open.
#pragma once
#include <string>

#include "cad/cad_state.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/record_table.h"
#include "tests/win32/program_harness.h"

namespace harness {

inline const Program SPEAKER_EDITOR{spked_win_main, [] { g_spked_modified = 0; },
                                    [] { return g_running_command != 0 && !spked_view_window(); }, 20};

inline int run(std::vector<std::function<void()>> steps, std::vector<int> answers = {}) {
  return run_program(SPEAKER_EDITOR, std::move(steps), std::move(answers));
}

inline std::string full_path(const char* name) {
  char out[MAX_PATH];
  GetFullPathNameA(name, sizeof out, out, nullptr);
  return out;
}

// The record at index becomes the current one, as chosen in the selector bar.
inline void select_record(int index) {
  g_spked_current_index = index;
  SendMessageA(spked_record_selector(), WM_COMMAND, SPKED_SELECTOR_REBUILD, 0);
}

// The start-up's session password dialog gets password and OK.
inline void answer_password(const char* password) {
  g_dialog_answer = [password]() {
    HWND dialog = own_dialog::shown("Sitzungs-Paßwort(max.20 Stellen):");
    if (!dialog) return false;
    SetDlgItemTextA(dialog, 105, password);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), 0);
    return true;
  };
}

}  // namespace harness
