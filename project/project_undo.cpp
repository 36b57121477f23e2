#include "project/project_undo.h"

#include <vector>

#include "cad/obj_store.h"
#include "cad/undo.h"
#include "framework/le_bytes.h"
#include "materials/material.h"
#include "speakers/speaker_record.h"

namespace {

void put_i16(std::vector<uint8_t>& out, int16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((static_cast<uint16_t>(v) >> 8) & 0xFF));
}

bool read_count(const std::vector<uint8_t>& image, size_t& at, int limit, int16_t& count) {
  if (at + 2 > image.size()) return false;
  count = static_cast<int16_t>(le_get_u16(image.data() + at));
  at += 2;
  return count >= 0 && count <= limit;
}

// Loudspeaker types: each record with the list position of its symbol.
size_t speaker_types_size() { return 2 + static_cast<size_t>(g_speaker_types.count) * SPK_RECORD_SIZE; }

bool write_speaker_types(std::vector<uint8_t>& out) {
  put_i16(out, g_speaker_types.count);
  for (int i = 0; i < g_speaker_types.count; ++i) {
    SpeakerRecord* record = g_speaker_types.records[i];
    record->shape_ref = record->symbol ? obj_index_of(record->symbol) : -1;
    size_t at = out.size();
    out.resize(at + SPK_RECORD_SIZE);
    spk_record_to_bytes(*record, out.data() + at);
  }
  return true;
}

bool read_speaker_types(const std::vector<uint8_t>& image, size_t& at) {
  int16_t count = 0;
  if (!read_count(image, at, MAX_SPEAKER_TYPES, count)) return false;
  for (int i = 0; i < count; ++i) {
    if (at + SPK_RECORD_SIZE > image.size()) return false;
    SpeakerRecord* record = spk_record_alloc();
    if (!record) return false;
    spk_record_from_bytes(*record, image.data() + at);
    at += SPK_RECORD_SIZE;
    record->symbol = obj_at_index(record->shape_ref);
    g_speaker_types.records[g_speaker_types.count++] = record;
  }
  return true;
}

// Materials: the project table.
size_t materials_size() { return 2 + static_cast<size_t>(g_material_table.count) * MATERIAL_RECORD_BYTES; }

bool write_materials(std::vector<uint8_t>& out) {
  put_i16(out, g_material_table.count);
  for (int i = 0; i < g_material_table.count; ++i) {
    size_t at = out.size();
    out.resize(at + MATERIAL_RECORD_BYTES);
    mat_encode_record(g_material_table.records[i], out.data() + at);
  }
  return true;
}

bool read_materials(const std::vector<uint8_t>& image, size_t& at) {
  int16_t count = 0;
  if (!read_count(image, at, MAX_MATERIALS, count)) return false;
  if (at + static_cast<size_t>(count) * MATERIAL_RECORD_BYTES > image.size()) return false;
  for (int i = 0; i < count; ++i, at += MATERIAL_RECORD_BYTES)
    mat_decode_record(image.data() + at, g_material_table.records[i]);
  g_material_table.count = count;
  return true;
}

}  // namespace

void proj_register_undo_parts() {
  undo_remove_parts();
  undo_add_part(UndoPart{speaker_types_size, write_speaker_types, spk_free_type_table, read_speaker_types});
  undo_add_part(UndoPart{materials_size, write_materials, nullptr, read_materials});
}
