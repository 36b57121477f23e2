#include "design/speaker_aiming.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "acoustics/speaker_aim.h"
#include "cad/cad_state.h"
#include "cad/edit_steps.h"
#include "cad/input.h"
#include "cad/input_wait_win.h"
#include "cad/input_win.h"
#include "cad/obj_store.h"
#include "cad/panel_win.h"
#include "cad/render.h"
#include "cad/view.h"
#include "design/speaker_cmds.h"
#include "framework/gfx_win.h"
#include "framework/input_dialogs.h"
#include "framework/units.h"
#include "framework/win_frame_win.h"
#include "project/calc_options.h"
#include "speakers/speaker_model.h"

namespace {

constexpr uint32_t BACKGROUND_COLOUR = 30;
constexpr int FIRST_BAND_BUTTON = 20000;
constexpr int BAND_BUTTON_SIZE = 32;
constexpr int AIM_BAND = 3;  // 1 kHz when all bands are shown
constexpr int ANGLE_CHARS = 39;
constexpr int READOUT_LINE = 16;
constexpr uint32_t FOOTPRINT_COLOUR = 26;
constexpr uint32_t NOT_DRAWN = 0xE0;
const int BAND_HZ[SPK_BANDS] = {125, 250, 500, 1000, 2000, 4000, 8000};
const char* const BAND_LABELS[SPK_BANDS] = {"125", "250", "500", " 1k", " 2k", " 4k", " 8k"};

void set_prefix(const char* prefix) {
  std::snprintf(g_prompt_prefix, sizeof g_prompt_prefix, "%s", prefix);
  view_show_prompt("");
}


void draw_in(DrawObject* object, uint32_t colour) {
  uint32_t kept = object->colour;
  object->colour = colour;
  render_objects(object, object, 0);
  object->colour = kept;
}

std::vector<DrawObject*> select_speakers(const char* prefix) {
  set_prefix(prefix);
  input_select_objects();
  std::vector<DrawObject*> list(size_t(spk_selected_speakers(nullptr, 0)));
  if (!list.empty()) spk_selected_speakers(list.data(), int(list.size()));
  return list;
}

// The array commands' base point and angle; false on STOP or cancel.
bool ask_base_and_angle(double base[3], double* radians) {
  view_show_prompt("Basispunkt :");
  input_wait_event();
  if (g_abort_flag) return false;
  base[0] = g_last_point.x, base[1] = g_last_point.y, base[2] = g_last_point.z;
  char text[ANGLE_CHARS + 1] = "0";
  if (!dlg_input_line("Drehwinkel (Grad) : ", text, int(sizeof text), 1)) return false;
  double degrees = 0;
  if (std::sscanf(text, "%lf", &degrees) != 1) degrees = 0;
  *radians = degrees * SPK_PI / 180.0;
  return true;
}

void finish_array() {
  input_update_cursor(1);
  g_modified = 1;
  cad_end_command();
  spk_rebuild_aim_lines();
  input_deselect_all();
}

// ---- central aiming ---------------------------------------------------

struct EyeViewKept {
  int band;
  float azimuth, elevation, step;
  WorldPoint eye;
  int16_t kind;
};

HWND g_band_buttons[SPK_BANDS] = {};

void create_band_buttons() {
  int left, top, right, bottom;
  view_get_margins(&left, &top, &right, &bottom);
  for (int i = 0; i < SPK_BANDS; ++i)
    g_band_buttons[i] = win_create_button(BAND_LABELS[i], 0, top + BAND_BUTTON_SIZE * i, BAND_BUTTON_SIZE,
                                          BAND_BUTTON_SIZE, FIRST_BAND_BUTTON + i);
  SetFocus(win_main_window());
  ValidateRect(win_main_window(), nullptr);
}

void destroy_band_buttons() {
  for (HWND& b : g_band_buttons) {
    if (b) DestroyWindow(b);
    b = nullptr;
  }
}

int current_band() { return g_calc_options.band > 6 ? AIM_BAND : g_calc_options.band; }

void draw_aim_readout(const SpeakerRecord* type, DrawObject* footprint, float rotation) {
  gfx_set_back_colour(BACKGROUND_COLOUR);
  char line[64];
  const float eye[3] = {g_view.eye_point.x, g_view.eye_point.y, g_view.eye_point.z};
  const char* formats[3] = {"X: %3.3f", "Y: %3.3f", "Z: %3.3f"};
  for (int i = 0; i < 3; ++i) {
    std::snprintf(line, sizeof line, formats[i], eye[i]);
    gfx_text_out(0, READOUT_LINE * i, line);
  }
  std::snprintf(line, sizeof line, "Hor. %3.0f°", -(g_view.eye_azimuth + SPK_HALF_PI_F) * 180.0 / SPK_PI);
  gfx_text_out(0, READOUT_LINE * 3, line);
  std::snprintf(line, sizeof line, "Ver. %3.0f°", (g_view.eye_elevation + SPK_HALF_PI_F) * 180.0 / SPK_PI);
  gfx_text_out(0, READOUT_LINE * 4, line);
  std::snprintf(line, sizeof line, "%4.0f Hz", double(BAND_HZ[current_band()]));
  gfx_text_out(0, READOUT_LINE * 5, line);
  gfx_set_back_colour(5);
  gfx_set_pen(23);
  int cx = int(g_view.screen_centre_x), cy = int(g_view.screen_centre_y);
  gfx_draw_line(cx - 5, cy, cx + 6, cy);
  gfx_draw_line(cx, cy - 5, cx, cy + 6);
  if (type && footprint) {
    spk_footprint_nodes(*type, current_band(), -rotation, footprint->nodes);
    g_render_refs.aim_band_hz = BAND_HZ[current_band()];
    render_speaker_rings();
  }
}

// A band button ends the wait with the focus on it: that band is shown.
// Any other point turns the eye toward the clicked pixel.
void after_wait() {
  HWND focus = GetFocus();
  bool band_chosen = false;
  if (focus != win_main_window())
    for (int i = 0; i < SPK_BANDS; ++i)
      if (focus && focus == g_band_buttons[i]) {
        g_calc_options.band = int16_t(i);
        band_chosen = true;
      }
  SetFocus(win_main_window());
  if (band_chosen || g_finish_flag || g_abort_flag) return;
  RECT client;
  GetClientRect(win_main_window(), &client);
  double az = g_view.eye_azimuth, el = g_view.eye_elevation;
  int dx = int(std::lround(g_cursor_screen_x - g_view.screen_centre_x));
  int dy = int(std::lround(g_cursor_screen_y - g_view.screen_centre_y));
  if (spk_eye_turn_toward(&az, &el, dx, dy, client.right - client.left)) {
    g_view.eye_azimuth = float(az);
    g_view.eye_elevation = float(el);
  }
}

void aim_one(DrawObject* object, DrawObject* footprint) {
  PlacedSpeaker& ps = *spk_placed_of(object);
  object->attributes = NOT_DRAWN;  // the eye stands inside the shape
  g_finish_flag = g_abort_flag = 0;
  g_view.eye_point = WorldPoint{ps.position[0], ps.position[1], ps.position[2]};
  double az, el;
  spk_eye_angles_of(ps, &az, &el);
  g_view.eye_azimuth = float(az);
  g_view.eye_elevation = float(el);
  g_view.rotation_step = float(SPK_PI / 180.0);
  g_view.kind = VIEW_EYE;
  const SpeakerRecord* type =
      ps.type_index < g_speaker_types.count ? g_speaker_types.records[ps.type_index] : nullptr;
  while (!g_finish_flag && !g_abort_flag) {
    input_update_cursor(0);
    view_set_angles();
    view_update_rotation();
    view_relayout();
    draw_aim_readout(type, footprint, ps.rotation_angle);
    input_update_cursor(1);
    input_wait_event();
    after_wait();
  }
  if (!g_abort_flag) {
    spk_angles_from_eye(ps, g_view.eye_azimuth, g_view.eye_elevation);
    spk_build_object(&ps, object, 1);
    g_modified = 1;
  }
  object->attributes = 0;
}

}  // namespace

