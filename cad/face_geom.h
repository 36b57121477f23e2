// Polygon normals, areas and volumes of faces and bodies, and reversing a
// polygon's winding. A polygon runs from a start element to its close.
#pragma once
#include <cstdint>

struct DrawObject;
struct ElementCode;

void cad_polygon_normal(int start_element, double* nx, double* ny, double* nz);
int cad_area_volume(const DrawObject* object, double* area, double* volume);
void cad_reverse_polygon(int start_element);
void cad_reverse_polygon_in(ElementCode* elements, uint32_t element_count, int start_element);
void cad_reverse_all_polygons(DrawObject* object);
