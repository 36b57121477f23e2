#include "project/ease_exchange.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cad/cad_state.h"
#include "cad/face_geom.h"
#include "cad/obj_store.h"
#include "framework/le_bytes.h"
#include "framework/ui_seam.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_record.h"

const char EASE_MSG_NO_HEADER[] = "EASE3 Vorspann fehlt !";
const char EASE_MSG_TOO_MANY_POINTS[] =
    "Fläche mit mehr als 359 Punkten entdeckt, Import an dieser Stelle beendet";
const char EASE_MSG_V2_TOO_MANY[] = "Fläche(n) mit > 10 Punkten entdeckt, keine Exportdatei generiert";
const char EASE_MSG_CANNOT_SAVE[] = "Kann Datei nicht speichern";
const char EASE_MSG_NOT_AVAILABLE[] = "Lautsprecher nicht verfügbar";

namespace {

constexpr double DEGREES_PER_RADIAN = 57.29577951308232;
constexpr double MAX_LEVEL_DB = 300.0;  // keeps 10^(dB/10) inside a float
const char* const MSG_CANNOT_READ = "Kann Datei nicht finden";
const char* const MSG_TOO_LARGE = "Ungültige Datei, kann nicht geladen werden !";
const char* const MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden, Operation abgebrochen";

void show(const char* text) { ui_message_box(text, nullptr, UI_MB_OK); }

std::string trimmed(const std::string& line) {
  size_t a = line.find_first_not_of(" \t");
  if (a == std::string::npos) return std::string();
  size_t b = line.find_last_not_of(" \t");
  return line.substr(a, b - a + 1);
}

bool is_blank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

bool same_ignoring_case(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Up to `max` numbers separated by commas (blanks allowed around them);
// the count read before the first that is missing or beyond a float.
int parse_numbers(const char* p, double* out, int max) {
  int n = 0;
  while (n < max) {
    while (*p == ' ' || *p == '\t') ++p;
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (end == p || !(std::fabs(v) <= FLT_MAX)) break;
    out[n++] = v;
    p = end;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != ',') break;
    ++p;
  }
  return n;
}

bool parse_point(const std::string& line, WorldPoint& point) {
  double v[3];
  if (parse_numbers(line.c_str(), v, 3) != 3) return false;
  point = WorldPoint{float(v[0]), float(v[1]), float(v[2])};
  return true;
}

// The text from the line's second character (behind the opening quote)
// starts with `word`.
bool keyword_at_second(const std::string& line, const char* word, bool ignore_case) {
  size_t n = std::strlen(word);
  if (line.size() < 1 + n) return false;
  const char* p = line.c_str() + 1;
  return ignore_case ? same_ignoring_case(p, word, n) : std::strncmp(p, word, n) == 0;
}

bool is_comment(const std::string& line) { return !line.empty() && line[0] == ';'; }

// ------------------------------------------------------------ face import

// A face of the points read: start, material 0, a line to each further
// point, the last one closing; turned round as EASE winds the other way.
DrawObject* make_face(const std::vector<WorldPoint>& points) {
  const uint32_t n = uint32_t(points.size());
  DrawObject* face = obj_create(0, n, n + 1);
  if (!face) return nullptr;
  std::memcpy(face->nodes, points.data(), sizeof(WorldPoint) * n);
  face->elements[0] = ElementCode{EL_START, 0};
  face->elements[1] = ElementCode{EL_MATERIAL, 0};
  for (uint32_t i = 1; i < n; ++i) face->elements[i + 1] = ElementCode{EL_LINE, uint16_t(i)};
  face->elements[n].code = EL_CLOSE;
  cad_reverse_polygon_in(face->elements, n + 1, 0);
  face->kind = OBJ_KIND_FACE;
  face->layer = LAYER_ROOM;
  face->colour = 0;
  face->attributes = 0;
  return face;
}

// Ends the face being read: fewer than 3 points make no face.
bool close_face(std::vector<WorldPoint>& points, EaseFaceList& out) {
  if (points.empty()) return true;
  if (points.size() < 3) {
    ++out.dropped;
    points.clear();
    return true;
  }
  DrawObject* face = make_face(points);
  points.clear();
  if (!face) return false;
  obj_list_insert_before(out.head, out.tail, face, out.head);
  ++out.count;
  return true;
}

// 2.x: one point per line; the tenth point or a "0" line ends a face; a
// line that is no point repeats the point before.
EaseFaceStatus parse_faces_v2(const std::vector<std::string>& lines, EaseFaceList& out) {
  std::vector<WorldPoint> points;
  WorldPoint previous{0, 0, 0};
  for (const std::string& line : lines) {
    if (is_blank(line)) continue;
    if (trimmed(line) == "0") {
      if (!close_face(points, out)) return EASE_FACES_NO_MEMORY;
      continue;
    }
    WorldPoint p = previous;
    if (parse_point(line, p)) previous = p;
    points.push_back(p);
    if (points.size() == EASE_V2_FACE_POINTS && !close_face(points, out)) return EASE_FACES_NO_MEMORY;
  }
  return close_face(points, out) ? EASE_FACES_OK : EASE_FACES_NO_MEMORY;
}

// 3.x: after the "LengthUnit" header, a "Material" line starts a face, each
// point line adds a point and "End" closes it; ';' lines are comments.
EaseFaceStatus parse_faces_v3(const std::vector<std::string>& lines, EaseFaceList& out) {
  size_t i = 0;
  while (i < lines.size() && !keyword_at_second(lines[i], "LengthUnit", true)) ++i;
  if (i == lines.size()) return EASE_FACES_NO_HEADER;
  std::vector<WorldPoint> points;
  bool in_face = false;
  for (++i; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (is_comment(line)) continue;
    if (keyword_at_second(line, "Material", false)) {
      if (!close_face(points, out)) return EASE_FACES_NO_MEMORY;
      in_face = true;
      continue;
    }
    if (!in_face) continue;
    if (keyword_at_second(line, "End", false)) {
      if (!close_face(points, out)) return EASE_FACES_NO_MEMORY;
      in_face = false;
      continue;
    }
    WorldPoint p;
    if (!parse_point(line, p)) continue;
    if (points.size() == EASE_V3_FACE_POINTS) return EASE_FACES_TOO_MANY_POINTS;
    points.push_back(p);
  }
  return close_face(points, out) ? EASE_FACES_OK : EASE_FACES_NO_MEMORY;
}

// ------------------------------------------------------------ face export

void put_line(std::string& out, const char* text) {
  out += text;
  out += "\r\n";
}

void put_point(std::string& out, const WorldPoint& p) {
  char line[160];
  std::snprintf(line, sizeof line, "%f,%f,%f", p.x, p.y, p.z);
  put_line(out, line);
}

// One polygon from its start entry up to its close (or the next start):
// its nodes, false when a 2.x polygon has more than ten.
bool put_polygon(const DrawObject* o, const std::vector<ElementCode>& e, size_t& k, int version, std::string& out) {
  if (version == EASE_V3) put_line(out, "\"Material\",\"Absorber\"");
  int points = 0;
  for (; k < e.size(); ++k) {
    if (points > 0 && e[k].code == EL_START) break;
    if (e[k].code == EL_MATERIAL) continue;
    if (e[k].code <= EL_CLOSE && e[k].value < o->node_count) {
      if (version == EASE_V2 && ++points > EASE_V2_FACE_POINTS) return false;
      if (version == EASE_V3) ++points;
      put_point(out, o->nodes[e[k].value]);
    }
    if (e[k].code == EL_CLOSE) {
      ++k;
      break;
    }
  }
  if (version == EASE_V3) {
    put_line(out, "\"End\"");
  } else {
    for (; points < EASE_V2_FACE_POINTS; ++points) put_line(out, "0");
  }
  return true;
}

bool is_exported_face(const DrawObject* o) {
  return (o->attributes & OBJ_ATTR_SELECTED) && (o->kind == OBJ_KIND_FACE || o->kind == OBJ_KIND_BODY);
}

// ------------------------------------------------------- loudspeaker text

// The name behind an opening quote, up to 8 characters, ending at the first
// quote or blank.
void take_type_name(const char* p, char* out) {
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') ++p;
  int n = 0;
  while (n < EASE_TYPE_NAME_CHARS && p[n] && p[n] != '"' && p[n] != ' ' && p[n] != '\t') {
    out[n] = p[n];
    ++n;
  }
  out[n] = 0;
}

float radians(double degrees) { return float(degrees / DEGREES_PER_RADIAN); }

// EASE counts the horizontal angle from the y axis.
double horizontal_from_ease(double degrees) {
  double h = degrees - 90.0;
  return h < -180.0 ? h + 360.0 : h;
}

double horizontal_to_ease(double degrees) {
  double h = degrees + 90.0;
  return h > 180.0 ? h - 360.0 : h;
}

void read_position(const char* p, EaseSpeaker& s) {
  double v[3] = {0, 0, 0};
  parse_numbers(p, v, 3);
  for (int i = 0; i < 3; ++i) s.block.position[i] = float(v[i]);
}

void read_angles(const char* p, EaseSpeaker& s) {
  double v[3] = {0, 0, 0};
  parse_numbers(p, v, 3);
  s.block.vertical_angle = radians(v[0]);
  s.block.horizontal_angle = radians(horizontal_from_ease(v[1]));
  s.block.rotation_angle = radians(v[2]);
}

void read_delay(const char* p, EaseSpeaker& s) {
  double v[2] = {0, 0};
  parse_numbers(p, v, 2);
  s.block.delay_ms = float(v[0]);
}

void read_levels(const char* p, EaseSpeaker& s) {
  double v[SPK_BANDS] = {};
  parse_numbers(p, v, SPK_BANDS);
  for (int b = 0; b < SPK_BANDS; ++b) {
    double db = std::fmax(-MAX_LEVEL_DB, std::fmin(MAX_LEVEL_DB, v[b]));
    s.block.intensity[b] = float(std::pow(10.0, db / 10.0));
  }
}

// Band powers, `per_band` values a band of which the middle one counts; the
// nominal power is the largest of them.
void read_powers(const char* p, EaseSpeaker& s, int per_band) {
  double v[3 * SPK_BANDS] = {};
  parse_numbers(p, v, per_band * SPK_BANDS);
  s.block.nominal_power = 0.0f;
  for (int b = 0; b < SPK_BANDS; ++b) {
    double w = std::fmax(0.0, std::fmin(1e30, v[per_band * b + per_band / 2]));
    s.block.band_power[b] = float(w);
    if (s.block.band_power[b] > s.block.nominal_power) s.block.nominal_power = s.block.band_power[b];
  }
}

// A loudspeaker as an import starts it: switched on, polarity +1, and the
// equaliser gains a newly placed loudspeaker gets, which the 0 dB rule accepts.
EaseSpeaker fresh_speaker() {
  EaseSpeaker s{};
  spk_placed_defaults(s.block);
  for (int b = 0; b < SPK_BANDS; ++b) s.block.eq_gain[b] = float(SPK_FRESH_EQ_GAIN_DB);
  return s;
}

// 2.x: six lines per loudspeaker; an incomplete last one is not taken.
void parse_speakers_v2(const std::vector<std::string>& all, int capacity, std::vector<EaseSpeaker>& out,
                       bool* more_left) {
  std::vector<const std::string*> lines;
  for (const std::string& line : all)
    if (!is_blank(line)) lines.push_back(&line);
  for (size_t i = 0; i + 6 <= lines.size(); i += 6) {
    if (int(out.size()) >= capacity) {
      *more_left = true;
      return;
    }
    EaseSpeaker s = fresh_speaker();
    read_position(lines[i]->c_str(), s);
    read_angles(lines[i + 1]->c_str(), s);
    take_type_name(lines[i + 2]->c_str(), s.type_name);
    read_delay(lines[i + 3]->c_str(), s);
    read_levels(lines[i + 4]->c_str(), s);
    read_powers(lines[i + 5]->c_str(), s, 1);
    out.push_back(s);
  }
}

// The value of a keyword line: what follows the keyword's quotes and comma.
const char* value_of(const std::string& line, const char* keyword) {
  size_t n = std::strlen(keyword);
  if (line.size() < n + 3 || line[0] != '"' || line.compare(1, n, keyword) != 0 || line[n + 1] != '"' ||
      line[n + 2] != ',')
    return nullptr;
  return line.c_str() + n + 3;
}

// 3.x: a "Label" line starts a loudspeaker, its keyword lines follow; one
// without a "Speaker" line is not taken.
void parse_speakers_v3(const std::vector<std::string>& lines, int capacity, std::vector<EaseSpeaker>& out,
                       bool* more_left) {
  EaseSpeaker s{};
  bool open = false, has_type = false;
  auto finish = [&]() {
    if (open && has_type) out.push_back(s);
    open = has_type = false;
  };
  for (const std::string& line : lines) {
    if (keyword_at_second(line, "Label", false)) {
      finish();
      if (int(out.size()) >= capacity) {
        *more_left = true;
        return;
      }
      s = fresh_speaker();
      open = true;
      continue;
    }
    if (!open) continue;
    if (const char* v = value_of(line, "Position")) read_position(v, s);
    else if ((v = value_of(line, "Ver/Hor/Rot"))) read_angles(v, s);
    else if ((v = value_of(line, "Speaker"))) take_type_name(v, s.type_name), has_type = true;
    else if ((v = value_of(line, "Delay/Align"))) read_delay(v, s);
    else if ((v = value_of(line, "Watts"))) read_powers(v, s, 3);
  }
  finish();
}

void put_numbers(std::string& out, const char* label, const char* format, const double* v, int n, int repeat) {
  std::string line = label;
  char number[64];
  for (int i = 0; i < n; ++i)
    for (int r = 0; r < repeat; ++r) {
      if (i || r) line += ",";
      std::snprintf(number, sizeof number, format, v[i]);
      line += number;
    }
  put_line(out, line.c_str());
}

const char* type_name_of(const PlacedSpeaker& ps) {
  if (ps.type_index >= g_speaker_types.count || ps.type_index >= MAX_SPEAKER_TYPES) return "";
  const SpeakerRecord* r = g_speaker_types.records[ps.type_index];
  return r ? r->type_name : "";
}

// 10 log10 of the on-axis intensity, 0 where that is below 0 dB.
void level_values(const PlacedSpeaker& ps, double* out) {
  for (int b = 0; b < SPK_BANDS; ++b) {
    double i = ps.intensity[b];
    double db = i > 0.0 ? 10.0 * std::log10(i) : 0.0;
    out[b] = db < 0.0 ? 0.0 : db;
  }
}

void put_speaker(std::string& out, const PlacedSpeaker& ps, int version, int number) {
  double position[3] = {ps.position[0], ps.position[1], ps.position[2]};
  double angles[3] = {ps.vertical_angle * DEGREES_PER_RADIAN,
                      horizontal_to_ease(ps.horizontal_angle * DEGREES_PER_RADIAN),
                      ps.rotation_angle * DEGREES_PER_RADIAN};
  double delay[2] = {ps.delay_ms, 0.0};
  double levels[SPK_BANDS], powers[SPK_BANDS];
  level_values(ps, levels);
  for (int b = 0; b < SPK_BANDS; ++b) powers[b] = ps.band_power[b];
  char line[64];
  const bool v3 = version == EASE_V3;
  if (v3) {
    std::snprintf(line, sizeof line, "\"Label\",\"S%d\"", number);
    put_line(out, line);
  }
  put_numbers(out, v3 ? "\"Position\"," : "", "%4.2f", position, 3, 1);
  put_numbers(out, v3 ? "\"Ver/Hor/Rot\"," : "", "%3.1f", angles, 3, 1);
  if (v3) std::snprintf(line, sizeof line, "\"Speaker\",\"%s\"", type_name_of(ps));
  else std::snprintf(line, sizeof line, "\"%-10s\"", type_name_of(ps));
  put_line(out, line);
  put_numbers(out, v3 ? "\"Delay/Align\"," : "", "%f", delay, 2, 1);
  put_numbers(out, v3 ? "\"dB 1m\"," : "", "%3.1f", levels, SPK_BANDS, v3 ? 3 : 1);
  put_numbers(out, v3 ? "\"Watts\"," : "", "%5.1f", powers, SPK_BANDS, v3 ? 3 : 1);
}

// ------------------------------------------------------------ placing

// Index of the named type among the loaded ones, loading it from the open
// database into the next slot when it is missing; -1 when it is not there.
int find_or_load_type(const char* name) {
  if (!name[0]) return -1;
  for (int i = 0; i < g_speaker_types.count && i < MAX_SPEAKER_TYPES; ++i) {
    const SpeakerRecord* r = g_speaker_types.records[i];
    if (r && std::strcmp(r->type_name, name) == 0) return i;
  }
  if (g_speaker_types.count >= MAX_SPEAKER_TYPES || !sdb_load_type(g_speaker_types.count, name)) return -1;
  return g_speaker_types.count++;
}

}  // namespace

