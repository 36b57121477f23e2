#include "project/project_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "framework/file_ext.h"
#include "framework/last_folders.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "materials/rt60_settings.h"
#include "project/calc_options.h"
#include "project/coverage_grid.h"
#include "project/legacy_project.h"
#include "project/model_reset.h"
#include "speakers/legacy_drawing.h"
#include "speakers/speaker_codec.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

const char PROJECT_SIGNATURE[PROJECT_SIGNATURE_BYTES] = "ORVANTE V2.80  ";

ProjectHeader g_project_header = {};
char g_project_path[PROJECT_PATH_CHARS] = "PROJEKT1.OPR";
ProjectHook proj_loaded_hook = nullptr;
LegacyImportHook proj_legacy_import_hook = legacy_import_project_v127;

bool proj_has_signature(const ProjectHeader& header) {
  return std::memcmp(header.signature, PROJECT_SIGNATURE, 9) == 0;
}

// "2.80" gives 280, "1.27" gives 127; anything unreadable gives 0.
int proj_signature_version(const ProjectHeader& header) {
  char text[5];
  std::memcpy(text, header.signature + 9, 4);
  text[4] = 0;
  double v = std::atof(text);
  if (!(v > 0.0 && v < 100.0)) return 0;
  return static_cast<int>(v * 100.0 + 1e-9);
}

void proj_encode_header(const ProjectHeader& h, uint8_t* out) {
  std::memset(out, 0, PROJECT_HEADER_BYTES);
  std::memcpy(out, h.signature, PROJECT_SIGNATURE_BYTES);
  out[16] = h.rt60_method;
  std::memcpy(out + 17, h.reserved_17, 3);
  le_put_u16(out + 20, static_cast<uint16_t>(h.view));
  le_put_f32(out + 22, h.snap_width);
  le_put_u16(out + 26, h.snap_on);
  le_put_f32(out + 28, h.node_snap_radius);
  le_put_u16(out + 32, h.node_snap_on);
  for (int b = 0; b < 7; ++b) le_put_f32(out + 34 + 4 * b, h.measured_rt[b]);
  le_put_f32(out + 62, h.grid_size);
  std::memcpy(out + 66, h.reserved_66, 24);
  for (int i = 0; i < 6; ++i) le_put_u16(out + 90 + 2 * i, static_cast<uint16_t>(h.calc_options[i]));
}

void proj_decode_header(const uint8_t* in, ProjectHeader& h) {
  std::memcpy(h.signature, in, PROJECT_SIGNATURE_BYTES);
  h.rt60_method = in[16];
  std::memcpy(h.reserved_17, in + 17, 3);
  h.view = static_cast<int16_t>(le_get_u16(in + 20));
  h.snap_width = le_get_f32(in + 22);
  h.snap_on = le_get_u16(in + 26);
  h.node_snap_radius = le_get_f32(in + 28);
  h.node_snap_on = le_get_u16(in + 32);
  for (int b = 0; b < 7; ++b) h.measured_rt[b] = le_get_f32(in + 34 + 4 * b);
  h.grid_size = le_get_f32(in + 62);
  std::memcpy(h.reserved_66, in + 66, 24);
  for (int i = 0; i < 6; ++i) h.calc_options[i] = static_cast<int16_t>(le_get_u16(in + 90 + 2 * i));
}

void proj_default_header(ProjectHeader& h) {
  std::memset(&h, 0, sizeof h);
  std::memcpy(h.signature, PROJECT_SIGNATURE, PROJECT_SIGNATURE_BYTES);
  h.view = 3;
  h.snap_width = 0.5f;
  h.snap_on = 1;
  h.node_snap_radius = 10.0f;
  h.grid_size = 1.0f;
  const int16_t options[6] = {0, -1, 2, 7, 2, 0};
  std::memcpy(h.calc_options, options, sizeof options);
}

// ------------------------------------------------------------------ reading

