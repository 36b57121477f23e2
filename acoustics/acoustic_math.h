// Kernels of atan2, exp and sin/cos for the acoustic calculations, and a
// single-precision 2^x for the air loss of four bands at once: several times
// faster than the C runtime's routines, and the same bits in every build, so
// that results and the files written from them do not depend on the C
// library.
//
// They are inline and convert to 32-bit integers only: in the 32-bit Windows
// build a call returns its double through the x87 stack, and a conversion to
// a 64-bit integer switches the x87 control word twice, which together made
// the Windows build's point response half again as slow as the native one.
#pragma once
#include <cstdint>
#include <cstring>

namespace acm_detail {

constexpr double ROUNDER = 6755399441055744.0;  // 1.5 x 2^52: adding it rounds to an integer

inline double atan_kernel(double x) {  // x >= 0
  constexpr double HI[4] = {4.63647609000806093515e-01, 7.85398163397448278999e-01, 9.82793723247329054082e-01,
                            1.57079632679489655800e+00};
  constexpr double LO[4] = {2.26987774529616870924e-17, 3.06161699786838301793e-17, 1.39033110312309984516e-17,
                            6.12323399573676603587e-17};
  constexpr double T[11] = {3.33333333333329318027e-01,  -1.99999999998764832476e-01, 1.42857142725034663711e-01,
                            -1.11111104054623557880e-01, 9.09088713343650656196e-02,  -7.69187620504482999495e-02,
                            6.66107313738753120669e-02,  -5.83357013379057348645e-02, 4.97687799461593236017e-02,
                            -3.65315727442169155270e-02, 1.62858201153657823623e-02};
  int id = -1;
  if (x >= 0.4375) {
    if (x < 0.6875) id = 0, x = (2.0 * x - 1.0) / (2.0 + x);
    else if (x < 1.1875) id = 1, x = (x - 1.0) / (x + 1.0);
    else if (x < 2.4375) id = 2, x = (x - 1.5) / (1.0 + 1.5 * x);
    else id = 3, x = -1.0 / x;
  }
  double z = x * x, w = z * z;
  double s1 = z * (T[0] + w * (T[2] + w * (T[4] + w * (T[6] + w * (T[8] + w * T[10])))));
  double s2 = w * (T[1] + w * (T[3] + w * (T[5] + w * (T[7] + w * T[9]))));
  if (id < 0) return x - x * (s1 + s2);
  return HI[id] - ((x * (s1 + s2) - LO[id]) - x);
}

inline double magnitude(double v) { return v < 0.0 ? -v : v; }

}  // namespace acm_detail

// |x| without leaving the SSE registers: the 32-bit MinGW headers define
// fabs, and with it std::fabs of a double, as the x87 instruction in inline
// assembly, which stores and reloads the value at every call.
inline double acm_fabs(double x) { return __builtin_fabs(x); }

inline double acm_atan2(double y, double x) {
  constexpr double PI = 3.14159265358979311600e+00;
  double ay = acm_detail::magnitude(y), ax = acm_detail::magnitude(x);
  double a;
  if (ax == 0.0 && ay == 0.0) a = 0.0;
  else if (ay <= ax) a = acm_detail::atan_kernel(ay / ax);
  else a = 0.5 * PI - acm_detail::atan_kernel(ax / ay);
  if (x < 0.0) a = PI - a;
  return y < 0.0 ? -a : a;
}

// 0 below -700.
inline double acm_exp(double x) {
  if (x < -700.0) return 0.0;
  constexpr double INV_LN2 = 1.44269504088896338700e+00;
  constexpr double LN2_HI = 6.93147180369123816490e-01, LN2_LO = 1.90821492927058770002e-10;
  double k = (x * INV_LN2 + acm_detail::ROUNDER) - acm_detail::ROUNDER;
  double hi = x - k * LN2_HI, lo = k * LN2_LO, r = hi - lo;
  double t = r * r;
  double c = r - t * (1.66666666666666019037e-01 +
                      t * (-2.77777777770155933842e-03 +
                           t * (6.61375632143793436117e-05 +
                                t * (-1.65339022054652515390e-06 + t * 4.13813679705723846039e-08))));
  double y = 1.0 - ((lo - (r * c) / (2.0 - c)) - hi);
  uint64_t bits = uint64_t(uint32_t(int32_t(k) + 1023)) << 52;
  double scale;
  std::memcpy(&scale, &bits, sizeof scale);
  return y * scale;
}

// cos and sin of x in double precision: reduction by pi/2 in two parts,
// then the usual odd and even polynomials on [-pi/4, pi/4]. Arguments here
// stay below a few thousand radians, where the reduction is exact enough.
inline void acm_sin_cos(double x, double* sine, double* cosine) {
  constexpr double TWO_OVER_PI = 6.36619772367581382433e-01;
  constexpr double PIO2_HI = 1.57079632673412561417e+00;
  constexpr double PIO2_LO = 6.07710050650619224932e-11;
  double n = (x * TWO_OVER_PI + acm_detail::ROUNDER) - acm_detail::ROUNDER;
  double r = (x - n * PIO2_HI) - n * PIO2_LO;
  double z = r * r;
  double s = r + r * z *
                     (-1.66666666666666324348e-01 +
                      z * (8.33333333332248946124e-03 +
                           z * (-1.98412698298579493134e-04 +
                                z * (2.75573137070700676789e-06 +
                                     z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
  double c = 1.0 - 0.5 * z +
             z * z *
                 (4.16666666666666019037e-02 +
                  z * (-1.38888888888741095749e-03 +
                       z * (2.48015872894767294178e-05 +
                            z * (-2.75573143513906633035e-07 +
                                 z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
  switch (int32_t(n) & 3) {
    case 0: *sine = s, *cosine = c; break;
    case 1: *sine = c, *cosine = -s; break;
    case 2: *sine = -s, *cosine = -c; break;
    default: *sine = -c, *cosine = s; break;
  }
}

// 2^x in single precision, four at a time, for x <= 0 (below -126 it
// answers 2^-126); 2^0 is exactly 1. Written with the compiler's vector
// types so that both builds run it as SSE2 vector code.
typedef float acm_float4 __attribute__((vector_size(16)));
typedef int32_t acm_int4 __attribute__((vector_size(16)));

inline acm_float4 acm_exp2f4(acm_float4 x) {
  const acm_float4 round = {12582912.0f, 12582912.0f, 12582912.0f, 12582912.0f};  // 1.5 x 2^23
  const acm_float4 floor_limit = {-126.0f, -126.0f, -126.0f, -126.0f};
  x = x < floor_limit ? floor_limit : x;
  acm_float4 k = (x + round) - round;  // nearest integers
  acm_float4 f = x - k;                // -0.5 .. 0.5
  // Taylor series of e^(f ln 2) to the 7th power: below 1e-8 relative.
  acm_float4 p = f * 1.5252734e-05f + 1.5403530e-04f;
  p = p * f + 1.3333558e-03f;
  p = p * f + 9.6181291e-03f;
  p = p * f + 5.5504109e-02f;
  p = p * f + 2.4022651e-01f;
  p = p * f + 6.9314718e-01f;
  p = p * f + 1.0f;
  acm_int4 bits = (__builtin_convertvector(k, acm_int4) + 127) << 23;
  acm_float4 scale;
  std::memcpy(&scale, &bits, sizeof scale);
  return p * scale;
}