std::vector<std::string> ease_split_lines(const char* text, size_t size) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && text[i] != '\n') continue;
    size_t end = i;
    if (end > start && text[end - 1] == '\r') --end;
    if (i < size || end > start) lines.emplace_back(text + start, end - start);
    start = i + 1;
  }
  return lines;
}

EaseFaceStatus ease_parse_faces(const char* text, size_t size, int version, EaseFaceList& out) {
  std::vector<std::string> lines = ease_split_lines(text, size);
  return version == EASE_V3 ? parse_faces_v3(lines, out) : parse_faces_v2(lines, out);
}

void ease_free_faces(EaseFaceList& faces) {
  obj_list_free_all(faces.head, faces.tail);
  faces.count = 0;
}

EaseExportStatus ease_faces_text(const DrawObject* head, int version, std::string& out) {
  out.clear();
  if (version == EASE_V3) {
    put_line(out, "\"Filetype\",\"Faces\"");
    put_line(out, "\"Format\",3,0");
    put_line(out, "\"LengthUnit\",\"m\"");
  }
  for (const DrawObject* o = head; o; o = o->next) {
    if (!is_exported_face(o)) continue;
    std::vector<ElementCode> e(o->elements, o->elements + o->element_count);
    for (size_t k = 0; k < e.size(); ++k)
      if (e[k].code == EL_START) cad_reverse_polygon_in(e.data(), uint32_t(e.size()), int(k));
    size_t k = 0;
    while (k < e.size() && e[k].code != EL_START) ++k;
    while (k < e.size())
      if (!put_polygon(o, e, k, version, out)) return EASE_EXPORT_TOO_MANY_POINTS;
  }
  return EASE_EXPORT_OK;
}

