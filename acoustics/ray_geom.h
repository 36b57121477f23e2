// Geometric core of the room acoustics: polygon bounds and plane constant,
// line against face, point in face, and the specular ray tracer that follows
// a ray from face to face and records it when it passes the receiver.
#pragma once
#include <cstdint>
#include <cstdio>

#include "acoustics/ray_path.h"
#include "cad/cad_state.h"  // WorldPoint

struct DrawObject;
struct FaceEntry;

constexpr float RAY_CAPTURE_RADIUS_SQ = 0.0225f;

// State of one tracing run; the caller fills it before the first ray.
struct RayTracer {
  WorldPoint receiver;
  int order_limit;
  int min_order;              // a path is recorded from this reflection count on
  float capture_radius_sq;
  int depth;
  PathRecord path;
  PathSpool* spool;           // null: captured paths are only counted
  uint32_t captured;          // paths recorded by this tracer
  double free_path_sum;       // mean-free-path accumulators
  double free_path_segments;
  uint32_t visit_counter;     // kept across calls
  int cancelled;
  int (*progress)(void* user);  // runs every 60000 face visits; non-zero = cancel
  void* progress_user;
  WorldPoint direction;       // the current delta D
  int use_tree = 0;           // 0: the plain scan of the face table
};

void refl_polygon_normal(const DrawObject* object, uint32_t start_element, double n[3]);
void refl_face_bounds(const DrawObject* object, uint32_t start_element, float box[6]);
void refl_plane_offset(FaceEntry& face);
int refl_edge_cross_xy(const WorldPoint& e0, const WorldPoint& e1, const WorldPoint& h);
int refl_edge_cross_yz(const WorldPoint& e0, const WorldPoint& e1, const WorldPoint& h);
int refl_edge_cross_xz(const WorldPoint& e0, const WorldPoint& e1, const WorldPoint& h);
int refl_point_in_face(const FaceEntry& face, const WorldPoint& h);
int refl_intersect_face(const FaceEntry& face, const WorldPoint& a, const WorldPoint& d,
                        WorldPoint* hit);
int refl_ray_hits_face_ahead(const FaceEntry& face, const WorldPoint& a, const WorldPoint& d,
                             WorldPoint* hit);
// refl_intersect_face of table entry `face` with its projected polygon test
// (the same answers, faster).
int refl_intersect_table_face(int face, const WorldPoint& a, const WorldPoint& d, WorldPoint* hit);
void refl_trace_ray(RayTracer& tracer, const WorldPoint& start, int skip_face);
