#include "framework/safe_save.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/le_bytes.h"

namespace {

constexpr size_t MAX_BACKUP_BYTES = 1024u * 1024u * 1024u;

bool write_whole_file(const char* path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(data, 1, size, f) == size;
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

bool file_exists(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

bool copy_file(const char* from, const char* to) {
  std::vector<uint8_t> data;
  if (!le_read_file(from, data, MAX_BACKUP_BYTES)) return false;
  return write_whole_file(to, data.data(), data.size());
}

}  // namespace

void safe_save_backup_name(const char* path, const char* extension, char* out, size_t out_size) {
  size_t n = std::strlen(path);
  size_t stem = n >= 4 ? n - 4 : 0;
  std::snprintf(out, out_size, "%.*s_old%s", static_cast<int>(stem), path, extension);
}

bool safe_save_file(const char* path, const uint8_t* data, size_t size, const char* backup_path) {
  std::string temp = std::string(path) + ".tmp";
  if (!write_whole_file(temp.c_str(), data, size)) {
    std::remove(temp.c_str());
    return false;
  }
  if (backup_path && file_exists(path) && !copy_file(path, backup_path)) {
    std::remove(temp.c_str());
    return false;
  }
  if (std::rename(temp.c_str(), path) != 0) {
    // Windows will not rename over an existing file; the backup holds it now.
    std::remove(path);
    if (std::rename(temp.c_str(), path) != 0) {
      std::remove(temp.c_str());
      return false;
    }
  }
  return true;
}
