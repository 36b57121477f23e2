// Projection of object nodes into drawing-window pixels: parallel projection
// for the plane and 3D views, fisheye from the eye point (clipped at the eye
// plane) for the eye view. All output goes into fixed buffers.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"

struct DrawObject;
struct ElementCode;

constexpr int MAX_SCREEN_POINTS = 5400;     // one per node of the current object
constexpr int SCREEN_CLAMP = 8192;
// A clipped polygon gains at most one point per edge; sized for the largest
// polygon an object's 32760 element entries can hold, so nothing is cut off.
constexpr int MAX_POLYGON_POINTS = 2 * 32760 + 2;

struct ScreenPoint {
  int32_t x, y;    // pixels of the drawing window, clamped to -8192..8192
  int32_t depth;   // third view axis in thousandths
};
static_assert(sizeof(ScreenPoint) == 12);

struct PolyPoint {
  int32_t x, y;
};

struct ObjectScreenBox {
  int32_t min_x, min_y, max_x, max_y;
};

// The buffers of the current object.
ScreenPoint* view_screen_points();
extern ObjectScreenBox g_object_box;
extern int g_projected_count;          // nodes projected by view_project_object
extern WorldPoint g_eye_nodes[MAX_SCREEN_POINTS];
extern PolyPoint g_polygon_points[MAX_POLYGON_POINTS + 1];
extern int32_t g_polygon_depth_max, g_polygon_depth_min;

void view_project_object();
void view_project_object_nodes(const DrawObject* object);
void view_project_point(const WorldPoint& node);

void render_eye_setup();
WorldPoint render_to_eye(const WorldPoint& world);
void render_object_to_eye(const DrawObject* object);
bool render_in_front(const WorldPoint& eye);
WorldPoint render_clip_near(const WorldPoint& a, const WorldPoint& b);
PolyPoint render_project_fisheye(const WorldPoint& eye);
int render_clip_project_depth(const DrawObject* object, int start_element, int sign);
int render_clip_project(const DrawObject* object, int start_element);
bool render_is_back_facing(const DrawObject* object, int start_element,
                           const ScreenPoint* points);
