// Little-endian reading from a bounded byte range and writing into a growing
// buffer. File formats are decoded field by field through these, so no count
// or offset taken from a file can move past the end of the data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool bytes(void* out, size_t n);
  bool skip(size_t n);
  bool u8(uint8_t& v);
  bool u16(uint16_t& v);
  bool i16(int16_t& v);
  bool u32(uint32_t& v);
  bool i32(int32_t& v);
  bool f32(float& v);
  size_t position() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }
  const uint8_t* here() const { return data_ + pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class ByteWriter {
 public:
  void bytes(const void* data, size_t n);
  void zeros(size_t n);
  void u8(uint8_t v);
  void u16(uint16_t v);
  void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
  void u32(uint32_t v);
  void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
  void f32(float v);
  std::vector<uint8_t>& buffer() { return buf_; }
  const std::vector<uint8_t>& buffer() const { return buf_; }

 private:
  std::vector<uint8_t> buf_;
};

uint16_t le_get_u16(const uint8_t* p);
uint32_t le_get_u32(const uint8_t* p);
float le_get_f32(const uint8_t* p);
void le_put_u16(uint8_t* p, uint16_t v);
void le_put_u32(uint8_t* p, uint32_t v);
void le_put_f32(uint8_t* p, float v);

// Whole file into memory; false when it cannot be opened, read, or exceeds max_bytes.
bool le_read_file(const char* path, std::vector<uint8_t>& out, size_t max_bytes);

// Saves data under path without ever losing the old file: the data goes to
// path + ".tmp" first, the old file (when backup_path is given) is copied to
// the backup, and only then the new file takes the name.
enum LeSaveResult : int { LE_SAVED = 0, LE_SAVE_CANNOT_CREATE, LE_SAVE_WRITE_FAILED, LE_SAVE_CANNOT_REPLACE };
int le_write_file_safely(const char* path, const uint8_t* data, size_t size, const char* backup_path,
                         size_t max_copy_bytes);
