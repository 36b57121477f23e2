#include "cad/view.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/render.h"

ViewState g_view;
char g_prompt_prefix[VIEW_PROMPT_CHARS];

namespace {

constexpr float HALF_PI = 1.5707964f;
constexpr float PI_F = 3.1415927f;
constexpr int16_t SHAPE_CROSSHAIR = 0;
constexpr int16_t SHAPE_PICK_BOX = 1;
constexpr int16_t SHAPE_WINDOW = 2;
constexpr int16_t SHAPE_ZOOM = 3;
constexpr int KEY_LEFT = 37, KEY_UP = 38, KEY_RIGHT = 39, KEY_DOWN = 40;

int g_headless_width = 1024;
int g_headless_height = 768;
char g_title_base[VIEW_TITLE_CHARS];
char g_title[VIEW_TITLE_CHARS * 2];
char* g_title_path = nullptr;
char g_prompt[VIEW_PROMPT_CHARS * 2];
DrawWindow* g_drawing_window = nullptr;

void headless_main_size(int* width, int* height) {
  *width = g_headless_width;
  *height = g_headless_height;
}
void headless_place(int, int, int width, int height, int* client_width, int* client_height) {
  *client_width = width > 0 ? width : 0;
  *client_height = height > 0 ? height : 0;
}
void headless_nothing() {}
void headless_cursor(int) {}
void headless_text(const char*) {}
// Headless waits end at once as STOP, so no loop can hang without a user.
void headless_wait() { g_abort_flag = 1; }
void headless_menus(int) {}
void headless_check(int, bool) {}
void headless_clear() {
  RenderTarget& t = render_target();
  t.fill_rect(0, 0, t.client_width(), t.client_height(), 30);
}

constexpr ViewHost make_headless_host() {
  return ViewHost{headless_main_size, headless_place,  headless_nothing,
                  headless_cursor,    headless_text,   headless_text,
                  headless_wait,      headless_menus,  headless_clear,
                  headless_check,     headless_nothing};
}
constinit ViewHost g_host = make_headless_host();

// Window zooms and panning keep the views that share an axis in step:
// XY and XZ share x, XY and YZ share y, YZ and XZ share z.
void store_centre_x() {
  g_view.remembered_centre[g_view.kind][0] = g_view.centre_x;
  if (g_view.kind == VIEW_XY) g_view.remembered_centre[VIEW_XZ][0] = g_view.centre_x;
  if (g_view.kind == VIEW_YZ) g_view.remembered_centre[VIEW_XY][1] = g_view.centre_x;
  if (g_view.kind == VIEW_XZ) g_view.remembered_centre[VIEW_XY][0] = g_view.centre_x;
}
void store_centre_y() {
  g_view.remembered_centre[g_view.kind][1] = g_view.centre_y;
  if (g_view.kind == VIEW_XY) g_view.remembered_centre[VIEW_YZ][0] = g_view.centre_y;
  if (g_view.kind == VIEW_YZ) g_view.remembered_centre[VIEW_XZ][1] = g_view.centre_y;
  if (g_view.kind == VIEW_XZ) g_view.remembered_centre[VIEW_YZ][1] = g_view.centre_y;
}

// The XOR cursor is taken off before its shape changes and drawn again in
// the new shape, so no stale picture stays behind.
void set_cursor_shape(int16_t shape) {
  g_host.update_cursor(0);
  g_view.cursor_shape = shape;
  g_host.update_cursor(1);
}

bool is_hidden_or_marker(const DrawObject* object) {
  return (object->attributes & OBJ_ATTR_HIDDEN_MASK) != 0 ||
         (object->kind & (OBJ_KIND_GROUP_BEGIN | OBJ_KIND_GROUP_END)) != 0;
}

// CP1252 upper case, as the title shows paths.
char upper_1252(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
  if (u == 0x9A || u == 0x9C || u == 0x9E) return static_cast<char>(u - 16);
  if (u == 0xFF) return static_cast<char>(0x9F);
  return c;
}

void copy_text(char* out, size_t capacity, const char* text) {
  std::snprintf(out, capacity, "%s", text ? text : "");
}

}  // namespace

