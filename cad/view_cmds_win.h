// The view and option commands every program with the CAD view shares:
// snaps, wireframe or hidden faces, the eye point, layer switches, grid size
// and the unit; each keeps the menu's check marks and the 3D panel in step.
#pragma once
#include <windows.h>

void cad_cmd_point_snap(int id);       // 508 off, 509 on
void cad_cmd_coordinate_snap(int id);  // 511 off, 512 on
void cad_cmd_render_mode(int id);      // 604 wireframe, 605 hidden faces
void cad_cmd_pick_eye_point();         // 606
void cad_cmd_toggle_layer(int id);     // 610-612 layers 0-2, 613 layer 7, 614 the grid
void cad_cmd_grid_size();              // 514
void cad_cmd_unit(int id);             // 516 metres, 517 feet; the caller keeps its history
void cad_check_menu_item(int id, bool on);
// The layer and colour of a command's id range (1000s loudspeakers, 2000s
// room, 3000s listener areas, 4000s auxiliary drawing), the layer shown when
// it was hidden; the snap layer follows unless it is the listener layer or
// the program keeps it.
void cad_select_command_layer(int id, bool set_snap_layer);
// A button or command id of 20000 and above while a command waits: OK, STOP,
// or a message for the current drawing window (result windows' own buttons).
void cad_forward_command_button(int id, LPARAM lparam);
// After a project was loaded: wireframe checked in the menu and the 3D panel
// told to refresh its buttons from the view.
void cad_show_loaded_view();
