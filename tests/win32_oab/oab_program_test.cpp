// OAB.exe started as a program of its own, as scripts/run starts it, and used
// from outside as a user would: its exact title, the sample database opened
// through the open dialog, a record renamed in the panel, the discard
// question on close answered with Cancel, the database saved through the
// save dialog, a clean end on close; the design program's loader then reads
// the saved file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "materials/material.h"

namespace {

constexpr const char* TITLE = "Orvante Absorber Datenbank 2.90";
constexpr int CMD_OPEN = 102, CMD_SAVE_AS = 103, CMD_EDIT_RECORD = 203;
constexpr int ID_LIST = 101, ID_NAME = 102, ID_OK = 112;
constexpr int FILE_NAME_COMBO = 0x47c, FILE_NAME_EDIT = 0x480, BOX_TEXT = 0xFFFF;

bool wait_for(const std::function<bool()>& condition, DWORD timeout_ms = 20000) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeout_ms) return false;
    Sleep(50);
  }
  return true;
}

std::string text_of(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string program_folder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

struct DialogSearch {
  const std::function<bool(HWND)>* wanted;
  HWND found;
};
BOOL CALLBACK match_dialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(window) || !(*search->wanted)(window)) return TRUE;
  search->found = window;
  return FALSE;
}

// The program's main window: shown, with a menu, owned by no other window.
struct MainSearch {
  DWORD process;
  HWND found;
};
BOOL CALLBACK match_main(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<MainSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !IsWindowVisible(window) || GetWindow(window, GW_OWNER) || !GetMenu(window))
    return TRUE;
  search->found = window;
  return FALSE;
}

// The program under test, seen from outside: its windows are found by its
// process and thread, never by title alone (other tests share the display).
class Program {
 public:
  bool start(const std::string& folder) {
    std::string line = "\"" + folder + "OAB.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process_))
      return false;
    return wait_for([this] { return (main_ = find_main()) != nullptr; });
  }
  ~Program() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  HWND main() const { return main_; }
  HWND panel() const { return FindWindowExA(main_, nullptr, "#32770", nullptr); }
  bool running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
  // The exit code once the program ended within the time, else -1.
  long ended_with() const {
    if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return long(code);
  }

