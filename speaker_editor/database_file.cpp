#include "speaker_editor/database_file.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "cad/obj_store.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/drawing_file.h"
#include "speaker_editor/record_table.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_db.h"

namespace {

const char* const MSG_CANNOT_WRITE = "Datei kann nicht geschrieben werden";
const char* const MSG_RECORD_UNREADABLE = "Datensatz kann nicht gelesen werden";

void message(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

// Records of one file before they enter the table.
struct Staged {
  std::vector<SpeakerRecord*> records;
  std::vector<RecordDrawing*> drawings;
  ~Staged() {
    for (SpeakerRecord* r : records) spk_record_free(r);
    for (RecordDrawing* d : drawings) spked_free_drawing(d);
  }
};

void put_header(ByteWriter& w, int count) {
  uint8_t header[SDB_HEADER_SIZE] = {};
  std::memcpy(header, SDB_ID_V140, std::strlen(SDB_ID_V140));
  le_put_u16(header + 30, uint16_t(count));
  w.bytes(header, sizeof header);
}

// Bytes the drawing takes behind its record; 0 for none.
uint32_t drawing_bytes(const RecordDrawing* drawing) {
  uint64_t size = 0;
  if (drawing)
    for (DrawObject* o = drawing->head; o; o = o->next)
      size += OBJ_CHUNK_HEADER_BYTES + 12ull * o->node_count + 4ull * o->element_count;
  return uint32_t(size);
}

// Object texts are not stored with a database drawing.
void put_drawing(ByteWriter& w, const RecordDrawing* drawing) {
  if (!drawing) return;
  for (DrawObject* o = drawing->head; o; o = o->next) {
    ObjChunkHeader h = obj_chunk_header(o, o->next != nullptr);
    h.aux_size = 0;
    size_t at = w.buffer().size();
    w.zeros(obj_chunk_size(h));
    obj_put_chunk(h, o, w.buffer().data() + at, obj_chunk_size(h));
  }
}

void put_record(ByteWriter& w, SpeakerRecord& record, const RecordDrawing* drawing) {
  record.shape_ref = int32_t(drawing_bytes(drawing));
  uint8_t image[SPK_RECORD_SIZE];
  sdb_encode_record_to(record, image);
  w.bytes(image, sizeof image);
  put_drawing(w, drawing);
}

int version_of(const uint8_t* data, size_t size) {
  if (size < SDB_HEADER_SIZE) return SDB_VERSION_NONE;
  char text[31] = {};
  std::memcpy(text, data, 30);
  if (std::strcmp(text, SDB_ID_V140) == 0) return SDB_VERSION_140;
  if (std::strcmp(text, SDB_ID_V130) == 0) return SDB_VERSION_130;
  return SDB_VERSION_NONE;
}

// The drawing chunks behind a record, exactly `size` bytes. Null with
// `damaged` set when they do not fill those bytes exactly or break a limit.
RecordDrawing* read_embedded_drawing(const uint8_t* data, size_t size, bool& damaged) {
  damaged = false;
  if (size == 0) return nullptr;
  auto* drawing = new (std::nothrow) RecordDrawing{};
  if (!drawing) {
    damaged = true;
    return nullptr;
  }
  size_t pos = 0;
  for (;;) {
    ObjChunkHeader h;
    size_t used = 0;
    if (size - pos < OBJ_CHUNK_HEADER_BYTES) break;
    obj_decode_chunk_header(data + pos, h);
    if (h.node_count > MAX_OBJECT_NODES || h.element_count > MAX_OBJECT_ELEMENTS) break;
    DrawObject* o = obj_get_chunk(data + pos, size - pos, &used, &h);
    if (!o) break;
    o->kind = spked_object_kind_from_elements(o);
    obj_list_append(drawing->head, drawing->tail, o);
    pos += used;
    if (!h.next) {
      if (pos == size) return drawing;
      break;
    }
  }
  spked_free_drawing(drawing);
  damaged = true;
  return nullptr;
}

int stage_v140(const uint8_t* data, size_t size, Staged& staged) {
  int16_t count = int16_t(le_get_u16(data + 30));
  if (count < 0) return SPKED_READ_DAMAGED;
  size_t pos = SDB_HEADER_SIZE;
  uint8_t image[SPK_RECORD_SIZE];
  for (int i = 0; i < count; ++i) {
    if (size - pos < size_t(SPK_RECORD_SIZE)) return SPKED_READ_DAMAGED;
    std::memcpy(image, data + pos, sizeof image);
    pos += SPK_RECORD_SIZE;
    SpeakerRecord* record = spk_record_alloc();
    if (!record) return SPKED_READ_DAMAGED;
    staged.records.push_back(record);
    staged.drawings.push_back(nullptr);
    if (!sdb_decode_record_from(*record, image)) return SPKED_READ_DAMAGED;
    uint32_t shape = uint32_t(record->shape_ref);
    if (shape > size - pos) return SPKED_READ_DAMAGED;
    bool damaged = false;
    staged.drawings.back() = read_embedded_drawing(data + pos, shape, damaged);
    if (damaged) return SPKED_READ_DAMAGED;
    pos += shape;
  }
  return SPKED_READ_OK;
}

std::string folder_of(const char* path) {
  std::string p = path;
  size_t cut = p.find_last_of("\\/:");
  return cut == std::string::npos ? std::string() : p.substr(0, cut + 1);
}

}  // namespace

std::vector<uint8_t> spked_database_bytes() {
  ByteWriter w;
  put_header(w, g_spked_table.count);
  static SpeakerRecord record;
  for (int i = 0; i < g_spked_table.count; ++i) {
    if (!spked_decode_slot(i, record)) continue;  // table records were verified when they entered
    put_record(w, record, g_spked_table.drawings[i]);
    sdb_encode_record_to(record, g_spked_table.images[i]);  // the stored size in the table too
  }
  le_put_u16(w.buffer().data() + 30, uint16_t(g_spked_table.count));
  return std::move(w.buffer());
}

bool spked_write_database(const char* path) {
  std::vector<uint8_t> data = spked_database_bytes();
  size_t n = std::strlen(path);
  std::string backup = std::string(path, n >= 4 ? n - 4 : 0) + "_old.OSB";
  return le_write_file_safely(path, data.data(), data.size(), backup.c_str(), size_t(SDB_MAX_FILE_BYTES)) ==
         LE_SAVED;
}

int spked_read_database_bytes(const uint8_t* data, size_t size, bool replace) {
  int version = version_of(data, size);
  if (version == SDB_VERSION_130) return SPKED_READ_OLD_VERSION;
  if (version != SDB_VERSION_140) return SPKED_READ_INVALID;
  Staged staged;
  int result = stage_v140(data, size, staged);
  if (result != SPKED_READ_OK) return result;
  if (replace) spked_clear_table();
  for (size_t i = 0; i < staged.records.size(); ++i) {
    if (!spked_insert_record(*staged.records[i], staged.drawings[i])) return SPKED_READ_TABLE_FULL;
    staged.drawings[i] = nullptr;  // the table owns it now
  }
  return SPKED_READ_OK;
}

int spked_read_database(const char* path, bool replace) {
  std::vector<uint8_t> data;
  FILE* probe = std::fopen(path, "rb");
  if (!probe) return SPKED_READ_CANNOT_OPEN;
  std::fclose(probe);
  if (!le_read_file(path, data, size_t(SDB_MAX_FILE_BYTES))) return SPKED_READ_DAMAGED;
  return spked_read_database_bytes(data.data(), data.size(), replace);
}

bool spked_convert_v130_database(const char* path) {
  std::vector<uint8_t> data;
  if (!le_read_file(path, data, size_t(SDB_MAX_FILE_BYTES)) || data.size() < SDB_HEADER_SIZE) return false;
  size_t n = (data.size() - SDB_HEADER_SIZE) / SPK_RECORD_SIZE;
  std::string folder = folder_of(path);
  std::vector<std::string> side_files;
  ByteWriter w;
  put_header(w, 0);
  int converted = 0;
  static SpeakerRecord record;
  uint8_t image[SPK_RECORD_SIZE];
  for (size_t i = 0; i < n && converted < MAX_SPEAKER_TYPES; ++i) {
    std::memcpy(image, &data[SDB_HEADER_SIZE + i * SPK_RECORD_SIZE], sizeof image);
    if (!sdb_decode_record_from(record, image)) {
      message(MSG_RECORD_UNREADABLE);
      continue;
    }
    ++converted;
    spked_trim_trailing_blanks(record.type_name);
    std::string side = folder + record.type_name + ".TCF";
    RecordDrawing* drawing = nullptr;
    std::vector<uint8_t> side_bytes;
    if (le_read_file(side.c_str(), side_bytes, size_t(LEGACY_DRAWING_FILE_MAX_BYTES))) {
      drawing = spked_read_legacy_drawing(side_bytes.data(), side_bytes.size(), false);
      side_files.push_back(side);
    }
    put_record(w, record, drawing);
    spked_free_drawing(drawing);
  }
  if (converted == 0) return false;
  le_put_u16(w.buffer().data() + 30, uint16_t(converted));
  if (le_write_file_safely(path, w.buffer().data(), w.buffer().size(), nullptr, 0) != LE_SAVED) {
    message(MSG_CANNOT_WRITE);
    return false;
  }
  for (const std::string& side : side_files) std::remove(side.c_str());
  return true;
}
