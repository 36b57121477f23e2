#include "acoustics/speaker_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "acoustics/coverage.h"
#include "acoustics/speaker_aim.h"
#include "cad/obj_store.h"
#include "framework/units.h"
#include "speakers/speaker_db.h"
#include "speakers/speaker_model.h"

PlacedSpeaker** g_spk_list = nullptr;
int g_spk_list_count = 0;

namespace {

constexpr double PI = 3.141592654;
constexpr double ACOUSTIC_SCALE = 1e-12;
constexpr float WIDE_TOTAL = 10000.0f;
constexpr uint32_t ERASE_COLOUR = 30;  // the drawing window's white

const SpeakerRecord* type_of(const PlacedSpeaker& ps) {
  if (ps.type_index >= g_speaker_types.count || ps.type_index >= MAX_SPEAKER_TYPES) return nullptr;
  return g_speaker_types.records[ps.type_index];
}

// A fixed-width name field that may fill its whole width without a NUL.
int field_length(const char* field, size_t width) {
  size_t n = 0;
  while (n < width && field[n]) ++n;
  return static_cast<int>(n);
}

double shown_length(double metres) { return g_unit_feet ? units_metric_to_imperial(metres, UNIT_LENGTH) : metres; }

// Lays cells left to right: each starts at x and spans `span`, then x moves by `step`.
struct CellRow {
  SpkPrintCell* cells;
  int count = 0;
  int x;
  void add(int offset, int span, int step, int align, const char* text) {
    SpkPrintCell& c = cells[count++];
    c.left = x + offset;
    c.right = x + span;
    c.align = align;
    std::snprintf(c.text, sizeof c.text, "%s", text);
    x += step;
  }
};

bool switched_on(const PlacedSpeaker& ps) { return ps.switched_on == 1; }

}  // namespace

// The table of all placed loudspeakers in list order; the row count is the
// number of blocks actually found. 0 when there is none or memory runs out.
int spk_list_fill() {
  spk_list_free();
  int objects = obj_count_speaker();
  if (objects < 1) return 0;
  g_spk_list = static_cast<PlacedSpeaker**>(obj_alloc_or_warn(sizeof(PlacedSpeaker*) * size_t(objects)));
  if (!g_spk_list) return 0;
  int n = 0;
  for (DrawObject* o = g_obj_head; o && n < objects; o = o->next) {
    PlacedSpeaker* ps = spk_placed_of(o);
    if (!ps) continue;
    ps->object = o;
    g_spk_list[n++] = ps;
  }
  g_spk_list_count = n;
  if (n == 0) spk_list_free();
  return n;
}

void spk_list_free() {
  std::free(g_spk_list);
  g_spk_list = nullptr;
  g_spk_list_count = 0;
}

// x decides, then y, then z; positions compared as doubles.
int spk_compare_by_position(const void* first, const void* second) {
  const PlacedSpeaker* a = *static_cast<PlacedSpeaker* const*>(first);
  const PlacedSpeaker* b = *static_cast<PlacedSpeaker* const*>(second);
  for (int i = 0; i < 3; ++i) {
    double u = a->position[i], v = b->position[i];
    if (u > v) return 1;
    if (u < v) return -1;
  }
  return 0;
}

void spk_sort_list() {
  if (g_spk_list && g_spk_list_count > 1)
    std::qsort(g_spk_list, size_t(g_spk_list_count), sizeof(PlacedSpeaker*), spk_compare_by_position);
}

// "001<tab>TYPE<tab>x,y,z" with the position in the chosen unit.
void spk_format_list_row(char* text, size_t capacity, int row) {
  if (!capacity) return;
  text[0] = '\0';
  if (!g_spk_list || row < 0 || row >= g_spk_list_count) return;
  const PlacedSpeaker& ps = *g_spk_list[row];
  const SpeakerRecord* type = type_of(ps);
  const char* name = type ? type->type_name : "";
  int name_length = type ? field_length(type->type_name, sizeof type->type_name) : 0;
  const char* format = g_unit_feet ? "%03d\t%.*s\t%2.1f,%2.1f,%2.1f" : "%03d\t%.*s\t%1.1f,%1.1f,%1.1f";
  std::snprintf(text, capacity, format, row + 1, name_length, name, shown_length(ps.position[0]),
                shown_length(ps.position[1]), shown_length(ps.position[2]));
}

// What the band fields show for a loudspeaker: its band power, 0 when off.
float spk_list_shown_power(const PlacedSpeaker& ps, int band) {
  return switched_on(ps) ? ps.band_power[band] : 0.0f;
}