void ease_parse_speakers(const char* text, size_t size, int version, int capacity,
                         std::vector<EaseSpeaker>& out, bool* more_left) {
  bool more = false;
  std::vector<std::string> lines = ease_split_lines(text, size);
  if (version == EASE_V3) parse_speakers_v3(lines, capacity, out, &more);
  else parse_speakers_v2(lines, capacity, out, &more);
  if (more_left) *more_left = more;
}

void ease_speakers_text(const DrawObject* head, int version, std::string& out) {
  out.clear();
  if (version == EASE_V3) {
    put_line(out, "\"Filetype\",\"Loudspeakers\"");
    put_line(out, "\"Format\",3.0");
    put_line(out, "\"LengthUnit\",\"m\"");
  }
  int number = 0;
  for (const DrawObject* o = head; o; o = o->next)
    if (const PlacedSpeaker* ps = spk_placed_of(const_cast<DrawObject*>(o))) put_speaker(out, *ps, version, ++number);
}

// Read as text ("rt"): a file larger than any exchange file is refused.
bool ease_read_text_file(const char* path, std::string& out) {
  out.clear();
  FILE* file = std::fopen(path, "rt");
  if (!file) {
    show(MSG_CANNOT_READ);
    return false;
  }
  char buffer[65536];
  size_t n;
  bool too_large = false;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (out.size() + n > EASE_MAX_FILE_BYTES) {
      too_large = true;
      break;
    }
    out.append(buffer, n);
  }
  bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (too_large || failed) {
    show(too_large ? MSG_TOO_LARGE : MSG_CANNOT_READ);
    out.clear();
    return false;
  }
  return true;
}

