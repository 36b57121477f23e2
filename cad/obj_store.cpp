#include "cad/obj_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/ui_seam.h"

LayerEntry g_layers[LAYER_COUNT];
DrawObject* g_obj_head = nullptr;
DrawObject* g_obj_tail = nullptr;

DrawObject* g_cur_object = nullptr;
WorldPoint* g_cur_nodes = nullptr;
uint32_t g_cur_node_count = 0;
ElementCode* g_cur_elements = nullptr;
uint32_t g_cur_element_count = 0;

namespace {

// calloc with the count x size overflow check done for us; never asked for 0 bytes.
void* zeroed(size_t count, size_t size) { return count ? std::calloc(count, size) : nullptr; }

}  // namespace

// ---------------------------------------------------------------- records

// A zeroed record with zeroed arrays of the given sizes; nothing is kept when
// any allocation fails.
DrawObject* obj_create(uint32_t aux_size, uint32_t node_count, uint32_t element_count) {
  auto* object = static_cast<DrawObject*>(std::calloc(1, sizeof(DrawObject)));
  if (!object) return nullptr;
  object->aux = zeroed(aux_size, 1);
  object->nodes = obj_alloc_nodes(node_count);
  object->elements = obj_alloc_elements(element_count);
  if ((aux_size && !object->aux) || (node_count && !object->nodes) ||
      (element_count && !object->elements)) {
    std::free(object->aux);
    std::free(object->nodes);
    std::free(object->elements);
    std::free(object);
    return nullptr;
  }
  object->aux_size = aux_size;
  object->node_count = node_count;
  object->element_count = element_count;
  return object;
}

DrawObject* obj_create_circle() { return obj_create(0, 360, 361); }

// The aux block is allocated but left zeroed: the caller copies what it needs.
DrawObject* obj_duplicate(const DrawObject* object) {
  if (!object) return nullptr;
  DrawObject* copy = obj_create(object->aux_size, object->node_count, object->element_count);
  if (!copy) return nullptr;
  copy->kind = object->kind;
  copy->attributes = object->attributes;
  copy->colour = object->colour;
  copy->layer = object->layer;
  if (object->node_count) std::memcpy(copy->nodes, object->nodes, object->node_count * sizeof(WorldPoint));
  if (object->element_count)
    std::memcpy(copy->elements, object->elements, object->element_count * sizeof(ElementCode));
  return copy;
}

WorldPoint* obj_alloc_nodes(uint32_t count) {
  return static_cast<WorldPoint*>(zeroed(count, sizeof(WorldPoint)));
}

ElementCode* obj_alloc_elements(uint32_t count) {
  return static_cast<ElementCode*>(zeroed(count, sizeof(ElementCode)));
}

namespace {

// Resizes an array of entries, zeroing the grown part. Null for 0 entries;
// on failure null and the old array stays valid.
void* resize_array(void* array, size_t entry, uint32_t old_count, uint32_t new_count) {
  if (new_count == 0) {
    std::free(array);
    return nullptr;
  }
  if (static_cast<unsigned long long>(new_count) * entry > SIZE_MAX) return nullptr;
  auto* grown = static_cast<uint8_t*>(std::realloc(array, new_count * entry));
  if (grown && new_count > old_count) std::memset(grown + old_count * entry, 0, (new_count - old_count) * entry);
  return grown;
}

}  // namespace

WorldPoint* obj_realloc_nodes(WorldPoint* nodes, uint32_t old_count, uint32_t new_count) {
  return static_cast<WorldPoint*>(resize_array(nodes, sizeof(WorldPoint), old_count, new_count));
}

ElementCode* obj_realloc_elements(ElementCode* elements, uint32_t old_count, uint32_t new_count) {
  return static_cast<ElementCode*>(resize_array(elements, sizeof(ElementCode), old_count, new_count));
}

// A large work block (freed with free), or null after telling the user.
void* obj_alloc_or_warn(size_t bytes) {
  void* block = std::malloc(bytes ? bytes : 1);
  if (!block) obj_warn_no_memory();
  return block;
}

void obj_warn_no_memory() { ui_message_box("Nicht genügend Speicher vorhanden, Operation abgebrochen", nullptr, UI_MB_OK); }

