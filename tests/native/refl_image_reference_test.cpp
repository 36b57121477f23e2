// The image-source search against a reference written here from first
// principles, in double: every sequence of faces up to order 3 is mirrored,
// unfolded back from the receiver (each reflection point between its image
// and the next point, inside its polygon by the winding angle) and checked
// for faces in the way. The room has a one-sided free-standing wall with the
// receiver behind it, a sloped panel, a concave platform and a column, so
// the cut lines, the sides and the visibility all matter.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "acoustic_model.h"
#include "acoustics/ray_path.h"
#include "acoustics/refl_search.h"
#include "framework/le_bytes.h"

using namespace acoustic_model;

namespace {

struct V3 {
  double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(double k, V3 a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(V3 a) { return std::sqrt(dot(a, a)); }

// Decisions closer than this to their threshold are left out of the
// comparison: single and double precision may fairly disagree there.
constexpr double MARGIN = 2e-3;

struct RefFace {
  std::vector<V3> points;
  V3 n;      // unit normal, following the node order
  double d;  // n . p + d > 0 in front
};

// A decision that came out clearly one way or the other, or too close.
enum class Call { NO, YES, UNSURE };

Call side(const RefFace& f, V3 p) {
  double s = dot(f.n, p) + f.d;
  return s > MARGIN ? Call::YES : s < -MARGIN ? Call::NO : Call::UNSURE;
}

double distance_to_segment(V3 p, V3 a, V3 b) {
  V3 ab = b - a;
  double t = std::fmax(0.0, std::fmin(1.0, dot(p - a, ab) / dot(ab, ab)));
  return norm(p - (a + t * ab));
}

// Inside by the winding angle of the outline around p (p on the plane).
Call inside(const RefFace& f, V3 p) {
  double angle = 0.0, nearest = 1e30;
  size_t n = f.points.size();
  for (size_t i = 0; i < n; ++i) {
    V3 a = f.points[i] - p, b = f.points[(i + 1) % n] - p;
    angle += std::atan2(dot(cross(a, b), f.n), dot(a, b));
    nearest = std::fmin(nearest, distance_to_segment(p, f.points[i], f.points[(i + 1) % n]));
  }
  if (nearest < MARGIN) return Call::UNSURE;
  return std::fabs(angle) > 3.14159 ? Call::YES : Call::NO;
}

struct Room {
  std::vector<RefFace> faces;
  std::map<const DrawObject*, int> by_object;
};

// A polygon in the model and in the reference; its node order makes it face
// `toward` (the order is reversed when it would not).
void add_face(Room& room, std::vector<V3> points, V3 toward) {
  V3 n{0, 0, 0};
  for (size_t i = 0; i < points.size(); ++i) {
    V3 a = points[i], b = points[(i + 1) % points.size()];
    n = n + V3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
  }
  if (dot(n, toward) < 0) {
    std::vector<V3> reversed(points.rbegin(), points.rend());
    points = reversed;
    n = -1.0 * n;
  }
  DrawObject* o = obj_create(0, uint32_t(points.size()), uint32_t(points.size() + 1));
  for (size_t i = 0; i < points.size(); ++i) o->nodes[i] = WorldPoint{float(points[i].x), float(points[i].y), float(points[i].z)};
  o->elements[0] = ElementCode{EL_START, 0};
  o->elements[1] = ElementCode{EL_MATERIAL, 1};
  for (size_t i = 1; i < points.size(); ++i)
    o->elements[i + 1] = ElementCode{uint16_t(i + 1 == points.size() ? EL_CLOSE : EL_LINE), uint16_t(i)};
  o->kind = OBJ_KIND_FACE;
  o->layer = LAYER_ROOM;
  obj_append(o);
  RefFace f;
  f.points = points;
  f.n = (1.0 / norm(n)) * n;
  f.d = -dot(f.n, points[0]);
  room.by_object[o] = int(room.faces.size());
  room.faces.push_back(f);
}

// An axis-parallel box face list: the room (normals in) or a block (out).
void add_box_faces(Room& room, V3 lo, V3 hi, bool room_inside) {
  double s = room_inside ? 1.0 : -1.0;
  add_face(room, {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}}, {0, 0, s});
  add_face(room, {{lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}}, {0, 0, -s});
  add_face(room, {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}}, {0, s, 0});
  add_face(room, {{lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}}, {0, -s, 0});
  add_face(room, {{lo.x, lo.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {lo.x, lo.y, hi.z}}, {s, 0, 0});
  add_face(room, {{hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}}, {-s, 0, 0});
}

void build_room(Room& room) {
  add_box_faces(room, {0, 0, 0}, {14, 10, 6}, true);
  // A one-sided wall standing free and leaning over, facing the first
  // loudspeaker (up and toward -x).
  add_face(room, {{4, 6, 0}, {7, 6, 3}, {7, 9.2, 3}, {4, 9.2, 0}}, {-1, 0, 1});
  // A sloped reflector under the ceiling, facing down.
  add_face(room, {{1.5, 1, 5.1}, {1.5, 5.5, 5.6}, {7.5, 5.5, 5.3}, {7.5, 1, 4.8}}, {0, 0, -1});
  // A concave platform (a U seen from above), facing up.
  add_face(room, {{8, 0.5, 0.8}, {13, 0.5, 0.8}, {13, 3.5, 0.8}, {12, 3.5, 0.8}, {12, 1.5, 0.8}, {9, 1.5, 0.8},
                  {9, 3.5, 0.8}, {8, 3.5, 0.8}},
           {0, 0, 1});
  // A column from floor to ceiling, its sides facing out.
  add_face(room, {{9.6, 5.6, 0}, {10.4, 5.6, 0}, {10.4, 5.6, 6}, {9.6, 5.6, 6}}, {0, -1, 0});
  add_face(room, {{9.6, 6.4, 0}, {10.4, 6.4, 0}, {10.4, 6.4, 6}, {9.6, 6.4, 6}}, {0, 1, 0});
  add_face(room, {{9.6, 5.6, 0}, {9.6, 6.4, 0}, {9.6, 6.4, 6}, {9.6, 5.6, 6}}, {-1, 0, 0});
  add_face(room, {{10.4, 5.6, 0}, {10.4, 6.4, 0}, {10.4, 6.4, 6}, {10.4, 5.6, 6}}, {1, 0, 0});
}

// Does a face other than `skip_a` and `skip_b` cross the segment a .. b?
Call blocked(const Room& room, V3 a, V3 b, int skip_a, int skip_b) {
  bool unsure = false;
  for (int g = 0; g < int(room.faces.size()); ++g) {
    if (g == skip_a || g == skip_b) continue;
    const RefFace& f = room.faces[size_t(g)];
    double da = dot(f.n, a) + f.d, db = dot(f.n, b) + f.d;
    if ((da > MARGIN && db > MARGIN) || (da < -MARGIN && db < -MARGIN)) continue;
    if (std::fabs(da) <= MARGIN || std::fabs(db) <= MARGIN) {
      unsure = true;
      continue;
    }
    Call in = inside(f, a + (da / (da - db)) * (b - a));
    if (in == Call::YES) return Call::YES;
    unsure = unsure || in == Call::UNSURE;
  }
  return unsure ? Call::UNSURE : Call::NO;
}

struct RefPath {
  std::vector<V3> points;  // source, reflections, receiver
};

// The path over `faces` from s to r, or why there is none.
Call reference_path(const Room& room, V3 s, V3 r, const std::vector<int>& faces, RefPath* out) {
  size_t m = faces.size();
  std::vector<V3> image(m + 1);
  image[0] = s;
  for (size_t j = 1; j <= m; ++j) {
    const RefFace& f = room.faces[size_t(faces[j - 1])];
    Call front = side(f, image[j - 1]);
    if (front != Call::YES) return front;
    image[j] = image[j - 1] + (-2.0 * (dot(f.n, image[j - 1]) + f.d)) * f.n;
  }
  std::vector<V3> points(m + 2);
  points[0] = s;
  points[m + 1] = r;
  for (size_t j = m; j >= 1; --j) {
    const RefFace& f = room.faces[size_t(faces[j - 1])];
    V3 next = points[j + 1];
    // The next point must be in front, so that the cut lies between it and the image.
    Call front = side(f, next);
    if (front != Call::YES) return front;
    double di = dot(f.n, image[j]) + f.d, dn = dot(f.n, next) + f.d;
    points[j] = image[j] + (di / (di - dn)) * (next - image[j]);
    Call in = inside(f, points[j]);
    if (in != Call::YES) return in;
  }
  bool unsure = false;
  for (size_t j = 0; j <= m; ++j) {
    int fa = j == 0 ? -1 : faces[j - 1], fb = j == m ? -1 : faces[j];
    Call b = blocked(room, points[j], points[j + 1], fa, fb);
    if (b == Call::YES) return Call::NO;
    unsure = unsure || b == Call::UNSURE;
  }
  if (unsure) return Call::UNSURE;
  out->points = points;
  return Call::YES;
}

// Every face sequence up to `order` with no face twice in a row.
void sequences(int faces, int order, std::vector<int>& now, std::vector<std::vector<int>>& out) {
  out.push_back(now);
  if (int(now.size()) == order) return;
  for (int f = 0; f < faces; ++f) {
    if (!now.empty() && now.back() == f) continue;
    now.push_back(f);
    sequences(faces, order, now, out);
    now.pop_back();
  }
}

struct Found {
  int source;
  std::vector<int> faces;
  bool operator<(const Found& o) const { return source != o.source ? source < o.source : faces < o.faces; }
};

// The program's paths, by source and face sequence (faces in the numbering
// of the reference).
std::map<Found, std::vector<std::vector<V3>>> program_paths(const Room& room, const std::vector<uint8_t>& bytes,
                                                             const std::vector<V3>& sources) {
  std::map<Found, std::vector<std::vector<V3>>> out;
  size_t at = 0;
  while (at + PATH_HEAD_BYTES <= bytes.size()) {
    int k = int16_t(le_get_u16(&bytes[at]));
    at += PATH_HEAD_BYTES;
    std::vector<V3> points;
    std::vector<int> faces;
    for (int i = 0; i < k + 2; ++i, at += PATH_ENTRY_BYTES) {
      uint16_t tag = le_get_u16(&bytes[at]);
      points.push_back({le_get_f32(&bytes[at + 2]), le_get_f32(&bytes[at + 6]), le_get_f32(&bytes[at + 10])});
      if (i > 0 && i <= k) faces.push_back(room.by_object.at(g_face_table[tag].owner));
    }
    int source = -1;
    for (size_t s = 0; s < sources.size(); ++s)
      if (norm(points[0] - sources[s]) < 1e-4) source = int(s);
    out[Found{source, faces}].push_back(points);
  }
  return out;
}

std::string describe(const Found& f) {
  std::string s = "source " + std::to_string(f.source) + " faces";
  for (int i : f.faces) s += " " + std::to_string(i);
  return s;
}

class ReflImageReference : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_model();
    set_materials(0.2f);
  }
  void TearDown() override {
    g_refl_run_settings = ReflRunSettings{0, 1};
    clear_model();
  }
};

