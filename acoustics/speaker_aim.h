// Where the loudspeakers' main axes meet the room: the aim point on the room
// faces and the aim-line display.
#pragma once

struct PlacedSpeaker;

int spk_aim_footprint(const PlacedSpeaker& ps, float out_point[3]);
void spk_rebuild_aim_lines();
