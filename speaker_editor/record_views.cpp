#include "speaker_editor/record_views.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "speaker_editor/balloon_data.h"
#include "speakers/speaker_record.h"

const char* const SPKED_PANEL_BAND_LABELS[7] = {"125 Hz ", "250 Hz ", "500 Hz ", "1 kHz ", "2 kHz ", "4 kHz ", "8 kHz "};

namespace {

constexpr float PI = 3.14159265358979f;
constexpr float STEP = 0.08726646f;  // 5 degrees

std::string format(const char* pattern, double v) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, v);
  return text;
}

std::string origin_text(const SpeakerRecord& r, int at) {
  const char* text = reinterpret_cast<const char*>(r.owner) + at;
  size_t limit = sizeof r.owner - size_t(at);
  return std::string(text, strnlen(text, limit));
}

const char* import_format_text(int code) {
  switch (code) {
    case 1: return "Vollkugel,5° Auflösung";
    case 2: return "Halbkugel,10° Auflösung";
    case 3: return "Halbkugel,5° Auflösung";
    case 4: return "Vollkugel,10° Auflösung";
    case 5: return "Viertelkugel,5° Auflösung";
    case 6: return "Viertelkugel,10° Auflösung";
    default: return "";
  }
}

}  // namespace

float spked_balloon_turn(float a, int code, int position) {
  switch (code) {
    case SPKED_LINE_BACK: a -= STEP; if (a < -PI) a = PI - STEP; break;
    case SPKED_LINE_ON: a += STEP; if (a > PI) a = STEP - PI; break;
    case SPKED_PAGE_BACK: a -= 6 * STEP; if (a < -PI) a += 2 * PI; break;
    case SPKED_PAGE_ON: a += 6 * STEP; if (a > PI) a -= 2 * PI; break;
    case SPKED_THUMB: a = int16_t(position) / 100.0f; break;
  }
  return a;
}

float spked_balloon_tilt(float b, int code, int position, bool* repaint) {
  *repaint = true;
  switch (code) {
    case SPKED_LINE_BACK:
    case SPKED_PAGE_BACK:
      b -= code == SPKED_LINE_BACK ? STEP : 6 * STEP;
      if (b < -PI) {
        b = -PI;
        *repaint = false;
      }
      break;
    case SPKED_LINE_ON:
    case SPKED_PAGE_ON:
      b += code == SPKED_LINE_ON ? STEP : 6 * STEP;
      if (b > 0) {
        b = 0;
        *repaint = false;
      }
      break;
    case SPKED_THUMB:
      b = int16_t(position) / 100.0f;
      b = b < -PI ? -PI : b > 0 ? 0 : b;
      break;
    default:
      *repaint = false;
  }
  return b;
}

std::vector<PlotPoint> spked_polar_curve(const SpeakerRecord& r, int band, int left, int right, double cx, double cy,
                                         double k) {
  const double deg = PI / 180.0;
  std::vector<PlotPoint> points;
  auto add = [&](int byte, double angle) {
    points.push_back({cx + std::cos(angle * deg) * byte * k, cy - std::sin(angle * deg) * byte * k});
  };
  const auto& b = r.balloon[band];
  add(b[0][0], 90);
  for (int t = 1; t <= 35; ++t) add(b[t][left], 90 + 5 * t);
  add(b[36][0], 270);
  for (int t = 35; t >= 1; --t) add(b[t][right], 90 + 5 * (72 - t));
  points.push_back(points.front());
  return points;
}

std::vector<SheetRow> spked_data_sheet_rows(const SpeakerRecord& r) {
  std::vector<SheetRow> rows;
  auto single = [&](const char* label, const std::string& value) { rows.push_back({label, {value}}); };
  auto bands = [&](const char* label, auto value_of) {
    SheetRow row{label, {}};
    for (int b = 0; b < SPK_BANDS; ++b) row.values.push_back(value_of(b));
    rows.push_back(row);
  };
  single("Hersteller", r.manufacturer);
  single("Typ", r.type_name);
  rows.push_back({});
  single("Datenherkunft", origin_text(r, 0));
  single("    dto.", origin_text(r, 41));
  single("Importformat", import_format_text(r.import_format));
  static const char* const freq[SPK_BANDS] = {"125", "250", "500", "1000", "2000", "4000", "8000"};
  bands("Frequenz [Hz]", [](int b) { return std::string(freq[b]); });
  bands("Nennleistung(AES)[W]", [&](int b) { return format("%4.0f", r.rated_power[b]); });
  bands("Schalldruck 1W/1m [dB]", [&](int b) { return format("%3.1f", r.sensitivity[b] + (r.balloon[b][0][0] - 225) / 5.0); });
  bands("Nennimpedanz [Ohm]", [&](int b) {
    char text[16];
    std::snprintf(text, sizeof text, "%3d", r.impedance[b]);
    return std::string(text);
  });
  bands("Bündelungsfaktor", [&](int b) { return format("%2.1f", r.q_factor[b] / 10.0); });
  // A damaged Q field must not reach the logarithm.
  bands("Bündelungsmaß [dB]", [&](int b) { return format("%2.1f", 10.0 * std::log10(spked_q_from_field(r.q_factor[b]))); });
  bands("Wirkungsgrad [%]", [&](int b) {
    return format("%2.1f", spked_efficiency(r.sensitivity[b], spked_q_from_field(r.q_factor[b])) * 100.0);
  });
  rows.push_back({});
  single("Kommentar", r.description);
  rows.push_back({});
  return rows;
}
