// CSV exports of the coverage window: the time-stamped file names and the
// STI export of the whole grid (per point seven lines: band, MTI, level).
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

extern const char COV_EXPORT_NAME_FORMAT[];         // "_RV_Exp_%Y%m%d_%H%M%S.csv"
extern const char COV_SINGLE_POINTS_NAME_FORMAT[];  // "_SinglePoints_RV_Exp_%Y%m%d_%H%M%S.csv"
constexpr size_t COV_EXPORT_NAME_CHARS = 64;
constexpr int COV_EXPORT_BANDS = 7;

enum CovExportResult { COV_EXPORT_DONE = 0, COV_EXPORT_ONE_BAND, COV_EXPORT_OPEN_FAILED, COV_EXPORT_WRITE_FAILED };

void cov_export_file_name(const char* format, std::time_t when, char* out, size_t size);
int cov_export_write(const char* path, const double* mti, const double* level, uint32_t point_count);
void cov_export_report(int result, const char* path);
int cov_export_sti(int band, const char* project_path, const char* file_name, const double* mti,
                   const double* level, uint32_t point_count);
