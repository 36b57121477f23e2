// The program harness on the design program.
#pragma once
#include "cad/cad_state.h"
#include "design/app_main_win.h"
#include "tests/win32/program_harness.h"

namespace harness {

inline const Program DESIGN_PROGRAM{app_main, [] { g_modified = 0; }};

inline int run(std::vector<std::function<void()>> steps, std::vector<int> answers = {}) {
  return run_program(DESIGN_PROGRAM, std::move(steps), std::move(answers));
}

}  // namespace harness
