#include "acoustics/room_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/refl_search.h"
#include "cad/face_geom.h"
#include "cad/undo.h"
#include "project/project_undo.h"

using namespace acoustic_model;

namespace {

struct Box {
  std::string text, caption;
  int count = 0;
};
Box* g_box = nullptr;
int g_progress_calls = 0, g_cancel_at = -1;

// The node order of every room polygon, to see what the check turned round.
std::vector<std::vector<uint16_t>> windings() {
  std::vector<std::vector<uint16_t>> out;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    std::vector<uint16_t> w;
    for (uint32_t i = 0; i < o->element_count; ++i) w.push_back(o->elements[i].value);
    out.push_back(w);
  }
  return out;
}

// A closed block inside the room: its faces point out of it, into the room.
void add_block(float x0, float y0, float z0, float x1, float y1, float z1) {
  add_box(x0, y0, z0, x1, y1, z1);
  DrawObject* o = g_obj_tail;
  for (int i = 0; i < 6; ++i, o = o->prev) cad_reverse_all_polygons(o);
}

DrawObject* nth_object(int n) {
  DrawObject* o = g_obj_head;
  while (n-- > 0) o = o->next;
  return o;
}

class RoomCheck : public ::testing::Test {
 protected:
  Box box;
  void SetUp() override {
    fresh();
    g_refl_run_settings = ReflRunSettings{1, 0};
  }
  // An empty model, with the message and progress boxes recorded.
  void fresh() {
    clear_model();
    box = Box{};
    g_box = &box;
    g_progress_calls = 0;
    g_cancel_at = -1;
    ui_seams().message_box = [](const char* text, const char* caption, unsigned) {
      g_box->text = text ? text : "";
      g_box->caption = caption ? caption : "";
      g_box->count += 1;
      return int(UI_IDOK);
    };
    ui_seams().progress_update_text = [](int, const char*) { return g_progress_calls++ == g_cancel_at ? 1 : 0; };
  }
  void TearDown() override {
    g_refl_run_settings = ReflRunSettings{0, 1};
    room_check_reset_host();
    clear_model();
  }
  RoomCheckResult check() {
    RoomCheckResult r;
    refl_room_check(r);
    return r;
  }
};

TEST_F(RoomCheck, RoomsAndTheirSummaries) {
  struct Case {
    const char* name;
    void (*build)();
    const char* text;
    const char* caption;
    long reversed;
    std::vector<int> turned;  // objects whose winding the check reverses
  } cases[] = {
      {"closed box", [] { add_box(0, 0, 0, 4, 3, 2.5f); }, "Keine Fehler gefunden", "Rock ´n´ Roll !", 0, {}},
      {"one wall reversed",
       [] {
         add_box(0, 0, 0, 4, 3, 2.5f);
         cad_reverse_all_polygons(nth_object(3));
       },
       "1Flächen auto-invertiert ", "Rock ´n´ Roll !", 1, {3}},
      {"without its ceiling",
       [] {
         add_box(0, 0, 0, 4, 3, 2.5f);
         obj_free(nth_object(1));
       },
       "XY -Fehler", "Flächen fehlen !", 0, {}},
      {"inner column, one side reversed",
       [] {
         add_box(0, 0, 0, 6, 5, 3);
         add_block(2, 2, 0, 3, 3.5f, 3);
         cad_reverse_all_polygons(nth_object(8));
       },
       "1Flächen auto-invertiert ", "Rock ´n´ Roll !", 1, {8}},
      {"closed block on the floor",
       [] {
         add_box(0, 0, 0, 6, 5, 3);
         add_block(1, 1, 0, 5, 4, 1.5f);  // its bottom shares the floor's plane over most of it
       },
       "Keine Fehler gefunden", "Rock ´n´ Roll !", 0, {}},
      {"two rooms sharing a wall",
       [] {
         add_box(0, 0, 0, 4, 3, 2.5f);
         add_box(4, 0, 0, 7, 3, 2.5f);
       },
       "Keine Fehler gefunden", "Rock ´n´ Roll !", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    c.build();
    auto before = windings();
    RoomCheckResult r = check();
    EXPECT_EQ(r.ran, 1);
    EXPECT_EQ(box.count, 1);
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.caption, c.caption);
    EXPECT_EQ(r.reversed, c.reversed);
    auto after = windings();
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
      bool turned = std::find(c.turned.begin(), c.turned.end(), int(i)) != c.turned.end();
      EXPECT_EQ(after[i] != before[i], turned) << "object " << i;
    }
    // A second check finds nothing left to turn round.
    if (c.reversed > 0) {
      EXPECT_EQ(check().reversed, 0);
    }
  }
}

