#include "viewer/viewer_menu_state.h"

std::vector<ViewerMenuItem> viewer_menu_state(const ViewerMenuFacts& f) {
  std::vector<ViewerMenuItem> out;
  auto enable = [&](int id, bool on) { out.push_back({id, ViewerMenuItem::ENABLE, on}); };
  auto check = [&](int id, bool on) { out.push_back({id, ViewerMenuItem::CHECK, on}); };
  for (int layer = 0; layer < 3; ++layer) check(610 + layer, f.layer_visible[layer]);
  check(613, f.layer_visible[7]);
  check(614, f.layer_visible[8]);
  check(608, f.layer_visible[4]);

  bool anything = f.room_objects > 0 || f.listener_objects > 0 || f.speaker_objects > 0;
  enable(602, anything);
  enable(603, anything);
  if (!anything) enable(5101, false);

  bool surfaces = f.room_objects > 0 && f.room_surfaces > 0;
  enable(2502, surfaces);
  for (int id = 5010; id <= 5013; ++id) enable(id, surfaces);
  enable(5021, surfaces && f.speaker_objects > 0);
  if (surfaces && f.level_map_loaded) enable(5101, true);

  bool listeners = f.listener_objects > 0;
  if (listeners) enable(5103, true);
  if (listeners && f.speaker_objects > 0 && f.level_map_loaded) enable(5101, true);

  enable(1004, f.speaker_objects > 0);

  check(511, !f.coordinate_snap);
  check(512, f.coordinate_snap);
  check(508, !f.point_snap);
  check(509, f.point_snap);
  check(516, !f.unit_feet);
  check(517, f.unit_feet);
  return out;
}