// Electrical power of the switched-on rows, and the acoustic power the
// coverage calculation would radiate, per band.
void spk_list_power_totals(float electrical[7], float acoustic[7]) {
  for (int b = 0; b < SPK_BANDS; ++b) electrical[b] = acoustic[b] = 0.0f;
  for (int i = 0; i < g_spk_list_count; ++i) {
    PlacedSpeaker& ps = *g_spk_list[i];
    if (!switched_on(ps)) continue;
    spk_update_band_power(ps);
    for (int b = 0; b < SPK_BANDS; ++b) electrical[b] += ps.band_power[b];
  }
  spk_link_balloons();
  cov_sum_speaker_power();
  for (int b = 0; b < SPK_BANDS; ++b) acoustic[b] = static_cast<float>(g_power_abs[b] * ACOUSTIC_SCALE);
}

// A loudspeaker given a new type starts at the new type's rated powers,
// 9 dB down in every band.
void spk_list_reset_bands(PlacedSpeaker& ps, const SpeakerHead& head) {
  ps.nominal_power = 0.0f;
  for (int b = 0; b < SPK_BANDS; ++b) {
    float rated = head.rated_power[b];
    ps.band_power[b] = rated;
    if (rated > ps.nominal_power) ps.nominal_power = rated;
    ps.eq_gain[b] = SPK_LIST_RESET_GAIN_DB;
  }
  spk_update_band_power(ps);
}

// The row's loudspeaker takes the named type (loaded when needed) with the
// band reset, and its shape is rebuilt. 0 when the type cannot be loaded:
// the loudspeaker keeps its type.
int spk_list_change_type(int row, const char* type_name) {
  if (!g_spk_list || row < 0 || row >= g_spk_list_count) return 0;
  PlacedSpeaker& ps = *g_spk_list[row];
  uint16_t kept = ps.type_index;
  if (!sdb_find_or_load_type(&ps, type_name)) {
    ps.type_index = kept;
    return 0;
  }
  spk_list_reset_bands(ps, g_type_head);
  if (DrawObject* o = ps.object) {
    // The old shape leaves the screen before the new one is drawn.
    uint32_t colour = o->colour;
    o->colour = ERASE_COLOUR;
    if (g_speaker_screen.draw_object) g_speaker_screen.draw_object(o);
    o->colour = colour;
    spk_build_object(&ps, o, 1);
  }
  return 1;
}

// Every row of the type of `row` takes the named type; `changed` hears of
// each row that did. Answers how many changed.
int spk_list_replace_type(int row, const char* type_name, void (*changed)(int row)) {
  if (!g_spk_list || row < 0 || row >= g_spk_list_count) return 0;
  uint16_t type = g_spk_list[row]->type_index;
  int count = 0;
  for (int i = 0; i < g_spk_list_count; ++i) {
    if (g_spk_list[i]->type_index != type) continue;
    if (!spk_list_change_type(i, type_name)) continue;
    ++count;
    if (changed) changed(i);
  }
  return count;
}

// Line height and character width of the printout from the page width in pixels.
void spk_list_char_size(int horz_res, int* line_height, int* char_width) {
  int h = 18, w = 8;
  if (horz_res >= 6000)
    h = 72, w = 32;
  else if (horz_res >= 3600)
    h = 42, w = 18;
  else if (horz_res >= 3000)
    h = 36, w = 16;
  *line_height = h;
  *char_width = w;
}

int spk_list_page_of_row(int row) { return row / SPK_LIST_ROWS_PER_PAGE + 1; }

int spk_list_row_top(int row, int line_height) {
  return 10 * line_height + (row % SPK_LIST_ROWS_PER_PAGE) * (line_height + 4);
}

// The page line: page number right, product title left, project name centred.
int spk_list_page_head_cells(int page, const char* project_name, int w, SpkPrintCell* cells) {
  char text[40];
  std::snprintf(text, sizeof text, "Lautsprecherliste - Seite %d", page);
  CellRow r{cells, 0, SPK_LIST_MARGIN};
  r.add(0, 190 * w - SPK_LIST_MARGIN, 0, SPK_CELL_RIGHT, text);
  r.add(0, 190 * w - SPK_LIST_MARGIN, 0, SPK_CELL_LEFT, "Orvante Planning Engine ");
  r.add(0, 190 * w - SPK_LIST_MARGIN, 0, SPK_CELL_CENTRE, project_name ? project_name : "");
  return r.count;
}

