#include "acoustics/face_list.h"

#include <cmath>
#include <cstdio>

#include "acoustics/face_table.h"
#include "cad/obj_store.h"
#include "framework/units.h"
#include "materials/material.h"

namespace {

const char* material_name(int material) {
  static char name[sizeof(MaterialRecord::name)];
  std::snprintf(name, sizeof name, "%.*s", int(sizeof name - 1), g_material_table.records[material].name);
  return name;
}

const float* coefficients(int material) { return g_material_table.records[material].absorption; }

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string with_unit(const char* pattern, double value) { return format(pattern, value) + " " + mat_area_unit(); }

FaceBlockTexts block_texts(const AbsorptionSum& sum, const char* band_pattern, const char* area_pattern,
                           double total_area) {
  FaceBlockTexts t;
  for (int b = 0; b < FACE_LIST_BANDS; ++b) t.band[b] = format(band_pattern, sum.band[b]);
  t.area = with_unit(area_pattern, sum.area);
  t.share = format("%3.1f", mat_share_percent(sum.area, total_area)) + "%";
  return t;
}

AbsorptionSum face_absorption(const FaceEntry& face) {
  AbsorptionSum s{};
  s.area = mat_face_area(face);
  const float* alpha = coefficients(refl_face_material(face));
  for (int b = 0; b < FACE_LIST_BANDS; ++b) s.band[b] = s.area * alpha[b];
  return s;
}

void add(AbsorptionSum& to, const AbsorptionSum& s) {
  to.area += s.area;
  for (int b = 0; b < FACE_LIST_BANDS; ++b) to.band[b] += s.band[b];
}

}  // namespace

void mat_sort_face_table() { refl_sort_face_table(); }

double mat_face_area(const FaceEntry& face) {
  double area = 0.5 * std::sqrt(2.0 * double(face.mirror_divisor));
  return units_to_display(area, UNIT_AREA);
}

AbsorptionSum mat_material_absorption(int material) {
  AbsorptionSum sum{};
  for (int i = 0; i < g_face_count; ++i)
    if (refl_face_material(g_face_table[i]) == material) add(sum, face_absorption(g_face_table[i]));
  return sum;
}

AbsorptionSum mat_total_absorption() {
  AbsorptionSum sum{};
  for (int i = 0; i < g_face_count; ++i) add(sum, face_absorption(g_face_table[i]));
  return sum;
}

double mat_share_percent(double part, double total) { return total > 0.0 ? part / total * 100.0 : 0.0; }

const char* mat_area_unit() { return g_unit_feet ? "ft²" : "m²"; }

void mat_format_face_row(char* buffer, size_t size, int entry) {
  const FaceEntry& face = g_face_table[entry];
  std::snprintf(buffer, size, "%03d\t%7.1f\t%s", entry + 1, mat_face_area(face),
                material_name(refl_face_material(face)));
}

// Every element but a material entry counts one node, from the start up to
// the closing element or, for an open run, up to the next start.
void mat_face_marker_points(const FaceEntry& face, WorldPoint* centre, WorldPoint* tip) {
  const DrawObject* o = face.owner;
  uint32_t start = uint32_t(face.polygon_start - o->elements);
  double sum[3] = {0, 0, 0};
  int n = 0;
  for (uint32_t i = start; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (i > start && e.code == EL_START) break;
    if (e.code == EL_MATERIAL || e.code > EL_CLOSE || e.value >= o->node_count) continue;
    const WorldPoint& p = o->nodes[e.value];
    sum[0] += p.x, sum[1] += p.y, sum[2] += p.z;
    ++n;
    if (e.code == EL_CLOSE) break;
  }
  if (n == 0) n = 1;
  *centre = WorldPoint{float(sum[0] / n), float(sum[1] / n), float(sum[2] / n)};
  double root = 0.5 * std::sqrt(double(face.mirror_divisor));
  double k = root > 0.0 ? 1.0 / root : 0.0;
  *tip = WorldPoint{float(centre->x - face.nx * k), float(centre->y - face.ny * k), float(centre->z - face.nz * k)};
}

FaceBlockTexts mat_face_texts(int entry) {
  return block_texts(face_absorption(g_face_table[entry]), "%3.1f", "%3.1f", mat_total_absorption().area);
}

FaceBlockTexts mat_material_texts(int material) {
  return block_texts(mat_material_absorption(material), "%7.1f", "%3.1f", mat_total_absorption().area);
}

FaceBlockTexts mat_room_texts() {
  AbsorptionSum total = mat_total_absorption();
  return block_texts(total, "%5.1f", "%5.1f", total.area);
}

// ---------------------------------------------------------------- printout

