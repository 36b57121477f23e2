#include "design/speaker_aiming.h"

#include <cmath>

#include "cad/obj_store.h"
#include "speakers/speaker_model.h"
#include "speakers/speaker_record.h"

namespace {

constexpr double HALF_PI = SPK_PI / 2.0;
constexpr double VERTICAL_DX = 0.001;       // closer to the vertical the horizontal angle is a quarter turn
constexpr double LEVEL_GUARD = 1e-9;        // keeps a target straight above defined
constexpr double LOWEST_AZIMUTH = -4.712388981;
constexpr double RING_GAP = 0.0175;         // rings never coincide
constexpr int FOOTPRINT_SEARCH_RINGS = 17;  // the footprint looks 80 degrees from the axis
constexpr int AXIS_HALF_BYTES = 1332;       // rings 0 to 17 and half of ring 18

int byte_at(const uint8_t* grid, int ring, int azimuth) { return grid[ring * SPK_BALLOON_COLS + azimuth]; }

// Polar angle of ring k (falls of 3k dB) at one azimuth.
double ring_angle(const uint8_t* grid, int azimuth, int k, int mx, double lmax) {
  int r0 = 0;
  for (int r = 1; r < FOOTPRINT_SEARCH_RINGS; ++r)
    if (byte_at(grid, r, azimuth) > byte_at(grid, r0, azimuth)) r0 = r;
  for (int r = r0; r < FOOTPRINT_SEARCH_RINGS; ++r) {
    int b = byte_at(grid, r, azimuth);
    if (b > mx - 15 * k) continue;
    double level = (b - 225) / 5.0;
    return std::fabs(r * SPK_RING_STEP * (3.0 * k / (level - lmax)));
  }
  return HALF_PI;
}

}  // namespace

// Points the main axis at the target; the rotation angle stays.
void spk_aim_at(PlacedSpeaker& ps, const double target[3]) {
  double dx = target[0] - ps.position[0], dy = target[1] - ps.position[1], dz = target[2] - ps.position[2];
  double h;
  if (std::fabs(dx) <= VERTICAL_DX)
    h = dy >= 0 ? HALF_PI : -HALF_PI;
  else
    h = std::atan2(dy, dx);
  ps.horizontal_angle = float(h);
  ps.vertical_angle = float(std::atan2(dz, std::sqrt(dx * dx + dy * dy) + LEVEL_GUARD));
}

void spk_eye_angles_of(const PlacedSpeaker& ps, double* eye_azimuth, double* eye_elevation) {
  *eye_azimuth = -(ps.horizontal_angle + SPK_HALF_PI_F);
  *eye_elevation = ps.vertical_angle - SPK_HALF_PI_F;
}

void spk_angles_from_eye(PlacedSpeaker& ps, double eye_azimuth, double eye_elevation) {
  ps.horizontal_angle = float(-(eye_azimuth + SPK_HALF_PI_F));
  ps.vertical_angle = float(eye_elevation + SPK_HALF_PI_F);
}

// A click dx, dy pixels off the screen centre turns the eye toward it, a
// quarter turn per client width; the elevation stays between straight down
// and level. A client without width turns nothing (answers 0).
int spk_eye_turn_toward(double* eye_azimuth, double* eye_elevation, int dx, int dy, int client_width) {
  if (client_width <= 0) return 0;
  double k = HALF_PI / client_width;
  double az = *eye_azimuth + k * dx;
  if (az > SPK_PI)
    az -= SPK_TWO_PI;
  else if (az < LOWEST_AZIMUTH)
    az += SPK_TWO_PI;
  double el = *eye_elevation - k * dy;
  if (el < -SPK_PI)
    el = -SPK_PI;
  else if (el > 0)
    el = 0;
  *eye_azimuth = az;
  *eye_elevation = el;
  return 1;
}

