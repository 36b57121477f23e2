// Menu command 5020 "Rays berechnen", the reflection calculation at a point
// picked on the level map, and the display of the ray paths that follows a
// ray calculation or a ray-file load.
#pragma once

// The display of the paths of a calculation or a loaded ray file: it assigns
// and sorts them and shows them until the user leaves. The plain one draws
// the paths in the drawing window; the echogram windows take its place
// when they are registered.
using ReflResultDisplay = void (*)();
extern ReflResultDisplay refl_result_display;
void refl_show_paths();

void refl_cmd_rays();
// The right click on the level map: reflections at the grid point, then
// the auralisation (position, the point's all-band Ld-Lr in dB).
void refl_calculate_at_map_point(float x, float y, float z, float direct_reverberant);