// 1012: the selected loudspeakers look at a picked point.
void spk_cmd_aim_at_target() {
  if (!g_model_ready) return;
  std::vector<DrawObject*> speakers = select_speakers("LAUTSPRECHER AUSRICHTEN > ");
  if (speakers.empty()) return cad_end_command();
  view_show_prompt("Bezugspunkt");
  input_wait_event();
  if (g_abort_flag) return cad_end_command();
  const double target[3] = {g_last_point.x, g_last_point.y, g_last_point.z};
  cad_erase_selected();
  for (DrawObject* o : speakers) {
    o->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
    PlacedSpeaker& ps = *spk_placed_of(o);
    spk_aim_at(ps, target);
    spk_build_object(&ps, o, 1);
  }
  cad_end_command();
  g_modified = 1;
  spk_rebuild_aim_lines();
}

// 1015: each selected loudspeaker in turn is aimed from its own position in
// the eye view, with its -3, -6 and -9 dB rings; everything the view was
// is put back at the end.
void spk_cmd_aim_central() {
  set_prefix("Lautsprecher ausrichten > ");
  EyeViewKept kept{g_calc_options.band, g_view.eye_azimuth, g_view.eye_elevation, g_view.rotation_step,
                   g_view.eye_point, g_view.kind};
  if (g_calc_options.band > 6) g_calc_options.band = AIM_BAND;
  input_select_objects();
  std::vector<DrawObject*> speakers(size_t(spk_selected_speakers(nullptr, 0)));
  if (!speakers.empty()) spk_selected_speakers(speakers.data(), int(speakers.size()));
  DrawObject* footprint = speakers.empty() ? nullptr : obj_create(0, SPK_FOOTPRINT_NODES, 0);
  bool panel = panel_window() && IsWindowVisible(panel_window());
  if (footprint) {
    footprint->layer = AIM_LINE_LAYER;
    footprint->colour = FOOTPRINT_COLOUR;
    footprint->attributes = OBJ_ATTR_LAYER_HIDDEN;
    view_show_prompt(" ");
    spk_link_balloons();
    if (panel) panel_show(0);
    create_band_buttons();
    g_render_refs.aim_footprint = footprint;
    for (DrawObject* o : speakers) aim_one(o, footprint);
    g_render_refs.aim_footprint = nullptr;
    destroy_band_buttons();
    obj_free(footprint);
  }
  g_calc_options.band = int16_t(kept.band);
  g_view.eye_azimuth = kept.azimuth;
  g_view.eye_elevation = kept.elevation;
  g_view.eye_point = kept.eye;
  g_view.kind = kept.kind;
  g_view.rotation_step = VIEW_ROTATION_STEP;
  if (panel) panel_show(1);
  view_set_angles();
  view_update_rotation();
  input_update_cursor(0);
  view_relayout();
  input_update_cursor(1);
  if (g_modified) spk_rebuild_aim_lines();
  cad_end_command();
}

