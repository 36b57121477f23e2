#include "cad/undo.h"

#include <gtest/gtest.h>

#include "cad/obj_store.h"
#include "materials/material.h"
#include "project/project_undo.h"
#include "speakers/speaker_record.h"

namespace {

// One command of the ring's user: image first, then the change.
void add_object(float x) {
  undo_push();
  DrawObject* o = obj_create(0, 1, 1);
  o->nodes[0] = {x, 0, 0};
  obj_append(o);
}

std::vector<float> xs() {
  std::vector<float> out;
  for (DrawObject* o = g_obj_head; o; o = o->next) out.push_back(o->nodes[0].x);
  return out;
}

class Undo : public ::testing::Test {
 protected:
  void SetUp() override {
    proj_register_undo_parts();  // as the program does at start-up
    obj_free_all();
    obj_reset_layers();
    spk_free_type_table();
    mat_reset_table();
    undo_clear();
  }
  void TearDown() override {
    undo_clear();
    obj_free_all();
    spk_free_type_table();
  }
};

TEST_F(Undo, UndoAndRedoWalkThroughTheImages) {
  EXPECT_FALSE(undo_can_undo());
  add_object(1);
  add_object(2);
  undo_undo();
  EXPECT_EQ(xs(), (std::vector<float>{1}));
  undo_undo();
  EXPECT_TRUE(xs().empty());  // the image of an empty drawing
  EXPECT_FALSE(undo_can_undo());
  undo_redo();
  undo_redo();
  EXPECT_EQ(xs(), (std::vector<float>{1, 2}));
  EXPECT_FALSE(undo_can_redo());
}

TEST_F(Undo, RingKeepsTheNewestEightImages) {
  for (int i = 1; i <= 9; ++i) add_object(static_cast<float>(i));
  int undos = 0;
  while (undo_can_undo() || undos == 0) {
    undo_undo();
    ++undos;
  }
  EXPECT_EQ(undos, 7);
  EXPECT_EQ(xs(), (std::vector<float>{1, 2}));  // the state before the third command
}

TEST_F(Undo, PushAfterUndoDropsRedo) {
  add_object(1);
  add_object(2);
  undo_undo();
  EXPECT_TRUE(undo_can_redo());
  add_object(3);
  EXPECT_FALSE(undo_can_redo());
}

TEST_F(Undo, LoudspeakerTypesMaterialsAndLayersComeBack) {
  g_layers[5].visible = 1;
  g_layers[20].visible = 1;
  DrawObject* symbol = obj_create(0, 1, 1);
  obj_append(symbol);
  SpeakerRecord* with_symbol = spk_record_alloc();
  std::snprintf(with_symbol->type_name, sizeof with_symbol->type_name, "A");
  with_symbol->symbol = symbol;
  SpeakerRecord* without = spk_record_alloc();
  std::snprintf(without->type_name, sizeof without->type_name, "B");
  g_speaker_types.records[0] = with_symbol;
  g_speaker_types.records[1] = without;
  g_speaker_types.count = 2;
  g_material_table.count = 2;
  std::snprintf(g_material_table.records[1].name, sizeof g_material_table.records[1].name, "Beton");
  g_material_table.records[1].absorption[3] = 0.25f;

  undo_push();
  g_layers[5].visible = 0;
  g_layers[20].visible = 0;
  obj_free_all();
  spk_free_type_table();
  g_material_table.count = 0;
  undo_undo();

  ASSERT_EQ(g_speaker_types.count, 2);
  EXPECT_STREQ(g_speaker_types.records[0]->type_name, "A");
  EXPECT_EQ(g_speaker_types.records[0]->symbol, g_obj_head);
  EXPECT_EQ(g_speaker_types.records[1]->symbol, nullptr);
  ASSERT_EQ(g_material_table.count, 2);
  EXPECT_STREQ(g_material_table.records[1].name, "Beton");
  EXPECT_FLOAT_EQ(g_material_table.records[1].absorption[3], 0.25f);
  EXPECT_EQ(g_layers[5].visible, 1);
  EXPECT_EQ(g_layers[20].visible, 0);  // only the first 16 layers are in an image
}

}  // namespace
