// The project's material table against the room faces that index into it.
#pragma once

void mat_purge_unused();
int mat_assign_selected(int material_index);