TEST_F(RoomCheck, HolesAreMarkedWhereTheLinesFirstMeetAFace) {
  add_box(0, 0, 0, 4, 3, 2.5f);
  obj_free(nth_object(1));  // no ceiling: every +z line meets only the floor
  std::vector<WorldPoint> drawn;
  static std::vector<WorldPoint>* seen;
  seen = &drawn;
  room_check_host().draw_mark = [](const WorldPoint& p) { seen->push_back(p); };
  RoomCheckResult r = check();
  EXPECT_EQ(r.errors[0], 0);
  EXPECT_EQ(r.errors[1], 0);
  EXPECT_EQ(r.errors[2], 40 * 30);
  ASSERT_EQ(r.marks.size(), size_t(40 * 30));
  EXPECT_FLOAT_EQ(r.marks[0].x, 0.05f);
  EXPECT_FLOAT_EQ(r.marks[0].y, 0.05f);
  EXPECT_FLOAT_EQ(r.marks[0].z, 0.001f);  // the floor's key: facing the probe direction
  // Drawn once during the phase and once more at the end.
  EXPECT_EQ(drawn.size(), 2 * r.marks.size());
  EXPECT_EQ(r.error_cells, 40 * 30);
  EXPECT_EQ(r.probed_cells, 40 * 30 + 30 * 25 + 40 * 25);
}

TEST_F(RoomCheck, SmallShareOfOddLinesIsReportedAsPercentage) {
  add_box(0, 0, 0, 10, 10, 3);
  // A small loose plate under the ceiling: four +z lines cross three faces.
  add_floor(LAYER_ROOM, 5, 5.2f, 5, 5.2f, 2);
  RoomCheckResult r = check();
  EXPECT_EQ(r.errors[2], 4);
  double percent = 100.0 * 4 / double(r.probed_cells) + 1e-6;
  char expected[64];
  std::snprintf(expected, sizeof expected, "Fehler = %1.3lf %%", percent);
  EXPECT_EQ(box.text, expected);
  EXPECT_EQ(box.caption, "Rock ´n´ Roll !");
}

TEST_F(RoomCheck, NoRoomWithFewerThanTwoFaces) {
  add_floor(LAYER_ROOM, 0, 4, 0, 3, 0);
  RoomCheckResult r = check();
  EXPECT_EQ(r.ran, 0);
  EXPECT_EQ(box.text, "Kein Raum zu erkennen");
}

TEST_F(RoomCheck, CoincidentFacesSortAgainstTheProbeFirstAndParallelFacesAreNeverHit) {
  add_floor(LAYER_ROOM, 0, 4, 0, 3, 1);                                          // toward +z
  add_polygon(LAYER_ROOM, {{0, 0, 1}, {0, 3, 1}, {4, 3, 1}, {4, 0, 1}});          // against +z
  add_polygon(LAYER_ROOM, {{0, 1, 0}, {4, 1, 0}, {4, 1, 2}, {0, 1, 2}});          // parallel to z
  refl_build_face_table();
  std::vector<RoomCheckHit> hits;
  ASSERT_EQ(refl_probe_room(2, 1.05f, 1.05f, nullptr, 0, hits), 0);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(g_face_table[hits[0].face].sign_bits >> 4, 3u);
  EXPECT_FLOAT_EQ(hits[0].key, 0.999f);
  EXPECT_FLOAT_EQ(hits[1].key, 1.001f);
  // On the box edge the strict box test lets the line pass.
  ASSERT_EQ(refl_probe_room(2, 0.0f, 1.05f, nullptr, 0, hits), 0);
  EXPECT_TRUE(hits.empty());
}

