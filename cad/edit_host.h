// What the interactive editing commands need from the window layer beyond
// the view's host (wait for input, XOR cursor, prompt line): the two
// selection loops and the small entry dialogs. The Win32 layer installs the
// real ones with the drawing window; headless, selections find nothing and
// dialogs answer Cancel, and tests install scripted ones.
#pragma once

struct EditHost {
  int (*select_objects)();  // objects picked until OK or STOP; the number selected
  int (*select_nodes)();    // nodes into the node list; the number added
  int (*input_line)(const char* caption, char* buffer, int max_length, int fix_comma);
  int (*point_dialog)(double& x, double& y, double& z, const char* caption);
  // Height and angle (degrees) of a text, and the text itself; 1 on OK.
  int (*text_dialog)(float& height, float& angle, char* text, int max_length);
};

EditHost& edit_host();
void edit_reset_host();

// The view host's steps under the names the commands use.
void cad_wait_event();
void cad_show_cursor(int show);
// Every selected object deselected and drawn in its own colour.
void cad_deselect_all();
