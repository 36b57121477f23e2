// Puts the real dialogs of the design program behind its portable commands.
#pragma once

void design_install_win32_dialogs();
