// Small modal input dialogs: one line of text, an absolute point, a polar
// offset, and a text with its height and angle. Each returns 1 for OK, 0 for
// cancel. The dialogs are Win32 (framework/input_dialogs_win.cpp); the value
// rules they apply are portable.
#pragma once

int dlg_input_line(const char* caption, char* buffer, int max_length, int fix_comma);
int dlg_point_absolute(double& x, double& y, double& z, const char* caption);
int dlg_point_polar(double& distance, double& angle);
int dlg_text(float& height, float& angle, char* text, int max_length);

double dlg_wrap_degrees(double degrees);
double dlg_polar_angle_radians(double degrees);
