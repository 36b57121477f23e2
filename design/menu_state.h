// Which menu items are enabled and checked, worked out from the state of the
// project alone, so the rule can be tested without a window.
#pragma once
#include <vector>

struct MenuFacts {
  int room_objects, room_faces, listener_objects, speaker_objects, aux_objects;
  bool can_undo, can_redo;
  bool layer_visible[9];  // layers 0-8
  bool audio_input_chosen, audio_profile_chosen;
  bool level_map_valid;
  bool speaker_db_open;
  bool coordinate_snap, point_snap;
  bool unit_feet;
  int recent_count;       // entries of the recent-project list
};

struct MenuItemState {
  int id;
  enum Kind { ENABLE, CHECK } kind;
  bool on;
};

std::vector<MenuItemState> menu_state_compute(const MenuFacts& facts);
