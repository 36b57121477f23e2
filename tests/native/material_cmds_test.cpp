// Assigning a database material to picked room faces, with the absorber
// selection through the design program's dialog seam and scripted picks.
#include "design/material_cmds.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cad/obj_store.h"
#include "cad_fixtures.h"
#include "design/design_dialogs.h"
#include "materials/material.h"
#include "scripted_input.h"

using namespace fixtures;
using namespace scripted;

namespace {

int g_chosen = -1;  // the record the selection answers with; -1 cancels
int g_selections = 0;

int choose_record(int, int* database_index) {
  ++g_selections;
  if (g_chosen < 0) return 0;
  *database_index = g_chosen;
  return 1;
}

MaterialRecord named(const char* name) {
  MaterialRecord r{};
  std::strcpy(r.name, name);
  return r;
}

class MaterialAssign : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    std::memset(&g_absorber_db, 0, sizeof g_absorber_db);
    std::memset(&g_material_table, 0, sizeof g_material_table);
    mat_reset_table();
    g_absorber_db.records[0] = named("Beton");
    g_absorber_db.records[1] = named("Teppich");
    g_absorber_db.count = 2;
    plan_view(LAYER_ROOM);
    view_host().wait_event = scripted_wait;
    ui_seams().message_box = record_box;
    design_dialogs().absorber_select = choose_record;
    g_events.clear();
    g_boxes.clear();
    g_selections = 0;
    g_modified = 0;
    g_running_command = 2501;
    left = rect_face(0, 0, 4, 3);
    right = rect_face(10, 0, 14, 3);
    obj_append(left);
    obj_append(right);
  }
  void TearDown() override {
    g_running_command = 0;
    view_reset_host();
    ui_reset_seams();
    design_reset_dialogs();
    obj_free_all();
  }
  void run(int chosen, std::vector<Event> events) {
    g_chosen = chosen;
    g_events.assign(events.begin(), events.end());
    mat_cmd_assign();
  }
  DrawObject* left = nullptr;
  DrawObject* right = nullptr;
};

TEST_F(MaterialAssign, TheChosenMaterialGoesToEveryPickedFaceUntilStop) {
  run(1, {click(1, 1), OK, STOP});
  int material = left->elements[1].value;
  ASSERT_GT(material, 0);
  EXPECT_STREQ(g_material_table.records[material].name, "Teppich");
  EXPECT_EQ(right->elements[1].value, 0);
  EXPECT_EQ(g_modified, 1);
  EXPECT_EQ(g_prompt_prefix[0], 0);

  // The same record again is the same entry; a second face gets it too.
  run(1, {click(11, 1), OK, STOP});
  EXPECT_EQ(right->elements[1].value, material);
}

TEST_F(MaterialAssign, CancelOrAFullTableChangesNothing) {
  run(-1, {click(1, 1), OK, STOP});
  EXPECT_EQ(g_selections, 1);
  EXPECT_EQ(left->elements[1].value, 0);
  EXPECT_EQ(g_modified, 0);
  EXPECT_TRUE(g_boxes.empty());

  for (int i = g_material_table.count; i < MAX_MATERIALS; ++i) g_material_table.records[i] = named("X");
  g_material_table.count = MAX_MATERIALS;  // no slot left for "Beton"
  run(0, {click(1, 1), OK, STOP});
  EXPECT_EQ(g_boxes, (std::vector<std::string>{"Absorber kann nicht geladen werden"}));
  EXPECT_EQ(left->elements[1].value, 0);
  EXPECT_EQ(g_modified, 0);
}

}  // namespace