  // A shown dialog of the program's thread that matches.
  HWND dialog(const std::function<bool(HWND)>& wanted) const {
    DialogSearch search{&wanted, nullptr};
    EnumThreadWindows(process_.dwThreadId, match_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  // The file dialog that the command brings up gets path and OK.
  bool choose_file(int command, const std::string& path) const {
    PostMessageA(main_, WM_COMMAND, command, 0);
    HWND found = nullptr, field = nullptr;
    if (!wait_for([&] {
          found = dialog([&](HWND d) { return (field = file_name_field(d)) != nullptr; });
          return found != nullptr;
        }))
      return false;
    SetWindowTextA(field, path.c_str());
    PostMessageA(found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return wait_for([&] { return !IsWindow(found) || !IsWindowVisible(found); });
  }

  // The message box that shows up: its text, answered with button.
  std::string answer_box(int button) const {
    HWND box = nullptr;
    wait_for([&] { return (box = dialog([](HWND d) { return GetDlgItem(d, BOX_TEXT) != nullptr; })) != nullptr; });
    if (!box) return "";
    char text[256] = "";
    GetDlgItemTextA(box, BOX_TEXT, text, sizeof text);
    std::string seen = text_of(box) + ": " + text;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    wait_for([&] { return !IsWindow(box); });
    return seen;
  }

 private:
  static HWND file_name_field(HWND dialog) {
    HWND field = GetDlgItem(dialog, FILE_NAME_COMBO);
    return field ? field : GetDlgItem(dialog, FILE_NAME_EDIT);
  }
  HWND find_main() const {
    MainSearch search{process_.dwProcessId, nullptr};
    EnumWindows(match_main, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  PROCESS_INFORMATION process_ = {};
  HWND main_ = nullptr;
};

TEST(OabProgram, StartsEditsSavesAndEndsAsAProgramOfItsOwn) {
  const std::string folder = program_folder();
  const std::string sample = folder + "BEISPIEL.OAB";
  MaterialTable original{};
  ASSERT_EQ(mat_read_absorber_file(sample.c_str(), original), AbsorberDbStatus::ok);
  ASSERT_GT(original.count, 1);
  char temp[MAX_PATH] = "";
  GetTempPathA(sizeof temp, temp);
  const std::string out_folder = std::string(temp) + "oab_program_" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(out_folder.c_str(), nullptr);
  const std::string saved = out_folder + "GESPEICHERT.OAB";

  Program oab;
  ASSERT_TRUE(oab.start(folder)) << "OAB.exe did not show its window";
  EXPECT_EQ(text_of(oab.main()), TITLE);
  ASSERT_TRUE(wait_for([&] { return oab.panel() != nullptr; })) << "no record panel in the main window";

  ASSERT_TRUE(oab.choose_file(CMD_OPEN, sample));
  EXPECT_TRUE(wait_for([&] { return text_of(oab.main()) == TITLE + sample; })) << text_of(oab.main());
  EXPECT_EQ(SendDlgItemMessageA(oab.panel(), ID_LIST, LB_GETCOUNT, 0, 0), original.count);

  // The first record renamed through the panel's edit mode.
  PostMessageA(oab.main(), WM_COMMAND, CMD_EDIT_RECORD, 0);
  ASSERT_TRUE(wait_for([&] { return IsWindowVisible(GetDlgItem(oab.panel(), ID_OK)) != FALSE; }));
  SetWindowTextA(GetDlgItem(oab.panel(), ID_NAME), "Umbenannt");
  PostMessageA(oab.panel(), WM_COMMAND, MAKEWPARAM(ID_OK, BN_CLICKED), 0);
  ASSERT_TRUE(wait_for([&] { return !IsWindowVisible(GetDlgItem(oab.panel(), ID_OK)); }));
  wchar_t row[64] = L"";  // the list's text comes across processes in its own (wide) form
  SendDlgItemMessageW(oab.panel(), ID_LIST, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(row));
  EXPECT_STREQ(row, L"Umbenannt");

  // Unsaved: closing asks; Cancel keeps the program.
  PostMessageA(oab.main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(oab.answer_box(IDCANCEL), "Warnung: Datenbank wurde noch nicht gesichert");
  Sleep(300);
  EXPECT_TRUE(oab.running());
  EXPECT_TRUE(IsWindow(oab.main()));

  ASSERT_TRUE(oab.choose_file(CMD_SAVE_AS, out_folder + "GESPEICHERT"));
  EXPECT_TRUE(wait_for([&] { return text_of(oab.main()) == TITLE + saved; })) << text_of(oab.main());

  // Saved: closing ends the program at once and cleanly.
  PostMessageA(oab.main(), WM_CLOSE, 0, 0);
  EXPECT_EQ(oab.ended_with(), 0);

  // The design program's loader takes the saved database.
  ASSERT_TRUE(mat_load_absorber_db(saved.c_str()));
  EXPECT_EQ(g_absorber_db.count, original.count);
  EXPECT_STREQ(g_absorber_db.records[0].name, "Umbenannt");
  // The edit stores the coefficients as the panel shows them, to two places.
  for (int band = 0; band < MATERIAL_BANDS; ++band) {
    char shown[16];
    std::snprintf(shown, sizeof shown, "%1.2f", double(original.records[0].absorption[band]));
    EXPECT_FLOAT_EQ(g_absorber_db.records[0].absorption[band], float(std::atof(shown))) << band;
  }
  EXPECT_STREQ(g_absorber_db.records[1].name, original.records[1].name);
  DeleteFileA(saved.c_str());
  RemoveDirectoryA(out_folder.c_str());
}

}  // namespace
