#include "cad/draw_cmds.h"

bool cad_points_coincide(const WorldPoint& a, const WorldPoint& b) {
  double dx = static_cast<double>(a.x) - b.x;
  double dy = static_cast<double>(a.y) - b.y;
  double dz = static_cast<double>(a.z) - b.z;
  return dx * dx + dy * dy + dz * dz < 1e-6;
}
