#include "acoustics/audio_profile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "acoustics/echogram.h"
#include "acoustics/ray_path.h"
#include "cad/cad_state.h"
#include "cad/obj_store.h"
#include "framework/le_bytes.h"

namespace {

template <typename F>
void for_each_path(F f) {
  for (DrawObject* o = g_obj_head; o; o = o->next)
    if (rpath_is_path(o)) f(o);
}

ProfileImpulse impulse_of(const DrawObject* p, const EchogramBuffer& e, float amplitude) {
  ProfileImpulse i{};
  i.delay_ms = std::max(0.0f, rpath_time_ms(p) - e.min_time);
  i.amplitude = amplitude;
  const WorldPoint& to = p->nodes[p->node_count - 1];
  const WorldPoint& from = p->nodes[p->node_count - 2];
  i.direction[0] = to.x - from.x;
  i.direction[1] = to.y - from.y;
  i.direction[2] = to.z - from.z;
  return i;
}

void set_band_trailer(AudioProfile& out, const FreqResponse& r) {
  out.trailer_count = 1;
  for (int b = 0; b < 7; ++b) out.trailers[0][b] = float(r.magnitude[b]);
}

bool usable(float v) { return std::isfinite(v) && v >= 0.0f; }

}  // namespace

void etc_compute_frequency_response(FreqResponse& r) {
  r = FreqResponse{};
  double re[21] = {}, im[21] = {};
  for_each_path([&](DrawObject* p) {
    double t = rpath_time_ms(p) * 0.001;  // the phase needs seconds
    for (int b = 0; b < 7; ++b) {
      double v = rpath_level(p, b);
      for (int j = 0; j < 3; ++j) {
        int k = 3 * b + j;
        double w = 6.28319 * 100.0 * std::pow(1.25, k) * t;
        re[k] += v * std::cos(w);
        im[k] += v * std::sin(w);
      }
    }
  });
  double largest = 0.0;
  for (int b = 0; b < 7; ++b) {
    double m = 0.0;
    for (int j = 0; j < 3; ++j) m += std::hypot(re[3 * b + j], im[3 * b + j]);
    r.magnitude[b] = m / 3.0;
    largest = std::max(largest, r.magnitude[b]);
  }
  double sum = 0.0;
  for (double& m : r.magnitude) {
    m = largest > 0.0 ? m / largest : 0.0;
    sum += m;
  }
  for (int b = 0; b < 7; ++b) r.weight[b] = sum > 0.0 ? r.magnitude[b] / sum : 0.0;
  for_each_path([&](DrawObject* p) {
    double level = 0.0;
    for (int b = 0; b < 7; ++b) level += rpath_level(p, b) * r.weight[b];
    r.largest = std::max(r.largest, level);
  });
}

void profile_build_user(const EchogramBuffer& e, AudioProfile& out) {
  double reference = std::pow(10.0, e.max_level_db / 10.0);
  FreqResponse r;
  etc_compute_frequency_response(r);
  out.impulses.clear();
  for_each_path([&](DrawObject* p) {
    float strongest = 0.0f;
    for (int b = 0; b < 7; ++b) strongest = std::max(strongest, rpath_level(p, b));
    out.impulses.push_back(impulse_of(p, e, float(strongest / reference)));
  });
  set_band_trailer(out, r);
}

void profile_build_temp(const EchogramBuffer& e, AudioProfile& out) {
  FreqResponse r;
  etc_compute_frequency_response(r);
  out.description.clear();
  out.angle = 0.0f;
  out.impulses.clear();
  for_each_path([&](DrawObject* p) {
    double level = 0.0;
    for (int b = 0; b < 7; ++b) level += rpath_level(p, b) * r.weight[b];
    out.impulses.push_back(impulse_of(p, e, r.largest > 0.0 ? float(level / r.largest) : 0.0f));
  });
  set_band_trailer(out, r);
  out.trailer_count = 3;
  for (int b = 0; b < 7; ++b) {
    out.trailers[1][b] = e.decay_time[b];
    out.trailers[2][b] = float(std::pow(10.0, (e.reverberant[b] - e.early[b]) / 10.0));
  }
}

