#include "cad/render.h"

#include <algorithm>

#include "cad/input.h"
#include "cad/obj_store.h"
#include "cad/view.h"

RenderRefs g_render_refs = {};
DrawObject* g_axis_cross = nullptr;
RenderScreenBox g_render_screen_box = {32767, 32767, -32767, -32767};

namespace {

class NullTarget : public RenderTarget {
 public:
  int client_width() override { return g_view.window_width; }
  int client_height() override { return g_view.window_height; }
  void set_pen(int index) override { pen_ = index; }
  int pen() override { return pen_; }
  void set_brush(int) override {}
  void set_back_colour(int) override {}
  void set_text_colour(int) override {}
  void move_to(int, int) override {}
  void line_to(int, int) override {}
  void polyline(const PolyPoint*, int) override {}
  void polygon(PolyPoint*, int, bool) override {}
  void rect_outline(int, int, int, int) override {}
  void fill_rect(int, int, int, int, int) override {}
  void text_out(int, int, const char*) override {}
  void text_centred(int, int, int, int, const char*, int) override {}
  bool begin_offscreen() override { return false; }
  void end_offscreen() override {}
  void set_raster_op(int mode) override { rop_ = mode; }
  int raster_op() override { return rop_; }

 private:
  int pen_ = 0;
  int rop_ = 13;
};

NullTarget g_null_target;
RenderTarget* g_target = &g_null_target;

constexpr int PEN_NODE_BOX = 19;
constexpr int PEN_PICK_MARK = 23;
constexpr int PEN_LEGEND = 21;
constexpr int PEN_GRID = 6;
constexpr int COLOUR_WHITE = 30;

EyePolygon g_eye_list[MAX_EYE_POLYGONS];
int g_eye_count = 0;

const DrawObject* axis_cross() {
  return g_render_refs.axis_cross ? g_render_refs.axis_cross : g_axis_cross;
}

bool not_drawn(const DrawObject* o) { return (o->attributes & OBJ_ATTR_HIDDEN_MASK) != 0; }
bool is_surface(const DrawObject* o) { return (o->kind & OBJ_KIND_SURFACE_MASK) != 0; }

void make_current_and_project(const DrawObject* object) {
  obj_make_current(OBJ_MC_LOAD, const_cast<DrawObject*>(object));
  view_project_object();
}

// Plane and 3D views: loudspeakers and balloon meshes always lose their back
// faces; in hidden mode every face and body does, listener areas excepted.
bool culls(const DrawObject* o) {
  if (o->layer == LAYER_SPEAKER || o->layer == LAYER_BALLOON) return true;
  return g_view.hidden_mode && is_surface(o) && o->layer != LAYER_LISTENER;
}

void widen_scene_box() {
  RenderScreenBox& b = g_render_screen_box;
  b.min_x = std::min(b.min_x, g_object_box.min_x);
  b.min_y = std::min(b.min_y, g_object_box.min_y);
  b.max_x = std::max(b.max_x, g_object_box.max_x);
  b.max_y = std::max(b.max_y, g_object_box.max_y);
}

// A chain of points walked along the elements: open chains become
// polylines, closed ones outline polygons (culled by their orientation).
struct Chain {
  int count = 0;
  void add(const ScreenPoint& p) {
    if (count < MAX_POLYGON_POINTS) g_polygon_points[count++] = PolyPoint{p.x, p.y};
  }
  void flush_open(RenderTarget& t) {
    if (count >= 2) t.polyline(g_polygon_points, count);
    count = 0;
  }
  void close(RenderTarget& t, bool cull) {
    if (count == 0) return;
    g_polygon_points[count] = g_polygon_points[0];
    double area = 0.0;
    for (int i = 0; i < count; ++i) {
      const PolyPoint& a = g_polygon_points[i];
      const PolyPoint& b = g_polygon_points[i + 1];
      area += static_cast<double>(a.x - b.x) * (a.y + b.y);
    }
    if (!cull || area >= 0.0) t.polygon(g_polygon_points, count, false);
    count = 0;
  }
};

void draw_elements(const DrawObject* o, RenderTarget& t, bool cull) {
  const ScreenPoint* sp = view_screen_points();
  const uint32_t limit = static_cast<uint32_t>(g_projected_count);
  Chain chain;
  for (uint32_t i = 0; i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_MATERIAL || e.code > EL_CLOSE) continue;
    if (e.value >= limit) continue;
    if (e.code == EL_START) {
      chain.flush_open(t);
      chain.add(sp[e.value]);
    } else if (e.code == EL_LINE) {
      chain.add(sp[e.value]);
    } else {
      chain.add(sp[e.value]);
      chain.close(t, cull);
    }
  }
  chain.flush_open(t);
}

