// libFuzzer harness of the absorber database reader: any file must be read
// or refused without a crash or a sanitizer report; a file that is taken
// holds at most 200 records and writes back as the same records.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "materials/material.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/absorber_fuzz_" + std::to_string(getpid()) + ".OAB";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  static MaterialTable table;
  for (AbsorberDbOverflow overflow : {AbsorberDbOverflow::refuse, AbsorberDbOverflow::keep_first}) {
    AbsorberDbStatus status = mat_read_absorber_file(path.c_str(), table, overflow);
    if (status != AbsorberDbStatus::ok && status != AbsorberDbStatus::cut) continue;
    if (table.count < 0 || table.count > MAX_MATERIALS) std::abort();
    std::vector<uint8_t> bytes = mat_absorber_file_bytes(table);
    if (bytes.size() != ABSORBER_DB_HEADER_BYTES + size_t(table.count) * MATERIAL_RECORD_BYTES) std::abort();
  }
  return 0;
}
