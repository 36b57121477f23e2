// Object store: every piece of geometry of a drawing is a DrawObject in one
// doubly linked list whose order is the drawing order and the file order.
// Also the layer table, the current-object registers and the 48-byte stored
// object chunk shared by project files, undo images and speaker databases.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "cad/cad_state.h"  // WorldPoint: one node, three floats x, y, z

// Element entry: a 16-bit code and a 16-bit value (node index or material).
struct ElementCode {
  uint16_t code;
  uint16_t value;
};
static_assert(sizeof(ElementCode) == 4);
static_assert(sizeof(WorldPoint) == 12);

enum : uint16_t {
  EL_START = 0,     // start a polygon or polyline at node value
  EL_LINE = 1,      // line to node value
  EL_CLOSE = 2,     // line to node value, then back to the polygon's start
  EL_MATERIAL = 3,  // material index of the project's table; only right after a start
};

// ObjectKind: the kind word.
enum ObjectKind : uint32_t {
  OBJ_KIND_GRID_LINE = 0,
  OBJ_KIND_POLYLINE = 1,
  OBJ_KIND_FACE = 8,
  OBJ_KIND_BODY = 16,
  OBJ_KIND_SURFACE_MASK = 24,  // face or body
  OBJ_KIND_TEXT = 32,
  OBJ_KIND_TITLE_BLOCK = 33,
  OBJ_KIND_PLOT_FRAME = 255,
  OBJ_KIND_GROUP_BEGIN = 0x20000,
  OBJ_KIND_GROUP_END = 0x40000,
};

// ObjectAttr: the attribute bits.
enum ObjectAttr : uint32_t {
  OBJ_ATTR_CREATED = 1,
  OBJ_ATTR_GROUP_MEMBER = 2,
  OBJ_ATTR_GROUP_LAST = 4,
  OBJ_ATTR_SELECTED = 8,
  OBJ_ATTR_SPEAKER_MARK = 16,
  OBJ_ATTR_NOT_DRAWN_20 = 0x20,
  OBJ_ATTR_NOT_DRAWN_40 = 0x40,
  OBJ_ATTR_LAYER_HIDDEN = 0x80,
  OBJ_ATTR_HIDDEN_MASK = 0xE0,        // drawing and extents skip these
  OBJ_ATTR_UNSELECTABLE_MASK = 0xE8,  // selection skips these
};

constexpr uint32_t MAX_OBJECT_NODES = 5400;
constexpr uint32_t MAX_OBJECT_ELEMENTS = 32760;

struct DrawObject {
  DrawObject* prev;
  DrawObject* next;
  void* aux;              // aux_size bytes, owned; null when aux_size is 0
  WorldPoint* nodes;      // node_count nodes, owned
  ElementCode* elements;  // element_count entries, owned
  uint32_t kind;          // ObjectKind bits
  uint32_t attributes;    // ObjectAttr bits
  uint32_t colour;        // palette index 0-63
  uint32_t layer;         // 0-31
  uint32_t node_count;
  uint32_t element_count;
  uint32_t aux_size;
};

// Layers.
constexpr int LAYER_COUNT = 32;
constexpr int LAYER_STORED_COUNT = 16;  // stored in project files and undo images
constexpr int LAYER_ENTRY_BYTES = 24;
constexpr int LAYER_STORED_BYTES = LAYER_STORED_COUNT * LAYER_ENTRY_BYTES;  // 384
enum : uint32_t {
  LAYER_ROOM = 0, LAYER_LISTENER = 1, LAYER_SPEAKER = 2, LAYER_BLOCK = 3, LAYER_AIM = 4,
  LAYER_RAY = 5, LAYER_BALLOON = 6, LAYER_AUX = 7, LAYER_GRID = 8,
};

struct LayerEntry {
  char name[22];     // "LAYER " + number, NUL-terminated
  uint16_t visible;  // 1 shown, 0 hidden
};
static_assert(sizeof(LayerEntry) == LAYER_ENTRY_BYTES);

extern LayerEntry g_layers[LAYER_COUNT];

// The object list.
extern DrawObject* g_obj_head;
extern DrawObject* g_obj_tail;

// Current-object registers, loaded by obj_make_current with OBJ_MC_LOAD.
extern DrawObject* g_cur_object;
extern WorldPoint* g_cur_nodes;
extern uint32_t g_cur_node_count;
extern ElementCode* g_cur_elements;
extern uint32_t g_cur_element_count;

enum : unsigned {
  OBJ_MC_LOAD = 64,         // load the current-object registers from the object given
  OBJ_MC_GROUP_END = 0x80,  // a group member answers its group's last record
};

