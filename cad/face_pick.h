// Picking single polygons of faces and bodies on the screen: the candidates
// under a click, their shuffled order, the hit test on a polygon's outline and
// the step from one picked polygon to the next under repeated clicks.
#pragma once
#include <cstdint>
#include <vector>

struct DrawObject;

// The result of a face pick: the object and its polygon's start element.
struct FaceSelection {
  DrawObject* object;
  int start_element;  // -1: nothing picked
};

bool operator==(const FaceSelection& a, const FaceSelection& b);

// Polygons of the drawn faces and bodies of the current layer whose object's
// screen box touches the pixel; back faces are left out in hidden mode.
void cad_face_candidates(int32_t x, int32_t y, std::vector<FaceSelection>& out);
// Swaps every position with one drawn from the program's random sequence.
void cad_shuffle_candidates(std::vector<FaceSelection>& candidates);
// The pixel lies inside the polygon's screen outline (alternate rule).
bool cad_polygon_hit(const DrawObject* object, int start_element, int32_t x, int32_t y);

// One click: the first polygon hit is picked when none is; a hit on another
// polygon than the picked one moves the pick there. Calls highlight(polygon,
// on) for what changes; true when the pick changed.
using FaceHighlight = void (*)(const FaceSelection& polygon, int on);
bool cad_face_pick_click(FaceSelection& picked, int32_t x, int32_t y, FaceHighlight highlight);

// Outline of one polygon in the selection pen (on) or the object's colour.
void cad_highlight_polygon(const DrawObject* object, int start_element, int on);