// The whole text is written under a temporary name first, so a failed
// export leaves no half-written file and an older file of the name intact.
bool ease_write_text_file(const char* path, const std::string& text) {
  int r = le_write_file_safely(path, reinterpret_cast<const uint8_t*>(text.data()), text.size(), nullptr, 0);
  if (r != LE_SAVED) {
    show(EASE_MSG_CANNOT_SAVE);
    return false;
  }
  return true;
}

int ease_import_faces_file(const char* path, int version) {
  std::string text;
  if (!ease_read_text_file(path, text)) return 0;
  EaseFaceList faces;
  EaseFaceStatus status = ease_parse_faces(text.data(), text.size(), version, faces);
  if (status == EASE_FACES_NO_HEADER) show(EASE_MSG_NO_HEADER);
  if (status == EASE_FACES_TOO_MANY_POINTS) show(EASE_MSG_TOO_MANY_POINTS);
  if (status == EASE_FACES_NO_MEMORY) show(MSG_NO_MEMORY);
  int count = faces.count;
  obj_prepend_list(faces.head, faces.tail);
  faces = EaseFaceList{};
  if (count) g_modified = 1;
  return count;
}

int ease_export_faces_file(const char* path, int version) {
  std::string text;
  if (ease_faces_text(g_obj_head, version, text) != EASE_EXPORT_OK) {
    show(EASE_MSG_V2_TOO_MANY);
    return 0;
  }
  return ease_write_text_file(path, text) ? 1 : 0;
}