namespace {

constexpr uint32_t AIM_LINE_ATTRIBUTES = 128;
constexpr uint32_t LISTENER_COLOUR = 21;
constexpr uint32_t SPEAKER_ON_COLOUR = 12;
constexpr uint32_t MERGED_COLOUR = 14;
constexpr uint32_t PALETTE_SIZE = 64;

bool chunk_fits(const ObjChunkHeader& h, size_t remaining) {
  uint64_t body = uint64_t(h.aux_size) + uint64_t(h.node_count) * 12 + uint64_t(h.element_count) * 4;
  return body <= remaining;
}

// Element values must name an existing node, and material entries a slot of
// the material table, or drawing and calculations would index past an array.
bool elements_in_range(const DrawObject* o) {
  for (uint32_t i = 0; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code <= EL_CLOSE && e.value >= o->node_count) return false;
    if (e.code == EL_MATERIAL && e.value >= PROJECT_MAX_MATERIALS) return false;
  }
  return true;
}

const WorldPoint AXIS_NODES[2] = {{1.f, 0.f, 0.f}, {0.f, 0.f, 1.f}};

// Reads the aux block, nodes and elements of one chunk into a new object.
// Layer-2 blocks are converted from their stored image; layer-3 objects get
// their two axis nodes back.
ProjParseResult read_chunk_body(ByteReader& in, const ObjChunkHeader& h, DrawObject** out) {
  *out = nullptr;
  // Group markers and other objects without a loudspeaker block may share
  // layer 2; only a block of full size is a loudspeaker.
  const bool speaker = h.layer == LAYER_SPEAKER && h.aux_size >= PLACED_SPEAKER_FILE_SIZE;
  const bool block = h.layer == LAYER_BLOCK;
  if (h.layer >= LAYER_COUNT) return PROJ_PARSE_DAMAGED;
  const uint64_t nodes = uint64_t(h.node_count) + (block ? 2 : 0);
  if (nodes > MAX_OBJECT_NODES || h.element_count > MAX_OBJECT_ELEMENTS) return PROJ_PARSE_DAMAGED;
  if (!chunk_fits(h, in.remaining())) return PROJ_PARSE_DAMAGED;
  const uint32_t aux_size = speaker ? uint32_t(sizeof(PlacedSpeaker)) : h.aux_size;
  DrawObject* o = obj_create(aux_size, uint32_t(nodes), h.element_count);
  if (!o) return PROJ_PARSE_NO_MEMORY;
  if (speaker) {
    spk_placed_from_bytes(*static_cast<PlacedSpeaker*>(o->aux), in.here());
    in.skip(h.aux_size);
  } else {
    in.bytes(o->aux, h.aux_size);
  }
  obj_get_nodes(in.here(), h.node_count, o->nodes);
  in.skip(size_t(h.node_count) * 12);
  obj_get_elements(in.here(), h.element_count, o->elements);
  in.skip(size_t(h.element_count) * 4);
  if (block && h.node_count > 0) {
    o->nodes[nodes - 2] = AXIS_NODES[0];
    o->nodes[nodes - 1] = AXIS_NODES[1];
  }
  o->kind = h.kind;
  o->attributes = h.attributes;
  o->layer = h.layer;
  o->colour = h.colour;
  *out = o;
  if (!elements_in_range(o)) return PROJ_PARSE_DAMAGED;
  return PROJ_PARSE_OK;
}

// Colours and attributes a reader gives by layer.
bool settle_loaded_object(DrawObject* o) {
  switch (o->layer) {
    case LAYER_ROOM:
      o->colour = 0;
      break;
    case LAYER_LISTENER:
      o->colour = LISTENER_COLOUR;
      break;
    case LAYER_SPEAKER:
      if (PlacedSpeaker* ps = spk_placed_of(o)) {
        ps->object = o;
        o->colour = (ps->switched_on & 1) ? SPEAKER_ON_COLOUR : 0;
      } else if (o->colour >= PALETTE_SIZE) {
        return false;
      }
      break;
    case LAYER_AIM:
      o->attributes = AIM_LINE_ATTRIBUTES;
      o->colour = 0;
      break;
    default:
      if (o->colour >= PALETTE_SIZE) return false;
  }
  return true;
}

bool read_chunk_header(ByteReader& in, ObjChunkHeader& h) {
  if (in.remaining() < OBJ_CHUNK_HEADER_BYTES) return false;
  obj_decode_chunk_header(in.here(), h);
  in.skip(OBJ_CHUNK_HEADER_BYTES);
  return true;
}

