// The program harness on the design program.
#pragma once
#include "design/app_main_win.h"
#include "program_harness.h"

namespace harness {

inline int run(std::vector<std::function<void()>> steps) { return run_program(app_main, std::move(steps)); }

}  // namespace harness