TEST_F(ReflImageReference, PathsAreThoseOfAnIndependentImageSourceSearch) {
  Room room;
  build_room(room);
  const std::vector<V3> sources = {{2.5, 7.3, 1.7}, {11, 3, 2.5}};
  const V3 receiver{6.2, 7.6, 1.3};  // under the leaning wall, behind it
  for (const V3& s : sources) add_speaker(float(s.x), float(s.y), float(s.z), 1e6f);
  const int order = 3;

  std::map<Found, std::vector<V3>> valid;
  std::set<Found> unsure;
  std::vector<int> now;
  std::vector<std::vector<int>> all;
  sequences(int(room.faces.size()), order, now, all);
  for (size_t s = 0; s < sources.size(); ++s)
    for (const std::vector<int>& faces : all) {
      RefPath p;
      Call c = reference_path(room, sources[s], receiver, faces, &p);
      if (c == Call::YES) valid[Found{int(s), faces}] = p.points;
      if (c == Call::UNSURE) unsure.insert(Found{int(s), faces});
    }
  ASSERT_GT(valid.size(), 40u);
  EXPECT_LT(unsure.size(), valid.size() / 10);
  // The wall hides the receiver from the first source.
  EXPECT_EQ(valid.count(Found{0, {}}), 0u);
  EXPECT_EQ(valid.count(Found{1, {}}), 1u);

  for (ReflRunSettings settings : {ReflRunSettings{1, 0}, ReflRunSettings{4, 1}}) {
    SCOPED_TRACE(testing::Message() << "threads " << settings.threads << " tree " << settings.use_tree);
    g_refl_run_settings = settings;
    std::vector<uint8_t> bytes = search_paths({float(receiver.x), float(receiver.y), float(receiver.z)}, order);
    auto found = program_paths(room, bytes, sources);
    for (const auto& [key, points] : valid) {
      auto it = found.find(key);
      if (it == found.end()) {
        ADD_FAILURE() << "missing: " << describe(key);
        continue;
      }
      EXPECT_EQ(it->second.size(), 1u) << describe(key);
      for (size_t i = 0; i < points.size(); ++i)
        EXPECT_LT(norm(it->second[0][i] - points[i]), 5e-3) << describe(key) << " point " << i;
    }
    for (const auto& [key, paths] : found)
      if (!valid.count(key) && !unsure.count(key)) ADD_FAILURE() << "not a valid path: " << describe(key);
  }
}

}  // namespace
