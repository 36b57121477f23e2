#include "acoustics/speaker_aim.h"

#include <cmath>
#include <vector>

#include "acoustics/face_table.h"
#include "acoustics/ray_geom.h"
#include "cad/obj_store.h"
#include "framework/ui_seam.h"
#include "speakers/speaker_model.h"

namespace {

constexpr uint32_t AIM_LINE_COLOUR = 22;
constexpr double AIM_REACH = 10000.0;
constexpr double NO_HIT_DISTANCE = 1e6;

struct AimLine {
  WorldPoint from, to;
};

// The box of the aiming segment, widened to whole units outward so that a
// face close to the loudspeaker is never filtered away.
void segment_box(const WorldPoint& p, const WorldPoint& e, float box[6]) {
  const float a[3] = {p.x, p.y, p.z}, b[3] = {e.x, e.y, e.z};
  for (int i = 0; i < 3; ++i) {
    box[2 * i] = std::floor(std::fmin(a[i], b[i]));
    box[2 * i + 1] = std::ceil(std::fmax(a[i], b[i]));
  }
}

bool boxes_overlap(const FaceEntry& f, const float box[6]) {
  return f.x_min <= box[1] && f.x_max >= box[0] && f.y_min <= box[3] && f.y_max >= box[2] &&
         f.z_min <= box[5] && f.z_max >= box[4];
}

bool ahead(const WorldPoint& d, const WorldPoint& p, const WorldPoint& i) {
  return d.x * (i.x - p.x) >= 0 && d.y * (i.y - p.y) >= 0 && d.z * (i.z - p.z) >= 0;
}

void delete_first_aim_line_object() {
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    if (o->layer == uint32_t(AIM_LINE_LAYER)) {
      obj_free(o);
      return;
    }
  }
}

std::vector<AimLine> aim_lines_of_switched_on() {
  std::vector<AimLine> lines;
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    const PlacedSpeaker* ps = spk_placed_of(o);
    if (!ps || !(ps->switched_on & 1)) continue;
    float hit[3];
    if (spk_aim_footprint(*ps, hit) < 0) continue;
    lines.push_back(AimLine{{ps->position[0], ps->position[1], ps->position[2]}, {hit[0], hit[1], hit[2]}});
  }
  return lines;
}

bool any_switched_on() {
  for (DrawObject* o = g_obj_head; o; o = o->next) {
    const PlacedSpeaker* ps = spk_placed_of(o);
    if (ps && (ps->switched_on & 1)) return true;
  }
  return false;
}

void redraw_all() {
  if (g_speaker_screen.redraw_all) g_speaker_screen.redraw_all();
}

}  // namespace

// Where the loudspeaker's main axis first meets a room face of the built
// face table: the face index and the point, or -1.
int spk_aim_footprint(const PlacedSpeaker& ps, float out_point[3]) {
  double h = ps.horizontal_angle, v = ps.vertical_angle;
  WorldPoint p{ps.position[0], ps.position[1], ps.position[2]};
  WorldPoint e{float(p.x + AIM_REACH * std::cos(v) * std::cos(h)), float(p.y + AIM_REACH * std::cos(v) * std::sin(h)),
               float(p.z + AIM_REACH * std::sin(v))};
  WorldPoint d{e.x - p.x, e.y - p.y, e.z - p.z};
  if (std::fabs(d.x) < 0.1f) d.x = 0.0f;
  float box[6];
  segment_box(p, e, box);
  int best = -1;
  double best_distance = NO_HIT_DISTANCE;
  for (int i = 0; i < g_face_count; ++i) {
    const FaceEntry& face = g_face_table[i];
    if (!boxes_overlap(face, box)) continue;
    WorldPoint hit;
    if (!refl_intersect_face(face, p, d, &hit)) continue;
    double dx = hit.x - p.x, dy = hit.y - p.y, dz = hit.z - p.z;
    double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (distance >= best_distance || !ahead(d, p, hit)) continue;
    best = i;
    best_distance = distance;
    out_point[0] = hit.x, out_point[1] = hit.y, out_point[2] = hit.z;
  }
  return best;
}

// The aim-line display: one line from every switched-on loudspeaker to the
// point where its axis meets the room, all in one layer-4 object.
void spk_rebuild_aim_lines() {
  bool had_lines = false;
  for (DrawObject* o = g_obj_head; o && !had_lines; o = o->next) had_lines = o->layer == uint32_t(AIM_LINE_LAYER);
  delete_first_aim_line_object();
  if (!any_switched_on()) {
    if (had_lines) redraw_all();  // the old lines must leave the screen
    return;
  }
  refl_build_face_table();
  std::vector<AimLine> lines = aim_lines_of_switched_on();
  if (lines.empty()) {
    if (had_lines) redraw_all();
    return;
  }
  uint32_t n = uint32_t(lines.size());
  DrawObject* object = obj_create(0, 2 * n, 2 * n);
  if (!object) {
    ui_message_box("Nicht genügend Speicher vorhanden", nullptr, UI_MB_OK);
    return;
  }
  for (uint32_t k = 0; k < n; ++k) {
    object->nodes[2 * k] = lines[k].from;
    object->nodes[2 * k + 1] = lines[k].to;
    object->elements[2 * k] = ElementCode{EL_START, uint16_t(2 * k)};
    object->elements[2 * k + 1] = ElementCode{EL_LINE, uint16_t(2 * k + 1)};
  }
  object->layer = AIM_LINE_LAYER;
  object->colour = AIM_LINE_COLOUR;
  object->kind = OBJ_KIND_POLYLINE;
  object->attributes = g_layers[AIM_LINE_LAYER].visible ? 0u : uint32_t(OBJ_ATTR_LAYER_HIDDEN);
  obj_insert_before(object, g_obj_head);
  redraw_all();
}
