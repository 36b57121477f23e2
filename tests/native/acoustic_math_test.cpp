// The acoustic math kernels against the C library over their working ranges.
#include "acoustics/acoustic_math.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

TEST(AcousticMath, KernelsFollowTheLibraryOverTheirRanges) {
  for (int i = -2000; i <= 2000; ++i) {
    double x = i * 0.0173;
    EXPECT_NEAR(acm_atan2(std::sin(x), std::cos(x) * 0.7), std::atan2(std::sin(x), std::cos(x) * 0.7), 1e-15) << x;
    double s, c;
    acm_sin_cos(x * 40, &s, &c);
    EXPECT_NEAR(s, std::sin(x * 40), 1e-13) << x;
    EXPECT_NEAR(c, std::cos(x * 40), 1e-13) << x;
    EXPECT_NEAR(acm_exp(x * 0.2) / std::exp(x * 0.2), 1.0, 1e-15) << x;
  }
  EXPECT_EQ(acm_exp(-800), 0.0);
}

// The air loss: 2^x for x from 0 down to far below the band values, exact
// at 0 and held at 2^-126 below it.
TEST(AcousticMath, FourPowersOfTwoAtOnce) {
  for (int i = 0; i <= 20000; ++i) {
    float x = -i * 0.0071f;
    acm_float4 in = {x, x * 0.5f, x * 0.25f, 0.0f};
    acm_float4 out = acm_exp2f4(in);
    for (int k = 0; k < 3; ++k) {
      double expected = std::exp2(double(std::max(in[k], -126.0f)));
      EXPECT_NEAR(out[k] / expected, 1.0, 3e-7) << in[k];
    }
    EXPECT_EQ(out[3], 1.0f);
  }
  acm_float4 low = acm_exp2f4(acm_float4{-126.0f, -300.0f, -1e30f, -1.0f});
  EXPECT_EQ(low[0], std::ldexp(1.0f, -126));
  EXPECT_EQ(low[1], low[0]);
  EXPECT_EQ(low[2], low[0]);
  EXPECT_EQ(low[3], 0.5f);
}

}  // namespace
