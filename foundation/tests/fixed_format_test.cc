// FormatFixed and FormatInt must write byte for byte what snprintf writes.
#include "foundation/fixed_format.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace sq {
namespace {

std::string Printf(int decimals, double v) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// Compares one value; returns false (after one failure message) on a difference.
bool Same(int decimals, double v) {
  char buf[512];
  const std::size_t n = FormatFixed(std::span<char>(buf), decimals, v);
  const std::string want = Printf(decimals, v);
  if (want == buf && n == want.size()) return true;
  ADD_FAILURE() << "decimals " << decimals << " value " << Printf(20, v) << ": printf \"" << want << "\", got \"" << buf
                << "\" (" << n << ")";
  return false;
}

TEST(FixedFormatTest, EdgeValuesMatchPrintf) {
  const double kInf = std::numeric_limits<double>::infinity();
  const double cases[] = {
      0.0,
      -0.0,
      0.5,
      1.5,
      2.5,
      -2.5,
      0.125,
      0.375,
      -0.125,
      0.05,
      0.15,
      0.25,
      0.35,
      1.0005,
      2.675,
      -0.04,
      -0.004,
      -1e-9,
      9.5,
      99.95,
      999.9995,
      0.0005,
      0.00049999999999999,
      1e-300,
      -1e-310,
      4.9e-324,
      std::numeric_limits<double>::min(),
      0.999999999,
      9999999.99999,
      123456789.123456789,
      9007199254740991.0,  // 2^53 - 1: the last value of the fast path
      9007199254740992.0,
      1e19,
      1.8446744073709552e19,
      1e300,
      -1e300,
      std::numeric_limits<double>::max(),
      std::numeric_limits<double>::quiet_NaN(),
      kInf,
      -kInf,
      -32768.0,
      32767.0,
      29.921,
      1013.2,
  };
  for (double v : cases) {
    for (int d = 0; d <= kMaxFixedDecimals + 2; ++d) Same(d, v);
  }
  Same(-1, 1.25);  // a negative precision means the default in printf
}

// Every value the display conversions make from a 16-bit internal value.
TEST(FixedFormatTest, ConvertedInternalValuesMatchPrintf) {
  for (int t = -32768; t <= 32767; ++t) {
    const float values[] = {
        static_cast<float>(t / 10.0),         static_cast<float>((t - 320) * 5 / 90.0),
        static_cast<float>(t / 1000.0),       static_cast<float>(t * 0.0254),
        static_cast<float>(t * 0.033864),     static_cast<float>(t / 11.5),
        static_cast<float>(t * 0.1609344),    static_cast<float>(t * 0.044704),
        static_cast<float>(t / 100.0 * 25.4), static_cast<float>(t * 5.0 * 60.0 / 41855.0),
    };
    for (float f : values) {
      for (int d = 0; d <= 4; ++d) {
        if (!Same(d, static_cast<double>(f))) return;
      }
    }
  }
}

// Floats over their whole range, and random doubles, at every precision.
TEST(FixedFormatTest, SweepMatchesPrintf) {
  for (std::uint64_t bits = 0; bits <= 0xFFFFFFFFu; bits += 40009) {
    const float f = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
    for (int d = 0; d <= kMaxFixedDecimals; ++d) {
      if (!Same(d, static_cast<double>(f))) return;
    }
  }
  std::mt19937_64 rng(20240601);
  std::uniform_real_distribution<double> exponent(-12.0, 17.0);
  for (int i = 0; i < 100000; ++i) {
    const double sign = (rng() & 1) ? -1.0 : 1.0;
    const double v = sign * std::pow(10.0, exponent(rng));
    if (!Same(static_cast<int>(rng() % (kMaxFixedDecimals + 1)), v)) return;
  }
}

TEST(FixedFormatTest, ShortBuffersCutLikeSnprintf) {
  // Opaque to the compiler, so that it does not warn about the cut it is meant to show.
  volatile double value = -1234.5678;
  volatile int count = -1234567;
  for (std::size_t size = 1; size <= 8; ++size) {
    char got[8];
    char want[8];
    std::memset(got, 'x', sizeof got);
    std::memset(want, 'x', sizeof want);
    EXPECT_EQ(FormatFixed(std::span<char>(got, size), 3, value), 9u);
    std::snprintf(want, size, "%.3f", value);
    EXPECT_EQ(std::string(got, size), std::string(want, size)) << size;
    std::memset(got, 'x', sizeof got);
    std::memset(want, 'x', sizeof want);
    EXPECT_EQ(FormatInt(std::span<char>(got, size), count), 8u);
    std::snprintf(want, size, "%d", static_cast<int>(count));
    EXPECT_EQ(std::string(got, size), std::string(want, size)) << size;
  }
  char untouched = 'x';
  EXPECT_EQ(FormatFixed(std::span<char>(&untouched, 0), 1, 1.0), 3u);
  EXPECT_EQ(untouched, 'x');
}

TEST(FixedFormatTest, IntegersMatchPrintf) {
  const long long cases[] = {0,
                             1,
                             -1,
                             9,
                             10,
                             -10,
                             255,
                             1440,
                             -32768,
                             32767,
                             2147483647LL,
                             -2147483648LL,
                             std::numeric_limits<long long>::min(),
                             std::numeric_limits<long long>::max()};
  for (long long v : cases) {
    char want[32];
    char got[32];
    std::snprintf(want, sizeof want, "%lld", v);
    EXPECT_EQ(FormatInt(std::span<char>(got), v), std::string(want).size());
    EXPECT_STREQ(got, want);
  }
}

}  // namespace
}  // namespace sq
