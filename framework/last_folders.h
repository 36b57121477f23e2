// The last folder of each kind of file a program opened or saved, offered
// by the next file dialog of that kind; the history file keeps them.
#pragma once

constexpr int HISTORY_PATH_CHARS = 256;

enum HistoryFolder { FOLDER_PROJECT, FOLDER_SPEAKER_DB, FOLDER_ABSORBER_DB, FOLDER_AUDIO, FOLDER_COUNT };

extern char g_history_folders[FOLDER_COUNT][HISTORY_PATH_CHARS];
