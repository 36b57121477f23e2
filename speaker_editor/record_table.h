// The editor's record table: up to 500 loudspeaker records kept scrambled,
// each with the drawing (3D shape) that belongs to it, the current record
// in clear as the working copy, the session password and the owner stamp.
#pragma once
#include <cstddef>
#include <cstdint>

#include "speakers/speaker_record.h"

struct DrawObject;

// A record's drawing: an object list of its own, or the CAD object list
// while the drawing menu edits it.
struct RecordDrawing {
  DrawObject* head;
  DrawObject* tail;
};

struct EditorRecordTable {
  int16_t count;
  uint8_t* images[MAX_SPEAKER_TYPES];          // SPK_RECORD_SIZE bytes each, scrambled
  RecordDrawing* drawings[MAX_SPEAKER_TYPES];  // null: no drawing
};

constexpr int SPKED_PASSWORD_CHARS = 20;
constexpr int SPKED_PATH_CHARS = 260;

extern EditorRecordTable g_spked_table;
extern SpeakerRecord g_spked_current;  // the record of the current index, in clear
extern int g_spked_current_index;
extern int g_spked_modified;
extern char g_spked_session_password[SPKED_PASSWORD_CHARS + 1];
extern char g_spked_db_path[SPKED_PATH_CHARS];

// The record selector is told of table changes: 1000 a record was added,
// 2000 the current one changed, 3000 rebuild. The program fills this in.
enum : int { SPKED_SELECTOR_ADD = 1000, SPKED_SELECTOR_REPLACE = 2000, SPKED_SELECTOR_REBUILD = 3000 };
extern void (*spked_selector_hook)(int message);
void spked_notify_selector(int message);

// Owner stamp written into records this run creates or edits: the origin
// texts, the session password as record key, and the tick stamps of an edit.
void spked_stamp_owner(SpeakerRecord& record);
void spked_stamp_edit_time(SpeakerRecord& record, uint32_t ticks);
bool spked_record_changeable(const SpeakerRecord& record);

// Table slots.
bool spked_decode_slot(int index, SpeakerRecord& out);
bool spked_load_current(int index);
void spked_store_current();
bool spked_append_new_record();
bool spked_insert_record(const SpeakerRecord& record, RecordDrawing* drawing);
void spked_release_record_drawing(int index);
RecordDrawing* spked_record_drawing(int index);
void spked_delete_current_record();
void spked_clear_table();
void spked_sort_records();
void spked_trim_trailing_blanks(char* text);
uint32_t spked_object_kind_from_elements(const DrawObject* object);
void spked_free_drawing(RecordDrawing* drawing);