// Bytes of the object's stored image: header, aux, nodes, elements.
size_t obj_flat_size(const DrawObject* object) {
  if (!object) return 0;
  return object->aux_size + size_t{object->node_count} * 12 + OBJ_CHUNK_HEADER_BYTES +
         size_t{object->element_count} * 4;
}

// ---------------------------------------------------------------- lists

void obj_list_append(DrawObject*& head, DrawObject*& tail, DrawObject* object) {
  if (!object) return;
  object->next = nullptr;
  object->prev = tail;
  if (tail)
    tail->next = object;
  else
    head = object;
  tail = object;
}

void obj_list_insert_before(DrawObject*& head, DrawObject*& tail, DrawObject* object, DrawObject* before) {
  if (!object) return;
  if (!before) {
    obj_list_append(head, tail, object);
    return;
  }
  object->next = before;
  object->prev = before->prev;
  if (before->prev)
    before->prev->next = object;
  else
    head = object;
  before->prev = object;
}

void obj_list_unlink(DrawObject*& head, DrawObject*& tail, DrawObject* object) {
  if (!object) return;
  if (object->prev)
    object->prev->next = object->next;
  else if (head == object)
    head = object->next;
  if (object->next)
    object->next->prev = object->prev;
  else if (tail == object)
    tail = object->prev;
  object->prev = object->next = nullptr;
}

namespace {

void release(DrawObject* object) {
  if (g_cur_object == object) {
    g_cur_object = nullptr;
    g_cur_nodes = nullptr;
    g_cur_elements = nullptr;
    g_cur_node_count = g_cur_element_count = 0;
  }
  std::free(object->aux);
  std::free(object->elements);
  std::free(object->nodes);
  std::free(object);
}

}  // namespace

void obj_list_free(DrawObject*& head, DrawObject*& tail, DrawObject* object) {
  if (!object) return;
  obj_list_unlink(head, tail, object);
  release(object);
}

void obj_list_free_all(DrawObject*& head, DrawObject*& tail) {
  DrawObject* object = head;
  while (object) {
    DrawObject* next = object->next;
    release(object);
    object = next;
  }
  head = tail = nullptr;
}

void obj_append(DrawObject* object) { obj_list_append(g_obj_head, g_obj_tail, object); }

// Puts a whole list (head to tail) in front of the drawing's list.
void obj_prepend_list(DrawObject* head, DrawObject* tail) {
  if (!head) return;
  head->prev = nullptr;
  tail->next = g_obj_head;
  if (g_obj_head)
    g_obj_head->prev = tail;
  else
    g_obj_tail = tail;
  g_obj_head = head;
}
void obj_insert_before(DrawObject* object, DrawObject* before) {
  obj_list_insert_before(g_obj_head, g_obj_tail, object, before);
}
void obj_unlink(DrawObject* object) { obj_list_unlink(g_obj_head, g_obj_tail, object); }
void obj_free(DrawObject* object) { obj_list_free(g_obj_head, g_obj_tail, object); }
void obj_free_all() { obj_list_free_all(g_obj_head, g_obj_tail); }

DrawObject* obj_at_index(int32_t index) {
  if (index < 0) return nullptr;
  DrawObject* object = g_obj_head;
  while (object && index-- > 0) object = object->next;
  return object;
}

int32_t obj_index_of(const DrawObject* object) {
  int32_t index = 0;
  for (const DrawObject* o = g_obj_head; o; o = o->next, ++index)
    if (o == object) return index;
  return -1;
}

// ---------------------------------------------------------------- counting

namespace {

int32_t count_on_layer(uint32_t layer) {
  int32_t n = 0;
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == layer) ++n;
  return n;
}

}  // namespace

int32_t obj_count() {
  int32_t n = 0;
  for (const DrawObject* o = g_obj_head; o; o = o->next) ++n;
  return n;
}

// Layer-0 objects; those that are faces or bodies go to out_faces.
int32_t obj_count_room(int32_t* out_faces) {
  int32_t all = 0, faces = 0;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != LAYER_ROOM) continue;
    ++all;
    if (o->kind & OBJ_KIND_SURFACE_MASK) ++faces;
  }
  if (out_faces) *out_faces = faces;
  return all;
}

