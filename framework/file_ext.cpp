#include "framework/file_ext.h"

#include <cctype>
#include <cstring>

// Case-insensitive test of the name's ending; an empty extension is always there.
bool file_ext_has(const char* name, const char* extension) {
  size_t name_len = std::strlen(name);
  size_t ext_len = std::strlen(extension);
  if (ext_len > name_len) return false;
  const char* tail = name + name_len - ext_len;
  for (size_t i = 0; i < ext_len; ++i) {
    unsigned char a = static_cast<unsigned char>(tail[i]);
    unsigned char b = static_cast<unsigned char>(extension[i]);
    if (std::toupper(a) != std::toupper(b)) return false;
  }
  return true;
}

// Appends the extension unless the name already ends in it (kept as typed,
// whatever its case). Refuses, leaving the name alone, when the result would
// not fit the buffer: a cut name would save under a different file.
bool file_ext_ensure(char* name, size_t capacity, const char* extension) {
  if (file_ext_has(name, extension)) return true;
  size_t name_len = std::strlen(name);
  size_t ext_len = std::strlen(extension);
  if (name_len + ext_len + 1 > capacity) return false;
  std::memcpy(name + name_len, extension, ext_len + 1);
  return true;
}
