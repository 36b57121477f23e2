#include "speakers/speaker_model.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "cad/obj_store.h"
#include "cad/render.h"
#include "framework/ui_seam.h"
#include "speakers/legacy_drawing.h"

double g_balloon_power[256];
int g_speaker_limit = MAX_SPEAKERS;
int g_model_ready = 0;

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr uint32_t COLOUR_ON = 12;
constexpr uint32_t COLOUR_OFF = 0;
constexpr uint32_t COLOUR_ERASE = 30;  // the drawing window's white
constexpr double ANGLE_EPSILON = 1e-6;
const char* const MSG_NO_MEMORY = "Nicht genügend Speicher vorhanden";

void put_u16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void put_f32(uint8_t* p, float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(u >> (8 * i));
}
uint16_t get_u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
float get_f32(const uint8_t* p) {
  uint32_t u = p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
  float v;
  std::memcpy(&v, &u, 4);
  return v;
}

void draw(DrawObject* object) {
  if (g_speaker_screen.draw_object) g_speaker_screen.draw_object(object);
}

const SpeakerRecord* type_of(const PlacedSpeaker& ps) {
  if (ps.type_index >= g_speaker_types.count || ps.type_index >= MAX_SPEAKER_TYPES) return nullptr;
  return g_speaker_types.records[ps.type_index];
}

bool is_linked(const DrawObject* object) {
  return object->prev || object->next || g_obj_head == object;
}

// Turns relative coordinates by the three angles in the order rotation
// (about x), vertical (about y), horizontal (about z).
void turn(double& x, double& y, double& z, const PlacedSpeaker& ps) {
  double a = ps.rotation_angle, v = ps.vertical_angle, h = ps.horizontal_angle;
  if (std::fabs(a) >= ANGLE_EPSILON) {
    double y1 = y * std::cos(a) + z * std::sin(a);
    double z1 = -y * std::sin(a) + z * std::cos(a);
    y = y1, z = z1;
  }
  if (std::fabs(v) >= ANGLE_EPSILON) {
    double x1 = x * std::cos(v) - z * std::sin(v);
    double z1 = x * std::sin(v) + z * std::cos(v);
    x = x1, z = z1;
  }
  if (std::fabs(h) >= ANGLE_EPSILON) {
    double x1 = x * std::cos(h) - y * std::sin(h);
    double y1 = x * std::sin(h) + y * std::cos(h);
    x = x1, y = y1;
  }
}

// A symbol of nothing but the two axis nodes, for a program whose built-in
// symbol could not be loaded: the loudspeaker still has its aiming nodes.
bool copy_symbol(DrawObject* object, const DrawObject* symbol) {
  static const WorldPoint AXIS_ONLY[2] = {{1, 0, 0}, {0, 0, 1}};
  uint32_t nodes = symbol ? symbol->node_count : 2;
  uint32_t elements = symbol ? symbol->element_count : 0;
  WorldPoint* n = obj_alloc_nodes(nodes);
  ElementCode* e = obj_alloc_elements(elements);
  if ((nodes && !n) || (elements && !e)) {
    std::free(n);
    std::free(e);
    return false;
  }
  std::memcpy(n, symbol ? symbol->nodes : AXIS_ONLY, sizeof(WorldPoint) * nodes);
  if (elements) std::memcpy(e, symbol->elements, sizeof(ElementCode) * elements);
  object->nodes = n;
  object->node_count = nodes;
  object->elements = e;
  object->element_count = elements;
  return true;
}

void release_shape(DrawObject* object) {
  std::free(object->nodes);
  std::free(object->elements);
  object->nodes = nullptr;
  object->elements = nullptr;
  object->node_count = object->element_count = 0;
}

void draw_with_renderer(DrawObject* object) { render_objects(object, object, 0); }
void redraw_with_renderer() { render_objects(g_obj_head, g_obj_tail, 1); }

}  // namespace

SpeakerScreen g_speaker_screen = {draw_with_renderer, redraw_with_renderer};

void spk_placed_defaults(PlacedSpeaker& ps) {
  ps = PlacedSpeaker{};
  ps.switched_on = 1;
  ps.polarity = 1;
  ps.nominal_power = 1.0f;
}