ViewHost& view_host() { return g_host; }
void view_reset_host() { g_host = make_headless_host(); }
void view_set_headless_size(int main_width, int main_height) {
  g_headless_width = main_width;
  g_headless_height = main_height;
}

// New drawing: every field but the remembered centres and the eye point.
void view_new_drawing_defaults() {
  float centres[5][2];
  std::memcpy(centres, g_view.remembered_centre, sizeof centres);
  WorldPoint eye = g_view.eye_point;
  int main_w = g_view.main_width, main_h = g_view.main_height;
  int win_w = g_view.window_width, win_h = g_view.window_height;
  float sx = g_view.screen_centre_x, sy = g_view.screen_centre_y;
  g_view = ViewState{};
  std::memcpy(g_view.remembered_centre, centres, sizeof centres);
  g_view.eye_point = eye;
  g_view.main_width = main_w;
  g_view.main_height = main_h;
  g_view.window_width = win_w;
  g_view.window_height = win_h;
  g_view.screen_centre_x = sx;
  g_view.screen_centre_y = sy;
  g_view.kind = VIEW_3D;
  g_view.scale = 5.0f;
  g_view.aspect = 1.0f;
  g_view.rotation_step = VIEW_ROTATION_STEP;
  g_view.angle_3d_a = -5 * VIEW_ROTATION_STEP;
  g_view.angle_3d_b = 3 * VIEW_ROTATION_STEP;
  g_view.eye_elevation = -HALF_PI;
  g_view.eye_azimuth = -HALF_PI;
  g_view.coord_snap = 1;
  g_view.snap_distance = 0.5f;
  g_view.node_snap_distance = 10.0;
  g_view.grid_size = 1.0f;
  g_view.circle_segments = 36;
  g_view.selected_pen = 32;
  g_view.crosshair_pen = 31;
  view_set_angles();
  view_update_rotation();
}

// Single precision on purpose: the pixels must match the object projection.
int32_t view_world_to_screen(float value, int horizontal) {
  float pixel;
  if (horizontal) {
    float offset = g_view.screen_centre_x - g_view.centre_x * g_view.scale;
    pixel = value * g_view.scale + offset;
  } else {
    float offset = g_view.centre_y * g_view.scale + g_view.screen_centre_y;
    pixel = offset - value * g_view.scale;
  }
  if (!(pixel < 32767.0f)) return pixel != pixel ? 0 : 32767;
  if (pixel <= -32767.0f) return -32767;
  return static_cast<int32_t>(pixel);
}

// Cut toward zero to the snap distance (0.001 with the snap off or unusable).
float view_snap_value(double value) {
  double distance = 0.001;
  if (g_view.coord_snap && g_view.snap_distance > 0.0f) distance = g_view.snap_distance;
  return input_snap_coordinate(value, distance);  // exact multiples survive the binary quotient
}

float view_screen_to_world(int32_t pixel, int horizontal) {
  double scale = g_view.scale;
  double value = horizontal ? g_view.centre_x + (pixel - static_cast<double>(g_view.screen_centre_x)) / scale
                            : g_view.centre_y - (pixel - static_cast<double>(g_view.screen_centre_y)) / scale;
  return view_snap_value(value);
}

// The angles are floats, so the cosine of a right angle comes out as about
// -4e-8 instead of 0; such residues are dropped so that the plane views'
// rows are exactly their screen axes and a point straight ahead stays on
// its pixel after truncation.
static double exact_trig(double v) { return std::fabs(v) < 1e-6 ? 0.0 : v; }

void view_update_rotation() {
  double a = g_view.angle_a, b = g_view.angle_b;
  double ca = exact_trig(std::cos(a)), sa = exact_trig(std::sin(a));
  double cb = exact_trig(std::cos(b)), sb = exact_trig(std::sin(b));
  double (&r)[3][3] = g_view.rotation;
  r[0][0] = cb;      r[0][1] = -sb;     r[0][2] = 0.0;
  r[1][0] = ca * sb; r[1][1] = ca * cb; r[1][2] = -sa;
  r[2][0] = sa * sb; r[2][1] = sa * cb; r[2][2] = ca;
}

