// Placed loudspeakers: layer-2 objects whose auxiliary block is a
// PlacedSpeaker, their band power and intensity, their shape from the type's
// symbol and their aiming geometry; and the reset of every loudspeaker table.
#pragma once
#include <cstdint>

#include "speakers/speaker_record.h"

struct DrawObject;

constexpr int MAX_SPEAKERS = 5000;
constexpr int PLACED_SPEAKER_FILE_SIZE = 152;  // stored size of the block
constexpr int SPEAKER_LAYER = 2;
constexpr int AIM_LINE_LAYER = 4;
// Equaliser gain of every band of a newly placed loudspeaker: the energy sum
// of the seven bands stays below the rated power (0 dB).
constexpr double SPK_FRESH_EQ_GAIN_DB = -9.0;

// In memory the object's auxiliary block holds this struct (aux size =
// sizeof(PlacedSpeaker)); files hold the 152-byte image, converted with
// spk_placed_to_bytes / spk_placed_from_bytes.
struct PlacedSpeaker {
  char name[11];               // 0
  char group[11];              // 11
  uint16_t switched_on;        // 22: bit 0 set = on
  int16_t polarity;            // 24: +1 / -1
  float nominal_power;         // 26: W
  float eq_gain[SPK_BANDS];    // 30: dB
  float band_power[SPK_BANDS]; // 58: W, derived
  float intensity[SPK_BANDS];  // 86: on-axis, derived
  float delay_ms;              // 114
  float position[3];           // 118: x, y, z in m
  float horizontal_angle;      // 130: radians, turns the axis from +x toward +y
  float vertical_angle;        // 134: radians, raises the axis toward +z
  float rotation_angle;        // 138: radians, about the main axis
  uint16_t type_index;         // 142: index into g_speaker_types
  DrawObject* object;          // 144: back pointer; stored as 0
};

extern double g_balloon_power[256];     // byte -> power ratio, filled by the reset
extern int g_speaker_limit;             // placed-loudspeaker limit
extern int g_model_ready;

void spk_placed_defaults(PlacedSpeaker& ps);
void spk_placed_to_bytes(const PlacedSpeaker& ps, uint8_t* out);
void spk_placed_from_bytes(PlacedSpeaker& ps, const uint8_t* in);
PlacedSpeaker* spk_placed_of(DrawObject* object);
DrawObject* spk_create_object(const PlacedSpeaker& ps);

void spk_report_limit();
int spk_link_balloons();
void spk_update_band_power(PlacedSpeaker& ps);
void spk_build_object(PlacedSpeaker* ps, DrawObject* object, int keep);
void spk_aim_at_point(DrawObject* object);

// Screen output of the model: the renderer by default; null slots draw nothing.
struct SpeakerScreen {
  void (*draw_object)(DrawObject* object);  // draw one object in its colour
  void (*redraw_all)();
};
extern SpeakerScreen g_speaker_screen;

