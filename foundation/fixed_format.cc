#include "foundation/fixed_format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace sq {
namespace {

using U128 = unsigned __int128;

constexpr std::uint64_t kPow10[kMaxFixedDecimals + 1] = {1,      10,      100,      1000,      10000,
                                                         100000, 1000000, 10000000, 100000000, 1000000000};

// Longest text the fast path makes: sign, 20 digits, point, places.
constexpr std::size_t kTextMax = 1 + 20 + 1 + kMaxFixedDecimals;

// Copies `n` characters of `text` into `buf` under the snprintf rule; returns n.
std::size_t Put(std::span<char> buf, const char* text, std::size_t n) {
  if (buf.empty()) return n;
  const std::size_t k = std::min(n, buf.size() - 1);
  std::memcpy(buf.data(), text, k);
  buf[k] = '\0';
  return n;
}

std::size_t Fallback(std::span<char> buf, int decimals, double v) {
  char tmp[400];  // the widest double with 9 places has 309 integer digits
  const int n = std::snprintf(tmp, sizeof tmp, "%.*f", decimals, v);
  if (n < 0) return Put(buf, "", 0);
  if (static_cast<std::size_t>(n) < sizeof tmp) return Put(buf, tmp, static_cast<std::size_t>(n));
  if (!buf.empty()) std::snprintf(buf.data(), buf.size(), "%.*f", decimals, v);
  return static_cast<std::size_t>(n);
}

// v * 10^decimals rounded to an integer exactly as printf rounds (ties to even).
// False when the value lies outside what the fast path handles.
bool ScaledRounded(double v, int decimals, std::uint64_t* out) {
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(v);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
  if (biased == 0x7FF) return false;  // NaN or infinity
  // v = m * 2^e exactly.
  const std::uint64_t m = biased == 0 ? fraction : fraction | (std::uint64_t{1} << 52);
  const int e = biased == 0 ? -1074 : biased - 1075;
  if (e > 0) return false;                                 // 2^53 and above
  const U128 n = static_cast<U128>(m) * kPow10[decimals];  // below 2^83
  if (e == 0) {
    if (n >> 64) return false;
    *out = static_cast<std::uint64_t>(n);
    return true;
  }
  const int shift = -e;
  if (shift > 100) {  // n < 2^83 is then below half a unit: rounds to 0
    *out = 0;
    return true;
  }
  U128 q = n >> shift;
  const U128 rest = n - (q << shift);
  const U128 half = U128{1} << (shift - 1);
  if (rest > half || (rest == half && (q & 1) != 0)) ++q;
  if (q >> 64) return false;
  *out = static_cast<std::uint64_t>(q);
  return true;
}

}  // namespace

std::size_t FormatFixed(std::span<char> buf, int decimals, double v) {
  std::uint64_t q = 0;
  if (decimals < 0 || decimals > kMaxFixedDecimals || !ScaledRounded(v, decimals, &q)) {
    return Fallback(buf, decimals, v);
  }
  // Digits from the last one backwards: the places, the point, at least one integer
  // digit, the sign.
  char text[kTextMax];
  char* const end = text + kTextMax;
  char* p = end;
  for (int i = 0; i < decimals; ++i) {
    *--p = static_cast<char>('0' + q % 10);
    q /= 10;
  }
  if (decimals > 0) *--p = '.';
  do {
    *--p = static_cast<char>('0' + q % 10);
    q /= 10;
  } while (q != 0);
  if (std::signbit(v)) *--p = '-';
  return Put(buf, p, static_cast<std::size_t>(end - p));
}

std::size_t FormatInt(std::span<char> buf, long long v) {
  char text[24];
  const auto res = std::to_chars(text, text + sizeof text, v);
  return Put(buf, text, static_cast<std::size_t>(res.ptr - text));
}

}  // namespace sq