// With these angles the first two rotation rows are the screen axes of the plane views.
void view_set_angles() {
  switch (g_view.kind) {
    case VIEW_XY: g_view.angle_a = 0.0f; g_view.angle_b = 0.0f; break;
    case VIEW_YZ: g_view.angle_a = -HALF_PI; g_view.angle_b = -HALF_PI; break;
    case VIEW_XZ: g_view.angle_a = -HALF_PI; g_view.angle_b = 0.0f; break;
    case VIEW_3D: g_view.angle_a = g_view.angle_3d_a; g_view.angle_b = g_view.angle_3d_b; break;
    default: g_view.angle_a = g_view.eye_elevation; g_view.angle_b = g_view.eye_azimuth; break;
  }
}

void view_get_margins(int* left, int* top, int* right, int* bottom) {
  *left = VIEW_MARGIN_LEFT;
  *top = VIEW_MARGIN_TOP;
  *right = VIEW_MARGIN_RIGHT;
  *bottom = VIEW_MARGIN_BOTTOM;
}

void view_relayout() {
  g_view.busy = 1;
  int w = 0, h = 0;
  g_host.main_client_size(&w, &h);
  g_view.main_width = w;
  g_view.main_height = h;
  int cw = 0, ch = 0;
  g_host.place_drawing_window(VIEW_MARGIN_LEFT, VIEW_MARGIN_TOP,
                              w - VIEW_MARGIN_LEFT - VIEW_MARGIN_RIGHT,
                              h - VIEW_MARGIN_TOP - VIEW_MARGIN_BOTTOM, &cw, &ch);
  g_view.window_width = cw;
  g_view.window_height = ch;
  g_view.scroll_step_x = w / 10 > 1 ? w / 10 : 1;
  g_view.scroll_step_y = h / 10 > 1 ? h / 10 : 1;
  g_host.update_cursor(0);
  if (g_view.pending_pan_x != 0) {
    g_view.centre_x -= g_view.pending_pan_x / g_view.scale;
    store_centre_x();
    g_view.pending_pan_x = 0;
  }
  if (g_view.pending_pan_y != 0) {
    g_view.centre_y += g_view.pending_pan_y / g_view.scale;
    store_centre_y();
    g_view.pending_pan_y = 0;
  }
  g_view.screen_centre_x = static_cast<float>(cw / 2);
  g_view.screen_centre_y = static_cast<float>(ch / 2);
  view_set_angles();
  view_update_rotation();
  int32_t hidden = g_view.hidden_mode;
  const DrawObject* first = g_render_refs.temporary_head ? g_render_refs.temporary_head : g_obj_head;
  render_objects(first, g_obj_tail, 1);
  g_view.hidden_mode = hidden;
  if (g_view.cursor_shape == SHAPE_WINDOW) g_view.cursor_shape = SHAPE_PICK_BOX;
  g_host.update_cursor(1);
  g_view.busy = 0;
  g_host.reset_scroll_bars();
  g_view.zoomed_all = 0;
  g_host.draw_prompt(g_prompt);
}

void view_pan_half_x(int direction) {
  int half = g_view.window_width / 2;
  g_view.pending_pan_x += direction >= 0 ? -half : half;
  view_relayout();
}
void view_pan_half_y(int direction) {
  int half = g_view.window_height / 2;
  g_view.pending_pan_y += direction >= 0 ? -half : half;
  view_relayout();
}
void view_pan_percent_x(int n) {
  g_view.pending_pan_x -= static_cast<int32_t>(g_view.window_width * n * 0.01);
  view_relayout();
}
void view_pan_percent_y(int n) {
  g_view.pending_pan_y -= static_cast<int32_t>(g_view.window_height * n * 0.01);
  view_relayout();
}

static void show_plane_view(ViewKind kind) {
  g_view.kind = kind;
  g_view.centre_x = g_view.remembered_centre[kind][0];
  g_view.centre_y = g_view.remembered_centre[kind][1];
  view_relayout();
}
void view_set_xy() { show_plane_view(VIEW_XY); }
void view_set_yz() { show_plane_view(VIEW_YZ); }
void view_set_xz() { show_plane_view(VIEW_XZ); }
void view_set_3d() {
  g_view.kind = VIEW_3D;
  view_set_angles();
  view_update_rotation();
  view_zoom_all();
}