void draw_node_boxes(const DrawObject* o, RenderTarget& t) {
  const ScreenPoint* sp = view_screen_points();
  int saved = t.pen();
  t.set_pen(PEN_NODE_BOX);
  for (int i = 0; i < g_projected_count; ++i) t.rect_outline(sp[i].x - 2, sp[i].y - 2, sp[i].x + 2, sp[i].y + 2);
  t.set_pen(saved);
}

void draw_object(const DrawObject* o, int mode, RenderTarget& t) {
  if (o->attributes & OBJ_ATTR_SELECTED) {
    if (mode && g_view.drag_preview) return;  // its preview shows it
    t.set_pen(g_view.selected_pen);
  } else {
    t.set_pen(static_cast<int>(o->colour));
  }
  make_current_and_project(o);
  if (g_projected_count == 0) return;
  if (mode) widen_scene_box();
  const ObjectScreenBox& b = g_object_box;
  if (b.max_x < 0 || b.max_y < 0 || b.min_x > t.client_width() || b.min_y > t.client_height())
    return;
  if (b.max_x - b.min_x < 4 && b.max_y - b.min_y < 4) {
    t.rect_outline(b.min_x, b.min_y, b.max_x, b.max_y);
    return;
  }
  draw_elements(o, t, culls(o));
  if (g_view.node_boxes && o->layer == static_cast<uint32_t>(g_view.current_layer) &&
      o->layer != LAYER_SPEAKER)
    draw_node_boxes(o, t);
}

void draw_axis_cross_3d(RenderTarget& t, int h) {
  const DrawObject* cross = axis_cross();
  if (!cross || cross->node_count <= 18 || !cross->nodes) return;
  // Fixed size whatever the zoom: two pixels per unit of the symbol.
  const double(&r)[3][3] = g_view.rotation;
  const WorldPoint& o = cross->nodes[18];
  auto pixel = [&](uint32_t n, int* x, int* y) {
    const WorldPoint& p = cross->nodes[n];
    double dx = p.x - o.x, dy = p.y - o.y, dz = p.z - o.z;
    *x = 45 + static_cast<int>(2.0 * (r[0][0] * dx + r[0][1] * dy + r[0][2] * dz));
    *y = h - 45 - static_cast<int>(2.0 * (r[1][0] * dx + r[1][1] * dy + r[1][2] * dz));
  };
  for (uint32_t i = 0; i < cross->element_count; ++i) {
    const ElementCode& e = cross->elements[i];
    if (e.value >= cross->node_count || e.code > EL_LINE) continue;
    int x, y;
    pixel(e.value, &x, &y);
    if (e.code == EL_START) t.move_to(x, y); else t.line_to(x, y);
  }
}

void draw_overlays(RenderTarget& t) {
  int16_t cmd = g_running_command;
  if (g_node_list && (cmd == 2311 || cmd == 3311 || cmd == 4311))
    render_pick_markers();
  else if (g_render_refs.first_pick_object && g_render_refs.face_pick_count > 1)
    render_highlight_first_pick();
  render_axis_legend();
  if (g_view.comment[0]) {
    int w = t.client_width(), h = t.client_height();
    t.text_centred(0, h - 16, w, h, g_view.comment, 0);
  }
}

}  // namespace

RenderTarget& render_null_target() { return g_null_target; }
RenderTarget& render_target() { return *g_target; }
RenderTarget* render_set_target(RenderTarget* target) {
  RenderTarget* previous = g_target;
  g_target = target ? target : &g_null_target;
  return previous;
}

void render_objects(const DrawObject* first, const DrawObject* last, int mode) {
  if (g_view.kind == VIEW_EYE) {
    render_eye_view(first, last, mode);
    return;
  }
  RenderTarget& t = render_target();
  g_view.busy = 1;
  if (mode) {
    t.fill_rect(0, 0, t.client_width(), t.client_height(), COLOUR_WHITE);
    g_render_screen_box = RenderScreenBox{32767, 32767, -32767, -32767};
    if (g_layers[LAYER_GRID].visible) render_grid();
  }
  for (const DrawObject* o = first; o; o = o->next) {
    if (!not_drawn(o)) draw_object(o, mode, t);
    if (o == last) break;
  }
  if (mode) draw_overlays(t);
  t.set_pen(g_view.current_colour);
  g_view.busy = 0;
}

int render_compare_depth(const EyePolygon& a, const EyePolygon& b) {
  if (a.depth_max != b.depth_max) return a.depth_max > b.depth_max ? -1 : 1;
  if (a.depth_min != b.depth_min) return a.depth_min > b.depth_min ? -1 : 1;
  return 0;
}