// The 152-byte stored block; the back pointer is written as 0.
void spk_placed_to_bytes(const PlacedSpeaker& ps, uint8_t* out) {
  std::memset(out, 0, PLACED_SPEAKER_FILE_SIZE);
  std::memcpy(out + 0, ps.name, sizeof ps.name);
  std::memcpy(out + 11, ps.group, sizeof ps.group);
  put_u16(out + 22, ps.switched_on);
  put_u16(out + 24, uint16_t(ps.polarity));
  put_f32(out + 26, ps.nominal_power);
  for (int b = 0; b < SPK_BANDS; ++b) {
    put_f32(out + 30 + 4 * b, ps.eq_gain[b]);
    put_f32(out + 58 + 4 * b, ps.band_power[b]);
    put_f32(out + 86 + 4 * b, ps.intensity[b]);
  }
  put_f32(out + 114, ps.delay_ms);
  for (int i = 0; i < 3; ++i) put_f32(out + 118 + 4 * i, ps.position[i]);
  put_f32(out + 130, ps.horizontal_angle);
  put_f32(out + 134, ps.vertical_angle);
  put_f32(out + 138, ps.rotation_angle);
  put_u16(out + 142, ps.type_index);
}

void spk_placed_from_bytes(PlacedSpeaker& ps, const uint8_t* in) {
  ps = PlacedSpeaker{};
  std::memcpy(ps.name, in + 0, sizeof ps.name);
  std::memcpy(ps.group, in + 11, sizeof ps.group);
  ps.name[sizeof ps.name - 1] = '\0';
  ps.group[sizeof ps.group - 1] = '\0';
  ps.switched_on = get_u16(in + 22);
  ps.polarity = int16_t(get_u16(in + 24));
  ps.nominal_power = get_f32(in + 26);
  for (int b = 0; b < SPK_BANDS; ++b) {
    ps.eq_gain[b] = get_f32(in + 30 + 4 * b);
    ps.band_power[b] = get_f32(in + 58 + 4 * b);
    ps.intensity[b] = get_f32(in + 86 + 4 * b);
  }
  ps.delay_ms = get_f32(in + 114);
  for (int i = 0; i < 3; ++i) ps.position[i] = get_f32(in + 118 + 4 * i);
  ps.horizontal_angle = get_f32(in + 130);
  ps.vertical_angle = get_f32(in + 134);
  ps.rotation_angle = get_f32(in + 138);
  ps.type_index = get_u16(in + 142);
}

// The loudspeaker block of a layer-2 object, or null for any other object.
PlacedSpeaker* spk_placed_of(DrawObject* object) {
  if (!object || object->layer != SPEAKER_LAYER || !object->aux || object->aux_size < sizeof(PlacedSpeaker))
    return nullptr;
  return static_cast<PlacedSpeaker*>(object->aux);
}

// A new unlinked layer-2 object holding a copy of the block, without shape
// yet (spk_build_object gives it one); null when memory runs out.
DrawObject* spk_create_object(const PlacedSpeaker& ps) {
  DrawObject* object = obj_create(sizeof(PlacedSpeaker), 0, 0);
  if (!object) return nullptr;
  PlacedSpeaker* block = static_cast<PlacedSpeaker*>(object->aux);
  *block = ps;
  block->object = object;
  object->layer = SPEAKER_LAYER;
  object->kind = OBJ_KIND_BODY;
  object->colour = (ps.switched_on & 1) ? COLOUR_ON : COLOUR_OFF;
  return object;
}

void spk_report_limit() { ui_message_box("Die maximale Lautsprecheranzahl beträgt 5000", "Sorry!", UI_MB_OK); }

int spk_link_balloons() {
  for (int i = 0; i < g_speaker_types.count && i < MAX_SPEAKER_TYPES; ++i)
    if (SpeakerRecord* r = g_speaker_types.records[i]) r->balloon_link = &r->balloon[0][0][0];
  return 1;
}

