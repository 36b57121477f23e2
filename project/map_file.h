// Map file: one stored coverage result (listener areas, grid header, grid
// points, picks and a description). The same block, header included, ends a
// project file while the coverage result is valid.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

class ByteReader;
class ByteWriter;

constexpr int MAP_HEADER_BYTES = 128;
constexpr int MAP_ID_BYTES = 32;
constexpr int MAP_DESCRIPTION_BYTES = 96;
constexpr int MAP_DESCRIPTION_CHARS = 79;
constexpr int MAP_AREA_RECORD_BYTES = 40;
constexpr int MAP_GRID_HEADER_BYTES = 114;
constexpr int MAP_POINT_BYTES = 42;
constexpr uint32_t MAP_MAX_POINTS = 64000;
constexpr uint32_t MAP_MAX_PICKS = 100;
constexpr int MAP_BANDS = 7;
extern const char MAP_IDENTIFICATION[];  // "ORVANTE MAP FILE V2.80"

struct MapAreaRecord {
  uint32_t object_ref;  // meaningless once written
  float a, b, c, d;
  float x_min, x_max, y_min, y_max, z_max;
};

struct MapGridHeader {
  uint32_t point_count;
  float min_energy[MAP_BANDS];
  float max_energy[MAP_BANDS];
  float min_time[MAP_BANDS];
  float max_time[MAP_BANDS];
};

struct MapPoint {
  float x, y, z;
  float energy[MAP_BANDS];
  float time[MAP_BANDS];
  uint16_t area;
};

// A coverage result as the map block carries it, detached from the live tables.
struct MapData {
  char description[MAP_DESCRIPTION_BYTES] = {};
  int16_t summation_mode = 2;
  float half_spacing = 0.5f;
  uint16_t band_speaker_counts[8] = {};
  std::vector<MapAreaRecord> areas;
  MapGridHeader grid = {};
  std::vector<MapPoint> points;
  std::vector<uint16_t> picks;
};

int mapfile_check_magic(const uint8_t* header);
int16_t mapfile_level_field(float energy);
int16_t mapfile_time_field(float time_ms);
void mapfile_encode(const MapData& map, const char* description, ByteWriter& out);
bool mapfile_decode_body(ByteReader& in, MapData& map);
bool mapfile_decode(ByteReader& in, MapData& map);

// The live coverage result: the grid and tables of the coverage calculation,
// and the picked points the coverage window shows with the point count they
// were picked on (the window keeps them while the count is unchanged).
extern char g_map_description[MAP_DESCRIPTION_CHARS + 1];
extern uint16_t g_map_picks[MAP_MAX_PICKS];
extern int g_map_pick_count;
extern uint32_t g_map_pick_point_count;
bool mapfile_capture(MapData& map);
bool mapfile_commit(const MapData& map);
int mapfile_write(FILE* file, const char* description);
int mapfile_read(FILE* file);
int mapfile_save_to(const char* path, const char* description);

// Opens the coverage window on the loaded result (set by the window's owner).
using MapWindowHook = void (*)();
extern MapWindowHook mapfile_open_window_hook;

// Menu commands 5102 (save) and 5103 (load); Windows build only.
void mapfile_cmd_save();
void mapfile_cmd_load();
