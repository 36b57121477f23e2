// Entry of the speaker-database editor.
#include <windows.h>

#include "speaker_editor/editor_shell_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return spked_win_main(instance); }
