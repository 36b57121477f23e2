#include "acoustics/ray_path.h"

#include <cstdlib>
#include <cstring>

#include "cad/obj_store.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"

uint32_t g_refl_path_count = 0;

namespace {

constexpr uint32_t AUX_TIME = 0;
constexpr uint32_t AUX_LEVELS = 4;
constexpr uint32_t AUX_COUNT = 60;
constexpr uint32_t AUX_TAGS = 62;
constexpr const char* MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden";

uint8_t* aux_bytes(const DrawObject* path) { return static_cast<uint8_t*>(path->aux); }

void encode_path(uint8_t* p, const PathRecord& path, int entry_count) {
  le_put_u16(p, uint16_t(path.reflection_count));
  le_put_f32(p + 2, path.rx);
  le_put_f32(p + 6, path.ry);
  le_put_f32(p + 10, path.rz);
  p += PATH_HEAD_BYTES;
  for (int i = 0; i < entry_count; ++i, p += PATH_ENTRY_BYTES) {
    le_put_u16(p, path.entries[i].tag);
    le_put_f32(p + 2, path.entries[i].x);
    le_put_f32(p + 6, path.entries[i].y);
    le_put_f32(p + 10, path.entries[i].z);
  }
}

// Size of the encoded path that starts at p, 0 when its count is impossible.
size_t encoded_size(const uint8_t* p, size_t available) {
  if (available < size_t(PATH_HEAD_BYTES)) return 0;
  int16_t k = int16_t(le_get_u16(p));
  if (k < 0 || k + 2 > PATH_MAX_ENTRIES) return 0;
  size_t bytes = refl_path_bytes(k + 2);
  return bytes <= available ? bytes : 0;
}

bool put_into_buffer(PathSpool& spool, const uint8_t* bytes, size_t size) {
  if (spool.memory) {
    spool.memory->insert(spool.memory->end(), bytes, bytes + size);
    return true;
  }
  if (!spool.buffer) return false;
  if (spool.fill + size > size_t(PATH_SPOOL_BYTES) && !refl_spool_flush(spool)) return false;
  std::memcpy(spool.buffer + spool.fill, bytes, size);
  spool.fill += uint32_t(size);
  return true;
}

// One path of the spool file as an object; false at the end of the file or
// on a damaged record.
bool read_one(FILE* f, DrawObject** out) {
  uint8_t head[PATH_HEAD_BYTES];
  *out = nullptr;
  if (std::fread(head, 1, sizeof head, f) != sizeof head) return false;
  int16_t k = int16_t(le_get_u16(head));
  if (k < 0 || k + 2 > PATH_MAX_ENTRIES) return false;
  uint32_t n = uint32_t(k) + 2;
  uint8_t entries[PATH_MAX_ENTRIES * PATH_ENTRY_BYTES];
  if (std::fread(entries, 1, n * PATH_ENTRY_BYTES, f) != n * PATH_ENTRY_BYTES) return false;
  DrawObject* o = rpath_create(n);
  if (!o) return true;  // reported by the caller
  for (uint32_t i = 0; i < n; ++i) {
    const uint8_t* e = entries + i * PATH_ENTRY_BYTES;
    rpath_set_tag(o, i, le_get_u16(e));
    o->nodes[i] = WorldPoint{le_get_f32(e + 2), le_get_f32(e + 6), le_get_f32(e + 10)};
  }
  *out = o;
  return true;
}

}  // namespace

size_t refl_path_bytes(int entry_count) { return size_t(PATH_HEAD_BYTES + PATH_ENTRY_BYTES * entry_count); }

void refl_spool_name(char* out, size_t size, const char* folder, uint32_t ticks) {
  size_t n = folder ? std::strlen(folder) : 0;
  bool separator = n > 0 && folder[n - 1] != '\\' && folder[n - 1] != '/';
  std::snprintf(out, size, "%s%sRF%lu.TMP", n ? folder : "", separator ? "\\" : "", static_cast<unsigned long>(ticks));
}

int refl_spool_open(PathSpool& spool, const char* path) {
  spool = PathSpool{};
  spool.buffer = static_cast<uint8_t*>(std::malloc(PATH_SPOOL_BYTES));
  if (!spool.buffer) {
    ui_message_box(MSG_NO_MEMORY, nullptr, UI_MB_OK);
    return -1;
  }
  spool.file = std::fopen(path, "w+b");
  if (!spool.file) {
    std::free(spool.buffer);
    spool.buffer = nullptr;
    return 0;
  }
  return 1;
}

int refl_spool_flush(PathSpool& spool) {
  if (spool.fill == 0) return spool.write_failed ? 0 : 1;
  if (!spool.file || std::fwrite(spool.buffer, 1, spool.fill, spool.file) != spool.fill) spool.write_failed = 1;
  spool.fill = 0;
  return spool.write_failed ? 0 : 1;
}

