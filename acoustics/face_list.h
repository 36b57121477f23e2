// The face list: every room polygon of the face table with its area and
// material, the Sabine absorption (area x coefficient) of one face, of all
// faces of one material and of the whole room, the list rows and the
// printed list. Areas are in the display unit (m² or ft²).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "cad/cad_state.h"  // WorldPoint

struct FaceEntry;

constexpr int FACE_LIST_BANDS = 7;

// A total area and per band the sum of area x absorption coefficient.
struct AbsorptionSum {
  double area;
  double band[FACE_LIST_BANDS];
};

// The face table sorted for the list: larger faces first, equal ones lower
// (z, then y, then x) first.
void mat_sort_face_table();
double mat_face_area(const FaceEntry& face);
AbsorptionSum mat_material_absorption(int material);
AbsorptionSum mat_total_absorption();
// part of total in percent; 0 when the total is not positive.
double mat_share_percent(double part, double total);
// "%03d\t%7.1f\t" number, area, then the material name.
void mat_format_face_row(char* buffer, size_t size, int entry);
// Centre of the polygon's nodes and the tip of a normal marker 2 sqrt(2)
// long pointing against the face's normal vector.
void mat_face_marker_points(const FaceEntry& face, WorldPoint* centre, WorldPoint* tip);

// The texts of the list's fields.
struct FaceBlockTexts {
  std::string band[FACE_LIST_BANDS];
  std::string area, share;
};
FaceBlockTexts mat_face_texts(int entry);              // 201-209
FaceBlockTexts mat_material_texts(int material);       // 301-309
FaceBlockTexts mat_room_texts();                       // 401-407 and 501
const char* mat_area_unit();                           // "m²" or "ft²"

// The printed list, laid out in printer pixels: texts in cells and lines,
// each on its page (0-based).
enum : int { FACE_PRINT_LEFT = 0, FACE_PRINT_CENTRE = 1, FACE_PRINT_RIGHT = 2 };
struct FacePrintText {
  int page;
  int left, top, right, bottom;
  int align;
  std::string text;
};
struct FacePrintLine {
  int page;
  int x1, y1, x2, y2;
};
struct FacePrintLayout {
  int text_height, char_width;  // a and b
  int pages;
  std::vector<FacePrintText> texts;
  std::vector<FacePrintLine> lines;
};
constexpr int FACE_PRINT_ROWS_PER_PAGE = 72;
FacePrintLayout mat_layout_face_print(int horz_res);
