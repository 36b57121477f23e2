// The ray file (".ORF"): the reflection paths of one calculation, to show
// them again later, in the design program and in the viewer. A 128-byte
// header (identification, description, mean free path) and one record per
// ray path: the 48-byte object header, the arrival block, the nodes and the
// elements; a record's next word is 0 on the last one.
//
// Reading checks every count and size before anything is allocated and
// stages the paths aside; only a whole, valid file reaches the object list.
#pragma once
#include <cstddef>
#include <cstdint>

class ByteWriter;
struct DrawObject;

constexpr const char* RAYFILE_ID = "ORVANTE RAY FILE V1.10";
constexpr size_t RAYFILE_HEADER_BYTES = 128;
constexpr size_t RAYFILE_ID_BYTES = 32;
constexpr size_t RAYFILE_DESCRIPTION_BYTES = 80;
constexpr int RAYFILE_DESCRIPTION_CHARS = 79;
constexpr size_t RAYFILE_MAX_BYTES = 512u * 1024u * 1024u;

enum RayFileResult { RAYFILE_OK, RAYFILE_NOT_RAY_FILE, RAYFILE_DAMAGED, RAYFILE_NO_MEMORY, RAYFILE_UNREADABLE };

struct RayFileContents {
  char description[RAYFILE_DESCRIPTION_BYTES] = {};
  double mean_free_path = 0.0;
  DrawObject* head = nullptr;  // the staged paths, in file order
  DrawObject* tail = nullptr;
  uint32_t count = 0;
};

// Header and every ray path of the object list, in list order.
void rayfile_encode(const char* description, double mean_free_path, ByteWriter& out);
RayFileResult rayfile_decode(const uint8_t* data, size_t size, RayFileContents& out);
// Only the header: the identification and the description.
RayFileResult rayfile_decode_header(const uint8_t* data, size_t size, RayFileContents& out);
void rayfile_free(RayFileContents& contents);
// The staged paths go to the tail of the object list; the mean free path of
// the calculation becomes the file's; the path count is theirs.
void rayfile_commit(RayFileContents& contents);

// The file written safely (temporary file, backup "X_old.ORF"); false when
// any write failed.
bool rayfile_write(const char* path, const char* description, double mean_free_path);
RayFileResult rayfile_read(const char* path, RayFileContents& out);

// Commands of the programs (Windows): the offer to save after the ray
// command's display, the load, and command 5021 (load, display, remove).
void rayfile_save();
int rayfile_load();
void rayfile_cmd_load();
