#include "framework/filesel_win.h"

#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <cstring>

#include "framework/ui_seam.h"

FileSelection g_file_selection = {};

namespace {

constexpr int SAVE_TITLE_LIMIT = 20;  // a default save name longer than 19 characters is dropped

void copy_text(char* target, size_t capacity, const char* text) {
  if (!text) text = "";
  size_t n = std::strlen(text);
  if (n >= capacity) n = capacity - 1;
  std::memcpy(target, text, n);
  target[n] = 0;
}

// The block the dialogs were written for: MinGW's structure is larger (88
// bytes on 32-bit), the 76-byte layout is the version-4 size.
static_assert(sizeof(void*) != 4 ||
                  offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the 32-bit dialogs take the 76-byte block");

OPENFILENAMEA make_dialog_block(const char* filter, char* title_buffer) {
  OPENFILENAMEA block;
  std::memset(&block, 0, sizeof block);
  block.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  block.hwndOwner = GetActiveWindow();
  block.lpstrFilter = filter;
  block.lpstrFile = g_file_selection.path;
  block.nMaxFile = FILESEL_BUFFER;
  block.lpstrFileTitle = title_buffer;
  block.nMaxFileTitle = FILESEL_BUFFER;
  block.lpstrInitialDir = g_file_selection.directory[0] ? g_file_selection.directory : nullptr;
  return block;
}

// A chosen file: its directory (with the separator) and its name are kept
// for the caller and for the next dialog.
void remember_choice(const OPENFILENAMEA& block, const char* title) {
  if (block.nFileOffset < FILESEL_BUFFER) g_file_selection.path[block.nFileOffset] = 0;
  copy_text(g_file_selection.directory, FILESEL_BUFFER, g_file_selection.path);
  copy_text(g_file_selection.file_title, FILESEL_BUFFER, title);
}

}  // namespace

// Open dialog for an existing file. Returns 1 when one was chosen. Cancel
// keeps the remembered directory and name; a failing dialog says so.
int filedlg_open(const char* filter, const char* initial_name) {
  // The copy keeps two NULs at its end even when the filter had to be cut.
  std::memset(g_file_selection.filter, 0, FILESEL_BUFFER);
  std::strncpy(g_file_selection.filter, filter ? filter : "", FILESEL_BUFFER - 2);
  filedlg_split_filter(g_file_selection.filter);
  copy_text(g_file_selection.path, FILESEL_BUFFER, initial_name);

  char title[FILESEL_BUFFER] = "";
  OPENFILENAMEA block = make_dialog_block(g_file_selection.filter, title);
  block.nFilterIndex = 1;
  block.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  block.lpstrDefExt = "*";
  if (GetOpenFileNameA(&block)) {
    remember_choice(block, title);
    return 1;
  }
  if (CommDlgExtendedError() != 0) ui_message_box("File Selection Error", nullptr, UI_MB_ICONHAND);
  return 0;
}

// Save dialog; the caller's filter is split in place (it must end in "|").
// The default name's file title starts the dialog when it fits 19 characters.
int filedlg_save(char* filter, const char* default_name) {
  if (filter) filedlg_split_filter(filter);
  g_file_selection.path[0] = 0;
  if (default_name) {
    // A pattern such as "*.OMF" is no file name to GetFileTitle; it starts
    // the dialog as it is when it fits.
    char short_title[SAVE_TITLE_LIMIT];
    if (GetFileTitleA(default_name, short_title, SAVE_TITLE_LIMIT) == 0)
      copy_text(g_file_selection.path, FILESEL_BUFFER, short_title);
    else if (std::strchr(default_name, '*') && std::strlen(default_name) < SAVE_TITLE_LIMIT)
      copy_text(g_file_selection.path, FILESEL_BUFFER, default_name);
  }

  char title[FILESEL_BUFFER] = "";
  OPENFILENAMEA block = make_dialog_block(filter, title);
  block.Flags = OFN_OVERWRITEPROMPT;
  if (!GetSaveFileNameA(&block)) {
    // A dialog that fails is not a cancel: the user would see nothing.
    if (CommDlgExtendedError() != 0) ui_message_box("File Selection Error", nullptr, UI_MB_ICONHAND);
    return 0;
  }
  remember_choice(block, title);
  return 1;
}

const char* filedlg_directory() { return g_file_selection.directory; }
const char* filedlg_file_title() { return g_file_selection.file_title; }
void filedlg_set_directory(const char* text) {
  copy_text(g_file_selection.directory, FILESEL_BUFFER, text);
}
void filedlg_set_file_title(const char* text) {
  copy_text(g_file_selection.file_title, FILESEL_BUFFER, text);
}

// Every "|" becomes NUL, in place.
void filedlg_split_filter(char* text) {
  if (!text) return;
  for (char* end = text + std::strlen(text); text < end; ++text)
    if (*text == '|') *text = 0;
}
