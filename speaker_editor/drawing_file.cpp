#include "speaker_editor/drawing_file.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "cad/title_block.h"
#include "cad/view.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speaker_editor/record_table.h"
#include "speakers/legacy_drawing.h"

const char SPKED_DRAWING_ID[] = "PELVAR V1.40";
uint8_t g_spked_drawing_header[SPKED_DRAWING_HEADER_BYTES];
char g_spked_drawing_name[SPKED_DRAWING_NAME_CHARS];

namespace {

const char* const MSG_INVALID = "Ungültige Datei, kann nicht geladen werden !";
constexpr size_t LEGACY_ID_BYTES = 32;

enum : size_t {
  HDR_VIEW = 20, HDR_SNAP_WIDTH = 22, HDR_SNAP_ON = 26, HDR_NODE_RADIUS = 28, HDR_NODE_ON = 32, HDR_GRID = 62,
};

bool legacy_id(const uint8_t* data, size_t size, const char* id) {
  if (size < LEGACY_ID_BYTES) return false;
  char text[LEGACY_ID_BYTES + 1] = {};
  std::memcpy(text, data, LEGACY_ID_BYTES);
  return std::strcmp(text, id) == 0;
}

// The chunks from the first chunk on into a list; false (nothing kept) when
// one runs past the end, breaks a limit or names a node it does not hold.
bool read_chunks(const uint8_t* data, size_t size, RecordDrawing& out) {
  out = RecordDrawing{};
  size_t pos = SPKED_DRAWING_FIRST_CHUNK;
  if (size == pos) return true;  // a drawing without objects
  for (;;) {
    ObjChunkHeader h;
    size_t used = 0;
    DrawObject* o = nullptr;
    if (size - pos >= OBJ_CHUNK_HEADER_BYTES) {
      obj_decode_chunk_header(data + pos, h);
      if (h.node_count <= MAX_OBJECT_NODES && h.element_count <= MAX_OBJECT_ELEMENTS)
        o = obj_get_chunk(data + pos, size - pos, &used, &h);
    }
    if (!o) {
      obj_list_free_all(out.head, out.tail);
      return false;
    }
    obj_list_append(out.head, out.tail, o);
    pos += used;
    if (!h.next) return true;
  }
}

const uint32_t default_colour = 0;

void move_list_to_drawing(RecordDrawing& list) {
  while (DrawObject* o = list.head) {
    obj_list_unlink(list.head, list.tail, o);
    obj_append(o);
  }
}

// One object of all chunks, node indexes rebased, layer 0, kind body.
DrawObject* merged_body(const std::vector<LegacyChunk>& chunks) {
  uint64_t nodes = 0, elements = 0;
  for (const LegacyChunk& c : chunks) {
    nodes += c.node_count;
    elements += c.element_count;
    for (uint32_t i = 0; i < c.element_count; ++i) {
      ElementCode e = legacy_chunk_element(c, i);
      if (e.code <= EL_CLOSE && e.value >= c.node_count) return nullptr;
    }
  }
  if (nodes == 0 || nodes > MAX_OBJECT_NODES || elements > MAX_OBJECT_ELEMENTS) return nullptr;
  DrawObject* o = obj_create(0, uint32_t(nodes), uint32_t(elements));
  if (!o) return nullptr;
  uint32_t base = 0, at = 0;
  for (const LegacyChunk& c : chunks) {
    obj_get_nodes(c.nodes, c.node_count, o->nodes + base);
    for (uint32_t i = 0; i < c.element_count; ++i) {
      ElementCode e = legacy_chunk_element(c, i);
      if (e.code <= EL_CLOSE) e.value = uint16_t(e.value + base);
      o->elements[at++] = e;
    }
    base += c.node_count;
  }
  o->layer = 0;
  o->attributes = 0;
  o->kind = OBJ_KIND_BODY;
  return o;
}

DrawObject* object_of_record(const LegacyChunk& c) {
  for (uint32_t i = 0; i < c.element_count; ++i) {
    ElementCode e = legacy_chunk_element(c, i);
    if (e.code <= EL_CLOSE && e.value >= c.node_count) return nullptr;
  }
  if (c.node_count > MAX_OBJECT_NODES || c.element_count > MAX_OBJECT_ELEMENTS) return nullptr;
  DrawObject* o = obj_create(0, c.node_count, c.element_count);
  if (!o) return nullptr;
  obj_get_nodes(c.nodes, c.node_count, o->nodes);
  for (uint32_t i = 0; i < c.element_count; ++i) o->elements[i] = legacy_chunk_element(c, i);
  o->kind = c.kind;
  o->layer = c.layer;
  return o;
}

RecordDrawing* fail(RecordDrawing* list, bool tell) {
  if (list) spked_free_drawing(list);
  if (tell) ui_message_box(MSG_INVALID, nullptr, UI_MB_OK);
  return nullptr;
}

}  // namespace

void spked_init_drawing_defaults() {
  cad_new_drawing_defaults();
  std::snprintf(g_spked_drawing_name, sizeof g_spked_drawing_name, "%s", "LS001");
  view_set_title_path(g_spked_drawing_name);
  g_view.scale = 200.0f;
  g_view.snap_distance = 0.01f;
  for (int i = 1; i < LAYER_COUNT; ++i) g_layers[i].visible = 0;
  g_layers[0].visible = 1;
  g_view.kind = VIEW_3D;
  g_abort_flag = 0;
  g_running_command = 0;
}

