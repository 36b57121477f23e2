// The open and save dialogs. The directory and file name of the last choice
// are remembered; callers build the full path as directory + file title.
#pragma once

constexpr int FILESEL_BUFFER = 256;

struct FileSelection {
  char directory[FILESEL_BUFFER];   // with its trailing separator
  char file_title[FILESEL_BUFFER];  // name without directory
  char path[FILESEL_BUFFER];        // full path during the dialog
  char filter[FILESEL_BUFFER];      // the open dialog's copy of the filter
};

extern FileSelection g_file_selection;

int filedlg_open(const char* filter, const char* initial_name);
int filedlg_save(char* filter, const char* default_name);
const char* filedlg_directory();
const char* filedlg_file_title();
void filedlg_set_directory(const char* text);
void filedlg_set_file_title(const char* text);
void filedlg_split_filter(char* text);
