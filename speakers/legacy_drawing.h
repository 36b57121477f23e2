// Drawings of older or foreign layouts turned into one block object: shape
// files beside old speaker databases and the built-in drawing resources.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

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

DrawObject* legacy_insert_drawing_block(FILE* file);
DrawObject* legacy_load_drawing_resource(const char* name);
DrawObject* legacy_block_from_resource_bytes(const uint8_t* data, size_t size);
void legacy_append_axis_nodes(DrawObject* block);
int legacy_load_builtin_symbols();
