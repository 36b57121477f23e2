// The program harness on the speaker-database editor: the steps also wait
// while a command runs, unless it is a view window, which they drive while
// it is open.
#pragma once
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

}  // namespace harness
