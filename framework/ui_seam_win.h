// Installs the Win32 routines behind the portable seams.
#pragma once

void ui_install_win32_seams();
void ui_set_message_owner(void* window);  // HWND that owns message boxes, null for none
// The caption of the boxes whose caller gives none: the program's name.
void ui_set_program_caption(const char* name);
// The seam's message box owned by another window than the usual one (a
// dialog that must stay disabled while the box is up).
int ui_message_box_over(void* owner, const char* text, const char* caption, unsigned flags);
