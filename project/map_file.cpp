#include "project/map_file.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "project/calc_options.h"
#include "project/coverage_grid.h"

const char MAP_IDENTIFICATION[] = "ORVANTE MAP FILE V2.80";

int mapfile_check_magic(const uint8_t* header) {
  const size_t n = sizeof MAP_IDENTIFICATION;  // with its NUL
  return std::memcmp(header, MAP_IDENTIFICATION, n) == 0 ? 1 : 0;
}

// Units of 0.1 dB, never negative. The small allowance keeps a level read
// back from the file (10^(L/100)) from truncating to L-1 on the next save.
int16_t mapfile_level_field(float energy) {
  double e = energy > 1.0f ? static_cast<double>(energy) : 1.0;
  double level = 100.0 * std::log10(e) + 1e-4;
  if (!(level < 32767.0)) return 32767;
  return static_cast<int16_t>(level);
}

// Whole milliseconds; times beyond the field (no-arrival placeholders of
// unserved bands) are kept at its largest value instead of wrapping.
int16_t mapfile_time_field(float time_ms) {
  if (!(time_ms > -32768.0f)) return -32768;
  if (!(time_ms < 32767.0f)) return 32767;
  return static_cast<int16_t>(time_ms);
}

static void encode_area(const MapAreaRecord& r, ByteWriter& out) {
  out.u32(0);  // the object reference has no meaning outside the running program
  for (float v : {r.a, r.b, r.c, r.d, r.x_min, r.x_max, r.y_min, r.y_max, r.z_max}) out.f32(v);
}

static void encode_grid_header(const MapGridHeader& g, ByteWriter& out) {
  out.u32(g.point_count);
  for (float v : g.min_energy) out.f32(v);
  for (float v : g.max_energy) out.f32(v);
  for (float v : g.min_time) out.f32(v);
  for (int b = 0; b < MAP_BANDS - 1; ++b) out.f32(g.max_time[b]);
  uint8_t last[4];
  le_put_f32(last, g.max_time[MAP_BANDS - 1]);
  out.bytes(last, 2);  // only the low-order half of the band-6 maximum is stored
}

static void encode_point(const MapPoint& p, ByteWriter& out) {
  out.f32(p.x);
  out.f32(p.y);
  out.f32(p.z);
  for (float e : p.energy) out.i16(mapfile_level_field(e));
  for (float t : p.time) out.i16(mapfile_time_field(t));
  out.u16(p.area);
}

void mapfile_encode(const MapData& map, const char* description, ByteWriter& out) {
  uint8_t header[MAP_HEADER_BYTES] = {};
  std::memcpy(header, MAP_IDENTIFICATION, sizeof MAP_IDENTIFICATION);
  if (description) {
    size_t n = strnlen(description, MAP_DESCRIPTION_CHARS);
    std::memcpy(header + MAP_ID_BYTES, description, n);
  }
  out.bytes(header, sizeof header);
  out.i16(static_cast<int16_t>(map.areas.size()));
  out.i16(map.summation_mode);
  out.f32(map.half_spacing);
  for (uint16_t c : map.band_speaker_counts) out.u16(c);
  for (const MapAreaRecord& r : map.areas) encode_area(r, out);
  MapGridHeader grid = map.grid;
  grid.point_count = static_cast<uint32_t>(map.points.size());
  encode_grid_header(grid, out);
  for (const MapPoint& p : map.points) encode_point(p, out);
  if (!map.picks.empty()) {
    out.u32(static_cast<uint32_t>(map.picks.size()));
    for (uint16_t k : map.picks) out.u16(k);
  }
}

static bool decode_area(ByteReader& in, MapAreaRecord& r) {
  return in.u32(r.object_ref) && in.f32(r.a) && in.f32(r.b) && in.f32(r.c) && in.f32(r.d) &&
         in.f32(r.x_min) && in.f32(r.x_max) && in.f32(r.y_min) && in.f32(r.y_max) &&
         in.f32(r.z_max);
}

static bool decode_floats(ByteReader& in, float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!in.f32(v[i])) return false;
  return true;
}

static bool decode_grid_header(ByteReader& in, MapGridHeader& g, uint16_t& band6_low) {
  return in.u32(g.point_count) && decode_floats(in, g.min_energy, MAP_BANDS) &&
         decode_floats(in, g.max_energy, MAP_BANDS) && decode_floats(in, g.min_time, MAP_BANDS) &&
         decode_floats(in, g.max_time, MAP_BANDS - 1) && in.u16(band6_low);
}

static bool decode_point(ByteReader& in, MapPoint& p) {
  if (!(in.f32(p.x) && in.f32(p.y) && in.f32(p.z))) return false;
  for (float& e : p.energy) {
    int16_t level;
    if (!in.i16(level)) return false;
    e = static_cast<float>(std::pow(10.0, level / 100.0));
  }
  for (float& t : p.time) {
    int16_t ms;
    if (!in.i16(ms)) return false;
    t = static_cast<float>(ms);
  }
  return in.u16(p.area);
}

