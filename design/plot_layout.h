// The arithmetic of the print and plot command: the page frame of the scale
// mode, the printer transform that puts a screen box onto the page (scale or
// fitted), the triple page border and the cells of the title block.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"

struct DrawObject;

enum : int { PLOT_MODE_SCALE = 0, PLOT_MODE_FIT_WINDOW = 1, PLOT_MODE_FIT_DRAWING = 2 };

// The printer's page: printable pixels and millimetres.
struct PlotPage {
  int horz_res, vert_res, horz_size, vert_size;
};

// A box in screen pixels of the drawing window; (x0, y0) top left.
struct PlotBox {
  double x0, y0, x2, y2;
};

// What the view becomes while the page is drawn.
struct PlotTransform {
  double scale;                             // printer pixels per metre
  double screen_centre_x, screen_centre_y;  // where the view's centre lands on the page
};

// Millimetres on paper per metre in the model.
double plot_scale_factor(unsigned millimetres, unsigned metres);

// Half the page in metres at the scale factor.
void plot_frame_half_size(const PlotPage& page, double factor, double* hx, double* hy);

// The page frame: a closed quadrilateral of six nodes (node 4 keeps the half
// sizes), selected, on layer 1. Null when memory is short.
DrawObject* plot_create_frame();

// The view transform that puts the box onto the page: at the scale factor
// in the scale mode, filling 95 % of the page in the fit modes. False when
// a fit mode is given an empty box (no drawing) or one of no size at all.
bool plot_page_transform(int mode, const PlotBox& box, double view_scale, double screen_centre_x,
                         double screen_centre_y, const PlotPage& page, double factor, PlotTransform* out);

// The union of the screen boxes of all drawn objects; min above max when
// nothing is drawn.
PlotBox plot_drawing_bounds();

// Border i (0, 1, 2) of the page: five points from the top left corner,
// clockwise and closed.
struct PlotPoint {
  int x, y;
};
void plot_border_points(int border, int width, int height, PlotPoint out[5]);

// The title block at the bottom right of the page: 83 cells of 120 mm.
struct PlotRect {
  int left, top, right, bottom;
};
struct PlotTitleLayout {
  int cell;        // pixels of one cell
  int row_height;  // font height r; label rows are r + 2 high
  int left;        // page width - 83 cells; the block reaches the page's right edge
  int bottom;      // page height - 1
};
PlotTitleLayout plot_title_layout(const PlotPage& page);
PlotRect plot_title_label_cell(const PlotTitleLayout& layout, int row);  // row 0 at the bottom
PlotRect plot_title_text_cell(const PlotTitleLayout& layout, int row);
PlotRect plot_title_line_row(const PlotTitleLayout& layout, int row);   // free lines, row 0 at the bottom