void profile_encode(const AudioProfile& p, ByteWriter& out) {
  char ident[PROFILE_IDENT_BYTES] = {};
  std::memcpy(ident, PROFILE_IDENT, std::strlen(PROFILE_IDENT));
  out.bytes(ident, sizeof ident);
  char description[PROFILE_DESCRIPTION_BYTES] = {};
  std::memcpy(description, p.description.data(), std::min<size_t>(p.description.size(), PROFILE_DESCRIPTION_BYTES - 1));
  out.bytes(description, sizeof description);
  out.u32(uint32_t(p.impulses.size()));
  out.f32(p.angle);
  out.u32(0);
  for (const ProfileImpulse& i : p.impulses) {
    out.f32(i.delay_ms);
    out.f32(i.amplitude);
    out.zeros(6 * 4);
    for (float d : i.direction) out.f32(d);
  }
  for (int t = 0; t < std::min(p.trailer_count, PROFILE_MAX_TRAILERS); ++t) {
    out.f32(0.0f);
    for (float v : p.trailers[t]) out.f32(v);
    out.zeros(3 * 4);
  }
}

bool profile_has_identification(const uint8_t* data, size_t size) {
  size_t n = std::strlen(PROFILE_IDENT);
  return size >= PROFILE_IDENT_BYTES && std::memcmp(data, PROFILE_IDENT, n) == 0 && data[n] == 0;
}

bool profile_decode(const uint8_t* data, size_t size, AudioProfile& out) {
  out = AudioProfile{};
  if (size < size_t(PROFILE_HEADER_BYTES)) return false;
  const char* description = reinterpret_cast<const char*>(data + PROFILE_IDENT_BYTES);
  out.description.assign(description, strnlen(description, PROFILE_DESCRIPTION_BYTES - 1));
  out.angle = le_get_f32(data + 124);
  size_t records = (size - PROFILE_HEADER_BYTES) / PROFILE_RECORD_BYTES;
  // The count is signed in the file; a negative one holds nothing.
  int32_t stated = int32_t(le_get_u32(data + 120));
  size_t count = stated < 0 ? 0 : std::min<size_t>({size_t(stated), size_t(PROFILE_MAX_IMPULSES), records});
  const uint8_t* r = data + PROFILE_HEADER_BYTES;
  for (size_t i = 0; i < count; ++i, r += PROFILE_RECORD_BYTES) {
    ProfileImpulse impulse{le_get_f32(r), le_get_f32(r + 4), {le_get_f32(r + 32), le_get_f32(r + 36), le_get_f32(r + 40)}};
    if (usable(impulse.delay_ms) && usable(impulse.amplitude)) out.impulses.push_back(impulse);
  }
  size_t trailers = std::min<size_t>(records - count, PROFILE_MAX_TRAILERS);
  out.trailer_count = int(trailers);
  for (size_t t = 0; t < trailers; ++t, r += PROFILE_RECORD_BYTES)
    for (int b = 0; b < 7; ++b) out.trailers[t][b] = le_get_f32(r + 4 + 4 * b);
  return true;
}

bool profile_write_file(const char* path, const AudioProfile& p) {
  ByteWriter bytes;
  profile_encode(p, bytes);
  std::remove(path);
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.buffer().data(), 1, bytes.buffer().size(), f) == bytes.buffer().size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) std::remove(path);
  return ok;
}

void profile_temp_name(char* out, size_t size, const char* folder, uint32_t ticks) {
  size_t n = folder ? std::strlen(folder) : 0;
  bool separator = n > 0 && folder[n - 1] != '\\' && folder[n - 1] != '/';
  std::snprintf(out, size, "%s%s%lu.tmp", n ? folder : "", separator ? "\\" : "", static_cast<unsigned long>(ticks));
}