TEST_F(RoomCheck, ReversalsGoBackWithTheCommandsUndoImage) {
  proj_register_undo_parts();
  undo_clear();
  add_box(0, 0, 0, 4, 3, 2.5f);
  cad_reverse_all_polygons(nth_object(2));
  auto before = windings();
  undo_push();  // what the dispatch does before the command
  EXPECT_EQ(check().reversed, 1);
  EXPECT_NE(windings(), before);
  undo_undo();
  EXPECT_EQ(windings(), before);
  undo_clear();
  undo_remove_parts();
}

TEST_F(RoomCheck, CancelEndsWithoutSummaryAndReversesNothing) {
  add_box(0, 0, 0, 20, 15, 6);  // 51000 lines of six faces: a progress call after 131072 visits
  cad_reverse_all_polygons(nth_object(0));
  auto before = windings();
  g_cancel_at = 0;
  RoomCheckResult r = check();
  EXPECT_EQ(r.cancelled, 1);
  EXPECT_EQ(g_progress_calls, 1);
  EXPECT_EQ(box.count, 0);
  EXPECT_EQ(windings(), before);
}

// An untidy room: sloped and concave faces, a hole, a reversed face, a
// block on the floor: every way of running gives the same check.
TEST_F(RoomCheck, ThreadsAndGridGiveTheSameCheckAsThePlainLoop) {
  auto build = [this] {
    fresh();
    add_box(0, 0, 0, 12, 9, 5);
    add_block(2, 2, 0, 4.5f, 3.5f, 1.2f);
    add_polygon(LAYER_ROOM, {{6, 1, 0.5f}, {10, 1, 0.5f}, {10, 7, 0.5f}, {8, 4, 0.5f}, {6, 7, 0.5f}});  // concave, loose
    add_polygon(LAYER_ROOM, {{1, 6, 1}, {5, 6, 1}, {5, 8, 3}, {1, 8, 3}});                              // sloped, loose
    cad_reverse_all_polygons(nth_object(4));
  };
  build();
  RoomCheckResult plain = check();
  auto plain_model = windings();
  std::string plain_text = box.text;
  EXPECT_GT(plain.errors[2], 0);
  EXPECT_EQ(plain.reversed, 1);
  for (ReflRunSettings s : {ReflRunSettings{1, 1}, ReflRunSettings{4, 1}, ReflRunSettings{3, 0}}) {
    SCOPED_TRACE(testing::Message() << "threads " << s.threads << " grid " << s.use_tree);
    g_refl_run_settings = s;
    build();
    RoomCheckResult r = check();
    EXPECT_EQ(box.text, plain_text);
    EXPECT_EQ(r.reversed, plain.reversed);
    EXPECT_EQ(r.probes, plain.probes);
    EXPECT_EQ(r.probed_cells, plain.probed_cells);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(r.hits[k], plain.hits[k]);
      EXPECT_EQ(r.errors[k], plain.errors[k]);
    }
    ASSERT_EQ(r.marks.size(), plain.marks.size());
    for (size_t i = 0; i < r.marks.size(); ++i) {
      EXPECT_EQ(r.marks[i].x, plain.marks[i].x);
      EXPECT_EQ(r.marks[i].y, plain.marks[i].y);
      EXPECT_EQ(r.marks[i].z, plain.marks[i].z);
    }
    EXPECT_EQ(windings(), plain_model);
  }
}

}  // namespace
