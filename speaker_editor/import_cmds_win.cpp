// The import commands: file choice, the AcoustaCadd dialog, and the new
// record appended to the table.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/filesel_win.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"
#include "speaker_editor/acoustacadd_import.h"
#include "speaker_editor/ease_imports.h"
#include "speaker_editor/editor_shell_win.h"
#include "speaker_editor/import_common.h"
#include "speaker_editor/record_table.h"
#include "speaker_editor/text_imports.h"

namespace {

constexpr size_t MAX_IMPORT_BYTES = 64u * 1024 * 1024;

bool table_has_room() {
  if (g_spked_table.count < MAX_SPEAKER_TYPES) return true;
  ui_message_box(SPKED_MSG_TABLE_FULL, nullptr, UI_MB_OK);
  return false;
}

bool choose_and_read(const char* filter, const char* initial, std::vector<uint8_t>& data, std::string* path = nullptr) {
  if (!filedlg_open(filter, initial)) return false;
  std::string chosen = std::string(filedlg_directory()) + filedlg_file_title();
  if (path) *path = chosen;
  return le_read_file(chosen.c_str(), data, MAX_IMPORT_BYTES);
}

using TextReader = bool (*)(const uint8_t*, size_t, SpeakerRecord&);

void import_text_file(const char* filter, const char* initial, TextReader read) {
  if (!table_has_room()) return;
  std::vector<uint8_t> data;
  if (!choose_and_read(filter, initial, data)) return;
  static SpeakerRecord record;
  if (!read(data.data(), data.size(), record)) return;
  g_spked_current = record;
  spked_append_new_record();
}

// ---- AcoustaCadd dialog ----

std::string g_parameter_path;
int g_kind_to_store = 1;

void show_band_values(HWND dialog) {
  char text[32];
  for (int i = 0; i < SPK_BANDS; ++i) {
    std::snprintf(text, sizeof text, "%4.0f", g_spked_current.rated_power[i]);
    SetDlgItemTextA(dialog, 400 + i, text);
    std::snprintf(text, sizeof text, "%3.1f", g_spked_current.sensitivity[i]);
    SetDlgItemTextA(dialog, 500 + i, text);
  }
}

void fill_acoustacadd_dialog(HWND dialog) {
  SpeakerRecord& r = g_spked_current;
  SendDlgItemMessageA(dialog, 100, EM_LIMITTEXT, 20, 0);
  SendDlgItemMessageA(dialog, 101, EM_LIMITTEXT, 8, 0);
  SendDlgItemMessageA(dialog, 600, EM_LIMITTEXT, 40, 0);
  SetDlgItemTextA(dialog, 100, r.manufacturer);
  SetDlgItemTextA(dialog, 101, r.type_name);
  SetDlgItemTextA(dialog, 600, r.description);
  for (int i = 0; i < 6; ++i) CheckDlgButton(dialog, 300 + i, (r.crossover_mask >> i) & 1 ? BST_CHECKED : BST_UNCHECKED);
  show_band_values(dialog);
  g_kind_to_store = r.kind >= 1 && r.kind <= 3 ? r.kind : 1;
}

void search_parameter_file(HWND dialog) {
  std::vector<uint8_t> data;
  std::string path;
  if (!choose_and_read("*.SPK|*.spk|", nullptr, data, &path)) return;
  if (data.size() < SPKED_ACOUSTACADD_PARAMETER_BYTES) return;  // too short: nothing is read
  SpeakerRecord& r = g_spked_current;
  std::string title = filedlg_file_title();
  std::string type = title.size() > 4 ? title.substr(0, title.size() - 4) : std::string();
  spked_set_text_field(r.type_name, sizeof r.type_name, type);  // at most 8 characters
  if (const char* maker = spked_acoustacadd_manufacturer(char(data[0])))
    spked_set_text_field(r.manufacturer, sizeof r.manufacturer, maker);
  spked_read_acoustacadd_parameters(data.data(), r, path);
  g_parameter_path = path;
  g_kind_to_store = r.kind;
  SetDlgItemTextA(dialog, 100, r.manufacturer);
  SetDlgItemTextA(dialog, 101, r.type_name);
  show_band_values(dialog);
}

void read_field(HWND dialog, int id, char* field, size_t size) {
  char text[64];
  GetDlgItemTextA(dialog, id, text, sizeof text);
  spked_set_text_field(field, size, text);
}

bool accept_acoustacadd(HWND dialog) {
  SpeakerRecord& r = g_spked_current;
  if (r.kind == 3) {
    ui_message_box("You selected a horn without driver. Please add driver", nullptr, UI_MB_OK);
    return false;
  }
  if (r.kind == 2) {
    ui_message_box("You selected a driver without horn. Please add horn", nullptr, UI_MB_OK);
    return false;
  }
  if (r.kind != 1) return false;  // no parameter file chosen yet
  read_field(dialog, 101, r.type_name, sizeof r.type_name);
  read_field(dialog, 100, r.manufacturer, sizeof r.manufacturer);
  read_field(dialog, 600, r.description, sizeof r.description);
  r.kind = int16_t(g_kind_to_store);
  r.crossover_mask = 0;
  for (int i = 0; i < 6; ++i)
    if (IsDlgButtonChecked(dialog, 300 + i) == BST_CHECKED) r.crossover_mask |= uint16_t(1u << i);
  for (int i = 0; i < SPK_BANDS; ++i) {
    char text[32];
    GetDlgItemTextA(dialog, 500 + i, text, sizeof text);
    std::sscanf(text, "%f", &r.sensitivity[i]);
    GetDlgItemTextA(dialog, 400 + i, text, sizeof text);
    int watts;
    if (std::sscanf(text, "%d", &watts) == 1) r.rated_power[i] = float(watts);
  }
  return true;
}

INT_PTR CALLBACK acoustacadd_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      fill_acoustacadd_dialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case 103: search_parameter_file(dialog); return TRUE;
        case 700:
        case IDOK:
          if (accept_acoustacadd(dialog)) EndDialog(dialog, 1);
          return TRUE;
        case 701:
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int spked_show_acoustacadd_dialog() {
  INT_PTR result = DialogBoxParamA(win_instance(), "DIALOG_8", win_main_window(), acoustacadd_proc, 0);
  if (result == -1) {
    MessageBoxA(nullptr, "Unable to display dialog", "System Error", MB_OK | MB_ICONHAND | MB_SYSTEMMODAL);
    return 0;
  }
  return int(result);
}

// The pairing of horn and driver lives only within one run of the dialog.
void spked_import_acoustacadd() {
  std::memset(static_cast<SpeakerHead*>(&g_spked_current), 0, sizeof(SpeakerHead));
  if (!table_has_room()) return;
  spked_reset_acoustacadd_pairing();
  g_parameter_path.clear();
  int result = spked_show_acoustacadd_dialog();
  if (result != 1 || g_parameter_path.empty()) {
    spked_reset_acoustacadd_pairing();
    return;
  }
  spked_build_acoustacadd_balloon(g_spked_current, g_parameter_path);
  spked_append_new_record();
  spked_reset_acoustacadd_pairing();
}

void spked_import_lsp_catalog() {
  if (!table_has_room()) return;
  std::vector<uint8_t> data;
  if (!choose_and_read("*.LSP|*.lsp|", "*.lsp", data)) return;
  HCURSOR old = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  spked_import_lsp_bytes(data.data(), data.size());
  SetCursor(old);
}

void spked_import_spk_speaker() {
  if (!table_has_room()) return;
  std::vector<uint8_t> spk, lob;
  std::string path;
  if (!choose_and_read("*.SPK|*.spk|", "*.spk", spk, &path)) return;
  std::string lob_path = path.size() >= 3 ? path.substr(0, path.size() - 3) + "LOB" : path;
  if (!le_read_file(lob_path.c_str(), lob, MAX_IMPORT_BYTES)) return;  // no balloon: no record
  static SpeakerRecord record;
  if (!spked_spk_to_record(spk.data(), spk.size(), lob.data(), lob.size(), record)) return;
  g_spked_current = record;
  spked_append_new_record();
}

void spked_import_gdf() { import_text_file("GDF|*.GDF|", "*.gdf", spked_gdf_to_record); }

void spked_import_onf() { import_text_file("ONF|*.ONF|", "*.onf", spked_onf_to_record); }
