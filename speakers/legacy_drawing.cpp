#include "speakers/legacy_drawing.h"

#include <cstring>
#include <vector>

#include "cad/obj_store.h"
#include "framework/ui_seam.h"

DrawObject* g_default_speaker_symbol = nullptr;

namespace {

constexpr size_t ID_BYTES = 32;
constexpr size_t LAYER_BYTES = 384;
constexpr size_t PROJECT_HEADER_BYTES = 102;
constexpr size_t RESOURCE_CHUNK_HEADER = 18;
constexpr size_t V127_RECORD_HEADER = 40;
const char* const INVALID_FILE = "Ungültige Datei, kann nicht geladen werden !";
const char* const TOO_LARGE = "Die Zeichnungsdatei ist zu groß und kann nicht geladen werden";

uint16_t u16_at(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32_at(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// All chunks joined into one block: node indexes rebased by the nodes of
// the chunks before (material entries keep their value); room for the two
// axis nodes at the end. Null when an element names a node outside its chunk or the block would be too large.
DrawObject* join_chunks(const std::vector<LegacyChunk>& chunks) {
  uint64_t nodes = 0, elements = 0;
  for (const LegacyChunk& c : chunks) {
    nodes += c.node_count;
    elements += c.element_count;
    for (uint32_t i = 0; i < c.element_count; ++i) {
      ElementCode e = legacy_chunk_element(c, i);
      if (e.code <= EL_CLOSE && e.value >= c.node_count) return nullptr;
    }
  }
  if (nodes + 2 > MAX_OBJECT_NODES || elements > MAX_OBJECT_ELEMENTS) return nullptr;
  DrawObject* block = obj_create(0, static_cast<uint32_t>(nodes + 2), static_cast<uint32_t>(elements));
  if (!block) return nullptr;
  uint32_t node_base = 0, e_out = 0;
  for (const LegacyChunk& c : chunks) {
    obj_get_nodes(c.nodes, c.node_count, block->nodes + node_base);
    for (uint32_t i = 0; i < c.element_count; ++i) {
      ElementCode e = legacy_chunk_element(c, i);
      if (e.code <= EL_CLOSE) e.value = static_cast<uint16_t>(e.value + node_base);
      block->elements[e_out++] = e;
    }
    node_base += c.node_count;
  }
  block->node_count = node_base;  // the axis nodes follow
  legacy_append_axis_nodes(block);
  block->layer = BLOCK_LAYER;
  block->attributes = BLOCK_ATTRIBUTES;
  block->kind = BLOCK_KIND;
  return block;
}

// Only the room, listener and loudspeaker records of an old project form a shape.
bool keep_room_layers(std::vector<LegacyChunk>& chunks) {
  std::vector<LegacyChunk> kept;
  for (const LegacyChunk& c : chunks)
    if (c.layer <= 2) kept.push_back(c);
  chunks.swap(kept);
  return true;
}

enum ReadResult { READ_OK, READ_FAILED, READ_TOO_LARGE };

ReadResult read_whole_file(FILE* file, std::vector<uint8_t>& data) {
  if (std::fseek(file, 0, SEEK_END) != 0) return READ_FAILED;
  long size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return READ_FAILED;
  if (static_cast<unsigned long long>(size) > LEGACY_DRAWING_MAX_BYTES) return READ_TOO_LARGE;
  data.resize(static_cast<size_t>(size));
  return std::fread(data.data(), 1, data.size(), file) == data.size() ? READ_OK : READ_FAILED;
}

bool has_id(const std::vector<uint8_t>& data, const char* id) {
  if (data.size() < ID_BYTES) return false;
  char text[ID_BYTES + 1] = {};
  std::memcpy(text, data.data(), ID_BYTES);
  return std::strcmp(text, id) == 0;
}

}  // namespace

ElementCode legacy_chunk_element(const LegacyChunk& c, uint32_t i) {
  if (c.element_bytes == 2) {
    uint16_t v = u16_at(c.elements + 2 * i);
    return ElementCode{static_cast<uint16_t>(v & 3), static_cast<uint16_t>(v >> 2)};
  }
  const uint8_t* p = c.elements + 4 * i;
  return ElementCode{u16_at(p), u16_at(p + 2)};
}

bool legacy_parse_short_chunks(const uint8_t* data, size_t size, int element_bytes, std::vector<LegacyChunk>& out) {
  size_t pos = ID_BYTES + LAYER_BYTES;
  for (;;) {
    if (size < pos + RESOURCE_CHUNK_HEADER) return false;
    const uint8_t* h = data + pos;
    LegacyChunk c{nullptr, u16_at(h), nullptr, u16_at(h + 2), element_bytes, BLOCK_KIND, 0};
    bool more = u32_at(h + 14) != 0;
    pos += RESOURCE_CHUNK_HEADER;
    size_t body = size_t{c.node_count} * 12 + size_t{c.element_count} * element_bytes;
    if (size - pos < body) return false;
    c.nodes = data + pos;
    c.elements = c.nodes + size_t{c.node_count} * 12;
    pos += body;
    out.push_back(c);
    if (!more) return true;
  }
}

bool legacy_parse_v127_records(const uint8_t* data, size_t size, std::vector<LegacyChunk>& out) {
  size_t pos = PROJECT_HEADER_BYTES + LAYER_BYTES;
  for (;;) {
    if (size < pos + V127_RECORD_HEADER) return false;
    const uint8_t* h = data + pos;
    bool more = u32_at(h + 4) != 0;
    LegacyChunk c{nullptr, u16_at(h + 34), nullptr, u16_at(h + 36), 2, u32_at(h + 20), u16_at(h + 32)};
    size_t aux = u16_at(h + 38);
    pos += V127_RECORD_HEADER;
    size_t body = aux + size_t{c.node_count} * 12 + size_t{c.element_count} * 2;
    if (size - pos < body) return false;
    c.nodes = data + pos + aux;
    c.elements = c.nodes + size_t{c.node_count} * 12;
    pos += body;
    out.push_back(c);
    if (!more) return true;
  }
}

// The two axis nodes mark the main axis (1, 0, 0) and the up direction
// (0, 0, 1); the node array must already hold room for them.
void legacy_append_axis_nodes(DrawObject* block) {
  block->nodes[block->node_count] = WorldPoint{1.0f, 0.0f, 0.0f};
  block->nodes[block->node_count + 1] = WorldPoint{0.0f, 0.0f, 1.0f};
  block->node_count += 2;
}

DrawObject* legacy_block_from_resource_bytes(const uint8_t* data, size_t size) {
  std::vector<LegacyChunk> chunks;
  if (!data || !legacy_parse_short_chunks(data, size, 2, chunks)) return nullptr;
  return join_chunks(chunks);
}

// Shape file beside an old speaker database: "TEVRAN 1.0" chunks, or an old
// project drawing whose room, listener and loudspeaker records form the shape.
DrawObject* legacy_insert_drawing_block(FILE* file) {
  std::vector<uint8_t> data;
  std::vector<LegacyChunk> chunks;
  bool parsed = false;
  ReadResult read = file ? read_whole_file(file, data) : READ_FAILED;
  if (read == READ_TOO_LARGE) {
    ui_message_box(TOO_LARGE, nullptr, UI_MB_OK);
    return nullptr;
  }
  if (read == READ_OK) {
    if (has_id(data, "TEVRAN 1.0     "))
      parsed = legacy_parse_short_chunks(data.data(), data.size(), 4, chunks);
    // A current project ("ORVANTE V2.80") has 48-byte records: read with the
    // old layout it would give no shape, so it is refused like any other file.
    else if (has_id(data, "TEVRAN V1.27"))
      parsed = legacy_parse_v127_records(data.data(), data.size(), chunks) && keep_room_layers(chunks);
  }
  DrawObject* block = parsed ? join_chunks(chunks) : nullptr;
  if (!block) {
    ui_message_box(INVALID_FILE, nullptr, UI_MB_OK);
    return nullptr;
  }
  obj_insert_before(block, g_obj_head);
  return block;
}
