#include "cad/input_win.h"

#include <windows.h>

#include <algorithm>

#include "cad/drag_preview.h"
#include "cad/edit_host.h"
#include "cad/input_wait_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/projection.h"
#include "cad/render.h"
#include "cad/view.h"
#include "framework/gfx_win.h"
#include "framework/input_dialogs.h"
#include "framework/win_frame_win.h"

namespace {

constexpr int PEN_RUBBER_LINE = 30;
constexpr int PEN_ZOOM_BOX = 18;
constexpr int PEN_NODE_MARK = 23;

// What the XOR picture on screen consists of, so that erasing draws exactly
// what was drawn even when the flags or the accepted point changed since.
struct DrawnPicture {
  bool rubber;
  int32_t anchor_x, anchor_y;
  bool preview;
} g_drawn = {false, 0, 0, false};

WorldPoint g_window_anchor_world = {0, 0, 0};

bool is_plane_view() { return g_view.kind == VIEW_XY || g_view.kind == VIEW_YZ || g_view.kind == VIEW_XZ; }

bool points_equal(const WorldPoint& a, const WorldPoint& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The view's horizontal and vertical world coordinates of a point.
void view_coordinates(const WorldPoint& p, float& h, float& v) {
  switch (g_view.kind) {
    case VIEW_YZ: h = p.y; v = p.z; break;
    case VIEW_XZ: h = p.x; v = p.z; break;
    default: h = p.x; v = p.y; break;
  }
}

void set_view_coordinates(WorldPoint& p, float h, float v) {
  switch (g_view.kind) {
    case VIEW_YZ: p.y = h; p.z = v; break;
    case VIEW_XZ: p.x = h; p.z = v; break;
    default: p.x = h; p.y = v; break;
  }
}

void place_cursor_on_point() {
  float h, v;
  view_coordinates(g_cursor_point, h, v);
  g_cursor_screen_x = view_world_to_screen(h, 1);
  g_cursor_screen_y = view_world_to_screen(v, 0);
}

bool node_is_dragged(const WorldPoint* node) {
  for (int32_t i = 0; g_node_list && i < g_node_count; ++i)
    if (g_node_list[i] == node) return true;
  return false;
}

// Point snap: the node of the snap layer nearest to the mouse within the
// node snap distance. While a preview drags objects, what is being dragged is
// left out, or the cursor would catch the very nodes that follow it.
void snap_to_node(int32_t mouse_x, int32_t mouse_y) {
  if (g_view.kind == VIEW_EYE) return;
  int32_t best = static_cast<int32_t>(g_view.node_snap_distance);
  bool dragging = g_view.drag_preview != 0;
  bool moving_nodes = dragging && cad_drag_mode() == DRAG_MOVE_NODES;
  const WorldPoint* candidate = nullptr;
  int32_t candidate_x = 0, candidate_y = 0;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer != static_cast<uint32_t>(g_view.snap_layer) || (o->attributes & OBJ_ATTR_HIDDEN_MASK)) continue;
    if (dragging && !moving_nodes && (o->attributes & OBJ_ATTR_SELECTED)) continue;
    for (uint32_t i = 0; i < o->node_count; ++i) {
      if (moving_nodes && node_is_dragged(&o->nodes[i])) continue;
      view_project_point(o->nodes[i]);
      const ScreenPoint& p = view_screen_points()[0];
      if (input_snap_candidate(mouse_x, mouse_y, p.x, p.y, best)) {
        candidate = &o->nodes[i];
        candidate_x = p.x;
        candidate_y = p.y;
      }
    }
  }
  if (!candidate) return;
  if (g_view.kind == VIEW_3D) {
    g_cursor_point = *candidate;
    g_cursor_screen_x = candidate_x;
    g_cursor_screen_y = candidate_y;
  } else {
    float h, v;
    view_coordinates(*candidate, h, v);
    set_view_coordinates(g_cursor_point, h, v);
  }
}

void draw_rubber_line(int32_t anchor_x, int32_t anchor_y, int32_t x, int32_t y) {
  int old_pen = gfx_get_pen();
  int old_rop = gfx_get_raster_op();
  gfx_set_raster_op(ROP_XOR);
  gfx_set_pen(PEN_RUBBER_LINE);
  gfx_draw_line(anchor_x, anchor_y, x, y);
  gfx_set_pen(old_pen);
  gfx_set_raster_op(old_rop);
}

void rubber_anchor(int32_t& x, int32_t& y) {
  const double(*r)[3] = g_view.rotation;
  const WorldPoint& a = g_accepted_point;
  x = view_world_to_screen(static_cast<float>(r[0][0] * a.x + r[0][1] * a.y + r[0][2] * a.z), 1);
  y = view_world_to_screen(static_cast<float>(r[1][0] * a.x + r[1][1] * a.y + r[1][2] * a.z), 0);
}

