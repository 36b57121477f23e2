#include "speaker_editor/record_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "cad/obj_store.h"
#include "speakers/speaker_codec.h"

EditorRecordTable g_spked_table;
SpeakerRecord g_spked_current;
int g_spked_current_index = 0;
int g_spked_modified = 0;
char g_spked_session_password[SPKED_PASSWORD_CHARS + 1];
char g_spked_db_path[SPKED_PATH_CHARS];
void (*spked_selector_hook)(int message) = nullptr;

namespace {

const char ORIGIN_TEXT[] = "Orvante OSB V2.90";

// A record image of the table, scrambled, or null when memory runs out.
uint8_t* new_image(const SpeakerRecord& record) {
  auto* image = new (std::nothrow) uint8_t[SPK_RECORD_SIZE];
  if (image) sdb_encode_record_to(record, image);
  return image;
}

void free_slot(int index) {
  spked_release_record_drawing(index);
  delete[] g_spked_table.images[index];
  g_spked_table.images[index] = nullptr;
}

void head_type_name(const uint8_t* image, char out[9]) {
  uint8_t head[SPK_HEAD_SIZE];
  std::memcpy(head, image, sizeof head);
  std::memset(out, 0, 9);
  if (sdb_decode_record_header(head)) std::memcpy(out, head + SPK_OFS_TYPE_NAME, 8);
}

}  // namespace

void spked_notify_selector(int message) {
  if (spked_selector_hook) spked_selector_hook(message);
}

void spked_stamp_owner(SpeakerRecord& record) {
  std::memset(record.owner, 0, sizeof record.owner);
  std::memcpy(record.owner, ORIGIN_TEXT, sizeof ORIGIN_TEXT);  // first origin text; the second stays empty
  std::memset(record.key_lead, 0, sizeof record.key_lead);
  std::memset(record.record_key, 0, sizeof record.record_key);
  std::snprintf(record.record_key, sizeof record.record_key, "%s", g_spked_session_password);
  std::memset(record.key_tail, 0, sizeof record.key_tail);
}

void spked_stamp_edit_time(SpeakerRecord& record, uint32_t ticks) {
  record.time_stamp1 = ticks;
  record.time_stamp2 = ticks;
}

bool spked_record_changeable(const SpeakerRecord& record) {
  return record.record_key[0] == '\0' || std::strcmp(record.record_key, g_spked_session_password) == 0;
}

bool spked_decode_slot(int index, SpeakerRecord& out) {
  if (index < 0 || index >= g_spked_table.count || !g_spked_table.images[index]) return false;
  uint8_t image[SPK_RECORD_SIZE];
  std::memcpy(image, g_spked_table.images[index], sizeof image);
  return sdb_decode_record_from(out, image) == 1;
}

bool spked_load_current(int index) { return spked_decode_slot(index, g_spked_current); }

void spked_store_current() {
  int i = g_spked_current_index;
  if (i < 0 || i >= g_spked_table.count || !g_spked_table.images[i]) return;
  sdb_encode_record_to(g_spked_current, g_spked_table.images[i]);
}

// The current record as a new last record; the copy gets this run's owner
// stamp, the working copy does not.
bool spked_append_new_record() {
  if (g_spked_table.count + 1 > MAX_SPEAKER_TYPES) return false;
  static SpeakerRecord stamped;
  stamped = g_spked_current;
  spked_stamp_owner(stamped);
  if (!spked_insert_record(stamped, nullptr)) {
    obj_warn_no_memory();
    return false;
  }
  g_spked_modified = 1;
  return true;
}

// Appends a record with its drawing (taken over); false when the table is
// full or memory runs out, the drawing then stays the caller's.
bool spked_insert_record(const SpeakerRecord& record, RecordDrawing* drawing) {
  int n = g_spked_table.count;
  if (n + 1 > MAX_SPEAKER_TYPES) return false;
  uint8_t* image = new_image(record);
  if (!image) return false;
  g_spked_table.images[n] = image;
  g_spked_table.drawings[n] = drawing;
  g_spked_table.count = int16_t(n + 1);
  g_spked_current_index = n;
  spked_notify_selector(SPKED_SELECTOR_ADD);
  return true;
}

RecordDrawing* spked_record_drawing(int index) {
  return index >= 0 && index < g_spked_table.count ? g_spked_table.drawings[index] : nullptr;
}

void spked_free_drawing(RecordDrawing* drawing) {
  if (!drawing) return;
  if (drawing->head && drawing->head == g_obj_head) {
    obj_free_all();  // the drawing is being edited
  } else {
    obj_list_free_all(drawing->head, drawing->tail);
  }
  delete drawing;
}

void spked_release_record_drawing(int index) {
  if (index < 0 || index >= MAX_SPEAKER_TYPES) return;
  spked_free_drawing(g_spked_table.drawings[index]);
  g_spked_table.drawings[index] = nullptr;
}

void spked_delete_current_record() {
  int i = g_spked_current_index;
  if (i < 0 || i >= g_spked_table.count) return;
  free_slot(i);
  for (int k = i; k + 1 < g_spked_table.count; ++k) {
    g_spked_table.images[k] = g_spked_table.images[k + 1];
    g_spked_table.drawings[k] = g_spked_table.drawings[k + 1];
  }
  --g_spked_table.count;
  g_spked_table.images[g_spked_table.count] = nullptr;
  g_spked_table.drawings[g_spked_table.count] = nullptr;
  if (g_spked_current_index >= g_spked_table.count) g_spked_current_index = 0;
  g_spked_modified = 1;
}

void spked_clear_table() {
  for (int i = 0; i < g_spked_table.count; ++i) free_slot(i);
  g_spked_table.count = 0;
  g_spked_current_index = 0;
}

// By type name; the drawings travel with their records. Not a change of
// the data, so the modified flag stays.
void spked_sort_records() {
  int n = g_spked_table.count;
  if (n <= 1) return;
  struct Entry {
    char name[9];
    uint8_t* image;
    RecordDrawing* drawing;
  };
  Entry* entries = new (std::nothrow) Entry[n];
  if (!entries) return;
  for (int i = 0; i < n; ++i) {
    head_type_name(g_spked_table.images[i], entries[i].name);
    entries[i].image = g_spked_table.images[i];
    entries[i].drawing = g_spked_table.drawings[i];
  }
  std::stable_sort(entries, entries + n,
                   [](const Entry& a, const Entry& b) { return std::strcmp(a.name, b.name) < 0; });
  for (int i = 0; i < n; ++i) {
    g_spked_table.images[i] = entries[i].image;
    g_spked_table.drawings[i] = entries[i].drawing;
  }
  delete[] entries;
}

void spked_trim_trailing_blanks(char* text) {
  size_t n = std::strlen(text);
  while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
}

uint32_t spked_object_kind_from_elements(const DrawObject* object) {
  uint32_t closes = 0;
  for (uint32_t i = 0; i < object->element_count; ++i)
    if (object->elements[i].code == EL_CLOSE) ++closes;
  return closes == 0 ? OBJ_KIND_GRID_LINE : closes == 1 ? OBJ_KIND_FACE : OBJ_KIND_BODY;
}