int ease_export_speakers_file(const char* path, int version) {
  std::string text;
  ease_speakers_text(g_obj_head, version, text);
  return ease_write_text_file(path, text) ? 1 : 0;
}

// Finds the loudspeaker's type (or asks once for another), gives it the
// band power of that type at its equaliser gains and places its object.
int ease_place_imported_speaker(EaseSpeaker& speaker, EaseAskType ask) {
  PlacedSpeaker& ps = speaker.block;
  int index = find_or_load_type(speaker.type_name);
  if (index < 0) {
    char chosen[EASE_TYPE_NAME_CHARS + 1];
    std::memcpy(chosen, speaker.type_name, sizeof chosen);
    if (!ask || ask(&ps, chosen) != 1) return 0;
    chosen[EASE_TYPE_NAME_CHARS] = 0;
    index = find_or_load_type(chosen);
    if (index < 0) {
      show(EASE_MSG_NOT_AVAILABLE);
      return 0;
    }
  }
  ps.type_index = uint16_t(index);
  ps.switched_on = 1;
  std::memset(ps.group, 0, sizeof ps.group);
  spk_update_band_power(ps);
  DrawObject* object = spk_create_object(ps);
  if (!object) {
    show(MSG_NO_MEMORY);
    return 0;
  }
  spk_build_object(spk_placed_of(object), object, 1);
  g_modified = 1;
  return 1;
}

int ease_import_speakers_file(const char* path, int version, EaseAskType ask) {
  std::string text;
  if (!ease_read_text_file(path, text)) return 0;
  std::vector<EaseSpeaker> speakers;
  bool more = false;
  int room = MAX_SPEAKERS - obj_count_speaker();
  ease_parse_speakers(text.data(), text.size(), version, room < 0 ? 0 : room, speakers, &more);
  if (more) spk_report_limit();
  int placed = 0;
  for (EaseSpeaker& s : speakers) placed += ease_place_imported_speaker(s, ask);
  return placed;
}
