#include "design/project_file.h"

#include <cstdlib>
#include <cstring>

#include "framework/le_bytes.h"

const char PROJECT_SIGNATURE[PROJECT_SIGNATURE_BYTES] = "ORVANTE V2.80  ";

ProjectHeader g_project_header = {};
char g_project_path[PROJECT_PATH_CHARS] = "PROJEKT1.OPR";
char g_project_start_directory[PROJECT_PATH_CHARS] = "";
ProjectHook proj_recent_project_hook = nullptr;

bool proj_has_signature(const ProjectHeader& header) {
  return std::memcmp(header.signature, PROJECT_SIGNATURE, 9) == 0;
}

// "2.80" gives 280, "1.27" gives 127; anything unreadable gives 0.
int proj_signature_version(const ProjectHeader& header) {
  char text[5];
  std::memcpy(text, header.signature + 9, 4);
  text[4] = 0;
  double v = std::atof(text);
  if (!(v > 0.0 && v < 100.0)) return 0;
  return static_cast<int>(v * 100.0 + 1e-9);
}

void proj_encode_header(const ProjectHeader& h, uint8_t* out) {
  std::memset(out, 0, PROJECT_HEADER_BYTES);
  std::memcpy(out, h.signature, PROJECT_SIGNATURE_BYTES);
  out[16] = h.rt60_method;
  std::memcpy(out + 17, h.reserved_17, 3);
  le_put_u16(out + 20, static_cast<uint16_t>(h.view));
  le_put_f32(out + 22, h.snap_width);
  le_put_u16(out + 26, h.snap_on);
  le_put_f32(out + 28, h.node_snap_radius);
  le_put_u16(out + 32, h.node_snap_on);
  for (int b = 0; b < 7; ++b) le_put_f32(out + 34 + 4 * b, h.measured_rt[b]);
  le_put_f32(out + 62, h.grid_size);
  std::memcpy(out + 66, h.reserved_66, 24);
  for (int i = 0; i < 6; ++i) le_put_u16(out + 90 + 2 * i, static_cast<uint16_t>(h.calc_options[i]));
}

void proj_decode_header(const uint8_t* in, ProjectHeader& h) {
  std::memcpy(h.signature, in, PROJECT_SIGNATURE_BYTES);
  h.rt60_method = in[16];
  std::memcpy(h.reserved_17, in + 17, 3);
  h.view = static_cast<int16_t>(le_get_u16(in + 20));
  h.snap_width = le_get_f32(in + 22);
  h.snap_on = le_get_u16(in + 26);
  h.node_snap_radius = le_get_f32(in + 28);
  h.node_snap_on = le_get_u16(in + 32);
  for (int b = 0; b < 7; ++b) h.measured_rt[b] = le_get_f32(in + 34 + 4 * b);
  h.grid_size = le_get_f32(in + 62);
  std::memcpy(h.reserved_66, in + 66, 24);
  for (int i = 0; i < 6; ++i) h.calc_options[i] = static_cast<int16_t>(le_get_u16(in + 90 + 2 * i));
}

void proj_default_header(ProjectHeader& h) {
  std::memset(&h, 0, sizeof h);
  std::memcpy(h.signature, PROJECT_SIGNATURE, PROJECT_SIGNATURE_BYTES);
  h.view = 3;
  h.snap_width = 0.5f;
  h.snap_on = 1;
  h.node_snap_radius = 10.0f;
  h.grid_size = 1.0f;
  const int16_t options[6] = {0, -1, 2, 7, 2, 0};
  std::memcpy(h.calc_options, options, sizeof options);
}