// Electrical power and on-axis intensity per band from the equaliser gains,
// limited to the type's rated power.
void spk_update_band_power(PlacedSpeaker& ps) {
  const SpeakerRecord* type = type_of(ps);
  for (int b = 0; b < SPK_BANDS; ++b) {
    if (!type) {
      ps.band_power[b] = ps.intensity[b] = 0.0f;
      continue;
    }
    double rated = type->rated_power[b];
    double power = ps.eq_gain[b] <= -50.0f ? 0.0 : rated * std::pow(10.0, ps.eq_gain[b] / 10.0);
    if (power > rated) power = rated >= 0.1 ? rated : ps.nominal_power * 0.0001;
    ps.band_power[b] = float(power);
    ps.intensity[b] = float(power * std::pow(10.0, type->sensitivity[b] / 10.0));
  }
}

// (Re)builds the object's nodes from the type's symbol, placed at the
// position and turned by the three angles. Without `keep` the old shape is
// erased from the screen and the object taken out of the list first.
void spk_build_object(PlacedSpeaker* ps, DrawObject* object, int keep) {
  if (!ps || !object) return;
  if (!keep) {
    object->attributes ^= OBJ_ATTR_SELECTED;
    object->colour = COLOUR_ERASE;
    draw(object);
    release_shape(object);
    obj_unlink(object);
  }
  SpeakerRecord* type = g_speaker_types.records[ps->type_index < MAX_SPEAKER_TYPES ? ps->type_index : 0];
  if (ps->type_index >= g_speaker_types.count) type = nullptr;
  const DrawObject* symbol = type ? type->symbol : nullptr;
  if (!symbol) {
    symbol = g_default_speaker_symbol;
    if (type) type->symbol = g_default_speaker_symbol;
  }
  release_shape(object);
  if (!copy_symbol(object, symbol)) {
    ui_message_box(MSG_NO_MEMORY, nullptr, UI_MB_OK);
    obj_free(object);
    return;
  }
  object->colour = (ps->switched_on & 1) ? COLOUR_ON : COLOUR_OFF;
  object->attributes = 0;
  object->layer = SPEAKER_LAYER;
  object->kind = OBJ_KIND_BODY;
  ps->object = object;
  // An object already in the list keeps its place; inserting it again would
  // break the list.
  if (!is_linked(object)) obj_insert_before(object, g_obj_head);
  for (uint32_t i = 0; i < object->node_count; ++i) {
    WorldPoint& n = object->nodes[i];
    double x = n.x, y = n.y, z = n.z;
    turn(x, y, z, *ps);
    n = WorldPoint{float(x + ps->position[0]), float(y + ps->position[1]), float(z + ps->position[2])};
  }
  draw(object);
}

// Derives the three angles from the axis nodes of a moved or turned object.
// The rotation is measured after undoing both the horizontal and the
// vertical turn, so that build and recovery agree for every angle; a
// vertical axis leaves the horizontal angle as it was.
void spk_aim_at_point(DrawObject* object) {
  PlacedSpeaker* ps = spk_placed_of(object);
  if (!ps || object->node_count < 2) return;
  const WorldPoint& axis = object->nodes[object->node_count - 2];
  const WorldPoint& up = object->nodes[object->node_count - 1];
  double ax = axis.x - ps->position[0], ay = axis.y - ps->position[1], az = axis.z - ps->position[2];
  double ux = up.x - ps->position[0], uy = up.y - ps->position[1], uz = up.z - ps->position[2];
  double r = std::sqrt(ax * ax + ay * ay);
  double h = ps->horizontal_angle;
  if (r >= 0.001) h = std::fabs(ax) < 0.001 ? (ay <= 0 ? -PI / 2 : PI / 2) : std::atan2(ay, ax);
  double v = r < 0.001 ? (az <= 0 ? -PI / 2 : PI / 2) : std::atan2(az, r);
  // Undo the horizontal turn, then the vertical one.
  double x1 = ux * std::cos(h) + uy * std::sin(h);
  double y1 = -ux * std::sin(h) + uy * std::cos(h);
  double z2 = -x1 * std::sin(v) + uz * std::cos(v);
  ps->horizontal_angle = float(h);
  ps->vertical_angle = float(v);
  ps->rotation_angle = float(std::atan2(y1, z2));
}
