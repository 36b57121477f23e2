#include "cad/undo.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "cad/obj_store.h"
#include "framework/ui_seam.h"

namespace {

constexpr int UNDO_SLOTS = 8;
constexpr int MAX_UNDO_PARTS = 8;
constexpr uint32_t DETACHED_PREV = 0xFFFFFFFFu;

struct UndoRing {
  std::vector<uint8_t>* slots[UNDO_SLOTS];
  int32_t current;
  int32_t top;
};
UndoRing g_ring = {};
void (*g_redraw)() = nullptr;
UndoPart g_parts[MAX_UNDO_PARTS] = {};
int g_part_count = 0;

size_t image_size() {
  size_t size = LAYER_STORED_BYTES + 4 + 2;
  for (const DrawObject* o = g_obj_head; o; o = o->next) size += obj_flat_size(o);
  for (int i = 0; i < g_part_count; ++i) size += g_parts[i].size();
  return (size + 255) / 256 * 256;
}

// Layers, objects and the added parts: the whole project.
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
  for (int i = 0; i < g_part_count; ++i)
    if (!g_parts[i].write(out)) return false;
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

// Replaces the project with an image. An image is only ever one this ring
// wrote, so a failure here means memory ran out: what was rebuilt stays.
void rebuild(const std::vector<uint8_t>& image) {
  obj_get_layers(image.data());
  obj_free_all();
  for (int i = 0; i < g_part_count; ++i)
    if (g_parts[i].clear) g_parts[i].clear();
  size_t at = LAYER_STORED_BYTES;
  bool ok = read_objects(image, at);
  for (int i = 0; ok && i < g_part_count; ++i) ok = g_parts[i].read(image, at);
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

void undo_add_part(const UndoPart& part) {
  if (g_part_count < MAX_UNDO_PARTS) g_parts[g_part_count++] = part;
}

void undo_remove_parts() { g_part_count = 0; }

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
