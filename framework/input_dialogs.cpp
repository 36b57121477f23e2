#include "framework/input_dialogs.h"

// Typed degrees are corrected once into -180..180: 270 gives -90, 540 gives 180.
double dlg_wrap_degrees(double degrees) {
  if (degrees > 180.0) return degrees - 360.0;
  if (degrees < -180.0) return degrees + 360.0;
  return degrees;
}

double dlg_polar_angle_radians(double degrees) { return dlg_wrap_degrees(degrees) * 3.141592654 / 180.0; }
