#include "speakers/speaker_db.h"

#include <cctype>
#include <cstdarg>
#include <cstring>
#include <vector>

#include "cad/obj_store.h"
#include "framework/file_ext.h"
#include "framework/last_folders.h"
#include "framework/ui_seam.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_model.h"

const char SDB_ID_V140[] = "ORVANTE SPEAKER DATABASE V140";
const char SDB_ID_V130[] = "ORVANTE SPEAKER DATABASE V130";
const char SDB_ID_V11[] = "ORVANTE SPEAKER DATABASE V1.1";

SpeakerDbIndex g_sdb_index;
int g_sdb_version = SDB_VERSION_NONE;
SpeakerHead g_type_head;
int g_sdb_current_selection = 0;

namespace {

const char* const MSG_INVALID_FILE = "Ungültige Datei, kann nicht geladen werden";
const char* const MSG_DAMAGED_FILE =
    "Die Lautsprecherdatenbank ist beschädigt oder unvollständig und kann nicht geladen werden";
const char* const MSG_SKIPPED = "Beschädigte Datensätze der Lautsprecherdatenbank übersprungen: %d";
const char* const MSG_INDEX_FULL =
    "Die Lautsprecherdatenbank enthält mehr als 512 Typen; nur die ersten 512 sind wählbar";
const char* const MSG_TOO_LARGE =
    "Die Datei ist zu groß für eine Lautsprecherdatenbank und kann nicht geladen werden";
const char* const MSG_PATH_TOO_LONG = "Der Pfad der Lautsprecherdatenbank ist zu lang";
const char* const MSG_NOT_AVAILABLE = "Lautsprecher nicht verfügbar";
const char* const MSG_TYPES_FULL = "Es können höchstens 500 Lautsprechertypen geladen werden";
const char* const MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden, Operation abgebrochen";

// Fixed record key of records upgraded from the oldest layout.
const char UPGRADED_RECORD_KEY[16] = "QAXBELT K7.26  ";

void message(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

void message_count(const char* format, int n) {
  char text[200];
  std::snprintf(text, sizeof text, format, n);
  message(text);
}

uint32_t u32_at(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

int version_of(const uint8_t* header) {
  char text[31] = {};
  std::memcpy(text, header, 30);
  if (std::strcmp(text, SDB_ID_V140) == 0) return SDB_VERSION_140;
  if (std::strcmp(text, SDB_ID_V130) == 0) return SDB_VERSION_130;
  if (std::strcmp(text, SDB_ID_V11) == 0) return SDB_VERSION_11;
  return SDB_VERSION_NONE;
}

long file_size(FILE* file) {
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  long size = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0) return -1;
  return size;
}

bool read_at(FILE* file, long offset, void* out, size_t n) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(out, 1, n, file) == n;
}

bool same_name_ignoring_case(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
    if (!*a) return true;
  }
}

