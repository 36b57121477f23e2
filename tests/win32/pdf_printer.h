// The test run's PDF printer seen from a Windows test: answering the print
// dialog, a job name of this run's own, finding the PDF the queue wrote and
// turning its first page into grey pixels with pdftoppm.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/print_layout.h"
#include "framework/rand15.h"

namespace pdf_printer {

// --- the print dialog ------------------------------------------------------

inline int g_dialog_button = IDOK;
inline int g_dialogs_answered = 0;
inline void (*g_before_answer)(HWND dialog) = nullptr;

constexpr int PRINTER_COMBO = 0x473;  // the print dialog's printer list (cmb4)

inline BOOL CALLBACK find_dialog(HWND window, LPARAM param) {
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window) || !GetDlgItem(window, PRINTER_COMBO)) return TRUE;
  *reinterpret_cast<HWND*>(param) = window;
  return FALSE;
}

// The print dialog of this thread when it is open.
inline HWND print_dialog_window() {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), find_dialog, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

inline std::string env(const char* name);

// The dialog may come up with no printer chosen (when the print server was
// busy as the program started, it named no default): then the session's
// queue is chosen as the user would, which makes OK work.
inline void choose_printer(HWND dialog) {
  HWND combo = GetDlgItem(dialog, PRINTER_COMBO);
  if (!combo || SendMessageA(combo, CB_GETCURSEL, 0, 0) != CB_ERR) return;
  std::string queue = env("PRINTER").empty() ? "PDF" : env("PRINTER");
  LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(queue.c_str()));
  if (index == CB_ERR) index = 0;
  if (SendMessageA(combo, CB_SETCURSEL, index, 0) == CB_ERR) return;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(PRINTER_COMBO, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

// Presses the button and waits, the messages flowing, until the dialog
// closes. OK does nothing while no printer is chosen, so one is; the press
// is repeated for a dialog that still answers the print server (slow when
// other test runs print too); after limit_ms the dialog is cancelled and
// the answer is false, so that a test fails rather than hangs.
inline bool press_until_closed(HWND dialog, int button, DWORD limit_ms = 30000) {
  DWORD start = GetTickCount(), pressed = start;
  if (button == IDOK) choose_printer(dialog);
  PostMessageA(dialog, WM_COMMAND, button, 0);
  while (IsWindow(dialog) && IsWindowVisible(dialog)) {
    DWORD now = GetTickCount();
    if (now - start > limit_ms) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return false;
    }
    if (now - pressed > 1000) {
      if (button == IDOK) choose_printer(dialog);
      PostMessageA(dialog, WM_COMMAND, button, 0);
      pressed = now;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        return false;
      }
      if (!IsDialogMessageA(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
  }
  return true;
}

inline void CALLBACK answer_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = print_dialog_window();
  if (!dialog) return;  // not open yet: the timer comes again
  KillTimer(nullptr, timer);
  if (g_before_answer) g_before_answer(dialog);
  ++g_dialogs_answered;
  if (!press_until_closed(dialog, g_dialog_button)) ADD_FAILURE() << "the print dialog took no answer: cancelled";
}

// The next dialog of this thread is answered with button (IDOK, IDCANCEL)
// as soon as it shows; before, optionally, fills in the dialog first.
inline void answer_next_dialog(int button, void (*before)(HWND) = nullptr) {
  g_dialog_button = button;
  g_before_answer = before;
  SetTimer(nullptr, 0, 50, answer_dialog);
}

// Wine reads the print server's queues once per process: one started while
// the server was busy sees no printer for its whole life.
inline bool process_sees_a_printer() {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
  return needed > 0;
}

// --- job names ---------------------------------------------------------------

// Seeds the suite's generator so that the next job gets a name no other
// run of the tests uses, and returns that name.
inline std::string next_job_name() {
  static uint32_t counter = 0;
  uint32_t seed = GetCurrentProcessId() * 7919u + GetTickCount() + ++counter * 104729u;
  rand15_seed(seed);
  char name[PRINT_JOB_NAME_CHARS + 1];
  print_job_name(name);
  rand15_seed(seed);
  return name;
}

// --- files -------------------------------------------------------------------

inline std::string env(const char* name) {
  char value[1024] = "";
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value) : std::string();
}

