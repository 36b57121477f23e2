// Drawing of object-list ranges in the current view: wireframe and
// hidden-face in the plane and 3D views, the painter's eye view, the plot page,
// and the overlays (grid, node boxes, pick marks, axis legend, comment).
// All drawing goes through a RenderTarget: the Win32 one calls the gfx_
// routines, tests record the primitives.
#pragma once
#include <cstdint>

#include "cad/projection.h"

struct DrawObject;

class RenderTarget {
 public:
  virtual ~RenderTarget() = default;
  virtual int client_width() = 0;
  virtual int client_height() = 0;
  virtual void set_pen(int index) = 0;
  virtual int pen() = 0;
  virtual void set_brush(int index) = 0;
  virtual void set_back_colour(int index) = 0;
  virtual void set_text_colour(int index) = 0;
  virtual void move_to(int x, int y) = 0;
  virtual void line_to(int x, int y) = 0;
  virtual void polyline(const PolyPoint* points, int count) = 0;
  // Outline: points[count] is overwritten with points[0] (room for count + 1).
  virtual void polygon(PolyPoint* points, int count, bool filled) = 0;
  virtual void rect_outline(int left, int top, int right, int bottom) = 0;
  virtual void fill_rect(int left, int top, int right, int bottom, int colour) = 0;
  virtual void text_out(int x, int y, const char* text) = 0;
  // Text centred horizontally in the strip [left, right) x [top, bottom).
  virtual void text_centred(int left, int top, int right, int bottom, const char* text,
                            int colour) = 0;
  virtual bool begin_offscreen() = 0;  // false: keep drawing on the window
  virtual void end_offscreen() = 0;    // copy to the window and drop the buffer
  virtual void set_raster_op(int mode) = 0;
  virtual int raster_op() = 0;
};

// A target that draws nothing (headless default).
RenderTarget& render_null_target();
RenderTarget& render_target();
RenderTarget* render_set_target(RenderTarget* target);  // returns the previous one

// What the renderer reads from other components; each owner fills its slot.
struct RenderRefs {
  const DrawObject* axis_cross;      // "XYZ_CROSS"; null: the loader's g_axis_cross
  const DrawObject* aim_footprint;   // rings of the central aiming command, or null
  const DrawObject* temporary_head;  // object of a running command outside the list
  const DrawObject* grid_head;       // grid line list
  // The first picked polygon of the face commands (object + start element
  // index, -1 = none) and how many polygons are picked.
  const DrawObject* first_pick_object;
  int first_pick_element;
  int face_pick_count;
  int aim_band_hz;                   // band shown with the footprint rings
  void (*draw_title_block)();        // plot page title block, drawn by the plot command
};
extern RenderRefs g_render_refs;
extern DrawObject* g_axis_cross;  // built-in axis cross, axis nodes hidden; loaded at start-up

struct RenderScreenBox {
  int32_t min_x, min_y, max_x, max_y;
};
extern RenderScreenBox g_render_screen_box;

struct EyePolygon {
  const DrawObject* object;
  int start_element;
  int32_t depth_max, depth_min;
};
constexpr int MAX_EYE_POLYGONS = 4096;

void render_objects(const DrawObject* first, const DrawObject* last, int mode);
void render_eye_view(const DrawObject* first, const DrawObject* last, int mode);
void render_plot_page(const DrawObject* first, const DrawObject* last);
void render_grid();
void render_pick_markers();
void render_highlight_first_pick();
void render_speaker_rings();
void render_axis_legend();
int render_compare_depth(const EyePolygon& a, const EyePolygon& b);
void render_sort_by_depth(int count);
int render_eye_polygon_count();
const EyePolygon* render_eye_polygons();