// Records and arrays.
DrawObject* obj_create(uint32_t aux_size, uint32_t node_count, uint32_t element_count);
DrawObject* obj_create_circle();
DrawObject* obj_duplicate(const DrawObject* object);
WorldPoint* obj_alloc_nodes(uint32_t count);
ElementCode* obj_alloc_elements(uint32_t count);
WorldPoint* obj_realloc_nodes(WorldPoint* nodes, uint32_t old_count, uint32_t new_count);
ElementCode* obj_realloc_elements(ElementCode* elements, uint32_t old_count, uint32_t new_count);
void* obj_alloc_or_warn(size_t bytes);
void obj_warn_no_memory();  // the store's out-of-memory message
size_t obj_flat_size(const DrawObject* object);

// The object list.
void obj_append(DrawObject* object);
void obj_prepend_list(DrawObject* head, DrawObject* tail);
void obj_insert_before(DrawObject* object, DrawObject* before);
void obj_unlink(DrawObject* object);
void obj_free(DrawObject* object);
void obj_free_all();
DrawObject* obj_at_index(int32_t index);
int32_t obj_index_of(const DrawObject* object);

// Any other list given by its head/tail pair.
void obj_list_append(DrawObject*& head, DrawObject*& tail, DrawObject* object);
void obj_list_insert_before(DrawObject*& head, DrawObject*& tail, DrawObject* object, DrawObject* before);
void obj_list_unlink(DrawObject*& head, DrawObject*& tail, DrawObject* object);
void obj_list_free(DrawObject*& head, DrawObject*& tail, DrawObject* object);
void obj_list_free_all(DrawObject*& head, DrawObject*& tail);

// Counting and the current object.
int32_t obj_count();
int32_t obj_count_room(int32_t* out_faces);
int32_t obj_count_listener();
int32_t obj_count_speaker();
int32_t obj_count_aux();
DrawObject* obj_make_current(unsigned flags, DrawObject* object);
DrawObject* obj_optimise(DrawObject* object);
bool obj_elements_valid(const DrawObject* object);

// A polygon's material: the code-3 entry right after its start element.
// A polygon without that entry, or with an index at or above the count of
// materials, reads as material 0; setting it changes only a real entry, so a
// node reference is never overwritten (false when there is none).
int obj_polygon_material(const DrawObject* object, uint32_t start_element, int material_count);
bool obj_has_polygon_material(const DrawObject* object, uint32_t start_element);
bool obj_set_polygon_material(DrawObject* object, uint32_t start_element, uint16_t material);

// Layer table.
void obj_reset_layers();
void obj_put_layers(uint8_t out[LAYER_STORED_BYTES]);
void obj_get_layers(const uint8_t in[LAYER_STORED_BYTES]);

// Stored object chunk: the 48-byte header (twelve little-endian 32-bit words
// in DrawObject order), then aux_size bytes, node_count x 12 bytes of nodes
// and element_count x 4 bytes of elements. The link and pointer words carry
// no addresses; only `next` means something (non-zero: another chunk follows).
constexpr size_t OBJ_CHUNK_HEADER_BYTES = 48;
struct ObjChunkHeader {
  uint32_t prev, next, aux, nodes, elements;
  uint32_t kind, attributes, colour, layer, node_count, element_count, aux_size;
};

ObjChunkHeader obj_chunk_header(const DrawObject* object, bool more_follow);
size_t obj_chunk_size(const ObjChunkHeader& header);
void obj_encode_chunk_header(const ObjChunkHeader& header, uint8_t out[OBJ_CHUNK_HEADER_BYTES]);
void obj_decode_chunk_header(const uint8_t in[OBJ_CHUNK_HEADER_BYTES], ObjChunkHeader& header);
size_t obj_put_chunk(const ObjChunkHeader& header, const DrawObject* object, uint8_t* out, size_t capacity);
int obj_write_chunk(FILE* file, const ObjChunkHeader& header, const DrawObject* object);
DrawObject* obj_get_chunk(const uint8_t* in, size_t size, size_t* used, ObjChunkHeader* header);
DrawObject* obj_read_chunk(FILE* file, long remaining, ObjChunkHeader* header);
void obj_put_nodes(const WorldPoint* nodes, uint32_t count, uint8_t* out);
void obj_get_nodes(const uint8_t* in, uint32_t count, WorldPoint* nodes);
void obj_put_elements(const ElementCode* elements, uint32_t count, uint8_t* out);
void obj_get_elements(const uint8_t* in, uint32_t count, ElementCode* elements);