// The object list: chunks until one whose next word is zero, never past the
// end of the data.
ProjParseResult read_object_list(ByteReader& in, ProjectStage& stage) {
  for (;;) {
    ObjChunkHeader h;
    if (!read_chunk_header(in, h)) return PROJ_PARSE_DAMAGED;
    DrawObject* o;
    ProjParseResult r = read_chunk_body(in, h, &o);
    if (o) obj_list_append(stage.head, stage.tail, o);
    if (r != PROJ_PARSE_OK) return r;
    if (!settle_loaded_object(o)) return PROJ_PARSE_DAMAGED;
    if (h.next == 0) return PROJ_PARSE_OK;
  }
}

}  // namespace

void proj_take_title_block(ProjectStage& stage) {
  DrawObject* tail = stage.tail;
  std::memset(stage.title_block, 0, sizeof stage.title_block);
  if (!tail || tail->kind != TITLE_BLOCK_KIND) return;
  if (tail->aux) std::memcpy(stage.title_block, tail->aux, std::min<size_t>(tail->aux_size, TITLE_BLOCK_BYTES));
  obj_list_free(stage.head, stage.tail, tail);
}

// Loudspeaker types, materials and (with_map) the optional map block behind
// the objects.
ProjParseResult proj_read_tables(ByteReader& in, ProjectStage& stage, bool with_map) {
  if (!in.i16(stage.speaker_count)) return PROJ_PARSE_DAMAGED;
  if (stage.speaker_count < 0 || stage.speaker_count > PROJECT_MAX_SPEAKER_TYPES)
    return PROJ_PARSE_DAMAGED;
  if (stage.speaker_count > 0) {
    ProjParseResult r = proj_read_speaker_records(in, stage);
    if (r != PROJ_PARSE_OK) return r;
  }
  if (!in.i16(stage.material_count)) return PROJ_PARSE_DAMAGED;
  if (stage.material_count < 0 || stage.material_count > PROJECT_MAX_MATERIALS)
    return PROJ_PARSE_DAMAGED;
  for (int i = 0; i < stage.material_count; ++i) {
    if (!in.bytes(stage.materials[i], PROJECT_MATERIAL_RECORD_BYTES)) return PROJ_PARSE_DAMAGED;
    MaterialRecord check;
    if (!mat_decode_record(stage.materials[i], check)) return PROJ_PARSE_DAMAGED;
  }
  stage.has_map = false;
  if (with_map && in.remaining() >= MAP_HEADER_BYTES) {
    ByteReader map_in(in.here(), in.remaining());
    stage.has_map = mapfile_decode(map_in, stage.map);
    if (!stage.has_map) stage.map = MapData();
  }
  // Bytes behind the tables that are no map block mean the object list
  // ended early (a next word of zero inside the list): what was read as
  // the tables is not theirs.
  if (in.remaining() > 0 && !stage.has_map) return PROJ_PARSE_DAMAGED;
  return PROJ_PARSE_OK;
}

namespace {

// An older record: 200-byte head and 36 balloon rows in clear; the last row
// is repeated to make 37.
void upgrade_old_record(const uint8_t* in, uint8_t* image) {
  std::memset(image, 0, PROJECT_SPEAKER_RECORD_BYTES);
  std::memcpy(image, in, SPK_V11_HEAD_SIZE);
  image[SPK_OFS_FORMAT] = SPK_RECORD_FORMAT;
  const uint8_t* src = in + SPK_V11_HEAD_SIZE;
  uint8_t* dst = image + SPK_OFS_BALLOON;
  const size_t old_band = size_t(SPK_V11_BALLOON_ROWS) * SPK_BALLOON_COLS;
  for (int b = 0; b < SPK_BANDS; ++b) {
    std::memcpy(dst, src, old_band);
    std::memcpy(dst + old_band, src + old_band - SPK_BALLOON_COLS, SPK_BALLOON_COLS);
    src += old_band;
    dst += SPK_BALLOON_BAND_SIZE;
  }
  std::memcpy(image + SPK_OFS_OWNER, PROJECT_SIGNATURE, PROJECT_SIGNATURE_BYTES);
}

void free_staged_objects(ProjectStage& stage) {
  if (stage.owned) obj_list_free_all(stage.head, stage.tail);
  stage.head = stage.tail = nullptr;
}

void free_staged_speakers(ProjectStage& stage) {
  for (StagedSpeakerType& s : stage.speakers) {
    if (stage.owned) spk_record_free(s.record);
    s = StagedSpeakerType{nullptr, -1};
  }
  stage.speaker_count = 0;
}

}  // namespace

