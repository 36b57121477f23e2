// New and the CAD option commands headless: typed answers through the edit
// host, check marks and the repaint recorded from the view host, message
// boxes recorded.
#include "cad/cad_session.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "cad/cad_state.h"
#include "cad/edit_host.h"
#include "cad/obj_store.h"
#include "cad/view.h"
#include "cad_fixtures.h"
#include "framework/ui_seam.h"
#include "framework/units.h"
#include "scripted_input.h"

using namespace scripted;

namespace {

std::vector<std::string> g_offered;  // caption and text the entry showed, one string each
std::vector<std::pair<int, bool>> g_checks;
int g_repaints = 0;
int g_new_documents = 0;
int g_discard_answer = UI_IDOK;

int offer_and_answer(const char* caption, char* buffer, int max_length, int fix_comma) {
  g_offered.push_back(std::string(caption) + "|" + buffer);
  return answer_line(caption, buffer, max_length, fix_comma);
}

int answer_discard(const char* text, const char* caption, unsigned flags) {
  record_box(text, caption, flags);
  return g_discard_answer;
}

class CadSession : public ::testing::Test {
 protected:
  void SetUp() override {
    obj_free_all();
    obj_reset_layers();
    view_new_drawing_defaults();
    edit_host().input_line = offer_and_answer;
    view_host().check_menu_item = [](int id, bool on) { g_checks.push_back({id, on}); };
    view_host().repaint_drawing_window = [] { ++g_repaints; };
    ui_seams().message_box = answer_discard;
    cad_new_document_hook = [] {
      ++g_new_documents;
      obj_free_all();
    };
    g_lines.clear();
    g_boxes.clear();
    g_offered.clear();
    g_checks.clear();
    g_repaints = 0;
    g_new_documents = 0;
    g_discard_answer = UI_IDOK;
    g_unit_feet = 0;
    g_modified = 0;
  }
  void TearDown() override {
    cad_new_document_hook = nullptr;
    g_unit_feet = 0;
    view_reset_host();
    edit_reset_host();
    ui_reset_seams();
    cad_grid_free();
    obj_free_all();
  }
};

TEST_F(CadSession, OptionsTakeTypedValuesOnlyInTheirRange) {
  const char* const REFUSED = "Ungültige Eingabe !";
  struct Case {
    void (*command)();
    std::function<double()> field;
    const char* answer;  // "" cancels; each row starts where the one before left
    double expected;
    bool refused;
  } cases[] = {
      {cad_set_snap_distance, [] { return g_view.snap_distance; }, "1000", 1000, false},
      {cad_set_snap_distance, [] { return g_view.snap_distance; }, "0.5", 0.5, false},
      {cad_set_snap_distance, [] { return g_view.snap_distance; }, "0", 0.5, true},
      {cad_set_snap_distance, [] { return g_view.snap_distance; }, "weit", 0.5, true},
      {cad_set_snap_distance, [] { return g_view.snap_distance; }, "", 0.5, false},
      {cad_set_node_snap, [] { return g_view.node_snap_distance; }, "100", 100, false},
      {cad_set_node_snap, [] { return g_view.node_snap_distance; }, "0", 100, true},
      {cad_set_circle_segments, [] { return double(g_view.circle_segments); }, "3", 3, false},
      {cad_set_circle_segments, [] { return double(g_view.circle_segments); }, "361", 3, true},
      {cad_set_grid_size, [] { return g_view.grid_size; }, "0.1", 0.1, false},
      {cad_set_grid_size, [] { return g_view.grid_size; }, "100.5", 0.1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    g_boxes.clear();
    g_lines = {c.answer};
    c.command();
    EXPECT_NEAR(c.field(), c.expected, 1e-6);
    EXPECT_EQ(g_boxes, c.refused ? std::vector<std::string>{REFUSED} : std::vector<std::string>{});
    EXPECT_TRUE(g_lines.empty());
  }
}

TEST_F(CadSession, LengthsAreOfferedAndReadInTheDisplayUnit) {
  g_view.snap_distance = 0.3048f;
  g_unit_feet = 1;
  g_lines = {"10"};
  cad_set_snap_distance();
  ASSERT_EQ(g_offered.size(), 1u);
  EXPECT_EQ(g_offered[0], "FANGWEITE SETZEN ( 0 .. 1000 )|1.00");
  EXPECT_NEAR(g_view.snap_distance, 3.048, 1e-5);

  g_unit_feet = 0;
  g_lines = {""};
  cad_set_snap_distance();
  EXPECT_EQ(g_offered[1], "FANGWEITE SETZEN ( 0 .. 1000 )|3.048000");
}

TEST_F(CadSession, GridSizeRebuildsTheGridLines) {
  obj_append(fixtures::rect_face(0, 0, 4, 4));
  g_layers[LAYER_GRID].visible = 1;
  g_lines = {"2"};
  cad_set_grid_size();
  EXPECT_EQ(g_view.grid_size, 2.0f);
  int lines = 0;
  for (DrawObject* o = g_grid_head; o; o = o->next) ++lines;
  EXPECT_GT(lines, 0);
  EXPECT_EQ(lines, cad_build_grid_lines());
}

TEST_F(CadSession, NewAsksBeforeUnsavedWorkIsLost) {
  struct Case {
    const char* what;
    bool with_object;
    bool modified;
    int answer;
    bool renewed;
    size_t boxes;
  } cases[] = {
      {"saved drawing", true, false, UI_IDOK, true, 0},
      {"unsaved, discarded", true, true, UI_IDOK, true, 1},
      {"unsaved, kept", true, true, UI_IDCANCEL, false, 1},
      {"empty drawing", false, true, UI_IDOK, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    obj_free_all();
    if (c.with_object) obj_append(fixtures::rect_face(0, 0, 1, 1));
    view_set_3d();
    g_last_point = {1, 2, 3};
    g_modified = c.modified;
    g_discard_answer = c.answer;
    g_boxes.clear();
    g_checks.clear();
    g_new_documents = 0;
    cad_new_drawing();
    EXPECT_EQ(g_boxes.size(), c.boxes);
    EXPECT_EQ(g_new_documents, c.renewed ? 1 : 0);
    EXPECT_EQ(obj_count(), c.renewed || !c.with_object ? 0 : 1);
    EXPECT_EQ(g_view.kind, c.renewed ? VIEW_XY : VIEW_3D);
    EXPECT_EQ(g_last_point.x, c.renewed ? 0.0f : 1.0f);
    std::vector<std::pair<int, bool>> checks;
    if (c.renewed) checks = {{604, true}, {605, false}};
    EXPECT_EQ(g_checks, checks);
    EXPECT_EQ(g_abort_flag, 0);
  }
}

TEST_F(CadSession, CommentIsEditedAndTheDrawingRepainted) {
  std::snprintf(g_view.comment, sizeof g_view.comment, "%s", "Saal");
  g_lines = {"Saal mit B\xFChne"};
  cad_edit_comment();
  EXPECT_STREQ(g_view.comment, "Saal mit B\xFChne");
  EXPECT_EQ(g_repaints, 1);
  ASSERT_EQ(g_offered.size(), 1u);
  EXPECT_EQ(g_offered[0], "Kommentar (max. 80 Zeichen):|Saal");

  g_lines = {""};
  cad_edit_comment();
  EXPECT_STREQ(g_view.comment, "Saal mit B\xFChne");
  EXPECT_EQ(g_repaints, 1);
}

}  // namespace
