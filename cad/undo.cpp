#include "cad/undo.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "cad/obj_store.h"
#include "design/material.h"
#include "design/speaker_record.h"
#include "framework/ui_seam.h"

namespace {

constexpr int UNDO_SLOTS = 8;
constexpr uint32_t DETACHED_PREV = 0xFFFFFFFFu;

struct UndoRing {
  std::vector<uint8_t>* slots[UNDO_SLOTS];
  int32_t current;
  int32_t top;
};
UndoRing g_ring = {};
void (*g_redraw)() = nullptr;

void put_i16(std::vector<uint8_t>& out, int16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF));
}

int16_t get_i16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }

size_t image_size() {
  size_t size = LAYER_STORED_BYTES + 4 + 6;
  for (const DrawObject* o = g_obj_head; o; o = o->next) size += obj_flat_size(o);
  size += static_cast<size_t>(g_speaker_types.count) * SPK_RECORD_SIZE;
  size += static_cast<size_t>(g_material_table.count) * MATERIAL_RECORD_BYTES;
  return (size + 255) / 256 * 256;
}

// Layers, objects, loudspeaker types and materials of the whole project.
bool write_image(std::vector<uint8_t>& out) {
  out.assign(LAYER_STORED_BYTES, 0);
  obj_put_layers(out.data());
  if (!g_obj_head) out.insert(out.end(), 4, 0);
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    ObjChunkHeader header = obj_chunk_header(o, o->next != nullptr);
    header.prev = DETACHED_PREV;
    size_t at = out.size();
    out.resize(at + obj_chunk_size(header));
    if (obj_put_chunk(header, o, out.data() + at, out.size() - at) == 0) return false;
  }
  put_i16(out, g_speaker_types.count);
  for (int i = 0; i < g_speaker_types.count; ++i) {
    SpeakerRecord* record = g_speaker_types.records[i];
    record->shape_ref = record->symbol ? obj_index_of(record->symbol) : -1;
    size_t at = out.size();
    out.resize(at + SPK_RECORD_SIZE);
    spk_record_to_bytes(*record, out.data() + at);
  }
  put_i16(out, g_material_table.count);
  for (int i = 0; i < g_material_table.count; ++i) {
    size_t at = out.size();
    out.resize(at + MATERIAL_RECORD_BYTES);
    mat_encode_record(g_material_table.records[i], out.data() + at);
  }
  return true;
}

bool read_objects(const std::vector<uint8_t>& image, size_t& at) {
  if (at + 4 <= image.size() && image[at] == 0 && image[at + 1] == 0 && image[at + 2] == 0 &&
      image[at + 3] == 0) {
    at += 4;
    return true;
  }
  for (;;) {
    size_t used = 0;
    ObjChunkHeader header;
    DrawObject* o = obj_get_chunk(image.data() + at, image.size() - at, &used, &header);
    if (!o) return false;
    obj_append(o);
    at += used;
    if (header.next == 0) return true;
  }
}

bool read_speakers(const std::vector<uint8_t>& image, size_t& at) {
  if (at + 2 > image.size()) return false;
  int16_t count = get_i16(image.data() + at);
  at += 2;
  if (count < 0 || count > MAX_SPEAKER_TYPES) return false;
  for (int i = 0; i < count; ++i) {
    if (at + SPK_RECORD_SIZE > image.size()) return false;
    SpeakerRecord* record = spk_record_alloc();
    if (!record) return false;
    spk_record_from_bytes(*record, image.data() + at);
    at += SPK_RECORD_SIZE;
    record->symbol = obj_at_index(record->shape_ref);
    g_speaker_types.records[g_speaker_types.count++] = record;
  }
  return true;
}

bool read_materials(const std::vector<uint8_t>& image, size_t& at) {
  if (at + 2 > image.size()) return false;
  int16_t count = get_i16(image.data() + at);
  at += 2;
  if (count < 0 || count > MAX_MATERIALS) return false;
  if (at + static_cast<size_t>(count) * MATERIAL_RECORD_BYTES > image.size()) return false;
  for (int i = 0; i < count; ++i, at += MATERIAL_RECORD_BYTES)
    mat_decode_record(image.data() + at, g_material_table.records[i]);
  g_material_table.count = count;
  return true;
}

// Replaces the project with an image. An image is only ever one this ring
// wrote, so a failure here means memory ran out: what was rebuilt stays.
void rebuild(const std::vector<uint8_t>& image) {
  obj_get_layers(image.data());
  obj_free_all();
  spk_free_type_table();
  size_t at = LAYER_STORED_BYTES;
  if (read_objects(image, at) && read_speakers(image, at)) read_materials(image, at);
  if (g_redraw) g_redraw();
}

bool can_step(int direction) {
  return direction < 0 ? undo_can_undo() != 0 : undo_can_redo() != 0;
}

void undo_step(int direction) {
  if (!can_step(direction)) return;
  g_ring.current += direction > 0 ? 1 : -1;
  std::vector<uint8_t>* image = g_ring.slots[g_ring.current & 7];
  if (image) rebuild(*image);
}

}  // namespace

void undo_set_redraw(void (*redraw)()) { g_redraw = redraw; }

void undo_clear() {
  for (auto*& slot : g_ring.slots) {
    delete slot;
    slot = nullptr;
  }
  g_ring.current = 0;
  g_ring.top = 0;
}

void undo_reset() { undo_clear(); }
void undo_release() { undo_clear(); }

int undo_push() {
  auto* image = new (std::nothrow) std::vector<uint8_t>();
  bool ok = image != nullptr;
  if (ok) {
    try {
      image->reserve(image_size());
      ok = write_image(*image);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  if (!ok) {
    delete image;
    ui_message_box("Nicht genügend Speicher für ZURÜCK-Puffer", "Warnung !", UI_MB_OK);
    return 0;
  }
  std::vector<uint8_t>*& slot = g_ring.slots[g_ring.current & 7];
  delete slot;
  slot = image;
  g_ring.top = g_ring.current + 1;
  g_ring.current = g_ring.top;
  return 1;
}

void undo_undo() {
  if (g_ring.current == g_ring.top) {
    if (!undo_push()) return;
    g_ring.current -= 1;
  }
  undo_step(-1);
}

void undo_redo() { undo_step(1); }

int undo_can_undo() { return g_ring.top > 7 ? g_ring.current > g_ring.top - 8 : g_ring.current >= 1; }
int undo_can_redo() { return g_ring.current < g_ring.top - 1; }