void erase_picture() {
  input_draw_cursor(g_drawn_cursor_x, g_drawn_cursor_y);
  if (g_drawn.preview) cad_draw_drag_preview(0);
  if (g_drawn.rubber) draw_rubber_line(g_drawn.anchor_x, g_drawn.anchor_y, g_drawn_cursor_x, g_drawn_cursor_y);
}

void draw_picture() {
  g_drawn.preview = g_view.drag_preview != 0;
  if (g_drawn.preview) cad_draw_drag_preview(1);
  g_drawn.rubber = g_view.rubber_line != 0;
  if (g_drawn.rubber) {
    rubber_anchor(g_drawn.anchor_x, g_drawn.anchor_y);
    draw_rubber_line(g_drawn.anchor_x, g_drawn.anchor_y, g_cursor_screen_x, g_cursor_screen_y);
  }
  input_draw_cursor(g_cursor_screen_x, g_cursor_screen_y);
  g_drawn_cursor_x = g_cursor_screen_x;
  g_drawn_cursor_y = g_cursor_screen_y;
}

void xor_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  RECT r = {left < right ? left : right, top < bottom ? top : bottom, left < right ? right : left,
            top < bottom ? bottom : top};
  gfx_draw_rect(&r, 0);
}

void redraw_object(DrawObject* object) { render_objects(object, object, 0); }

void mark_node(int32_t x, int32_t y) {
  int old_pen = gfx_get_pen();
  gfx_set_pen(PEN_NODE_MARK);
  gfx_draw_line(x - 3, y - 3, x + 4, y + 4);
  gfx_draw_line(x - 3, y + 3, x + 4, y - 4);
  gfx_set_pen(old_pen);
}

// The cursor shape changes only while it is off screen, so that the XOR
// erase draws the shape that was drawn.
void set_cursor_shape(int16_t shape) {
  if (g_view.cursor_shape == shape) return;
  bool shown = g_cursor_on_screen;
  if (shown) input_update_cursor(0);
  g_view.cursor_shape = shape;
  if (shown) input_update_cursor(1);
}

PickRect pick_box_at_cursor() {
  return {g_cursor_screen_x - PICK_BOX_HALF, g_cursor_screen_y - PICK_BOX_HALF, g_cursor_screen_x + PICK_BOX_HALF,
          g_cursor_screen_y + PICK_BOX_HALF};
}

void check_menu_pair(int on_id, int off_id, bool on) {
  HMENU menu = GetMenu(win_main_window());
  if (!menu) return;
  CheckMenuItem(menu, on_id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, off_id, MF_BYCOMMAND | (on ? MF_UNCHECKED : MF_CHECKED));
}

// A point typed after A, P or R reaches the waiting command as if clicked.
// The cursor is erased before the dialog and kept off while it is up (a
// repaint behind the dialog must not draw it); afterwards exactly one is
// drawn, at the typed point, or where it was when the dialog is cancelled.
void typed_point(int key) {
  input_update_cursor(0);
  input_enable_cursor(0);
  WorldPoint point = g_cursor_point;
  int ok = 0;
  if (key == 'A' || key == 'R') {
    double x = 0, y = 0, z = 0;
    if (key == 'A') {
      x = g_accepted_point.x;
      y = g_accepted_point.y;
      z = g_accepted_point.z;
    }
    ok = dlg_point_absolute(x, y, z, key == 'A' ? "Punkt absolut :" : "Punkt relativ :");
    if (ok) {
      point = key == 'A' ? WorldPoint{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)}
                         : input_relative_point(g_accepted_point, x, y, z);
    }
  } else {
    double distance = 0, angle = 0;
    ok = dlg_point_polar(distance, angle);
    if (ok) point = input_polar_point(g_accepted_point, g_view.kind, distance, angle);
  }
  if (ok) {
    g_cursor_point = point;
    if (is_plane_view()) place_cursor_on_point();
  }
  input_enable_cursor(1);
  input_update_cursor(1);
  if (ok) g_click_flag = 1;
}

void toggle(int32_t& flag, int on_id, int off_id) {
  flag = flag ? 0 : 1;
  check_menu_pair(on_id, off_id, flag != 0);
}

// Both selection loops end alike: prompt cleared, nothing kept after STOP,
// the crosshair back. Answers how many stay selected.
int end_selection(int total) {
  view_clear_prompt_line();
  if (g_abort_flag) {
    if (total) input_deselect_all();
    total = 0;
  }
  set_cursor_shape(CURSOR_CROSSHAIR);
  return total;
}

}  // namespace

