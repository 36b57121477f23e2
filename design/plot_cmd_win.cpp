#include "design/plot_cmd_win.h"

#include <cstdio>
#include <cstring>

#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/projection.h"
#include "cad/render.h"
#include "cad/render_win.h"
#include "cad/view.h"
#include "design/plot_layout.h"
#include "cad/title_block.h"
#include "framework/gfx_win.h"
#include "framework/print_win.h"
#include "framework/ui_seam.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int ID_HORZ_SIZE = 102, ID_VERT_SIZE = 103, ID_METRES = 105, ID_MILLIMETRES = 106;
constexpr int ID_MODE_SCALE = 107, ID_MODE_LAST = 109;
constexpr int ID_PARAMS_OK = 110, ID_PARAMS_CANCEL = 111, ID_CAPTION = 130;
constexpr int ID_FIRST_LABEL = 101, ID_FIRST_TEXT = 110, ID_FIRST_LINE = 120, ID_CAPTION_OK = 140;
constexpr int TITLE_ROWS = 8, TITLE_LINES = 4;
constexpr int LABEL_CHARS = 10, TEXT_CHARS = 40;
constexpr int BORDERS = 3;

// Kept for the whole run.
struct PlotSettings {
  unsigned metres = 1;
  unsigned millimetres = 1;
  int mode_radio = ID_MODE_SCALE;
};
PlotSettings g_plot;

void say(const char* text) { ui_message_box(text, nullptr, UI_MB_OK | UI_MB_ICONEXCLAMATION); }

// A title-block field as text: stored fields need not end in a zero.
void field_text(const char* field, size_t size, char* out) {
  size_t n = 0;
  while (n < size && field[n]) ++n;
  std::memcpy(out, field, n);
  out[n] = '\0';
}

// --- print parameters -----------------------------------------------------

bool read_positive(HWND dialog, int id, unsigned* value) {
  BOOL ok = FALSE;
  UINT read = GetDlgItemInt(dialog, id, &ok, FALSE);
  if (!ok || read == 0) return false;
  *value = read;
  return true;
}

void init_parameters(HWND dialog) {
  const PrinterCaps& caps = print_caps();
  SetDlgItemInt(dialog, ID_HORZ_SIZE, static_cast<UINT>(caps.horz_size), TRUE);
  SetDlgItemInt(dialog, ID_VERT_SIZE, static_cast<UINT>(caps.vert_size), TRUE);
  SetDlgItemInt(dialog, ID_MILLIMETRES, g_plot.millimetres, FALSE);
  SetDlgItemInt(dialog, ID_METRES, g_plot.metres, FALSE);
  CheckRadioButton(dialog, ID_MODE_SCALE, ID_MODE_LAST, g_plot.mode_radio);
}

// The scale is checked only where it is used; a fit mode keeps the fields
// that are valid and leaves the kept ones otherwise.
void accept_parameters(HWND dialog) {
  unsigned millimetres = 0, metres = 0;
  const bool valid = read_positive(dialog, ID_MILLIMETRES, &millimetres) && read_positive(dialog, ID_METRES, &metres);
  if (!valid && g_plot.mode_radio == ID_MODE_SCALE) {
    say("Ungültiger Maßstab !");
    return;
  }
  if (valid) {
    g_plot.millimetres = millimetres;
    g_plot.metres = metres;
  }
  EndDialog(dialog, 1);
}

// --- title block ------------------------------------------------------------

