// Per-point coverage metrics: direct and total level, direct-to-reverberant
// ratio, first arrival and the speech transmission index, per band or over
// all bands. They read the reverberant energies and reverberation times of
// the last reverberant-field computation (g_reverb_energy, g_reverb_time).
#pragma once
#include <cstdint>

double cov_direct_level_all(const float energy[7]);
double cov_total_level_band(float energy, int band);
double cov_total_level_all(const float energy[7]);
double cov_direct_reverberant_band(float energy, int band);
double cov_direct_reverberant_all(const float energy[7]);
double cov_first_arrival_time(const float time[7]);

double sti_modulation_index(double energy, double reverb, double reverb_time, int k);
double sti_band_mti(double energy, int band);
double sti_band(float energy, int band);
double sti_all_bands(const float energy[7]);
double sti_export_band(float energy, int band);
// On a failed write the result is -1.0 and *status (when given) tells why
// (a CovExportResult); the caller tells the user.
double sti_export_all_bands(const float energy[7], const char* project_path, const char* file_name,
                            int* status = nullptr);
void sti_band_values(const float energy[7], double mti[7], double level[7]);
