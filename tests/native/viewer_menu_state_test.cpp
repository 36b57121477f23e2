// The viewer's menu state from the project's facts: what each kind of
// content enables, the level-map item, and the check marks.
#include "viewer/viewer_menu_state.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// The final state of each item the rule names.
std::map<std::pair<int, int>, bool> final_state(const ViewerMenuFacts& f) {
  std::map<std::pair<int, int>, bool> out;
  for (const ViewerMenuItem& i : viewer_menu_state(f)) out[{i.id, int(i.kind)}] = i.on;
  return out;
}

bool enabled(const ViewerMenuFacts& f, int id) {
  auto s = final_state(f);
  auto it = s.find({id, int(ViewerMenuItem::ENABLE)});
  return it != s.end() && it->second;
}
bool named(const ViewerMenuFacts& f, int id) { return final_state(f).count({id, int(ViewerMenuItem::ENABLE)}) > 0; }
bool checked(const ViewerMenuFacts& f, int id) { return final_state(f)[{id, int(ViewerMenuItem::CHECK)}]; }

TEST(ViewerMenuState, ContentEnablesItsCommands) {
  struct Case {
    const char* what;
    int room, surfaces, listeners, speakers;
    bool map;
    bool zoom, face_list, rt60, ray_file, level_map, speaker_list;
  };
  const Case cases[] = {
      {"empty", 0, 0, 0, 0, false, false, false, false, false, false, false},
      {"empty with a map", 0, 0, 0, 0, true, false, false, false, false, false, false},
      {"room lines only", 2, 0, 0, 0, false, true, false, false, false, false, false},
      {"room faces", 3, 3, 0, 0, false, true, true, true, false, false, false},
      {"room faces and a map", 3, 3, 0, 0, true, true, true, true, false, true, false},
      {"faces and loudspeakers", 3, 3, 0, 2, false, true, true, true, true, false, true},
      {"listeners, loudspeakers and a map", 0, 0, 1, 2, true, true, false, false, false, true, true},
      {"listeners and a map, no loudspeaker", 0, 0, 1, 0, true, true, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    ViewerMenuFacts f{};
    f.room_objects = c.room, f.room_surfaces = c.surfaces, f.listener_objects = c.listeners;
    f.speaker_objects = c.speakers, f.level_map_loaded = c.map;
    EXPECT_EQ(enabled(f, 602), c.zoom) << c.what;
    EXPECT_EQ(enabled(f, 603), c.zoom) << c.what;
    EXPECT_EQ(enabled(f, 2502), c.face_list) << c.what;
    for (int id = 5010; id <= 5013; ++id) EXPECT_EQ(enabled(f, id), c.rt60) << c.what << " " << id;
    EXPECT_EQ(enabled(f, 5021), c.ray_file) << c.what;
    EXPECT_EQ(enabled(f, 5101), c.level_map) << c.what;
    EXPECT_EQ(enabled(f, 1004), c.speaker_list) << c.what;
    EXPECT_EQ(enabled(f, 5103), c.listeners > 0) << c.what;
    EXPECT_EQ(named(f, 5103), c.listeners > 0) << c.what;  // never greyed: a map can always be loaded
    for (int id : {5001, 1003, 1005, 1016, 101, 105}) EXPECT_FALSE(named(f, id)) << c.what << " " << id;
  }
}

TEST(ViewerMenuState, CheckMarksFollowLayersSnapsAndUnit) {
  ViewerMenuFacts f{};
  f.layer_visible[0] = f.layer_visible[2] = f.layer_visible[4] = f.layer_visible[8] = true;
  f.point_snap = true;
  f.unit_feet = true;
  const std::pair<int, bool> expected[] = {{610, true},  {611, false}, {612, true},  {613, false}, {614, true},
                                           {608, true},  {511, true},  {512, false}, {508, false}, {509, true},
                                           {516, false}, {517, true}};
  for (const auto& e : expected) EXPECT_EQ(checked(f, e.first), e.second) << e.first;
}

}  // namespace
