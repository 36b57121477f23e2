// The room check in the program: its error marks drawn in the drawing
// window, the F4 key at the end, and the command 2803 "Quamel rufen...".
#pragma once

void room_check_install_host();
void room_check_command();
