// Installs the Win32 routines behind the portable seams.
#pragma once

void ui_install_win32_seams();
void ui_set_message_owner(void* window);  // HWND that owns message boxes, null for none
