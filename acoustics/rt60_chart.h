// Layout of the reverberation window's content: the chart frame, the time
// scale, both curves and every text with its place and colour, worked out
// from a result so that the window only has to draw it.
#pragma once
#include <string>
#include <vector>

#include "acoustics/rt60.h"

constexpr int RT60_COLOUR_WITH_AIR = 19;
constexpr int RT60_COLOUR_NO_AIR = 22;
constexpr int RT60_COLOUR_TEXT = 0;
constexpr int RT60_CHART_MAX_LINES = 20;  // time-scale lines before they are thinned

enum Rt60TextAlign { RT60_ALIGN_LEFT, RT60_ALIGN_CENTRE, RT60_ALIGN_RIGHT };

struct Rt60ChartText {
  int x, y;          // left, centre or right end (by align) of the text's top
  int colour;        // palette index
  Rt60TextAlign align;
  bool large;        // the title's type
  std::string text;
};

struct Rt60Chart {
  int left, right, top, bottom;   // the chart frame
  int band_x[RT60_BANDS];
  int seconds;                     // the time at the top of the frame
  int line_step;                   // seconds between the lines of the time scale
  std::vector<int> line_y;         // the lines of the time scale, from the bottom
  int time_y[RT60_BANDS];          // curve with air absorption
  int no_air_y[RT60_BANDS];        // curve without it
  std::vector<Rt60ChartText> texts;
};

const char* rt60_method_title(int method);
int rt60_time_to_y(const Rt60Chart& chart, double seconds);
// feet: areas and volumes in imperial units; comment: the drawing comment.
void rt60_layout_chart(const Rt60Result& result, const Rt60Closure& closure, int width, int height,
                       bool feet, const char* comment, Rt60Chart& chart);
