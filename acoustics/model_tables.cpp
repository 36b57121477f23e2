#include "acoustics/model_tables.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/point_response.h"
#include "framework/ui_seam.h"
#include "materials/material.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_record.h"

namespace {

// Most tables live in their owners' modules; start-up still takes one work
// block per table so that a machine short of memory stops at once with the
// start-up message instead of failing later in the middle of a command.
struct TableSpec {
  const char* name;
  size_t bytes;
  bool cleared;
  void (*reset)();
};

void clear_speaker_types() { g_speaker_types.count = 0; }
void clear_project_materials() { std::memset(&g_material_table, 0, sizeof g_material_table); }
void clear_coverage() { std::memset(&g_coverage_grid, 0, sizeof g_coverage_grid); }
void clear_absorber_db() { std::memset(&g_absorber_db, 0, sizeof g_absorber_db); }
void clear_sdb_index() { std::memset(&g_sdb_index, 0, sizeof g_sdb_index); }
void leave_as_is() {}

const TableSpec TABLES[] = {
    {"SpeakerTypeTable", 2002, true, clear_speaker_types},
    {"project MaterialTable", 51202, true, clear_project_materials},
    {"CoverageGrid", 4480116, true, clear_coverage},
    {"active loudspeakers", 180002, false, leave_as_is},
    {"ArrivalBuffer", 114772, false, leave_as_is},
    {"absorber MaterialTable", 51202, true, clear_absorber_db},
    {"SpeakerDbIndex", 9346, true, clear_sdb_index},
    {"face table", 1152000, false, leave_as_is},
    {"picked points", 200, false, leave_as_is},
};
constexpr int TABLE_COUNT = sizeof TABLES / sizeof TABLES[0];

void* default_allocator(size_t bytes) { return std::malloc(bytes); }
TableAllocator g_allocator = default_allocator;
void* g_blocks[TABLE_COUNT] = {};

void free_from(int last) {
  for (int i = last; i >= 0; --i) {
    std::free(g_blocks[i]);
    g_blocks[i] = nullptr;
  }
}

}  // namespace

void app_set_table_allocator(TableAllocator allocator) {
  g_allocator = allocator ? allocator : default_allocator;
}

int app_alloc_model_tables() {
  for (int i = 0; i < TABLE_COUNT; ++i) {
    g_blocks[i] = g_allocator(TABLES[i].bytes);
    if (!g_blocks[i]) {
      free_from(i - 1);
      ui_message_box("Nicht genügend Speicher zum Start", nullptr, UI_MB_OK);
      return 0;
    }
    if (TABLES[i].cleared) TABLES[i].reset();
  }
  return 1;
}

// Tables 9 down to 1, the database index last of all.
void app_free_model_tables() {
  spk_free_type_table();
  for (int i : {8, 7, 5, 4, 3, 2, 1, 0}) {
    std::free(g_blocks[i]);
    g_blocks[i] = nullptr;
  }
}
