// The view of a drawing: which of the five views is shown, scale, centres,
// rotation, snap and display switches; world <-> pixel mapping, layout of the
// drawing window, zoom, pan, view switches, window title and prompt line.
// The window-level work goes through ViewHost so the core runs headless.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"

struct DrawObject;
struct DrawWindow;

enum ViewKind : int16_t { VIEW_XY = 0, VIEW_YZ = 1, VIEW_XZ = 2, VIEW_3D = 3, VIEW_EYE = 4 };

constexpr int VIEW_MARGIN_LEFT = 32;
constexpr int VIEW_MARGIN_TOP = 24;
constexpr int VIEW_MARGIN_RIGHT = 32;
constexpr int VIEW_MARGIN_BOTTOM = 24;
constexpr int PROMPT_LINE_HEIGHT = 24;
constexpr int VIEW_COMMENT_CHARS = 80;
constexpr int VIEW_PROMPT_CHARS = 256;
constexpr int VIEW_TITLE_CHARS = 260;
constexpr float VIEW_ROTATION_STEP = 0.08726646f;  // 5 degrees
constexpr float VIEW_EYE_AZIMUTH_WRAP = 4.712388981f;  // 3 pi / 2

struct ViewState {
  int16_t kind;                    // ViewKind
  float scale;                     // pixels per metre
  float aspect;                    // vertical factor of the window zooms
  float centre_x, centre_y;        // world point at the screen centre, in the view's axes
  float remembered_centre[5][2];   // centre per view kind
  float screen_centre_x, screen_centre_y;  // drawing client width / 2, height / 2
  double rotation[3][3];           // built from angle_a, angle_b by view_update_rotation
  float angle_a, angle_b;          // current tilt and turn
  float angle_3d_a, angle_3d_b;    // the user's angles of the 3D view
  float rotation_step;
  float eye_elevation, eye_azimuth;
  WorldPoint eye_point;
  int32_t pending_pan_x, pending_pan_y;  // pixels the next relayout applies
  int32_t hidden_mode;             // 0 wireframe, 1 hidden-face
  int32_t coord_snap;              // screen-to-world cut to snap_distance
  float snap_distance;
  int32_t point_snap;              // cursor jumps to nodes of snap_layer
  double node_snap_distance;       // pixels
  int32_t snap_layer;
  int32_t current_layer;           // layer of new objects and of selection
  float grid_size;
  int16_t circle_segments;
  int16_t cursor_shape;            // 0 crosshair, 1 pick box, 2 window, 3 zoom box
  int32_t rubber_line;             // flags drawn with the cursor / by the renderer
  int32_t drag_preview;
  int32_t node_boxes;
  int16_t selected_pen;            // palette indices
  int16_t crosshair_pen;
  int16_t current_colour;
  char comment[VIEW_COMMENT_CHARS + 1];
  int32_t busy;                    // a redraw runs
  int32_t zoomed_all;              // 1 after zoom-all, 0 after any other relayout
  // Layout as measured by the last relayout.
  int32_t main_width, main_height;    // main window client size
  int32_t window_width, window_height;  // drawing window client size
  int32_t scroll_step_x, scroll_step_y;
};

extern ViewState g_view;

// Window-level services of the view. The Win32 layer installs the real ones
// when the drawing window is set; the defaults work headless on a fixed size.
struct ViewHost {
  void (*main_client_size)(int* width, int* height);
  // Moves the drawing window, repaints it and returns its new client size.
  void (*place_drawing_window)(int x, int y, int width, int height, int* client_width,
                               int* client_height);
  void (*reset_scroll_bars)();
  void (*update_cursor)(int show);   // XOR cursor off (0) / on (1)
  void (*draw_prompt)(const char* text);  // clear the prompt line and write text
  void (*set_title)(const char* text);
  void (*wait_event)();              // wait for one input event
  void (*enable_menus)(int on);      // main menu bar positions 0 to 8
  void (*clear_drawing_window)();    // white, whatever the current target is
  void (*check_menu_item)(int id, bool on);  // check mark of a main menu item
  void (*repaint_drawing_window)();  // paint it again later, without erasing
};
ViewHost& view_host();
void view_reset_host();
void view_set_headless_size(int main_width, int main_height);

// Defaults of a new drawing (the remembered centres and the eye point stay).
void view_new_drawing_defaults();

int32_t view_world_to_screen(float value, int horizontal);
float view_screen_to_world(int32_t pixel, int horizontal);
float view_snap_value(double value);
void view_update_rotation();
void view_set_angles();
void view_get_margins(int* left, int* top, int* right, int* bottom);
void view_relayout();

void view_pan_half_x(int direction);
void view_pan_half_y(int direction);
void view_pan_percent_x(int n);
void view_pan_percent_y(int n);

void view_set_xy();
void view_set_yz();
void view_set_xz();
void view_set_3d();
void view_zoom_out();
void view_zoom_all();
void view_zoom_window();
void view_zoom_in_interactive();
void view_rotate_3d_key(int key);
void view_rotate_eye(int code);
void view_pick_eye_point();

struct ScreenBox {
  float min_x, min_y, max_x, max_y;
};
ScreenBox view_object_extents(const DrawObject* object);
ScreenBox view_scene_extents();
// Scale and centre that fit a screen box of the current view into an area of
// width x height pixels around the screen centre, filling `fill` of it; the
// one fit of every window that shows the model. ratio_divisor_extra is 0 for
// zoom all, 1 for the window zooms.
void view_fit_into(ScreenBox box, int width, int height, float fill, int ratio_divisor_extra);
// The same into the drawing window, remembered for the views sharing an
// axis and laid out: the zoom-all and window-zoom core.
void view_fit_box(ScreenBox box, float fill, int ratio_divisor_extra);
// The whole model's extents, at least a pixel each way: what zoom all fits.
ScreenBox view_scene_fit_extents();

DrawWindow* view_set_drawing_window(DrawWindow* window);  // Win32: also installs the host
DrawWindow* view_set_drawing_window_record(DrawWindow* window);
DrawWindow* view_drawing_window();

// Title: base + " > " + the project path in upper case (converted in place).
void view_set_title_base(const char* text);
void view_set_title_path(char* project_path);
void view_update_title();
const char* view_title();

// Prompt line: the running command's prefix and its last prompt.
extern char g_prompt_prefix[VIEW_PROMPT_CHARS];
void view_show_prompt(const char* text);
const char* view_prompt_text();
void view_clear_prompt_line();
void view_clear_drawing_window();
