// libFuzzer harness of the project, map, ray-file, audio profile and WAVE
// readers: any input must be read
// or refused without a crash, a leak or a sanitizer report, and whatever is
// accepted must write and read back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "acoustics/ray_file.h"
#include "acoustics/audio_profile.h"
#include "acoustics/wav_file.h"
#include "cad/obj_store.h"
#include "framework/le_bytes.h"
#include "project/map_file.h"
#include "project/project_file.h"

namespace {

void check_project(const uint8_t* data, size_t size) {
  ProjectStage* stage = proj_stage_new();
  if (!stage) return;
  if (proj_parse(data, size, *stage) == PROJ_PARSE_OK) {
    ByteWriter once;
    proj_serialize(*stage, once);
    ProjectStage* again = proj_stage_new();
    if (proj_parse(once.buffer().data(), once.buffer().size(), *again) != PROJ_PARSE_OK) std::abort();
    ByteWriter twice;
    proj_serialize(*again, twice);
    if (twice.buffer() != once.buffer()) std::abort();
    proj_stage_free(again);
  }
  proj_stage_free(stage);
}

void check_map(const uint8_t* data, size_t size) {
  MapData map;
  ByteReader in(data, size);
  if (!mapfile_decode(in, map)) return;
  ByteWriter once;
  mapfile_encode(map, map.description, once);
  MapData back;
  ByteReader again(once.buffer().data(), once.buffer().size());
  if (!mapfile_decode(again, back)) std::abort();
  ByteWriter twice;
  mapfile_encode(back, back.description, twice);
  if (twice.buffer() != once.buffer()) std::abort();
}

// A ray file that is accepted is committed to the (otherwise empty) object
// list and must write back to bytes that read and write the same again.
std::vector<uint8_t> ray_bytes_of_list(const RayFileContents& contents) {
  ByteWriter out;
  rayfile_encode(contents.description, contents.mean_free_path, out);
  return out.buffer();
}

void check_ray_file(const uint8_t* data, size_t size) {
  obj_free_all();
  RayFileContents c;
  if (rayfile_decode(data, size, c) != RAYFILE_OK) return;
  RayFileContents shown = c;
  rayfile_commit(c);
  std::vector<uint8_t> once = ray_bytes_of_list(shown);
  obj_free_all();
  RayFileContents again;
  if (rayfile_decode(once.data(), once.size(), again) != RAYFILE_OK) std::abort();
  RayFileContents shown_again = again;
  rayfile_commit(again);
  if (ray_bytes_of_list(shown_again) != once) std::abort();
  obj_free_all();
}

void check_profile(const uint8_t* data, size_t size) {
  AudioProfile profile;
  if (!profile_decode(data, size, profile)) return;
  ByteWriter once;
  profile_encode(profile, once);
  AudioProfile back;
  if (!profile_decode(once.buffer().data(), once.buffer().size(), back)) std::abort();
  if (back.impulses.size() != profile.impulses.size() || back.trailer_count != profile.trailer_count) std::abort();
}

void check_wav(const uint8_t* data, size_t size) {
  WavFormat format{};
  std::vector<int16_t> samples;
  if (wav_decode(data, size, format, samples) != WAV_OK) return;
  ByteWriter once;
  wav_encode(format, samples.data(), samples.size(), once);
  std::vector<int16_t> back;
  if (wav_decode(once.buffer().data(), once.buffer().size(), format, back) != WAV_OK || back != samples) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  check_project(data, size);
  check_map(data, size);
  check_ray_file(data, size);
  check_profile(data, size);
  check_wav(data, size);
  return 0;
}
