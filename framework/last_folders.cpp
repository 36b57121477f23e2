#include "framework/last_folders.h"

char g_history_folders[FOLDER_COUNT][HISTORY_PATH_CHARS] = {};
