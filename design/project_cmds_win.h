// The project menu commands and the open dialog of the design program.
#pragma once

int proj_open_dialog();
void proj_cmd_open();
void proj_cmd_save_as();
void proj_cmd_insert_drawing();
void proj_cmd_import_room();