void init_caption(HWND dialog) {
  char text[TEXT_CHARS + 1];
  for (int i = 0; i < TITLE_ROWS; ++i) {
    const TitleBlock::Row& row = g_title_block.rows[i];
    field_text(row.label, sizeof row.label, text);
    SetDlgItemTextA(dialog, ID_FIRST_LABEL + i, text);
    SendDlgItemMessageA(dialog, ID_FIRST_LABEL + i, EM_LIMITTEXT, LABEL_CHARS, 0);
    field_text(row.text, sizeof row.text, text);
    SetDlgItemTextA(dialog, ID_FIRST_TEXT + i, text);
    SendDlgItemMessageA(dialog, ID_FIRST_TEXT + i, EM_LIMITTEXT, TEXT_CHARS, 0);
  }
  for (int i = 0; i < TITLE_LINES; ++i) {
    field_text(g_title_block.lines[i], sizeof g_title_block.lines[i], text);
    SetDlgItemTextA(dialog, ID_FIRST_LINE + i, text);
    SendDlgItemMessageA(dialog, ID_FIRST_LINE + i, EM_LIMITTEXT, TEXT_CHARS, 0);
  }
}

// Reads an edit into a stored field of size bytes (size - 1 characters and
// zeros after them); true when the field changed.
bool read_field(HWND dialog, int id, char* field, size_t size) {
  char text[TEXT_CHARS + 1] = "";
  GetDlgItemTextA(dialog, id, text, static_cast<int>(size));
  char stored[TEXT_CHARS + 1] = "";
  std::strncpy(stored, text, size);
  bool changed = std::memcmp(stored, field, size) != 0;
  std::memcpy(field, stored, size);
  return changed;
}

void accept_caption(HWND dialog) {
  bool changed = false;
  for (int i = 0; i < TITLE_ROWS; ++i) {
    TitleBlock::Row& row = g_title_block.rows[i];
    changed |= read_field(dialog, ID_FIRST_LABEL + i, row.label, sizeof row.label);
    changed |= read_field(dialog, ID_FIRST_TEXT + i, row.text, sizeof row.text);
  }
  for (int i = 0; i < TITLE_LINES; ++i)
    changed |= read_field(dialog, ID_FIRST_LINE + i, g_title_block.lines[i], sizeof g_title_block.lines[i]);
  if (changed) g_modified = 1;  // the title block is saved with the project
}

// Drawn by the plot page renderer at the page's bottom right, in printer pixels.
void draw_title_block() {
  const PrinterCaps& caps = print_caps();
  const PlotTitleLayout layout = plot_title_layout({caps.horz_res, caps.vert_res, caps.horz_size, caps.vert_size});
  if (layout.cell <= 0) return;
  gfx_set_pen(0);
  gfx_set_brush(BRUSH_STOCK_WHITE);
  gfx_set_text_style("Arial", layout.row_height, layout.cell, 0, 0, BRUSH_STOCK_WHITE, OPAQUE);
  char text[TEXT_CHARS + 1];
  for (int i = 0; i < TITLE_ROWS; ++i) {
    const TitleBlock::Row& row = g_title_block.rows[TITLE_ROWS - 1 - i];
    const PlotRect cells[2] = {plot_title_label_cell(layout, i), plot_title_text_cell(layout, i)};
    const char* fields[2] = {row.label, row.text};
    const size_t sizes[2] = {sizeof row.label, sizeof row.text};
    for (int c = 0; c < 2; ++c) {
      const PlotRect& r = cells[c];
      RECT outline = {r.left, r.top, r.right, r.bottom};
      gfx_draw_rect(&outline, 0);
      field_text(fields[c], sizes[c], text);
      gfx_draw_text(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, text, DT_LEFT | DT_SINGLELINE);
    }
  }
  for (int i = 0; i < TITLE_LINES; ++i) {
    const PlotRect r = plot_title_line_row(layout, i);
    field_text(g_title_block.lines[TITLE_LINES - 1 - i], sizeof g_title_block.lines[0], text);
    gfx_draw_text(r.left, r.top + layout.row_height / 2, r.right, r.bottom, text, DT_CENTER | DT_SINGLELINE);
  }
  gfx_reset_text_style();
  gfx_set_pen(g_view.current_colour);
}

// --- the command ------------------------------------------------------------

void set_cursor_shape(int16_t shape) {
  input_update_cursor(0);
  g_view.cursor_shape = shape;
  input_update_cursor(1);
}

void remove_frame(DrawObject*& frame) {
  if (!frame) return;
  obj_free(frame);
  frame = nullptr;
}

