// The eight EASE menu commands (ids 120-127): faces and loudspeakers in and
// out in the 2.x and 3.x text formats.
#pragma once

void ease_import_faces_v2();
void ease_import_faces_v3();
void ease_export_faces_v2();
void ease_export_faces_v3();
void ease_import_speakers_v2();
void ease_import_speakers_v3();
void ease_export_speakers_v2();
void ease_export_speakers_v3();
