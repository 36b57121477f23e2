#include "acoustics/cov_export.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/ui_seam.h"

const char COV_EXPORT_NAME_FORMAT[] = "_RV_Exp_%Y%m%d_%H%M%S.csv";
const char COV_SINGLE_POINTS_NAME_FORMAT[] = "_SinglePoints_RV_Exp_%Y%m%d_%H%M%S.csv";

namespace {
constexpr const char* CAPTION = "Export";
constexpr const char* MSG_ONE_BAND = "Für den Export die Oktavbandbetrachtung auf Durchschnitt setzen. ";
constexpr const char* MSG_DONE =
    "STI-Export abgeschlossen.\nExport-Datei befindet sich im Ordner des Orvante Modells.\n"
    "Auf 'STI'-Button klicken, um Export-Modus zu verlassen.";
constexpr const char* MSG_OPEN_FAILED = "Die Export-Datei kann nicht angelegt werden:\n%s";
constexpr const char* MSG_WRITE_FAILED = "Die Export-Datei konnte nicht vollständig geschrieben werden:\n%s";
}  // namespace

// The name carries the local time of the drawing it belongs to.
void cov_export_file_name(const char* format, std::time_t when, char* out, size_t size) {
  if (size == 0) return;
  std::tm local{};
  const std::tm* now = std::localtime(&when);
  if (now) local = *now;
  if (std::strftime(out, size, format, &local) == 0) out[0] = 0;
}

// Appends seven lines per point (band index, MTI, level) in grid order. The
// file is opened in binary so both builds write the same CRLF lines.
int cov_export_write(const char* path, const double* mti, const double* level, uint32_t point_count) {
  std::FILE* file = std::fopen(path, "ab");
  if (!file) {
    std::printf("Failed to open log file");
    std::fflush(stdout);
    return COV_EXPORT_OPEN_FAILED;
  }
  bool ok = true;
  for (uint32_t p = 0; p < point_count && ok; ++p) {
    for (int b = 0; b < COV_EXPORT_BANDS && ok; ++b) {
      size_t k = static_cast<size_t>(p) * COV_EXPORT_BANDS + b;
      ok = std::fprintf(file, "%d,%f,%.1f\r\n", b, mti[k], level[k]) > 0;
    }
  }
  if (std::fflush(file) != 0 || std::ferror(file)) ok = false;
  if (std::fclose(file) != 0) ok = false;
  return ok ? COV_EXPORT_DONE : COV_EXPORT_WRITE_FAILED;
}

// Tells the user of an export or log file that could not be written, as
// every failed write is told; nothing for a finished one.
void cov_export_report(int result, const char* path) {
  const char* format = result == COV_EXPORT_OPEN_FAILED    ? MSG_OPEN_FAILED
                       : result == COV_EXPORT_WRITE_FAILED ? MSG_WRITE_FAILED
                                                           : nullptr;
  if (!format) return;
  std::string text(std::strlen(format) + std::strlen(path ? path : "") + 1, '\0');
  std::snprintf(text.data(), text.size(), format, path ? path : "");
  ui_message_box(text.c_str(), CAPTION, UI_MB_OK | UI_MB_ICONEXCLAMATION);
}

// The export of display mode 5: all bands only. A file that was not
// completely written is never reported as a finished export.
int cov_export_sti(int band, const char* project_path, const char* file_name, const double* mti,
                   const double* level, uint32_t point_count) {
  if (band >= 0 && band < COV_EXPORT_BANDS) {
    ui_message_box(MSG_ONE_BAND, CAPTION, UI_MB_OK);
    return COV_EXPORT_ONE_BAND;
  }
  std::string path = std::string(project_path ? project_path : "") + file_name;
  int result = cov_export_write(path.c_str(), mti, level, point_count);
  if (result == COV_EXPORT_DONE) ui_message_box(MSG_DONE, CAPTION, UI_MB_OK);
  else cov_export_report(result, path.c_str());
  return result;
}
