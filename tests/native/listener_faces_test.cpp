// Listener areas made from room faces: the copy of one polygon, the command
// with scripted height entry and picks, and the coverage over a face-made
// area against the same area drawn by hand.
#include "design/listener_faces.h"

#include <gtest/gtest.h>

#include <vector>

#include "acoustic_model.h"
#include "cad/edit_host.h"
#include "cad/undo.h"
#include "cad_fixtures.h"
#include "framework/units.h"
#include "scripted_input.h"

using namespace fixtures;
using namespace scripted;

namespace {

bool same_nodes(const DrawObject* o, const std::vector<WorldPoint>& expected) {
  if (o->node_count != expected.size()) return false;
  for (uint32_t i = 0; i < o->node_count; ++i)
    if (o->nodes[i].x != expected[i].x || o->nodes[i].y != expected[i].y || o->nodes[i].z != expected[i].z)
      return false;
  return true;
}

void free_object(DrawObject* o) {
  DrawObject *head = o, *tail = o;
  obj_list_free(head, tail, o);
}

TEST(ListenerCopy, OneNodePerNonMaterialElementRaisedStraightUp) {
  struct Case {
    const char* what;
    std::vector<WorldPoint> nodes;
    std::vector<ElementCode> elements;
    uint32_t start;
    std::vector<WorldPoint> copied;         // empty: refused
    std::vector<ElementCode> copied_elements;
  };
  const std::vector<WorldPoint> square = {{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {0, 3, 0}};
  const std::vector<WorldPoint> sloped = {{0, 0, 0}, {4, 0, 0}, {4, 3, 2}, {0, 3, 2}};
  const Case cases[] = {
      {"rectangle with a material", square, ring(0, 4, 7), 0,
       {{0, 0, 1.5f}, {4, 0, 1.5f}, {4, 3, 1.5f}, {0, 3, 1.5f}},
       {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}}},
      {"sloped face", sloped, ring(0, 4, 2), 0,
       {{0, 0, 1.5f}, {4, 0, 1.5f}, {4, 3, 3.5f}, {0, 3, 3.5f}},
       {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}}},
      {"no material entry", square, {{EL_START, 2}, {EL_LINE, 3}, {EL_LINE, 0}, {EL_CLOSE, 1}}, 0,
       {{4, 3, 1.5f}, {0, 3, 1.5f}, {0, 0, 1.5f}, {4, 0, 1.5f}},
       {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}}},
      {"second polygon of a body", square, {{EL_START, 0}, {EL_MATERIAL, 1}, {EL_LINE, 1}, {EL_CLOSE, 2},
                                            {EL_START, 2}, {EL_MATERIAL, 4}, {EL_LINE, 3}, {EL_CLOSE, 0}}, 4,
       {{4, 3, 1.5f}, {0, 3, 1.5f}, {0, 0, 1.5f}},
       {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_CLOSE, 2}}},
      {"never closed", square, {{EL_START, 0}, {EL_MATERIAL, 0}, {EL_LINE, 1}, {EL_LINE, 2}}, 0, {}, {}},
      {"next polygon before the close", square, {{EL_START, 0}, {EL_LINE, 1}, {EL_START, 2}, {EL_CLOSE, 3}}, 0,
       {}, {}},
      {"node beyond the object", square, {{EL_START, 0}, {EL_LINE, 1}, {EL_CLOSE, 9}}, 0, {}, {}},
      {"start is no start", square, ring(0, 4), 2, {}, {}},
  };
  for (const Case& c : cases) {
    DrawObject* source = make(OBJ_KIND_FACE, c.nodes, c.elements);
    DrawObject* copy = listener_copy_polygon(source, c.start, 1.5f);
    if (c.copied.empty()) {
      EXPECT_EQ(copy, nullptr) << c.what;
    } else {
      ASSERT_NE(copy, nullptr) << c.what;
      EXPECT_TRUE(same_nodes(copy, c.copied)) << c.what;
      EXPECT_EQ(elements_of(copy), c.copied_elements) << c.what;
      EXPECT_EQ(copy->kind, uint32_t(OBJ_KIND_FACE));
      EXPECT_EQ(copy->layer, uint32_t(LAYER_LISTENER));
      EXPECT_EQ(copy->colour, 21u);
      EXPECT_EQ(copy->attributes, uint32_t(OBJ_ATTR_CREATED));
      free_object(copy);
    }
    free_object(source);
  }
}

class ListenerCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    plan_view(LAYER_ROOM);
    view_host().wait_event = scripted_wait;
    edit_host().input_line = answer_line;
    ui_seams().message_box = record_box;
    g_events.clear();
    g_lines.clear();
    g_boxes.clear();
    g_modified = 0;
    g_unit_feet = 0;
    g_listener_height = 0;
    g_running_command = 1;
    obj_append(rect_face(0, 0, 4, 3, 0.5f, 2));
  }
  void TearDown() override {
    g_running_command = 0;
    g_unit_feet = 0;
    view_reset_host();
    edit_reset_host();
    ui_reset_seams();
    obj_free_all();
  }
  void run(std::vector<Event> events, std::vector<std::string> lines) {
    g_events.assign(events.begin(), events.end());
    g_lines.assign(lines.begin(), lines.end());
    listener_cmd_create_over_faces();
    EXPECT_TRUE(g_events.empty()) << "input left over";
    EXPECT_TRUE(g_lines.empty()) << "entries left over";
    EXPECT_EQ(g_finish_flag + g_abort_flag, 0);
  }
  std::vector<DrawObject*> listener_areas() {
    std::vector<DrawObject*> out;
    for (DrawObject* o = g_obj_head; o; o = o->next)
      if (o->layer == LAYER_LISTENER) out.push_back(o);
    return out;
  }
};

