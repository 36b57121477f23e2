// Double-precision kernels of atan2, exp and sin/cos for the acoustic
// calculations: several times faster than the Windows runtime's library
// routines, and the same bits in every build, so that results and the files
// written from them do not depend on the C library.
#pragma once

double acm_atan2(double y, double x);
double acm_exp(double x);  // 0 below -700
void acm_sin_cos(double x, double* sine, double* cosine);