// Folder of the open database with its trailing separator.
void database_folder(char* out, size_t capacity) {
  std::snprintf(out, capacity, "%s", g_sdb_index.path);
  char* cut = out;
  for (char* p = out; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') cut = p + 1;
  *cut = '\0';
}

// ---- indexing --------------------------------------------------------

struct Scan {
  SpeakerDbIndex index;
  int skipped = 0;     // damaged records left out
  bool capped = false; // more records than the index holds
};

void add_entry(Scan& scan, const uint8_t* type_name, uint32_t record_offset, uint32_t shape_offset) {
  SpeakerDbIndex& ix = scan.index;
  if (ix.count >= MAX_DB_INDEX) {
    scan.capped = true;
    return;
  }
  std::memset(ix.names[ix.count], 0, sizeof ix.names[0]);
  std::memcpy(ix.names[ix.count], type_name, 8);  // at most 8 characters
  ix.record_offsets[ix.count] = record_offset;
  ix.shape_offsets[ix.count] = shape_offset;
  ++ix.count;
}

// The key-region test of the codec without touching the bytes: used to find
// the next intact record behind a damaged one.
bool key_region_intact(const uint8_t* at) {
  uint32_t mask = u32_at(SDB_KEY_TABLE + 4);
  uint32_t sum = 0;
  int t = 0;
  for (int j = 0; j < 50; ++j) {
    uint8_t clear = at[SPK_OFS_KEY_REGION + j] ^ at[SPK_OFS_TYPE_NAME + j] ^ SDB_KEY_TABLE[t];
    sum += 255u - clear;
    t += 7;
    if (t >= 32) t -= 32;
  }
  return sum == (u32_at(at + SPK_OFS_CHECKSUM_KEY) ^ mask);
}

bool record_or_end_at(const std::vector<uint8_t>& data, size_t p) {
  if (p == data.size()) return true;
  return p + SPK_RECORD_SIZE <= data.size() && key_region_intact(&data[p]);
}

// Where the scan goes on behind a record whose total checksum failed: past
// its shape when its head is still readable and leads to the next record,
// else at the next intact record found byte by byte. False: none is left.
bool skip_damaged_record(const std::vector<uint8_t>& data, size_t& pos) {
  uint8_t head[SPK_HEAD_SIZE];
  std::memcpy(head, &data[pos], SPK_HEAD_SIZE);
  size_t behind = pos + SPK_RECORD_SIZE;
  if (sdb_decode_record_header(head)) {
    uint32_t shape = u32_at(head + SPK_OFS_SHAPE);
    if (shape <= data.size() - behind && record_or_end_at(data, behind + shape)) {
      pos = behind + shape;
      return true;
    }
  }
  for (size_t p = behind; p + SPK_RECORD_SIZE <= data.size(); ++p) {
    if (key_region_intact(&data[p])) {
      pos = p;
      return true;
    }
  }
  return false;
}

// Version 140: the count from the header, each record followed by its shape.
// False when the count or a shape size does not fit the file.
bool scan_v140(const std::vector<uint8_t>& data, Scan& scan) {
  int16_t count = static_cast<int16_t>(data[30] | (data[31] << 8));
  if (count < 0) return false;
  size_t pos = SDB_HEADER_SIZE;
  std::vector<uint8_t> image(SPK_RECORD_SIZE);
  for (int i = 0; i < count; ++i) {
    if (data.size() - pos < size_t(SPK_RECORD_SIZE)) return false;
    std::memcpy(image.data(), &data[pos], SPK_RECORD_SIZE);
    if (!sdb_decode_record(image.data())) {
      ++scan.skipped;
      if (!skip_damaged_record(data, pos)) return true;  // the rest is unreadable
      continue;
    }
    size_t behind = pos + SPK_RECORD_SIZE;
    uint32_t shape = u32_at(&image[SPK_OFS_SHAPE]);
    if (shape > data.size() - behind) return false;
    add_entry(scan, &image[SPK_OFS_TYPE_NAME], uint32_t(pos), shape ? uint32_t(behind) : 0);
    pos = behind + shape;
  }
  return true;
}

// Versions 1.1 and 130: records back to back, as many as the file holds.
void scan_fixed_records(const std::vector<uint8_t>& data, int version, Scan& scan) {
  size_t size = version == SDB_VERSION_11 ? SPK_V11_RECORD_SIZE : SPK_RECORD_SIZE;
  size_t count = (data.size() - SDB_HEADER_SIZE) / size;
  std::vector<uint8_t> image(size);
  for (size_t i = 0; i < count; ++i) {
    size_t pos = SDB_HEADER_SIZE + i * size;
    std::memcpy(image.data(), &data[pos], size);
    if (version == SDB_VERSION_130 && !sdb_decode_record(image.data())) {
      ++scan.skipped;
      continue;
    }
    add_entry(scan, &image[SPK_OFS_TYPE_NAME], uint32_t(pos), 0);
  }
}

bool read_rest(FILE* file, long size, std::vector<uint8_t>& data) {
  data.resize(size_t(size));
  return read_at(file, 0, data.data(), data.size());
}

void commit_index(const Scan& scan, const char* path, int version) {
  g_sdb_index = scan.index;
  std::snprintf(g_sdb_index.path, sizeof g_sdb_index.path, "%s", path);
  g_sdb_version = version;
  char folder[SDB_PATH_SIZE];
  database_folder(folder, sizeof folder);
  std::snprintf(g_history_folders[FOLDER_SPEAKER_DB], HISTORY_PATH_CHARS, "%s", folder);
  if (g_sdb_current_selection >= g_sdb_index.count) g_sdb_current_selection = 0;
}

// ---- loading a type --------------------------------------------------

// One block from the object chunks embedded behind a version-140 record:
// auxiliary data, nodes and elements of all chunks joined, node indexes
// rebased. Null when the chunks do not fit the shape bytes or name nodes
// they do not hold.
DrawObject* join_embedded_shape(const uint8_t* data, size_t size) {
  struct EmbeddedChunk {
    ObjChunkHeader h;
    const uint8_t* body;
  };
  std::vector<EmbeddedChunk> chunks;
  uint64_t aux = 0, nodes = 0, elements = 0;
  size_t pos = 0;
  for (;;) {
    if (size - pos < OBJ_CHUNK_HEADER_BYTES) return nullptr;
    EmbeddedChunk chunk;
    obj_decode_chunk_header(data + pos, chunk.h);
    pos += OBJ_CHUNK_HEADER_BYTES;
    uint64_t body = uint64_t(chunk.h.aux_size) + uint64_t(chunk.h.node_count) * 12 + uint64_t(chunk.h.element_count) * 4;
    if (body > size - pos) return nullptr;
    chunk.body = data + pos;
    pos += size_t(body);
    aux += chunk.h.aux_size;
    nodes += chunk.h.node_count;
    elements += chunk.h.element_count;
    chunks.push_back(chunk);
    if (!chunk.h.next) break;
  }
  if (nodes + 2 > MAX_OBJECT_NODES || elements > MAX_OBJECT_ELEMENTS || aux > size) return nullptr;
  DrawObject* block = obj_create(uint32_t(aux), uint32_t(nodes + 2), uint32_t(elements));
  if (!block) return nullptr;
  uint32_t aux_at = 0, node_base = 0, element_at = 0;
  for (const EmbeddedChunk& chunk : chunks) {
    const uint8_t* p = chunk.body;
    if (chunk.h.aux_size) std::memcpy(static_cast<uint8_t*>(block->aux) + aux_at, p, chunk.h.aux_size);
    p += chunk.h.aux_size;
    obj_get_nodes(p, chunk.h.node_count, block->nodes + node_base);
    p += size_t(chunk.h.node_count) * 12;
    ElementCode* out = block->elements + element_at;
    obj_get_elements(p, chunk.h.element_count, out);
    for (uint32_t i = 0; i < chunk.h.element_count; ++i) {
      if (out[i].code > EL_CLOSE) continue;
      if (out[i].value >= chunk.h.node_count) {
        obj_free(block);
        return nullptr;
      }
      out[i].value = uint16_t(out[i].value + node_base);
    }
    aux_at += chunk.h.aux_size;
    node_base += chunk.h.node_count;
    element_at += chunk.h.element_count;
  }
  block->node_count = node_base;
  legacy_append_axis_nodes(block);
  block->layer = BLOCK_LAYER;
  block->attributes = BLOCK_ATTRIBUTES;
  block->kind = BLOCK_KIND;
  return block;
}

DrawObject* embedded_symbol(FILE* file, long size, uint32_t shape_offset, uint32_t shape_size) {
  if (!shape_offset || shape_offset > uint64_t(size) || shape_size > uint64_t(size) - shape_offset) return nullptr;
  std::vector<uint8_t> bytes(shape_size);
  if (!read_at(file, long(shape_offset), bytes.data(), bytes.size())) return nullptr;
  DrawObject* block = join_embedded_shape(bytes.data(), bytes.size());
  if (block) obj_insert_before(block, g_obj_head);
  return block;
}

// Shape side file of the older versions: type name + ".tcf" in the
// database's folder.
DrawObject* side_file_symbol(const char* type_name) {
  char path[SDB_PATH_SIZE + 16];
  database_folder(path, sizeof path);
  size_t used = std::strlen(path);
  std::snprintf(path + used, sizeof path - used, "%s.tcf", type_name);
  FILE* file = std::fopen(path, "rb");
  if (!file) return nullptr;
  DrawObject* block = legacy_insert_drawing_block(file);
  std::fclose(file);
  return block;
}

bool read_record(FILE* file, long size, uint32_t offset, SpeakerRecord& record) {
  size_t stored = g_sdb_version == SDB_VERSION_11 ? SPK_V11_RECORD_SIZE : SPK_RECORD_SIZE;
  if (offset > uint64_t(size) || stored > uint64_t(size) - offset) return false;
  std::vector<uint8_t> image(stored);
  if (!read_at(file, long(offset), image.data(), stored)) return false;
  if (g_sdb_version != SDB_VERSION_11) return sdb_decode_record_from(record, image.data()) == 1;
  spk_record_from_v11_bytes(record, image.data());
  std::memset(record.record_key, 0, sizeof record.record_key);
  std::memcpy(record.record_key, UPGRADED_RECORD_KEY, sizeof UPGRADED_RECORD_KEY);
  return true;
}

int find_index_entry(const char* type_name) {
  for (int i = 0; i < g_sdb_index.count; ++i)
    if (same_name_ignoring_case(g_sdb_index.names[i], type_name)) return i;
  return -1;
}

}  // namespace