PlotPage printer_page() {
  const PrinterCaps& caps = print_caps();
  return {caps.horz_res, caps.vert_res, caps.horz_size, caps.vert_size};
}

// Scale mode: the page frame follows the cursor until a click places it.
bool place_page_frame(DrawObject* frame, double factor, PlotBox* box) {
  double hx, hy;
  plot_frame_half_size(printer_page(), factor, &hx, &hy);
  frame->nodes[4] = WorldPoint{static_cast<float>(hx), static_cast<float>(hy), 0.0f};
  cad_place_print_frame(frame, g_view.kind, g_last_point);
  // The preview is on before the view is fitted, so that the redraw leaves
  // the frame to the preview instead of drawing a copy that stays behind.
  input_update_cursor(0);
  cad_set_drag_transform(DRAG_TRANSLATE);
  g_view.drag_preview = 1;
  if (g_view.kind == VIEW_3D || g_view.kind == VIEW_EYE) view_set_xy();
  view_zoom_all();
  g_base_point = g_last_point;
  view_show_prompt("Druck-Region wählen");
  input_update_cursor(1);
  input_wait_event();
  input_update_cursor(0);
  g_view.drag_preview = 0;
  cad_set_drag_transform(DRAG_TRANSLATE);
  input_update_cursor(1);
  if (g_abort_flag) return false;
  obj_make_current(OBJ_MC_LOAD, frame);
  view_project_object();
  const ScreenPoint* sp = view_screen_points();
  *box = PlotBox{static_cast<double>(sp[0].x), static_cast<double>(sp[0].y), static_cast<double>(sp[2].x),
                 static_cast<double>(sp[2].y)};
  return true;
}

// Window mode: two corners in either order.
bool pick_page_window(PlotBox* box) {
  set_cursor_shape(CURSOR_PICK_BOX);
  view_show_prompt("Druck-Fenster 1.Punkt");
  input_wait_event();
  if (g_abort_flag) {
    set_cursor_shape(CURSOR_CROSSHAIR);
    return false;
  }
  const int x1 = g_cursor_screen_x, y1 = g_cursor_screen_y;
  set_cursor_shape(CURSOR_WINDOW);
  view_show_prompt("Druck-Fenster 2.Punkt");
  input_wait_event();
  set_cursor_shape(CURSOR_CROSSHAIR);
  if (g_abort_flag) return false;
  const int x2 = g_cursor_screen_x, y2 = g_cursor_screen_y;
  *box = PlotBox{static_cast<double>(x1 < x2 ? x1 : x2), static_cast<double>(y1 < y2 ? y1 : y2),
                 static_cast<double>(x1 < x2 ? x2 : x1), static_cast<double>(y1 < y2 ? y2 : y1)};
  return true;
}

void draw_borders() {
  const PrinterCaps& caps = print_caps();
  gfx_set_pen(0);
  for (int i = 0; i < BORDERS; ++i) {
    PlotPoint p[5];
    plot_border_points(i, caps.horz_res, caps.vert_res, p);
    gfx_move_to(p[0].x, p[0].y);
    for (int k = 1; k < 5; ++k) gfx_line_to(p[k].x, p[k].y);
  }
}

// The drawing on the printer with the view moved onto the page; the view
// gets its scale and centre back whatever happens.
void print_page(int mode, const PlotBox& box, double factor) {
  PlotTransform transform;
  if (!plot_page_transform(mode, box, g_view.scale, g_view.screen_centre_x, g_view.screen_centre_y, printer_page(),
                           factor, &transform)) {
    say("Der Druckbereich ist leer.");
    return;
  }
  const float saved_scale = g_view.scale;
  const float saved_x = g_view.screen_centre_x, saved_y = g_view.screen_centre_y;
  g_view.scale = static_cast<float>(transform.scale);
  g_view.screen_centre_x = static_cast<float>(transform.screen_centre_x);
  g_view.screen_centre_y = static_cast<float>(transform.screen_centre_y);
  if (!print_start_job_gdi()) {
    say("System verweigert Zugriff auf Drucker");
  } else {
    RenderTarget* previous_target = render_set_target(&render_gdi_target());
    void (*previous_title)() = g_render_refs.draw_title_block;
    g_render_refs.draw_title_block = draw_title_block;
    render_plot_page(g_obj_head, g_obj_tail);
    g_render_refs.draw_title_block = previous_title;
    render_set_target(previous_target);
    draw_borders();
    print_end_job();
  }
  g_view.scale = saved_scale;
  g_view.screen_centre_x = saved_x;
  g_view.screen_centre_y = saved_y;
}