bool spked_is_drawing_file(const uint8_t* data, size_t size) {
  if (size < SPKED_DRAWING_FIRST_CHUNK) return false;
  char id[21] = {};
  std::memcpy(id, data, 20);
  return std::strcmp(id, SPKED_DRAWING_ID) == 0;
}

std::vector<uint8_t> spked_drawing_file_bytes() {
  uint8_t* h = g_spked_drawing_header;
  std::memset(h, 0, 20);
  std::memcpy(h, SPKED_DRAWING_ID, sizeof SPKED_DRAWING_ID);
  le_put_u16(h + HDR_VIEW, uint16_t(g_view.kind));
  le_put_f32(h + HDR_SNAP_WIDTH, g_view.snap_distance);
  le_put_u16(h + HDR_SNAP_ON, uint16_t(g_view.coord_snap));
  le_put_f32(h + HDR_NODE_RADIUS, float(g_view.node_snap_distance));
  le_put_u16(h + HDR_NODE_ON, uint16_t(g_view.point_snap));
  le_put_f32(h + HDR_GRID, g_view.grid_size);
  ByteWriter w;
  w.bytes(h, SPKED_DRAWING_HEADER_BYTES);
  uint8_t layers[LAYER_STORED_BYTES];
  obj_put_layers(layers);
  w.bytes(layers, sizeof layers);
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    ObjChunkHeader ch = obj_chunk_header(o, o->next != nullptr);
    size_t at = w.buffer().size();
    w.zeros(obj_chunk_size(ch));
    obj_put_chunk(ch, o, w.buffer().data() + at, obj_chunk_size(ch));
  }
  return std::move(w.buffer());
}

bool spked_write_drawing_file(const char* path) {
  std::vector<uint8_t> data = spked_drawing_file_bytes();
  return le_write_file_safely(path, data.data(), data.size(), nullptr, 0) == LE_SAVED;
}

bool spked_load_drawing_bytes(const uint8_t* data, size_t size) {
  RecordDrawing list;
  if (!spked_is_drawing_file(data, size) || !read_chunks(data, size, list)) return false;
  std::memcpy(g_spked_drawing_header, data, SPKED_DRAWING_HEADER_BYTES);
  spked_init_drawing_defaults();
  obj_get_layers(data + SPKED_DRAWING_HEADER_BYTES);
  for (DrawObject* o = list.head; o; o = o->next) o->colour = default_colour;  // colours are not kept
  move_list_to_drawing(list);
  DrawObject* last = g_obj_tail;
  if (last && last->kind == OBJ_KIND_TITLE_BLOCK) {
    size_t n = last->aux_size < TITLE_BLOCK_BYTES ? last->aux_size : TITLE_BLOCK_BYTES;
    std::memset(&g_title_block, 0, sizeof g_title_block);
    if (n) std::memcpy(&g_title_block, last->aux, n);
    obj_unlink(last);
    obj_free(last);
  }
  int16_t kind = int16_t(le_get_u16(data + HDR_VIEW));
  g_view.kind = kind >= VIEW_XY && kind <= VIEW_3D ? kind : int16_t(VIEW_3D);
  g_view.snap_distance = le_get_f32(data + HDR_SNAP_WIDTH);
  g_view.node_snap_distance = le_get_f32(data + HDR_NODE_RADIUS);
  g_view.grid_size = le_get_f32(data + HDR_GRID);
  return true;
}

bool spked_insert_drawing_bytes(const uint8_t* data, size_t size) {
  RecordDrawing list;
  if (!spked_is_drawing_file(data, size) || !read_chunks(data, size, list)) return false;
  for (DrawObject* o = list.head; o; o = o->next) {
    o->layer = uint32_t(g_view.current_layer);
    o->kind = spked_object_kind_from_elements(o);
    o->colour = default_colour;
  }
  move_list_to_drawing(list);
  return true;
}

RecordDrawing* spked_read_legacy_drawing(const uint8_t* data, size_t size, bool tell) {
  std::vector<LegacyChunk> chunks;
  auto* list = new (std::nothrow) RecordDrawing{};
  if (!list) return nullptr;
  if (legacy_id(data, size, "TEVRAN 1.0     ")) {
    DrawObject* body = legacy_parse_short_chunks(data, size, 4, chunks) ? merged_body(chunks) : nullptr;
    if (!body) return fail(list, tell);
    obj_list_append(list->head, list->tail, body);
    return list;
  }
  if (legacy_id(data, size, "TEVRAN V1.27")) {
    if (!legacy_parse_v127_records(data, size, chunks)) return fail(list, tell);
    std::memcpy(g_spked_drawing_header, data, SPKED_DRAWING_HEADER_BYTES);
    for (const LegacyChunk& c : chunks) {
      if (c.layer > 2) continue;
      DrawObject* o = object_of_record(c);
      if (!o) return fail(list, tell);
      obj_list_append(list->head, list->tail, o);
    }
    if (!list->head) return fail(list, false);
    return list;
  }
  return fail(list, tell);
}

DrawObject* spked_read_legacy_drawing_merged(const uint8_t* data, size_t size) {
  std::vector<LegacyChunk> chunks;
  if (!legacy_id(data, size, "TEVRAN 1.0     ") || !legacy_parse_short_chunks(data, size, 4, chunks)) return nullptr;
  return merged_body(chunks);
}
