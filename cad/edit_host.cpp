#include "cad/edit_host.h"

#include "cad/input.h"
#include "cad/render.h"
#include "cad/view.h"

namespace {

int select_nothing() { return 0; }
int cancel_line(const char*, char*, int, int) { return 0; }
int cancel_point(double&, double&, double&, const char*) { return 0; }
int cancel_text(float&, float&, char*, int) { return 0; }

constexpr EditHost headless() {
  return EditHost{select_nothing, select_nothing, cancel_line, cancel_point, cancel_text};
}

constinit EditHost g_host = headless();

void redraw(DrawObject* object) { render_objects(object, object, 0); }

}  // namespace

EditHost& edit_host() { return g_host; }
void edit_reset_host() { g_host = headless(); }

void cad_wait_event() { view_host().wait_event(); }
void cad_show_cursor(int show) { view_host().update_cursor(show); }

void cad_deselect_all() {
  bool shown = g_cursor_on_screen;
  cad_show_cursor(0);
  input_clear_selection(redraw);
  if (shown) cad_show_cursor(1);
}
