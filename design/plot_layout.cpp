#include "design/plot_layout.h"

#include <cmath>

#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/view.h"

namespace {
constexpr int TITLE_CELLS = 83;
constexpr int LABEL_CELLS = 11;
constexpr int TEXT_CELLS = 31;
constexpr double TITLE_WIDTH_MM = 120.0;
}  // namespace

double plot_scale_factor(unsigned millimetres, unsigned metres) {
  return metres ? static_cast<double>(millimetres) / metres : 0.0;
}

void plot_frame_half_size(const PlotPage& page, double factor, double* hx, double* hy) {
  *hx = page.horz_size * 0.5 / factor;
  *hy = page.vert_size * 0.5 / factor;
}

DrawObject* plot_create_frame() {
  DrawObject* frame = obj_create(0, 6, 4);
  if (!frame) return nullptr;
  frame->kind = OBJ_KIND_PLOT_FRAME;
  frame->attributes = OBJ_ATTR_SELECTED;
  frame->layer = LAYER_LISTENER;
  const ElementCode elements[4] = {{EL_START, 0}, {EL_LINE, 1}, {EL_LINE, 2}, {EL_CLOSE, 3}};
  for (int i = 0; i < 4; ++i) frame->elements[i] = elements[i];
  return frame;
}

bool plot_page_transform(int mode, const PlotBox& box, double view_scale, double screen_centre_x,
                         double screen_centre_y, const PlotPage& page, double factor, PlotTransform* out) {
  if (view_scale <= 0.0 || page.horz_res < 1 || page.vert_res < 1 || page.horz_size < 1) return false;
  const double s = view_scale;
  double p;
  if (mode == PLOT_MODE_SCALE) {
    if (factor <= 0.0) return false;
    p = factor * page.horz_res / page.horz_size;
  } else {
    if (box.x2 < box.x0 || box.y2 < box.y0) return false;  // nothing drawn
    const double w = std::fabs(box.x2 - box.x0) / s, h = std::fabs(box.y2 - box.y0) / s;
    if (w <= 0.0 && h <= 0.0) return false;
    const double page_ratio = static_cast<double>(page.vert_res) / page.horz_res;
    p = w > 0.0 && std::fabs(h / w) <= page_ratio ? 0.95 * page.horz_res / w : 0.95 * page.vert_res / h;
  }
  const double cx = ((box.x2 - screen_centre_x) / s + (box.x0 - screen_centre_x) / s) / 2;
  const double cy = ((screen_centre_y - box.y2) / s + (screen_centre_y - box.y0) / s) / 2;
  out->scale = p;
  out->screen_centre_x = page.horz_res * 0.5 - p * cx;
  out->screen_centre_y = page.vert_res * 0.5 + p * cy;
  return true;
}

PlotBox plot_drawing_bounds() {
  PlotBox box{32767, 32767, -32768, -32768};
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->attributes & OBJ_ATTR_HIDDEN_MASK) continue;
    obj_make_current(OBJ_MC_LOAD, o);
    view_project_object();
    if (g_projected_count == 0) continue;
    const ObjectScreenBox& b = g_object_box;
    if (b.min_x < box.x0) box.x0 = b.min_x;
    if (b.min_y < box.y0) box.y0 = b.min_y;
    if (b.max_x > box.x2) box.x2 = b.max_x;
    if (b.max_y > box.y2) box.y2 = b.max_y;
  }
  return box;
}

void plot_border_points(int border, int width, int height, PlotPoint out[5]) {
  const int i = border;
  out[0] = {i, i};
  out[1] = {width - 1 - i, i};
  out[2] = {width - 1 - i, height - 2 - i};
  out[3] = {i, height - 2 - i};
  out[4] = {i, i};
}

PlotTitleLayout plot_title_layout(const PlotPage& page) {
  PlotTitleLayout layout{};
  const double pixels_per_mm = page.horz_size > 0 ? static_cast<double>(page.horz_res) / page.horz_size : 0.0;
  layout.cell = static_cast<int>(TITLE_WIDTH_MM * pixels_per_mm / TITLE_CELLS);
  layout.row_height = static_cast<int>(layout.cell * 2.25);
  layout.left = page.horz_res - TITLE_CELLS * layout.cell;
  layout.bottom = page.vert_res - 1;
  return layout;
}

namespace {
PlotRect title_row(const PlotTitleLayout& layout, int row, int height, int left_cells, int right_cells) {
  const int bottom = layout.bottom - row * height;
  return PlotRect{layout.left + left_cells * layout.cell, bottom - height, layout.left + right_cells * layout.cell,
                  bottom};
}
}  // namespace

PlotRect plot_title_label_cell(const PlotTitleLayout& layout, int row) {
  return title_row(layout, row, layout.row_height + 2, 0, LABEL_CELLS);
}

PlotRect plot_title_text_cell(const PlotTitleLayout& layout, int row) {
  return title_row(layout, row, layout.row_height + 2, LABEL_CELLS, LABEL_CELLS + TEXT_CELLS);
}

PlotRect plot_title_line_row(const PlotTitleLayout& layout, int row) {
  return title_row(layout, row, 2 * (layout.row_height + 2), LABEL_CELLS + TEXT_CELLS, TITLE_CELLS);
}
