#include "acoustics/rt60_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "framework/printf_format.h"
#include "framework/units.h"

namespace {

constexpr int FRAME_SIDE = 48;
constexpr int FRAME_TOP = 32;
constexpr int TITLE_Y = 4;
constexpr int LEGEND_Y = FRAME_TOP - 16;
constexpr int BAND_LINE_STEP = 20;   // the band figures below the frame
constexpr int BAND_LINES = 6;
constexpr int TOTALS_GAP = 30;       // from the last band line to the totals
constexpr int LINE_HEIGHT = 20;
constexpr int LABEL_GAP = 4;         // time labels left of the frame
constexpr int COMMENT_FROM_BOTTOM = 18;
constexpr double CLOSURE_TOLERANCE = 0.005;  // closure error per surface that is shown
constexpr double PLANE_TOLERANCE = 0.01;     // m^2

std::string format(const char* pattern, ...) ORV_PRINTF_LIKE(1, 2);
std::string format(const char* pattern, ...) {
  char text[160];
  va_list args;
  va_start(args, pattern);
  std::vsnprintf(text, sizeof text, pattern, args);
  va_end(args);
  return text;
}

void add(Rt60Chart& chart, int x, int y, int colour, Rt60TextAlign align, std::string text, bool large = false) {
  chart.texts.push_back(Rt60ChartText{x, y, colour, align, large, std::move(text)});
}

double share_of(double absorption, double surface) { return surface > 0.0 ? absorption * 100.0 / surface : 0.0; }

// The scale reaches the next whole second above the longest time; more than
// RT60_CHART_MAX_LINES lines are thinned to steps of 2, 5, 10, 20, ... seconds.
void lay_time_scale(const Rt60Result& r, Rt60Chart& chart) {
  double longest = 0.0;
  for (int b = 0; b < RT60_BANDS; ++b) longest = std::fmax(longest, std::fmax(r.time[b], r.time_no_air[b]));
  if (!(longest <= RT60_LONGEST_TIME)) longest = RT60_LONGEST_TIME;
  int seconds = std::max(1, static_cast<int>(std::ceil(longest)));
  auto lines = [seconds](int step) { return (seconds + step - 1) / step; };
  int step = 1;
  for (int decade = 1; lines(step) > RT60_CHART_MAX_LINES; decade *= 10)
    for (int factor : {2, 5, 10})
      if (lines(step = factor * decade) <= RT60_CHART_MAX_LINES) break;
  chart.line_step = step;
  chart.seconds = (seconds + step - 1) / step * step;
  chart.line_y.clear();
  for (int s = 0; s <= chart.seconds; s += step) {
    int y = rt60_time_to_y(chart, s);
    chart.line_y.push_back(y);
    add(chart, chart.left - LABEL_GAP, y - 7, RT60_COLOUR_TEXT, RT60_ALIGN_RIGHT, format("%d s", s));
  }
}

void lay_band_figures(const Rt60Result& r, Rt60Chart& chart) {
  const bool measured = r.method == RT60_MEASURED;
  for (int b = 0; b < RT60_BANDS; ++b) {
    int x = chart.band_x[b], y = chart.bottom;
    // Without air the room absorbs A (methods) or A less the air's share
    // (measured times, which include the air); with air the other way round.
    double no_air = measured ? r.absorption[b] - r.air_term[b] : r.absorption[b];
    double with_air = measured ? r.absorption[b] : r.absorption[b] + r.air_term[b];
    const std::string lines[BAND_LINES] = {
        format("%d Hz", RT60_BAND_HZ[b]),
        format("%2.2lf s", r.time[b]),
        format("%5.1lf Sa", no_air),
        format("a = %3.1lf%%", share_of(no_air, r.surface)),
        format("%5.1lf Sa", with_air),
        format("a = %3.1lf%%", share_of(with_air, r.surface)),
    };
    const int colours[BAND_LINES] = {RT60_COLOUR_TEXT, RT60_COLOUR_TEXT, RT60_COLOUR_NO_AIR,
                                     RT60_COLOUR_NO_AIR, RT60_COLOUR_WITH_AIR, RT60_COLOUR_WITH_AIR};
    for (int i = 0; i < BAND_LINES; ++i)
      add(chart, x, y + BAND_LINE_STEP * (i + 1), colours[i], RT60_ALIGN_CENTRE, lines[i]);
  }
}

void lay_curves(const Rt60Result& r, Rt60Chart& chart) {
  for (int b = 0; b < RT60_BANDS; ++b) {
    chart.time_y[b] = rt60_time_to_y(chart, r.time[b]);
    chart.no_air_y[b] = rt60_time_to_y(chart, r.time_no_air[b]);
  }
}

// Volume and surface, then the closure figures when the faces leave an
// opening of more than half a percent of the surface.
int lay_totals(const Rt60Result& r, const Rt60Closure& c, bool feet, Rt60Chart& chart) {
  int y = chart.bottom + BAND_LINE_STEP * BAND_LINES + TOTALS_GAP;
  const int x = chart.left;
  const char* area_unit = feet ? "ft²" : "m²";
  auto area = [feet](double a) { return feet ? units_metric_to_imperial(a, UNIT_AREA) : a; };
  if (feet)
    add(chart, x, y, RT60_COLOUR_TEXT, RT60_ALIGN_LEFT,
        format("V total : %6.1lf cu.ft", units_metric_to_imperial(r.volume, UNIT_VOLUME)));
  else
    add(chart, x, y, RT60_COLOUR_TEXT, RT60_ALIGN_LEFT, format("V total : %6.1lf cbm", r.volume));
  y += LINE_HEIGHT;
  add(chart, x, y, RT60_COLOUR_TEXT, RT60_ALIGN_LEFT, format("S total : %6.1lf %s", area(r.surface), area_unit));
  y += LINE_HEIGHT;
  if (!(r.surface > 0.0) || !(c.error / r.surface > CLOSURE_TOLERANCE)) return y;
  add(chart, x, y, RT60_COLOUR_TEXT, RT60_ALIGN_LEFT,
      format("Flächenfehler total : %6.2f %s", area(c.error), area_unit));
  y += LINE_HEIGHT;
  const char* const names[3] = {"XY", "YZ", "XZ"};
  for (int p = 0; p < 3; ++p) {
    if (!(c.abs_sum[p] < PLANE_TOLERANCE) && !(std::fabs(c.net[p]) > PLANE_TOLERANCE)) continue;
    add(chart, x, y, RT60_COLOUR_TEXT, RT60_ALIGN_LEFT,
        format("Flächensumme %s : %6.2f %s, Fehlbetrag %s : %6.2f %s ", names[p], area(c.abs_sum[p]),
               area_unit, names[p], area(std::fabs(c.net[p])), area_unit));
    y += LINE_HEIGHT;
  }
  return y;
}

}  // namespace