// A Unix path as Wine's drive Z: sees it.
inline std::string windows_path(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string unix_path(const std::string& windows) {
  std::string path = windows.substr(2);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// Where cups-pdf may write: the folder the session named, the user's
// PDF folder, and the spool folders of anonymous and named users.
inline std::vector<std::string> output_folders() {
  std::vector<std::string> folders;
  if (!env("ORV_PDF_DIR").empty()) folders.push_back(env("ORV_PDF_DIR"));
  if (!env("HOME").empty()) folders.push_back(env("HOME") + "/PDF");
  folders.push_back("/root/PDF");
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("Z:\\var\\spool\\cups-pdf\\*", &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && found.cFileName[0] != '.')
        folders.push_back(std::string("/var/spool/cups-pdf/") + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return folders;
}

// cups-pdf names the file after the job, with characters it does not like
// replaced: every letter and digit must match, anything else may differ.
inline bool name_matches(const char* file, const std::string& job) {
  if (std::strlen(file) < job.size() + 4) return false;
  for (size_t i = 0; i < job.size(); ++i) {
    bool plain = std::isalnum(static_cast<unsigned char>(job[i])) != 0;
    if (plain && file[i] != job[i]) return false;
  }
  const char* dot = std::strrchr(file, '.');
  return dot && _stricmp(dot, ".pdf") == 0;
}

inline std::string find_now(const std::string& job) {
  for (const std::string& folder : output_folders()) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((windows_path(folder) + "\\*.pdf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    std::string hit;
    do {
      if (name_matches(found.cFileName, job)) hit = windows_path(folder) + "\\" + found.cFileName;
    } while (hit.empty() && FindNextFileA(search, &found));
    FindClose(search);
    if (!hit.empty()) return hit;
  }
  return "";
}

inline long long file_size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The PDF of the job once the queue has written it completely, or "" after
// timeout_ms.
inline std::string wait_for_pdf(const std::string& job, DWORD timeout_ms = 60000) {
  DWORD start = GetTickCount();
  long long last = -1;
  while (GetTickCount() - start < timeout_ms) {
    std::string path = find_now(job);
    long long size = path.empty() ? -1 : file_size(path);
    if (size > 0 && size == last) return path;
    last = size;
    Sleep(300);
  }
  return "";
}

// --- pages -------------------------------------------------------------------

struct Page {
  int width = 0, height = 0;
  std::vector<uint8_t> grey;
  int at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 255;
    return grey[static_cast<size_t>(y) * width + x];
  }
  bool dark(int x, int y) const { return at(x, y) < 128; }
};

// Starts a Unix shell command through Wine and waits for the file it
// touches when done (Wine hands no process handle back for Unix programs).
inline bool run_unix(const std::string& command, const std::string& done_file, DWORD timeout_ms = 60000) {
  std::string line = "/bin/sh -c \"" + command + " ; touch " + done_file + "\"";
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeout_ms) {
    if (GetFileAttributesA(windows_path(done_file).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(100);
  }
  return false;
}

inline bool read_pgm(const std::string& path, Page& page) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  int max = 0;
  bool ok = std::fscanf(file, "P5 %d %d %d", &page.width, &page.height, &max) == 3 && max == 255 &&
            std::fgetc(file) != EOF && page.width > 0 && page.height > 0;
  if (ok) {
    page.grey.resize(static_cast<size_t>(page.width) * page.height);
    ok = std::fread(page.grey.data(), 1, page.grey.size(), file) == page.grey.size();
  }
  std::fclose(file);
  return ok;
}

// First page of the PDF in grey at dpi, or false.
inline bool rasterise(const std::string& pdf, int dpi, Page& page, int page_number = 1) {
  char folder[64];
  std::snprintf(folder, sizeof folder, "/tmp/orv_print_%lu_%lu", GetCurrentProcessId(), GetTickCount());
  std::string prefix = std::string(folder) + "/page";
  char command[1024];
  std::snprintf(command, sizeof command, "mkdir -p %s && pdftoppm -r %d -gray -singlefile -f %d -l %d %s %s", folder,
                dpi, page_number, page_number, unix_path(pdf).c_str(), prefix.c_str());
  if (!run_unix(command, prefix + ".done")) return false;
  bool ok = read_pgm(windows_path(prefix + ".pgm"), page);
  DeleteFileA(windows_path(prefix + ".pgm").c_str());
  DeleteFileA(windows_path(prefix + ".done").c_str());
  RemoveDirectoryA(windows_path(folder).c_str());
  return ok;
}

// Number of pages, read by pdfinfo; 0 when unknown.
inline int page_count(const std::string& pdf) {
  char folder[64];
  std::snprintf(folder, sizeof folder, "/tmp/orv_pages_%lu_%lu", GetCurrentProcessId(), GetTickCount());
  std::string out = std::string(folder) + "/info";
  char command[1024];
  std::snprintf(command, sizeof command, "mkdir -p %s && pdfinfo %s > %s", folder, unix_path(pdf).c_str(), out.c_str());
  if (!run_unix(command, out + ".done")) return 0;
  int pages = 0;
  if (FILE* file = std::fopen(windows_path(out).c_str(), "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, file))
      if (std::sscanf(line, "Pages: %d", &pages) == 1) break;
    std::fclose(file);
  }
  DeleteFileA(windows_path(out).c_str());
  DeleteFileA(windows_path(out + ".done").c_str());
  RemoveDirectoryA(windows_path(folder).c_str());
  return pages;
}

// Bounding box of the dark pixels of a page; empty (left > right) when none.
struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
inline Box dark_box(const Page& page) {
  Box box;
  for (int y = 0; y < page.height; ++y)
    for (int x = 0; x < page.width; ++x)
      if (page.dark(x, y)) {
        if (x < box.left) box.left = x;
        if (x > box.right) box.right = x;
        if (y < box.top) box.top = y;
        if (y > box.bottom) box.bottom = y;
      }
  return box;
}

}  // namespace pdf_printer
