// libFuzzer harness of the project and map readers: any input must be read
// or refused without a crash, a leak or a sanitizer report, and whatever is
// accepted must write and read back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "framework/le_bytes.h"
#include "project/map_file.h"
#include "project/project_file.h"

namespace {

void check_project(const uint8_t* data, size_t size) {
  ProjectStage* stage = proj_stage_new();
  if (!stage) return;
  if (proj_parse(data, size, *stage) == PROJ_PARSE_OK) {
    ByteWriter once;
    proj_serialize(*stage, once);
    ProjectStage* again = proj_stage_new();
    if (proj_parse(once.buffer().data(), once.buffer().size(), *again) != PROJ_PARSE_OK) std::abort();
    ByteWriter twice;
    proj_serialize(*again, twice);
    if (twice.buffer() != once.buffer()) std::abort();
    proj_stage_free(again);
  }
  proj_stage_free(stage);
}

void check_map(const uint8_t* data, size_t size) {
  MapData map;
  ByteReader in(data, size);
  if (!mapfile_decode(in, map)) return;
  ByteWriter once;
  mapfile_encode(map, map.description, once);
  MapData back;
  ByteReader again(once.buffer().data(), once.buffer().size());
  if (!mapfile_decode(again, back)) std::abort();
  ByteWriter twice;
  mapfile_encode(back, back.description, twice);
  if (twice.buffer() != once.buffer()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  check_project(data, size);
  check_map(data, size);
  return 0;
}