// Three rings of 72 nodes where the band's level has fallen by 3, 6 and
// 9 dB, projected for the eye view (z = cos theta + 0.1).
void spk_footprint_nodes(const SpeakerRecord& type, int band, double azimuth_offset, WorldPoint* nodes) {
  if (band < 0 || band >= SPK_BANDS) band = 3;
  const uint8_t* grid = &type.balloon[band][0][0];
  int mx = 0;
  for (int i = 0; i < AXIS_HALF_BYTES; ++i)
    if (grid[i] > mx) mx = grid[i];
  double lmax = (mx - 225) / 5.0;
  for (int a = 0; a < SPK_BALLOON_COLS; ++a) {
    double theta[SPK_FOOTPRINT_RINGS];
    for (int k = 1; k <= SPK_FOOTPRINT_RINGS; ++k) theta[k - 1] = ring_angle(grid, a, k, mx, lmax);
    if (theta[1] <= theta[0]) theta[1] = theta[0] + RING_GAP;
    if (theta[2] <= theta[1]) theta[2] = theta[1] + RING_GAP;
    double phi = a * SPK_RING_STEP + azimuth_offset - SPK_PI;
    for (int k = 0; k < SPK_FOOTPRINT_RINGS; ++k) {
      double z = std::cos(theta[k]) + 0.1;
      double s = std::sin(theta[k]);
      nodes[k * SPK_BALLOON_COLS + a] = WorldPoint{float(std::cos(phi) * s / z), float(std::sin(phi) * s / z), float(z)};
    }
  }
}

// Turns the position about the base point: mode 3 counter-clockwise about
// the vertical axis, mode 2 in the x-z plane. The angles stay.
void spk_rotate_about_point(PlacedSpeaker* ps, double angle, double bx, double by, double bz, int mode) {
  if (!ps) return;
  double a = mode == SPK_TURN_VERTICAL_AXIS ? -angle : 0.0;
  double b = mode == SPK_TILT_XZ ? angle : 0.0;
  double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
  double dx = ps->position[0] - bx, dy = ps->position[1] - by, dz = ps->position[2] - bz;
  double x = ca * cb * dx + sa * dy - ca * sb * dz;
  double y = -sa * cb * dx + ca * dy + sa * sb * dz;
  double z = sb * dx + cb * dz;
  ps->position[0] = float(bx + x);
  ps->position[1] = float(by + y);
  ps->position[2] = float(bz + z);
}

double spk_wrap_half_turn(double angle) {
  if (angle < -SPK_PI) return angle + SPK_TWO_PI;
  if (angle > SPK_PI) return angle - SPK_TWO_PI;
  return angle;
}

// One loudspeaker of a turned array: its nodes and position turn about the
// vertical through the base point, and its horizontal aim turns with them.
void spk_turn_array_member(PlacedSpeaker& ps, DrawObject* object, double angle, const double base[3]) {
  double c = std::cos(angle), s = std::sin(angle);
  if (object)
    for (uint32_t i = 0; i < object->node_count; ++i) {
      WorldPoint& n = object->nodes[i];
      double x = n.x - base[0], y = n.y - base[1];
      n.x = float(base[0] + c * x - s * y);
      n.y = float(base[1] + s * x + c * y);
    }
  spk_rotate_about_point(&ps, angle, base[0], base[1], base[2], SPK_TURN_VERTICAL_AXIS);
  ps.horizontal_angle = float(spk_wrap_half_turn(ps.horizontal_angle + angle));
}

// One loudspeaker of a tilted array: its position turns about the horizontal
// line through the base point across its own aim, and its aim rises with it.
void spk_tilt_array_member(PlacedSpeaker& ps, double angle, const double base[3]) {
  double h = ps.horizontal_angle;
  spk_rotate_about_point(&ps, -h, base[0], base[1], base[2], SPK_TURN_VERTICAL_AXIS);
  spk_rotate_about_point(&ps, angle, base[0], base[1], base[2], SPK_TILT_XZ);
  spk_rotate_about_point(&ps, h, base[0], base[1], base[2], SPK_TURN_VERTICAL_AXIS);
  ps.vertical_angle = float(spk_wrap_half_turn(ps.vertical_angle + angle));
}
