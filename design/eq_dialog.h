// The band dialog EQ_DLG: seven band sliders and a master, editing equaliser
// gains in dB or reverberation times in seconds (Windows only).
#pragma once

int opts_run_band_dialog(double values[7], int mode);
