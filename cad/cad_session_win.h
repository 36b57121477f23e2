// The stroke font of the text command, from the program's raw resources.
#pragma once

void cad_load_stroke_font(const char* resource_name);