// 1017: the selected loudspeakers turn about the vertical through a base point.
void spk_cmd_rotate_array() {
  std::vector<DrawObject*> speakers = select_speakers("Lautsprecher drehen");
  if (speakers.empty()) return cad_end_command();
  double base[3], angle;
  if (!ask_base_and_angle(base, &angle)) {
    input_deselect_all();
    return cad_end_command();
  }
  input_update_cursor(0);
  for (DrawObject* o : speakers) {
    o->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
    draw_in(o, BACKGROUND_COLOUR);
    spk_turn_array_member(*spk_placed_of(o), o, angle, base);
    render_objects(o, o, 0);
  }
  finish_array();
}

// 1018: the selected loudspeakers tilt, each about the horizontal line
// through the base point across its own aim.
void spk_cmd_tilt_array() {
  std::vector<DrawObject*> speakers = select_speakers("Lautsprecher neigen>");
  if (speakers.empty()) return cad_end_command();
  double base[3], angle;
  if (!ask_base_and_angle(base, &angle)) {
    input_deselect_all();
    return cad_end_command();
  }
  input_update_cursor(0);
  for (DrawObject* o : speakers) {
    o->attributes &= ~uint32_t(OBJ_ATTR_SELECTED);
    draw_in(o, BACKGROUND_COLOUR);
    PlacedSpeaker& ps = *spk_placed_of(o);
    spk_tilt_array_member(ps, angle, base);
    spk_build_object(&ps, o, 1);
  }
  finish_array();
}
