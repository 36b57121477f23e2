// The cluster balloon: the combined field of a group of placed loudspeakers
// measured on a sphere of 100 m around their centre, turned into one new
// loudspeaker type and saved as a one-record speaker database that carries
// the group's shapes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct DrawObject;
struct SpeakerRecord;

constexpr int CLUSTER_RINGS = 35;  // polar rings 5 .. 175 degrees
constexpr int CLUSTER_SPHERE_POINTS = CLUSTER_RINGS * 72 + 2;  // and the two poles
constexpr int CLUSTER_FRONT_POLE = CLUSTER_RINGS * 72;
constexpr int CLUSTER_BACK_POLE = CLUSTER_FRONT_POLE + 1;
constexpr double CLUSTER_RADIUS = 100.0;
constexpr int CLUSTER_DESCRIPTION_CHARS = 40;
constexpr int CLUSTER_SUMMATION_MODE = 2;  // octave band

struct ClusterGroup {
  std::vector<DrawObject*> objects;  // the selected loudspeakers in list order
  double centre[3];
  double band_power[7];              // summed electrical power per band
};

void spk_cluster_group(const std::vector<DrawObject*>& objects, ClusterGroup& group);
void spk_cluster_sphere_point(int index, const double centre[3], float out[3]);
int spk_cluster_build_active(const ClusterGroup& group);
int spk_cluster_measure(const ClusterGroup& group, int summation_mode);
void spk_cluster_fill_record(const ClusterGroup& group, const char* description, SpeakerRecord& record);
uint32_t spk_cluster_shape_size(const ClusterGroup& group);
void spk_cluster_file_image(const ClusterGroup& group, const SpeakerRecord& record, std::vector<uint8_t>& out);
int spk_cluster_save(const char* path, const std::vector<uint8_t>& image, int ask_before_replacing);

// Menu command 1016 (Windows only, cluster_balloon_win.cpp).
void spk_cmd_cluster_balloon();
void spk_cluster_backup_name(const char* path, char* out, size_t out_size);
