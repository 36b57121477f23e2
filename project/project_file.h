// Project file (".OPR"): header, layer table, object chunks, title block,
// loudspeaker types, materials and an optional map block. Files are read
// whole into a staging model; the live project is replaced only when the
// entire file was accepted.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "cad/title_block.h"
#include "project/map_file.h"

struct DrawObject;
struct SpeakerRecord;
class ByteReader;
class ByteWriter;

constexpr int PROJECT_HEADER_BYTES = 102;
constexpr int PROJECT_SIGNATURE_BYTES = 16;
constexpr int PROJECT_STORED_LAYERS = 16;
constexpr int PROJECT_LAYER_BYTES = 24;
constexpr int OBJECT_CHUNK_HEADER_BYTES = 48;
constexpr uint32_t TITLE_BLOCK_KIND = 33;
constexpr uint32_t TITLE_BLOCK_ATTRIBUTES = 0xE0;
constexpr int PROJECT_SPEAKER_RECORD_BYTES = 19160;
constexpr int PROJECT_OLD_SPEAKER_RECORD_BYTES = 18344;
constexpr int PROJECT_MATERIAL_RECORD_BYTES = 256;
constexpr int PROJECT_MAX_SPEAKER_TYPES = 500;
constexpr int PROJECT_MAX_MATERIALS = 200;
constexpr int PROJECT_PATH_CHARS = 256;
constexpr size_t PROJECT_MAX_FILE_BYTES = 512u * 1024u * 1024u;
extern const char PROJECT_SIGNATURE[PROJECT_SIGNATURE_BYTES];  // "ORVANTE V2.80  "

// The 102-byte header, decoded field by field.
struct ProjectHeader {
  char signature[PROJECT_SIGNATURE_BYTES];
  uint8_t rt60_method;        // 0 Sabine, 1 Eyring, 2 Fitzroy, 3 measured
  uint8_t reserved_17[3];
  int16_t view;               // 0 XY, 1 YZ, 2 XZ, 3 3D
  float snap_width;
  uint16_t snap_on;           // written, never restored
  float node_snap_radius;
  uint16_t node_snap_on;      // written, never restored
  float measured_rt[7];
  float grid_size;
  uint8_t reserved_66[24];    // passed on from the last file read
  int16_t calc_options[6];    // display mode, scale index, grid-spacing index, band, summation mode, flags
};


// One loudspeaker type as staged: the clear record and the list position of
// its symbol object (-1 = default symbol).
struct StagedSpeakerType {
  SpeakerRecord* record;
  int32_t symbol_position;
};

// A whole project detached from the live tables. Reading fills one; writing
// serialises one that borrows the live object list.
struct ProjectStage {
  ProjectHeader header;
  uint8_t layers[PROJECT_STORED_LAYERS][PROJECT_LAYER_BYTES];
  DrawObject* head;
  DrawObject* tail;
  bool owned;  // false while it borrows the live list and records for writing
  uint8_t title_block[TITLE_BLOCK_BYTES];
  int16_t speaker_count;
  StagedSpeakerType speakers[PROJECT_MAX_SPEAKER_TYPES];
  int16_t material_count;
  uint8_t materials[PROJECT_MAX_MATERIALS][PROJECT_MATERIAL_RECORD_BYTES];  // stored images
  bool has_map;
  MapData map;
};

enum ProjParseResult {
  PROJ_PARSE_OK,
  PROJ_PARSE_NO_SIGNATURE,
  PROJ_PARSE_LEGACY,    // version below 2.00
  PROJ_PARSE_DAMAGED,   // truncated, or a count, index or size out of range
  PROJ_PARSE_NO_MEMORY,
};

// Live project state kept by the file module.
extern ProjectHeader g_project_header;
extern char g_project_path[PROJECT_PATH_CHARS];  // last folder: g_history_folders[FOLDER_PROJECT]
using ProjectHook = void (*)();
extern ProjectHook proj_loaded_hook;  // window work after a load: menu checks, 3D panel
using LegacyImportHook = int (*)(const char* path);
extern LegacyImportHook proj_legacy_import_hook;  // projects older than 2.00

bool proj_has_signature(const ProjectHeader& header);
int proj_signature_version(const ProjectHeader& header);
void proj_encode_header(const ProjectHeader& header, uint8_t* out);
void proj_decode_header(const uint8_t* in, ProjectHeader& header);
void proj_default_header(ProjectHeader& header);

ProjectStage* proj_stage_new();
void proj_stage_free(ProjectStage* stage);
ProjParseResult proj_parse(const uint8_t* data, size_t size, ProjectStage& stage);
ProjParseResult proj_read_speaker_records(ByteReader& in, ProjectStage& stage);
ProjParseResult proj_read_tables(ByteReader& in, ProjectStage& stage, bool with_map);
void proj_take_title_block(ProjectStage& stage);
void proj_reset_speaker_record(uint8_t* record);
void proj_serialize(const ProjectStage& stage, ByteWriter& out);
bool proj_write_file_safely(const char* path, const uint8_t* data, size_t size);
void proj_backup_name(const char* path, char* out, size_t out_size);
void proj_ensure_extension(char* path, size_t path_size);

// Against the live model.
bool proj_capture(ProjectStage& stage);
void proj_commit(ProjectStage& stage, const char* path);
int proj_load(const char* path);
int proj_save_to(const char* path);
int proj_merge_objects(const char* path, int layer);