bool printer_has_a_page() {
  const PrinterCaps& caps = print_caps();
  if (caps.horz_size < 1 || caps.horz_res < 1) {
    say("System meldet Druckbreite 0");
    return false;
  }
  if (caps.vert_size < 1 || caps.vert_res < 1) {
    say("System meldet Druckhöhe 0");
    return false;
  }
  return true;
}

}  // namespace

INT_PTR CALLBACK plot_parameters_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      init_parameters(dialog);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      if (id >= ID_MODE_SCALE && id <= ID_MODE_LAST) {
        CheckRadioButton(dialog, ID_MODE_SCALE, ID_MODE_LAST, id);
        g_plot.mode_radio = id;
      } else if (id == ID_PARAMS_OK) {
        accept_parameters(dialog);
      } else if (id == ID_PARAMS_CANCEL || id == IDCANCEL) {
        EndDialog(dialog, 0);
      } else if (id == ID_CAPTION) {
        plot_caption_dialog(dialog);
      }
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK plot_caption_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      init_caption(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == ID_CAPTION_OK) {
        accept_caption(dialog);
        EndDialog(dialog, 1);
      } else if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, 0);
      }
      return TRUE;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
  }
  return FALSE;
}

void plot_caption_dialog(HWND parent) { win_run_dialog("PLOT_HEADER", parent, plot_caption_proc); }

int plot_parameters_dialog(unsigned* metres, unsigned* millimetres, int* mode) {
  const PrinterCaps& caps = print_caps();
  print_set_landscape(caps.horz_res > caps.vert_res ? 1 : 0);
  if (!print_dialog()) return 0;
  if (win_run_dialog("DIALOG_7", win_main_window(), plot_parameters_proc) != 1) return 0;
  *metres = g_plot.metres;
  *millimetres = g_plot.millimetres;
  *mode = g_plot.mode_radio - ID_MODE_SCALE;
  return 1;
}

void plot_command() {
  DrawObject* frame = plot_create_frame();
  if (frame) {
    obj_insert_before(frame, g_obj_head);
    obj_make_current(OBJ_MC_LOAD, frame);
  }
  unsigned metres = 1, millimetres = 1;
  int mode = PLOT_MODE_SCALE;
  bool shown = false;  // the frame was drawn in the drawing window
  if (frame && plot_parameters_dialog(&metres, &millimetres, &mode) == 1 && printer_has_a_page()) {
    const double factor = plot_scale_factor(millimetres, metres);
    PlotBox box{};
    bool chosen = false;
    if (mode == PLOT_MODE_SCALE) {
      chosen = place_page_frame(frame, factor, &box);
      shown = true;
    } else if (mode == PLOT_MODE_FIT_WINDOW) {
      remove_frame(frame);
      chosen = pick_page_window(&box);
    } else {
      remove_frame(frame);
      box = plot_drawing_bounds();
      chosen = true;
    }
    remove_frame(frame);
    if (chosen) print_page(mode, box, factor);
  }
  print_end_job();
  remove_frame(frame);
  if (shown && view_drawing_window() && view_drawing_window()->window)
    InvalidateRect(view_drawing_window()->window, nullptr, FALSE);  // no trace of the frame
  view_clear_prompt_line();
  g_finish_flag = 0;
  g_abort_flag = 0;
}
