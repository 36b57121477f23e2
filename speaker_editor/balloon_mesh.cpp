#include "speaker_editor/balloon_mesh.h"

#include <cmath>
#include <initializer_list>

#include "cad/obj_store.h"
#include "speakers/speaker_record.h"

namespace {

constexpr double DEG = 3.14159265358979323846 / 180.0;
constexpr int RING_NODES = 72;

// Radius in balloon units: 0 at -30 dB and below, 150 at 0 dB.
float radius(const SpeakerRecord& r, int band, int ring, int azimuth) {
  int v = r.balloon[band][ring][azimuth] - 75;
  return v > 0 ? float(v) : 0.0f;
}

uint16_t ring_node(int ring, int azimuth) { return uint16_t(2 + RING_NODES * (ring - 1) + azimuth % RING_NODES); }

struct ElementWriter {
  ElementCode* out;
  uint32_t count = 0;
  void polygon(std::initializer_list<uint16_t> nodes) {
    size_t i = 0;
    for (uint16_t n : nodes) {
      uint16_t code = i == 0 ? EL_START : i + 1 == nodes.size() ? EL_CLOSE : EL_LINE;
      out[count++] = ElementCode{code, n};
      ++i;
    }
  }
};

}  // namespace

DrawObject* spked_create_balloon_mesh() {
  DrawObject* mesh = obj_create(0, SPKED_MESH_NODES, SPKED_MESH_ELEMENT_SLOTS);
  if (!mesh) obj_warn_no_memory();
  return mesh;
}

void spked_build_balloon_mesh(DrawObject* mesh, const SpeakerRecord& record, int band) {
  WorldPoint* n = mesh->nodes;
  n[0] = WorldPoint{radius(record, band, 0, 0), 0.0f, 0.0f};
  n[1] = WorldPoint{-radius(record, band, 36, 0), 0.0f, 0.0f};
  for (int t = 1; t <= 35; ++t) {
    double theta = 5.0 * t * DEG;
    for (int p = 0; p < RING_NODES; ++p) {
      double phi = 5.0 * p * DEG;
      double r = radius(record, band, t, p);
      double s = std::fabs(std::sin(theta)) * r;
      n[ring_node(t, p)] = WorldPoint{float(std::cos(theta) * r), float(std::cos(phi) * s), float(std::sin(phi) * s)};
    }
  }
  ElementWriter w{mesh->elements};
  for (int p = 0; p < RING_NODES; ++p) w.polygon({0, ring_node(1, p + 1), ring_node(1, p)});
  for (int t = 1; t <= 34; ++t)
    for (int p = 0; p < RING_NODES; ++p)
      w.polygon({ring_node(t, p + 1), ring_node(t + 1, p + 1), ring_node(t + 1, p), ring_node(t, p)});
  for (int p = 0; p < RING_NODES; ++p) w.polygon({ring_node(35, p), ring_node(35, p + 1), 1});
  mesh->kind = OBJ_KIND_FACE;
  mesh->attributes = OBJ_ATTR_CREATED;
  mesh->colour = 21;
  mesh->layer = LAYER_BALLOON;
  mesh->node_count = SPKED_MESH_NODES;
  mesh->element_count = w.count;
}