// The view hides and shows the cursor and waits for input through its host;
// these are ours. Idempotent, so every entry point may call it.
void input_install_view_hooks() {
  ViewHost& host = view_host();
  host.update_cursor = input_update_cursor;
  host.wait_event = input_wait_event;
  input_install_edit_host();
}

// The selection loops and entry dialogs of the editing commands.
void input_install_edit_host() {
  EditHost& host = edit_host();
  host.select_objects = input_select_objects;
  host.select_nodes = input_select_nodes;
  host.input_line = dlg_input_line;
  host.point_dialog = dlg_point_absolute;
  host.text_dialog = dlg_text;
}

int32_t input_last_mouse_x() { return g_last_mouse_x; }
int32_t input_last_mouse_y() { return g_last_mouse_y; }

// Mouse move on the drawing window, and with the click flag set the click:
// the cursor point follows the mouse in the plane views (coordinate snap in
// the view's screen-to-world), point snap may pull it onto a node, and the
// crosshair is drawn on the snapped point.
void input_track_mouse(int32_t x, int32_t y) {
  input_install_view_hooks();
  if (g_click_flag) {
    bool inside = g_cursor_screen_x >= 0 && g_cursor_screen_y >= 0 && g_cursor_screen_x < g_view.main_width &&
                  g_cursor_screen_y < g_view.main_height;
    if (g_running_command != 0 && inside &&
        (g_view.cursor_shape == CURSOR_PICK_BOX || g_view.cursor_shape == CURSOR_ZOOM)) {
      g_window_anchor_x = g_cursor_screen_x;
      g_window_anchor_y = g_cursor_screen_y;
      g_window_anchor_world = g_last_point;
    } else if (g_running_command == 0 && g_repeat_command != 0) {
      g_click_flag = 0;
    }
    input_update_cursor(1);
    return;
  }
  g_last_mouse_x = x;
  g_last_mouse_y = y;
  g_cursor_screen_x = x;
  g_cursor_screen_y = y;
  switch (g_view.kind) {
    case VIEW_XY:
      g_cursor_point.x = view_screen_to_world(x, 1);
      g_cursor_point.y = view_screen_to_world(y, 0);
      break;
    case VIEW_YZ:
      g_cursor_point.y = view_screen_to_world(x, 1);
      g_cursor_point.z = view_screen_to_world(y, 0);
      break;
    case VIEW_XZ:
      g_cursor_point.x = view_screen_to_world(x, 1);
      g_cursor_point.z = view_screen_to_world(y, 0);
      break;
    default: break;
  }
  if (g_view.cursor_shape == CURSOR_CROSSHAIR && g_view.point_snap && g_obj_head) snap_to_node(x, y);
  if (g_view.cursor_shape == CURSOR_CROSSHAIR && is_plane_view()) place_cursor_on_point();
  input_update_cursor(1);
}

// Draws (1) or erases (0) the cursor with its rubber line and drag preview.
// A change of the cursor's world point counts as a move even when its pixel
// stays, so the preview is applied for every change and the dragged objects
// always end where the cursor point says.
void input_update_cursor(int show) {
  if (show && g_cursor_suppressed) return;
  if (show) {
    if (g_cursor_on_screen) {
      bool moved = g_drawn_cursor_x != g_cursor_screen_x || g_drawn_cursor_y != g_cursor_screen_y ||
                   !points_equal(g_cursor_point, g_last_point);
      if (!moved) return;
      erase_picture();
    }
    draw_picture();
    g_cursor_on_screen = true;
    g_last_point = g_cursor_point;
    panel_notify();
    return;
  }
  if (!g_cursor_on_screen) return;
  erase_picture();
  g_cursor_on_screen = false;
}

// One XOR drawing of the cursor shape at a position.
void input_draw_cursor(int32_t x, int32_t y) {
  int old_pen = gfx_get_pen();
  int old_rop = gfx_get_raster_op();
  gfx_set_raster_op(ROP_XOR);
  switch (g_view.cursor_shape) {
    case CURSOR_PICK_BOX:
      gfx_set_pen(g_view.selected_pen);
      xor_rect(x - PICK_BOX_HALF, y - PICK_BOX_HALF, x + PICK_BOX_HALF, y + PICK_BOX_HALF);
      break;
    case CURSOR_WINDOW: {
      int32_t left = g_window_anchor_x - PICK_BOX_HALF, top = g_window_anchor_y - PICK_BOX_HALF;
      gfx_set_pen(x < left || y < top ? g_view.crosshair_pen : g_view.selected_pen);
      xor_rect(left, top, x, y);
      break;
    }
    case CURSOR_ZOOM: {
      int32_t w = g_view.window_width / 4, h = g_view.window_height / 4;
      gfx_set_pen(PEN_ZOOM_BOX);
      xor_rect(x - w, y - h, x + w, y + h);
      gfx_draw_line(x - 4, y, x + 5, y);
      gfx_draw_line(x, y - 4, x, y + 5);
      break;
    }
    default:
      gfx_set_pen(g_view.crosshair_pen);
      gfx_draw_line(x, 0, x, g_view.main_height);
      gfx_draw_line(0, y, g_view.main_width, y);
      break;
  }
  gfx_set_pen(old_pen);
  gfx_set_raster_op(old_rop);
}