// The file keeps only the low half of the band-6 maximum time; the high half
// comes from the largest band-6 time below 10000 among the points read, so
// the value is close to the true maximum and saves back to the same bytes.
static float complete_band6_maximum(const std::vector<MapPoint>& points, uint16_t low) {
  float largest = 0.0f;
  for (const MapPoint& p : points)
    if (p.time[MAP_BANDS - 1] < 10000.0f && p.time[MAP_BANDS - 1] > largest)
      largest = p.time[MAP_BANDS - 1];
  uint8_t bytes[4];
  le_put_f32(bytes, largest);
  le_put_u16(bytes, low);
  return le_get_f32(bytes);
}

// Everything after the 128-byte header. Counts are checked against the
// tables they fill and against the bytes left before anything is allocated.
bool mapfile_decode_body(ByteReader& in, MapData& map) {
  int16_t n_areas;
  if (!in.i16(n_areas) || n_areas < 0) return false;
  if (!in.i16(map.summation_mode) || !in.f32(map.half_spacing)) return false;
  for (uint16_t& c : map.band_speaker_counts)
    if (!in.u16(c)) return false;
  if (in.remaining() < static_cast<size_t>(n_areas) * MAP_AREA_RECORD_BYTES) return false;
  map.areas.assign(static_cast<size_t>(n_areas), MapAreaRecord{});
  for (MapAreaRecord& r : map.areas)
    if (!decode_area(in, r)) return false;
  uint16_t band6_low = 0;
  if (!decode_grid_header(in, map.grid, band6_low)) return false;
  const uint32_t n_points = map.grid.point_count;
  if (n_points > MAP_MAX_POINTS) return false;
  if (in.remaining() < static_cast<size_t>(n_points) * MAP_POINT_BYTES) return false;
  map.points.assign(n_points, MapPoint{});
  for (MapPoint& p : map.points) {
    if (!decode_point(in, p)) return false;
    if (p.area >= map.areas.size()) return false;
  }
  map.grid.max_time[MAP_BANDS - 1] = complete_band6_maximum(map.points, band6_low);
  map.picks.clear();
  if (in.remaining() == 0) return true;  // a result without picks ends here
  uint32_t n_picks;
  if (!in.u32(n_picks) || n_picks > MAP_MAX_PICKS) return false;
  if (in.remaining() < static_cast<size_t>(n_picks) * 2) return false;
  map.picks.assign(n_picks, 0);
  for (uint16_t& k : map.picks)
    if (!in.u16(k) || k >= n_points) return false;
  return true;
}

bool mapfile_decode(ByteReader& in, MapData& map) {
  uint8_t header[MAP_HEADER_BYTES];
  if (!in.bytes(header, sizeof header) || !mapfile_check_magic(header)) return false;
  std::memcpy(map.description, header + MAP_ID_BYTES, MAP_DESCRIPTION_BYTES);
  map.description[MAP_DESCRIPTION_CHARS] = 0;
  return mapfile_decode_body(in, map);
}

// ------------------------------------------------------ the live result

char g_map_description[MAP_DESCRIPTION_CHARS + 1] = "";
uint16_t g_map_picks[MAP_MAX_PICKS] = {};
int g_map_pick_count = 0;
uint32_t g_map_pick_point_count = 0;

namespace {

MapAreaRecord area_of(const ListenerArea& a) {
  return MapAreaRecord{0, a.a, a.b, a.c, a.d, a.x_min, a.x_max, a.y_min, a.y_max, a.z_max};
}

}  // namespace

bool mapfile_capture(MapData& map) {
  map = MapData();
  map.summation_mode = g_calc_options.summation_mode;
  map.half_spacing = g_grid_half_spacing;
  std::memcpy(map.band_speaker_counts, g_band_speaker_counts, sizeof map.band_speaker_counts);
  const int n_areas = g_listener_areas ? std::max<int>(g_listener_area_count, 0) : 0;
  for (int i = 0; i < n_areas; ++i) map.areas.push_back(area_of(g_listener_areas[i]));
  const CoverageGrid& g = g_coverage_grid;
  map.grid.point_count = std::min<uint32_t>(g.point_count, MAP_MAX_POINTS);
  std::memcpy(map.grid.min_energy, g.min_energy, sizeof map.grid.min_energy);
  std::memcpy(map.grid.max_energy, g.max_energy, sizeof map.grid.max_energy);
  std::memcpy(map.grid.min_time, g.min_time, sizeof map.grid.min_time);
  std::memcpy(map.grid.max_time, g.max_time, sizeof map.grid.max_time);
  map.points.resize(map.grid.point_count);
  for (uint32_t i = 0; i < map.grid.point_count; ++i) {
    const GridPoint& p = g.points[i];
    MapPoint& m = map.points[i];
    m.x = p.x;
    m.y = p.y;
    m.z = p.z;
    std::memcpy(m.energy, p.energy, sizeof m.energy);
    std::memcpy(m.time, p.time, sizeof m.time);
    m.area = p.area;
  }
  const int n_picks = std::clamp<int>(g_map_pick_count, 0, MAP_MAX_PICKS);
  map.picks.assign(g_map_picks, g_map_picks + n_picks);
  return true;
}