// Far first: painters draw the near polygons last.
void render_sort_by_depth(int count) {
  std::sort(g_eye_list, g_eye_list + count,
            [](const EyePolygon& a, const EyePolygon& b) { return render_compare_depth(a, b) < 0; });
}

int render_eye_polygon_count() { return g_eye_count; }
const EyePolygon* render_eye_polygons() { return g_eye_list; }

static void collect_eye_polygons(const DrawObject* first, const DrawObject* last) {
  g_eye_count = 0;
  for (const DrawObject* o = first; o; o = o->next) {
    if (!not_drawn(o) && is_surface(o) && o->layer != LAYER_LISTENER && o->nodes && o->elements) {
      render_object_to_eye(o);
      int sign = (o->layer == LAYER_SPEAKER || o->layer == LAYER_AUX) ? -1 : 1;
      for (uint32_t i = 0; i < o->element_count; ++i) {
        if (o->elements[i].code != EL_START) continue;
        if (render_clip_project_depth(o, static_cast<int>(i), sign) == 0) continue;
        if (g_eye_count < MAX_EYE_POLYGONS)
          g_eye_list[g_eye_count++] =
              EyePolygon{o, static_cast<int>(i), g_polygon_depth_max, g_polygon_depth_min};
      }
    }
    if (o == last) break;
  }
}

void render_eye_view(const DrawObject* first, const DrawObject* last, int mode) {
  RenderTarget& t = render_target();
  if (!first) {
    t.set_pen(g_view.current_colour);
    t.set_brush(COLOUR_WHITE);
    return;
  }
  g_view.busy = 1;
  render_eye_setup();
  bool buffered = g_view.hidden_mode && t.begin_offscreen();
  if (mode) {
    t.fill_rect(0, 0, t.client_width(), t.client_height(), COLOUR_WHITE);
    g_render_screen_box = RenderScreenBox{32767, 32767, -32767, -32767};
  }
  collect_eye_polygons(first, last);
  if (g_view.hidden_mode) render_sort_by_depth(g_eye_count);
  const DrawObject* current = nullptr;
  for (int i = 0; i < g_eye_count; ++i) {
    const EyePolygon& e = g_eye_list[i];
    if (e.object != current) {
      current = e.object;
      t.set_pen(static_cast<int>(current->colour));
      int brush = current->layer == LAYER_ROOM ? 8
                : current->layer == LAYER_SPEAKER ? 3 : static_cast<int>(current->colour);
      t.set_brush(brush);
    }
    int n = render_clip_project(e.object, e.start_element);
    if (n > 2) t.polygon(g_polygon_points, n, g_view.hidden_mode != 0);
  }
  if (buffered) t.end_offscreen();
  t.move_to(0, t.client_height() - 16);
  t.set_pen(g_view.current_colour);
  t.set_brush(COLOUR_WHITE);
  g_view.busy = 0;
}

void render_plot_page(const DrawObject* first, const DrawObject* last) {
  if (!first) return;
  RenderTarget& t = render_target();
  render_grid();
  const ScreenPoint* sp = view_screen_points();
  for (const DrawObject* o = first; o; o = o->next) {
    if (!not_drawn(o)) {
      t.set_pen(static_cast<int>(o->colour));
      make_current_and_project(o);
      bool cull = g_view.hidden_mode ? (is_surface(o) && o->layer != LAYER_LISTENER)
                                     : o->layer == LAYER_SPEAKER;
      uint32_t limit = static_cast<uint32_t>(g_projected_count);
      int start = -1;
      bool skip = false;
      for (uint32_t i = 0; i < o->element_count; ++i) {
        const ElementCode& e = o->elements[i];
        if (e.code > EL_CLOSE || e.code == EL_MATERIAL || e.value >= limit) continue;
        if (e.code == EL_START) {
          start = static_cast<int>(e.value);
          skip = cull && render_is_back_facing(o, static_cast<int>(i), sp);
          if (!skip) t.move_to(sp[e.value].x, sp[e.value].y);
        } else if (!skip) {
          t.line_to(sp[e.value].x, sp[e.value].y);
          if (e.code == EL_CLOSE && start >= 0) t.line_to(sp[start].x, sp[start].y);
        }
      }
    }
    if (o == last) break;
  }
  const DrawObject* cross = axis_cross();
  if (cross && cross->node_count > 18 && cross->nodes) {
    make_current_and_project(cross);
    int h = t.client_height();
    const ScreenPoint& o = sp[18];
    double unit = g_view.scale * 0.2;
    for (uint32_t i = 0; i < cross->element_count; ++i) {
      const ElementCode& e = cross->elements[i];
      if (e.value >= static_cast<uint32_t>(g_projected_count) || e.code > EL_LINE) continue;
      int x = 150 + static_cast<int>((sp[e.value].x - o.x) / unit);
      int y = h - 150 + static_cast<int>((sp[e.value].y - o.y) / unit);
      if (e.code == EL_START) t.move_to(x, y); else t.line_to(x, y);
    }
  }
  if (g_render_refs.draw_title_block) g_render_refs.draw_title_block();
  t.set_pen(g_view.current_colour);
  g_view.busy = 0;
}