int32_t obj_count_listener() { return count_on_layer(LAYER_LISTENER); }
int32_t obj_count_speaker() { return count_on_layer(LAYER_SPEAKER); }
int32_t obj_count_aux() { return count_on_layer(LAYER_AUX); }

// With OBJ_MC_GROUP_END a group member answers the group's last record, so
// that a walk can skip the whole group; a group whose last record is missing
// answers the object itself rather than running off the list. OBJ_MC_LOAD
// loads the registers from the object given, not from the one answered.
DrawObject* obj_make_current(unsigned flags, DrawObject* object) {
  DrawObject* answer = object;
  if ((flags & OBJ_MC_GROUP_END) && object && (object->attributes & OBJ_ATTR_GROUP_MEMBER)) {
    DrawObject* walk = object;
    while (walk && !(walk->attributes & OBJ_ATTR_GROUP_LAST)) walk = walk->next;
    if (walk) answer = walk;
  }
  if (flags & OBJ_MC_LOAD) {
    g_cur_object = object;
    g_cur_nodes = object ? object->nodes : nullptr;
    g_cur_node_count = object ? object->node_count : 0;
    g_cur_elements = object ? object->elements : nullptr;
    g_cur_element_count = object ? object->element_count : 0;
  }
  return answer;
}

// Codes 0 to 2 must name an existing node; materials and unknown codes carry
// no node.
bool obj_elements_valid(const DrawObject* object) {
  for (uint32_t i = 0; i < object->element_count; ++i) {
    const ElementCode& e = object->elements[i];
    if (e.code <= EL_CLOSE && e.value >= object->node_count) return false;
  }
  return true;
}

// ---------------------------------------------------------------- materials

bool obj_has_polygon_material(const DrawObject* object, uint32_t start_element) {
  if (!object || !object->elements) return false;
  if (uint64_t(start_element) + 1 >= object->element_count) return false;
  return object->elements[start_element].code == EL_START &&
         object->elements[start_element + 1].code == EL_MATERIAL;
}

int obj_polygon_material(const DrawObject* object, uint32_t start_element, int material_count) {
  if (!obj_has_polygon_material(object, start_element)) return 0;
  int m = object->elements[start_element + 1].value;
  return m < material_count ? m : 0;
}

bool obj_set_polygon_material(DrawObject* object, uint32_t start_element, uint16_t material) {
  if (!obj_has_polygon_material(object, start_element)) return false;
  object->elements[start_element + 1].value = material;
  return true;
}

// ---------------------------------------------------------------- optimise

namespace {

// Entries that name no node (bad value) get this code so that no look-back
// matches them and the element pass drops them like any unknown code.
constexpr uint16_t EL_DROPPED = 0xFFFF;

bool same_point(const WorldPoint& a, const WorldPoint& b) {
  double dx = double(a.x) - double(b.x), dy = double(a.y) - double(b.y), dz = double(a.z) - double(b.z);
  return dx * dx + dy * dy + dz * dz < 1e-6;
}

// Node pass: merge nodes closer than 0.001 and drop nodes no entry names.
uint32_t merge_nodes(const DrawObject* object, ElementCode* work, WorldPoint* merged) {
  uint32_t count = 0;
  for (uint32_t i = 0; i < object->element_count; ++i) {
    ElementCode& e = work[i];
    if (e.code == EL_MATERIAL) continue;
    if (e.value >= object->node_count) {
      e.code = EL_DROPPED;
      continue;
    }
    const WorldPoint& p = object->nodes[e.value];
    uint32_t k = 0;
    while (k < count && !same_point(merged[k], p)) ++k;
    if (k == count) merged[count++] = p;
    e.value = static_cast<uint16_t>(k);
  }
  return count;
}

// Element pass: drop doubled starts, zero-length lines, misplaced materials
// and unknown codes; a line into the closing point becomes the close.
uint32_t compact_elements(const ElementCode* in, uint32_t count, ElementCode* out) {
  uint32_t k = 0;
  uint16_t start = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const ElementCode e = in[i];
    const ElementCode* prev = i >= 1 ? &in[i - 1] : nullptr;
    const ElementCode* back2 = i >= 2 ? &in[i - 2] : nullptr;
    switch (e.code) {
      case EL_START:
        if (k > 0 && out[k - 1].code == EL_START) {
          out[k - 1].value = e.value;
        } else {
          out[k++] = e;
          start = e.value;
        }
        break;
      case EL_LINE:
        if (back2 && back2->code == EL_START && back2->value == e.value) break;
        if (prev && prev->code == EL_LINE && prev->value == e.value) break;
        out[k++] = e;
        break;
      case EL_CLOSE:
        // Only a kept line may become the close: when the polygon has shrunk
        // to its start, the entry before is the start or its material.
        if (prev && prev->code == EL_LINE && (prev->value == e.value || e.value == start) && k > 0 &&
            out[k - 1].code == EL_LINE) {
          out[k - 1].code = EL_CLOSE;
        } else {
          out[k++] = e;
        }
        break;
      case EL_MATERIAL:
        if (k == 0 || out[k - 1].code == EL_START) out[k++] = e;
        break;
      default:
        break;
    }
  }
  return k;
}

}  // namespace