ProjectStage* proj_stage_new() {
  ProjectStage* stage = new (std::nothrow) ProjectStage();
  if (!stage) return nullptr;
  proj_default_header(stage->header);
  stage->owned = true;
  for (StagedSpeakerType& s : stage->speakers) s = StagedSpeakerType{nullptr, -1};
  return stage;
}

void proj_stage_free(ProjectStage* stage) {
  if (!stage) return;
  free_staged_objects(*stage);
  free_staged_speakers(*stage);
  delete stage;
}

// Zeroes the head's names and per-band data, makes every Q factor 1 and the
// balloon flat (0 dB): a neutral type in place of one that failed its check.
// The format byte stays 2, or the record would be written back as one of the
// older layout and the file could not be read again.
void proj_reset_speaker_record(uint8_t* image) {
  std::memset(image, 0, 132);
  image[SPK_OFS_FORMAT] = SPK_RECORD_FORMAT;
  for (int b = 0; b < SPK_BANDS; ++b) le_put_u16(image + 146 + 2 * b, 1);
  std::memset(image + SPK_OFS_BALLOON, 225, SPK_BALLOON_SIZE);
}

// Reads stage.speaker_count records. A current-layout record that fails its
// checksums is reset and kept; an older record is upgraded.
ProjParseResult proj_read_speaker_records(ByteReader& in, ProjectStage& stage) {
  std::vector<uint8_t> image(PROJECT_SPEAKER_RECORD_BYTES);
  for (int i = 0; i < stage.speaker_count; ++i) {
    if (in.remaining() < SPK_V11_HEAD_SIZE) return PROJ_PARSE_DAMAGED;
    if (in.here()[SPK_OFS_FORMAT] == SPK_RECORD_FORMAT) {
      if (!in.bytes(image.data(), PROJECT_SPEAKER_RECORD_BYTES)) return PROJ_PARSE_DAMAGED;
      if (!sdb_decode_record(image.data())) proj_reset_speaker_record(image.data());
    } else {
      if (in.remaining() < PROJECT_OLD_SPEAKER_RECORD_BYTES) return PROJ_PARSE_DAMAGED;
      upgrade_old_record(in.here(), image.data());
      in.skip(PROJECT_OLD_SPEAKER_RECORD_BYTES);
    }
    SpeakerRecord* record = spk_record_alloc();
    if (!record) return PROJ_PARSE_NO_MEMORY;
    spk_record_from_bytes(*record, image.data());
    stage.speakers[i].record = record;
    stage.speakers[i].symbol_position = static_cast<int32_t>(le_get_u32(image.data() + SPK_OFS_SHAPE));
  }
  return PROJ_PARSE_OK;
}

// A file written with an empty object list by older versions has no chunks
// at all; it is taken as such only when the tables then account for the
// whole rest of the file.
static bool read_without_objects(const uint8_t* rest, size_t size, ProjectStage& stage) {
  ByteReader in(rest, size);
  if (proj_read_tables(in, stage, true) != PROJ_PARSE_OK) return false;
  size_t left = in.remaining();
  return left == 0 || stage.has_map;
}

ProjParseResult proj_parse(const uint8_t* data, size_t size, ProjectStage& stage) {
  ByteReader in(data, size);
  if (size < PROJECT_HEADER_BYTES) {
    bool signed_file = size >= 9 && std::memcmp(data, PROJECT_SIGNATURE, 9) == 0;
    return signed_file ? PROJ_PARSE_DAMAGED : PROJ_PARSE_NO_SIGNATURE;
  }
  proj_decode_header(data, stage.header);
  in.skip(PROJECT_HEADER_BYTES);
  if (!proj_has_signature(stage.header)) return PROJ_PARSE_NO_SIGNATURE;
  if (proj_signature_version(stage.header) < 200) return PROJ_PARSE_LEGACY;
  if (!in.bytes(stage.layers, sizeof stage.layers)) return PROJ_PARSE_DAMAGED;
  const size_t list_start = in.position();
  ProjParseResult r = read_object_list(in, stage);
  if (r == PROJ_PARSE_NO_MEMORY) return r;
  if (r != PROJ_PARSE_OK) {
    free_staged_objects(stage);
    if (read_without_objects(data + list_start, size - list_start, stage)) return PROJ_PARSE_OK;
    free_staged_speakers(stage);
    return r;
  }
  proj_take_title_block(stage);
  return proj_read_tables(in, stage, true);
}

// ------------------------------------------------------------------ writing