void input_enable_cursor(int on) { g_cursor_suppressed = on == 0; }
bool input_cursor_enabled() { return !g_cursor_suppressed; }

// Keys of the drawing and main windows.
void input_handle_key(int key) {
  input_install_view_hooks();
  bool running = g_running_command != 0;
  switch (key) {
    case VK_RETURN:
    case VK_SPACE:
      if (running)
        input_request_finish();
      else if (g_repeat_command != 0)
        PostMessageA(win_main_window(), WM_COMMAND, static_cast<WPARAM>(g_repeat_command), 0);
      break;
    case VK_ESCAPE: input_request_abort(); break;
    case 'A':
    case 'P':
    case 'R':
      if (running) typed_point(key);
      break;
    case VK_F1: view_set_xy(); break;
    case VK_F2: view_set_yz(); break;
    case VK_F3: view_set_xz(); break;
    case VK_F4: view_set_3d(); break;
    case VK_F5: view_zoom_out(); break;
    case VK_F6: view_zoom_in_interactive(); break;
    case VK_F7: view_zoom_all(); break;
    case VK_F8:
      toggle(g_view.hidden_mode, 605, 604);
      view_relayout();
      break;
    case VK_F9: toggle(g_view.coord_snap, 512, 511); break;
    case VK_F11: toggle(g_view.point_snap, 509, 508); break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      if (g_view.kind == VIEW_3D) {
        view_rotate_3d_key(key);
      } else if (g_view.kind == VIEW_EYE) {
        static const int eye_codes[] = {361, -361, 359, -359};
        view_rotate_eye(eye_codes[key - VK_LEFT]);
      }
      break;
    default: break;
  }
}

// Objects by click (pick box) or window on the current layer until OK or
// STOP. A click on empty space opens a window at the click; a window dragged
// to the left or up selects what lies inside, to the right what it touches.
int input_select_objects() {
  if (!g_obj_head) return 0;
  set_cursor_shape(CURSOR_PICK_BOX);
  input_clear_flags();
  view_show_prompt("Objekte wählen");
  int total = 0;
  for (;;) {
    input_wait_event();
    if (g_finish_flag || g_abort_flag) break;
    if (!g_click_flag) continue;
    bool pick_box = g_view.cursor_shape != CURSOR_WINDOW;
    PickRect rect = pick_box_at_cursor();
    bool inside = false;
    if (!pick_box) {
      rect = {std::min(g_window_anchor_x, g_cursor_screen_x), std::min(g_window_anchor_y, g_cursor_screen_y),
              std::max(g_window_anchor_x, g_cursor_screen_x), std::max(g_window_anchor_y, g_cursor_screen_y)};
      inside = g_cursor_screen_x < g_window_anchor_x || g_cursor_screen_y < g_window_anchor_y;
      g_accepted_point = g_window_anchor_world;
    }
    input_update_cursor(0);
    int selected = input_select_in_rect(rect, inside, pick_box, redraw_object);
    input_update_cursor(1);
    total += selected;
    if (selected == 0)
      set_cursor_shape(pick_box ? CURSOR_WINDOW : CURSOR_PICK_BOX);
    else
      set_cursor_shape(CURSOR_PICK_BOX);
  }
  return end_selection(total);
}

// Nodes by click on the current layer until OK or STOP, into the node list.
int input_select_nodes() {
  if (!g_obj_head || !g_node_list) return 0;
  set_cursor_shape(CURSOR_PICK_BOX);
  input_clear_flags();
  view_show_prompt("Knoten wählen");
  int total = 0;
  for (;;) {
    input_wait_event();
    if (g_finish_flag || g_abort_flag) break;
    if (!g_click_flag) continue;
    input_update_cursor(0);
    total += input_pick_nodes_in_rect(pick_box_at_cursor(), redraw_object, mark_node);
    input_update_cursor(1);
  }
  return end_selection(total);
}

void input_deselect_all() {
  bool shown = g_cursor_on_screen;
  input_update_cursor(0);
  input_clear_selection(redraw_object);
  if (shown) input_update_cursor(1);
}
