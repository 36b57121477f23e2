#include "project/model_reset.h"

#include <cstring>

#include "cad/obj_store.h"
#include "materials/material.h"
#include "project/calc_options.h"
#include "project/coverage_grid.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

namespace {
void (*g_calculation_reset)() = nullptr;
}  // namespace

void spk_set_calculation_reset(void (*reset)()) { g_calculation_reset = reset; }

int spk_reset_tables() {
  cov_reset_grid();  // the level map is no longer valid
  std::memset(g_active_speakers, 0, sizeof g_active_speakers);
  if (g_calculation_reset) g_calculation_reset();
  spk_free_type_table();
  std::memset(&g_speaker_types, 0, sizeof g_speaker_types);
  std::memset(&g_material_table, 0, sizeof g_material_table);
  if (!g_absorber_db_path[0]) std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
  mat_reset_table();
  g_layers[LAYER_BLOCK].visible = 0;
  opts_reset_calc_options();
  g_speaker_limit = MAX_SPEAKERS;
  for (int b = 0; b < 256; ++b) g_balloon_power[b] = spk_balloon_byte_to_power(b);
  g_model_ready = 1;
  return 1;
}
