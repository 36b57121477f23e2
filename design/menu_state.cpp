#include "design/menu_state.h"

namespace {

struct Builder {
  std::vector<MenuItemState> items;
  void enable(int id, bool on) { items.push_back({id, MenuItemState::ENABLE, on}); }
  void enable_range(int first, int last, bool on) {
    for (int id = first; id <= last; ++id) enable(id, on);
  }
  void check(int id, bool on) { items.push_back({id, MenuItemState::CHECK, on}); }
};

void room_items(Builder& b, const MenuFacts& f) {
  bool faces = f.room_faces > 0;
  bool speakers = f.speaker_objects > 0;
  if (f.room_objects > 0 && faces) {
    for (int id : {121, 2501, 2502, 2601}) b.enable(id, true);
    b.enable_range(5010, 5013, true);
    b.enable(5020, speakers);
    b.enable(5021, speakers);
    if (f.level_map_valid) {
      b.enable(5101, true);
      b.enable(5102, true);
    }
  } else {
    for (int id : {121, 2501, 2502, 2601, 5020, 5021}) b.enable(id, false);
    b.enable_range(5010, 5013, false);
  }
  b.enable_range(2301, 2315, f.room_objects > 0);
}

void listener_items(Builder& b, const MenuFacts& f) {
  bool areas = f.listener_objects > 0;
  b.enable_range(3301, 3306, areas);
  b.enable(3311, areas);
  if (areas) {
    b.enable(5103, true);
    if (f.speaker_objects > 0) {
      b.enable(5001, true);
      if (f.level_map_valid) {
        b.enable(5101, true);
        b.enable(5102, true);
      }
    }
  } else {
    b.enable(5001, false);
  }
}

}  // namespace

// The items in the order the menu update applies them; a later entry for the
// same item wins, exactly as when the calls are made one after the other.
std::vector<MenuItemState> menu_state_compute(const MenuFacts& f) {
  Builder b;
  b.enable(201, f.can_undo);
  b.enable(202, f.can_redo);
  for (int layer = 0; layer < 3; ++layer) b.check(610 + layer, f.layer_visible[layer]);
  b.check(613, f.layer_visible[7]);
  b.check(614, f.layer_visible[8]);
  b.check(608, f.layer_visible[4]);
  b.enable_range(5032, 5034, f.audio_input_chosen && f.audio_profile_chosen);

  bool empty = f.room_objects == 0 && f.listener_objects == 0 && f.speaker_objects == 0 &&
               f.aux_objects == 0;
  for (int id : {102, 103, 602, 603}) b.enable(id, !empty);
  if (empty) {
    for (int id : {5101, 5102, 5103}) b.enable(id, false);
  }
  room_items(b, f);
  listener_items(b, f);
  // Show and save offer only a result that exists: after a cancelled run
  // they are greyed again, whatever a completed run had left.
  if (!f.level_map_valid) {
    b.enable(5101, false);
    b.enable(5102, false);
  }
  bool speakers = f.speaker_objects > 0;
  b.enable_range(1003, 1018, speakers);
  b.enable(125, speakers);
  b.enable_range(4301, 4315, f.aux_objects > 0);
  b.enable(1002, f.speaker_db_open);
  b.check(511, !f.coordinate_snap);
  b.check(512, f.coordinate_snap);
  b.check(508, !f.point_snap);
  b.check(509, f.point_snap);
  b.check(516, !f.unit_feet);
  b.check(517, f.unit_feet);
  for (int i = f.recent_count; i < 4; ++i) b.enable(110 + i, false);
  return b.items;
}
