// Text exchange of room faces and placed loudspeakers with EASE, in its two
// generations: 2.x (plain lists of numbers) and 3.x (keyword files). The
// readers and writers work on text in memory; the file routines below them
// add the opening, writing and the messages.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "speakers/speaker_model.h"

struct DrawObject;

enum EaseVersion : int { EASE_V2 = 2, EASE_V3 = 3 };

constexpr int EASE_V2_FACE_POINTS = 10;   // lines per polygon in a 2.x face file
constexpr int EASE_V3_FACE_POINTS = 359;  // 360 element entries, one of them the material
constexpr int EASE_TYPE_NAME_CHARS = 8;
constexpr size_t EASE_MAX_FILE_BYTES = 64u * 1024u * 1024u;

extern const char EASE_MSG_NO_HEADER[];      // "EASE3 Vorspann fehlt !"
extern const char EASE_MSG_TOO_MANY_POINTS[];
extern const char EASE_MSG_V2_TOO_MANY[];    // "Fläche(n) mit > 10 Punkten entdeckt, ..."
extern const char EASE_MSG_CANNOT_SAVE[];    // "Kann Datei nicht speichern"
extern const char EASE_MSG_NOT_AVAILABLE[];  // "Lautsprecher nicht verfügbar"

// Lines of a text: LF or CR LF end a line; a last line without an end counts.
std::vector<std::string> ease_split_lines(const char* text, size_t size);

enum EaseFaceStatus : int {
  EASE_FACES_OK,
  EASE_FACES_NO_HEADER,        // 3.x file without its "LengthUnit" line: nothing read
  EASE_FACES_TOO_MANY_POINTS,  // stopped at a face beyond the buffers; faces before it kept
  EASE_FACES_NO_MEMORY,        // stopped; faces before it kept
};

// Faces read from a face file, each in front of the one before (the order
// the live list gets when they are inserted one by one at its head).
struct EaseFaceList {
  DrawObject* head = nullptr;
  DrawObject* tail = nullptr;
  int count = 0;
  int dropped = 0;  // polygons of fewer than 3 points
};

EaseFaceStatus ease_parse_faces(const char* text, size_t size, int version, EaseFaceList& out);
void ease_free_faces(EaseFaceList& faces);

enum EaseExportStatus : int { EASE_EXPORT_OK, EASE_EXPORT_TOO_MANY_POINTS };

// The selected faces and bodies of the list, every polygon turned round so
// that a face written and read back keeps its orientation.
EaseExportStatus ease_faces_text(const DrawObject* head, int version, std::string& out);

// One loudspeaker of a loudspeaker file, its type still a name.
struct EaseSpeaker {
  PlacedSpeaker block;
  char type_name[EASE_TYPE_NAME_CHARS + 1];
};

// Reads at most `capacity` loudspeakers; *more_left says the file held more.
void ease_parse_speakers(const char* text, size_t size, int version, int capacity,
                         std::vector<EaseSpeaker>& out, bool* more_left);

// Every loudspeaker of the list, switched on or off, selected or not.
void ease_speakers_text(const DrawObject* head, int version, std::string& out);

// Against the live model; messages through the message-box seam.
bool ease_read_text_file(const char* path, std::string& out);
bool ease_write_text_file(const char* path, const std::string& text);
int ease_import_faces_file(const char* path, int version);
int ease_export_faces_file(const char* path, int version);
int ease_export_speakers_file(const char* path, int version);

// Asks for a type in place of one the database lacks (the loudspeaker input
// dialog); 1 when the user accepted, with the chosen type name in type_name.
using EaseAskType = int (*)(PlacedSpeaker* ps, char* type_name);
int ease_place_imported_speaker(EaseSpeaker& speaker, EaseAskType ask);
int ease_import_speakers_file(const char* path, int version, EaseAskType ask);
