#include "cad/cad_session_win.h"

#include "cad/cad_session.h"
#include "cad/cad_state.h"
#include "framework/win_frame_win.h"

void cad_load_stroke_font(const char* resource_name) {
  cad_free_stroke_font();
  size_t size = 0;
  g_stroke_font = static_cast<unsigned char*>(win_load_data_resource(resource_name, &size));
  g_stroke_font_size = g_stroke_font ? size : 0;
}
