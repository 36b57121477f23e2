// What the balloon window, the polar plot and the data sheet show of the
// current record, apart from the drawing: the view angles and their scroll
// steps, the polar curves and the rows of the data sheet.
#pragma once
#include <string>
#include <vector>

struct SpeakerRecord;

extern const char* const SPKED_PANEL_BAND_LABELS[7];  // "125 Hz " ... "8 kHz "

// Scroll codes as the window messages give them.
enum SpkedScroll : int { SPKED_LINE_BACK = 0, SPKED_LINE_ON = 1, SPKED_PAGE_BACK = 2, SPKED_PAGE_ON = 3, SPKED_THUMB = 5 };

// The balloon's horizontal angle, wrapped into -pi..pi.
float spked_balloon_turn(float a, int code, int position);
// The vertical angle, held in -pi..0; `repaint` tells whether it moved
// within the range.
float spked_balloon_tilt(float b, int code, int position, bool* repaint);

struct PlotPoint {
  double x, y;
};
// The closed curve of one plane of a band: 0 degrees up, the half plane of
// azimuth index `left` on the left, `right` on the right; radius byte x k.
std::vector<PlotPoint> spked_polar_curve(const SpeakerRecord& record, int band, int left, int right, double cx,
                                         double cy, double k);

struct SheetRow {
  std::string label;
  std::vector<std::string> values;  // one value, or one per band
};
std::vector<SheetRow> spked_data_sheet_rows(const SpeakerRecord& record);
