// Aiming and arrays of placed loudspeakers: the angles toward a target
// point, the eye-view angles of the central aiming and a click's turn of
// them, the -3/-6/-9 dB footprint rings of a balloon band, and the turning
// and tilting of a loudspeaker's position about a base point.
#pragma once
#include <cstdint>

struct PlacedSpeaker;
struct SpeakerRecord;
struct DrawObject;
struct WorldPoint;

constexpr double SPK_PI = 3.141592654;
constexpr double SPK_TWO_PI = 6.283185308;
constexpr float SPK_HALF_PI_F = 1.5707964f;
constexpr double SPK_RING_STEP = 5.0 * 3.141592654 / 180.0;
constexpr int SPK_FOOTPRINT_RINGS = 3;
constexpr int SPK_FOOTPRINT_NODES = SPK_FOOTPRINT_RINGS * 72;

enum SpkTurnMode : int { SPK_TILT_XZ = 2, SPK_TURN_VERTICAL_AXIS = 3 };

void spk_aim_at(PlacedSpeaker& ps, const double target[3]);

// Central aiming: the eye of the eye view looks along the loudspeaker's axis.
void spk_eye_angles_of(const PlacedSpeaker& ps, double* eye_azimuth, double* eye_elevation);
void spk_angles_from_eye(PlacedSpeaker& ps, double eye_azimuth, double eye_elevation);
int spk_eye_turn_toward(double* eye_azimuth, double* eye_elevation, int dx, int dy, int client_width);

void spk_footprint_nodes(const SpeakerRecord& type, int band, double azimuth_offset, WorldPoint* nodes);

void spk_rotate_about_point(PlacedSpeaker* ps, double angle, double bx, double by, double bz, int mode);
double spk_wrap_half_turn(double angle);
void spk_turn_array_member(PlacedSpeaker& ps, DrawObject* object, double angle, const double base[3]);
void spk_tilt_array_member(PlacedSpeaker& ps, double angle, const double base[3]);

// Menu commands 1012, 1015, 1017 and 1018 (Windows only, speaker_aiming_win.cpp).
void spk_cmd_aim_at_target();
void spk_cmd_aim_central();
void spk_cmd_rotate_array();
void spk_cmd_tilt_array();
