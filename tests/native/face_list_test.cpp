// The face list over a small room: rows, shares and Sabine sums with faces
// that lack a material entry or name one beyond the table, the normal
// marker, and the printed layout across pages.
#include "acoustics/face_list.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "cad_fixtures.h"
#include "framework/units.h"

using namespace acoustic_model;

namespace {

void name_material(int i, const char* name, float alpha) {
  std::snprintf(g_material_table.records[i].name, sizeof g_material_table.records[i].name, "%s", name);
  for (float& a : g_material_table.records[i].absorption) a = alpha;
}

class FaceList : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    g_unit_feet = 0;
    std::memset(&g_material_table, 0, sizeof g_material_table);
    g_material_table.count = 3;
    name_material(0, "Standard", 0.1f);
    name_material(1, "Parkett", 0.2f);
    name_material(2, "Putz", 0.5f);
  }
  void TearDown() override {
    g_unit_feet = 0;
    clear_model();
  }
  // A wall 2.5 high without a material entry, width w along x at y = 0.
  DrawObject* add_bare_wall(float w) {
    DrawObject* o = fixtures::make(OBJ_KIND_FACE, {{0, 0, 0}, {0, 0, 2.5f}, {w, 0, 2.5f}, {w, 0, 0}},
                                   {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}});
    obj_append(o);
    return o;
  }
  std::vector<std::string> rows() {
    std::vector<std::string> out;
    for (int i = 0; i < g_face_count; ++i) {
      char row[64];
      mat_format_face_row(row, sizeof row, i);
      out.push_back(row);
    }
    return out;
  }
};

TEST_F(FaceList, RowsAreaShareAndMaterialOfASmallRoom) {
  add_floor(LAYER_ROOM, 0, 4, 0, 3, 0, 1);     // 12 m², Parkett
  add_floor(LAYER_ROOM, 0, 4, 0, 3, 2.5f, 2);  // 12 m², Putz, higher: listed second
  DrawObject* bare = add_bare_wall(4);         // 10 m², no material entry
  add_polygon(LAYER_ROOM, {{0, 0, 0}, {0, 3, 0}, {0, 3, 2.5f}, {0, 0, 2.5f}}, 9);  // 7.5 m², beyond the table; 41.5 m² in all
  add_floor(LAYER_LISTENER, 0, 4, 0, 3, 1.2f);  // not a room face
  std::vector<ElementCode> bare_before = fixtures::elements_of(bare);

  ASSERT_EQ(refl_build_face_table(), 4);
  mat_sort_face_table();
  EXPECT_EQ(rows(), (std::vector<std::string>{"001\t   12.0\tParkett", "002\t   12.0\tPutz", "003\t   10.0\tStandard",
                                              "004\t    7.5\tStandard"}));
  struct Block {
    int entry;
    const char* band0;
    const char* area;
    const char* share;
  };
  const Block faces[] = {{0, "2.4", "12.0 m²", "28.9%"}, {1, "6.0", "12.0 m²", "28.9%"},
                         {2, "1.0", "10.0 m²", "24.1%"}, {3, "0.8", "7.5 m²", "18.1%"}};
  for (const Block& f : faces) {
    FaceBlockTexts t = mat_face_texts(f.entry);
    EXPECT_EQ(t.band[0], f.band0) << f.entry;
    EXPECT_EQ(t.band[6], f.band0) << f.entry;
    EXPECT_EQ(t.area, f.area) << f.entry;
    EXPECT_EQ(t.share, f.share) << f.entry;
  }
  FaceBlockTexts standard = mat_material_texts(0);  // the bare wall and the one beyond the table
  EXPECT_EQ(standard.band[3], "    1.8");
  EXPECT_EQ(standard.area, "17.5 m²");
  EXPECT_EQ(standard.share, "42.2%");
  FaceBlockTexts room = mat_room_texts();
  EXPECT_EQ(room.band[0], " 10.2");
  EXPECT_EQ(room.area, " 41.5 m²");
  EXPECT_EQ(fixtures::elements_of(bare), bare_before);  // nothing written into its node references

  g_unit_feet = 1;
  EXPECT_EQ(mat_face_texts(2).area, "107.6 ft²");
  EXPECT_EQ(mat_face_texts(2).share, "24.1%");
}

TEST_F(FaceList, SharesOfNothingAreZero) {
  const double cases[][3] = {{0, 0, 0}, {5, 0, 0}, {5, -1, 0}, {5, 20, 25}};
  for (const auto& c : cases) EXPECT_EQ(mat_share_percent(c[0], c[1]), c[2]) << c[0] << " of " << c[1];
  EXPECT_EQ(refl_build_face_table(), 0);
  EXPECT_EQ(mat_room_texts().area, "  0.0 m²");
}

