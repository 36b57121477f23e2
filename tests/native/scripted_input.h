// Scripted input for the interactive commands: cursor moves, clicks, OK and
// STOP handed out by the view's wait as the message loop would, answers for
// the one-line entry, and the message boxes shown.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "cad/cad_state.h"
#include "cad/drag_preview.h"
#include "cad/input.h"
#include "cad/projection.h"
#include "cad/view.h"
#include "framework/ui_seam.h"

namespace scripted {

struct Event {
  enum Kind { MOVE, CLICK, OK, STOP } kind;
  WorldPoint point;
};
inline Event move(float x, float y) { return {Event::MOVE, {x, y, 0}}; }
inline Event click(float x, float y, float z = 0) { return {Event::CLICK, {x, y, z}}; }
inline const Event OK{Event::OK, {}};
inline const Event STOP{Event::STOP, {}};

inline std::deque<Event> g_events;
inline std::deque<std::string> g_lines;  // answers of the one-line entry; "" cancels
inline std::vector<std::string> g_boxes;

// The cursor moves to a point, dragging the preview along.
inline void move_cursor(const WorldPoint& p) {
  g_cursor_point = p;
  if (g_view.drag_preview) cad_draw_drag_preview(1);
  g_last_point = p;
  view_project_point(p);
  g_cursor_screen_x = view_screen_points()[0].x;
  g_cursor_screen_y = view_screen_points()[0].y;
}

// One input step: cursor moves until a click, OK or STOP ends the wait as
// the message loop would end it.
inline void scripted_wait() {
  input_clear_flags();
  g_click_flag = 0;
  while (!g_events.empty() && g_events.front().kind == Event::MOVE) {
    move_cursor(g_events.front().point);
    g_events.pop_front();
  }
  if (g_events.empty()) {
    g_abort_flag = 1;
    return;
  }
  Event e = g_events.front();
  g_events.pop_front();
  if (e.kind == Event::STOP) g_abort_flag = 1;
  if (e.kind == Event::OK) g_finish_flag = 1;
  if (e.kind != Event::CLICK) return;
  move_cursor(e.point);
  g_accepted_point = e.point;
  g_click_flag = 1;
}

inline int answer_line(const char*, char* buffer, int max_length, int) {
  if (g_lines.empty() || g_lines.front().empty()) {
    if (!g_lines.empty()) g_lines.pop_front();
    return 0;
  }
  std::snprintf(buffer, size_t(max_length), "%s", g_lines.front().c_str());
  g_lines.pop_front();
  return 1;
}

inline int record_box(const char* text, const char*, unsigned) {
  g_boxes.push_back(text);
  return UI_IDOK;
}

}  // namespace scripted
