// Geometric core of the room acoustics: polygon bounds and plane constant,
// line against face, point in face, and the specular ray tracer that follows
// a ray from face to face and records it when it passes the receiver.
#pragma once
#include <cstdint>
#include <cstdio>

#include "cad/cad_state.h"  // WorldPoint

struct DrawObject;
struct FaceEntry;

constexpr uint16_t PATH_TAG_SOURCE = 65534;
constexpr uint16_t PATH_TAG_RECEIVER = 65535;
constexpr int PATH_MAX_ENTRIES = 50;
constexpr int PATH_HEAD_BYTES = 14;
constexpr int PATH_ENTRY_BYTES = 14;
constexpr int PATH_SPOOL_BYTES = 64000;
constexpr float RAY_CAPTURE_RADIUS_SQ = 0.0225f;

// One point of a reflection path: the face it reflects on, or the source or
// receiver tag. Stored packed (14 bytes) in the path spool.
struct PathEntry {
  uint16_t tag;
  float x, y, z;
};

// The path under construction: its head and room for every level.
struct PathRecord {
  int16_t reflection_count;
  float rx, ry, rz;  // receiver
  PathEntry entries[PATH_MAX_ENTRIES];
};

// Paths are collected in a buffer that is written to the spool file when
// the next path would not fit.
struct PathSpool {
  uint8_t* buffer;  // PATH_SPOOL_BYTES
  uint32_t fill;
  FILE* file;
  uint32_t path_count;
  int write_failed;
};

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
void refl_trace_ray(RayTracer& tracer, const WorldPoint& start, int skip_face);
int refl_spool_path(PathSpool& spool, const PathRecord& path, int entry_count);
int refl_spool_flush(PathSpool& spool);
