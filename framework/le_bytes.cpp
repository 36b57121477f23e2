#include "framework/le_bytes.h"

#include <cstdio>
#include <cstring>
#include <string>

uint16_t le_get_u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le_get_u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
float le_get_f32(const uint8_t* p) {
  uint32_t bits = le_get_u32(p);
  float v;
  std::memcpy(&v, &bits, 4);
  return v;
}
void le_put_u16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void le_put_u32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void le_put_f32(uint8_t* p, float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  le_put_u32(p, bits);
}

bool ByteReader::bytes(void* out, size_t n) {
  if (n > remaining()) return false;
  if (n) std::memcpy(out, data_ + pos_, n);
  pos_ += n;
  return true;
}
bool ByteReader::skip(size_t n) {
  if (n > remaining()) return false;
  pos_ += n;
  return true;
}
bool ByteReader::u8(uint8_t& v) {
  if (remaining() < 1) return false;
  v = data_[pos_++];
  return true;
}
bool ByteReader::u16(uint16_t& v) {
  if (remaining() < 2) return false;
  v = le_get_u16(data_ + pos_);
  pos_ += 2;
  return true;
}
bool ByteReader::i16(int16_t& v) {
  uint16_t u;
  if (!u16(u)) return false;
  v = static_cast<int16_t>(u);
  return true;
}
bool ByteReader::u32(uint32_t& v) {
  if (remaining() < 4) return false;
  v = le_get_u32(data_ + pos_);
  pos_ += 4;
  return true;
}
bool ByteReader::i32(int32_t& v) {
  uint32_t u;
  if (!u32(u)) return false;
  v = static_cast<int32_t>(u);
  return true;
}
bool ByteReader::f32(float& v) {
  if (remaining() < 4) return false;
  v = le_get_f32(data_ + pos_);
  pos_ += 4;
  return true;
}

void ByteWriter::bytes(const void* data, size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + n);
}
void ByteWriter::zeros(size_t n) { buf_.insert(buf_.end(), n, 0); }
void ByteWriter::u8(uint8_t v) { buf_.push_back(v); }
void ByteWriter::u16(uint16_t v) {
  uint8_t b[2];
  le_put_u16(b, v);
  bytes(b, 2);
}
void ByteWriter::u32(uint32_t v) {
  uint8_t b[4];
  le_put_u32(b, v);
  bytes(b, 4);
}
void ByteWriter::f32(float v) {
  uint8_t b[4];
  le_put_f32(b, v);
  bytes(b, 4);
}

// Reads in pieces so a file that shrinks or grows while read is still bounded.
bool le_read_file(const char* path, std::vector<uint8_t>& out, size_t max_bytes) {
  out.clear();
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  uint8_t chunk[65536];
  bool ok = true;
  for (;;) {
    size_t got = std::fread(chunk, 1, sizeof chunk, f);
    if (got == 0) {
      ok = !std::ferror(f);
      break;
    }
    if (out.size() + got > max_bytes) {
      ok = false;
      break;
    }
    out.insert(out.end(), chunk, chunk + got);
  }
  std::fclose(f);
  if (!ok) out.clear();
  return ok;
}

namespace {

// LE_SAVED, or why the file could not be written completely.
int write_whole_file(const char* path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return LE_SAVE_CANNOT_CREATE;
  bool ok = std::fwrite(data, 1, size, f) == size;
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  return ok ? LE_SAVED : LE_SAVE_WRITE_FAILED;
}

bool file_exists(const char* path) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

bool copy_file(const char* from, const char* to, size_t max_bytes) {
  std::vector<uint8_t> data;
  if (!le_read_file(from, data, max_bytes)) return false;
  return write_whole_file(to, data.data(), data.size()) == LE_SAVED;
}

}  // namespace

int le_write_file_safely(const char* path, const uint8_t* data, size_t size, const char* backup_path,
                         size_t max_copy_bytes) {
  std::string temp = std::string(path) + ".tmp";
  int written = write_whole_file(temp.c_str(), data, size);
  if (written != LE_SAVED) {
    std::remove(temp.c_str());
    return written;
  }
  if (backup_path && file_exists(path) && !copy_file(path, backup_path, max_copy_bytes)) {
    std::remove(temp.c_str());
    return LE_SAVE_CANNOT_REPLACE;
  }
  if (std::rename(temp.c_str(), path) != 0) {
    // Windows will not rename over an existing file; the new data is
    // complete under the temporary name (and the old one in the backup).
    std::remove(path);
    if (std::rename(temp.c_str(), path) != 0) {
      std::remove(temp.c_str());
      return LE_SAVE_CANNOT_REPLACE;
    }
  }
  return LE_SAVED;
}