namespace {

void write_chunk(ByteWriter& out, const DrawObject* o, bool more) {
  ObjChunkHeader h = obj_chunk_header(o, more);
  h.prev = h.aux = h.nodes = h.elements = 0;
  h.next = more ? 1 : 0;
  const bool block = o->layer == LAYER_BLOCK && o->node_count >= 2;
  const bool speaker = o->layer == LAYER_SPEAKER && o->aux_size >= sizeof(PlacedSpeaker);
  if (block) h.node_count = o->node_count - 2;  // the axis nodes are not stored
  if (speaker) h.aux_size = PLACED_SPEAKER_FILE_SIZE;
  uint8_t head[OBJ_CHUNK_HEADER_BYTES];
  obj_encode_chunk_header(h, head);
  out.bytes(head, sizeof head);
  std::vector<uint8_t>& buf = out.buffer();
  if (speaker) {
    size_t at = buf.size();
    buf.resize(at + PLACED_SPEAKER_FILE_SIZE);
    spk_placed_to_bytes(*static_cast<const PlacedSpeaker*>(o->aux), buf.data() + at);
  } else if (h.aux_size) {
    out.bytes(o->aux, h.aux_size);
  }
  size_t at = buf.size();
  buf.resize(at + size_t(h.node_count) * 12 + size_t(h.element_count) * 4);
  obj_put_nodes(o->nodes, h.node_count, buf.data() + at);
  obj_put_elements(o->elements, h.element_count, buf.data() + at + size_t(h.node_count) * 12);
}

// The list always ends in the title-block carrier, also when it is empty,
// so a project without objects reads back.
void write_title_carrier(ByteWriter& out, const uint8_t* title_block) {
  ObjChunkHeader h = {};
  h.kind = TITLE_BLOCK_KIND;
  h.attributes = TITLE_BLOCK_ATTRIBUTES;
  h.aux_size = TITLE_BLOCK_BYTES;
  uint8_t head[OBJ_CHUNK_HEADER_BYTES];
  obj_encode_chunk_header(h, head);
  out.bytes(head, sizeof head);
  out.bytes(title_block, TITLE_BLOCK_BYTES);
}

void write_speaker_types(ByteWriter& out, const ProjectStage& stage) {
  out.i16(stage.speaker_count);
  std::vector<uint8_t> image(PROJECT_SPEAKER_RECORD_BYTES);
  for (int i = 0; i < stage.speaker_count; ++i) {
    const SpeakerRecord* record = stage.speakers[i].record;
    if (record) {
      spk_record_to_bytes(*record, image.data());
    } else {
      std::fill(image.begin(), image.end(), 0);
      proj_reset_speaker_record(image.data());
    }
    image[SPK_OFS_FORMAT] = SPK_RECORD_FORMAT;  // readers tell the layouts apart by it
    le_put_u32(image.data() + SPK_OFS_SHAPE, static_cast<uint32_t>(stage.speakers[i].symbol_position));
    sdb_encode_record(image.data());
    out.bytes(image.data(), image.size());
  }
}

}  // namespace

void proj_serialize(const ProjectStage& stage, ByteWriter& out) {
  uint8_t header[PROJECT_HEADER_BYTES];
  proj_encode_header(stage.header, header);
  out.bytes(header, sizeof header);
  out.bytes(stage.layers, sizeof stage.layers);
  for (const DrawObject* o = stage.head; o; o = o->next) write_chunk(out, o, true);
  write_title_carrier(out, stage.title_block);
  write_speaker_types(out, stage);
  out.i16(stage.material_count);
  for (int i = 0; i < stage.material_count; ++i)
    out.bytes(stage.materials[i], PROJECT_MATERIAL_RECORD_BYTES);
  if (stage.has_map) mapfile_encode(stage.map, stage.map.description, out);
}

// --------------------------------------------------------- the live model

