// libFuzzer harness of the legacy readers: version-1.27 projects, shape
// files and drawing resources must be read or refused without a crash, a
// leak or a sanitizer report; what is accepted keeps its indexes in range.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "cad/obj_store.h"
#include "project/legacy_project.h"
#include "speakers/legacy_drawing.h"

namespace {

void check_indexes(const DrawObject* o) {
  for (uint32_t i = 0; i < o->element_count; ++i)
    if (o->elements[i].code <= EL_CLOSE && o->elements[i].value >= o->node_count) std::abort();
}

void check_project(const uint8_t* data, size_t size) {
  ProjectStage* stage = proj_stage_new();
  if (!stage) return;
  if (legacy_parse_v127(data, size, *stage) == PROJ_PARSE_OK)
    for (const DrawObject* o = stage->head; o; o = o->next) check_indexes(o);
  proj_stage_free(stage);
}

void check_shape(const uint8_t* data, size_t size) {
  if (size == 0) return;
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return;
  DrawObject* block = legacy_insert_drawing_block(file);
  std::fclose(file);
  if (block) check_indexes(block);
  obj_free_all();
  if (DrawObject* resource = legacy_block_from_resource_bytes(data, size)) {
    check_indexes(resource);
    obj_free(resource);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  check_project(data, size);
  check_shape(data, size);
  return 0;
}
