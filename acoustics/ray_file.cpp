#include "acoustics/ray_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "cad/obj_store.h"
#include "framework/le_bytes.h"

namespace {

constexpr size_t OFFSET_DESCRIPTION = 32;
constexpr size_t OFFSET_MEAN_FREE_PATH = 112;
constexpr uint32_t PALETTE_COLOURS = 64;

void put_f64(ByteWriter& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  out.u32(uint32_t(bits));
  out.u32(uint32_t(bits >> 32));
}

double get_f64(const uint8_t* p) {
  uint64_t bits = uint64_t(le_get_u32(p)) | (uint64_t(le_get_u32(p + 4)) << 32);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

// The record header of a ray path as this program writes it, nothing else.
bool header_valid(const ObjChunkHeader& h) {
  return h.kind == RAYPATH_KIND && h.layer == RAYPATH_LAYER && h.node_count >= RAYPATH_MIN_NODES &&
         h.node_count <= RAYPATH_MAX_NODES && h.element_count == h.node_count &&
         h.aux_size == rpath_aux_size(h.node_count) && h.colour < PALETTE_COLOURS;
}

bool finite(float v) { return std::isfinite(v); }

// The parts read into the staged object: a finite arrival block with the
// reflection count of its nodes, finite nodes, and a polyline over them.
bool body_valid(const DrawObject* o) {
  if (!finite(rpath_time_ms(o))) return false;
  for (int b = 0; b < RAY_BANDS; ++b)
    if (!finite(rpath_level(o, b))) return false;
  if (rpath_reflections(o) != o->node_count - 2) return false;
  for (uint32_t i = 0; i < o->node_count; ++i)
    if (!finite(o->nodes[i].x) || !finite(o->nodes[i].y) || !finite(o->nodes[i].z)) return false;
  for (uint32_t i = 0; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.value >= o->node_count || e.code > EL_CLOSE || (i == 0) != (e.code == EL_START)) return false;
  }
  return true;
}

RayFileResult read_record(ByteReader& in, RayFileContents& out, bool* more) {
  uint8_t raw[OBJ_CHUNK_HEADER_BYTES];
  if (!in.bytes(raw, sizeof raw)) return RAYFILE_DAMAGED;
  ObjChunkHeader h;
  obj_decode_chunk_header(raw, h);
  if (!header_valid(h)) return RAYFILE_DAMAGED;
  size_t body = size_t(h.aux_size) + size_t(h.node_count) * 12 + size_t(h.element_count) * 4;
  if (body > in.remaining()) return RAYFILE_DAMAGED;
  DrawObject* o = obj_create(h.aux_size, h.node_count, h.element_count);
  if (!o) return RAYFILE_NO_MEMORY;
  in.bytes(o->aux, h.aux_size);
  obj_get_nodes(in.here(), h.node_count, o->nodes);
  in.skip(size_t(h.node_count) * 12);
  obj_get_elements(in.here(), h.element_count, o->elements);
  in.skip(size_t(h.element_count) * 4);
  o->kind = h.kind, o->attributes = h.attributes, o->colour = h.colour, o->layer = h.layer;
  obj_list_append(out.head, out.tail, o);
  out.count += 1;
  if (!body_valid(o)) return RAYFILE_DAMAGED;
  *more = h.next != 0;
  return RAYFILE_OK;
}

}  // namespace

void rayfile_encode(const char* description, double mean_free_path, ByteWriter& out) {
  uint8_t header[RAYFILE_HEADER_BYTES] = {};
  std::memcpy(header, RAYFILE_ID, std::strlen(RAYFILE_ID));
  size_t n = description ? std::strlen(description) : 0;
  if (n > size_t(RAYFILE_DESCRIPTION_CHARS)) n = RAYFILE_DESCRIPTION_CHARS;
  if (n) std::memcpy(header + OFFSET_DESCRIPTION, description, n);
  out.bytes(header, OFFSET_MEAN_FREE_PATH);
  put_f64(out, mean_free_path);
  out.zeros(RAYFILE_HEADER_BYTES - OFFSET_MEAN_FREE_PATH - 8);
  const DrawObject* last = nullptr;
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == RAYPATH_LAYER) last = o;
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != RAYPATH_LAYER) continue;
    uint8_t raw[OBJ_CHUNK_HEADER_BYTES];
    obj_encode_chunk_header(obj_chunk_header(o, o != last), raw);
    out.bytes(raw, sizeof raw);
    out.bytes(o->aux, o->aux_size);
    std::vector<uint8_t> nodes(size_t(o->node_count) * 12), elements(size_t(o->element_count) * 4);
    obj_put_nodes(o->nodes, o->node_count, nodes.data());
    obj_put_elements(o->elements, o->element_count, elements.data());
    out.bytes(nodes.data(), nodes.size());
    out.bytes(elements.data(), elements.size());
  }
}

RayFileResult rayfile_decode_header(const uint8_t* data, size_t size, RayFileContents& out) {
  out = RayFileContents{};
  if (size < RAYFILE_HEADER_BYTES) return RAYFILE_NOT_RAY_FILE;
  if (std::memchr(data, 0, RAYFILE_ID_BYTES) == nullptr ||
      std::strcmp(reinterpret_cast<const char*>(data), RAYFILE_ID) != 0)
    return RAYFILE_NOT_RAY_FILE;
  std::memcpy(out.description, data + OFFSET_DESCRIPTION, RAYFILE_DESCRIPTION_BYTES);
  out.description[RAYFILE_DESCRIPTION_CHARS] = 0;
  out.mean_free_path = get_f64(data + OFFSET_MEAN_FREE_PATH);
  return std::isfinite(out.mean_free_path) ? RAYFILE_OK : RAYFILE_DAMAGED;
}

RayFileResult rayfile_decode(const uint8_t* data, size_t size, RayFileContents& out) {
  RayFileResult r = rayfile_decode_header(data, size, out);
  if (r != RAYFILE_OK) return r;
  ByteReader in(data + RAYFILE_HEADER_BYTES, size - RAYFILE_HEADER_BYTES);
  for (bool more = true; more && r == RAYFILE_OK;) r = read_record(in, out, &more);
  if (r != RAYFILE_OK) rayfile_free(out);
  return r;
}

void rayfile_free(RayFileContents& c) {
  obj_list_free_all(c.head, c.tail);
  c.count = 0;
}

void rayfile_commit(RayFileContents& c) {
  g_refl_mean_free_path = c.mean_free_path;
  g_refl_path_count = 0;
  while (DrawObject* o = c.head) {
    obj_list_unlink(c.head, c.tail, o);
    obj_append(o);
    g_refl_path_count += 1;
  }
  c.count = 0;
}

bool rayfile_write(const char* path, const char* description, double mean_free_path) {
  ByteWriter out;
  rayfile_encode(description, mean_free_path, out);
  // "X.ORF" backs up to "X_old.ORF".
  size_t n = std::strlen(path);
  char backup[1024];
  std::snprintf(backup, sizeof backup, "%.*s_old.ORF", int(n >= 4 ? n - 4 : 0), path);
  return le_write_file_safely(path, out.buffer().data(), out.buffer().size(), backup, RAYFILE_MAX_BYTES) == LE_SAVED;
}

RayFileResult rayfile_read(const char* path, RayFileContents& out) {
  out = RayFileContents{};
  std::vector<uint8_t> data;
  if (!le_read_file(path, data, RAYFILE_MAX_BYTES)) return RAYFILE_UNREADABLE;
  return rayfile_decode(data.data(), data.size(), out);
}
