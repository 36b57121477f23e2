#include "cad/input.h"

#include <cmath>
#include <cstdlib>

int32_t g_cursor_screen_x = 0, g_cursor_screen_y = 0;
int32_t g_last_mouse_x = 0, g_last_mouse_y = 0;
WorldPoint g_base_point = {0, 0, 0};
int32_t g_window_anchor_x = 0, g_window_anchor_y = 0;
int32_t g_drawn_cursor_x = 0, g_drawn_cursor_y = 0;
bool g_cursor_on_screen = false;
bool g_cursor_suppressed = false;
PickRect g_pick_rect = {0, 0, 0, 0};

WorldPoint** g_node_list = nullptr;
int32_t g_node_count = 0;
int32_t g_node_capacity = 0;

// The node list of the commands that move or follow nodes; any earlier list
// is released first so a command never inherits another's pointers.
bool input_node_list_alloc(int32_t capacity) {
  input_node_list_free();
  if (capacity <= 0 || capacity > NODE_LIST_CAPACITY) return false;
  g_node_list = static_cast<WorldPoint**>(std::calloc(static_cast<size_t>(capacity), sizeof(WorldPoint*)));
  if (!g_node_list) return false;
  g_node_capacity = capacity;
  return true;
}

void input_node_list_free() {
  std::free(g_node_list);
  g_node_list = nullptr;
  g_node_count = 0;
  g_node_capacity = 0;
}

// Appends a node unless the list is full or already holds it.
bool input_node_list_add(WorldPoint* node) {
  if (!g_node_list || g_node_count >= g_node_capacity) return false;
  for (int32_t i = 0; i < g_node_count; ++i)
    if (g_node_list[i] == node) return false;
  g_node_list[g_node_count++] = node;
  return true;
}

// Cuts a coordinate toward zero to a whole multiple of the snap distance
// (0.001 with the snap off). A quotient within a millionth below a whole
// number counts as that number: 0.3 / 0.1 is 2.9999999999999996 in binary,
// and a plain cut would turn an exact multiple into the one below it.
float input_snap_coordinate(double value, double distance) {
  if (!(distance > 0.0)) distance = 0.001;
  double q = value / distance;
  double tolerance = 1e-6 * std::fmax(1.0, std::fabs(q));
  double whole = q >= 0.0 ? std::floor(q + tolerance) : std::ceil(q - tolerance);
  return static_cast<float>(whole * distance);
}

// Point snap: a node closer than best in both axes becomes the candidate and
// best shrinks to the smaller of its two distances.
bool input_snap_candidate(int32_t mouse_x, int32_t mouse_y, int32_t node_x, int32_t node_y, int32_t& best) {
  int32_t dx = std::abs(mouse_x - node_x);
  int32_t dy = std::abs(mouse_y - node_y);
  if (dx >= best || dy >= best) return false;
  best = dx < dy ? dx : dy;
  return true;
}

WorldPoint input_relative_point(const WorldPoint& from, double dx, double dy, double dz) {
  return {static_cast<float>(from.x + dx), static_cast<float>(from.y + dy), static_cast<float>(from.z + dz)};
}

// Polar entry: distance and angle laid into the plane of the view; the 3D and
// eye views take the XY plane. Only cos and sin of the angle are used, so an
// angle outside +-pi needs no reduction.
WorldPoint input_polar_point(const WorldPoint& from, int view_kind, double distance, double angle) {
  double du = distance * std::cos(angle);
  double dv = distance * std::sin(angle);
  switch (view_kind) {
    case 1: return input_relative_point(from, 0.0, du, dv);
    case 2: return input_relative_point(from, du, 0.0, dv);
    default: return input_relative_point(from, du, dv, 0.0);
  }
}

void input_request_finish() {
  if (g_running_command != 0) g_finish_flag = 1;
}

void input_request_abort() {
  if (g_running_command != 0) g_abort_flag = 1;
}