int spk_list_title_cells(int w, SpkPrintCell* cells) {
  CellRow r{cells, 0, SPK_LIST_MARGIN};
  r.add(0, 3 * w, 5 * w, SPK_CELL_LEFT, "Nr.");
  r.add(0, 20 * w, 22 * w, SPK_CELL_CENTRE, "Fabrikat");
  r.add(0, 10 * w, 12 * w, SPK_CELL_CENTRE, "Typ");
  r.add(0, 10 * w, 12 * w, SPK_CELL_CENTRE, "Name");
  for (const char* t : {"X", "Y", "Z"}) r.add(0, 6 * w, 7 * w, SPK_CELL_CENTRE, t);
  r.add(0, 6 * w, 7 * w, SPK_CELL_CENTRE, "Hor.");
  r.add(0, 6 * w, 7 * w, SPK_CELL_CENTRE, "Vert.");
  r.add(0, 6 * w, 9 * w, SPK_CELL_CENTRE, "Rot.");
  r.add(0, 7 * w, 9 * w, SPK_CELL_CENTRE, "T [ms]");
  r.add(0, 6 * w, 7 * w, SPK_CELL_CENTRE, "Ziel X");
  r.add(0, 6 * w, 7 * w, SPK_CELL_CENTRE, "Ziel Y");
  r.add(0, 6 * w, 9 * w, SPK_CELL_CENTRE, "Ziel Z");
  for (const char* t : {"W 125", "W 250", "W 500", "W 1 k", "W 2 k", "W 4 k", "W 8 k"})
    r.add(0, 7 * w, 8 * w, SPK_CELL_LEFT, t);
  return r.count;
}

// Right edge of the frame: 8 characters behind the last column title.
int spk_list_frame_right(int w) { return SPK_LIST_MARGIN + 175 * w + 8 * w; }

// One printed row; the aim point needs the face table built.
int spk_list_row_cells(int row, int w, SpkPrintCell* cells) {
  if (!g_spk_list || row < 0 || row >= g_spk_list_count) return 0;
  const PlacedSpeaker& ps = *g_spk_list[row];
  const SpeakerRecord* type = type_of(ps);
  char t[48];
  CellRow r{cells, 0, SPK_LIST_MARGIN};
  std::snprintf(t, sizeof t, "%3d", row + 1);
  r.add(-2 * w, 3 * w, 5 * w, SPK_CELL_RIGHT, t);
  std::snprintf(t, sizeof t, "%.*s", type ? field_length(type->manufacturer, sizeof type->manufacturer) : 0,
                type ? type->manufacturer : "");
  r.add(0, 20 * w, 22 * w, SPK_CELL_LEFT, t);
  std::snprintf(t, sizeof t, "%.*s", type ? field_length(type->type_name, sizeof type->type_name) : 0,
                type ? type->type_name : "");
  r.add(0, 11 * w, 12 * w, SPK_CELL_LEFT, t);
  std::snprintf(t, sizeof t, "%.*s", field_length(ps.name, sizeof ps.name), ps.name);
  r.add(0, 11 * w, 12 * w, SPK_CELL_LEFT, t);
  for (int i = 0; i < 3; ++i) {
    std::snprintf(t, sizeof t, "%4.1f", shown_length(ps.position[i]));
    r.add(0, 6 * w, 7 * w, SPK_CELL_RIGHT, t);
  }
  const float angles[3] = {ps.horizontal_angle, ps.vertical_angle, ps.rotation_angle};
  const int steps[3] = {7, 7, 9};
  for (int i = 0; i < 3; ++i) {
    std::snprintf(t, sizeof t, "%1.0f °", angles[i] * 180.0 / PI);
    r.add(0, 6 * w, steps[i] * w, SPK_CELL_RIGHT, t);
  }
  std::snprintf(t, sizeof t, "%3.3f", ps.delay_ms);
  r.add(0, 7 * w, 9 * w, SPK_CELL_RIGHT, t);
  float aim[3];
  bool hit = spk_aim_footprint(ps, aim) >= 0;
  for (int i = 0; i < 3; ++i) {
    if (hit) std::snprintf(t, sizeof t, "%4.1f", shown_length(aim[i]));
    r.add(0, 6 * w, steps[i] * w, hit ? SPK_CELL_RIGHT : SPK_CELL_CENTRE, hit ? t : "---");
  }
  for (int b = 0; b < SPK_BANDS; ++b) {
    std::snprintf(t, sizeof t, "%4.1f", spk_list_shown_power(ps, b));
    r.add(0, 7 * w, 8 * w, SPK_CELL_RIGHT, t);
  }
  return r.count;
}

// A totals line: the label, then the seven figures under the band columns;
// with wide figures a total of 10000 or more loses its decimal place.
int spk_list_total_cells(const char* label, const float totals[7], int wide_figures, int w, SpkPrintCell* cells) {
  CellRow r{cells, 0, SPK_LIST_MARGIN + 84 * w};
  r.add(0, 30 * w, 43 * w, SPK_CELL_LEFT, label);
  char t[48];
  for (int b = 0; b < SPK_BANDS; ++b) {
    std::snprintf(t, sizeof t, wide_figures && totals[b] >= WIDE_TOTAL ? "%5.0f" : "%4.1f", totals[b]);
    r.add(0, 7 * w, 8 * w, SPK_CELL_RIGHT, t);
  }
  return r.count;
}