const char* rt60_method_title(int method) {
  switch (method) {
    case RT60_EYRING: return "RT60 >Eyring<";
    case RT60_FITZROY: return "RT60 >Fitzroy<";
    case RT60_MEASURED: return "RT60 >Meßwerte<";
    default: return "RT60 >Sabine<";
  }
}

// Times at or above the top of the scale sit on the frame's top.
int rt60_time_to_y(const Rt60Chart& chart, double seconds) {
  double t = seconds > 0.0 ? std::fmin(seconds, static_cast<double>(chart.seconds)) : 0.0;
  return chart.bottom - static_cast<int>(t * (chart.bottom - chart.top) / chart.seconds);
}

void rt60_layout_chart(const Rt60Result& result, const Rt60Closure& closure, int width, int height, bool feet,
                       const char* comment, Rt60Chart& chart) {
  chart = Rt60Chart{};
  chart.left = FRAME_SIDE;
  chart.right = std::max(chart.left + 6, width - FRAME_SIDE);
  chart.top = FRAME_TOP;
  chart.bottom = std::max(chart.top + 1, (height - 32) / 2);
  for (int b = 0; b < RT60_BANDS; ++b) chart.band_x[b] = chart.left + b * (chart.right - chart.left) / 6;
  add(chart, width / 2, TITLE_Y, RT60_COLOUR_TEXT, RT60_ALIGN_CENTRE, rt60_method_title(result.method), true);
  add(chart, chart.left, LEGEND_Y, RT60_COLOUR_WITH_AIR, RT60_ALIGN_LEFT, "inc. Luftabsorption");
  add(chart, chart.right, LEGEND_Y, RT60_COLOUR_NO_AIR, RT60_ALIGN_RIGHT, "ohne Luftabsorption");
  lay_time_scale(result, chart);
  lay_band_figures(result, chart);
  lay_curves(result, chart);
  lay_totals(result, closure, feet, chart);
  if (comment && comment[0]) add(chart, width / 2, height - COMMENT_FROM_BOTTOM, RT60_COLOUR_TEXT, RT60_ALIGN_CENTRE, comment);
}
