// Help: the program's help file in the start-up folder, opened with the
// system's help viewer.
#pragma once

// On the index while no command runs (command id below 2), on the command's
// topic otherwise; a missing file or help viewer is said in a message.
void app_show_help(int command_id, const char* help_file);
