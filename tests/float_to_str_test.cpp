#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "toolkit/text.h"

TEST(FloatToStrF, FixedRoundsOnceHalfAwayFromZeroOnTheExactValue) {
  const struct {
    double value;
    int precision;
    int digits;
    const char* text;
  } cases[] = {
      {100 + 31 / 3.0, 8, 6, "110.333330"},  // further places show 0
      {350, 8, 6, "350.000000"},
      {-12.5, 8, 6, "-12.500000"},
      {12345.0625, 8, 6, "12345.063000"},  // a true half rounds up, not to even
      {0.125, 8, 2, "0.13"},
      {-2.5, 1, 0, "-3"},
      {1.005, 8, 2, "1.00"},           // exactly 1.00499999999999989...
      {5e-7, 8, 6, "0.000000"},        // exactly 4.99999999999999977...e-7
      {-6e-7, 8, 6, "-0.000001"},      // rounds at the place above its first digit
      {9.9999996, 8, 6, "10.000000"},  // the decimals limit the digits kept
      {0.000123456789, 8, 6, "0.000123"},
      {99999999.4, 8, 6, "99999999.000000"},
      {123.456, 8, 0, "123"},
      {0, 8, 6, "0.000000"},
      {-0.0, 8, 6, "0.000000"},
      {-1e-7, 8, 6, "0.000000"},  // rounds to zero: no "-"
      {std::numeric_limits<double>::denorm_min(), 8, 6, "0.000000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloatToStrF(c.value, ffFixed, c.precision, c.digits), c.text) << c.text;
  }
}

TEST(FloatToStrF, ScientificWhenTheIntegerPartExceedsThePrecision) {
  const struct {
    double value;
    int precision;
    const char* text;
  } cases[] = {
      {-121904170, 8, "-1.2190417E+08"},
      {123456789, 8, "1.2345679E+08"},
      {99999999.5, 8, "1.0000000E+08"},  // only the rounding adds the ninth digit
      {2147483647.0, 8, "2.1474836E+09"},
      {1e300, 8, "1.0000000E+300"},
      {-std::numeric_limits<double>::max(), 8, "-1.7976931E+308"},
      {123, 1, "1E+02"},
  };
  for (const auto& c : cases) EXPECT_EQ(FloatToStrF(c.value, ffFixed, c.precision, 6), c.text) << c.text;
}

TEST(FloatToStrF, NonFiniteValuesAndOutOfRangeArguments) {
  EXPECT_EQ(FloatToStrF(std::nan(""), ffFixed, 8, 6), "NAN");
  EXPECT_EQ(FloatToStrF(HUGE_VAL, ffFixed, 8, 6), "INF");
  EXPECT_EQ(FloatToStrF(-HUGE_VAL, ffFixed, 8, 6), "-INF");
  EXPECT_EQ(FloatToStrF(123, ffFixed, 0, 2), "1E+02");                       // precision 0 counts as 1
  EXPECT_EQ(FloatToStrF(3.7, ffFixed, 8, -5), "4");                          // negative digits count as 0
  EXPECT_EQ(FloatToStrF(0.1, ffFixed, 1000, 1000), "0.100000000000000006");  // both at most 18
}
