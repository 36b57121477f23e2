// libFuzzer harness of the absorber database reader and of what the
// absorber-database editor does with a table it took: any file must be read
// or refused without a crash or a sanitizer report; a file that is taken
// holds at most 200 records, sorts, prints its cells, deletes a record and
// saves, and the saved file reads back as the same records.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "absorber_editor/absorber_db.h"
#include "materials/material.h"

namespace {

std::string temp_path(const char* what) {
  return "/tmp/absorber_fuzz_" + std::to_string(getpid()) + what + ".OAB";
}

bool write_file(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

void check_reader(const std::string& path) {
  static MaterialTable table;
  for (AbsorberDbOverflow overflow : {AbsorberDbOverflow::refuse, AbsorberDbOverflow::keep_first}) {
    AbsorberDbStatus status = mat_read_absorber_file(path.c_str(), table, overflow);
    if (status != AbsorberDbStatus::ok && status != AbsorberDbStatus::cut) continue;
    if (table.count < 0 || table.count > MAX_MATERIALS) std::abort();
    std::vector<uint8_t> bytes = mat_absorber_file_bytes(table);
    if (bytes.size() != ABSORBER_DB_HEADER_BYTES + size_t(table.count) * MATERIAL_RECORD_BYTES) std::abort();
  }
}

// Every cell of every record, as the print command lays them out.
void lay_out_print() {
  int a, b;
  absed_print_char_size(3000, &a, &b);
  size_t cells = absed_print_header_cells(a, b, 1, 3000).size();
  for (int k = 0; k < g_absed_table.count; ++k)
    cells += absed_print_row_cells(k, g_absed_table.records[k], absed_print_row_y(k, a), a, b).size();
  if (cells < size_t(g_absed_table.count) * (3 + 1 + MATERIAL_BANDS)) std::abort();
}

void check_editor(const std::string& path) {
  absed_new_database();
  AbsedOpen opened = absed_open_file(path.c_str());
  if (opened != AbsedOpen::opened && opened != AbsedOpen::cut) {
    if (g_absed_table.count != 0 || g_absed_file_name[0] != 0) std::abort();  // a refused file changes nothing
    return;
  }
  absed_sort_by_category();
  absed_sort_by_name();
  lay_out_print();
  if (g_absed_table.count > 0 && absed_delete_record(g_absed_table.count / 2) < -1) std::abort();
  static const std::string saved = temp_path("_saved");
  if (!absed_save_file(saved.c_str())) return;
  static MaterialTable reread;
  if (mat_read_absorber_file(saved.c_str(), reread) != AbsorberDbStatus::ok) std::abort();
  if (reread.count != g_absed_table.count) std::abort();
  std::vector<uint8_t> written = mat_absorber_file_bytes(reread), held = mat_absorber_file_bytes(g_absed_table);
  if (written != held) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = temp_path("");
  if (!write_file(path, data, size)) return 0;
  check_reader(path);
  check_editor(path);
  return 0;
}
