#include "acoustics/refl_calc.h"

#include <cstdio>

#include "acoustics/coverage.h"
#include "acoustics/face_table.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_assign.h"
#include "acoustics/refl_search.h"
#include "framework/ui_seam.h"

ReflPointResultHook refl_point_result_hook = nullptr;

namespace {

// The search into a fresh spool file; -1 when the file cannot be created or
// written (then it is gone and the user was told).
long search_into(const char* spool_path, const ReflSearchSetup& setup) {
  PathSpool spool;
  int opened = refl_spool_open(spool, spool_path);
  if (opened <= 0) {
    if (opened == 0) ui_message_box(REFL_MSG_NOT_WRITABLE, nullptr, UI_MB_OK);
    return -1;
  }
  if (setup.with_progress) ui_progress_open("Reflexionsberechnung");
  refl_search_paths(setup, spool);
  if (setup.with_progress) ui_progress_close();
  bool written = refl_spool_close(spool) != 0;
  if (!written) {
    std::remove(spool_path);
    ui_message_box(REFL_MSG_NOT_WRITABLE, nullptr, UI_MB_OK);
    return -1;
  }
  return long(spool.path_count);
}

}  // namespace

long refl_calculate_rays(const WorldPoint& r, int order, const char* spool_path) {
  g_refl_path_count = 0;
  if (g_face_count <= 0) return 0;
  ReflSearchSetup setup{};
  setup.receiver = r;
  int image_order, ray_min_order;
  refl_split_orders(g_face_count, order, &image_order, &ray_min_order);
  setup.image_order = image_order;
  setup.ray_order = ray_min_order > 0 ? order : 0;
  setup.ray_min_order = ray_min_order;
  setup.with_progress = 1;
  long paths = search_into(spool_path, setup);
  if (paths >= 0) g_refl_mean_free_path = refl_estimate_mean_free_path(r);
  return paths;
}

uint32_t refl_calculate_at_point(const WorldPoint& r, float direct_reverberant, const char* spool_path) {
  g_refl_path_count = 0;
  refl_build_face_table();
  refl_sort_face_table();
  if (g_face_count <= 0 || g_active_speaker_count <= 0) return 0;
  ReflSearchSetup setup{};
  setup.receiver = r;
  setup.image_order = refl_point_order(g_face_count, g_active_speaker_count);
  g_refl_mean_free_path = refl_estimate_mean_free_path(r);
  long paths = search_into(spool_path, setup);
  if (paths <= 0) {
    std::remove(spool_path);
    return 0;
  }
  refl_read_path_spool(spool_path);
  uint32_t assigned = refl_assign_paths();
  if (assigned > 0) {
    refl_sort_paths_by_time();
    if (refl_point_result_hook)
      refl_point_result_hook(direct_reverberant);
    else
      ui_message_box("Diese Funktion ist noch nicht verfügbar.", "Hinweis", UI_MB_OK | UI_MB_ICONASTERISK);
  }
  refl_remove_paths();
  return assigned;
}
