#include "design/menu_state.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The final state of each item after all updates, as the menu shows it.
std::map<int, bool> enabled(const MenuFacts& facts) {
  std::map<int, bool> out;
  for (const MenuItemState& item : menu_state_compute(facts))
    if (item.kind == MenuItemState::ENABLE) out[item.id] = item.on;
  return out;
}

std::map<int, bool> checked(const MenuFacts& facts) {
  std::map<int, bool> out;
  for (const MenuItemState& item : menu_state_compute(facts))
    if (item.kind == MenuItemState::CHECK) out[item.id] = item.on;
  return out;
}

MenuFacts empty_model() {
  MenuFacts f = {};
  f.layer_visible[0] = f.layer_visible[1] = f.layer_visible[2] = true;
  f.coordinate_snap = true;
  return f;
}

struct Case {
  const char* name;
  void (*setup)(MenuFacts&);
  std::map<int, bool> expected;
};

const Case CASES[] = {
    {"empty model", [](MenuFacts&) {},
     {{102, false}, {103, false}, {602, false}, {5101, false}, {5103, false}, {2301, false},
      {2501, false}, {5001, false}, {1003, false}, {4301, false}, {1002, false}, {201, false}}},
    {"room polyline but no face", [](MenuFacts& f) { f.room_objects = 1; },
     {{102, true}, {2301, true}, {2315, true}, {2501, false}, {5010, false}, {121, false}}},
    {"faces without loudspeakers", [](MenuFacts& f) { f.room_objects = f.room_faces = 3; },
     {{2501, true}, {2502, true}, {5013, true}, {5020, false}, {5021, false}, {121, true}}},
    {"faces and loudspeakers",
     [](MenuFacts& f) { f.room_objects = f.room_faces = 3; f.speaker_objects = 2; },
     {{5020, true}, {1003, true}, {1018, true}, {125, true}, {5001, false}}},
    {"listener areas and loudspeakers with a valid map",
     [](MenuFacts& f) { f.listener_objects = 1; f.speaker_objects = 1; f.level_map_valid = true; },
     {{5001, true}, {5101, true}, {5102, true}, {5103, true}, {3301, true}, {3311, true}}},
    {"a cancelled or no run: nothing to show or save",
     [](MenuFacts& f) { f.room_objects = f.room_faces = 6; f.listener_objects = 1; f.speaker_objects = 2; },
     {{5001, true}, {5101, false}, {5102, false}, {5103, true}}},
    {"listener areas without loudspeakers", [](MenuFacts& f) { f.listener_objects = 1; },
     {{5103, true}, {3306, true}}},
    {"undo and redo follow the ring", [](MenuFacts& f) { f.can_undo = true; },
     {{201, true}, {202, false}}},
    {"database open enables new loudspeaker", [](MenuFacts& f) { f.speaker_db_open = true; },
     {{1002, true}}},
    {"audio needs both input and profile", [](MenuFacts& f) { f.audio_input_chosen = true; },
     {{5032, false}, {5034, false}}},
    {"two recent projects", [](MenuFacts& f) { f.recent_count = 2; },
     {{110, true}, {111, true}, {112, false}, {113, false}}},
};

TEST(MenuState, EnabledItemsFollowTheModel) {
  for (const Case& c : CASES) {
    MenuFacts f = empty_model();
    c.setup(f);
    std::map<int, bool> got = enabled(f);
    for (auto [id, on] : c.expected) {
      if (!got.count(id)) {
        // Items the update leaves alone keep the resource state: enabled.
        EXPECT_TRUE(on) << c.name << ": item " << id;
        continue;
      }
      EXPECT_EQ(got[id], on) << c.name << ": item " << id;
    }
  }
}

TEST(MenuState, CheckMarksFollowLayersSnapsAndUnit) {
  MenuFacts f = empty_model();
  f.layer_visible[1] = false;
  f.layer_visible[7] = true;
  f.point_snap = true;
  f.unit_feet = true;
  std::map<int, bool> got = checked(f);
  EXPECT_TRUE(got[610]);
  EXPECT_FALSE(got[611]);
  EXPECT_TRUE(got[613]);
  EXPECT_FALSE(got[614]);
  EXPECT_FALSE(got[608]);
  EXPECT_TRUE(got[512]);
  EXPECT_FALSE(got[511]);
  EXPECT_TRUE(got[509]);
  EXPECT_FALSE(got[508]);
  EXPECT_TRUE(got[517]);
  EXPECT_FALSE(got[516]);
}

}  // namespace
