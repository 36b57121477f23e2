// Speaker drawing files ("PELVAR V1.40"): a 102-byte header with the view
// and snap settings, the 16 stored layers and the object chunks; and the
// readers of the sibling program's drawings ("TEVRAN 1.0", "TEVRAN V1.27").
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct DrawObject;
struct RecordDrawing;

constexpr size_t SPKED_DRAWING_HEADER_BYTES = 102;
constexpr size_t SPKED_DRAWING_FIRST_CHUNK = 486;  // header and 384 layer bytes
constexpr size_t LEGACY_DRAWING_FILE_MAX_BYTES = 64u * 1024 * 1024;
extern const char SPKED_DRAWING_ID[];  // "PELVAR V1.40"

// Header bytes that are not interpreted keep what the last read left.
extern uint8_t g_spked_drawing_header[SPKED_DRAWING_HEADER_BYTES];
constexpr int SPKED_DRAWING_NAME_CHARS = 260;
extern char g_spked_drawing_name[SPKED_DRAWING_NAME_CHARS];  // shown in the title in drawing mode

// New-drawing defaults of the editor, also the CAD's new-document routine.
void spked_init_drawing_defaults();

bool spked_is_drawing_file(const uint8_t* data, size_t size);
// The file of the current drawing: view, snaps, grid, layers, objects.
std::vector<uint8_t> spked_drawing_file_bytes();
bool spked_write_drawing_file(const char* path);
// Replaces the current drawing with the file's (title block from a last
// kind-33 object); false, with the drawing untouched, when it is damaged.
bool spked_load_drawing_bytes(const uint8_t* data, size_t size);
// Appends the file's objects on the current layer, kinds from their elements.
bool spked_insert_drawing_bytes(const uint8_t* data, size_t size);

// Sibling drawings as a new list (one body for "TEVRAN 1.0", the room,
// listener and loudspeaker records for "TEVRAN V1.27"); null when the file
// is none of them or damaged, with the message when `tell` is set.
RecordDrawing* spked_read_legacy_drawing(const uint8_t* data, size_t size, bool tell);
// A "TEVRAN 1.0" drawing as one object, or null.
DrawObject* spked_read_legacy_drawing_merged(const uint8_t* data, size_t size);