namespace {

constexpr const char* MSG_NOT_FOUND = "Kann Datei nicht finden";
constexpr const char* MSG_INVALID = "Ungültige Datei, kann nicht geladen werden !";
constexpr const char* MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden, Operation abgebrochen";
constexpr const char* MSG_CANNOT_SAVE = "Kann Datei nicht speichern -Schreibschutz?";

void fill_header_from_live(ProjectHeader& h) {
  h = g_project_header;  // the reserved bytes pass on from the last file read
  std::memcpy(h.signature, PROJECT_SIGNATURE, PROJECT_SIGNATURE_BYTES);
  h.rt60_method = static_cast<uint8_t>(g_rt60_method);
  h.view = g_view.kind;
  h.snap_on = g_view.coord_snap ? 1 : 0;
  h.snap_width = g_view.snap_distance;
  h.node_snap_radius = static_cast<float>(g_view.node_snap_distance);
  h.node_snap_on = g_view.point_snap ? 1 : 0;
  for (int b = 0; b < 7; ++b) h.measured_rt[b] = static_cast<float>(g_rt60_measured[b]);
  h.grid_size = g_view.grid_size;
  uint8_t options[CALC_OPTIONS_BYTES];
  opts_encode_calc_options(g_calc_options, options);
  for (int i = 0; i < 6; ++i) h.calc_options[i] = static_cast<int16_t>(le_get_u16(options + 2 * i));
}

void restore_header(const ProjectHeader& h) {
  g_project_header = h;
  g_view.kind = h.view;
  g_view.snap_distance = h.snap_width;
  g_view.node_snap_distance = h.node_snap_radius;
  for (int b = 0; b < 7; ++b) g_rt60_measured[b] = h.measured_rt[b];
  g_view.grid_size = h.grid_size;
  g_rt60_method = h.rt60_method;
  uint8_t options[CALC_OPTIONS_BYTES];
  for (int i = 0; i < 6; ++i) le_put_u16(options + 2 * i, static_cast<uint16_t>(h.calc_options[i]));
  opts_decode_calc_options(options, g_calc_options);
}

int32_t symbol_position(const SpeakerRecord* record) {
  if (!record || !record->symbol || record->symbol == g_default_speaker_symbol) return -1;
  return obj_index_of(record->symbol);
}

// A stored symbol position names the object that gives the type its shape;
// anything but a block object with its axis nodes falls back to the default.
DrawObject* resolve_symbol(int32_t position) {
  DrawObject* o = position >= 0 ? obj_at_index(position) : nullptr;
  if (!o || o->layer != LAYER_BLOCK || o->node_count < 2) return g_default_speaker_symbol;
  return o;
}

void rebuild_speaker_shapes() {
  std::vector<DrawObject*> speakers;
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (spk_placed_of(o)) speakers.push_back(o);
  for (DrawObject* o : speakers) spk_build_object(spk_placed_of(o), o, 1);
}

void set_up_stored_view() {
  switch (g_view.kind) {
    case VIEW_XY: view_set_xy(); break;
    case VIEW_YZ: view_set_yz(); break;
    case VIEW_XZ: view_set_xz(); break;
    case VIEW_3D: view_set_3d(); break;
    default: break;
  }
}

void copy_path(char* out, const char* path) {
  std::snprintf(out, PROJECT_PATH_CHARS, "%s", path);
}

void remember_folder_of(const char* path) {
  const char* cut = nullptr;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') cut = p;
  size_t n = cut ? size_t(cut - path + 1) : 0;
  if (n >= HISTORY_PATH_CHARS) return;
  std::memcpy(g_history_folders[FOLDER_PROJECT], path, n);
  g_history_folders[FOLDER_PROJECT][n] = 0;
}

void show(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

}  // namespace

// Borrows the live project for writing: the object list and type records
// are referenced, not copied.
bool proj_capture(ProjectStage& stage) {
  stage.owned = false;
  fill_header_from_live(stage.header);
  obj_put_layers(&stage.layers[0][0]);
  stage.head = g_obj_head;
  stage.tail = g_obj_tail;
  std::memcpy(stage.title_block, &g_title_block, TITLE_BLOCK_BYTES);
  stage.speaker_count = std::clamp<int16_t>(g_speaker_types.count, 0, PROJECT_MAX_SPEAKER_TYPES);
  for (int i = 0; i < stage.speaker_count; ++i) {
    stage.speakers[i].record = g_speaker_types.records[i];
    stage.speakers[i].symbol_position = symbol_position(g_speaker_types.records[i]);
  }
  stage.material_count = std::clamp<int16_t>(g_material_table.count, 0, PROJECT_MAX_MATERIALS);
  for (int i = 0; i < stage.material_count; ++i)
    mat_encode_record(g_material_table.records[i], stage.materials[i]);
  stage.has_map = g_coverage_valid == 1 && mapfile_capture(stage.map);
  // The drawing comment describes the map; without one the map keeps the
  // description it was loaded with.
  if (stage.has_map)
    std::snprintf(stage.map.description, sizeof stage.map.description, "%s",
                  g_view.comment[0] ? g_view.comment : g_map_description);
  return true;
}

// Replaces the live project by a completely read stage; the stage is left
// empty. Runs the program's new-project routine first.
void proj_commit(ProjectStage& stage, const char* path) {
  if (cad_new_document_hook) {
    cad_new_document_hook();
  } else {
    obj_free_all();
    obj_reset_layers();
    spk_reset_tables();
  }
  g_coverage_valid = 0;  // a map of the previous project never stays
  copy_path(g_project_path, path);
  g_modified = 0;
  obj_get_layers(&stage.layers[0][0]);
  obj_free_all();
  g_obj_head = stage.head;
  g_obj_tail = stage.tail;
  stage.head = stage.tail = nullptr;
  std::memcpy(&g_title_block, stage.title_block, TITLE_BLOCK_BYTES);
  spk_free_type_table();
  g_speaker_types.count = stage.speaker_count;
  for (int i = 0; i < stage.speaker_count; ++i) {
    SpeakerRecord* record = stage.speakers[i].record;
    record->balloon_link = &record->balloon[0][0][0];
    record->symbol = resolve_symbol(stage.speakers[i].symbol_position);
    g_speaker_types.records[i] = record;
    stage.speakers[i] = StagedSpeakerType{nullptr, -1};
  }
  stage.speaker_count = 0;
  g_material_table.count = stage.material_count;
  for (int i = 0; i < stage.material_count; ++i)
    mat_decode_record(stage.materials[i], g_material_table.records[i]);
  // Faces carry material 0 from the start: a file without materials gets
  // the default material as its first.
  if (g_material_table.count == 0) {
    mat_set_default(g_material_table.records[0]);
    g_material_table.count = 1;
  }
  if (stage.has_map) mapfile_commit(stage.map);
  restore_header(stage.header);
  g_view.hidden_mode = 0;
  for (int layer : {3, 4, 6, 8}) g_layers[layer].visible = 0;
  cad_build_grid_lines();
  rebuild_speaker_shapes();
  set_up_stored_view();
  if (proj_loaded_hook) proj_loaded_hook();
  view_set_title_path(g_project_path);
  view_update_title();
  view_zoom_all();
}

// Reads a project file. Nothing of the live project changes unless the
// whole file was read; a refused file leaves it and its path as they were.
int proj_load(const char* path) {
  std::vector<uint8_t> data;
  if (!le_read_file(path, data, PROJECT_MAX_FILE_BYTES)) {
    FILE* probe = std::fopen(path, "rb");
    if (probe) std::fclose(probe);
    show(probe ? MSG_INVALID : MSG_NOT_FOUND);
    return 0;
  }
  ProjectStage* stage = proj_stage_new();
  if (!stage) {
    show(MSG_NO_MEMORY);
    return 0;
  }
  ProjParseResult r = proj_parse(data.data(), data.size(), *stage);
  int loaded = 0;
  switch (r) {
    case PROJ_PARSE_OK:
      proj_commit(*stage, path);
      loaded = 1;
      break;
    case PROJ_PARSE_LEGACY:
      if (proj_legacy_import_hook) loaded = proj_legacy_import_hook(path);
      else show("Projekte älterer Versionen: noch nicht verfügbar");
      break;
    case PROJ_PARSE_NO_MEMORY:
      show(MSG_NO_MEMORY);
      break;
    default:
      show(MSG_INVALID);
      break;
  }
  proj_stage_free(stage);
  return loaded;
}

// Writes the live project. The file is written completely under a temporary
// name first, the previous file is copied to the backup name, and only then
// the new file takes the chosen name: a failed save keeps the previous file.
int proj_save_to(const char* path) {
  ProjectStage* stage = proj_stage_new();
  if (!stage) {
    show(MSG_NO_MEMORY);
    return 0;
  }
  proj_capture(*stage);
  ByteWriter out;
  proj_serialize(*stage, out);
  proj_stage_free(stage);
  if (!proj_write_file_safely(path, out.buffer().data(), out.buffer().size())) {
    show(MSG_CANNOT_SAVE);
    return 0;
  }
  g_modified = 0;
  copy_path(g_project_path, path);
  remember_folder_of(path);
  view_set_title_path(g_project_path);
  view_update_title();
  return 1;
}

// ------------------------------------------------------ files and names

void proj_ensure_extension(char* path, size_t path_size) { file_ext_ensure(path, path_size, ".OPR"); }

// "X.OPR" and "x.opr" both back up to "X_old.OPR" / "x_old.OPR".
void proj_backup_name(const char* path, char* out, size_t out_size) {
  size_t n = std::strlen(path);
  size_t stem = n >= 4 ? n - 4 : 0;
  std::snprintf(out, out_size, "%.*s_old.OPR", static_cast<int>(stem), path);
}

bool proj_write_file_safely(const char* path, const uint8_t* data, size_t size) {
  char backup[PROJECT_PATH_CHARS + 8];
  proj_backup_name(path, backup, sizeof backup);
  return le_write_file_safely(path, data, size, backup, PROJECT_MAX_FILE_BYTES) == LE_SAVED;
}

// ------------------------------------------------------------- merging

namespace {

// Takes one chunk of another project when it is a visible room-face or
// auxiliary object; everything else is skipped over.
ProjParseResult merge_chunk(ByteReader& in, const ObjChunkHeader& h, int layer,
                            DrawObject*& head, DrawObject*& tail) {
  const bool wanted = (h.layer == LAYER_ROOM || h.layer == LAYER_AUX) &&
                      (h.attributes & OBJ_ATTR_HIDDEN_MASK) == 0;
  if (!wanted) {
    if (!chunk_fits(h, in.remaining())) return PROJ_PARSE_DAMAGED;
    in.skip(size_t(h.aux_size) + size_t(h.node_count) * 12 + size_t(h.element_count) * 4);
    return PROJ_PARSE_OK;
  }
  DrawObject* o;
  ProjParseResult r = read_chunk_body(in, h, &o);
  if (!o) return r;
  obj_list_insert_before(head, tail, o, head);
  if (r != PROJ_PARSE_OK) return r;
  for (uint32_t i = 0; i < o->element_count; ++i)
    if (o->elements[i].code == EL_MATERIAL) o->elements[i].value = 0;
  o->attributes = OBJ_ATTR_SELECTED;
  o->layer = static_cast<uint32_t>(layer);
  o->colour = layer == 0 ? 0 : MERGED_COLOUR;
  return PROJ_PARSE_OK;
}

}  // namespace

// Returns the number of objects taken; the drawing gets them only when the
// whole object list of the other file could be walked.
int proj_merge_objects(const char* path, int layer) {
  std::vector<uint8_t> data;
  if (!le_read_file(path, data, PROJECT_MAX_FILE_BYTES)) {
    show(MSG_NOT_FOUND);
    return 0;
  }
  if (data.size() < PROJECT_HEADER_BYTES) {
    show(MSG_INVALID);
    return 0;
  }
  ProjectHeader header;
  proj_decode_header(data.data(), header);
  if (!proj_has_signature(header)) {
    show(MSG_INVALID);
    return 0;
  }
  if (proj_signature_version(header) < 200) return 0;
  ByteReader in(data.data() + PROJECT_HEADER_BYTES, data.size() - PROJECT_HEADER_BYTES);
  DrawObject* head = nullptr;
  DrawObject* tail = nullptr;
  ProjParseResult r = in.skip(LAYER_STORED_BYTES) ? PROJ_PARSE_OK : PROJ_PARSE_DAMAGED;
  for (bool more = true; more && r == PROJ_PARSE_OK;) {
    ObjChunkHeader h;
    if (!read_chunk_header(in, h)) {
      r = PROJ_PARSE_DAMAGED;
      break;
    }
    r = merge_chunk(in, h, layer, head, tail);
    more = h.next != 0;
  }
  if (r != PROJ_PARSE_OK) {
    obj_list_free_all(head, tail);
    show(r == PROJ_PARSE_NO_MEMORY ? MSG_NO_MEMORY : MSG_INVALID);
    return 0;
  }
  int taken = 0;
  while (tail) {  // each in front of the list, as if inserted one by one in file order
    DrawObject* o = tail;
    obj_list_unlink(head, tail, o);
    obj_insert_before(o, g_obj_head);
    ++taken;
  }
  if (layer >= 0 && layer < LAYER_COUNT) g_layers[layer].visible = 1;
  set_up_stored_view();
  return taken;
}