// Opens a database file and replaces the index with its records. The old
// index stays when the file is not a database or is damaged beyond use.
int sdb_open_path(const char* chosen) {
  char path[SDB_PATH_SIZE];
  if (std::strlen(chosen) >= sizeof path || !file_ext_ensure(std::strcpy(path, chosen), sizeof path, ".OSB")) {
    message(MSG_PATH_TOO_LONG);
    return 0;
  }
  FILE* file = std::fopen(path, "rb");
  if (!file) return 0;
  uint8_t header[SDB_HEADER_SIZE];
  long size = file_size(file);
  int version = size >= SDB_HEADER_SIZE && read_at(file, 0, header, sizeof header) ? version_of(header) : 0;
  if (version == SDB_VERSION_NONE) {
    std::fclose(file);
    message(MSG_INVALID_FILE);
    return 0;
  }
  if (size > SDB_MAX_FILE_BYTES) {
    std::fclose(file);
    message(MSG_TOO_LARGE);
    return 0;
  }
  std::vector<uint8_t> data;
  static Scan scan;  // the index is large; keep it off the stack
  scan = Scan{};
  bool intact = read_rest(file, size, data);
  std::fclose(file);
  if (intact) {
    if (version == SDB_VERSION_140)
      intact = scan_v140(data, scan);
    else
      scan_fixed_records(data, version, scan);
  }
  if (!intact) {
    message(MSG_DAMAGED_FILE);
    return 0;
  }
  commit_index(scan, path, version);
  if (scan.skipped) message_count(MSG_SKIPPED, scan.skipped);
  if (scan.capped) message(MSG_INDEX_FULL);
  return 1;
}

