// Reflection paths: the working path record of the search, the path spool
// (a 64000-byte buffer in front of a temporary file, or a byte vector), and
// the ray-path objects of the object store (layer 5) that the spool is read
// back into, with their arrival data block.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

struct DrawObject;

constexpr uint16_t PATH_TAG_SOURCE = 65534;
constexpr uint16_t PATH_TAG_RECEIVER = 65535;
constexpr int PATH_MAX_ENTRIES = 50;
constexpr int PATH_HEAD_BYTES = 14;
constexpr int PATH_ENTRY_BYTES = 14;
constexpr int PATH_SPOOL_BYTES = 64000;
constexpr int RAY_BANDS = 7;

// One point of a reflection path: the face it reflects on (its index in the
// sorted face table), or the source or receiver tag. 14 bytes packed in the
// spool: 16-bit tag, then x, y, z as 32-bit floats.
struct PathEntry {
  uint16_t tag;
  float x, y, z;
};

// The path under construction: the head (reflection count k, receiver) and
// room for every level. A complete path is the head and k + 2 entries:
// source, the k reflection points in travel order, receiver.
struct PathRecord {
  int16_t reflection_count;
  float rx, ry, rz;
  PathEntry entries[PATH_MAX_ENTRIES];
};

// Paths go to the spool buffer, which is written to the file when the next
// path would not fit; with `memory` set they are appended there instead.
// Every write is checked: a failure sets write_failed and stays set.
struct PathSpool {
  uint8_t* buffer = nullptr;  // PATH_SPOOL_BYTES, owned after refl_spool_open
  uint32_t fill = 0;
  FILE* file = nullptr;
  uint32_t path_count = 0;
  int write_failed = 0;
  std::vector<uint8_t>* memory = nullptr;
};

// "RF" + the tick count + ".TMP" in the given folder, with a separator
// between the two unless the folder already ends in one (an empty folder
// gives the bare name).
void refl_spool_name(char* out, size_t size, const char* folder, uint32_t ticks);
// 1 when buffer and file are ready, 0 when the file cannot be created, -1
// without memory (reported).
int refl_spool_open(PathSpool& spool, const char* path);
int refl_spool_path(PathSpool& spool, const PathRecord& path, int entry_count);
int refl_spool_append(PathSpool& spool, const uint8_t* paths, size_t size);  // encoded paths
int refl_spool_flush(PathSpool& spool);
int refl_spool_close(PathSpool& spool);  // flush, close, free; 0 when any write failed
size_t refl_path_bytes(int entry_count);

// Ray-path objects: layer 5, kind 1 (open polyline), n = k + 2 nodes (the
// path points, source first), n elements (0 value 0, then 1 value i),
// colour max(25 - n, 0) and an arrival block of 62 + 2n bytes, little-endian:
//   arrival time (f32, ms), seven band levels (f32, linear power, at least
//   1.0), seven zero words, reflection count k (u16), one u16 tag per node:
//   node 0 the source's index in the active-loudspeaker table once assigned
//   (65534 before), nodes 1 .. k the face indices, node n - 1 65535.
constexpr uint32_t RAYPATH_LAYER = 5;
constexpr uint32_t RAYPATH_KIND = 1;
constexpr uint32_t RAYPATH_FIXED_AUX = 62;
constexpr uint32_t RAYPATH_MIN_NODES = 2;
constexpr uint32_t RAYPATH_MAX_NODES = 42;  // reflection order 40

uint32_t rpath_aux_size(uint32_t nodes);
uint32_t rpath_colour(uint32_t nodes);
DrawObject* rpath_create(uint32_t nodes);  // null when out of memory
bool rpath_is_path(const DrawObject* object);  // layer 5 with a consistent block
float rpath_time_ms(const DrawObject* path);
void rpath_set_time_ms(DrawObject* path, float ms);
float rpath_level(const DrawObject* path, int band);
void rpath_set_level(DrawObject* path, int band, float level);
uint16_t rpath_reflections(const DrawObject* path);
uint16_t rpath_tag(const DrawObject* path, uint32_t node);
void rpath_set_tag(DrawObject* path, uint32_t node, uint16_t tag);

// The number of paths of the last read-back or ray-file load.
extern uint32_t g_refl_path_count;

// Spool file -> ray-path objects, each inserted before the head of the
// object list (the last one read comes first); the file is deleted. A short
// or damaged record ends the reading. Returns the number of paths read.
uint32_t refl_read_path_spool(const char* path);
uint32_t refl_count_paths();
void refl_remove_paths();  // every ray-path object, and the path count to 0
