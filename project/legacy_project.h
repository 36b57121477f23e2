// Projects of version 1.27: the same header, layer table and tables as the
// current file, but 40-byte object records with 2-byte elements and no map.
#pragma once
#include <cstddef>
#include <cstdint>

#include "project/project_file.h"

constexpr int LEGACY_V127_RECORD_BYTES = 40;
extern const char LEGACY_V127_SIGNATURE[PROJECT_SIGNATURE_BYTES];  // "ORVANTE V1.27  "

ProjParseResult legacy_parse_v127(const uint8_t* data, size_t size, ProjectStage& stage);
int legacy_import_project_v127(const char* path);
