// Which items of the viewer's menu are enabled and checked, worked out from
// the state of the project alone, so the rule can be tested without a window.
#pragma once
#include <vector>

struct ViewerMenuFacts {
  int room_objects, room_surfaces, listener_objects, speaker_objects;
  bool layer_visible[9];  // layers 0-8
  bool level_map_loaded;
  bool coordinate_snap, point_snap, unit_feet;
};

struct ViewerMenuItem {
  int id;
  enum Kind { ENABLE, CHECK } kind;
  bool on;
};

// In order: a later entry for the same item overrides an earlier one.
std::vector<ViewerMenuItem> viewer_menu_state(const ViewerMenuFacts& facts);