// Compacts the object in place: merges coincident nodes, drops unused nodes
// and redundant element entries. Element values that name no node are dropped
// so the object stays consistent for any input. On lack of memory the object
// is left as it was.
DrawObject* obj_optimise(DrawObject* object) {
  if (!object || object->element_count == 0) return object;
  uint32_t n = object->element_count;
  auto* work = static_cast<ElementCode*>(std::malloc(n * sizeof(ElementCode)));
  auto* kept = static_cast<ElementCode*>(std::malloc(n * sizeof(ElementCode)));
  uint32_t node_room = object->node_count < n ? object->node_count : n;
  auto* merged = static_cast<WorldPoint*>(std::malloc((node_room ? node_room : 1) * sizeof(WorldPoint)));
  if (!work || !kept || !merged) {
    std::free(work);
    std::free(kept);
    std::free(merged);
    return object;
  }
  std::memcpy(work, object->elements, n * sizeof(ElementCode));
  uint32_t nodes = merge_nodes(object, work, merged);
  uint32_t elements = compact_elements(work, n, kept);

  std::free(object->nodes);
  object->nodes = nodes ? obj_realloc_nodes(merged, node_room ? node_room : 1, nodes) : nullptr;
  if (!nodes) std::free(merged);
  if (nodes && !object->nodes) object->nodes = merged;  // shrinking failed: keep the larger block
  object->node_count = nodes;

  std::free(object->elements);
  object->elements = elements ? obj_realloc_elements(kept, n, elements) : nullptr;
  if (!elements) std::free(kept);
  if (elements && !object->elements) object->elements = kept;
  object->element_count = elements;
  std::free(work);
  if (g_cur_object == object) obj_make_current(OBJ_MC_LOAD, object);
  return object;
}

// ---------------------------------------------------------------- layers

// New drawing: "LAYER 1" to "LAYER 32"; the room, listener and loudspeaker
// layers shown.
void obj_reset_layers() {
  for (int i = 0; i < LAYER_COUNT; ++i) {
    std::memset(&g_layers[i], 0, sizeof(LayerEntry));
    std::snprintf(g_layers[i].name, sizeof g_layers[i].name, "LAYER %d", i + 1);
    g_layers[i].visible = i <= 2 ? 1 : 0;
  }
}

