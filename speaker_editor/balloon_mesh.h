// The balloon of one band as one mesh object: the two poles, 35 rings of
// 72 nodes at the radii of the balloon bytes above -30 dB, and triangles
// at the poles and quadrilaterals between the rings.
#pragma once
#include <cstdint>

struct DrawObject;
struct SpeakerRecord;

constexpr uint32_t SPKED_MESH_NODES = 2522;
constexpr uint32_t SPKED_MESH_ELEMENT_SLOTS = 10512;
constexpr uint32_t SPKED_MESH_ELEMENTS = 10224;
constexpr uint32_t SPKED_MESH_POLYGONS = 2592;

DrawObject* spked_create_balloon_mesh();
void spked_build_balloon_mesh(DrawObject* mesh, const SpeakerRecord& record, int band);