void view_zoom_out() {
  if (g_view.scale > 0.001f && g_view.kind != VIEW_EYE) {
    g_view.scale *= 0.5f;
    view_relayout();
  }
}

// Parallel projection without clamping; the eye view falls back to the rotation.
ScreenBox view_object_extents(const DrawObject* object) {
  ScreenBox box{1e30f, 1e30f, -1e30f, -1e30f};
  uint32_t count = object->node_count;
  if (object->layer == LAYER_SPEAKER) count = count >= 2 ? count - 2 : 0;
  const float s = g_view.scale;
  const float ox = g_view.screen_centre_x - s * g_view.centre_x;
  const float oy = g_view.centre_y * s + g_view.screen_centre_y;
  const double (&r)[3][3] = g_view.rotation;
  for (uint32_t i = 0; i < count; ++i) {
    const WorldPoint& p = object->nodes[i];
    float h, v;
    switch (g_view.kind) {
      case VIEW_XY: h = p.x; v = p.y; break;
      case VIEW_YZ: h = p.y; v = p.z; break;
      case VIEW_XZ: h = p.x; v = p.z; break;
      default:
        h = static_cast<float>(r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z);
        v = static_cast<float>(r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z);
        break;
    }
    float x = s * h + ox, y = oy - s * v;
    if (x < box.min_x) box.min_x = x;
    if (x > box.max_x) box.max_x = x;
    if (y < box.min_y) box.min_y = y;
    if (y > box.max_y) box.max_y = y;
  }
  return box;
}

ScreenBox view_scene_extents() {
  ScreenBox box{1e30f, 1e30f, -1e30f, -1e30f};
  for (const DrawObject* o = g_obj_head; o; o = o->next) {
    if (is_hidden_or_marker(o)) continue;
    ScreenBox b = view_object_extents(o);
    if (b.min_x < box.min_x) box.min_x = b.min_x;
    if (b.max_x > box.max_x) box.max_x = b.max_x;
    if (b.min_y < box.min_y) box.min_y = b.min_y;
    if (b.max_y > box.max_y) box.max_y = b.max_y;
  }
  if (box.min_x > box.max_x || box.min_y > box.max_y) box = ScreenBox{-1, -1, 1, 1};
  return box;
}

// Scale and centre so that the box fills the window by the given fraction,
// keeping the box centre at the window centre. Ends in a relayout.
void view_fit_into(ScreenBox box, int width, int height, float fill, int ratio_divisor_extra) {
  float s = g_view.scale;
  float world_w = (box.max_x - box.min_x) / s;
  float world_h = (box.max_y - box.min_y) / s;
  float win_w = static_cast<float>(width > 0 ? width : 1);
  float win_h = static_cast<float>(height > 0 ? height : 1);
  float ratio = win_h / (win_w + static_cast<float>(ratio_divisor_extra));
  float fit = std::fabs(world_h / world_w) > ratio ? win_h / world_h : win_w / world_w;
  double x1 = g_view.centre_x + (box.min_x - g_view.screen_centre_x) / s;
  double x2 = g_view.centre_x + (box.max_x - g_view.screen_centre_x) / s;
  double y1 = g_view.centre_y - (box.min_y - g_view.screen_centre_y) / s;
  double y2 = g_view.centre_y - (box.max_y - g_view.screen_centre_y) / s;
  g_view.scale = fit * fill;
  g_view.centre_x = static_cast<float>((x1 + x2) / 2);
  g_view.centre_y = static_cast<float>(g_view.aspect * ((y1 + y2) / 2));
}

void view_fit_box(ScreenBox box, float fill, int ratio_divisor_extra) {
  view_fit_into(box, g_view.window_width, g_view.window_height, fill, ratio_divisor_extra);
  store_centre_x();
  store_centre_y();
  view_relayout();
}

ScreenBox view_scene_fit_extents() {
  ScreenBox box = view_scene_extents();
  if (box.max_x - box.min_x < 1.0f) box.max_x = box.min_x + 1.0f;
  if (box.max_y - box.min_y < 1.0f) box.max_y = box.min_y + 1.0f;
  return box;
}