namespace {

void put_u16(uint8_t* out, uint16_t v) {
  out[0] = uint8_t(v);
  out[1] = uint8_t(v >> 8);
}
void put_u32(uint8_t* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[i] = uint8_t(v >> (8 * i));
}
uint16_t get_u16(const uint8_t* in) { return uint16_t(in[0] | in[1] << 8); }
uint32_t get_u32(const uint8_t* in) {
  return uint32_t(in[0]) | uint32_t(in[1]) << 8 | uint32_t(in[2]) << 16 | uint32_t(in[3]) << 24;
}
void put_f32(uint8_t* out, float f) {
  uint32_t v;
  std::memcpy(&v, &f, 4);
  put_u32(out, v);
}
float get_f32(const uint8_t* in) {
  uint32_t v = get_u32(in);
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

}  // namespace

// The first 16 entries, as project files and undo images keep them.
void obj_put_layers(uint8_t out[LAYER_STORED_BYTES]) {
  for (int i = 0; i < LAYER_STORED_COUNT; ++i) {
    uint8_t* entry = out + i * LAYER_ENTRY_BYTES;
    std::memcpy(entry, g_layers[i].name, sizeof g_layers[i].name);
    put_u16(entry + 22, g_layers[i].visible);
  }
}

// A name read from a file is cut to fit, so it is always terminated.
void obj_get_layers(const uint8_t in[LAYER_STORED_BYTES]) {
  for (int i = 0; i < LAYER_STORED_COUNT; ++i) {
    const uint8_t* entry = in + i * LAYER_ENTRY_BYTES;
    std::memcpy(g_layers[i].name, entry, sizeof g_layers[i].name);
    g_layers[i].name[sizeof g_layers[i].name - 1] = '\0';
    g_layers[i].visible = get_u16(entry + 22);
  }
}

// ---------------------------------------------------------------- chunks

// The object's header as stored: no addresses, next = 1 while more follow.
ObjChunkHeader obj_chunk_header(const DrawObject* object, bool more_follow) {
  ObjChunkHeader h{};
  h.next = more_follow ? 1 : 0;
  h.kind = object->kind;
  h.attributes = object->attributes;
  h.colour = object->colour;
  h.layer = object->layer;
  h.node_count = object->node_count;
  h.element_count = object->element_count;
  h.aux_size = object->aux_size;
  return h;
}

size_t obj_chunk_size(const ObjChunkHeader& header) {
  return OBJ_CHUNK_HEADER_BYTES + size_t{header.aux_size} + size_t{header.node_count} * 12 +
         size_t{header.element_count} * 4;
}

void obj_encode_chunk_header(const ObjChunkHeader& h, uint8_t out[OBJ_CHUNK_HEADER_BYTES]) {
  const uint32_t words[12] = {h.prev, h.next, h.aux, h.nodes, h.elements, h.kind,
                              h.attributes, h.colour, h.layer, h.node_count, h.element_count, h.aux_size};
  for (int i = 0; i < 12; ++i) put_u32(out + 4 * i, words[i]);
}

void obj_decode_chunk_header(const uint8_t in[OBJ_CHUNK_HEADER_BYTES], ObjChunkHeader& h) {
  uint32_t* words[12] = {&h.prev, &h.next, &h.aux, &h.nodes, &h.elements, &h.kind,
                         &h.attributes, &h.colour, &h.layer, &h.node_count, &h.element_count, &h.aux_size};
  for (int i = 0; i < 12; ++i) *words[i] = get_u32(in + 4 * i);
}

void obj_put_nodes(const WorldPoint* nodes, uint32_t count, uint8_t* out) {
  for (uint32_t i = 0; i < count; ++i, out += 12) {
    put_f32(out, nodes[i].x);
    put_f32(out + 4, nodes[i].y);
    put_f32(out + 8, nodes[i].z);
  }
}

void obj_get_nodes(const uint8_t* in, uint32_t count, WorldPoint* nodes) {
  for (uint32_t i = 0; i < count; ++i, in += 12) nodes[i] = WorldPoint{get_f32(in), get_f32(in + 4), get_f32(in + 8)};
}

void obj_put_elements(const ElementCode* elements, uint32_t count, uint8_t* out) {
  for (uint32_t i = 0; i < count; ++i, out += 4) {
    put_u16(out, elements[i].code);
    put_u16(out + 2, elements[i].value);
  }
}

void obj_get_elements(const uint8_t* in, uint32_t count, ElementCode* elements) {
  for (uint32_t i = 0; i < count; ++i, in += 4) elements[i] = ElementCode{get_u16(in), get_u16(in + 2)};
}

namespace {

// The header may store less than the object holds (layer-3 blocks without
// their axis nodes, drawings without their text), never more.
bool header_fits_object(const ObjChunkHeader& h, const DrawObject* object) {
  return h.aux_size <= object->aux_size && h.node_count <= object->node_count &&
         h.element_count <= object->element_count;
}

// Bytes a header announces, or 0 when that is more than remain.
size_t announced_size(const ObjChunkHeader& h, unsigned long long remaining) {
  unsigned long long total = OBJ_CHUNK_HEADER_BYTES + (unsigned long long)h.aux_size +
                             (unsigned long long)h.node_count * 12 + (unsigned long long)h.element_count * 4;
  return total <= remaining ? size_t(total) : 0;
}

// A new object filled from the chunk body behind the header, or null when
// memory runs out or an element names a node the chunk does not hold.
DrawObject* object_from_body(const ObjChunkHeader& h, const uint8_t* body) {
  DrawObject* object = obj_create(h.aux_size, h.node_count, h.element_count);
  if (!object) return nullptr;
  if (h.aux_size) std::memcpy(object->aux, body, h.aux_size);
  body += h.aux_size;
  obj_get_nodes(body, h.node_count, object->nodes);
  body += size_t{h.node_count} * 12;
  obj_get_elements(body, h.element_count, object->elements);
  object->kind = h.kind;
  object->attributes = h.attributes;
  object->colour = h.colour;
  object->layer = h.layer;
  if (!obj_elements_valid(object)) {
    release(object);
    return nullptr;
  }
  return object;
}

}  // namespace

// Writes header, aux, nodes and elements into out; the bytes written, or 0
// when they do not fit or the header announces more than the object holds.
size_t obj_put_chunk(const ObjChunkHeader& h, const DrawObject* object, uint8_t* out, size_t capacity) {
  if (!header_fits_object(h, object)) return 0;
  size_t size = obj_chunk_size(h);
  if (size > capacity) return 0;
  obj_encode_chunk_header(h, out);
  out += OBJ_CHUNK_HEADER_BYTES;
  if (h.aux_size) std::memcpy(out, object->aux, h.aux_size);
  out += h.aux_size;
  obj_put_nodes(object->nodes, h.node_count, out);
  out += size_t{h.node_count} * 12;
  obj_put_elements(object->elements, h.element_count, out);
  return size;
}

// 1 when the whole chunk was written.
int obj_write_chunk(FILE* file, const ObjChunkHeader& h, const DrawObject* object) {
  if (!header_fits_object(h, object)) return 0;
  size_t size = obj_chunk_size(h);
  auto* bytes = static_cast<uint8_t*>(std::malloc(size));
  if (!bytes) return 0;
  obj_put_chunk(h, object, bytes, size);
  int ok = std::fwrite(bytes, 1, size, file) == size;
  std::free(bytes);
  return ok;
}

// Reads one chunk from size bytes at in: a new unlinked object (kind,
// attributes, colour and layer from the header), its header and the bytes
// used; null when the chunk is cut short, names nodes it does not hold or
// memory runs out.
DrawObject* obj_get_chunk(const uint8_t* in, size_t size, size_t* used, ObjChunkHeader* header) {
  if (size < OBJ_CHUNK_HEADER_BYTES) return nullptr;
  ObjChunkHeader h;
  obj_decode_chunk_header(in, h);
  size_t total = announced_size(h, size);
  if (!total) return nullptr;
  DrawObject* object = object_from_body(h, in + OBJ_CHUNK_HEADER_BYTES);
  if (!object) return nullptr;
  if (used) *used = total;
  if (header) *header = h;
  return object;
}

// As obj_get_chunk from the file's position; remaining is the number of bytes
// left in the file, which the chunk must not exceed.
DrawObject* obj_read_chunk(FILE* file, long remaining, ObjChunkHeader* header) {
  uint8_t head[OBJ_CHUNK_HEADER_BYTES];
  if (remaining < long(OBJ_CHUNK_HEADER_BYTES) || std::fread(head, 1, sizeof head, file) != sizeof head)
    return nullptr;
  ObjChunkHeader h;
  obj_decode_chunk_header(head, h);
  size_t total = announced_size(h, static_cast<unsigned long long>(remaining));
  if (!total) return nullptr;
  size_t body_size = total - OBJ_CHUNK_HEADER_BYTES;
  auto* body = static_cast<uint8_t*>(std::malloc(body_size ? body_size : 1));
  if (!body) return nullptr;
  DrawObject* object = nullptr;
  if (std::fread(body, 1, body_size, file) == body_size) object = object_from_body(h, body);
  std::free(body);
  if (object && header) *header = h;
  return object;
}
