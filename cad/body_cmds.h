// The face and body construction commands: extrusion and rotation bodies,
// explode and join, insert nodes, split, invert and delete one polygon.
#pragma once

void cad_cmd_extrude();
void cad_cmd_lathe();
void cad_cmd_explode();
void cad_cmd_join();
void cad_cmd_insert_nodes();
void cad_cmd_split_face();
void cad_cmd_invert_face();
void cad_cmd_delete_face();
