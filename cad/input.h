// Pointer input: the cursor state that interactive commands read, coordinate
// and point snapping, typed points, hit tests and the selection loops.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"

struct DrawObject;

// Rectangle of a selection test, screen pixels, edges included.
struct PickRect {
  int32_t left, top, right, bottom;
};

constexpr int NODE_LIST_CAPACITY = 5400;  // node pointers of one node selection
constexpr int PICK_BOX_HALF = 4;          // pick box: cursor +- 4 pixels

// Cursor shapes (the view state's cursor shape field).
enum : int16_t { CURSOR_CROSSHAIR = 0, CURSOR_PICK_BOX = 1, CURSOR_WINDOW = 2, CURSOR_ZOOM = 3 };

// Input state beside the view state.
extern int32_t g_cursor_screen_x, g_cursor_screen_y;  // where the cursor is drawn
extern int32_t g_last_mouse_x, g_last_mouse_y;        // raw position of the last move
extern WorldPoint g_base_point;                       // reference of the drag previews
extern int32_t g_window_anchor_x, g_window_anchor_y;  // first corner of a selection/zoom window
extern int32_t g_drawn_cursor_x, g_drawn_cursor_y;    // where the XOR cursor was drawn
extern bool g_cursor_on_screen;
extern bool g_cursor_suppressed;  // while set, cursor updates draw nothing
extern PickRect g_pick_rect;

// Node selection: pointers to picked nodes. Allocated by the command that
// needs it, null otherwise.
extern WorldPoint** g_node_list;
extern int32_t g_node_count;
extern int32_t g_node_capacity;
bool input_node_list_alloc(int32_t capacity);
void input_node_list_free();
bool input_node_list_add(WorldPoint* node);

// Snapping and typed points (portable).
float input_snap_coordinate(double value, double distance);
bool input_snap_candidate(int32_t mouse_x, int32_t mouse_y, int32_t node_x, int32_t node_y, int32_t& best);
WorldPoint input_relative_point(const WorldPoint& from, double dx, double dy, double dz);
WorldPoint input_polar_point(const WorldPoint& from, int view_kind, double distance, double angle);

// Flags and hit tests (portable).
void input_request_finish();
void input_request_abort();
DrawObject* input_group_end(DrawObject* object);
bool input_segment_in_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
bool input_object_touches_rect(DrawObject* object);
bool input_object_inside_rect(DrawObject* object);
int input_select_in_rect(const PickRect& rect, bool inside_mode, bool single, void (*redraw)(DrawObject*));
int input_pick_nodes_in_rect(const PickRect& rect, void (*redraw)(DrawObject*), void (*mark)(int32_t x, int32_t y));
int input_clear_selection(void (*redraw)(DrawObject*));