// Replaces the live result by a completely read one and rebuilds the tables
// a display needs from the current model.
bool mapfile_commit(const MapData& map) {
  ListenerArea* areas = nullptr;
  if (!map.areas.empty()) {
    areas = static_cast<ListenerArea*>(std::calloc(map.areas.size(), sizeof(ListenerArea)));
    if (!areas) {
      ui_message_box("Nicht genügend Speicher vorhanden, Operation abgebrochen", nullptr, UI_MB_OK);
      return false;
    }
  }
  std::free(g_listener_areas);
  g_listener_areas = areas;
  g_listener_area_count = static_cast<int16_t>(map.areas.size());
  for (size_t i = 0; i < map.areas.size(); ++i) {
    const MapAreaRecord& r = map.areas[i];
    g_listener_areas[i] = ListenerArea{nullptr, r.a, r.b, r.c, r.d, r.x_min, r.x_max, r.y_min, r.y_max, r.z_max};
  }
  g_calc_options.summation_mode = map.summation_mode;
  g_grid_half_spacing = map.half_spacing;
  CoverageGrid& g = g_coverage_grid;
  g.point_count = static_cast<uint32_t>(map.points.size());
  std::memcpy(g.min_energy, map.grid.min_energy, sizeof g.min_energy);
  std::memcpy(g.max_energy, map.grid.max_energy, sizeof g.max_energy);
  std::memcpy(g.min_time, map.grid.min_time, sizeof g.min_time);
  std::memcpy(g.max_time, map.grid.max_time, sizeof g.max_time);
  for (size_t i = 0; i < map.points.size(); ++i) {
    const MapPoint& m = map.points[i];
    GridPoint& p = g.points[i];
    p.x = m.x;
    p.y = m.y;
    p.z = m.z;
    std::memcpy(p.energy, m.energy, sizeof p.energy);
    std::memcpy(p.time, m.time, sizeof p.time);
    p.area = m.area;
  }
  g_map_pick_count = static_cast<int>(map.picks.size());
  std::copy(map.picks.begin(), map.picks.end(), g_map_picks);
  if (!map.picks.empty()) g_map_pick_point_count = g.point_count;
  cov_build_active_speakers();  // the band counts follow the model as it is now
  // The file's field is longer than the text it may hold; the rest is cut.
  size_t length = std::find(map.description, map.description + MAP_DESCRIPTION_CHARS, '\0') - map.description;
  std::memcpy(g_map_description, map.description, length);
  g_map_description[length] = 0;
  g_coverage_valid = 1;
  return true;
}

// Writes the whole block of the live result; 1 on success, 0 on a failed write.
int mapfile_write(FILE* file, const char* description) {
  MapData map;
  mapfile_capture(map);
  ByteWriter out;
  mapfile_encode(map, description, out);
  const std::vector<uint8_t>& b = out.buffer();
  return std::fwrite(b.data(), 1, b.size(), file) == b.size() ? 1 : 0;
}

// Reads the rest of an open map file (just after its header) into the live
// result; a damaged block leaves the previous result untouched.
int mapfile_read(FILE* file) {
  std::vector<uint8_t> data;
  uint8_t chunk[65536];
  size_t got;
  const size_t most = size_t(MAP_MAX_POINTS) * MAP_POINT_BYTES + 32768u * MAP_AREA_RECORD_BYTES + 4096;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (data.size() + got > most) return 0;
    data.insert(data.end(), chunk, chunk + got);
  }
  if (std::ferror(file)) return 0;
  MapData map;
  ByteReader in(data.data(), data.size());
  if (!mapfile_decode_body(in, map)) return 0;
  return mapfile_commit(map) ? 1 : 0;
}

// The save steps after the dialogs. The map is written completely under a
// temporary name first and only then takes the chosen name, so a failed
// save keeps the old file of that name. 1 when saved.
int mapfile_save_to(const char* path, const char* description) {
  MapData map;
  mapfile_capture(map);
  ByteWriter out;
  mapfile_encode(map, description, out);
  const std::vector<uint8_t>& b = out.buffer();
  int result = le_write_file_safely(path, b.data(), b.size(), nullptr, 0);
  if (result == LE_SAVE_CANNOT_CREATE)
    ui_message_box("Datei kann nicht auf Laufwerk geschrieben werden", nullptr, UI_MB_OK);
  else if (result != LE_SAVED)
    ui_message_box("Daten konnten nicht gesichert werden", "Speicherkapazität erschöpft !", UI_MB_OK);
  return result == LE_SAVED;
}
