#include <windows.h>

#include <cstdio>

#include "cad/obj_store.h"
#include "cad/render.h"
#include "speakers/legacy_drawing.h"

// The block of a drawing kept as a raw-data resource of the program, not
// linked into the object list; null when the resource is missing or damaged.
DrawObject* legacy_load_drawing_resource(const char* name) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!found) return nullptr;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return nullptr;
  return legacy_block_from_resource_bytes(static_cast<const uint8_t*>(data), size);
}

// Start-up: the default loudspeaker symbol and the axis cross, whose two
// axis nodes are never drawn.
int legacy_load_builtin_symbols() {
  g_default_speaker_symbol = legacy_load_drawing_resource("LSTMPL");
  g_axis_cross = legacy_load_drawing_resource("XYZ_CROSS");
  if (g_axis_cross) g_axis_cross->node_count -= 2;
  g_render_refs.axis_cross = g_axis_cross;
  return g_default_speaker_symbol && g_axis_cross ? 1 : 0;
}
