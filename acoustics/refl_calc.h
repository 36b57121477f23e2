// The two reflection calculations around the search: the ray command's
// search at a picked receiver (orders 1 to 40, rays above the image-source
// order) and the calculation at a point of the level map, whose order comes
// from the model size and whose result goes straight to the auralisation.
// Both spool to a temporary file in the folder the caller names (the
// program's start-up folder) and read the paths back as ray-path objects.
#pragma once
#include <cstdint>

#include "cad/cad_state.h"  // WorldPoint

// What the program fills in: the auralisation of a point calculation's
// paths (assigned and sorted by time when it is called; the Ld-Lr of the
// grid point in dB). Null while the program has none.
using ReflPointResultHook = void (*)(float direct_reverberant);
extern ReflPointResultHook refl_point_result_hook;

constexpr const char* REFL_MSG_NOT_WRITABLE = "Datei kann nicht auf Laufwerk geschrieben werden";

// The ray search at receiver r with the user's order limit (1 .. 40): the
// progress box "Reflexionsberechnung", the spool, then the mean free path
// at r. Returns the number of paths spooled, or -1 when the spool could not
// be written (reported; the file is removed). Needs the face table and the
// active-loudspeaker table built.
long refl_calculate_rays(const WorldPoint& r, int order, const char* spool_path);

// The calculation at a point: builds and sorts the face table, searches
// with the order of refl_point_order over the current active loudspeakers,
// reads the paths back, assigns and sorts them and hands them to the
// result hook; the paths are removed afterwards. Returns the number of
// paths assigned (0 when nothing was found or nothing could be done).
uint32_t refl_calculate_at_point(const WorldPoint& r, float direct_reverberant, const char* spool_path);