void view_zoom_all() {
  if (!g_obj_head) return;
  // The fit needs the window's size: lay it out first if that never happened.
  if (g_view.window_width <= 0 || g_view.window_height <= 0) view_relayout();
  view_fit_box(view_scene_fit_extents(), 0.95f, 0);
  g_view.zoomed_all = 1;
}

static ScreenBox box_of(int x1, int y1, int x2, int y2, int least) {
  ScreenBox box{static_cast<float>(x1 < x2 ? x1 : x2), static_cast<float>(y1 < y2 ? y1 : y2),
                static_cast<float>(x1 < x2 ? x2 : x1), static_cast<float>(y1 < y2 ? y2 : y1)};
  if (box.max_x - box.min_x < least) box.max_x = box.min_x + least;
  if (box.max_y - box.min_y < least) box.max_y = box.min_y + least;
  return box;
}

// Menu 603: two clicks span the window; STOP at any time leaves the view alone.
void view_zoom_window() {
  set_cursor_shape(SHAPE_PICK_BOX);
  int corner_x = 0, corner_y = 0;
  for (int clicks = 0; clicks < 2;) {
    g_host.wait_event();
    if (g_abort_flag) {
      set_cursor_shape(SHAPE_CROSSHAIR);
      input_clear_flags();
      return;
    }
    if (!g_click_flag) continue;
    g_click_flag = 0;
    int x = g_cursor_screen_x, y = g_cursor_screen_y;
    if (clicks++ == 0) {
      corner_x = x;
      corner_y = y;
      set_cursor_shape(SHAPE_WINDOW);
    } else {
      set_cursor_shape(SHAPE_CROSSHAIR);
      view_fit_box(box_of(corner_x, corner_y, x, y, 2), 0.99f, 1);
    }
  }
  input_clear_flags();
}

// F6: each click zooms by about two around the clicked point.
void view_zoom_in_interactive() {
  static bool running = false;
  if (running || g_view.scale >= 1000.0f || g_view.kind == VIEW_EYE) return;
  running = true;
  int16_t saved_command = g_running_command;
  int16_t saved_shape = g_view.cursor_shape;
  set_cursor_shape(SHAPE_ZOOM);
  if (saved_command == 0) {
    g_host.enable_menus(0);
    g_running_command = 1;
  }
  while (true) {
    g_host.wait_event();
    if (g_finish_flag || g_abort_flag) break;
    if (g_click_flag) {
      g_click_flag = 0;
      int x = g_cursor_screen_x, y = g_cursor_screen_y;
      int qw = g_view.window_width / 4, qh = g_view.window_height / 4;
      view_fit_box(box_of(x - qw, y - qh, x + qw, y + qh, 2), 0.99f, 1);
    }
    if (g_view.scale >= 1000.0f || g_view.kind == VIEW_EYE) break;
  }
  set_cursor_shape(saved_shape != 0 ? SHAPE_PICK_BOX : SHAPE_CROSSHAIR);
  g_running_command = saved_command;
  if (saved_command == 0) g_host.enable_menus(1);
  input_clear_flags();
  g_click_flag = 0;
  g_right_click_flag = 0;
  running = false;
}

void view_rotate_3d_key(int key) {
  if (g_view.kind != VIEW_3D) return;
  float step = g_view.rotation_step;
  switch (key) {
    case KEY_LEFT: g_view.angle_3d_b -= step; break;
    case KEY_UP: g_view.angle_3d_a -= step; break;
    case KEY_RIGHT: g_view.angle_3d_b += step; break;
    case KEY_DOWN: g_view.angle_3d_a += step; break;
    default: return;
  }
  view_set_angles();
  view_update_rotation();
  view_zoom_all();
}

