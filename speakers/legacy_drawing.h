// Drawings of older or foreign layouts turned into one block object: shape
// files beside old speaker databases and the built-in drawing resources.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "cad/obj_store.h"

struct DrawObject;

constexpr int BLOCK_LAYER = 3;
constexpr uint32_t BLOCK_ATTRIBUTES = 134;
constexpr uint32_t BLOCK_KIND = 16;
// Drawing files are read whole. One block holds at most 5400 nodes; even a
// whole older project read for its shape stays far below this, and a larger
// file is refused before it is read.
constexpr unsigned long long LEGACY_DRAWING_MAX_BYTES = 64ull * 1024 * 1024;

// Built once at start-up, kept outside the object list (the axis cross,
// resource "XYZ_CROSS", goes to the renderer's g_axis_cross).
extern DrawObject* g_default_speaker_symbol;  // resource "LSTMPL"

// One object record or chunk of an older drawing, pointing into the file
// bytes; element_bytes 2: node << 2 | code, 4: uint16 code, uint16 node.
struct LegacyChunk {
  const uint8_t* nodes;
  uint32_t node_count;
  const uint8_t* elements;
  uint32_t element_count;
  int element_bytes;
  uint32_t kind;   // 1.27 records only
  uint32_t layer;  // 1.27 records only
};
ElementCode legacy_chunk_element(const LegacyChunk& chunk, uint32_t i);
// "TEVRAN 1.0" and resource chunks behind the 32-byte identification and
// the layer bytes; 1.27 records (every layer) behind the 102-byte header
// and the layer bytes. False when a chunk runs past the end.
bool legacy_parse_short_chunks(const uint8_t* data, size_t size, int element_bytes, std::vector<LegacyChunk>& out);
bool legacy_parse_v127_records(const uint8_t* data, size_t size, std::vector<LegacyChunk>& out);

DrawObject* legacy_insert_drawing_block(FILE* file);
DrawObject* legacy_load_drawing_resource(const char* name);
DrawObject* legacy_block_from_resource_bytes(const uint8_t* data, size_t size);
void legacy_append_axis_nodes(DrawObject* block);
int legacy_load_builtin_symbols();