// The scan of a version-140 file from its start.
int sdb_index_v140(FILE* file, long size) {
  std::vector<uint8_t> data;
  static Scan scan;
  scan = Scan{};
  if (size < SDB_HEADER_SIZE || size > SDB_MAX_FILE_BYTES || !read_rest(file, size, data) || !scan_v140(data, scan))
    return 0;
  SpeakerDbIndex keep_path = g_sdb_index;
  g_sdb_index = scan.index;
  std::memcpy(g_sdb_index.path, keep_path.path, sizeof g_sdb_index.path);
  return 1;
}

// Reads the head of index entry `index` into the type-head buffer.
int sdb_read_type_head(int index) {
  if (index < 0 || index >= g_sdb_index.count) return 0;
  FILE* file = std::fopen(g_sdb_index.path, "rb");
  if (!file) return 0;
  uint8_t head[SPK_HEAD_SIZE] = {};
  size_t wanted = g_sdb_version == SDB_VERSION_11 ? SPK_V11_HEAD_SIZE : SPK_HEAD_SIZE;
  bool read = read_at(file, long(g_sdb_index.record_offsets[index]), head, wanted);
  std::fclose(file);
  // The oldest heads are in clear; only their first 200 bytes are head.
  bool ok = read && (g_sdb_version == SDB_VERSION_11 || sdb_decode_record_header(head));
  if (!ok) std::memset(head, 0, sizeof head);
  spk_head_from_bytes(g_type_head, head);
  return ok ? 1 : 0;
}

// Loads the named type of the open database with its shape into `slot`;
// the count of the type table is left to the caller.
int sdb_load_type(int slot, const char* type_name) {
  if (!g_sdb_index.path[0] || slot < 0 || slot >= MAX_SPEAKER_TYPES) return 0;
  SpeakerRecord* record = spk_record_alloc();
  if (!record) {
    message(MSG_NO_MEMORY);
    return 0;
  }
  int entry = find_index_entry(type_name);
  FILE* file = entry >= 0 ? std::fopen(g_sdb_index.path, "rb") : nullptr;
  long size = file ? file_size(file) : -1;
  if (!file || size < 0 || !read_record(file, size, g_sdb_index.record_offsets[entry], *record)) {
    if (file) std::fclose(file);
    spk_record_free(record);
    return 0;
  }
  spk_record_free(g_speaker_types.records[slot]);
  g_speaker_types.records[slot] = record;
  record->balloon_link = &record->balloon[0][0][0];
  DrawObject* symbol = nullptr;
  if (g_sdb_version == SDB_VERSION_140) {
    if (record->shape_ref != 0)
      symbol = embedded_symbol(file, size, g_sdb_index.shape_offsets[entry], uint32_t(record->shape_ref));
    std::fclose(file);
  } else {
    std::fclose(file);
    symbol = side_file_symbol(g_sdb_index.names[entry]);
  }
  record->symbol = symbol ? symbol : g_default_speaker_symbol;
  return 1;
}

// Finds the type among the loaded ones (same case) or loads it, and stores
// its index in the placed loudspeaker.
int sdb_find_or_load_type(PlacedSpeaker* ps, const char* type_name) {
  int index = -1;
  for (int i = 0; i < g_speaker_types.count && index < 0; ++i) {
    const SpeakerRecord* r = g_speaker_types.records[i];
    if (r && std::strcmp(r->type_name, type_name) == 0) index = i;
  }
  if (index < 0) {
    if (g_speaker_types.count >= MAX_SPEAKER_TYPES) {
      message(MSG_TYPES_FULL);
      return 0;
    }
    if (!sdb_load_type(g_speaker_types.count, type_name)) {
      message(MSG_NOT_AVAILABLE);
      return 0;
    }
    index = g_speaker_types.count++;
  }
  ps->type_index = uint16_t(index);
  return 1;
}