TEST_F(FaceList, MarkerStandsOnTheCentreAgainstTheNormal) {
  add_floor(LAYER_ROOM, 0, 2, 0, 2, 1);  // normal up, area 4
  DrawObject* o = fixtures::make(OBJ_KIND_BODY, {{0, 0, 0}, {3, 0, 0}, {3, 0, 3}},
                                 {{EL_START, 0}, {EL_LINE, 1}, {EL_CLOSE, 2}});  // no material entry
  obj_append(o);
  ASSERT_EQ(refl_build_face_table(), 2);
  mat_sort_face_table();
  struct Case {
    int entry;
    WorldPoint centre, tip;
  };
  const float r = 2.0f * std::sqrt(2.0f);
  const Case cases[] = {{1, {1, 1, 1}, {1, 1, 1 - r}}, {0, {2, 0, 1}, {2, 0 + r, 1}}};
  for (const Case& c : cases) {
    WorldPoint centre, tip;
    mat_face_marker_points(g_face_table[c.entry], &centre, &tip);
    EXPECT_NEAR(centre.x, c.centre.x, 1e-5);
    EXPECT_NEAR(centre.y, c.centre.y, 1e-5);
    EXPECT_NEAR(centre.z, c.centre.z, 1e-5);
    double length = std::hypot(tip.x - centre.x, tip.y - centre.y, tip.z - centre.z);
    EXPECT_NEAR(length, r, 1e-4) << c.entry;
    EXPECT_NEAR(std::fabs(tip.x - c.tip.x) + std::fabs(tip.y - c.tip.y) + std::fabs(tip.z - c.tip.z), 0, 1e-4)
        << c.entry;
  }
}

const FacePrintText* find_text(const FacePrintLayout& l, const std::string& text, int page) {
  for (const FacePrintText& t : l.texts)
    if (t.text == text && t.page == page) return &t;
  return nullptr;
}

TEST_F(FaceList, PrintoutOf73FacesHasTwoPagesWithTheTotalsAfterTheLast) {
  for (int i = 0; i < 73; ++i) add_floor(LAYER_ROOM, 0, 1, 0, 1, float(i), 1);  // equal areas, by height
  ASSERT_EQ(refl_build_face_table(), 73);
  mat_sort_face_table();
  FacePrintLayout l = mat_layout_face_print(2479);
  EXPECT_EQ(l.pages, 2);
  EXPECT_EQ(l.text_height, 36);
  EXPECT_EQ(l.char_width, 16);
  const int a = 36, b = 16;
  ASSERT_NE(find_text(l, "Flächenliste - Seite 2", 1), nullptr);
  const FacePrintText* n72 = find_text(l, " 72", 0);
  const FacePrintText* n73 = find_text(l, " 73", 1);
  const FacePrintText* total = find_text(l, "Total", 1);
  ASSERT_TRUE(n72 && n73 && total);
  EXPECT_EQ(n72->top, 4 * a + 71 * (a + 4));
  EXPECT_EQ(n73->top, 4 * a);
  EXPECT_EQ(total->top, 4 * a + (a + 4));
  EXPECT_EQ(n73->left, 100 - 2 * b);
  EXPECT_EQ(n73->right, 100 + 3 * b);
  const FacePrintText* sabine = find_text(l, "Sabine Total", 1);
  const FacePrintText* xmin = find_text(l, "Xmin", 1);
  ASSERT_TRUE(sabine && xmin);
  EXPECT_EQ(sabine->left, xmin->left);
  EXPECT_EQ(find_text(l, "Total", 0), nullptr);
  const FacePrintText* height = find_text(l, "72.0", 1);  // z min of the 73rd face
  ASSERT_NE(height, nullptr);
  EXPECT_EQ(height->top, n73->top);
  ASSERT_NE(find_text(l, "14.6", 1), nullptr);  // room sum 73 x 0.2
  struct Size {
    int res, a, b;
  };
  for (Size s : {Size{4600, 72, 32}, Size{4599, 36, 16}, Size{2300, 36, 16}, Size{2299, 18, 8}}) {
    FacePrintLayout sized = mat_layout_face_print(s.res);
    EXPECT_EQ(sized.text_height, s.a) << s.res;
    EXPECT_EQ(sized.char_width, s.b) << s.res;
  }
}

}  // namespace
