#include "project/legacy_project.h"

#include <cstring>
#include <vector>

#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speakers/speaker_model.h"

const char LEGACY_V127_SIGNATURE[PROJECT_SIGNATURE_BYTES] = "ORVANTE V1.27  ";

namespace {

constexpr uint32_t LISTENER_COLOUR = 21;
constexpr uint32_t AIM_LINE_ATTRIBUTES = 128;
constexpr uint32_t PALETTE_SIZE = 64;
const WorldPoint AXIS_NODES[2] = {{1.f, 0.f, 0.f}, {0.f, 0.f, 1.f}};
const char* const MSG_NOT_FOUND = "Kann Datei nicht finden";
const char* const MSG_INVALID = "Ungültige Datei, kann nicht geladen werden !";
const char* const MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden, Operation abgebrochen";

struct RecordHeader {
  bool more;
  uint32_t kind, attributes, colour;
  uint16_t layer, node_count, element_count, aux_size;
};

void decode_record_header(const uint8_t* p, RecordHeader& h) {
  h.more = le_get_u32(p + 4) != 0;
  h.kind = le_get_u32(p + 20);
  h.attributes = le_get_u32(p + 24);
  h.colour = le_get_u32(p + 28);
  h.layer = le_get_u16(p + 32);
  h.node_count = le_get_u16(p + 34);
  h.element_count = le_get_u16(p + 36);
  h.aux_size = le_get_u16(p + 38);
}

// A 2-byte element: the low two bits are the code, the rest the node (or
// the material of a code-3 entry).
ElementCode unpack_element(uint16_t v) { return ElementCode{uint16_t(v & 3), uint16_t(v >> 2)}; }

bool elements_in_range(const DrawObject* o, uint32_t stored_nodes) {
  for (uint32_t i = 0; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code <= EL_CLOSE && e.value >= stored_nodes) return false;
    if (e.code == EL_MATERIAL && e.value >= PROJECT_MAX_MATERIALS) return false;
  }
  return true;
}

// Colours by layer as the old reader gave them; the stored colour elsewhere
// must be one of the palette.
bool settle(DrawObject* o) {
  switch (o->layer) {
    case LAYER_ROOM: o->colour = 0; return true;
    case LAYER_LISTENER: o->colour = LISTENER_COLOUR; return true;
    case LAYER_AIM: o->attributes = AIM_LINE_ATTRIBUTES; break;
    case LAYER_SPEAKER:
      if (PlacedSpeaker* ps = spk_placed_of(o)) ps->object = o;
      break;
    default: break;
  }
  return o->colour < PALETTE_SIZE;
}

// One record's data into a new object: counts beyond what one object holds
// or past the end of the file refuse the file.
ProjParseResult read_record(ByteReader& in, const RecordHeader& h, DrawObject** out) {
  *out = nullptr;
  if (h.layer >= LAYER_COUNT) return PROJ_PARSE_DAMAGED;
  const bool block = h.layer == LAYER_BLOCK;
  const bool speaker = h.layer == LAYER_SPEAKER && h.aux_size >= PLACED_SPEAKER_FILE_SIZE;
  const uint32_t nodes = uint32_t(h.node_count) + (block ? 2 : 0);
  if (nodes > MAX_OBJECT_NODES || h.element_count > MAX_OBJECT_ELEMENTS) return PROJ_PARSE_DAMAGED;
  const size_t body = size_t(h.aux_size) + size_t(h.node_count) * 12 + size_t(h.element_count) * 2;
  if (body > in.remaining()) return PROJ_PARSE_DAMAGED;
  DrawObject* o = obj_create(speaker ? uint32_t(sizeof(PlacedSpeaker)) : h.aux_size, nodes, h.element_count);
  if (!o) return PROJ_PARSE_NO_MEMORY;
  if (speaker) {
    spk_placed_from_bytes(*static_cast<PlacedSpeaker*>(o->aux), in.here());
    in.skip(h.aux_size);
  } else {
    in.bytes(o->aux, h.aux_size);
  }
  obj_get_nodes(in.here(), h.node_count, o->nodes);
  in.skip(size_t(h.node_count) * 12);
  for (uint32_t i = 0; i < h.element_count; ++i) o->elements[i] = unpack_element(le_get_u16(in.here() + 2 * i));
  in.skip(size_t(h.element_count) * 2);
  if (block) {
    o->nodes[nodes - 2] = AXIS_NODES[0];
    o->nodes[nodes - 1] = AXIS_NODES[1];
  }
  o->kind = h.kind;
  o->attributes = h.attributes;
  o->layer = h.layer;
  o->colour = h.colour;
  *out = o;
  if (!elements_in_range(o, h.node_count) || !settle(o)) return PROJ_PARSE_DAMAGED;
  return PROJ_PARSE_OK;
}

ProjParseResult read_records(ByteReader& in, ProjectStage& stage) {
  for (;;) {
    if (in.remaining() < LEGACY_V127_RECORD_BYTES) return PROJ_PARSE_DAMAGED;
    RecordHeader h;
    decode_record_header(in.here(), h);
    in.skip(LEGACY_V127_RECORD_BYTES);
    DrawObject* o;
    ProjParseResult r = read_record(in, h, &o);
    if (o) obj_list_append(stage.head, stage.tail, o);
    if (r != PROJ_PARSE_OK) return r;
    if (!h.more) return PROJ_PARSE_OK;
  }
}

void show(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

}  // namespace

// Only the exact 1.27 signature is read: another old version has a layout
// this reader does not know.
ProjParseResult legacy_parse_v127(const uint8_t* data, size_t size, ProjectStage& stage) {
  if (size < PROJECT_HEADER_BYTES || std::memcmp(data, LEGACY_V127_SIGNATURE, PROJECT_SIGNATURE_BYTES) != 0)
    return PROJ_PARSE_NO_SIGNATURE;
  ByteReader in(data, size);
  proj_decode_header(data, stage.header);
  in.skip(PROJECT_HEADER_BYTES);
  if (!in.bytes(stage.layers, sizeof stage.layers)) return PROJ_PARSE_DAMAGED;
  ProjParseResult r = read_records(in, stage);
  if (r != PROJ_PARSE_OK) return r;
  proj_take_title_block(stage);
  return proj_read_tables(in, stage, false);
}

// Reads a 1.27 project in place of the current one; a file refused for any
// reason leaves the current project as it was.
int legacy_import_project_v127(const char* path) {
  std::vector<uint8_t> data;
  if (!le_read_file(path, data, PROJECT_MAX_FILE_BYTES)) {
    show(MSG_NOT_FOUND);
    return 0;
  }
  ProjectStage* stage = proj_stage_new();
  if (!stage) {
    show(MSG_NO_MEMORY);
    return 0;
  }
  ProjParseResult r = legacy_parse_v127(data.data(), data.size(), *stage);
  if (r == PROJ_PARSE_OK) {
    stage->header.grid_size = g_view.grid_size;  // the old files' grid size is not taken
    proj_commit(*stage, path);
  } else {
    show(r == PROJ_PARSE_NO_MEMORY ? MSG_NO_MEMORY : MSG_INVALID);
  }
  proj_stage_free(stage);
  return r == PROJ_PARSE_OK ? 1 : 0;
}