TEST_F(ListenerCommand, HeightsFromZeroToTenAreTakenOthersRefused) {
  struct Case {
    const char* typed;
    int feet;
    float z;  // of the copy; below 0: refused
  };
  const Case cases[] = {
      {"10", 0, 10.5f}, {"0", 0, 0.5f}, {"10.01", 0, -1}, {"-0.5", 0, -1}, {"3.28084", 1, 1.5f}, {"10", 1, 3.548f},
  };
  for (const Case& c : cases) {
    g_unit_feet = c.feet;
    g_boxes.clear();
    int before = int(listener_areas().size());
    if (c.z < 0) {
      run({}, {c.typed});
      EXPECT_EQ(g_boxes, std::vector<std::string>{"Ungültige Eingabe !"}) << c.typed;
      EXPECT_EQ(int(listener_areas().size()), before) << c.typed;
      continue;
    }
    run({click(1, 1), OK, OK}, {c.typed});
    EXPECT_TRUE(g_boxes.empty()) << c.typed;
    ASSERT_EQ(int(listener_areas().size()), before + 1) << c.typed;
    EXPECT_NEAR(g_obj_head->nodes[0].z, c.z, 1e-3) << c.typed;
    EXPECT_EQ(g_obj_head->layer, uint32_t(LAYER_LISTENER));
  }
}

TEST_F(ListenerCommand, EachPickMakesOneAreaUntilAnOkWithoutPick) {
  run({click(1, 1), OK, click(1, 1), OK, OK}, {"1.5"});
  std::vector<DrawObject*> areas = listener_areas();
  ASSERT_EQ(areas.size(), 2u);  // the same polygon twice: two coincident areas
  for (DrawObject* a : areas) {
    EXPECT_TRUE(same_nodes(a, {{0, 0, 2}, {4, 0, 2}, {4, 3, 2}, {0, 3, 2}}));
    EXPECT_EQ(elements_of(a), elements_of(areas[0]));
  }
  EXPECT_EQ(g_obj_tail->layer, uint32_t(LAYER_ROOM));  // copies go in front
  EXPECT_EQ(g_obj_tail->elements[1].value, 2);        // the room face keeps its material
  EXPECT_EQ(g_modified, 1);
}

TEST_F(ListenerCommand, CancelOrStopMakesNothing) {
  run({}, {""});
  EXPECT_TRUE(listener_areas().empty());
  EXPECT_EQ(g_modified, 0);
  run({click(1, 1), STOP}, {"1"});
  EXPECT_TRUE(listener_areas().empty());
  EXPECT_FLOAT_EQ(g_listener_height, 1.0f);
}

TEST_F(ListenerCommand, AnUnreadableEntryKeepsThePreviousHeight) {
  run({click(1, 1), OK, OK}, {"2"});
  run({click(1, 1), OK, OK}, {"abc"});
  EXPECT_FLOAT_EQ(g_obj_head->nodes[0].z, 2.5f);
}

// The coverage over an area made from a room face equals the coverage over
// the same area drawn by hand, with shadowing and first reflections on.
TEST(ListenerCoverage, FaceMadeAreaGivesTheCoverageOfTheDrawnOne) {
  using namespace acoustic_model;
  const std::vector<std::vector<WorldPoint>> shapes = {
      {{0, 0, 0}, {4, 0, 0}, {4, 2, 0}, {0, 2, 0}},
      {{0, 0, 0}, {4, 0, 0}, {4, 3, 1.5f}, {0, 3, 1.5f}},  // a raked floor
  };
  const float h = 1.2f;
  for (const auto& shape : shapes) {
    std::vector<std::vector<float>> results[2];
    for (int drawn = 0; drawn < 2; ++drawn) {
      clear_model();
      set_materials(0.3f);
      add_flat_type();
      add_speaker(2, -1, 4, 1e6f);
      DrawObject* room = add_polygon(LAYER_ROOM, {shape[0], shape[1], shape[2], shape[3]}, 1);
      add_polygon(LAYER_ROOM, {{-1, -2, 6}, {6, -2, 6}, {6, 5, 6}, {-1, 5, 6}}, 1);  // a ceiling
      if (drawn) {
        std::vector<WorldPoint> up = shape;
        for (WorldPoint& p : up) p.z += h;
        add_polygon(LAYER_LISTENER, {up[0], up[1], up[2], up[3]});
      } else {
        DrawObject* copy = listener_copy_polygon(room, 0, h);
        ASSERT_NE(copy, nullptr);
        obj_insert_before(copy, g_obj_head);
      }
      g_calc_options.grid_spacing_index = 1;
      g_calc_options.flags = 3;
      ASSERT_EQ(cov_build_active_speakers(), 1);
      ASSERT_EQ(cov_build_grid(), 1);
      ASSERT_EQ(cov_calculate_grid(), 1);
      for (uint32_t i = 0; i < g_coverage_grid.point_count; ++i) {
        const GridPoint& p = g_coverage_grid.points[i];
        std::vector<float> row = {p.x, p.y, p.z};
        for (int b = 0; b < 7; ++b) row.push_back(p.energy[b]), row.push_back(p.time[b]);
        results[drawn].push_back(row);
      }
    }
    EXPECT_GT(results[0].size(), 20u);
    EXPECT_EQ(results[0], results[1]);
  }
  clear_model();
}

}  // namespace