static void draw_eye_readouts() {
  RenderTarget& t = render_target();
  char line[64];
  t.set_back_colour(30);
  const float values[3] = {g_view.eye_point.x, g_view.eye_point.y, g_view.eye_point.z};
  const char* formats[3] = {"X: %3.3f", "Y: %3.3f", "Z: %3.3f"};
  for (int i = 0; i < 3; ++i) {
    std::snprintf(line, sizeof line, formats[i], values[i]);
    t.text_out(0, 16 * i, line);
  }
  std::snprintf(line, sizeof line, "Hor. %3.0f°", -(g_view.eye_azimuth + HALF_PI) * 180.0 / PI_F);
  t.text_out(0, 48, line);
  std::snprintf(line, sizeof line, "Ver. %3.0f°", (g_view.eye_elevation + HALF_PI) * 180.0 / PI_F);
  t.text_out(0, 64, line);
  if (g_render_refs.aim_footprint) {
    render_speaker_rings();
    std::snprintf(line, sizeof line, "%4.0f Hz", static_cast<double>(g_render_refs.aim_band_hz));
    t.text_out(0, 82, line);
  }
}

// Arrow keys and scroll bars in the eye view: codes around 360 turn the eye.
void view_rotate_eye(int code) {
  if (code >= 0) {
    g_view.eye_azimuth += (360 - code) * g_view.rotation_step;
    if (g_view.eye_azimuth > HALF_PI)
      g_view.eye_azimuth = g_view.eye_azimuth - HALF_PI - VIEW_EYE_AZIMUTH_WRAP;
    else if (g_view.eye_azimuth < -VIEW_EYE_AZIMUTH_WRAP)
      g_view.eye_azimuth = g_view.eye_azimuth + HALF_PI + VIEW_EYE_AZIMUTH_WRAP;
  } else {
    g_view.eye_elevation += (-360 - code) * g_view.rotation_step;
    if (g_view.eye_elevation < -PI_F) g_view.eye_elevation = -PI_F;
    if (g_view.eye_elevation > 0.0f) g_view.eye_elevation = 0.0f;
  }
  view_set_angles();
  view_update_rotation();
  g_host.update_cursor(0);
  view_relayout();
  g_host.update_cursor(0);
  draw_eye_readouts();
  RenderTarget& t = render_target();
  t.set_back_colour(5);
  int saved_pen = t.pen();
  t.set_pen(23);
  int cx = static_cast<int>(g_view.screen_centre_x), cy = static_cast<int>(g_view.screen_centre_y);
  t.move_to(cx - 5, cy);
  t.line_to(cx + 6, cy);
  t.move_to(cx, cy - 5);
  t.line_to(cx, cy + 6);
  t.set_pen(saved_pen);
  g_host.update_cursor(1);
}

void view_pick_eye_point() {
  g_host.wait_event();
  if (!g_abort_flag) g_view.eye_point = g_last_point;
  input_clear_flags();
}

void view_set_title_base(const char* text) { copy_text(g_title_base, sizeof g_title_base, text); }
void view_set_title_path(char* project_path) { g_title_path = project_path; }

void view_update_title() {
  if (g_title_path) {
    for (char* c = g_title_path; *c; ++c) *c = upper_1252(*c);
    std::snprintf(g_title, sizeof g_title, "%s > %s", g_title_base, g_title_path);
  } else {
    copy_text(g_title, sizeof g_title, g_title_base);
  }
  g_host.set_title(g_title);
}
const char* view_title() { return g_title; }

// An empty text during a command keeps the last prompt on the line.
void view_show_prompt(const char* text) {
  if (text && text[0]) {
    std::snprintf(g_prompt, sizeof g_prompt, "%s%s", g_prompt_prefix, text);
  } else if (g_running_command < 2) {
    copy_text(g_prompt, sizeof g_prompt, g_prompt_prefix);
  }
  g_host.draw_prompt(g_prompt);
}
const char* view_prompt_text() { return g_prompt; }

// The cleared prompt is gone for good: a later redraw (zoom, view key,
// scroll, another project) must not bring back the prompt of a command
// that has ended.
void view_clear_prompt_line() {
  g_prompt[0] = 0;
  g_host.draw_prompt("");
}

void view_clear_drawing_window() { g_host.clear_drawing_window(); }

DrawWindow* view_drawing_window() { return g_drawing_window; }
DrawWindow* view_set_drawing_window_record(DrawWindow* window) {
  DrawWindow* previous = g_drawing_window;
  g_drawing_window = window;
  return previous;
}
