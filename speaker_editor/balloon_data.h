// The editor's balloon arithmetic: levels, power ratios and balloon bytes,
// the power mean of two bytes, the directivity factor of a band, the
// efficiency from sensitivity and Q, and the rotation about the main axis.
// The editor rounds levels in single precision with ties to even; the
// design program's own conversion (spk_db_to_balloon_byte) rounds halves up.
#pragma once
#include <cstdint>

uint8_t spked_db_to_balloon_byte(float db);
double spked_balloon_byte_to_power(int byte);
uint8_t spked_power_to_balloon_byte(float ratio);
uint8_t spked_average_balloon_bytes(int a, int b);

// Q of one band of a 7 x 37 x 72 balloon; never below 1.
double spked_band_directivity_factor(const uint8_t* balloon, int band);
// Efficiency as a ratio; Q below 0.1 counts as 0.1.
double spked_efficiency(double sensitivity_db, double q);
// The record fields: Q x 10 and efficiency in tenths of a per cent, both
// truncated toward zero and held within their 16-bit range.
int16_t spked_q_field(double q);
int16_t spked_efficiency_field(double efficiency);
// The efficiency field of a shown percentage text: the text read as a
// single-precision number, times ten, truncated ("0.7" gives 6); `old`
// when the text is no number.
int16_t spked_percent_text_field(const char* text, int16_t old);
// Q of a stored Q x 10 field, never below 0.1 (a damaged field stays finite).
double spked_q_from_field(int16_t q_times_10);

// Turns every band of the balloon by steps x 5 degrees of azimuth: the new
// value at azimuth p is the old one at p - steps (modulo 72).
void spked_rotate_balloon_bytes(uint8_t* balloon, int steps);