void render_grid() {
  RenderTarget& t = render_target();
  int saved = t.pen();
  t.set_pen(PEN_GRID);
  const ScreenPoint* sp = view_screen_points();
  for (const DrawObject* o = g_render_refs.grid_head; o; o = o->next) {
    make_current_and_project(o);
    for (uint32_t i = 0; i < o->element_count; ++i) {
      const ElementCode& e = o->elements[i];
      if (e.value >= static_cast<uint32_t>(g_projected_count)) continue;
      if (e.code == EL_START) t.move_to(sp[e.value].x, sp[e.value].y);
      else if (e.code == EL_LINE) t.line_to(sp[e.value].x, sp[e.value].y);
    }
  }
  t.set_pen(saved);
}

void render_pick_markers() {
  RenderTarget& t = render_target();
  if (!g_node_list) return;
  int saved = t.pen();
  t.set_pen(PEN_PICK_MARK);
  const ScreenPoint* sp = view_screen_points();
  for (int i = 0; i < g_node_count; ++i) {
    const WorldPoint* node = g_node_list[i];
    if (!node) continue;
    view_project_point(*node);
    int x = sp[0].x, y = sp[0].y;
    t.move_to(x - 3, y - 3);
    t.line_to(x + 4, y + 4);
    t.move_to(x + 3, y - 3);
    t.line_to(x - 4, y + 4);
  }
  t.set_pen(saved);
}

void render_highlight_first_pick() {
  const DrawObject* o = g_render_refs.first_pick_object;
  int start = g_render_refs.first_pick_element;
  if (!o || start < 0 || static_cast<uint32_t>(start) >= o->element_count) return;
  RenderTarget& t = render_target();
  int saved = t.pen();
  t.set_pen(g_view.selected_pen);
  make_current_and_project(o);
  const ScreenPoint* sp = view_screen_points();
  int count = 0;
  for (uint32_t i = static_cast<uint32_t>(start); i < o->element_count; ++i) {
    const ElementCode& e = o->elements[i];
    if (e.code == EL_MATERIAL) continue;
    if (e.code == EL_START && count > 0) break;
    if (e.value < static_cast<uint32_t>(g_projected_count))
      g_polygon_points[count++] = PolyPoint{sp[e.value].x, sp[e.value].y};
    if (e.code == EL_CLOSE) break;
  }
  if (count >= 2) t.polygon(g_polygon_points, count, false);
  t.set_pen(saved);
}

void render_speaker_rings() {
  const DrawObject* f = g_render_refs.aim_footprint;
  if (!f || !f->nodes || f->node_count < 216) return;
  RenderTarget& t = render_target();
  int saved = t.pen();
  double radius = g_view.main_width / 2;
  const int pens[3] = {19, 17, 16};
  for (int ring = 0; ring < 3; ++ring) {
    t.set_pen(pens[ring]);
    for (int i = 0; i <= 72; ++i) {
      const WorldPoint& p = f->nodes[ring * 72 + i % 72];
      int x = static_cast<int>(g_view.screen_centre_x + radius * p.x);
      int y = static_cast<int>(g_view.screen_centre_y + radius * p.y);
      if (i == 0) t.move_to(x, y); else t.line_to(x, y);
    }
  }
  t.set_pen(saved);
}

// Corner with the two axis letters in the plane views, the axis cross in 3D.
void render_axis_legend() {
  RenderTarget& t = render_target();
  int h = t.client_height();
  int saved = t.pen();
  t.set_pen(PEN_LEGEND);
  const char* letters[3][2] = {{"Y", "X"}, {"Z", "Y"}, {"Z", "X"}};
  if (g_view.kind <= VIEW_XZ) {
    t.move_to(10, h - 20);
    t.line_to(10, h - 10);
    t.line_to(20, h - 10);
    t.set_text_colour(PEN_LEGEND);
    t.set_back_colour(COLOUR_WHITE);
    t.text_out(6, h - 40, letters[g_view.kind][0]);
    t.text_out(30, h - 18, letters[g_view.kind][1]);
  } else if (g_view.kind == VIEW_3D) {
    draw_axis_cross_3d(t, h);
  }
  t.set_pen(saved);
}