int refl_spool_path(PathSpool& spool, const PathRecord& path, int entry_count) {
  if (entry_count < 2 || entry_count > PATH_MAX_ENTRIES) return 0;
  uint8_t bytes[PATH_HEAD_BYTES + PATH_ENTRY_BYTES * PATH_MAX_ENTRIES];
  size_t size = refl_path_bytes(entry_count);
  encode_path(bytes, path, entry_count);
  if (!put_into_buffer(spool, bytes, size)) return 0;
  spool.path_count += 1;
  return 1;
}

// Paths encoded elsewhere (by a worker of the search), appended one by one
// so that the file is the same as if each had been spooled here.
int refl_spool_append(PathSpool& spool, const uint8_t* paths, size_t size) {
  size_t at = 0;
  while (at < size) {
    size_t bytes = encoded_size(paths + at, size - at);
    if (bytes == 0 || !put_into_buffer(spool, paths + at, bytes)) return 0;
    spool.path_count += 1;
    at += bytes;
  }
  return 1;
}

int refl_spool_close(PathSpool& spool) {
  int ok = refl_spool_flush(spool);
  if (spool.file) {
    if (std::fflush(spool.file) != 0) ok = 0;
    if (std::fclose(spool.file) != 0) ok = 0;
    spool.file = nullptr;
  }
  std::free(spool.buffer);
  spool.buffer = nullptr;
  if (!ok) spool.write_failed = 1;
  return ok;
}

uint32_t rpath_aux_size(uint32_t nodes) { return RAYPATH_FIXED_AUX + 2 * nodes; }
uint32_t rpath_colour(uint32_t nodes) { return nodes >= 25 ? 0 : 25 - nodes; }

DrawObject* rpath_create(uint32_t n) {
  DrawObject* o = obj_create(rpath_aux_size(n), n, n);
  if (!o) return nullptr;
  o->kind = RAYPATH_KIND;
  o->layer = RAYPATH_LAYER;
  o->colour = rpath_colour(n);
  for (uint32_t i = 0; i < n; ++i) o->elements[i] = ElementCode{uint16_t(i == 0 ? EL_START : EL_LINE), uint16_t(i)};
  le_put_u16(aux_bytes(o) + AUX_COUNT, uint16_t(n - 2));
  for (uint32_t i = 0; i < n; ++i) rpath_set_tag(o, i, PATH_TAG_SOURCE);
  return o;
}

bool rpath_is_path(const DrawObject* o) {
  return o && o->layer == RAYPATH_LAYER && o->aux && o->node_count >= RAYPATH_MIN_NODES &&
         o->aux_size >= rpath_aux_size(o->node_count) && o->nodes;
}

float rpath_time_ms(const DrawObject* p) { return le_get_f32(aux_bytes(p) + AUX_TIME); }
void rpath_set_time_ms(DrawObject* p, float ms) { le_put_f32(aux_bytes(p) + AUX_TIME, ms); }
float rpath_level(const DrawObject* p, int band) { return le_get_f32(aux_bytes(p) + AUX_LEVELS + 4 * band); }
void rpath_set_level(DrawObject* p, int band, float level) { le_put_f32(aux_bytes(p) + AUX_LEVELS + 4 * band, level); }
uint16_t rpath_reflections(const DrawObject* p) { return le_get_u16(aux_bytes(p) + AUX_COUNT); }
uint16_t rpath_tag(const DrawObject* p, uint32_t node) { return le_get_u16(aux_bytes(p) + AUX_TAGS + 2 * node); }
void rpath_set_tag(DrawObject* p, uint32_t node, uint16_t tag) { le_put_u16(aux_bytes(p) + AUX_TAGS + 2 * node, tag); }

uint32_t refl_read_path_spool(const char* path) {
  g_refl_path_count = 0;
  FILE* f = std::fopen(path, "rb");
  if (!f) return 0;
  DrawObject* o = nullptr;
  while (read_one(f, &o)) {
    if (!o) {
      ui_message_box(MSG_NO_MEMORY, nullptr, UI_MB_OK);
      break;
    }
    obj_insert_before(o, g_obj_head);
    g_refl_path_count += 1;
  }
  std::fclose(f);
  std::remove(path);
  return g_refl_path_count;
}

uint32_t refl_count_paths() {
  uint32_t n = 0;
  for (const DrawObject* o = g_obj_head; o; o = o->next)
    if (o->layer == RAYPATH_LAYER) ++n;
  return n;
}

void refl_remove_paths() {
  for (DrawObject* o = g_obj_head; o;) {
    DrawObject* next = o->next;
    if (o->layer == RAYPATH_LAYER) obj_free(o);
    o = next;
  }
  g_refl_path_count = 0;
}