namespace {

constexpr int LIST_X = 100;
const char* const BAND_TITLES[FACE_LIST_BANDS] = {"Sa 125", "Sa 250", "Sa 500", "Sa 1 k", "Sa 2 k", "Sa 4 k", "Sa 8 k"};
const char* const BOX_TITLES[6] = {"Xmin", "Xmax", "Ymin", "Ymax", "Zmin", "Zmax"};

// Column positions from x = 100, in character widths b.
struct Columns {
  int b;
  int number() const { return LIST_X; }
  int area() const { return LIST_X + 5 * b; }
  int share() const { return area() + 11 * b; }
  int material() const { return share() + 9 * b; }
  int box(int i) const { return material() + 13 * b + 7 * b * i; }
  int band(int i) const { return box(5) + 9 * b + 8 * b * i; }
  int right_edge() const { return band(FACE_LIST_BANDS - 1) + 8 * b; }
};

struct Printer {
  FacePrintLayout& out;
  Columns c;
  int a;
  double total_area;
  void text(int page, int left, int top, int width, int align, const std::string& s) {
    out.texts.push_back({page, left, top, left + width, top + a, align, s});
  }
  void line(int page, int x1, int y1, int x2, int y2) { out.lines.push_back({page, x1, y1, x2, y2}); }

  void header(int page) {
    int b = c.b;
    out.texts.push_back({page, 0, 0, 140 * b, a + 2, FACE_PRINT_CENTRE,
                         "Flächenliste - Seite " + std::to_string(page + 1)});
    int y = 2 * a;
    auto title = [&](int x, int width, int align, const std::string& s) {
      out.texts.push_back({page, x, y, x + width, 3 * a + 1, align, s});
    };
    title(c.number(), 3 * b, FACE_PRINT_LEFT, "Nr.");
    title(c.area(), 9 * b, FACE_PRINT_CENTRE, mat_area_unit());
    title(c.share(), 9 * b, FACE_PRINT_CENTRE, "Anteil");
    title(c.material(), 10 * b, FACE_PRINT_CENTRE, "Material");
    for (int i = 0; i < 6; ++i) title(c.box(i), 6 * b, FACE_PRINT_CENTRE, BOX_TITLES[i]);
    for (int i = 0; i < FACE_LIST_BANDS; ++i) title(c.band(i), 7 * b, FACE_PRINT_CENTRE, BAND_TITLES[i]);
    int left = LIST_X - b, right = c.right_edge();
    int above = 2 * a - a / 2, below = 3 * a + 1 + a / 2;
    int bottom = FACE_PRINT_ROWS_PER_PAGE * (a + 4) + 4 * a + a / 2;
    line(page, right, above, left, above);
    line(page, right, below, left, below);
    line(page, left, above, left, bottom);
    line(page, left, bottom, right, bottom);
    line(page, right, bottom, right, above);
  }

  void row(int page, int y, int k) {
    const FaceEntry& f = g_face_table[k];
    int b = c.b;
    double area = mat_face_area(f);
    char number[16];
    std::snprintf(number, sizeof number, "%3d", k + 1);
    text(page, c.number() - 2 * b, y, 5 * b, FACE_PRINT_RIGHT, number);
    text(page, c.area(), y, 9 * b, FACE_PRINT_RIGHT, format("%7.1f", area));
    text(page, c.share(), y, 7 * b, FACE_PRINT_RIGHT,
         format("%3.1f", mat_share_percent(area, total_area)) + "%");
    text(page, c.material(), y, 10 * b, FACE_PRINT_LEFT, material_name(refl_face_material(f)));
    const float box[6] = {f.x_min, f.x_max, f.y_min, f.y_max, f.z_min, f.z_max};
    for (int i = 0; i < 6; ++i)
      text(page, c.box(i), y, 6 * b, FACE_PRINT_RIGHT, format("%4.1f", units_to_display(box[i], UNIT_LENGTH)));
    AbsorptionSum s = face_absorption(f);
    for (int i = 0; i < FACE_LIST_BANDS; ++i) text(page, c.band(i), y, 7 * b, FACE_PRINT_RIGHT, format("%4.1f", s.band[i]));
  }

  void totals(int page, int y) {
    int b = c.b;
    AbsorptionSum total = mat_total_absorption();
    text(page, LIST_X - b, y, 7 * b, FACE_PRINT_CENTRE, "Total");
    text(page, c.area(), y, 9 * b, FACE_PRINT_RIGHT, format("%7.1f", total.area));
    text(page, c.area(), y, 13 * b, FACE_PRINT_RIGHT, mat_area_unit());
    text(page, c.box(0), y, 14 * b, FACE_PRINT_LEFT, "Sabine Total");
    for (int i = 0; i < FACE_LIST_BANDS; ++i)
      text(page, c.band(i), y, 7 * b, FACE_PRINT_RIGHT, format("%4.1f", total.band[i]));
  }
};

}  // namespace

FacePrintLayout mat_layout_face_print(int horz_res) {
  FacePrintLayout out{};
  int a = horz_res >= 4600 ? 72 : horz_res >= 2300 ? 36 : 18;
  int b = horz_res >= 4600 ? 32 : horz_res >= 2300 ? 16 : 8;
  out.text_height = a;
  out.char_width = b;
  Printer p{out, Columns{b}, a, mat_total_absorption().area};
  int page = 0, slot = 0;
  p.header(0);
  for (int k = 0; k < g_face_count; ++k) {
    if (slot == FACE_PRINT_ROWS_PER_PAGE) {
      p.header(++page);
      slot = 0;
    }
    p.row(page, 4 * a + slot * (a + 4), k);
    ++slot;
  }
  p.totals(page, 4 * a + slot * (a + 4));
  out.pages = page + 1;
  return out;
}
